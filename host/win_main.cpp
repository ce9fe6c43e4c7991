// Yorvan2.exe, the resident host: a hidden window titled "Yorvan2", a notification-area icon
// with its menu, and the glue between the hook library, the settings file and the editor.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "hostcore.h"
#include "strutil.h"
#include "win_shell.h"
#include "yorvan2.h"

namespace {

using yv::host::HostCore;
using yv::host::RuleSet;

constexpr char kClassName[] = "Yorvan2Host";
constexpr char kWindowTitle[] = "Yorvan2";
constexpr char kMutexName[] = "Yorvan2ResidentHost";
constexpr char kEditorTitle[] = "Yorvan2変換設定";
constexpr char kErrorTitle[] = "エラー";

// Private messages. WM_RBUTTONDOWN is taken by the library's notifications.
constexpr UINT kMsgTray = WM_APP + 1;          // the tray icon's mouse events
constexpr UINT kMsgRefresh = WM_APP + 2;       // redraw icon and tooltip (posted, never sent)
constexpr UINT kMsgAnotherStart = WM_APP + 3;  // a second start was refused
constexpr UINT kMsgQuery = WM_APP + 4;         // state for tests and tools, see QueryState
constexpr UINT kMsgReinstall = WM_APP + 5;     // reinstall the hooks
constexpr UINT kMsgEditorEnded = WM_APP + 6;   // the settings editor's process ended

enum MenuId : UINT {
    kCmdConversion = 100,
    kCmdAutoSwitch,
    kCmdEditor,
    kCmdReload,
    kCmdReinstall,
    kCmdStartup,
    kCmdExit,
    kCmdProfile0 = 200,  // 200 + profile number
};

class WinLibrary : public yv::host::Library {
  public:
    void SetRules(std::uint8_t mode, std::uint8_t trackOff, std::uint8_t numLockHold,
                  const RuleSet& rules) override {
        // The library reads the 101 pointers during the call only.
        const char* texts[yv::host::kLibraryRows];
        for (int i = 0; i < yv::host::kLibraryRows; ++i) texts[i] = rules.texts[i].c_str();
        SetSet(mode, trackOff, numLockHold, rules.keys, texts);
    }
};

struct Host {
    HINSTANCE instance = nullptr;
    HWND wnd = nullptr;
    std::string exePath, dir, iniPath, editorPath;
    WinLibrary lib;
    HostCore core{lib};
    bool hooked = false;
    NOTIFYICONDATAA tray = {};
    bool trayShown = false;
    bool trayIconOn = false;
    HICON iconOn = nullptr, iconOff = nullptr;
    UINT taskbarCreated = 0;
    HANDLE editorProcess = nullptr;
    HANDLE editorWait = nullptr;
    HANDLE log = INVALID_HANDLE_VALUE;
    bool shutDown = false;
};

Host g;

void Log(const char* fmt, ...) {
    if (g.log == INVALID_HANDLE_VALUE) return;
    char line[512];
    va_list args;
    va_start(args, fmt);
    int n = vsnprintf(line, sizeof line - 2, fmt, args);
    va_end(args);
    if (n < 0) return;
    if (n > static_cast<int>(sizeof line) - 3) n = sizeof line - 3;
    line[n++] = '\r';
    line[n++] = '\n';
    DWORD written = 0;
    WriteFile(g.log, line, static_cast<DWORD>(n), &written, nullptr);
}

void LogState(const char* what) {
    Log("%s mode=%d profile=%d auto=%d editing=%d hooked=%d", what, g.core.mode(), g.core.profile(),
        g.core.autoSwitch() ? 1 : 0, g.core.editing() ? 1 : 0, g.hooked ? 1 : 0);
}

std::string WindowTitle(HWND w) {
    char buf[256] = "";
    if (w) GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

std::string TrayTip() {
    const yv::host::Snapshot& s = g.core.settings();
    std::string tip = "Yorvan2 ";
    if (!g.hooked) {
        tip += "停止中（フック失敗）";
    } else if (g.core.editing()) {
        tip += "設定中";
    } else {
        tip += g.core.conversionOn() ? "変換オン" : "変換オフ";
        tip += " / " + s.profiles[g.core.profile()].name;
        if (g.core.autoSwitch()) tip += " / 自動切替";
    }
    return yv::settings::LeftPart(tip, sizeof g.tray.szTip - 1);
}

// Shows the current state in the notification area. Runs from the message loop only: the
// shell call may wait on another process.
void RefreshTray() {
    bool on = g.hooked && g.core.conversionOn();
    g.tray.cbSize = sizeof g.tray;
    g.tray.hWnd = g.wnd;
    g.tray.uID = 1;
    g.tray.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    g.tray.uCallbackMessage = kMsgTray;
    g.tray.hIcon = on ? g.iconOn : g.iconOff;
    std::string tip = TrayTip();
    std::memcpy(g.tray.szTip, tip.c_str(), tip.size() + 1);
    if (g.trayShown) {
        g.trayShown = Shell_NotifyIconA(NIM_MODIFY, &g.tray) != FALSE;
    }
    if (!g.trayShown) g.trayShown = Shell_NotifyIconA(NIM_ADD, &g.tray) != FALSE;
    g.trayIconOn = on;
    LogState("state");
}

void RemoveTray() {
    if (!g.trayShown) return;
    Shell_NotifyIconA(NIM_DELETE, &g.tray);
    g.trayShown = false;
}

void Balloon(const char* text) {
    if (!g.trayShown) return;
    NOTIFYICONDATAA n = g.tray;
    n.uFlags = NIF_INFO;
    std::strncpy(n.szInfo, text, sizeof n.szInfo - 1);
    std::strncpy(n.szInfoTitle, kWindowTitle, sizeof n.szInfoTitle - 1);
    n.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconA(NIM_MODIFY, &n);
}

void PostRefresh() { PostMessageA(g.wnd, kMsgRefresh, 0, 0); }

// Windows drops global hooks silently (sleep, a locked session, a hook judged too slow):
// put them back and load the rules again.
void ReinstallHooks() {
    ResetHook();
    g.hooked = SetHook(g.wnd, g.core.settings().numLockHold ? 1 : 0) == 0;
    if (g.hooked) g.core.Reapply();
    LogState("reinstall");
    RefreshTray();
}

void ReloadSettings() {
    g.core.Reload(yv::host::LoadSnapshot(g.iniPath));
    LogState("reload");
    RefreshTray();
}

VOID CALLBACK EditorEnded(PVOID, BOOLEAN) { PostMessageA(g.wnd, kMsgEditorEnded, 0, 0); }

void StartEditor() {
    if (g.editorProcess) {
        // Already running: bring it forward instead of a second copy.
        HWND editor = FindWindowA(nullptr, kEditorTitle);
        if (editor) {
            ShowWindow(editor, SW_RESTORE);
            SetForegroundWindow(editor);
        }
        return;
    }
    if (GetFileAttributesA(g.editorPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::string text = "設定プログラムが見つかりません。\r\n" + g.editorPath;
        MessageBoxA(g.wnd, text.c_str(), kErrorTitle, MB_OK | MB_ICONERROR);
        return;
    }
    // Key learning must be in force before the editor looks at its first key.
    g.core.BeginEditing();
    std::string cmd = "\"" + g.editorPath + "\" " + std::to_string(g.core.profile() + 1);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(g.editorPath.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        g.dir.c_str(), &si, &pi)) {
        DWORD err = GetLastError();
        g.core.EndEditing(g.core.settings());
        RefreshTray();
        char text[512];
        std::snprintf(text, sizeof text, "設定プログラムを起動できません（エラー %lu）。\r\n%s",
                      static_cast<unsigned long>(err), g.editorPath.c_str());
        MessageBoxA(g.wnd, text, kErrorTitle, MB_OK | MB_ICONERROR);
        return;
    }
    CloseHandle(pi.hThread);
    g.editorProcess = pi.hProcess;
    if (!RegisterWaitForSingleObject(&g.editorWait, g.editorProcess, EditorEnded, nullptr, INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        g.editorWait = nullptr;
    }
    LogState("editor");
    RefreshTray();
}

void FinishEditor() {
    if (!g.editorProcess) return;
    if (g.editorWait) {
        UnregisterWait(g.editorWait);
        g.editorWait = nullptr;
    }
    CloseHandle(g.editorProcess);
    g.editorProcess = nullptr;
    g.core.EndEditing(yv::host::LoadSnapshot(g.iniPath));
    LogState("editor-end");
    RefreshTray();
}

void ShowMenu() {
    const yv::host::Snapshot& s = g.core.settings();
    const bool idle = !g.core.editing();
    HMENU profiles = CreatePopupMenu();
    for (int p = 0; p <= s.profileCount; ++p) {
        std::string name = s.profiles[p].name.empty() ? "(名前なし)" : s.profiles[p].name;
        UINT flags = MF_STRING | (idle ? 0 : MF_GRAYED);
        AppendMenuA(profiles, flags, kCmdProfile0 + p, name.c_str());
    }
    CheckMenuRadioItem(profiles, kCmdProfile0, kCmdProfile0 + s.profileCount,
                       kCmdProfile0 + g.core.profile(), MF_BYCOMMAND);

    auto check = [](bool b) -> UINT { return b ? MF_CHECKED : MF_UNCHECKED; };
    HMENU menu = CreatePopupMenu();
    const UINT gray = idle && g.hooked ? 0 : MF_GRAYED;
    AppendMenuA(menu, MF_STRING | gray | check(g.core.conversionOn()), kCmdConversion, "変換(&C)");
    AppendMenuA(menu, MF_STRING | (idle ? 0 : MF_GRAYED) | check(g.core.autoSwitch()),
                kCmdAutoSwitch, "自動切替(&A)");
    AppendMenuA(menu, MF_POPUP | (idle ? 0 : MF_GRAYED), reinterpret_cast<UINT_PTR>(profiles),
                "プロファイル(&P)");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kCmdEditor, "設定");
    AppendMenuA(menu, MF_STRING | (idle ? 0 : MF_GRAYED), kCmdReload, "設定の再読込(&R)");
    AppendMenuA(menu, MF_STRING, kCmdReinstall, "フックの再設定(&H)");
    AppendMenuA(menu, MF_STRING | check(yv::host::StartupLinkExists()), kCmdStartup,
                "Windows 起動時に開始(&W)");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kCmdExit, "終了(&X)");
    SetMenuDefaultItem(menu, kCmdConversion, FALSE);

    POINT pt;
    GetCursorPos(&pt);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(g.wnd);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, pt.x, pt.y, 0, g.wnd, nullptr);
    PostMessageA(g.wnd, WM_NULL, 0, 0);
    DestroyMenu(menu);  // destroys the submenu with it
}

void Shutdown() {
    if (g.shutDown) return;
    g.shutDown = true;
    if (g.hooked) ResetHook();
    g.hooked = false;
    RemoveTray();
    if (g.editorWait) UnregisterWait(g.editorWait);
    g.editorWait = nullptr;
    if (g.editorProcess) CloseHandle(g.editorProcess);
    g.editorProcess = nullptr;
    WTSUnRegisterSessionNotification(g.wnd);
    Log("exit");
}

void OnCommand(UINT id) {
    switch (id) {
        case kCmdConversion:
            g.core.SetConversion(!g.core.conversionOn());
            LogState("menu");
            RefreshTray();
            break;
        case kCmdAutoSwitch:
            g.core.SetAutoSwitch(!g.core.autoSwitch());
            LogState("menu");
            RefreshTray();
            break;
        case kCmdEditor:
            StartEditor();
            break;
        case kCmdReload:
            ReloadSettings();
            break;
        case kCmdReinstall:
            ReinstallHooks();
            break;
        case kCmdStartup: {
            bool want = !yv::host::StartupLinkExists();
            if (!yv::host::SetStartupLink(want, g.exePath)) {
                MessageBoxA(g.wnd, "スタートアップの設定を変更できません。", kErrorTitle,
                            MB_OK | MB_ICONERROR);
            }
            break;
        }
        case kCmdExit:
            DestroyWindow(g.wnd);
            break;
        default:
            if (id >= kCmdProfile0 && id <= kCmdProfile0 + yv::host::kMaxProfiles) {
                g.core.SelectProfile(static_cast<int>(id - kCmdProfile0));
                LogState("menu");
                RefreshTray();
            }
    }
}

// Session notifications (to hear of an unlock) cannot be registered before the terminal
// service runs, which may be later than a start at logon: retry for a while.
constexpr UINT_PTR kSessionTimer = 1;
int g_sessionTries = 0;

void RegisterSessionNotification() {
    if (WTSRegisterSessionNotification(g.wnd, NOTIFY_FOR_THIS_SESSION)) {
        KillTimer(g.wnd, kSessionTimer);
        return;
    }
    if (++g_sessionTries == 1) SetTimer(g.wnd, kSessionTimer, 5000, nullptr);
    if (g_sessionTries > 60) KillTimer(g.wnd, kSessionTimer);
}

// Test and tool query: bits 0-7 mode, 8-15 profile, 16 automatic switching, 17 the icon shows
// "on", 18 the editor runs, 19 hooks installed, 20 the icon is in the notification area.
LRESULT QueryState() {
    LRESULT r = g.core.mode() & 0xFF;
    r |= static_cast<LRESULT>(g.core.profile() & 0xFF) << 8;
    if (g.core.autoSwitch()) r |= 1 << 16;
    if (g.trayIconOn) r |= 1 << 17;
    if (g.core.editing()) r |= 1 << 18;
    if (g.hooked) r |= 1 << 19;
    if (g.trayShown) r |= 1 << 20;
    return r;
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_RBUTTONDOWN:
            // The library's notifications arrive by SendMessage from inside its hooks:
            // answer from memory, never wait and never show anything here.
            switch (lParam) {
                case YORVAN2_NOTIFY_OFF:
                    g.core.NotifyOff();
                    Log("notify off");
                    PostRefresh();
                    return 0;
                case YORVAN2_NOTIFY_ON:
                    g.core.NotifyOn(WindowTitle(GetForegroundWindow()));
                    Log("notify on");
                    PostRefresh();
                    return 0;
                case YORVAN2_NOTIFY_ACTIVATED:
                    if (g.core.NotifyActivated(WindowTitle(reinterpret_cast<HWND>(wParam)))) {
                        Log("switch profile=%d", g.core.profile());
                        PostRefresh();
                    }
                    return 0;
            }
            return 0;
        case kMsgTray:
            switch (LOWORD(lParam)) {
                case WM_RBUTTONUP:
                case WM_CONTEXTMENU:
                    ShowMenu();
                    break;
                case WM_LBUTTONDBLCLK:
                    if (!g.core.editing() && g.hooked) OnCommand(kCmdConversion);
                    break;
            }
            return 0;
        case kMsgRefresh:
            RefreshTray();
            return 0;
        case kMsgAnotherStart:
            Log("another start");
            Balloon("Yorvan2 は既に起動しています。");
            return 0;
        case kMsgQuery:
            return QueryState();
        case kMsgReinstall:
            ReinstallHooks();
            return 0;
        case kMsgEditorEnded:
            FinishEditor();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) {
                PostMessageA(wnd, kMsgReinstall, 0, 0);
            }
            return TRUE;
        case WM_WTSSESSION_CHANGE:
            if (wParam == WTS_SESSION_UNLOCK) PostMessageA(wnd, kMsgReinstall, 0, 0);
            return 0;
        case WM_TIMER:
            if (wParam == kSessionTimer) RegisterSessionNotification();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) Shutdown();
            return 0;
        case WM_CLOSE:
            DestroyWindow(wnd);
            return 0;
        case WM_DESTROY:
            Shutdown();
            PostQuitMessage(0);
            return 0;
    }
    if (msg == g.taskbarCreated && msg != 0) {
        // The shell restarted: the icon has to be added again.
        g.trayShown = false;
        RefreshTray();
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

// Time since the process was created, for the start-up measurement in the log.
unsigned long MillisecondsSinceCreation() {
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a, b;
    a.LowPart = created.dwLowDateTime;
    a.HighPart = created.dwHighDateTime;
    b.LowPart = now.dwLowDateTime;
    b.HighPart = now.dwHighDateTime;
    return b.QuadPart > a.QuadPart ? static_cast<unsigned long>((b.QuadPart - a.QuadPart) / 10000)
                                   : 0;
}

// "/log FILE" appends a line for every state change (used by the tests and the demo).
void OpenLog(const char* cmdLine) {
    const char* p = std::strstr(cmdLine, "/log ");
    if (!p) return;
    p += 5;
    while (*p == ' ') ++p;
    std::string path;
    if (*p == '"') {
        const char* end = std::strchr(p + 1, '"');
        path.assign(p + 1, end ? end : p + std::strlen(p));
    } else {
        const char* end = std::strchr(p, ' ');
        path.assign(p, end ? end : p + std::strlen(p));
    }
    if (path.empty()) return;
    g.log = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int) {
    g.instance = instance;
    OpenLog(cmdLine ? cmdLine : "");

    HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        HWND other = FindWindowA(kClassName, kWindowTitle);
        if (other) PostMessageA(other, kMsgAnotherStart, 0, 0);
        Log("already running");
        CloseHandle(mutex);
        return 0;
    }

    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    g.exePath = path;
    // Ends in '\\'; a 0x5C trail byte in a folder name is no separator.
    g.dir = yv::settings::DirectoryPart(g.exePath);
    g.iniPath = g.dir + "Yorvan2.ini";
    g.editorPath = g.dir + "YorvanSet.exe";

    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    g.iconOn = yv::host::MakeStateIcon(true);
    g.iconOff = yv::host::MakeStateIcon(false);
    g.taskbarCreated = RegisterWindowMessageA("TaskbarCreated");

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hIcon = g.iconOn;
    wc.hIconSm = g.iconOn;
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);
    // Hidden, but a real top-level window: the settings editor looks for it by its title.
    g.wnd = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, kWindowTitle, WS_POPUP, 0, 0, 0, 0,
                            nullptr, nullptr, instance, nullptr);
    if (!g.wnd) return 1;

    const yv::host::Snapshot settings = yv::host::LoadSnapshot(g.iniPath);
    Log("ini %s profiles=%d encoding=%s", g.iniPath.c_str(), settings.profileCount,
        yv::settings::EncodingName(settings.encoding));
    if (SetHook(g.wnd, settings.numLockHold ? 1 : 0) != 0) {
        // The library has told the user already.
        Log("hook failed");
        g.shutDown = true;
        DestroyWindow(g.wnd);
        if (com) CoUninitialize();
        CloseHandle(mutex);
        return 1;
    }
    g.hooked = true;
    g.core.Start(settings, WindowTitle(GetForegroundWindow()));
    RegisterSessionNotification();
    LogState("start");
    RefreshTray();
    Log("ready ms=%lu", MillisecondsSinceCreation());

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Shutdown();
    DestroyIcon(g.iconOn);
    DestroyIcon(g.iconOff);
    if (g.log != INVALID_HANDLE_VALUE) CloseHandle(g.log);
    if (com) CoUninitialize();
    CloseHandle(mutex);
    return 0;
}
