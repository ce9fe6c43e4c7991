#include "watchdog.h"

namespace yv::host {

namespace {
// a later than b, on a clock that wraps every 49.7 days.
bool Later(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) > 0; }
}  // namespace

bool HookWatchdog::Due(std::uint32_t now, std::uint32_t lastInput, std::uint32_t lastSeen) {
    // Ticks compare only within half their range: a start long ago is moved up, so that weeks
    // without a reinstall never turn the comparisons around.
    if (now - since_ > kHorizonMs) since_ = now - kHorizonMs;
    const std::uint32_t seen = Later(lastSeen, since_) ? lastSeen : since_;
    if (!Later(lastInput, seen + kSlackMs)) return false;  // every input was heard of
    return !Later(lastInput + kGraceMs, now);              // unseen for the grace time
}

}  // namespace yv::host
