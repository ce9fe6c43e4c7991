// The rows with virtual-key numbers for windows that no library of ours can enter (a program of
// the other bitness, a packaged application): the low-level hook, which runs in the host and
// sees every key first, carries them out itself. It takes no message to the window and waits on
// nothing: texts go as Unicode keystrokes, one-key rows press their keys, and what a key-down
// holds is let go at its key-up.
#include "hooklib.h"

namespace yv {

namespace {

constexpr std::uint32_t kCodePage = 932;
// A Shift-JIS byte gives at most one unit, and a UTF-16 text holds at most kMaxText.
constexpr int kMaxUnits = kMaxText;

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

// The modifiers a text must not be typed under: in process a text goes to the window as
// characters, whatever the user holds; typed as keys under Alt it would fire menu mnemonics.
constexpr std::uint8_t kModifiers[] = {162, 163, 164, 165, 91, 92};  // L/R Ctrl, Alt, Win
// An unassigned key tapped while Alt or Win is down, so that their release opens no menu.
constexpr std::uint8_t kMaskKey = 0xE8;

// Bits of kModifiers that are down.
unsigned HeldModifiers() {
    unsigned held = 0;
    for (unsigned i = 0; i < sizeof kModifiers; ++i)
        if (plat::GetAsyncKeyState(kModifiers[i]) & 0x8000) held |= 1u << i;
    return held;
}

}  // namespace

void TypeUnicode(const char* text, unsigned heldModifiers) {
    if (!text || text[0] == '\0') return;
    int bytes = 0;
    while (bytes < kMaxText && text[bytes] != '\0') ++bytes;
    char16_t units[kMaxUnits];
    const int n = plat::MultiByteToWideChar(kCodePage, text, bytes, units, kMaxUnits);
    TypeUnits(units, n, heldModifiers);
}

void TypeUnits(const char16_t* units, int n, unsigned heldModifiers) {
    if (!units || n <= 0) return;
    if (n > kMaxUnits) n = kMaxUnits;
    // One call for the whole text, so no key of the user's comes between its characters: the
    // held modifiers let go, the text, the modifiers pressed again as they were.
    constexpr int kMods = sizeof kModifiers;
    plat::KeybdInput inputs[2 * kMaxUnits + 2 * kMods + 4];
    int at = 0;
    const bool masked = (heldModifiers & 0x3C) != 0;  // Alt or Win
    auto mask = [&] {
        inputs[at++] = {kMaskKey, 0, 0, kOwnInput};
        inputs[at++] = {kMaskKey, 0, win::KEYEVENTF_KEYUP, kOwnInput};
    };
    if (masked) mask();
    for (int m = 0; m < kMods; ++m)
        if (heldModifiers & (1u << m))
            inputs[at++] = {kModifiers[m], 0, win::KEYEVENTF_KEYUP, kOwnInput};
    for (int i = 0; i < n; ++i) {
        inputs[at++] = {0, units[i], win::KEYEVENTF_UNICODE, kOwnInput};
        inputs[at++] = {0, units[i], win::KEYEVENTF_UNICODE | win::KEYEVENTF_KEYUP, kOwnInput};
    }
    for (int m = kMods - 1; m >= 0; --m)
        if (heldModifiers & (1u << m)) inputs[at++] = {kModifiers[m], 0, 0, kOwnInput};
    if (masked) mask();
    plat::SendInput(static_cast<std::uint32_t>(at), inputs);
}

bool FallbackKeyDown(std::uint32_t vk, std::uint32_t scan, bool extended, std::uint32_t e) {
    // These rows act only while Japanese input is off; the message hook sees that from the
    // key itself (the input method turns it into VK_PROCESSKEY), this hook from the host.
    if (Peek(g_shared.frontImeOpen) != 0) return false;
    bool fired = false;
    // Asked once per key, and only when a text is typed in the messages' mode.
    bool modsKnown = g_shared.convMode != 1;
    unsigned mods = 0;
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
            if (!modsKnown) mods = HeldModifiers();
            modsKnown = true;
            char16_t wide[kTextSize];
            if (CopyRuleTextW(r, wide)) {
                int n = 0;
                while (wide[n] != u'\0') ++n;
                TypeUnits(wide, n, mods);
            } else {
                TypeUnicode(text, mods);
            }
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
