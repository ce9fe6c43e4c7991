// Keeping the user's clipboard across paste rows: when the copy goes back, and which formats
// are kept.
#include <gtest/gtest.h>

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
        kOwn,
        kPoll,
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
Ev Own(std::uint32_t seq) { return {Ev::kOwn, 0, seq}; }
Ev Poll(std::uint32_t now, std::uint32_t seq, Step want, bool ours = true) {
    return {Ev::kPoll, now, seq, 0, ours, static_cast<int>(want)};
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
        {"content the listener could not copy ends the wait and leaves nothing to put back",
         {Copied(5), Begin(0, 5, 7, true), NotCopied(), Waiting(false), Begin(100, 5, 9, false)}},
        {"content that was not copied is not put back",
         {NotCopied(), Begin(0, 5, 7, false), Poll(3000, 7, Step::kIdle)}},
        {"a copy of older content is not put back over newer content",
         {Copied(5), Begin(0, 6, 7, false), Poll(3000, 7, Step::kIdle)}},
        {"two pastes in a row give back the user's content",
         {Copied(5), Begin(0, 5, 7, true), Begin(30, 7, 9, true), Read(40, 9, 9),
          Poll(140, 9, Step::kRestore)}},
        {"a second paste over a copy the listener has not seen yet gives nothing back",
         {Copied(5), Begin(0, 5, 7, true), Begin(30, 12, 13, false), Waiting(false),
          Poll(3000, 13, Step::kIdle)}},
        {"a second paste waits for its own read and its own time limit",
         {Copied(5), Begin(0, 5, 7, true), Read(10, 7, 8), Begin(1500, 8, 9, true),
          Poll(2000, 9, Step::kWait), Poll(3499, 9, Step::kWait), Poll(3500, 9, Step::kRestore)}},
        {"the content put back is the copy for the next paste",
         {Copied(5), Begin(0, 5, 7, true), Poll(2000, 7, Step::kRestore), Restored(9),
          Begin(2500, 9, 11, true)}},
        {"the host's own changes seen by the listener keep the wait",
         {Copied(5), Begin(0, 5, 7, true), Own(8), Poll(2000, 8, Step::kRestore)}},
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
                case Ev::kOwn:
                    r.Own(e.a);
                    break;
                case Ev::kPoll:
                    EXPECT_EQ(static_cast<int>(r.Poll(e.now, e.a, e.ours)), e.want)
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
        {0xFFFF, ClipKind::kMemory},  {0, ClipKind::kLeftOut},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(static_cast<int>(yv::host::KindOfFormat(r.format)), static_cast<int>(r.kind))
            << "format " << r.format;
    }
}

}  // namespace
