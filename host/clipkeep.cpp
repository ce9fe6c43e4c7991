#include "clipkeep.h"

#include <cctype>

namespace yv::host {

namespace {
// Windows' standard formats.
constexpr std::uint32_t kBitmap = 2, kMetafilePict = 3, kPalette = 9, kEnhMetafile = 14;
constexpr std::uint32_t kOwnerDisplay = 0x80;
constexpr std::uint32_t kRegisteredFirst = 0xC000;

// Registered by OLE for its own clipboard: they stand for the owner's data object (an
// interface pointer, storages, monikers) and mean nothing once the owner has gone.
constexpr std::string_view kOwnerBound[] = {
    "Ole Private Data", "DataObject",      "Object Descriptor", "Link Source Descriptor",
    "Embed Source",     "Embedded Object", "Link Source",       "Custom Link Source",
    "Native",           "OwnerLink",       "ObjectLink",
};

// Format names are compared as the system does, without regard to case.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}
}  // namespace

ClipKind KindOfFormat(std::uint32_t format, std::string_view name) {
    switch (format) {
        case kEnhMetafile:
            return ClipKind::kEnhMetafile;
        case kBitmap:  // rebuilt by the system from the DIB
        case kPalette:
        case kMetafilePict:  // rebuilt by the system from the enhanced metafile
            return ClipKind::kLeftOut;
    }
    if (format == 0) return ClipKind::kLeftOut;
    if (format < kOwnerDisplay) return ClipKind::kMemory;  // texts, DIBs, file lists, locale
    if (format >= kRegisteredFirst) {                      // HTML, RTF and the like
        for (std::string_view owned : kOwnerBound)
            if (SameName(name, owned)) return ClipKind::kLeftOut;
        return ClipKind::kMemory;
    }
    // The rest: the owner's display formats, and private and GDI-object formats, which hold
    // handles the system cannot copy.
    return ClipKind::kLeftOut;
}

ClipSnapshot TakeSnapshot(ClipSource& clip, const ClipLimits& limits) {
    using Result = ClipSnapshot::Result;
    ClipSnapshot s;
    auto giveUp = [&s](Result why) {
        s.result = why;
        s.items.clear();
        s.bytes = 0;
        return s;
    };
    const std::uint32_t start = clip.GetTickCount();
    auto late = [&] { return clip.GetTickCount() - start >= limits.maxMs; };
    for (std::uint32_t f = clip.EnumClipboardFormats(0); f != 0; f = clip.EnumClipboardFormats(f)) {
        const ClipKind kind =
            KindOfFormat(f, f >= kRegisteredFirst ? clip.GetClipboardFormatName(f) : "");
        if (kind == ClipKind::kLeftOut) {
            ++s.leftOut;
            continue;
        }
        // A render may take long: the paste is given up rather than made late.
        if (late()) return giveUp(Result::kLate);
        const std::uintptr_t h = clip.GetClipboardData(f);
        if (!h) continue;
        const std::size_t n = kind == ClipKind::kEnhMetafile
                                  ? clip.GetEnhMetaFileBits(h, 0, nullptr)
                                  : clip.GlobalSize(h);
        if (n == 0) continue;
        if (n > limits.maxBytes - s.bytes) return giveUp(Result::kTooLarge);
        ClipItem item{f, kind, std::vector<unsigned char>(n)};
        const bool copied = kind == ClipKind::kEnhMetafile
                                ? clip.GetEnhMetaFileBits(h, n, item.bytes.data()) == n
                                : clip.GlobalLock(h, n, item.bytes.data());
        if (!copied) continue;
        s.bytes += n;
        s.items.push_back(std::move(item));
    }
    if (late()) return giveUp(Result::kLate);
    s.result = s.items.empty() ? Result::kNothing : Result::kTaken;
    return s;
}

void ClipRestorer::Copied(std::uint32_t seq) {
    haveCopy_ = true;
    copySeq_ = seq;
    pending_ = false;
}

void ClipRestorer::NotCopied() {
    haveCopy_ = false;
    pending_ = false;
}

bool ClipRestorer::Begin(std::uint32_t now, std::uint32_t before, std::uint32_t after) {
    // The replaced content is the copy, or the text of an earlier paste still waiting.
    const bool replacesCopy = haveCopy_ && before == copySeq_;
    const bool replacesOwn = pending_ && before == ownSeq_;
    if (!replacesCopy && !replacesOwn) {
        pending_ = false;
        return false;
    }
    pending_ = true;
    read_ = false;
    ownSeq_ = after;
    begun_ = now;
    return true;
}

void ClipRestorer::Read(std::uint32_t now, std::uint32_t before, std::uint32_t after,
                        bool byTarget) {
    if (!pending_ || before != ownSeq_) return;
    ownSeq_ = after;
    if (!byTarget) return;
    if (!read_) readAt_ = now;
    read_ = true;
}

ClipRestorer::Step ClipRestorer::Poll(std::uint32_t now, std::uint32_t seq, bool ours) {
    if (Now(seq, ours) == Step::kIdle) return Step::kIdle;
    if (read_ ? now - readAt_ >= t_.settleMs : now - begun_ >= t_.limitMs) return Step::kRestore;
    return Step::kWait;
}

ClipRestorer::Step ClipRestorer::Now(std::uint32_t seq, bool ours) {
    if (!pending_) return Step::kIdle;
    if (!ours || seq != ownSeq_) {
        // Someone else's content now: it stays, and the copy is of no use any more.
        pending_ = false;
        haveCopy_ = false;
        return Step::kIdle;
    }
    return Step::kRestore;
}

void ClipRestorer::Restored(std::uint32_t seq) {
    pending_ = false;
    copySeq_ = seq;
}

void ClipRestorer::Busy(std::uint32_t now) {
    if (now - begun_ >= t_.giveUpMs) pending_ = false;
}

}  // namespace yv::host
