// The rows with virtual-key numbers for windows that no library of ours can enter (a program of
// the other bitness, a packaged application): the low-level hook, which runs in the host and
// sees every key first, carries them out itself. It takes no message to the window and waits on
// nothing: texts go as Unicode keystrokes, one-key rows press their keys, and what a key-down
// holds is let go at its key-up.
#include "hooklib.h"

namespace yv {

namespace {

constexpr std::uint32_t kCodePage = 932;
constexpr std::uint16_t kMaxUnits = kMaxText;  // a Shift-JIS byte gives at most one unit

std::uint8_t* HeldList(std::uint32_t e) { return g_shared.fbHeld[e & 0xFF]; }

int HeldCount(std::uint32_t e) {
    const int n = Peek(g_shared.fbHeldCount[e & 0xFF]);
    return n < kHeldPerKey ? n : kHeldPerKey;
}

bool Hold(std::uint32_t e, std::uint8_t x) {
    std::uint8_t* held = HeldList(e);
    const int n = HeldCount(e);
    for (int i = 0; i < n; ++i)
        if (held[i] == x) return true;  // an auto-repeat presses it again
    if (n == kHeldPerKey) return false;
    held[n] = x;
    g_shared.fbHeldCount[e & 0xFF] = static_cast<std::uint8_t>(n + 1);
    return true;
}

bool IsRuleRowKey(std::int32_t key) {
    return key > 0 && key <= kScanKeyBase && key != static_cast<std::int32_t>(kVkNumLock);
}

}  // namespace

void TypeUnicode(const char* text) {
    if (!text || text[0] == '\0') return;
    int bytes = 0;
    while (bytes < kMaxText && text[bytes] != '\0') ++bytes;
    std::uint16_t units[kMaxUnits];
    int n = plat::MultiByteToWideChar(kCodePage, text, bytes, units, kMaxUnits);
    if (n <= 0) return;
    if (n > kMaxUnits) n = kMaxUnits;
    // One call for the whole text, so no key of the user's comes between its characters.
    plat::KeybdInput inputs[2 * kMaxUnits];
    for (int i = 0; i < n; ++i) {
        inputs[2 * i] = {0, units[i], win::KEYEVENTF_UNICODE, kOwnInput};
        inputs[2 * i + 1] = {0, units[i], win::KEYEVENTF_UNICODE | win::KEYEVENTF_KEYUP, kOwnInput};
    }
    plat::SendInput(static_cast<std::uint32_t>(2 * n), inputs);
}

bool FallbackKeyDown(std::uint32_t vk, std::uint32_t scan, bool extended, std::uint32_t e) {
    // These rows act only while Japanese input is off; the message hook sees that from the
    // key itself (the input method turns it into VK_PROCESSKEY), this hook from the host.
    if (Peek(g_shared.frontImeOpen) != 0) return false;
    bool fired = false;
    char text[kTextSize];
    for (int r = 1; r < kRows; ++r) {
        const std::int32_t key = g_shared.ruleKey[r];
        if (key == 0) break;
        if (!IsRuleRowKey(key) || !KeyCandidate(key, vk) || !SideMatches(key, vk, scan, extended))
            continue;
        CopyRuleText(r, text);
        if (const std::uint8_t x = OneKeyByte(text)) {
            SynthKey(x, 0, 0);
            if (!Hold(e, x)) SynthKey(x, 0, win::KEYEVENTF_KEYUP);  // nothing may stay down
        } else {
            TypeUnicode(text);
        }
        fired = true;
    }
    if (fired) g_shared.kbdHeld[e & 0xFF] = kKbdHeldByFallback;
    return fired;
}

void FallbackKeyUp(std::uint32_t e) {
    if (FallbackKeyConverted(e)) g_shared.kbdHeld[e & 0xFF] = 0;
    const int n = HeldCount(e);
    g_shared.fbHeldCount[e & 0xFF] = 0;
    for (int i = n - 1; i >= 0; --i) SynthKey(HeldList(e)[i], 0, win::KEYEVENTF_KEYUP);
}

void ReleaseHeldFallbackKeys() {
    for (std::uint32_t e = 0; e < 256; ++e) FallbackKeyUp(e);
}

}  // namespace yv
