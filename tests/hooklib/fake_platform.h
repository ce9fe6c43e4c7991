// A recording stand-in for the platform seam (hooklib/platform.h), for tests on any system.
//
// Every seam call is appended to a log as one text line, e.g.
//   keybd_event(17, 0, 0, own)
//   keybd_event(16, 0x2a, KEYEVENTF_KEYUP, own)
//   SendMessageA(0x10, WM_CHAR, 97, 1)
//   MessageBoxA(0, "text", "caption", 0)
// Formats: window, hook, module and memory handles in hex; virtual keys, wParam and lParam in
// decimal (lParam in hex when it does not fit 16 bits); scan codes in hex; messages, hook types
// and hook procedures by name; keybd_event flags by name, and its extra information "own" when it
// is the library's mark (kOwnInput); strings quoted, raw bytes kept.
//
// Answers come from settings a test can change; Reset() restores the defaults. All functions
// are safe to call from several threads at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform.h"

namespace yv::fake {

// What CallNextHookEx returns, so a test can tell a passed-on event from a swallowed one.
constexpr LResult kNextHookResult = 42;
// Default answers.
inline const Hwnd kDefaultDesktop = reinterpret_cast<Hwnd>(0x10010);
inline const Himc kDefaultImc = reinterpret_cast<Himc>(0x1C);
inline const Hmodule kDefaultUser32 = reinterpret_cast<Hmodule>(0x77000000);
inline void* const kDefaultFilterProc = reinterpret_cast<void*>(0x77001234);
// The process the library runs in; windows belong to it unless SetWindowProcess says otherwise.
constexpr std::uint32_t kOwnProcess = 0x500;
// GetCurrentThreadId's answer.
constexpr std::uint32_t kHookThread = 0x700;

// Back to defaults: empty log, recording on, all keys up, IME closed, standard key tables,
// clipboard working and empty, hooks succeeding, NT 6.1 SP1, no window styles or titles.
void Reset();

// The log.
std::vector<std::string> Log();
void ClearLog();
void SetRecording(bool on);  // off: calls are answered but not logged (stress runs)

// Keyboard.
void SetKeyState(int vk, std::int16_t state);       // GetKeyState
void SetAsyncKeyState(int vk, std::int16_t state);  // GetAsyncKeyState
void SetKeyboardStateBytes(const std::uint8_t* state256);
std::vector<std::uint8_t> KeyboardStateBytes();  // what SetKeyboardState stored last
void SetVkKeyScan(char ch, std::int16_t result);
void SetScanToVk(std::uint32_t scan, std::uint32_t vk);  // MapVirtualKeyA(scan, 1)
// GetMessageExtraInfo's answer. Every key message asks for it, so it is answered but not logged.
void SetMessageExtraInfo(LParam extra);

// How many events SendInput inserts at most (the rest blocked, as by UIPI); all by default.
void SetSendInputLimit(std::uint32_t n);

// GetTickCount's answer (not logged).
void SetTickCount(std::uint32_t tick);

// IME.
void SetImeOpen(bool open);

// Clipboard and global memory.
// What the owner answers to the offer of a paste (SendMessageA with NOTIFY_PASTE); 0 by default.
void SetPasteOfferAnswer(LResult answer);
void FailOpenClipboard(bool fail);
void FailGlobalAlloc(bool fail);
void FailGlobalLock(bool fail);
void FailSetClipboardData(bool fail);
std::string ClipboardText();      // text of the CF_TEXT memory the clipboard owns
std::u16string ClipboardTextW();  // of the CF_UNICODETEXT memory
int LiveGlobalBlocks();           // allocated, not freed and not owned by the clipboard

// Installation.
void SetHookResult(int idHook, Hhook result);  // nullptr makes that hook type fail
void FailNthHook(int n);                       // the n-th SetWindowsHookExA call fails (1-based)
void SetVersionInfo(const OsVersionInfoA& info);
void FailGetVersion(bool fail);
void SetLoadLibraryResult(Hmodule module);
void SetProcAddressResult(const std::string& name, void* proc);
void SetWindowStyle(Hwnd w, std::int32_t style);
// GetWindowTextA's answer, and GetWindowTextW's read by code page 932 unless SetWindowTitleW
// gave it one of its own.
void SetWindowTitle(Hwnd w, const std::string& title);
void SetWindowTitleW(Hwnd w, const std::u16string& title);
void SetDesktopWindow(Hwnd w);
void SetWindowProcess(Hwnd w, std::uint32_t processId);  // GetWindowThreadProcessId, not logged

// Threads (OpenThread, GetThreadTimes, GetExitCodeThread). A thread not set exists, runs and
// was created at DefaultBirth(id); thread 0 never exists.
struct ThreadFacts {
    std::uint64_t created = 0;
    bool alive = true;   // false: ended, its object still held open by someone
    bool exists = true;  // false: gone, OpenThread fails
    // GetThreadTimes fails, having written the creation time all the same (what a failed call
    // leaves in its outputs is unspecified).
    bool timesFail = false;
};
constexpr std::uint64_t DefaultBirth(std::uint32_t id) { return 0x1000000ull + id; }
void SetThread(std::uint32_t id, const ThreadFacts& facts);
int OpenThreadHandles();  // opened and not closed

// Names used in the log, for tests that build expected lines.
std::string MessageName(std::uint32_t msg);
std::string Hex(std::uintptr_t value);

}  // namespace yv::fake
