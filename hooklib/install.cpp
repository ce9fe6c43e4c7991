// Installing and removing the hooks, the system version number, and the activation hook that
// records the title of each window the user activates.
#include <cstring>

#include "hooklib.h"

namespace yv {

namespace {

// "フック失敗" (message hook) and "フック失敗２" (keyboard and activation hooks).
constexpr const char* kHookFailed = "フック失敗";
constexpr const char* kHookFailed2 = "フック失敗２";
constexpr const char* kLibraryName = "Yorvan2.dll";
constexpr const char16_t* kEditorTitle = u"Yorvan2変換設定";
constexpr const char16_t* kInfoCaption = u"情報";
constexpr const char16_t* kProgramManager = u"Program Manager";
constexpr std::int32_t kTitledWindowStyle = 0x10C80000;  // WS_VISIBLE | WS_CAPTION | WS_SYSMENU
constexpr std::int32_t kLowLevelHookFrom = 2600;
constexpr std::uint8_t kDropKeyboardHook = 2;

// Messages the host's process must accept from lower-integrity processes.
constexpr std::uint32_t kFilteredMessages[] = {
    win::WM_KEYDOWN,     win::WM_KEYUP,      win::WM_SYSKEYDOWN,  win::WM_SYSKEYUP,
    win::WM_RBUTTONDOWN, win::WM_SYSCOMMAND, win::WM_CONTEXTMENU, win::WM_CUT,
    win::WM_COPY,        win::WM_PASTE,      win::WM_CLEAR,       win::WM_UNDO,
};

void Unhook(Hhook& hook) {
    if (hook) plat::UnhookWindowsHookEx(hook);
    hook = nullptr;
}

void ReleaseUser32() {
    if (g_shared.user32Module) plat::FreeLibrary(g_shared.user32Module);
    g_shared.user32Module = nullptr;
}

// Undoes a partly completed SetHook. The handles are cleared so that a later ResetHook does not
// release them again.
std::int32_t FailSetHook(const char* text) {
    plat::MessageBoxA(nullptr, text, kLibraryName, win::MB_OK);
    Unhook(g_shared.hookMsg);
    Unhook(g_shared.hookKbd);
    Unhook(g_shared.hookCbt);
    ReleaseUser32();
    return 1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void DropThread(int i) {
    ThreadHooks* t = g_process.peerThreads;
    Unhook(t[i].msg);
    Unhook(t[i].cbt);
    for (int j = i + 1; j < g_process.peerThreadCount; ++j) t[j - 1] = t[j];
    --g_process.peerThreadCount;
}

void UnhookThreads() {
    while (g_process.peerThreadCount > 0) DropThread(g_process.peerThreadCount - 1);
}

}  // namespace

// Releases every key that a hook still holds down for a key not yet released.
void ReleaseHeld() {
    ReleaseHeldRemaps();
    ReleaseHeldOneKeys();
    ReleaseHeldFallbackKeys();
}

std::int32_t OsNumber() {
    OsVersionInfoA info{};
    info.dwOSVersionInfoSize = sizeof(OsVersionInfoA);
    if (!plat::GetVersionExA(&info)) return 0;
    const std::int32_t p = static_cast<std::int32_t>(info.dwPlatformId) * 1000;
    const std::int32_t minor = static_cast<std::int32_t>(info.dwMinorVersion);
    if (p < 2000) return p + minor * 10;
    const std::int32_t m = minor >= 10 ? minor / 10 : minor;
    const std::int32_t n = p + static_cast<std::int32_t>(info.dwMajorVersion) * 100 + m * 10;

    // Service-pack digit: the last character of the text, or the one before it when the last is
    // not a digit ("Service Pack 3", "Service Pack 1a").
    info.szCSDVersion[sizeof(info.szCSDVersion) - 1] = '\0';
    const int len = plat::lstrlenA(info.szCSDVersion);
    if (len <= 2 || len >= static_cast<int>(sizeof(info.szCSDVersion))) return n;
    char c = info.szCSDVersion[len - 1];
    if (!IsDigit(c)) c = info.szCSDVersion[len - 2];
    return n + (IsDigit(c) ? c - '0' : 0);
}

namespace {

// SetHook and SetHookPeer. The companion's library installs no keyboard hook: the low-level
// hook, with the On/Off key and the scan-code rows, stays the host's alone, as do the NumLock
// correction at start and the message filter of the host's window.
enum class Kind { kAll, kNoKeyboard, kPeer };

// Installs the keyboard hook on the calling thread: the low-level one from NT 6.0 on.
Hhook HookKeyboard() {
    const Hinstance inst = g_process.instance;
    return g_shared.osNumber >= kLowLevelHookFrom
               ? plat::SetWindowsHookExA(win::WH_KEYBOARD_LL, HookProcId::KeyboardLL, inst, 0)
               : plat::SetWindowsHookExA(win::WH_KEYBOARD, HookProcId::Keyboard, inst, 0);
}

std::int32_t Install(Hwnd hostWnd, std::uint8_t numLockHold, Kind kind) {
    const bool peer = kind == Kind::kPeer;
    g_process.gateOn = false;  // until SetHookKbd
    if (g_shared.peer) UnhookThreads();
    g_shared.hostWnd = hostWnd;
    g_shared.numLockHold = numLockHold;
    g_shared.peer = peer ? 1 : 0;
    g_shared.peerWnd = nullptr;
    // The shared area outlives a host that ended without ResetHook: its first activation is not
    // the last one of that run, and nothing it held may stay down.
    g_shared.lastActive = nullptr;
    ReleaseHeld();
    g_shared.frontService = kFrontInProcess;  // until the host judges the window in front
    g_shared.frontImeOpen = 0;
    g_shared.osNumber = OsNumber();
    std::memset(g_shared.scanMap, 0, sizeof g_shared.scanMap);

    const bool newer = g_shared.osNumber >= kLowLevelHookFrom;
    g_shared.user32Module = nullptr;
    // The split host admits the library's notices on its notice window alone.
    if (newer && kind == Kind::kAll) {
        g_shared.user32Module = plat::LoadLibraryA("user32.dll");
        if (g_shared.user32Module) {
            if (void* filter =
                    plat::GetProcAddress(g_shared.user32Module, "ChangeWindowMessageFilter")) {
                for (std::uint32_t msg : kFilteredMessages)
                    plat::CallChangeWindowMessageFilter(filter, msg, win::MSGFLT_ADD);
            }
        }
    }

    // The companion's hooks go on thread by thread (HookThread): a global hook of one bitness
    // would be called, out of context, for every message of every program of the other.
    if (peer) {
        g_shared.desktopWnd = plat::GetDesktopWindow();
        return 0;
    }
    Hinstance inst = g_process.instance;
    g_shared.hookMsg = plat::SetWindowsHookExA(win::WH_GETMESSAGE, HookProcId::Message, inst, 0);
    if (!g_shared.hookMsg) return FailSetHook(kHookFailed);

    if (kind == Kind::kAll) {
        g_shared.hookKbd = HookKeyboard();
        if (!g_shared.hookKbd) return FailSetHook(kHookFailed2);
    }

    g_shared.hookCbt = plat::SetWindowsHookExA(win::WH_CBT, HookProcId::Cbt, inst, 0);
    if (!g_shared.hookCbt) return FailSetHook(kHookFailed2);

    // Scan code 0x44, not the real key's 0x45, so the message hook does not take this for the
    // user's NumLock key.
    if (numLockHold == 1 && !(plat::GetKeyState(kVkNumLock) & 1)) {
        SynthKey(kVkNumLock, 0x44, 0);
        SynthKey(kVkNumLock, 0x44, win::KEYEVENTF_KEYUP);
    }
    g_shared.desktopWnd = plat::GetDesktopWindow();
    return 0;
}

// Whether `needle` occurs in `text` (both terminated).
bool Holds(const char16_t* text, const char16_t* needle) {
    for (; *text != u'\0'; ++text) {
        int i = 0;
        while (needle[i] != u'\0' && text[i] == needle[i]) ++i;
        if (needle[i] == u'\0') return true;
    }
    return false;
}

bool IsShiftJisLead(std::uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The activation hook's record of window w's title; whether it was recorded. The title is read
// in UTF-16, whatever the system's code page; aplname gets its Shift-JIS form (code page 932,
// '?' for what it lacks) for the callers of getaplname, cut where a character ends.
bool RecordActivation(Hwnd w) {
    char16_t title[kTitleSize - 1];
    title[0] = u'\0';
    const bool titled =
        (plat::GetWindowLongA(w, win::GWL_STYLE) & kTitledWindowStyle) == kTitledWindowStyle;
    const int len = plat::GetWindowTextW(w, title, kTitleSize - 1);
    title[kTitleSize - 2] = u'\0';  // never trust the platform's terminator
    bool record = false;
    if (len > 0 && title[0] != u'\0') {
        if (titled)
            record = !Holds(title, kInfoCaption) && !Holds(title, kEditorTitle);
        else
            record = Holds(title, kProgramManager);
    }
    if (!record) return false;
    int units = 0;
    while (title[units] != u'\0') ++units;
    char bytes[2 * kTitleSize];
    int n = plat::WideCharToMultiByte(932, title, units, bytes, sizeof bytes);
    if (n < 0 || n > static_cast<int>(sizeof bytes)) n = 0;
    int cut = 0;
    while (cut < n) {
        const int next = cut + (IsShiftJisLead(static_cast<std::uint8_t>(bytes[cut])) ? 2 : 1);
        if (next > kTitleSize - 2 || next > n) break;
        cut = next;
    }
    std::memcpy(g_shared.aplname[0], bytes, static_cast<std::size_t>(cut));
    g_shared.aplname[0][cut] = '\0';
    g_shared.aplname[1][0] = '\0';
    std::memcpy(g_shared.aplnameW, title, (static_cast<std::size_t>(units) + 1) * sizeof(char16_t));
    g_shared.lastActive = w;
    return true;
}

}  // namespace

std::int32_t SetHook(Hwnd hostWnd, std::uint8_t numLockHold) {
    return Install(hostWnd, numLockHold, Kind::kAll);
}

std::int32_t SetHookMsg(Hwnd hostWnd, std::uint8_t numLockHold) {
    return Install(hostWnd, numLockHold, Kind::kNoKeyboard);
}

std::int32_t SetHookKbd(std::uint8_t on) {
    // 2, for the tests: gone as when the system drops it, without a word and holding on.
    if (on == kDropKeyboardHook) {
        Unhook(g_shared.hookKbd);
        return 0;
    }
    Unhook(g_shared.hookKbd);
    // Keys held behind a key the message hook has yet to take go on at once.
    GateFlush();
    // A hook the system dropped could not see the key-ups of what it pressed.
    ReleaseHeldRemaps();
    ReleaseHeldFallbackKeys();
    g_process.gateOn = on != 0;
    if (!on) return 0;
    g_process.kbdSeenTick = plat::GetTickCount();
    g_shared.hookKbd = HookKeyboard();
    return g_shared.hookKbd ? 0 : 1;
}

std::int32_t GetMode() { return Peek(g_shared.convMode); }

std::uint32_t KbdHookSeen() { return g_process.kbdSeenTick; }

std::int32_t SetHookPeer(Hwnd hostWnd, std::uint8_t numLockHold) {
    return Install(hostWnd, numLockHold, Kind::kPeer);
}

namespace {

// When thread `id` was created; 0 when it has ended or cannot be asked.
std::uint64_t CreationOf(std::uint32_t id) {
    Handle h = plat::OpenThread(win::THREAD_QUERY_LIMITED_INFORMATION, 0, id);
    if (!h) return 0;
    std::uint32_t code = 0;
    std::uint64_t created = 0, exited = 0, kernel = 0, user = 0;
    // What a failed call wrote is no answer.
    const bool running = plat::GetExitCodeThread(h, &code) && code == win::STILL_ACTIVE;
    const bool told = running && plat::GetThreadTimes(h, &created, &exited, &kernel, &user);
    plat::CloseHandle(h);
    return told ? created : 0;
}

}  // namespace

std::int32_t HookThread(std::uint32_t thread) {
    if (!g_shared.peer || thread == 0) return 2;
    int& n = g_process.peerThreadCount;
    if (n < 0 || n > kPeerThreads) n = 0;
    const std::uint64_t created = CreationOf(thread);
    // A thread that has ended leaves its entry behind: without this sweep its id, given to a
    // new thread, would count as hooked. An entry that cannot be checked is hooked afresh.
    for (int i = n - 1; i >= 0; --i) {
        const ThreadHooks& t = g_process.peerThreads[i];
        const std::uint64_t now = t.thread == thread ? created : CreationOf(t.thread);
        if (now == 0 || now != t.created) DropThread(i);
    }
    ThreadHooks* t = g_process.peerThreads;
    for (int i = 0; i < n; ++i) {
        if (t[i].thread != thread) continue;
        // Asked for again: it goes last, so that the one longest not in front makes room.
        const ThreadHooks again = t[i];
        for (int j = i + 1; j < n; ++j) t[j - 1] = t[j];
        t[n - 1] = again;
        return 0;
    }
    if (n == kPeerThreads) DropThread(0);
    ThreadHooks h{thread, created, nullptr, nullptr};
    Hinstance inst = g_process.instance;
    h.msg = plat::SetWindowsHookExA(win::WH_GETMESSAGE, HookProcId::Message, inst, thread);
    h.cbt = h.msg ? plat::SetWindowsHookExA(win::WH_CBT, HookProcId::Cbt, inst, thread) : nullptr;
    if (!h.cbt) {
        Unhook(h.msg);
        return 1;
    }
    g_process.peerThreads[n++] = h;
    // The hook procedures hand these to CallNextHookEx, which no longer looks at them.
    g_shared.hookMsg = h.msg;
    g_shared.hookCbt = h.cbt;
    return 0;
}

std::int32_t SetPeer(Hwnd peerWnd) {
    g_shared.peerWnd = peerWnd;
    return 0;
}

std::int32_t ReleaseKey(std::int32_t e) {
    ReleaseMessageHookTargets(static_cast<std::uint32_t>(e) & 0xFF);
    return 0;
}

std::int32_t NoteActivated(Hwnd w) {
    if (w && g_shared.trackOff == 0 && w != g_shared.lastActive) RecordActivation(w);
    return 0;
}

std::int32_t ResetHook() {
    // Handles are cleared as they are released, so a second ResetHook releases nothing twice.
    if (g_shared.peer) {
        UnhookThreads();
        g_shared.hookMsg = g_shared.hookCbt = nullptr;
        // A hook the system failed to remove with a companion that was killed would go on
        // converting in its program with the rules of the shared area: they stop here.
        g_shared.convMode = 0;
    }
    Unhook(g_shared.hookMsg);
    Unhook(g_shared.hookKbd);
    Unhook(g_shared.hookCbt);
    ReleaseUser32();
    ReleaseHeld();  // after the hooks are gone, so no hook waits for these
    return 0;
}

LResult CbtHookProc(int code, WParam wParam, LParam lParam) {
    const Hwnd w = reinterpret_cast<Hwnd>(wParam);
    // The companion's library tells the host of every activation it records: the host's
    // library may have recorded another window since.
    const bool peer = g_shared.peer != 0;
    if (code != win::HCBT_ACTIVATE || g_shared.trackOff != 0 ||
        (w == g_shared.lastActive && !peer) || !InThisProcess(w))
        return plat::CallNextHookEx(g_shared.hookCbt, code, wParam, lParam);
    if (RecordActivation(w)) {
        if (g_shared.convMode == 1 && g_shared.aplname[0][0] != '\0')
            plat::SendMessageA(g_shared.hostWnd, win::WM_RBUTTONDOWN, wParam, NOTIFY_ACTIVATED);
        else if (peer)
            plat::SendMessageA(g_shared.hostWnd, win::WM_RBUTTONDOWN, wParam, NOTIFY_TITLE);
    }
    return plat::CallNextHookEx(g_shared.hookCbt, code, wParam, lParam);
}

}  // namespace yv
