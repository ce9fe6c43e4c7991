// The key order gate. A row that the message hook carries out with synthesized keys queues them
// behind whatever the user typed before the application took the key; so the low-level hook,
// which sees every key first and in order, holds the keys that follow such a key until the
// message hook has taken it, and then types them again, in order. It never waits: held keys go
// on at the next key event or the host's next look (PollGate), whichever comes first.
#include "hooklib.h"

namespace yv {

namespace {

// The held keys typed again, the one at hand last; the gate is open afterwards.
void Release() {
    ProcessState& p = g_process;
    plat::KeybdInput inputs[kGateHeld];
    int n = p.gateHeldCount < kGateHeld ? p.gateHeldCount : kGateHeld;
    for (int i = 0; i < n; ++i) {
        const auto& h = p.gateHeld[i];
        std::uint32_t flags = 0;
        if (h.flags & win::LLKHF_EXTENDED) flags |= win::KEYEVENTF_EXTENDEDKEY;
        if (h.flags & win::LLKHF_UP) flags |= win::KEYEVENTF_KEYUP;
        inputs[i] = {h.vk, h.scan, flags, kReplayInput};
    }
    p.gateHeldCount = 0;
    p.gateClosed = false;
    g_shared.gateKey = 0;
    if (n > 0) plat::SendInput(static_cast<std::uint32_t>(n), inputs);
}

bool Done() {
    return Peek(g_shared.gateDone) == Peek(g_shared.gateSeq) ||
           plat::GetTickCount() - g_process.gateSince >= kGateMs;
}

}  // namespace

void MarkGateKeys() {
    std::uint8_t marks[256] = {};
    for (int r = 1; r < kRows; ++r) {
        const std::int32_t key = g_shared.ruleKey[r];
        if (key <= 0 || key > 255) continue;
        char text[kTextSize];
        CopyRuleText(r, text);
        const std::uint8_t mark = kGateAnyRow | (OneKeyByte(text) ? kGateOneKey : 0);
        // The hooks look keys up by the message's virtual key, the sides folded.
        marks[key] |= mark;
        if (key >= 160 && key <= 165) marks[kVkShift + (key - 160) / 2] |= mark;
        if (key == 141) marks[13] |= mark;  // the keypad's Enter
    }
    for (int vk = 0; vk < 256; ++vk) g_shared.gateVk[vk] = marks[vk];
}

bool GateHold(std::uint32_t vk, std::uint32_t scan, std::uint32_t flags) {
    ProcessState& p = g_process;
    if (!p.gateClosed) return false;
    // Bounded whatever the count holds: the last slot is written only through a count below it.
    if (p.gateHeldCount < 0 || p.gateHeldCount >= kGateHeld) p.gateHeldCount = 0;
    p.gateHeld[p.gateHeldCount++] = {static_cast<std::uint16_t>(vk & 0xFF),
                                     static_cast<std::uint16_t>(scan & 0xFFFF),
                                     flags & (win::LLKHF_EXTENDED | win::LLKHF_UP)};
    // Full, or the key is through: everything goes on now, this key with it.
    if (p.gateHeldCount == kGateHeld || Done()) Release();
    return true;
}

void GateClose(std::uint32_t e, bool up) {
    ProcessState& p = g_process;
    if (p.gateClosed || !p.gateOn) return;
    p.gateClosed = true;
    p.gateSince = plat::GetTickCount();
    g_shared.gateThread = plat::GetCurrentThreadId();
    g_shared.gateSeq = Peek(g_shared.gateSeq) + 1;
    // The key-down and the key-up of one key are told apart: a late word of the one must not
    // open the wait for the other.
    g_shared.gateKey = ((e > 0xFF ? kGateForHost : e) + 1) | (up ? kGateUp : 0);
    // The host's loop looks at the gate once this hook call is over.
    plat::PostThreadMessageA(g_shared.gateThread, win::WM_NULL, 0, 0);
}

void GateSeen(std::uint32_t e, std::uint32_t vk, bool up) {
    // The companion's library keeps no gate: the host's low-level hook holds the keys, and the
    // host hears of each key with rows this message hook has taken.
    if (g_shared.peer) {
        if (vk <= 0xFF && Peek(g_shared.gateVk[vk]) != 0)
            plat::PostMessageA(g_shared.hostWnd, win::WM_RBUTTONDOWN,
                               (e & 0xFF) | (up ? kGateUp : 0), NOTIFY_GATESEEN);
        return;
    }
    if (Peek(g_shared.gateKey) != (((e & 0xFF) + 1) | (up ? kGateUp : 0))) return;
    g_shared.gateDone = Peek(g_shared.gateSeq);
    plat::PostThreadMessageA(Peek(g_shared.gateThread), win::WM_NULL, 0, 0);
}

std::int32_t OpenGate() {
    if (Peek(g_shared.gateKey) != kGateForHost + 1) return 0;
    g_shared.gateDone = Peek(g_shared.gateSeq);
    plat::PostThreadMessageA(Peek(g_shared.gateThread), win::WM_NULL, 0, 0);
    return 0;
}

std::int32_t GateTaken(std::int32_t e) {
    const auto bits = static_cast<std::uint32_t>(e);
    GateSeen(bits & 0xFF, 0x100, (bits & kGateUp) != 0);
    return 0;
}

std::int32_t PollGate() {
    if (!g_process.gateClosed) return 0;
    if (!Done()) return 1;
    Release();
    return 0;
}

}  // namespace yv
