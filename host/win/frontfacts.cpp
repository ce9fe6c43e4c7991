#include "frontfacts.h"

#include <imm.h>

#include <atomic>

namespace yv::host::win {
namespace {

// What the host's own library is built for.
constexpr std::uint16_t kLibraryMachine = sizeof(void*) == 8 ? kMachineAmd64 : kMachineI386;

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

// TokenIsAppContainer (Windows 8 on); older systems refuse the question and have none.
constexpr int kTokenIsAppContainer = 29;

bool AppContainer(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return false;
    DWORD is = 0, size = 0;
    const bool ok = GetTokenInformation(
        token, static_cast<TOKEN_INFORMATION_CLASS>(kTokenIsAppContainer), &is, sizeof is, &size);
    CloseHandle(token);
    return ok && is != 0;
}

template <class Fn>
Fn Kernel32(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

std::uint16_t SystemMachine() {
    SYSTEM_INFO si = {};
    GetNativeSystemInfo(&si);
    switch (si.wProcessorArchitecture) {
        case PROCESSOR_ARCHITECTURE_AMD64:
            return kMachineAmd64;
        case PROCESSOR_ARCHITECTURE_INTEL:
            return kMachineI386;
        case 12:  // PROCESSOR_ARCHITECTURE_ARM64
            return kMachineArm64;
        case PROCESSOR_ARCHITECTURE_ARM:
            return kMachineArmNt;
    }
    return kMachineUnknown;
}

// Asked newest first; each question exists only from some version of Windows on.
MachineAnswers AnswersOf(HANDLE process) {
    MachineAnswers a;
    struct MachineInfo {  // PROCESS_MACHINE_INFORMATION
        USHORT processMachine;
        USHORT res0;
        ULONG attributes;
    };
    using InfoFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
    constexpr int kProcessMachineTypeInfo = 9;
    static const auto info = Kernel32<InfoFn>("GetProcessInformation");
    MachineInfo mi = {};
    if (info && info(process, kProcessMachineTypeInfo, &mi, sizeof mi)) {
        a.haveInfo = true;
        a.infoMachine = mi.processMachine;
    }
    using Wow2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    static const auto wow2 = Kernel32<Wow2Fn>("IsWow64Process2");
    USHORT guest = 0, native = 0;
    if (wow2 && wow2(process, &guest, &native)) {
        a.haveWow2 = true;
        a.wowMachine = guest;
        a.nativeMachine = native;
    }
    BOOL wow = FALSE;
    if (IsWow64Process(process, &wow)) {
        a.haveWow = true;
        a.wow64 = wow != FALSE;
    }
    a.systemMachine = SystemMachine();
    return a;
}

// ApplicationFrameHost.exe draws the frames of UWP apps; the app's window is a child of it.
bool FrameHost(HANDLE process) {
    wchar_t path[MAX_PATH] = L"";
    DWORD n = MAX_PATH;
    if (!QueryFullProcessImageNameW(process, 0, path, &n) || n == 0) return false;
    const wchar_t* name = path;
    for (const wchar_t* c = path; *c; ++c)
        if (*c == L'\\' || *c == L'/') name = c + 1;
    return lstrcmpiW(name, L"ApplicationFrameHost.exe") == 0;
}

ProcessFacts FactsOfProcess(DWORD pid) {
    ProcessFacts f;
    f.machine = kLibraryMachine;
    if (pid == GetCurrentProcessId()) {
        f.own = true;
        return f;
    }
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!p) {
        f.known = false;
        return f;
    }
    f.machine = MachineOf(AnswersOf(p));
    f.appContainer = AppContainer(p);
    const long them = IntegrityOf(p), us = IntegrityOf(GetCurrentProcess());
    // A token we may not even look at belongs to a process above us.
    f.aboveUs = them < 0 || (us >= 0 && them > us);
    f.frameHost = FrameHost(p);
    CloseHandle(p);
    return f;
}

// When thread `id` was created (FILETIME units); 0 when it cannot be asked.
std::uint64_t CreationOf(DWORD id) {
    HANDLE t = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!t) return 0;
    FILETIME c = {}, e = {}, k = {}, u = {};
    const bool ok = GetThreadTimes(t, &c, &e, &k, &u);
    CloseHandle(t);
    return ok ? static_cast<std::uint64_t>(c.dwHighDateTime) << 32 | c.dwLowDateTime : 0;
}

PeerThreads g_peers;  // the input thread's alone

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

FrontJudgement JudgeWindow(HWND w, bool companionRunning) {
    FrontJudgement j;
    FrontFacts f;
    f.library = kLibraryMachine;
    f.companionRunning = companionRunning;
    DWORD pid = 0;
    const DWORD topThread = w ? GetWindowThreadProcessId(w, &pid) : 0;
    if (!topThread) {
        // No window in front: what gets keys then is served as ever, in process.
        f.top.own = true;
        j.service = JudgeFront(f);
        return j;
    }
    f.top = FactsOfProcess(pid);
    // The window the keys go to may belong to another thread or process than the top-level
    // window: ask its thread's focus (an answer about a window elsewhere is stale).
    HWND focus = nullptr;
    GUITHREADINFO gi = {};
    gi.cbSize = sizeof gi;
    if (GetGUIThreadInfo(topThread, &gi) && gi.hwndFocus && GetAncestor(gi.hwndFocus, GA_ROOT) == w)
        focus = gi.hwndFocus;
    DWORD focusPid = 0;
    const DWORD focusThread = focus ? GetWindowThreadProcessId(focus, &focusPid) : 0;
    if (focusThread && focusPid != pid) {
        f.focusElsewhere = true;
        f.focus = FactsOfProcess(focusPid);
    }
    HWND core = nullptr;
    DWORD corePid = 0, coreThread = 0;
    if (f.top.frameHost) {
        core = FindWindowExW(w, nullptr, L"Windows.UI.Core.CoreWindow", nullptr);
        coreThread = core ? GetWindowThreadProcessId(core, &corePid) : 0;
        if (coreThread) {
            f.coreFound = true;
            f.core = FactsOfProcess(corePid);
        }
    }
    DWORD keys = focusThread ? focusThread : topThread;
    DWORD keysPid = focusThread ? focusPid : pid;
    if (KeysGoTo(f) == KeyWindow::kCore) {
        keys = coreThread;
        keysPid = corePid;
    }
    const PeerThreads::Thread t{keys, CreationOf(keys)};
    f.confirmed = g_peers.Hooked(t);
    j.service = JudgeFront(f);
    FrontFacts hooked = f;
    hooked.confirmed = true;
    if (!f.confirmed && JudgeFront(hooked) == FrontService::kCompanion) {
        g_peers.Asked(t);
        j.keysThread = keys;
        // Its activations are recorded by the activation hook on the top-level window's thread.
        if (keysPid == pid && topThread != keys) j.topThread = topThread;
    }
    return j;
}

void ForgetCompanionThreads() { g_peers.Clear(); }

void ConfirmCompanionThread(DWORD thread) { g_peers.Confirmed(thread); }

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
