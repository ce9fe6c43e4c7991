// Keeping the user's clipboard across paste rows: when the copy goes back, which formats are
// kept, and what the snapshot asks of the clipboard.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "clipkeep.h"

namespace {

using yv::host::ClipKind;
using yv::host::ClipRestorer;
using Step = ClipRestorer::Step;

// One line of a transcript. Sequence numbers: the user's copy 5, the pasted text 7, read 8.
struct Ev {
    enum Op {
        kCopied,
        kNotCopied,
        kBegin,
        kRead,
        kOtherRead,
        kPoll,
        kNow,
        kRestored,
        kBusy,
        kWaiting
    } op;
    std::uint32_t now = 0, a = 0, b = 0;
    bool ours = true;
    int want = 0;  // Begin: 1 armed; Poll: a Step; Waiting: 1 waiting
};

Ev Copied(std::uint32_t seq) { return {Ev::kCopied, 0, seq}; }
Ev NotCopied() { return {Ev::kNotCopied}; }
Ev Begin(std::uint32_t now, std::uint32_t before, std::uint32_t after, bool armed) {
    return {Ev::kBegin, now, before, after, true, armed ? 1 : 0};
}
Ev Read(std::uint32_t now, std::uint32_t before, std::uint32_t after) {
    return {Ev::kRead, now, before, after};
}
// A render for a reader that is not the target (a clipboard manager).
Ev OtherRead(std::uint32_t now, std::uint32_t before, std::uint32_t after) {
    return {Ev::kOtherRead, now, before, after};
}
Ev Poll(std::uint32_t now, std::uint32_t seq, Step want, bool ours = true) {
    return {Ev::kPoll, now, seq, 0, ours, static_cast<int>(want)};
}
// The wait cut short (exit, or a paste given up after its text went up).
Ev Now(std::uint32_t seq, Step want, bool ours = true) {
    return {Ev::kNow, 0, seq, 0, ours, static_cast<int>(want)};
}
Ev Restored(std::uint32_t seq) { return {Ev::kRestored, 0, seq}; }
Ev Busy(std::uint32_t now) { return {Ev::kBusy, now}; }
Ev Waiting(bool w) { return {Ev::kWaiting, 0, 0, 0, true, w ? 1 : 0}; }

struct Case {
    const char* name;
    std::vector<Ev> events;
};

TEST(ClipRestorer, Transcripts) {
    const Case cases[] = {
        {"the copy goes back shortly after the target read the text",
         {Copied(5), Begin(0, 5, 7, true), Poll(50, 7, Step::kWait), Read(60, 7, 8),
          Poll(150, 8, Step::kWait), Poll(160, 8, Step::kRestore), Restored(9), Waiting(false),
          Poll(200, 9, Step::kIdle)}},
        {"without a read it goes back at the time limit",
         {Copied(5), Begin(0, 5, 7, true), Poll(1999, 7, Step::kWait),
          Poll(2000, 7, Step::kRestore)}},
        {"a read comes late but before the limit: the settling counts from the read",
         {Copied(5), Begin(0, 5, 7, true), Read(1950, 7, 8), Poll(2000, 8, Step::kWait),
          Poll(2050, 8, Step::kRestore)}},
        {"another program's content in between stays, and the copy is dropped",
         {Copied(5), Begin(0, 5, 7, true), Read(10, 7, 8), Poll(200, 11, Step::kIdle),
          Waiting(false), Begin(300, 11, 12, false), Begin(300, 5, 12, false)}},
        {"the clipboard's owner changed: not ours any more",
         {Copied(5), Begin(0, 5, 7, true), Poll(2000, 7, Step::kIdle, false), Waiting(false)}},
        {"a new copy by the user ends the wait",
         {Copied(5), Begin(0, 5, 7, true), Copied(12), Waiting(false),
          Poll(2000, 12, Step::kIdle)}},
        {"a snapshot that could not be taken ends the wait and leaves nothing to put back",
         {Copied(5), Begin(0, 5, 7, true), NotCopied(), Waiting(false), Begin(100, 5, 9, false)}},
        {"content that was not copied is not put back",
         {NotCopied(), Begin(0, 5, 7, false), Poll(3000, 7, Step::kIdle)}},
        {"a copy of older content is not put back over newer content",
         {Copied(5), Begin(0, 6, 7, false), Poll(3000, 7, Step::kIdle)}},
        {"two pastes in a row give back the user's content",
         {Copied(5), Begin(0, 5, 7, true), Begin(30, 7, 9, true), Read(40, 9, 9),
          Poll(140, 9, Step::kRestore)}},
        {"a second paste over content that was not snapshotted gives nothing back",
         {Copied(5), Begin(0, 5, 7, true), Begin(30, 12, 13, false), Waiting(false),
          Poll(3000, 13, Step::kIdle)}},
        {"a second paste waits for its own read and its own time limit",
         {Copied(5), Begin(0, 5, 7, true), Read(10, 7, 8), Begin(1500, 8, 9, true),
          Poll(2000, 9, Step::kWait), Poll(3499, 9, Step::kWait), Poll(3500, 9, Step::kRestore)}},
        {"the content put back is the copy for the next paste",
         {Copied(5), Begin(0, 5, 7, true), Poll(2000, 7, Step::kRestore), Restored(9),
          Begin(2500, 9, 11, true)}},
        {"the host's own renders for other readers keep the wait",
         {Copied(5), Begin(0, 5, 7, true), OtherRead(5, 7, 8), OtherRead(6, 8, 9),
          Poll(2000, 9, Step::kRestore)}},
        {"cut short: the text still up goes back at once, read or not",
         {Copied(5), Begin(0, 5, 7, true), Now(7, Step::kRestore), Restored(9), Waiting(false),
          Now(9, Step::kIdle)}},
        {"cut short after the target's read",
         {Copied(5), Begin(0, 5, 7, true), Read(10, 7, 8), Now(8, Step::kRestore)}},
        {"cut short after someone else's copy: that copy stays",
         {Copied(5), Begin(0, 5, 7, true), Now(11, Step::kIdle), Waiting(false),
          Begin(20, 5, 12, false)}},
        {"cut short once the owner changed: left as it is",
         {Copied(5), Begin(0, 5, 7, true), Now(7, Step::kIdle, false), Waiting(false)}},
        {"cut short with nothing waiting does nothing",
         {Copied(5), Now(5, Step::kIdle), Begin(0, 5, 7, true)}},
        {"a clipboard manager reading first does not end the wait; the target's read does",
         {Copied(5), Begin(0, 5, 7, true), OtherRead(5, 7, 8), Poll(200, 8, Step::kWait),
          Read(300, 8, 9), Poll(399, 9, Step::kWait), Poll(400, 9, Step::kRestore)}},
        {"with only a clipboard manager's read the time limit applies",
         {Copied(5), Begin(0, 5, 7, true), OtherRead(5, 7, 8), Poll(1999, 8, Step::kWait),
          Poll(2000, 8, Step::kRestore)}},
        {"a render of something else is no read of the text",
         {Copied(5), Begin(0, 5, 7, true), Read(10, 3, 4), Poll(200, 7, Step::kWait)}},
        {"a clipboard held too long is given up",
         {Copied(5), Begin(0, 5, 7, true), Busy(4999), Waiting(true), Busy(5000), Waiting(false)}},
        {"the tick count wraps",
         {Copied(5), Begin(0xFFFFFF00u, 5, 7, true), Read(0xFFFFFFF0u, 7, 8),
          Poll(0x40, 8, Step::kWait), Poll(0x60, 8, Step::kRestore)}},
    };
    for (const Case& c : cases) {
        ClipRestorer r;
        int line = 0;
        for (const Ev& e : c.events) {
            ++line;
            switch (e.op) {
                case Ev::kCopied:
                    r.Copied(e.a);
                    break;
                case Ev::kNotCopied:
                    r.NotCopied();
                    break;
                case Ev::kBegin:
                    EXPECT_EQ(r.Begin(e.now, e.a, e.b), e.want == 1) << c.name << ", line " << line;
                    break;
                case Ev::kRead:
                case Ev::kOtherRead:
                    r.Read(e.now, e.a, e.b, e.op == Ev::kRead);
                    break;
                case Ev::kPoll:
                    EXPECT_EQ(static_cast<int>(r.Poll(e.now, e.a, e.ours)), e.want)
                        << c.name << ", line " << line;
                    break;
                case Ev::kNow:
                    EXPECT_EQ(static_cast<int>(r.Now(e.a, e.ours)), e.want)
                        << c.name << ", line " << line;
                    break;
                case Ev::kRestored:
                    r.Restored(e.a);
                    break;
                case Ev::kBusy:
                    r.Busy(e.now);
                    break;
                case Ev::kWaiting:
                    EXPECT_EQ(r.waiting(), e.want == 1) << c.name << ", line " << line;
                    break;
            }
        }
    }
}

TEST(ClipRestorer, OnlyTheProcessInFrontReads) {
    EXPECT_TRUE(yv::host::ReadByTarget(0x40, 0x40));
    EXPECT_FALSE(yv::host::ReadByTarget(0x41, 0x40));  // a clipboard manager
    EXPECT_FALSE(yv::host::ReadByTarget(0, 0));        // opened without a window
}

TEST(ClipRestorer, FormatsKept) {
    const struct {
        std::uint32_t format;
        ClipKind kind;
        const char* name = "";
    } rows[] = {
        {1, ClipKind::kMemory},        // CF_TEXT
        {7, ClipKind::kMemory},        // CF_OEMTEXT
        {13, ClipKind::kMemory},       // CF_UNICODETEXT
        {16, ClipKind::kMemory},       // CF_LOCALE
        {8, ClipKind::kMemory},        // CF_DIB
        {17, ClipKind::kMemory},       // CF_DIBV5
        {15, ClipKind::kMemory},       // CF_HDROP
        {14, ClipKind::kEnhMetafile},  // CF_ENHMETAFILE
        {2, ClipKind::kLeftOut},       // CF_BITMAP: rebuilt from the DIB
        {3, ClipKind::kLeftOut},       // CF_METAFILEPICT
        {9, ClipKind::kLeftOut},       // CF_PALETTE
        {0x80, ClipKind::kLeftOut},    // CF_OWNERDISPLAY
        {0x81, ClipKind::kLeftOut},    // CF_DSPTEXT
        {0x200, ClipKind::kLeftOut},   // CF_PRIVATEFIRST
        {0x3FF, ClipKind::kLeftOut},   // CF_GDIOBJLAST
        {0x1000, ClipKind::kLeftOut},  // no such format
        {0xC000, ClipKind::kMemory},   // registered: HTML Format, Rich Text Format ...
        {0xFFFF, ClipKind::kMemory},
        {0, ClipKind::kLeftOut},
        // OLE's own formats stand for the owner's data object
        {0xC010, ClipKind::kLeftOut, "Ole Private Data"},
        {0xC011, ClipKind::kLeftOut, "OLE PRIVATE DATA"},  // names have no case
        {0xC012, ClipKind::kLeftOut, "DataObject"},
        {0xC013, ClipKind::kLeftOut, "Object Descriptor"},
        {0xC014, ClipKind::kLeftOut, "Link Source Descriptor"},
        {0xC015, ClipKind::kLeftOut, "Embed Source"},
        {0xC016, ClipKind::kLeftOut, "Embedded Object"},
        {0xC017, ClipKind::kLeftOut, "Link Source"},
        {0xC018, ClipKind::kLeftOut, "Native"},
        {0xC019, ClipKind::kLeftOut, "OwnerLink"},
        {0xC01A, ClipKind::kLeftOut, "ObjectLink"},
        {0xC01B, ClipKind::kMemory, "HTML Format"},
        {0xC01C, ClipKind::kMemory, "Rich Text Format"},
        {0xC01D, ClipKind::kMemory, "Ole Private Dat"},  // a name like it is no such format
        {0xC01E, ClipKind::kMemory, "Ole Private Data2"},
        {0x200, ClipKind::kLeftOut, "Ole Private Data"},  // an unregistered number stays out
        {13, ClipKind::kMemory, "DataObject"},            // a standard format keeps its kind
    };
    for (const auto& r : rows) {
        EXPECT_EQ(static_cast<int>(yv::host::KindOfFormat(r.format, r.name)),
                  static_cast<int>(r.kind))
            << "format " << r.format << " " << r.name;
    }
}

// The open clipboard as a snapshot sees it; every call is written down.
struct FakeClip : yv::host::ClipSource {
    struct Format {
        std::uint32_t format;
        std::size_t size = 8;  // GlobalSize, or the metafile's bits
        const char* name = "";
        std::uint32_t renderMs = 0;  // the owner's time for GetClipboardData
        bool renders = true;         // GetClipboardData gives a handle
        bool locks = true;
    };
    std::vector<Format> formats;
    std::uint32_t tick = 1000;
    std::string log;

    const Format* Find(std::uint32_t f) const {
        for (const Format& x : formats)
            if (x.format == f) return &x;
        return nullptr;
    }
    void Note(const char* what, std::uint32_t f) {
        log += (log.empty() ? "" : " ") + std::string(what) + ":" + std::to_string(f);
    }
    std::uint32_t EnumClipboardFormats(std::uint32_t after) override {
        for (std::size_t i = 0; i < formats.size(); ++i) {
            if (after == 0) return formats[i].format;
            if (formats[i].format == after)
                return i + 1 < formats.size() ? formats[i + 1].format : 0;
        }
        return 0;
    }
    std::string_view GetClipboardFormatName(std::uint32_t f) override {
        Note("name", f);
        const Format* x = Find(f);
        return x ? x->name : "";
    }
    std::uintptr_t GetClipboardData(std::uint32_t f) override {
        Note("get", f);
        const Format* x = Find(f);
        if (!x) return 0;
        tick += x->renderMs;
        return x->renders ? f : 0;  // the handle is the format's number
    }
    std::size_t GlobalSize(std::uintptr_t h) override {
        Note("size", static_cast<std::uint32_t>(h));
        const Format* x = Find(static_cast<std::uint32_t>(h));
        return x ? x->size : 0;
    }
    bool GlobalLock(std::uintptr_t h, std::size_t size, unsigned char* out) override {
        Note("lock", static_cast<std::uint32_t>(h));
        const Format* x = Find(static_cast<std::uint32_t>(h));
        if (!x || !x->locks || size > x->size) return false;
        for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<unsigned char>(h + i);
        return true;
    }
    std::size_t GetEnhMetaFileBits(std::uintptr_t h, std::size_t size,
                                   unsigned char* out) override {
        Note("bits", static_cast<std::uint32_t>(h));
        const Format* x = Find(static_cast<std::uint32_t>(h));
        if (!x) return 0;
        if (!out) return x->size;
        const std::size_t n = size < x->size ? size : x->size;
        for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(h + i);
        return n;
    }
    std::uint32_t GetTickCount() override { return tick; }
};

TEST(ClipSnapshot, Transcripts) {
    using R = yv::host::ClipSnapshot::Result;
    using F = FakeClip::Format;
    const struct {
        const char* name;
        std::vector<F> formats;
        yv::host::ClipLimits limits;
        R result;
        std::vector<std::uint32_t> kept;
        int leftOut;
        const char* calls;
    } cases[] = {
        {"texts, a DIB and HTML are copied, each size looked at before its bytes",
         {{1, 6}, {13, 12}, {8, 40}, {0xC003, 100, "HTML Format"}},
         {},
         R::kTaken,
         {1, 13, 8, 0xC003},
         0,
         "get:1 size:1 lock:1 get:13 size:13 lock:13 get:8 size:8 lock:8 name:49155 get:49155 "
         "size:49155 lock:49155"},
        {"nothing is asked of a format left out, so no delayed one renders for nothing",
         {{0x200},
          {2},
          {0xC001, 8, "Ole Private Data"},
          {0xC002, 8, "DataObject"},
          {0x80},
          {3},
          {9},
          {0x300},
          {0xC004, 8, "Rich Text Format"}},
         {},
         R::kTaken,
         {0xC004},
         8,
         "name:49153 name:49154 name:49156 get:49156 size:49156 lock:49156"},
        {"the first registered number is asked for its name too",
         {{0xC000, 8, "Ole Private Data"}, {0xC001, 8, "HTML Format"}},
         {},
         R::kTaken,
         {0xC001},
         1,
         "name:49152 name:49153 get:49153 size:49153 lock:49153"},
        {"above the total limit nothing is kept, and the large format's bytes are not copied",
         {{1, 60}, {13, 50}, {8, 10}},
         {100, 200},
         R::kTooLarge,
         {},
         0,
         "get:1 size:1 lock:1 get:13 size:13"},
        {"right at the total limit everything is kept",
         {{1, 60}, {13, 40}},
         {100, 200},
         R::kTaken,
         {1, 13},
         0,
         "get:1 size:1 lock:1 get:13 size:13 lock:13"},
        {"an enhanced metafile is kept through its bits",
         {{14, 30}},
         {},
         R::kTaken,
         {14},
         0,
         "get:14 bits:14 bits:14"},
        {"a format that renders to nothing, has no global size or cannot be locked is skipped",
         {{1, 8, "", 0, false}, {7, 0}, {13, 8, "", 0, true, false}, {16, 4}},
         {},
         R::kTaken,
         {16},
         0,
         "get:1 get:7 size:7 get:13 size:13 lock:13 get:16 size:16 lock:16"},
        {"an empty clipboard, or only formats left out: nothing to keep",
         {{2}, {9}},
         {},
         R::kNothing,
         {},
         2,
         ""},
        {"a slow render: the next format is not asked for, the paste is given up",
         {{1, 8, "", 150}, {13, 8, "", 150}, {8, 8}},
         {},
         R::kLate,
         {},
         0,
         "get:1 size:1 lock:1 get:13 size:13 lock:13"},
        {"a render that alone takes the whole time gives the paste up",
         {{1, 8, "", 200}},
         {},
         R::kLate,
         {},
         0,
         "get:1 size:1 lock:1"},
        {"renders just within the time are kept",
         {{1, 8, "", 100}, {13, 8, "", 99}},
         {},
         R::kTaken,
         {1, 13},
         0,
         "get:1 size:1 lock:1 get:13 size:13 lock:13"},
    };
    for (const auto& c : cases) {
        FakeClip clip;
        clip.formats = c.formats;
        const yv::host::ClipSnapshot s = yv::host::TakeSnapshot(clip, c.limits);
        EXPECT_EQ(static_cast<int>(s.result), static_cast<int>(c.result)) << c.name;
        EXPECT_EQ(clip.log, c.calls) << c.name;
        EXPECT_EQ(s.leftOut, c.leftOut) << c.name;
        std::vector<std::uint32_t> kept;
        std::size_t bytes = 0;
        for (const auto& item : s.items) {
            kept.push_back(item.format);
            bytes += item.bytes.size();
            const FakeClip::Format* f = clip.Find(item.format);
            ASSERT_NE(f, nullptr) << c.name;
            ASSERT_EQ(item.bytes.size(), f->size) << c.name << ", format " << item.format;
            for (std::size_t i = 0; i < item.bytes.size(); ++i)
                ASSERT_EQ(item.bytes[i], static_cast<unsigned char>(item.format + i))
                    << c.name << ", format " << item.format << ", byte " << i;
        }
        EXPECT_EQ(kept, c.kept) << c.name;
        EXPECT_EQ(s.bytes, bytes) << c.name;
    }
}

}  // namespace
