// Keeping the user's clipboard across paste rows. The shell thread copies the clipboard
// whenever another program changes it; a paste row puts its text there rendered on demand, so
// the host hears when the target reads it; shortly after that read (or after a time limit when
// no read comes) the copy goes back, unless someone else has put something on the clipboard in
// between. Sequence numbers are the clipboard's (GetClipboardSequenceNumber). No platform
// headers.
#pragma once

#include <cstdint>

namespace yv::host {

// How a clipboard format can be kept.
enum class ClipKind {
    kMemory,       // global memory, copied byte for byte
    kEnhMetafile,  // a metafile handle, kept as its bits and rebuilt from them
    kLeftOut,      // a handle of another kind, a private format or one the system rebuilds
};
ClipKind KindOfFormat(std::uint32_t format);

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
    // Another program's content could not be copied (nothing copyable, too large, held).
    void NotCopied();
    // A paste row replaced the content of sequence number `before` with its text (`after`).
    // False when there is nothing to put back: the replaced content was not copied.
    bool Begin(std::uint32_t now, std::uint32_t before, std::uint32_t after);
    // The text was rendered for a reader: the clipboard showed `before` and, once rendered,
    // `after`. Only the target's read (`byTarget`, see ReadByTarget) ends the wait early; a
    // clipboard manager that reads first changes nothing but the numbers.
    void Read(std::uint32_t now, std::uint32_t before, std::uint32_t after, bool byTarget = true);
    // A change made by the host itself, seen by the clipboard listener.
    void Own(std::uint32_t seq);
    // What to do at `now`, the clipboard showing `seq`; `ours` whether the host still owns the
    // clipboard. Content of anyone else ends the wait.
    Step Poll(std::uint32_t now, std::uint32_t seq, bool ours);
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
