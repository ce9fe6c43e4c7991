// Which window is in front, judged from the system's window events. Windows are opaque
// numbers here; the Windows layer looks at the window that this says to follow.
#pragma once

#include <cstdint>
#include <string>

namespace yv::host {

class FrontTracker {
  public:
    using Window = std::uintptr_t;
    enum class Action {
        kNone,
        kFollow,      // front() came to the front: choose its profile
        kCheckLater,  // look at the foreground again in a moment (Check)
        kStopChecking,
    };
    // How many times Check looks before it gives up.
    static constexpr int kChecks = 20;

    explicit FrontTracker(Window front = 0) : front_(front) {}

    // The system reports `w` as the new foreground window.
    Action Foreground(Window w);
    // The focus went into the top-level window `root` while `foreground` is in front. Some
    // systems report only focus changes, and may move the focus into a new window before it
    // becomes the foreground.
    Action Focus(Window root, Window foreground);
    // A later look at the foreground after kCheckLater.
    Action Check(Window foreground);

    Window front() const { return front_; }

  private:
    Action Take(Window w);

    Window front_;
    int checks_ = 0;
};

// Some programs name their window only after it came to the front, and not every system reports
// title changes: the title of the window in front is read again now and then, often at first.
class TitleWatch {
  public:
    using Window = FrontTracker::Window;
    static constexpr int kQuickLooks = 12;
    static constexpr unsigned kQuickMs = 100, kSlowMs = 500;

    // `w` came to the front with `title`, or its title was seen to be `title`.
    void Seen(Window w, const std::string& title);
    // A later look: true when the window in front is still the one watched and its title is no
    // longer the one seen (follow it). Another window in front ends the watch.
    bool Look(Window foreground, const std::string& title);
    bool watching() const { return window_ != 0; }
    // When to look next.
    unsigned intervalMs() const { return quick_ > 0 ? kQuickMs : kSlowMs; }

  private:
    Window window_ = 0;
    std::string title_;
    int quick_ = 0;
};

}  // namespace yv::host
