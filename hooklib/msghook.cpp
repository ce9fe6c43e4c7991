// The message hook: converts key messages by the rows with virtual-key numbers, keeps NumLock
// on, filters a few system keys and, in key-learning mode, records key data for the editor.
#include "hooklib.h"

namespace yv {

namespace {

constexpr std::uint32_t kVkCapital = 20;
constexpr std::uint32_t kVkSpace = 32;
constexpr std::uint32_t kVkLWin = 91;
constexpr std::uint32_t kVkRWin = 92;
constexpr std::uint32_t kVkApps = 93;
constexpr std::uint32_t kVkF10 = 121;
constexpr std::uint32_t kVkProcessKey = 229;
constexpr std::uint32_t kScanNumLock = 0x45;
constexpr std::uint32_t kScanOwnNumLock = 0x44;
constexpr std::uint32_t kScanRShift = 0x36;
constexpr std::uint32_t kNoKey = 0x100;  // stands for a wParam that is no virtual-key code

// The only messages that lead to any work: the four key messages, WM_SYSCOMMAND and
// WM_CONTEXTMENU. Everything else (WM_TIMER included) is passed on at once.
inline bool WorthALook(std::uint32_t m) {
    return m - win::WM_KEYDOWN <= win::WM_SYSKEYUP - win::WM_KEYDOWN || m == win::WM_SYSCOMMAND ||
           m == win::WM_CONTEXTMENU;
}

inline bool IsRuleRowKey(std::int32_t key) {
    return static_cast<std::uint32_t>(key) <= static_cast<std::uint32_t>(kScanKeyBase) &&
           key != static_cast<std::int32_t>(kVkNumLock);
}

int ClampedRuleCount() {
    const std::int32_t n = Peek(g_shared.ruleCount);
    return n < 0 ? 0 : n > kMaxRules ? kMaxRules : n;
}

// The NumLock hold taps NumLock back on at most once in this time. Where the system puts NumLock
// back off by itself (Wine brings it in line with the X server's at each key, pressing NumLock
// itself), a press that finds it off so soon after a tap is that, not the user: it is left off
// rather than tapped again at every key.
constexpr std::uint32_t kNumLockTapGapMs = 1000;

void KeepNumLockOn() {
    if (g_shared.numLockHold != 1 || (plat::GetKeyState(kVkNumLock) & 1)) return;
    const std::uint32_t now = plat::GetTickCount();
    if (g_shared.numLockTapped && now - g_shared.numLockTapTick < kNumLockTapGapMs) return;
    g_shared.numLockTapTick = now;
    g_shared.numLockTapped = 1;
    SynthKey(kVkNumLock, kScanOwnNumLock, win::KEYEVENTF_KEYUP);
    SynthKey(kVkNumLock, kScanOwnNumLock, 0);
}

// NumLock rows: a one-key text taps its key, any other text is typed.
void RunNumLockRows(Hwnd w) {
    char text[kTextSize];
    for (int r = 1; r < kRows; ++r) {
        const std::int32_t key = g_shared.ruleKey[r];
        if (key == 0) break;
        if (key != static_cast<std::int32_t>(kVkNumLock)) continue;
        CopyRuleText(r, text);
        if (const std::uint8_t x = OneKeyByte(text))
            TapKey(x);
        else
            TypeRow(w, r, text);
    }
}

int HeldCount(std::uint32_t e) {
    const int n = Peek(g_shared.msgHeldCount[e]);
    return n < kHeldPerKey ? n : kHeldPerKey;
}

// Remembers that the key of scan index e holds x down; false when its list is full.
bool Hold(std::uint32_t e, std::uint8_t x) {
    std::uint8_t* held = g_shared.msgHeld[e];
    const int n = HeldCount(e);
    for (int i = 0; i < n; ++i)
        if (held[i] == x) return true;  // an auto-repeat presses it again
    if (n == kHeldPerKey) return false;
    held[n] = x;
    g_shared.msgHeldCount[e] = static_cast<std::uint8_t>(n + 1);
    return true;
}

// Releases what the key of scan index e holds, the last pressed first. Returns whether it held
// anything.
bool ReleaseOneKeys(std::uint32_t e) {
    const int n = HeldCount(e);
    if (n == 0) return false;
    g_shared.msgHeldCount[e] = 0;
    for (int i = n - 1; i >= 0; --i) SynthKey(g_shared.msgHeld[e][i], 0, win::KEYEVENTF_KEYUP);
    return true;
}

// Key-down: every matching row fires, in row order. Returns whether any did. One-key targets
// stay held for the key of scan index e until its key-up.
bool FireKeyDown(Hwnd w, std::uint32_t vk, std::uint32_t scan, bool extended, std::uint32_t e) {
    bool fired = false;
    char text[kTextSize];
    for (int r = 1; r < kRows; ++r) {
        const std::int32_t key = g_shared.ruleKey[r];
        if (key == 0) break;
        if (!IsRuleRowKey(key) || !KeyCandidate(key, vk)) continue;
        // The Hankaku/Zenkaku and Convert rows act only while Japanese input is off.
        if (vk == kVkProcessKey && ImeIsOpen(w) != 0) continue;
        if (!KeySideMatches(key, vk, scan, extended)) continue;

        CopyRuleText(r, text);
        if (const std::uint8_t x = OneKeyByte(text)) {
            if (x == kVkCapital) {
                TapKey(x);
            } else if (vk == kVkMenu) {
                // With Alt held, a synthesized key would reach the window as a system key.
                plat::PostMessageA(w, win::WM_KEYDOWN, x, 1);
            } else {
                SynthKey(x, 0, 0);
            }
            if (!Hold(e, x)) SynthKey(x, 0, win::KEYEVENTF_KEYUP);  // nothing may stay down
            if (x == kVkLWin || x == kVkRWin)
                plat::PostMessageA(w, win::WM_SYSCOMMAND, win::SC_TASKLIST, 1);
            else if (x == kVkApps)
                plat::PostMessageA(w, win::WM_CONTEXTMENU, 1, -1);
        } else {
            TypeRow(w, r, text);
        }
        fired = true;
    }
    return fired;
}

// Key-up: rows from the last one down to row 0 (the On/Off key). Returns whether any row
// matched. One-key targets pressed at the key-down are released apart (ReleaseOneKeys).
bool FireKeyUp(Hwnd w, std::uint32_t vk, std::uint32_t scan, bool extended) {
    bool fired = false;
    char text[kTextSize];
    for (int r = ClampedRuleCount(); r >= 0; --r) {
        const std::int32_t key = g_shared.ruleKey[r];
        if (key == 0 || !IsRuleRowKey(key) || !KeyMatches(key, vk, scan, extended)) continue;
        // PrintScreen sends no key-down message, so its rows act on the key-up.
        if (vk == kVkSnapshot) {
            CopyRuleText(r, text);
            if (const std::uint8_t x = OneKeyByte(text))
                TapKey(x);
            else
                TypeRow(w, r, text);
        }
        fired = true;
    }
    return fired;
}

}  // namespace

bool ReleaseMessageHookTargets(std::uint32_t e) { return ReleaseOneKeys(e & 0xFF); }

void ReleaseHeldOneKeys() {
    for (std::uint32_t e = 0; e < 256; ++e) ReleaseOneKeys(e);
}

LResult MessageHookProc(int code, WParam wParam, LParam lParam) {
    auto* msg = reinterpret_cast<Msg*>(lParam);
    if (code < 0 || wParam != win::PM_REMOVE || !msg || !WorthALook(msg->message))
        return plat::CallNextHookEx(g_shared.hookMsg, code, wParam, lParam);

    // A message of a window of another process reaches us only as the system's call in the
    // installer's context for a program of the other bitness: that program is served where it
    // runs, or by the host's low-level hook.
    if (msg->hwnd && !InThisProcess(msg->hwnd))
        return plat::CallNextHookEx(g_shared.hookMsg, code, wParam, lParam);

    const std::uint32_t m = msg->message;
    const bool keyDown = m == win::WM_KEYDOWN || m == win::WM_SYSKEYDOWN;
    const bool keyUp = m == win::WM_KEYUP || m == win::WM_SYSKEYUP;
    const bool keyMsg = keyDown || keyUp;
    // The library's own keystrokes go on unconverted. While the editor learns keys, their
    // key-downs (a NumLock correction, a held remap's repeat) are kept from it, so that nothing
    // the library pressed is taken for the user's key.
    if (keyMsg && plat::GetMessageExtraInfo() == kOwnInput) {
        if (keyDown && g_shared.convMode == 2) {
            msg->message = win::WM_NULL;
            msg->wParam = 0;
        }
        return plat::CallNextHookEx(g_shared.hookMsg, code, wParam, lParam);
    }
    const std::uint32_t vk =
        keyMsg && msg->wParam <= 0xFF ? static_cast<std::uint32_t>(msg->wParam) : kNoKey;
    const std::uint32_t hi = static_cast<std::uint32_t>(msg->lParam) >> 16;
    const std::uint32_t scan = hi & 0xFF;
    const bool extended = (hi & 0x100) != 0;
    const std::uint8_t mode = g_shared.convMode;
    const Hwnd w = msg->hwnd;
    bool neutralize = false;

    if (mode == 2) {
        // A NumLock press with scan code 0x44 is the hold's own tap, even when its mark was lost
        // on the way (as under Wine): it is kept from the editor and never learnt.
        if (keyDown && vk == kVkNumLock && scan == kScanOwnNumLock) {
            msg->message = win::WM_NULL;
            msg->wParam = 0;
            return plat::CallNextHookEx(g_shared.hookMsg, code, wParam, lParam);
        }
        if (keyDown && vk != 0 && vk != kNoKey && scan != 0) g_shared.keyflg[vk] = hi;
    } else if (keyDown && vk == kVkNumLock && scan == kScanNumLock) {
        // The library's own NumLock presses carry scan code 0x44 and so never come here.
        KeepNumLockOn();
        if (mode == 1 || mode == 3) RunNumLockRows(w);
        return 1;  // the NumLock message itself goes on to the window
    }

    // Conversion. Keystrokes with scan code 0 are synthesized and never converted. A key whose
    // key-down pressed one-key targets releases them at its key-up in every mode, and its
    // repeats stay away from the window while conversion is off.
    if (keyMsg && scan != 0 && vk != kNoKey) {
        const bool on = mode == 1 || mode == 3;
        const std::uint32_t e = (extended ? scan + 128 : scan) & 0xFF;
        if (keyDown && !on) {
            if (HeldCount(e) != 0) neutralize = true;
        } else if (keyDown) {
            if (FireKeyDown(w, vk, scan, extended, e)) {
                neutralize = true;
            } else if (vk == kVkShift) {
                if (scan == kScanLShift) g_shared.shiftLatch |= kShiftLeft;
                if (scan == kScanRShift) g_shared.shiftLatch |= kShiftRight;
            }
        } else {
            const bool fired = on && FireKeyUp(w, vk, scan, extended);
            if (ReleaseOneKeys(e) || fired) {
                neutralize = true;
            } else if (on && vk == kVkShift) {
                if (scan == kScanLShift) g_shared.shiftLatch &= ~kShiftLeft;
                if (scan == kScanRShift) g_shared.shiftLatch &= ~kShiftRight;
                // A remapped key still holds Shift: keep it down for the application.
                if (g_shared.shiftLatch & kShiftHeldByRemap) {
                    neutralize = true;
                    plat::GetKeyboardState(g_process.keyState);
                    g_process.keyState[kVkShift] |= 0x80;
                    plat::SetKeyboardState(g_process.keyState);
                }
            }
        }
        // What this key's rows synthesized is queued by now: keys held behind it may follow.
        GateSeen(e, vk, keyUp);
    }

    // System keys that would open menus, in every mode; the library's own requests (lParam 1,
    // wParam 1) go through.
    if (m == win::WM_SYSCOMMAND) {
        if (msg->wParam == win::SC_TASKLIST && (msg->lParam & 0xFFFF) == 0) neutralize = true;
    } else if (m == win::WM_CONTEXTMENU) {
        if (msg->wParam != 1 && ((msg->lParam >> 16) & 0xFFFF) == 0xFFFF) neutralize = true;
    } else if (keyDown) {
        if (m == win::WM_SYSKEYDOWN && vk == kVkSpace) neutralize = true;
        if (vk == kVkF10 && (plat::GetAsyncKeyState(kVkShift) & 0x8000)) neutralize = true;
    }

    // Key learning: hand the editor the keys the system would otherwise keep to itself.
    if (mode == 2 && keyDown) {
        if (m == win::WM_SYSKEYDOWN && vk == kVkSpace) {
            neutralize = true;
        } else if (vk == kVkF10 || (m == win::WM_SYSKEYDOWN && vk == kVkMenu)) {
            plat::SendMessageA(w, win::WM_KEYDOWN, vk, msg->lParam);
            neutralize = true;
        } else if (m == win::WM_KEYDOWN && vk == kVkProcessKey && ImeIsOpen(w) == 0) {
            plat::SendMessageA(w, win::WM_KEYDOWN, vk, msg->lParam);
            neutralize = true;
        }
    }

    if (neutralize) {
        msg->message = win::WM_NULL;
        msg->wParam = 0;
    }
    return plat::CallNextHookEx(g_shared.hookMsg, code, wParam, lParam);
}

}  // namespace yv
