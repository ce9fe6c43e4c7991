#include "win_front.h"

#include <imm.h>

#include <atomic>

namespace yv::host::win {
namespace {

// The mandatory integrity level of a process's token; -1 when its token cannot be opened.
long IntegrityOf(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return -1;
    alignas(TOKEN_MANDATORY_LABEL) unsigned char buf[64];
    DWORD size = 0;
    long level = -1;
    if (GetTokenInformation(token, TokenIntegrityLevel, buf, sizeof buf, &size)) {
        auto* label = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buf);
        const DWORD n = *GetSidSubAuthorityCount(label->Label.Sid);
        if (n > 0) level = static_cast<long>(*GetSidSubAuthority(label->Label.Sid, n - 1));
    }
    CloseHandle(token);
    return level;
}

bool Packaged(HANDLE process) {
    using Fn = LONG(WINAPI*)(HANDLE, UINT32*, PWSTR);
    static const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetPackageFamilyName")));
    if (!fn) return false;  // before Windows 8 there are none
    UINT32 length = 0;
    return fn(process, &length, nullptr) == ERROR_INSUFFICIENT_BUFFER;
}

struct Watch {
    HANDLE thread = nullptr;
    HANDLE wake = nullptr;
    HWND input = nullptr;
    std::atomic<HWND> front{nullptr};
    std::atomic<bool> stop{false};
    std::atomic<int> quick{0};
    // The last answer: the window asked about, its low bit the open state (window handles are
    // even).
    std::atomic<std::uintptr_t> answer{0};
};
Watch g_watch;

int ImeOpenOf(HWND front) {
    GUITHREADINFO gi = {};
    gi.cbSize = sizeof gi;
    HWND target = front;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(front, nullptr), &gi) && gi.hwndFocus)
        target = gi.hwndFocus;
    HWND ime = ImmGetDefaultIMEWnd(target);
    DWORD_PTR open = 0;
    constexpr WPARAM kGetOpenStatus = 0x0005;  // IMC_GETOPENSTATUS
    if (!ime || !SendMessageTimeoutA(ime, WM_IME_CONTROL, kGetOpenStatus, 0,
                                     SMTO_ABORTIFHUNG | SMTO_BLOCK, 100, &open)) {
        return 0;
    }
    return open != 0 ? 1 : 0;
}

// After an input-method key: looks this many times at this pace, since the window switches its
// input method only once it has taken the key.
constexpr int kQuickLooks = 4;
constexpr DWORD kQuickLookMs = 25;

DWORD WINAPI WatchThread(void*) {
    HWND asked = nullptr;
    int last = -1;
    while (!g_watch.stop.load()) {
        const HWND front = g_watch.front.load();
        const DWORD wait = !front                     ? INFINITE
                           : g_watch.quick.load() > 0 ? kQuickLookMs
                                                      : kImeCheckMs;
        WaitForSingleObject(g_watch.wake, wait);
        const HWND now = g_watch.front.load();
        if (g_watch.stop.load()) break;
        if (!now) {
            asked = nullptr;
            continue;
        }
        if (g_watch.quick.load() > 0) g_watch.quick.fetch_sub(1);
        const int open = ImeOpenOf(now);
        if (now != asked || open != last) {
            asked = now;
            last = open;
            // The answer stays here; the message only wakes the input thread, which reads it.
            g_watch.answer.store((reinterpret_cast<std::uintptr_t>(now) & ~std::uintptr_t{1}) |
                                 (open ? 1 : 0));
            PostMessageA(g_watch.input, kMsgImeState, 0, 0);
        }
    }
    return 0;
}

}  // namespace

FrontFacts FactsOf(HWND w) {
    FrontFacts f;
    DWORD pid = 0;
    if (!w || !GetWindowThreadProcessId(w, &pid) || pid == GetCurrentProcessId()) return f;
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!p) {
        f.known = false;
        return f;
    }
    BOOL wowThem = FALSE, wowUs = FALSE;
    IsWow64Process(p, &wowThem);
    IsWow64Process(GetCurrentProcess(), &wowUs);
    // On 64-bit Windows a 32-bit process runs under WOW64; on 32-bit Windows none does.
    f.otherBitness = (wowThem != FALSE) != (wowUs != FALSE);
    f.packaged = Packaged(p);
    const long them = IntegrityOf(p), us = IntegrityOf(GetCurrentProcess());
    // A token we may not even look at belongs to a process above us.
    f.aboveUs = them < 0 || (us >= 0 && them > us);
    CloseHandle(p);
    return f;
}

void StartImeWatch(HWND input) {
    if (g_watch.thread) return;
    g_watch.input = input;
    g_watch.stop = false;
    g_watch.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (g_watch.wake) g_watch.thread = CreateThread(nullptr, 0, WatchThread, nullptr, 0, nullptr);
}

void WatchIme(HWND front) {
    if (g_watch.front.exchange(front) != front && g_watch.wake) SetEvent(g_watch.wake);
}

void AskImeNow() {
    g_watch.quick.store(kQuickLooks);
    if (g_watch.wake) SetEvent(g_watch.wake);
}

bool LastImeAnswer(HWND& window, bool& open) {
    const std::uintptr_t a = g_watch.answer.load();
    if (!a) return false;
    window = reinterpret_cast<HWND>(a & ~std::uintptr_t{1});
    open = (a & 1) != 0;
    return true;
}

// Does not wait for the thread: it may be inside a question to a hung window, and the input
// thread that calls this waits on nothing. It ends at its next look, or with the process.
void StopImeWatch() {
    if (!g_watch.thread) return;
    g_watch.stop = true;
    SetEvent(g_watch.wake);
}

}  // namespace yv::host::win
