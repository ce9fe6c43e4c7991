// Keeping the user's clipboard across paste rows. Nothing is copied while the user merely
// copies: when a paste row fires, the clipboard thread opens the clipboard, takes a snapshot of
// what it can put back (TakeSnapshot, which is the only time another program's delayed formats
// are rendered for the host), and puts the row's text there rendered on demand, so the host
// hears when the target reads it; shortly after that read (or after a time limit when no read
// comes) the snapshot goes back, unless someone else has put something on the clipboard in
// between. Sequence numbers are the clipboard's (GetClipboardSequenceNumber). No platform
// headers: the snapshot reaches the clipboard through ClipSource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace yv::host {

// How a clipboard format can be kept.
enum class ClipKind {
    kMemory,       // global memory, copied byte for byte
    kEnhMetafile,  // a metafile handle, kept as its bits and rebuilt from them
    kLeftOut,      // a handle of another kind, a private format, one the system rebuilds, or
                   // one whose meaning dies with its owner
};
// `name`: a registered format's name (GetClipboardFormatName), empty for the others.
ClipKind KindOfFormat(std::uint32_t format, std::string_view name = {});

// The open clipboard as a snapshot reads it; each call stands for the Windows call of its name.
// Handles are opaque numbers, 0 for none.
class ClipSource {
  public:
    virtual ~ClipSource() = default;
    virtual std::uint32_t EnumClipboardFormats(std::uint32_t after) = 0;
    // Empty for a format that is not registered (or whose name cannot be had).
    virtual std::string_view GetClipboardFormatName(std::uint32_t format) = 0;
    // For a delayed format, the owner renders it now.
    virtual std::uintptr_t GetClipboardData(std::uint32_t format) = 0;
    virtual std::size_t GlobalSize(std::uintptr_t memory) = 0;
    // The bytes of global memory (GlobalLock, copied, GlobalUnlock): `size` bytes into `out`;
    // false when it cannot be locked.
    virtual bool GlobalLock(std::uintptr_t memory, std::size_t size, unsigned char* out) = 0;
    // With `out` null: the size of the metafile's bits; else the bytes copied (at most `size`).
    virtual std::size_t GetEnhMetaFileBits(std::uintptr_t metafile, std::size_t size,
                                           unsigned char* out) = 0;
    virtual std::uint32_t GetTickCount() = 0;
};

struct ClipItem {
    std::uint32_t format = 0;
    ClipKind kind = ClipKind::kMemory;
    std::vector<unsigned char> bytes;
};

struct ClipSnapshot {
    enum class Result {
        kTaken,     // items hold everything that can be kept
        kNothing,   // nothing that can be kept (the clipboard is empty or all left out)
        kTooLarge,  // above the total limit: nothing is kept
        kLate,      // the time ran out (a slow render): the paste is given up
    } result = Result::kNothing;
    std::vector<ClipItem> items;
    int leftOut = 0;
    std::size_t bytes = 0;
};

struct ClipLimits {
    std::size_t maxBytes = 64u << 20;  // larger contents are not kept
    std::uint32_t maxMs = 200;         // the snapshot's share of the time a paste may take
};

// With the clipboard open: a copy of every format that can be kept. A size is looked at
// (GlobalSize, the metafile's bits) before its bytes are copied, and nothing is asked of a
// format left out, so a delayed one is never rendered for nothing.
ClipSnapshot TakeSnapshot(ClipSource& clip, const ClipLimits& limits = {});

struct ClipTiming {
    std::uint32_t settleMs = 100;   // after the read: the target copies the data and closes
    std::uint32_t limitMs = 2000;   // no read by then: the target did not paste
    std::uint32_t giveUpMs = 5000;  // the clipboard stayed held: the copy is not put back
};

// Whether a render is the target's read: the clipboard is open by a window of the process
// whose window is in front (`openerProcess` 0: opened without a window, nobody to tell).
inline bool ReadByTarget(std::uint32_t openerProcess, std::uint32_t foregroundProcess) {
    return openerProcess != 0 && openerProcess == foregroundProcess;
}

class ClipRestorer {
  public:
    enum class Step {
        kIdle,     // no paste waits
        kWait,     // look again shortly
        kRestore,  // put the copy back now (with the clipboard open, Poll again first)
    };

    explicit ClipRestorer(ClipTiming t = {}) : t_(t) {}

    // The user's content, copied while the clipboard showed sequence number `seq`.
    void Copied(std::uint32_t seq);
    // The content could not be copied (nothing copyable, too large).
    void NotCopied();
    // A paste row replaced the content of sequence number `before` with its text (`after`).
    // False when there is nothing to put back: the replaced content was not copied.
    bool Begin(std::uint32_t now, std::uint32_t before, std::uint32_t after);
    // The text was rendered for a reader: the clipboard showed `before` and, once rendered,
    // `after`. Only the target's read (`byTarget`, see ReadByTarget) ends the wait early; a
    // clipboard manager that reads first changes nothing but the numbers.
    void Read(std::uint32_t now, std::uint32_t before, std::uint32_t after, bool byTarget = true);
    // What to do at `now`, the clipboard showing `seq`; `ours` whether the host still owns the
    // clipboard. Content of anyone else ends the wait.
    Step Poll(std::uint32_t now, std::uint32_t seq, bool ours);
    // The wait cut short (the host ends, or the paste was given up after its text went up):
    // kRestore while the text is still there, whatever the time; otherwise the wait ends.
    Step Now(std::uint32_t seq, bool ours);
    // The copy is back; the clipboard now shows `seq`.
    void Restored(std::uint32_t seq);
    // The clipboard could not be opened for the restore at `now`: try again, within a limit.
    void Busy(std::uint32_t now);

    bool waiting() const { return pending_; }
    bool readSeen() const { return read_; }

  private:
    ClipTiming t_;
    bool haveCopy_ = false;
    std::uint32_t copySeq_ = 0;  // the clipboard shows the copied content at this number
    bool pending_ = false;
    bool read_ = false;
    std::uint32_t ownSeq_ = 0;
    std::uint32_t begun_ = 0;
    std::uint32_t readAt_ = 0;
};

}  // namespace yv::host
