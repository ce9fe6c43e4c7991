// The shell thread of Yorvan2.exe: its state and the parts that share it, one file a role
// (main.cpp the window and the start, tray.cpp the icon and its menu, settingswatch.cpp the
// settings file followed, editorproc.cpp the editor's process, log.cpp the log and the mailbox).
#pragma once

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

namespace yv::host::win::shell {

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
constexpr DWORD kClipStopMs = 1000;
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

extern Shell g;
extern std::atomic<std::uint32_t> g_trayBits;
extern std::atomic<std::uint32_t> g_published;
extern std::atomic<bool> g_inputEnded;
extern yv::host::Mailbox g_orders;  // the shell thread's

inline int Mode() { return static_cast<int>(g.state & 0xFF); }
inline int Profile() { return static_cast<int>((g.state >> 8) & 0xFF); }
inline bool Hooked() { return (g.state & w::kStateHooked) != 0; }
inline bool Editing() { return (g.state & w::kStateEditing) != 0; }
inline bool AutoSwitch() { return (g.state & w::kStateAuto) != 0; }
inline bool ConversionOn() { return Mode() == 1 || Mode() == 3; }

void WriteLogLine(const char* line, int n);
void TakeNames(const yv::host::Snapshot& s);
void SendSettings(CoreCommand cmd, yv::host::Snapshot snap);
void Command(CoreCommand cmd, int arg = 0);
std::string TrayTip();
void RefreshTray();
void RemoveTray();
void Balloon(const char* text);
yv::host::FileStamp StampOf(const std::string& path);
yv::host::Snapshot ReadSettings();
bool RefusedAsNoSettings(const yv::host::FileStamp& stamp, const yv::host::Snapshot& snap,
                         const char* when);
void ReloadSettings();
void ArmDirWatch();
void StartDirWatch();
void StopDirWatch();
void OnDirChanged();
void OnSettled();
void StartEditor();
void AdoptEditor();
void FinishEditor();
BOOL CALLBACK FindEditorWindow(HWND w, LPARAM found);
HWND EditorWindow();
VOID CALLBACK EditorCloseAnswered(HWND editor, UINT, ULONG_PTR, LRESULT);
void RequestExit();
void ShowMenu();
void ShutdownShell();
void OnCommand(UINT id);
void RegisterSessionNotification();
LRESULT CALLBACK ShellProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
unsigned long MillisecondsSinceCreation();
void OpenLog(const char* cmdLine);
void RunShellLoop();
void WaitPumping(HANDLE event);
VOID CALLBACK EditorEnded(PVOID, BOOLEAN);
constexpr UINT_PTR kSettleTimer = 2;  // the settings file settles

}  // namespace yv::host::win::shell
