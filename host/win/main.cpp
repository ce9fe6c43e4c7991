// Yorvan2.exe, the resident host: the shell thread with the notification-area icon and its
// menu, the settings file and the editor; the input thread (input.cpp) with the window
// "Yorvan2" and the hooks.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "follow.h"
#include "handover.h"
#include "hostcore.h"
#include "strutil.h"
#include "companionmsg.h"
#include "clipboard.h"
#include "companion.h"
#include "hookthreads.h"
#include "host.h"
#include "shell.h"

namespace {

using yv::host::win::CoreCommand;
using yv::host::win::kClassName;
using yv::host::win::kWindowTitle;
namespace w = yv::host::win;

constexpr char kShellClass[] = "Yorvan2Shell";
constexpr char kMutexName[] = "Yorvan2ResidentHost";
constexpr char kEditorTitle[] = "Yorvan2変換設定";
constexpr char kEditorClass[] = "YorvanSetMain";
// Posted by the editor to the shell window when it starts, without arguments (the same name in
// settings/win/main.cpp).
constexpr char kEditorRunsMessage[] = "Yorvan2EditorRuns";
constexpr UINT kSettleTimerRetryMs = 300;
constexpr DWORD kSessionEditorWaitMs = 4000;
constexpr char kErrorTitle[] = "エラー";
constexpr char kNotSettingsText[] =
    "Yorvan2.ini が空か、設定ファイルではありません。今までの設定のまま動作します。";

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

// The shell thread's state. The conversion state lives on the input thread; this side keeps
// the last state it was told of and the profile names of the settings it handed over.
struct Shell {
    HINSTANCE instance = nullptr;
    HWND wnd = nullptr;    // hidden, owns the tray icon and its menu
    HWND input = nullptr;  // the window "Yorvan2" on the input thread
    DWORD thread = 0;      // the shell thread's id
    std::string exePath, dir, iniPath, editorPath;
    std::uint32_t state = 0;  // the input thread's last state bits
    int profileCount = 0;
    std::string names[yv::host::kMaxProfiles + 1];
    NOTIFYICONDATAA tray = {};
    bool trayShown = false;
    HICON iconOn = nullptr, iconOff = nullptr;
    UINT taskbarCreated = 0;
    UINT editorRuns = 0;  // kEditorRunsMessage
    HANDLE editorProcess = nullptr;
    HANDLE editorWait = nullptr;
    DWORD editorThread = 0;
    bool exitPending = false;  // exit waits for the editor to end
    HANDLE log = INVALID_HANDLE_VALUE;
    yv::host::win::ClipKeeper clip;
    yv::host::win::Companion companion;
    // The settings file's folder, watched for changes of the file.
    HANDLE dirHandle = INVALID_HANDLE_VALUE;
    HANDLE dirEvent = nullptr;
    OVERLAPPED dirOv = {};
    alignas(DWORD) BYTE dirBuf[8192];
    yv::host::FileFollower follower{kSettleMs};
    const char* changeReason = "";
    static constexpr std::uint32_t kSettleMs = 300;
};

Shell g;
std::atomic<std::uint32_t> g_trayBits{0};
std::atomic<std::uint32_t> g_published{0};
std::atomic<bool> g_inputEnded{false};
yv::host::Mailbox g_orders;  // the shell thread's

int Mode() { return static_cast<int>(g.state & 0xFF); }
int Profile() { return static_cast<int>((g.state >> 8) & 0xFF); }
bool Hooked() { return (g.state & w::kStateHooked) != 0; }
bool Editing() { return (g.state & w::kStateEditing) != 0; }
bool AutoSwitch() { return (g.state & w::kStateAuto) != 0; }
bool ConversionOn() { return Mode() == 1 || Mode() == 3; }

void WriteLogLine(const char* line, int n) {
    DWORD written = 0;
    WriteFile(g.log, line, static_cast<DWORD>(n), &written, nullptr);
}

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

void Command(CoreCommand cmd, int arg = 0) {
    if (g.input) w::PutInputOrder([cmd, arg] { w::RunCore(cmd, arg, nullptr); });
}

std::string TrayTip() {
    std::string tip = "Yorvan2 ";
    if (!Hooked()) {
        tip += "停止中（フック失敗）";
    } else if (Editing()) {
        tip += "設定中";
    } else {
        tip += ConversionOn() ? "変換オン" : "変換オフ";
        const int p = Profile() <= yv::host::kMaxProfiles ? Profile() : 0;
        tip += " / " + g.names[p];
        if (AutoSwitch()) tip += " / 自動切替";
        tip += yv::host::FrontNote(
            static_cast<yv::host::FrontService>((g.state >> w::kStateFrontShift) & 3));
    }
    return yv::settings::LeftPart(tip, sizeof g.tray.szTip - 1);
}

// Shows the current state in the notification area; the shell call may wait on another
// process, which is why it happens on this thread.
void RefreshTray() {
    const bool on = Hooked() && ConversionOn();
    g.tray.cbSize = sizeof g.tray;
    g.tray.hWnd = g.wnd;
    g.tray.uID = 1;
    g.tray.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    g.tray.uCallbackMessage = w::kMsgTray;
    g.tray.hIcon = on ? g.iconOn : g.iconOff;
    std::string tip = TrayTip();
    std::memcpy(g.tray.szTip, tip.c_str(), tip.size() + 1);
    if (g.trayShown) {
        g.trayShown = Shell_NotifyIconA(NIM_MODIFY, &g.tray) != FALSE;
    }
    if (!g.trayShown) g.trayShown = Shell_NotifyIconA(NIM_ADD, &g.tray) != FALSE;
    w::SetTrayBits(on, g.trayShown);
    w::Log("state mode=%d profile=%d auto=%d editing=%d hooked=%d", Mode(), Profile(),
           AutoSwitch() ? 1 : 0, Editing() ? 1 : 0, Hooked() ? 1 : 0);
}

void RemoveTray() {
    if (!g.trayShown) return;
    Shell_NotifyIconA(NIM_DELETE, &g.tray);
    g.trayShown = false;
    w::SetTrayBits(false, false);
}

void Balloon(const char* text) {
    if (!g.trayShown) return;
    NOTIFYICONDATAA n = g.tray;
    n.uFlags = NIF_INFO;
    std::strncpy(n.szInfo, text, sizeof n.szInfo - 1);
    std::strncpy(n.szInfoTitle, kWindowTitle, sizeof n.szInfoTitle - 1);
    n.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconA(NIM_MODIFY, &n);
    w::Log("balloon shown");
}

// The settings file's identity and version, without reading it.
yv::host::FileStamp StampOf(const std::string& path) {
    yv::host::FileStamp st;
    HANDLE f = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        // Held in some other way: it exists, and differs from anything read.
        st.exists = err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND;
        return st;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(f, &info)) {
        st.exists = true;
        st.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        st.writeTime = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                       info.ftLastWriteTime.dwLowDateTime;
        st.id = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    } else {
        st.exists = true;
    }
    CloseHandle(f);
    return st;
}

// Reads the settings file; the follower learns which version is in force.
yv::host::Snapshot ReadSettings() {
    const yv::host::FileStamp stamp = StampOf(g.iniPath);
    yv::host::Snapshot snap = yv::host::LoadSnapshot(g.iniPath);
    g.follower.Took(stamp);
    return snap;
}

// A file read that is no settings file (a truncated save, a file of another kind) leaves the
// settings in force: dropping every rule would be worse. Logged with `when`, told once in a
// balloon; true when so.
bool RefusedAsNoSettings(const yv::host::FileStamp& stamp, const yv::host::Snapshot& snap,
                         const char* when) {
    const char* why = snap.file == yv::settings::FileState::kRead
                          ? yv::host::NotSettings(stamp, snap.hasConfig)
                          : nullptr;
    if (!why) return false;
    w::Log("settings file %s but %s, the settings in force stay", when, why);
    if (g.follower.Refused(stamp)) Balloon(kNotSettingsText);
    return true;
}

void ReloadSettings() {
    w::Log("reload begin");
    const yv::host::FileStamp stamp = StampOf(g.iniPath);
    yv::host::Snapshot snap = yv::host::LoadSnapshot(g.iniPath);
    if (RefusedAsNoSettings(stamp, snap, "reloaded")) return;
    g.follower.Took(stamp);
    SendSettings(CoreCommand::kReload, std::move(snap));
}

// --- following the settings file as other programs rewrite it
constexpr UINT_PTR kSettleTimer = 2;

void ArmDirWatch() {
    ResetEvent(g.dirEvent);
    const DWORD filter =
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;
    if (!ReadDirectoryChangesW(g.dirHandle, g.dirBuf, sizeof g.dirBuf, FALSE, filter, nullptr,
                               &g.dirOv, nullptr)) {
        // A share without notices, for one: its stamp is looked at instead (OnSettled).
        w::Log("settings file: folder watch ended (error %lu), its stamp is looked at every %u ms",
               static_cast<unsigned long>(GetLastError()), yv::host::FileFollower::kStampPollMs);
        CloseHandle(g.dirHandle);
        g.dirHandle = INVALID_HANDLE_VALUE;
        if (!g.follower.pending()) {
            SetTimer(g.wnd, kSettleTimer, yv::host::FileFollower::kStampPollMs, nullptr);
        }
    }
}

void StartDirWatch() {
    g.dirHandle = CreateFileA(
        g.dir.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (g.dirHandle == INVALID_HANDLE_VALUE) {
        w::Log("settings file: its folder cannot be watched, its stamp is looked at every %u ms",
               yv::host::FileFollower::kStampPollMs);
        SetTimer(g.wnd, kSettleTimer, yv::host::FileFollower::kStampPollMs, nullptr);
        return;
    }
    g.dirEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g.dirOv.hEvent = g.dirEvent;
    ArmDirWatch();
}

void StopDirWatch() {
    if (g.dirHandle != INVALID_HANDLE_VALUE) {
        CancelIo(g.dirHandle);
        DWORD n = 0;
        GetOverlappedResult(g.dirHandle, &g.dirOv, &n, TRUE);
        CloseHandle(g.dirHandle);
    }
    g.dirHandle = INVALID_HANDLE_VALUE;
    if (g.dirEvent) CloseHandle(g.dirEvent);
    g.dirEvent = nullptr;
}

// The folder changed: notices about the settings file start the settling time.
void OnDirChanged() {
    DWORD n = 0;
    const char* reason = nullptr;
    if (!GetOverlappedResult(g.dirHandle, &g.dirOv, &n, FALSE)) {
        // Notices lost (ERROR_NOTIFY_ENUM_DIR, among others): the file may have changed.
        w::Log("settings file: folder notice error %lu",
               static_cast<unsigned long>(GetLastError()));
        n = 0;
    }
    if (n == 0) reason = "changed";  // more notices than the buffer held, or none told
    for (DWORD at = 0; n != 0 && at + sizeof(FILE_NOTIFY_INFORMATION) <= n;) {
        const auto* e = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(g.dirBuf + at);
        if (CompareStringOrdinal(e->FileName, static_cast<int>(e->FileNameLength / 2),
                                 L"Yorvan2.ini", -1, TRUE) == CSTR_EQUAL) {
            switch (e->Action) {
                case FILE_ACTION_ADDED:
                    reason = "created";
                    break;
                case FILE_ACTION_REMOVED:
                    reason = "deleted";
                    break;
                case FILE_ACTION_RENAMED_NEW_NAME:
                    reason = "replaced";
                    break;
                case FILE_ACTION_MODIFIED:
                    if (!reason) reason = "written";
                    break;
                default:
                    if (!reason) reason = "renamed";
            }
        }
        if (e->NextEntryOffset == 0) break;
        at += e->NextEntryOffset;
    }
    ArmDirWatch();
    if (!reason) return;
    g.changeReason = reason;
    g.follower.Changed(GetTickCount());
    SetTimer(g.wnd, kSettleTimer, g.follower.WaitMs(GetTickCount()) + 1, nullptr);
}

void OnSettled() {
    KillTimer(g.wnd, kSettleTimer);
    using Step = yv::host::FileFollower::Step;
    const yv::host::FileStamp stamp = StampOf(g.iniPath);
    // A folder that cannot be watched: the timer looks at the file's stamp every few seconds,
    // and whatever a step below leaves without a timer of its own looks again.
    struct LookAgain {
        ~LookAgain() {
            if (g.dirHandle == INVALID_HANDLE_VALUE && g.wnd && !g.follower.pending()) {
                SetTimer(g.wnd, kSettleTimer, yv::host::FileFollower::kStampPollMs, nullptr);
            }
        }
    } lookAgain;
    if (g.dirHandle == INVALID_HANDLE_VALUE) {
        if (g.follower.Looked(GetTickCount(), stamp)) {
            g.changeReason = "changed (seen by its stamp)";
        } else if (!g.follower.pending()) {
            return;
        }
    }
    switch (g.follower.Poll(GetTickCount(), g.editorProcess != nullptr, stamp)) {
        case Step::kWait:
            SetTimer(g.wnd, kSettleTimer, g.follower.WaitMs(GetTickCount()) + 1, nullptr);
            return;
        case Step::kIdle:
            if (!stamp.exists) w::Log("settings file deleted, the settings in force stay");
            return;
        case Step::kRead:
            break;
    }
    yv::host::Snapshot snap = yv::host::LoadSnapshot(g.iniPath);
    if (snap.file != yv::settings::FileState::kRead) {
        // Held by its writer, or gone again: the settings in force stay; look again soon.
        w::Log("settings file %s but cannot be read, the settings in force stay", g.changeReason);
        g.follower.Failed(GetTickCount());
        if (g.follower.pending()) SetTimer(g.wnd, kSettleTimer, kSettleTimerRetryMs, nullptr);
        return;
    }
    if (RefusedAsNoSettings(stamp, snap, g.changeReason)) return;
    g.follower.Took(stamp);
    w::Log("reload begin (settings file %s, encoding=%s)", g.changeReason,
           yv::settings::EncodingName(snap.encoding));
    SendSettings(CoreCommand::kReload, std::move(snap));
}

VOID CALLBACK EditorEnded(PVOID, BOOLEAN) { PostMessageA(g.wnd, w::kMsgEditorEnded, 0, 0); }

void StartEditor() {
    if (!g.input) return;
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
    // Sent, not posted: key learning must be in force before the editor looks at its first
    // key, and the editor is told the active profile. The input thread answers at once.
    LRESULT profile = -1;
    w::RunOnInputNow(g.input,
                     [&profile] { profile = w::RunCore(CoreCommand::kBeginEditing, 0, nullptr); });
    if (profile < 0) return;
    std::string cmd = "\"" + g.editorPath + "\" " + std::to_string(profile + 1);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(g.editorPath.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        g.dir.c_str(), &si, &pi)) {
        DWORD err = GetLastError();
        Command(CoreCommand::kEndEditing);
        char text[512];
        std::snprintf(text, sizeof text, "設定プログラムを起動できません（エラー %lu）。\r\n%s",
                      static_cast<unsigned long>(err), g.editorPath.c_str());
        MessageBoxA(g.wnd, text, kErrorTitle, MB_OK | MB_ICONERROR);
        return;
    }
    CloseHandle(pi.hThread);
    g.editorProcess = pi.hProcess;
    g.editorThread = pi.dwThreadId;
    if (!RegisterWaitForSingleObject(&g.editorWait, g.editorProcess, EditorEnded, nullptr, INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        g.editorWait = nullptr;
    }
}

// An editor started by hand says that it runs. The notice carries nothing and proves nothing:
// the editor's window and process are looked up here, and that editor is then treated as one
// the host started (key learning, its end rereading the file, exit through its question).
void AdoptEditor() {
    if (!g.input || g.editorProcess) return;
    HWND editor = FindWindowA(kEditorClass, kEditorTitle);
    DWORD pid = 0;
    const DWORD thread = editor ? GetWindowThreadProcessId(editor, &pid) : 0;
    if (thread == 0) return;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return;
    LRESULT profile = -1;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        w::RunOnInputNow(g.input, [&profile] {
            profile = w::RunCore(CoreCommand::kBeginEditing, 0, nullptr);
        });
    }
    if (profile < 0) {
        CloseHandle(process);
        return;
    }
    w::Log("editor started by itself (process %lu), taken as the host's",
           static_cast<unsigned long>(pid));
    g.editorProcess = process;
    g.editorThread = thread;
    if (!RegisterWaitForSingleObject(&g.editorWait, g.editorProcess, EditorEnded, nullptr, INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        g.editorWait = nullptr;
    }
}

void FinishEditor() {
    if (!g.editorProcess) return;
    if (g.editorWait) {
        UnregisterWait(g.editorWait);
        g.editorWait = nullptr;
    }
    CloseHandle(g.editorProcess);
    g.editorProcess = nullptr;
    g.editorThread = 0;
    // What the editor wrote is read here, once; its notices find the same file in force.
    const yv::host::FileStamp stamp = StampOf(g.iniPath);
    yv::host::Snapshot snap = yv::host::LoadSnapshot(g.iniPath);
    if (RefusedAsNoSettings(stamp, snap, "read at the editor's end")) {
        Command(CoreCommand::kEndEditing);
    } else {
        g.follower.Took(stamp);
        SendSettings(CoreCommand::kEndEditing, std::move(snap));
    }
    if (g.exitPending) {
        w::Log("exit: the editor has ended");
        PostMessageA(g.input, WM_CLOSE, 0, 0);
    }
}

BOOL CALLBACK FindEditorWindow(HWND w, LPARAM found) {
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (std::strcmp(cls, kEditorClass) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
}

// The editor's main window, found through its thread.
HWND EditorWindow() {
    HWND found = nullptr;
    EnumThreadWindows(g.editorThread, FindEditorWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The editor has answered the close request: it has closed its window (its end follows), or
// the user kept it, and the host stays with it.
VOID CALLBACK EditorCloseAnswered(HWND editor, UINT, ULONG_PTR, LRESULT) {
    if (!g.exitPending || !g.editorProcess) return;
    if (IsWindow(editor) && WaitForSingleObject(g.editorProcess, 0) == WAIT_TIMEOUT) {
        g.exitPending = false;
        w::Log("exit cancelled: the editor stays");
    }
}

// Exit: a running editor is asked to close first, so that its close question protects unsaved
// rows; the host ends once the editor has ended.
void RequestExit() {
    if (!g.editorProcess) {
        PostMessageA(g.input, WM_CLOSE, 0, 0);
        return;
    }
    HWND editor = EditorWindow();
    if (!editor) {
        // No window yet (or a stand-in without one): nothing there can hold unsaved rows.
        PostMessageA(g.input, WM_CLOSE, 0, 0);
        return;
    }
    if (g.exitPending) {
        SetForegroundWindow(editor);  // its close question is open
        return;
    }
    g.exitPending = true;
    w::Log("exit: asking the editor to close");
    if (!SendMessageCallbackA(editor, WM_CLOSE, 0, 0, EditorCloseAnswered, 0)) {
        g.exitPending = false;
        PostMessageA(g.input, WM_CLOSE, 0, 0);
    }
}

void ShowMenu() {
    const bool idle = !Editing();
    HMENU profiles = CreatePopupMenu();
    for (int p = 0; p <= g.profileCount; ++p) {
        std::string name = g.names[p].empty() ? "(名前なし)" : g.names[p];
        UINT flags = MF_STRING | (idle ? 0 : MF_GRAYED);
        AppendMenuA(profiles, flags, kCmdProfile0 + p, name.c_str());
    }
    CheckMenuRadioItem(profiles, kCmdProfile0, kCmdProfile0 + g.profileCount,
                       kCmdProfile0 + Profile(), MF_BYCOMMAND);

    auto check = [](bool b) -> UINT { return b ? MF_CHECKED : MF_UNCHECKED; };
    HMENU menu = CreatePopupMenu();
    const UINT gray = idle && Hooked() ? 0 : MF_GRAYED;
    AppendMenuA(menu, MF_STRING | gray | check(ConversionOn()), kCmdConversion, "変換(&C)");
    AppendMenuA(menu, MF_STRING | (idle ? 0 : MF_GRAYED) | check(AutoSwitch()), kCmdAutoSwitch,
                "自動切替(&A)");
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

// What is left once the input thread has removed the hooks.
void ShutdownShell() {
    g.companion.Stop();
    g.clip.Stop();
    StopDirWatch();
    RemoveTray();
    if (g.editorWait) UnregisterWait(g.editorWait);
    g.editorWait = nullptr;
    if (g.editorProcess) CloseHandle(g.editorProcess);
    g.editorProcess = nullptr;
}

void OnCommand(UINT id) {
    switch (id) {
        case kCmdConversion:
            Command(CoreCommand::kToggleConversion);
            break;
        case kCmdAutoSwitch:
            Command(CoreCommand::kToggleAutoSwitch);
            break;
        case kCmdEditor:
            StartEditor();
            break;
        case kCmdReload:
            if (!Editing()) ReloadSettings();
            break;
        case kCmdReinstall:
            PostMessageA(g.input, w::kMsgReinstall, 0, 0);
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
            RequestExit();
            break;
        default:
            if (id >= kCmdProfile0 && id <= kCmdProfile0 + yv::host::kMaxProfiles) {
                Command(CoreCommand::kSelectProfile, static_cast<int>(id - kCmdProfile0));
            }
    }
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
            g.clip.OnTimer(wParam);
            return 0;
        case WM_CLIPBOARDUPDATE:
            g.clip.OnUpdate();
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
                if (g.editorProcess) WaitForSingleObject(g.editorProcess, kSessionEditorWaitMs);
                RemoveTray();
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

}  // namespace

namespace yv::host::win {

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
    if (GetCurrentThreadId() == g.thread || !g.wnd) {
        WriteLogLine(line, n);
        return;
    }
    // Not on this thread: a file may wait.
    std::string copy(line, static_cast<std::size_t>(n));
    PutShellOrder([copy] { WriteLogLine(copy.data(), static_cast<int>(copy.size())); });
}

void PutShellOrder(std::function<void()> order) {
    g_orders.Put(std::move(order));
    if (g.wnd) PostMessageA(g.wnd, kMsgShellWake, 0, 0);
}

void PublishState(std::uint32_t bits) { g_published.store(bits); }
std::uint32_t PublishedState() { return g_published.load(); }
void SetInputEnded() { g_inputEnded.store(true); }

Companion& TheCompanion() { return g.companion; }

void SetTrayBits(bool iconOn, bool shown) {
    g_trayBits.store((iconOn ? kStateIconOn : 0) | (shown ? kStateTray : 0),
                     std::memory_order_relaxed);
}

std::uint32_t TrayBits() { return g_trayBits.load(std::memory_order_relaxed); }

}  // namespace yv::host::win

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
        g.clip.Start(g.wnd, g.input);
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
