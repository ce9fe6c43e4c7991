#include "front.h"

namespace yv::host {

FrontTracker::Action FrontTracker::Take(Window w) {
    front_ = w;
    checks_ = 0;
    return Action::kFollow;
}

FrontTracker::Action FrontTracker::Foreground(Window w) {
    // Reported again for the same window, it may have a new title by now: look again.
    return w ? Take(w) : Action::kNone;
}

FrontTracker::Action FrontTracker::Focus(Window root, Window foreground) {
    if (foreground && foreground != front_) return Take(foreground);
    // A focus move inside the window in front needs nothing.
    if (!root || root == foreground) return Action::kNone;
    checks_ = kChecks;
    return Action::kCheckLater;
}

FrontTracker::Action FrontTracker::Check(Window foreground) {
    if (checks_ <= 0) return Action::kStopChecking;
    if (foreground && foreground != front_) return Take(foreground);
    return --checks_ > 0 ? Action::kNone : Action::kStopChecking;
}

void TitleWatch::Seen(Window w, const std::string& title) {
    if (w != window_) quick_ = kQuickLooks;
    window_ = w;
    title_ = title;
}

bool TitleWatch::Look(Window foreground, const std::string& title) {
    if (window_ == 0) return false;
    if (foreground != window_) {
        window_ = 0;
        return false;
    }
    if (quick_ > 0) --quick_;
    if (title == title_) return false;
    title_ = title;
    return true;
}

}  // namespace yv::host
