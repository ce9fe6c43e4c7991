// The keyboard hook, in its two forms: the On/Off key, remapped keys and paste rows. It sees
// each key before the IME does, so its rows work with Japanese input on as well.
#include "hooklib.h"

namespace yv {

namespace {

constexpr std::int32_t kScanPrintScreen = 55;
constexpr std::int32_t kScanLWin = 91;
constexpr std::int32_t kScanApps = 93;
// Real keys have scan codes below 128; anything above would give a scan index past scanMap.
constexpr std::uint32_t kMaxScan = 127;

struct KeyEvent {
    std::uint32_t vk;
    std::uint32_t scan;
    bool extended;
    bool up;
    bool lowLevel;  // seen by the low-level hook, on the host's thread
};

constexpr LResult kSwallow = 1;

// 半角/全角 (both states), 変換, 無変換, カタカナ/ひらがな, 英数, and the kanji key.
bool IsImeKey(std::uint32_t vk) {
    return vk == 0xF3 || vk == 0xF4 || vk == 0x1C || vk == 0x1D || vk == 0xF2 || vk == 0xF0 ||
           vk == 0x19;
}

bool IsWindowsOrApps(std::int32_t v) { return v >= kScanLWin && v <= kScanApps; }

// The low-level hook names the sides of Shift, Ctrl and Alt; the rows name the keys as key
// messages do, with the side in the scan code.
std::uint32_t GenericVk(std::uint32_t vk) {
    if (vk >= 160 && vk <= 165) return kVkShift + (vk - 160) / 2;
    return vk;
}

LResult PassOn(int code, WParam wParam, LParam lParam) {
    return plat::CallNextHookEx(g_shared.hookKbd, code, wParam, lParam);
}

// The On/Off key flips conversion between off and on (modes 1 and 3 both go off) and tells the
// host. Returns whether the event was the On/Off key.
bool ToggleOnOff(const KeyEvent& ev) {
    const std::int32_t key = g_shared.ruleKey[0];
    if (key == 0 || key == static_cast<std::int32_t>(kVkNumLock)) return false;
    if (!KeyMatches(key, ev.vk, ev.scan, ev.extended)) return false;
    const std::uint8_t mode = g_shared.convMode == 0 ? 1 : 0;
    g_shared.convMode = mode;
    // The low-level hook must not wait for the host's window, which lives on another thread:
    // the host reads the mode from the library when the notice arrives.
    if (ev.lowLevel)
        plat::PostMessageA(g_shared.hostWnd, win::WM_RBUTTONDOWN, 0, NOTIFY_OFF + mode);
    else
        plat::SendMessageA(g_shared.hostWnd, win::WM_RBUTTONDOWN, 0, NOTIFY_OFF + mode);
    return true;
}

// Target virtual key of scanMap value v; 0 for a paste row or a scan code without a key.
std::uint32_t TargetOf(std::int32_t v) {
    if (v > kScanKeyBase) return 0;
    if (v == kScanPrintScreen) return kVkSnapshot;
    if (IsWindowsOrApps(v)) return static_cast<std::uint32_t>(v);
    return plat::MapVirtualKeyA(static_cast<std::uint32_t>(v), win::MAPVK_VSC_TO_VK);
}

// kbdHeld entries: what a key-down did, so its repeats and its key-up do the same.
constexpr std::int32_t kKbdHeld = 1 << 24;
constexpr std::int32_t HeldEntry(std::int32_t v, std::uint32_t t) {
    return kKbdHeld | static_cast<std::int32_t>((t & 0xFF) << 16) | (v & 0xFFFF);
}
constexpr std::int32_t HeldValue(std::int32_t held) { return held & 0xFFFF; }
constexpr std::uint32_t HeldTarget(std::int32_t held) {
    return static_cast<std::uint32_t>(held >> 16) & 0xFF;
}

// Presses target t of scanMap value v, or pastes when there is none.
void KeyDown(std::uint32_t sourceVk, std::int32_t v, std::uint32_t t, bool lowLevel) {
    ClearKeyState(sourceVk);  // the source key no longer counts as held

    if (t == 0) {
        const std::int32_t row = v - kScanKeyBase;
        if (v > kScanKeyBase && row <= kMaxRules) {
            char text[kTextSize];
            char16_t wide[kTextSize];
            CopyRuleText(row, text);
            const bool inForce = CopyRuleTextW(row, wide);
            if (text[0] != '\0')
                PasteText(g_shared.hostWnd, text, lowLevel, inForce ? wide : nullptr);
        }
        return;
    }
    if (t == kVkShift) {
        // The chosen Shift key's scan code goes along, so the application sees which one.
        g_shared.shiftLatch |= (v == kScanLShift ? kShiftLeft : kShiftRight) | kShiftHeldByRemap;
        SynthKey(kVkShift, static_cast<std::uint8_t>(v), 0);
        return;
    }
    SynthKey(static_cast<std::uint8_t>(t), 0, 0);
    if (t == 91 || t == 92)
        plat::PostMessageA(g_shared.desktopWnd, win::WM_SYSCOMMAND, win::SC_TASKLIST, 1);
    else if (t == 93)
        plat::PostMessageA(g_shared.desktopWnd, win::WM_CONTEXTMENU, 1, -1);
}

// Releases what a key-down recorded as `held` pressed.
void KeyUp(std::int32_t held) {
    const std::uint32_t t = HeldTarget(held);
    const std::int32_t v = HeldValue(held);
    if (t == 0) return;  // pasted on key-down, or nothing pressed
    if (t == kVkMenu) {
        // A lone Alt release would open the window's menu; a further press cancels that.
        SynthKey(kVkMenu, 0, 0);
        SynthKey(kVkMenu, 0, win::KEYEVENTF_KEYUP);
        return;
    }
    if (t == kVkShift) {
        g_shared.shiftLatch &= ~((v == kScanLShift ? kShiftLeft : kShiftRight) | kShiftHeldByRemap);
        // While the other Shift key is still down, the synthesized Shift stays down.
        if (g_shared.shiftLatch == 0)
            SynthKey(kVkShift, static_cast<std::uint8_t>(v), win::KEYEVENTF_KEYUP);
        return;
    }
    SynthKey(static_cast<std::uint8_t>(t), 0, win::KEYEVENTF_KEYUP);
}

LResult KeyboardHook(int code, WParam wParam, LParam lParam, const KeyEvent& ev) {
    if (ev.scan > kMaxScan || ev.scan == 0) return PassOn(code, wParam, lParam);
    const std::uint32_t e = ev.extended ? ev.scan + 128 : ev.scan;

    // A key converted at its key-down stays so until its key-up: its repeats and its release
    // do what the first key-down did, whatever the mode and the rules are by now.
    std::int32_t& heldSlot = g_shared.kbdHeld[e];
    if (const std::int32_t held = Peek(heldSlot)) {
        if (held == kKbdHeldByFallback) {
            // The fallback's key: wherever the front has moved, so that no message hook
            // presses anything this key-up would not release.
            if (ev.up) {
                FallbackKeyUp(e);
            } else if (Peek(g_shared.frontService) == kFrontFallback &&
                       (g_shared.convMode == 1 || g_shared.convMode == 3)) {
                FallbackKeyDown(GenericVk(ev.vk), ev.scan, ev.extended, e);
            }
        } else if (ev.up) {
            heldSlot = 0;
            KeyUp(held);
        } else {
            KeyDown(ev.vk, HeldValue(held), HeldTarget(held), ev.lowLevel);
        }
        return kSwallow;
    }
    if (ev.up) {
        // A key whose key-down a message hook converted, released over a window that that
        // message hook does not see: its targets are let go here, or by the companion.
        const std::uint8_t front = Peek(g_shared.frontService);
        if (front != kFrontCompanion) {
            if (const Hwnd peer = Peek(g_shared.peerWnd))
                plat::PostMessageA(peer, kPeerKeyUp, e, 0);
        }
        if (front != kFrontInProcess && ReleaseMessageHookTargets(e)) return kSwallow;
        // Its targets' release will join the queue: what follows waits for it. (The
        // companion's library holds its targets where this hook cannot see: a key with
        // one-key rows may have some.)
        if (ev.lowLevel && ((front == kFrontInProcess && Peek(g_shared.msgHeldCount[e]) != 0) ||
                            (front == kFrontCompanion &&
                             (Peek(g_shared.gateVk[GenericVk(ev.vk) & 0xFF]) & kGateOneKey))))
            GateClose(e, true);
        return PassOn(code, wParam, lParam);
    }

    if (g_shared.convMode != 2 && ToggleOnOff(ev)) return kSwallow;

    const std::uint8_t mode = g_shared.convMode;
    if (mode != 1 && mode != 3) return PassOn(code, wParam, lParam);

    const std::int32_t v = Peek(g_shared.scanMap[e]);
    const std::uint8_t front = Peek(g_shared.frontService);
    // The host keeps the input method's state of a window this hook serves: it asks again now.
    if (front == kFrontFallback && ev.lowLevel && IsImeKey(ev.vk))
        plat::PostMessageA(g_shared.hostWnd, win::WM_RBUTTONDOWN, 0, NOTIFY_IMEKEY);
    if (v == 0) {
        if (front == kFrontFallback && FallbackKeyDown(GenericVk(ev.vk), ev.scan, ev.extended, e))
            return kSwallow;
        // A row the message hook will carry out with synthesized keys: the keys that follow
        // wait for it. (PrintScreen's rows act on its key-up, which no key-down message
        // precedes.)
        if ((front == kFrontInProcess || front == kFrontCompanion) && ev.lowLevel &&
            ev.vk != kVkSnapshot) {
            const std::uint8_t rows = Peek(g_shared.gateVk[GenericVk(ev.vk) & 0xFF]);
            if ((rows & kGateOneKey) || ((rows & kGateAnyRow) && mode == 3)) GateClose(e);
        }
        return PassOn(code, wParam, lParam);
    }
    // Nothing is pressed into a window our input cannot reach, nor swallowed from it.
    if (front == kFrontUnreachable) return PassOn(code, wParam, lParam);
    const std::uint32_t t = TargetOf(v);
    heldSlot = HeldEntry(v, t);
    KeyDown(ev.vk, v, t, ev.lowLevel);
    return kSwallow;
}

}  // namespace

void ReleaseHeldRemaps() {
    for (std::int32_t& slot : g_shared.kbdHeld) {
        const std::int32_t held = Peek(slot);
        if (held == kKbdHeldByFallback) continue;  // ReleaseHeldFallbackKeys' business
        slot = 0;
        if (held != 0) KeyUp(held);
    }
}

LResult KbdHookProc(int code, WParam wParam, LParam lParam) {
    if (code < 0 || plat::GetMessageExtraInfo() == kOwnInput) return PassOn(code, wParam, lParam);
    const auto bits = static_cast<std::uint32_t>(lParam);
    const KeyEvent ev{static_cast<std::uint32_t>(wParam), (bits >> 16) & 0xFF,
                      ((bits >> 24) & 1) != 0, ((bits >> 31) & 1) != 0, false};
    return KeyboardHook(code, wParam, lParam, ev);
}

LResult KbdLLHookProc(int code, WParam wParam, LParam lParam) {
    const auto* rec = reinterpret_cast<const KbdLLEvent*>(lParam);
    // The host's watchdog compares this with the system's last input (the same clock, the
    // event's own time stamp): a hook the system dropped is called no more.
    if (rec) g_process.kbdSeenTick = rec->time;
    if (code < 0 || !rec || rec->dwExtraInfo == static_cast<std::uintptr_t>(kOwnInput))
        return PassOn(code, wParam, lParam);
    // Behind a key the message hook has yet to take, keys wait their turn (held keys typed
    // again come back here, to their place, and then go on as the user's).
    if (GateHold(rec->vkCode, rec->scanCode, rec->flags,
                 rec->dwExtraInfo == static_cast<std::uintptr_t>(kReplayInput)))
        return kSwallow;
    const KeyEvent ev{rec->vkCode, rec->scanCode, (rec->flags & win::LLKHF_EXTENDED) != 0,
                      (rec->flags & win::LLKHF_UP) != 0, true};
    return KeyboardHook(code, wParam, lParam, ev);
}

}  // namespace yv
