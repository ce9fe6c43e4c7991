// The low-level hook's watchdog. Windows removes a low-level hook that once took longer than
// its timeout (LowLevelHooksTimeout), and says nothing: the hook is simply called no more. The
// host's hooks never wait, so that should not happen; should it happen all the same, input
// that reaches the system while none of the host's low-level hooks hears of it shows it.
#pragma once

#include <cstdint>

namespace yv::host {

class HookWatchdog {
  public:
    // How long input may go unseen before the hook counts as dropped.
    static constexpr std::uint32_t kGraceMs = 1000;
    // Ticks apart that still count as the same moment (the clocks of input and hook calls).
    static constexpr std::uint32_t kSlackMs = 50;
    // How often the host looks.
    static constexpr std::uint32_t kCheckMs = 500;

    // `now`: the hooks were installed.
    explicit HookWatchdog(std::uint32_t now = 0) : since_(now) {}

    // Ticks as GetTickCount counts them (they wrap): `lastInput` from GetLastInputInfo,
    // `lastSeen` the last call of any of the host's low-level hooks. True: put the keyboard
    // hook back now.
    bool Due(std::uint32_t now, std::uint32_t lastInput, std::uint32_t lastSeen);
    // The hooks were put back (or installed) at `now`: input before it is no longer looked at.
    void Reinstalled(std::uint32_t now) { since_ = now; }

  private:
    static constexpr std::uint32_t kHorizonMs = 1u << 30;  // about 12 days
    std::uint32_t since_;
};

}  // namespace yv::host
