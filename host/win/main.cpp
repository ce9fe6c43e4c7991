// Yorvan2.exe, the resident host: the shell thread with the notification-area icon and its
// menu, the settings file and the editor; the input thread (input.cpp) with the window
// "Yorvan2" and the hooks.
#include "shellstate.h"

namespace yv::host::win::shell {

void TakeNames(const yv::host::Snapshot& s) {
    g.profileCount = s.profileCount;
    for (int p = 0; p <= yv::host::kMaxProfiles; ++p) g.names[p] = s.profiles[p].name;
}

// Hands freshly read settings to the input thread.
void SendSettings(CoreCommand cmd, yv::host::Snapshot snap) {
    TakeNames(snap);
    if (!g.input) return;
    auto owned = std::make_shared<yv::host::Snapshot>(std::move(snap));
    w::PutInputOrder([cmd, owned] { w::RunCore(cmd, 0, owned.get()); });
}

void Command(CoreCommand cmd, int arg) {
    if (g.input) w::PutInputOrder([cmd, arg] { w::RunCore(cmd, arg, nullptr); });
}

// What is left once the input thread has removed the hooks.
void ShutdownShell() {
    // A restore still waiting is carried out while the rest ends; a clipboard thread held up by
    // another program's clipboard owner does not keep the host from ending.
    w::EndClipThread();
    g.companion.Stop();
    StopDirWatch();
    RemoveTray();
    w::WaitClipThread(kClipStopMs);
    if (g.editorWait) UnregisterWait(g.editorWait);
    g.editorWait = nullptr;
    if (g.editorProcess) CloseHandle(g.editorProcess);
    g.editorProcess = nullptr;
}

// Session notifications (to hear of an unlock) cannot be registered before the terminal
// service runs, which may be later than a start at logon: retry for a while. They go to the
// window "Yorvan2", whose thread reinstalls the hooks.
constexpr UINT_PTR kSessionTimer = 1;
int g_sessionTries = 0;

void RegisterSessionNotification() {
    if (WTSRegisterSessionNotification(g.input, NOTIFY_FOR_THIS_SESSION)) {
        KillTimer(g.wnd, kSessionTimer);
        return;
    }
    if (++g_sessionTries == 1) SetTimer(g.wnd, kSessionTimer, 5000, nullptr);
    if (g_sessionTries > 60) KillTimer(g.wnd, kSessionTimer);
}

LRESULT CALLBACK ShellProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        // Any program can post these: each looks at the truth in this process.
        case w::kMsgState:
            if (g.state == g_published.load()) return 0;
            g.state = g_published.load();
            RefreshTray();
            return 0;
        case w::kMsgShellWake:
            g_orders.RunAll();
            return 0;
        case w::kMsgTray:
            switch (LOWORD(lParam)) {
                case WM_RBUTTONUP:
                case WM_CONTEXTMENU:
                    ShowMenu();
                    break;
                case WM_LBUTTONDBLCLK:
                    if (!Editing() && Hooked()) OnCommand(kCmdConversion);
                    break;
            }
            return 0;
        case w::kMsgAnotherStart:
            w::Log("another start");
            Balloon("Yorvan2 は既に起動しています。");
            return 0;
        case w::kMsgEditorEnded:
            if (g.editorProcess && WaitForSingleObject(g.editorProcess, 0) == WAIT_OBJECT_0)
                FinishEditor();
            return 0;
        case w::kMsgInputEnded:
            if (!g_inputEnded.load()) return 0;
            ShutdownShell();
            PostQuitMessage(0);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_TIMER:
            if (wParam == kSessionTimer) RegisterSessionNotification();
            if (wParam == kSettleTimer) OnSettled();
            return 0;
        case YORVAN2_COMPANION_READY:
            g.companion.OnReady(reinterpret_cast<HWND>(wParam), static_cast<DWORD>(lParam));
            return 0;
        case w::kMsgCompanionEnded:
            g.companion.OnEnded(static_cast<DWORD>(wParam));
            return 0;
        case WM_QUERYENDSESSION:
            // The editor asks its own close question at the session's end.
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) {
                // Its answer may still be writing the file: end after it, within the time the
                // system gives.
                w::EndClipThread();  // a restore still waiting goes first
                if (g.editorProcess) WaitForSingleObject(g.editorProcess, kSessionEditorWaitMs);
                RemoveTray();
                w::WaitClipThread(kClipStopMs);
            }
            return 0;
        case WM_CLOSE:
            PostMessageA(g.input, WM_CLOSE, 0, 0);
            return 0;
    }
    if (msg == g.editorRuns && msg != 0) {
        AdoptEditor();
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

// The shell thread's message loop, which also hears of changes in the settings file's folder.
void RunShellLoop() {
    for (;;) {
        const DWORD count = g.dirHandle != INVALID_HANDLE_VALUE ? 1 : 0;
        const DWORD r = MsgWaitForMultipleObjects(count, &g.dirEvent, FALSE, INFINITE, QS_ALLINPUT);
        if (count == 1 && r == WAIT_OBJECT_0) {
            OnDirChanged();
            continue;
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// Waits for `event` while dispatching this thread's messages (the log lines among them).
void WaitPumping(HANDLE event) {
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1) return;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

}  // namespace yv::host::win::shell

using namespace yv::host::win::shell;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int) {
    g.instance = instance;
    g.thread = GetCurrentThreadId();
    OpenLog(cmdLine ? cmdLine : "");

    HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        HWND other = FindWindowA(kClassName, kWindowTitle);
        if (other) PostMessageA(other, w::kMsgAnotherStart, 0, 0);
        w::Log("already running");
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
    g.editorRuns = RegisterWindowMessageA(kEditorRunsMessage);

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ShellProc;
    wc.hInstance = instance;
    wc.hIcon = g.iconOn;
    wc.hIconSm = g.iconOn;
    wc.lpszClassName = kShellClass;
    RegisterClassExA(&wc);
    // Top-level (hidden, untitled) so that it hears of a restarted shell and of the session's end.
    g.wnd = CreateWindowExA(WS_EX_TOOLWINDOW, kShellClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                            nullptr, instance, nullptr);
    if (!g.wnd) return 1;

    auto settings = std::make_unique<yv::host::Snapshot>(ReadSettings());
    w::Log("ini %s profiles=%d encoding=%s", g.iniPath.c_str(), settings->profileCount,
           yv::settings::EncodingName(settings->encoding));
    TakeNames(*settings);

    // Before the hooks: the first paste row finds it.
    w::StartClipThread(instance);
    w::InputStart start;
    start.instance = instance;
    start.shell = g.wnd;
    start.settings = settings.release();
    start.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    start.testOrders = cmdLine && std::strstr(cmdLine, "/test") != nullptr;
    HANDLE input = CreateThread(nullptr, 0, w::InputThread, &start, 0, nullptr);
    if (!input) {
        delete start.settings;
        return 1;
    }
    // Every key waits on that thread: it goes before this one when the processor is busy.
    SetThreadPriority(input, THREAD_PRIORITY_HIGHEST);
    WaitPumping(start.ready);
    CloseHandle(start.ready);
    g.input = start.wnd;
    int rc = 0;
    if (!start.hooked) {
        w::Log("hook failed");
        rc = 1;
    } else {
        RegisterSessionNotification();
        g.companion.Start(g.wnd, g.input, g.dir);
        StartDirWatch();
        w::Log("ready ms=%lu", MillisecondsSinceCreation());
        RunShellLoop();
    }
    // The input thread has ended its loop (or is about to, the window "Yorvan2" being gone).
    if (g.input) PostMessageA(g.input, WM_CLOSE, 0, 0);
    WaitForSingleObject(input, 10000);
    CloseHandle(input);
    ShutdownShell();
    // Log lines the input thread handed over last.
    g_orders.RunAll();
    DestroyWindow(g.wnd);
    DestroyIcon(g.iconOn);
    DestroyIcon(g.iconOff);
    if (g.log != INVALID_HANDLE_VALUE) CloseHandle(g.log);
    if (com) CoUninitialize();
    CloseHandle(mutex);
    return rc;
}
