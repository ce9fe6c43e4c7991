// The two threads of the Windows host and what they post to each other.
//
// The input thread owns the window "Yorvan2", the hooks (a low-level hook runs on the thread
// that installed it), the window-event hooks and the conversion state (HostCore). It only pumps
// messages and answers from memory. The shell thread (the program's main thread) does
// everything that may wait: the settings file, the editor, the tray icon and its menu, message
// boxes, the Startup shortcut, the log file. The shell thread may send to the input thread;
// the input thread only posts to the shell thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "frontservice.h"
#include "hostcore.h"

namespace yv::host::win {

constexpr char kClassName[] = "Yorvan2Host";
constexpr char kWindowTitle[] = "Yorvan2";

// To the input window "Yorvan2" (WM_RBUTTONDOWN is taken by the library's notifications).
constexpr UINT kMsgAnotherStart = WM_APP + 3;  // a second start was refused
constexpr UINT kMsgQuery = WM_APP + 4;         // state for tests and tools, see StateBits
constexpr UINT kMsgReinstall = WM_APP + 5;     // reinstall the hooks
constexpr UINT kMsgWake = WM_APP + 14;         // orders wait in the input thread's mailbox
constexpr UINT kMsgTestDrop = WM_APP + 15;     // with "/test": the keyboard hook dropped

// To the shell window. Other programs can post these too: none carries anything the shell
// trusts; each makes it look at the truth in its own process.
constexpr UINT kMsgTray = WM_APP + 1;         // the tray icon's mouse events
constexpr UINT kMsgState = WM_APP + 2;        // the state changed (PublishedState)
constexpr UINT kMsgEditorEnded = WM_APP + 6;  // the settings editor's process may have ended
constexpr UINT kMsgInputEnded = WM_APP + 9;   // the input thread may have ended
constexpr UINT kMsgShellWake = WM_APP + 14;   // orders wait in the shell thread's mailbox

// Orders for the shell thread, carried out when it next looks at its messages.
void PutShellOrder(std::function<void()> order);

// The state bits the input thread published last, and whether it has ended.
void PublishState(std::uint32_t bits);
std::uint32_t PublishedState();
void SetInputEnded();

enum class CoreCommand : WPARAM {
    kToggleConversion,
    kToggleAutoSwitch,
    kSelectProfile,  // the argument: the profile number
    kReload,         // with a snapshot
    kBeginEditing,   // the result is the active profile, or -1 when already editing
    kEndEditing,     // with a snapshot, or none for the same settings
};

// On the input thread only (in an order of its mailbox, hookthreads.h): carries out a command of
// the shell's; `snap` the settings that go with kReload and kEndEditing.
LRESULT RunCore(CoreCommand cmd, int arg, const Snapshot* snap);
// From the shell thread: `order` carried out on the input thread before this returns.
void RunOnInputNow(HWND input, std::function<void()> order);

// Bits of the state (answer to kMsgQuery): 0-7 mode, 8-15 profile, 16 automatic switching,
// 17 the icon shows "on", 18 the editor runs, 19 hooks installed, 20 the icon is shown,
// 21-22 how the window in front is served (0 in process, 1 by the fallback, 2 unreachable).
constexpr std::uint32_t kStateAuto = 1u << 16;
constexpr std::uint32_t kStateIconOn = 1u << 17;
constexpr std::uint32_t kStateEditing = 1u << 18;
constexpr std::uint32_t kStateHooked = 1u << 19;
constexpr std::uint32_t kStateTray = 1u << 20;
// Bits 21-22: how the window in front is served (FrontService).
constexpr int kStateFrontShift = 21;
std::uint32_t StateBits(const HostCore& core, bool hooked);

// Appends a line to the log given by "/log FILE". From the input thread the line is posted to
// the shell thread, which writes it.
void Log(const char* fmt, ...);

// Set by the shell thread, read by the input thread's answer to kMsgQuery.
void SetTrayBits(bool iconOn, bool shown);
std::uint32_t TrayBits();

struct InputStart {
    HINSTANCE instance = nullptr;
    HWND shell = nullptr;
    Snapshot* settings = nullptr;  // owned by the input thread from here on
    HANDLE ready = nullptr;        // set once the window exists and the hooks are in
    bool testOrders = false;       // "/test" on the command line
    HWND wnd = nullptr;            // out: the window "Yorvan2"
    bool hooked = false;           // out
};

// The input thread's procedure; `param` is an InputStart that outlives the `ready` event.
DWORD WINAPI InputThread(void* param);

}  // namespace yv::host::win
