// Output primitives of both hooks: typed text, tapped keys, clipboard pastes, the IME status and
// corrections of the thread's key state.
#include <cstring>

#include "hooklib.h"

namespace yv {

namespace {

constexpr int kMaxPaste = 1024;
constexpr std::uint8_t kVkControl = 17;
constexpr std::uint8_t kVkV = 86;

// Clears entries of the calling thread's key state (vk and, when nonzero, a second one).
void ClearKeyEntries(std::uint32_t vk, std::uint32_t other) {
    std::uint8_t* state = g_process.keyState;
    plat::GetKeyboardState(state);
    if (vk < 256) state[vk] = 0;
    if (other != 0 && other < 256) state[other] = 0;
    plat::SetKeyboardState(state);
}

void TypeCtrlV() {
    SynthKey(kVkControl, 0, 0);
    SynthKey(kVkV, 0, 0);
    SynthKey(kVkV, 0, win::KEYEVENTF_KEYUP);
    SynthKey(kVkControl, 0, win::KEYEVENTF_KEYUP);
}

}  // namespace

void TypeText(Hwnd w, const char* text, const char16_t* textW) {
    if (!text) return;
    if (textW && g_shared.convMode == 1) {
        // Characters whatever the system's code page, a surrogate pair as its two units (as
        // the keyboard delivers one); the key messages only for a unit a key types.
        for (int i = 0; i < kMaxText && textW[i] != u'\0'; ++i) {
            const char16_t u = textW[i];
            const auto vk = static_cast<std::uint8_t>(plat::VkKeyScanW(u) & 0xFF);
            const bool keyed = vk != 0 && vk != 0xFF;
            if (keyed) plat::SendMessageW(w, win::WM_KEYDOWN, vk, 1);
            plat::SendMessageW(w, win::WM_CHAR, u, 1);
            if (keyed) plat::SendMessageW(w, win::WM_KEYUP, vk, static_cast<LParam>(0xC0000001u));
        }
        return;
    }
    // Bounded like a rule text, whatever the caller hands over.
    for (int i = 0; i < kMaxText && text[i] != '\0'; ++i) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        if (g_shared.convMode == 1) {
            const auto vk =
                static_cast<std::uint8_t>(plat::VkKeyScanA(static_cast<char>(b)) & 0xFF);
            if (vk != 0) plat::SendMessageA(w, win::WM_KEYDOWN, vk, 1);
            plat::SendMessageA(w, win::WM_CHAR, b, 1);
            if (vk != 0) plat::SendMessageA(w, win::WM_KEYUP, vk, static_cast<LParam>(0xC0000001u));
        } else {
            // The byte itself serves as the virtual key: right for digits and capitals.
            TapKey(b);
        }
    }
}

void TypeRow(Hwnd w, int r, const char* text) {
    char16_t wide[kTextSize];
    const bool inForce = g_shared.convMode == 1 && CopyRuleTextW(r, wide);
    TypeText(w, text, inForce ? wide : nullptr);
}

void SynthKey(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
    plat::keybd_event(vk, scan, flags, static_cast<std::uintptr_t>(kOwnInput));
}

void TapKey(std::uint8_t vk) {
    SynthKey(vk, 0, 0);
    SynthKey(vk, 0, win::KEYEVENTF_KEYUP);
}

void ReleaseModifierState(std::uint32_t vk, bool rightHand) {
    std::uint32_t side = 0;
    if (vk == 18) side = rightHand ? 165 : 164;
    if (vk == 17) side = rightHand ? 163 : 162;
    ClearKeyEntries(vk, side);
}

void ClearKeyState(std::uint32_t vk) { ClearKeyEntries(vk, 0); }

bool InThisProcess(Hwnd w) {
    std::uint32_t pid = 0;
    plat::GetWindowThreadProcessId(w, &pid);
    return pid == g_process.processId;
}

int ImeIsOpen(Hwnd w) {
    const Himc context = plat::ImmGetContext(w);
    const int open = plat::ImmGetOpenStatus(context);
    plat::ImmReleaseContext(w, context);
    return open;
}

int PasteText(Hwnd owner, const char* text, bool offerToOwner, const char16_t* textW) {
    if (!text) text = "";
    int n = plat::lstrlenA(text);
    if (n > kMaxPaste) n = kMaxPaste;
    if (n < 0) n = 0;
    int units = 0;
    if (textW)
        while (units < kMaxPaste && textW[units] != u'\0') ++units;

    // A host that takes UTF-16 gets it: the row's own, or the Shift-JIS text read by code page
    // 932 for a table without it.
    if (offerToOwner && g_process.pasteSinkW) {
        char16_t wide[kMaxPaste + 1];
        if (!textW) {
            units = n > 0 ? plat::MultiByteToWideChar(932, text, n, wide, kMaxPaste) : 0;
            if (units < 0 || units > kMaxPaste) units = 0;
            wide[units] = u'\0';
            textW = wide;
        }
        if (!g_process.pasteSinkW(textW, units)) return -2;
        GateClose(kGateForHost);
        return 0;
    }

    // The host takes the text in its own process and does the rest on a thread of its own
    // (clipboard, Ctrl+V): the low-level hook waits for no clipboard owner.
    // The keys that follow wait until the host has given the clipboard back, so that they land
    // after the pasted text and a Ctrl+V of the user's pastes the user's own content.
    if (offerToOwner && g_process.pasteSink) {
        if (!g_process.pasteSink(text, n)) return -2;
        GateClose(kGateForHost);
        return 0;
    }

    // The owner may put the text on the clipboard itself, rendered only when the target reads
    // it, and so learn of the read (the host puts the user's clipboard back after it). Only
    // from the low-level hook, which runs on the owner's own thread: the owner answers at once,
    // and the pointer is valid in its process.
    const LResult offer = offerToOwner
                              ? plat::SendMessageA(owner, win::WM_RBUTTONDOWN,
                                                   reinterpret_cast<WParam>(text), NOTIFY_PASTE)
                              : 0;
    if (offer == kPasteTaken) {
        TypeCtrlV();
        return 0;
    }
    if (offer == kPasteBusy) return -2;

    // The UTF-16 text when there is one; the system makes CF_TEXT of it for readers of bytes.
    const std::size_t size =
        textW ? static_cast<std::size_t>(units) * sizeof(char16_t) : static_cast<std::size_t>(n);
    const Hglobal memory = plat::GlobalAlloc(win::GMEM_MOVEABLE | win::GMEM_ZEROINIT,
                                             size + (textW ? sizeof(char16_t) : 1));
    if (!memory) return -1;
    void* bytes = plat::GlobalLock(memory);
    if (!bytes) {  // as good as no memory
        plat::GlobalFree(memory);
        return -1;
    }
    // The zero fill terminates it.
    if (textW)
        std::memcpy(bytes, textW, size);
    else
        std::memcpy(bytes, text, size);
    plat::GlobalUnlock(memory);

    if (!plat::OpenClipboard(owner)) {
        plat::GlobalFree(memory);
        return -2;
    }
    plat::EmptyClipboard();
    const bool taken =
        plat::SetClipboardData(textW ? win::CF_UNICODETEXT : win::CF_TEXT, memory) != nullptr;
    plat::CloseClipboard();
    if (!taken) {
        // The clipboard did not take the memory, so it is still ours; and Ctrl+V would paste
        // nothing.
        plat::GlobalFree(memory);
        return -3;
    }
    TypeCtrlV();
    return 0;
}

}  // namespace yv
