// The key order gate. A row that the message hook carries out with synthesized keys queues them
// behind whatever the user typed before the application took the key; so the low-level hook,
// which sees every key first and in order, holds the keys that follow such a key until the
// message hook has taken it, and then types them again, in order. It never waits: held keys go
// on at the next key event or the host's next look (PollGate), whichever comes first.
//
// Keys typed again come back through this hook, and they are not always the next to come: under
// Wine each one of a SendInput goes to the server on its own and the hook may be called in
// between, so a key the user typed meanwhile can come first. The held keys therefore stay in
// the queue until they are back: gateHeld holds, in the order typed, gateBack keys that came
// back while the gate was closed again, gateSent keys on their way, and then keys held since.
// Nothing is typed again while any is on its way, so they come back in the order sent.
#include "hooklib.h"

namespace yv {

namespace {

constexpr std::uint32_t kHeldFlags = win::LLKHF_EXTENDED | win::LLKHF_UP;

void Drop(int at, int n) {
    ProcessState& p = g_process;
    for (int i = at; i + n < p.gateHeldCount; ++i) p.gateHeld[i] = p.gateHeld[i + n];
    p.gateHeldCount -= n;
}

bool Expired(std::uint32_t since) { return plat::GetTickCount() - since >= kGateMs; }

// The counts come from this process only, but the hook must stay in bounds whatever they hold.
void Bound() {
    ProcessState& p = g_process;
    if (p.gateHeldCount < 0 || p.gateHeldCount > kGateHeld || p.gateBack < 0 || p.gateSent < 0 ||
        p.gateBack + p.gateSent > p.gateHeldCount)
        p.gateHeldCount = p.gateBack = p.gateSent = 0;
}

// The key awaited is waited for no longer: a late word of it wakes nobody.
void OpenNow() {
    g_process.gateClosed = false;
    g_shared.gateKey = 0;
}

// Whether the gate is open: the key awaited is through, or has been waited for long enough.
bool Open() {
    ProcessState& p = g_process;
    if (p.gateClosed && (Peek(g_shared.gateDone) == Peek(g_shared.gateSeq) || Expired(p.gateSince)))
        OpenNow();
    return !p.gateClosed;
}

// Types the held keys again once the gate is open and none is still on its way.
void Flow() {
    ProcessState& p = g_process;
    // Keys typed again that never came back (a hook ahead of ours took them) are given up on.
    if (p.gateSent > 0 && Expired(p.gateSentAt)) {
        Drop(p.gateBack, p.gateSent);
        p.gateSent = 0;
    }
    if (!Open() || p.gateSent > 0 || p.gateHeldCount == 0) return;
    plat::KeybdInput inputs[kGateHeld];
    const int n = p.gateHeldCount;
    for (int i = 0; i < n; ++i) {
        const auto& h = p.gateHeld[i];
        std::uint32_t flags = 0;
        if (h.flags & win::LLKHF_EXTENDED) flags |= win::KEYEVENTF_EXTENDEDKEY;
        if (h.flags & win::LLKHF_UP) flags |= win::KEYEVENTF_KEYUP;
        inputs[i] = {h.vk, h.scan, flags, kReplayInput};
    }
    // Counted as on their way before SendInput, which may call this hook before it returns.
    p.gateBack = 0;
    p.gateSent = n;
    p.gateSentAt = plat::GetTickCount();
    const std::uint32_t sent = plat::SendInput(static_cast<std::uint32_t>(n), inputs);
    // What the system refused (UIPI) never comes back: the last of those on their way.
    int refused = sent < static_cast<std::uint32_t>(n) ? n - static_cast<int>(sent) : 0;
    if (refused > p.gateSent) refused = p.gateSent;
    Drop(p.gateBack + p.gateSent - refused, refused);
    p.gateSent -= refused;
}

// A key typed again, back in this hook: false when it goes on now as the user's key.
bool Back(int at) {
    ProcessState& p = g_process;
    // Those sent before it and not back are lost.
    Drop(p.gateBack, at - p.gateBack);
    p.gateSent -= at - p.gateBack;
    if (p.gateBack == 0 && Open()) {
        Drop(0, 1);
        --p.gateSent;
        Flow();
        return false;
    }
    // The gate closed again behind a key ahead of it: it waits again, in its place.
    ++p.gateBack;
    --p.gateSent;
    Flow();
    return true;
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

bool GateHold(std::uint32_t vk, std::uint32_t scan, std::uint32_t flags, bool replayed) {
    ProcessState& p = g_process;
    if (!p.gateClosed && p.gateHeldCount == 0) return false;
    Bound();
    const ProcessState::HeldKey key{static_cast<std::uint16_t>(vk & 0xFF),
                                    static_cast<std::uint16_t>(scan & 0xFFFF), flags & kHeldFlags};
    if (replayed) {
        // The first of those on their way with its key and direction.
        for (int i = p.gateBack; i < p.gateBack + p.gateSent; ++i) {
            const auto& h = p.gateHeld[i];
            if (h.vk == key.vk && (h.flags & win::LLKHF_UP) == (key.flags & win::LLKHF_UP))
                return Back(i);
        }
        // One given up on, late: taken as the user's.
    }
    // Full while keys are still on their way: this one cannot wait.
    if (p.gateHeldCount >= kGateHeld) return false;
    p.gateHeld[p.gateHeldCount++] = key;
    // Full: everything goes on now, this key with it.
    if (p.gateHeldCount == kGateHeld && p.gateSent == 0) OpenNow();
    Flow();
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
    ProcessState& p = g_process;
    if (!p.gateClosed && p.gateHeldCount == 0) return 0;
    Bound();
    Flow();
    return p.gateClosed || p.gateHeldCount > 0 ? 1 : 0;
}

void GateFlush() {
    ProcessState& p = g_process;
    Bound();
    // Those on their way arrive as they are; the rest follow at once.
    Drop(p.gateBack, p.gateSent);
    p.gateSent = 0;
    OpenNow();
    Flow();
}

}  // namespace yv
