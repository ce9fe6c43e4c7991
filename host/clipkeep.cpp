#include "clipkeep.h"

namespace yv::host {

namespace {
// Windows' standard formats.
constexpr std::uint32_t kBitmap = 2, kMetafilePict = 3, kPalette = 9, kEnhMetafile = 14;
constexpr std::uint32_t kOwnerDisplay = 0x80;
constexpr std::uint32_t kRegisteredFirst = 0xC000;
}  // namespace

ClipKind KindOfFormat(std::uint32_t format) {
    switch (format) {
        case kEnhMetafile:
            return ClipKind::kEnhMetafile;
        case kBitmap:  // rebuilt by the system from the DIB
        case kPalette:
        case kMetafilePict:  // rebuilt by the system from the enhanced metafile
            return ClipKind::kLeftOut;
    }
    if (format == 0) return ClipKind::kLeftOut;
    if (format < kOwnerDisplay) return ClipKind::kMemory;      // texts, DIBs, file lists, locale
    if (format >= kRegisteredFirst) return ClipKind::kMemory;  // HTML, RTF and the like
    // The rest: the owner's display formats, and private and GDI-object formats, which hold
    // handles the system cannot copy.
    return ClipKind::kLeftOut;
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

void ClipRestorer::Own(std::uint32_t seq) {
    if (pending_) ownSeq_ = seq;
}

ClipRestorer::Step ClipRestorer::Poll(std::uint32_t now, std::uint32_t seq, bool ours) {
    if (!pending_) return Step::kIdle;
    if (!ours || seq != ownSeq_) {
        // Someone else's content now: it stays, and the copy is of no use any more.
        pending_ = false;
        haveCopy_ = false;
        return Step::kIdle;
    }
    if (read_ ? now - readAt_ >= t_.settleMs : now - begun_ >= t_.limitMs) return Step::kRestore;
    return Step::kWait;
}

void ClipRestorer::Restored(std::uint32_t seq) {
    pending_ = false;
    copySeq_ = seq;
}

void ClipRestorer::Busy(std::uint32_t now) {
    if (now - begun_ >= t_.giveUpMs) pending_ = false;
}

}  // namespace yv::host
