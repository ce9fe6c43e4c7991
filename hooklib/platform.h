// The hook library's window onto the platform.
//
// Every platform operation the hook logic needs is a free function in yv::plat, named after the
// Windows function it stands for and taking the same arguments in portable types. The seam is
// bound at link time: the DLL links platform_win.cpp (the real user32/imm32/kernel32 calls), the
// Linux tests link a recording fake, the benchmarks a set of no-ops. Nothing here costs more than
// a direct call.
#pragma once

#include <cstddef>
#include <cstdint>

namespace yv {

using Hwnd = void*;
using Hhook = void*;
using Hinstance = void*;
using Hmodule = void*;
using Himc = void*;
using Hglobal = void*;
using Handle = void*;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// Same layout as the platform's MSG record; the Windows layer checks this at compile time.
struct Msg {
    Hwnd hwnd;
    std::uint32_t message;
    WParam wParam;
    LParam lParam;
    std::uint32_t time;
    std::int32_t ptX;
    std::int32_t ptY;
};

// Same layout as KBDLLHOOKSTRUCT.
struct KbdLLEvent {
    std::uint32_t vkCode;
    std::uint32_t scanCode;
    std::uint32_t flags;
    std::uint32_t time;
    std::uintptr_t dwExtraInfo;
};

// Same layout as OSVERSIONINFOA (148 bytes).
struct OsVersionInfoA {
    std::uint32_t dwOSVersionInfoSize;
    std::uint32_t dwMajorVersion;
    std::uint32_t dwMinorVersion;
    std::uint32_t dwBuildNumber;
    std::uint32_t dwPlatformId;
    char szCSDVersion[128];
};

// The library's hook procedures, for SetWindowsHookExA. The Windows layer maps each to its
// exported callback; the fake records the name.
enum class HookProcId { Message, Keyboard, KeyboardLL, Cbt };

// Platform constants the logic uses.
namespace win {
constexpr std::uint32_t WM_NULL = 0x0000;
constexpr std::uint32_t WM_CONTEXTMENU = 0x007B;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_KEYUP = 0x0101;
constexpr std::uint32_t WM_CHAR = 0x0102;
constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr std::uint32_t WM_SYSKEYUP = 0x0105;
constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
constexpr std::uint32_t WM_TIMER = 0x0113;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr std::uint32_t WM_CUT = 0x0300;
constexpr std::uint32_t WM_COPY = 0x0301;
constexpr std::uint32_t WM_PASTE = 0x0302;
constexpr std::uint32_t WM_CLEAR = 0x0303;
constexpr std::uint32_t WM_UNDO = 0x0304;
constexpr WParam SC_TASKLIST = 0xF130;
constexpr WParam PM_REMOVE = 1;
constexpr std::uint32_t KEYEVENTF_EXTENDEDKEY = 0x0001;
constexpr std::uint32_t KEYEVENTF_KEYUP = 0x0002;
constexpr std::uint32_t KEYEVENTF_UNICODE = 0x0004;
constexpr std::uint32_t LLKHF_EXTENDED = 0x01;
constexpr std::uint32_t LLKHF_UP = 0x80;
constexpr std::uint32_t MAPVK_VSC_TO_VK = 1;
constexpr std::uint32_t GMEM_MOVEABLE = 0x0002;
constexpr std::uint32_t GMEM_ZEROINIT = 0x0040;
constexpr std::uint32_t CF_TEXT = 1;
constexpr std::uint32_t CF_UNICODETEXT = 13;
constexpr int WH_KEYBOARD = 2;
constexpr int WH_GETMESSAGE = 3;
constexpr int WH_CBT = 5;
constexpr int WH_KEYBOARD_LL = 13;
constexpr int HCBT_ACTIVATE = 5;
constexpr int GWL_STYLE = -16;
constexpr std::uint32_t MB_OK = 0;
constexpr std::uint32_t MSGFLT_ADD = 1;
constexpr std::uint32_t THREAD_QUERY_LIMITED_INFORMATION = 0x0800;
constexpr std::uint32_t STILL_ACTIVE = 259;
}  // namespace win

namespace plat {

// user32: hooks and messages
LResult CallNextHookEx(Hhook hook, int code, WParam wParam, LParam lParam);
Hhook SetWindowsHookExA(int idHook, HookProcId proc, Hinstance instance, std::uint32_t threadId);
int UnhookWindowsHookEx(Hhook hook);
LResult SendMessageA(Hwnd w, std::uint32_t msg, WParam wParam, LParam lParam);
LResult SendMessageW(Hwnd w, std::uint32_t msg, WParam wParam, LParam lParam);
int PostMessageA(Hwnd w, std::uint32_t msg, WParam wParam, LParam lParam);
int PostThreadMessageA(std::uint32_t thread, std::uint32_t msg, WParam wParam, LParam lParam);
std::uint32_t GetCurrentThreadId();
int MessageBoxA(Hwnd owner, const char* text, const char* caption, std::uint32_t type);
Hwnd GetDesktopWindow();
std::int32_t GetWindowLongA(Hwnd w, int index);
int GetWindowTextA(Hwnd w, char* buffer, int maxCount);
int GetWindowTextW(Hwnd w, char16_t* buffer, int maxCount);
// The thread that made window w; its process in *processId (0 for no window).
std::uint32_t GetWindowThreadProcessId(Hwnd w, std::uint32_t* processId);

// user32: keyboard
void keybd_event(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags, std::uintptr_t extra);
std::int16_t GetKeyState(int vk);
std::int16_t GetAsyncKeyState(int vk);
int GetKeyboardState(std::uint8_t* state256);
int SetKeyboardState(std::uint8_t* state256);
std::uint32_t MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType);
std::int16_t VkKeyScanA(char ch);
std::int16_t VkKeyScanW(char16_t ch);
// The extra information of the input message the calling thread took last (keybd_event's last
// argument, for a synthesized key).
LParam GetMessageExtraInfo();
// One keyboard input of SendInput (the INPUT record's keyboard part).
struct KeybdInput {
    std::uint16_t wVk;
    std::uint16_t wScan;
    std::uint32_t dwFlags;
    LParam dwExtraInfo;
};
std::uint32_t SendInput(std::uint32_t count, const KeybdInput* inputs);

// user32: clipboard
int OpenClipboard(Hwnd owner);
int EmptyClipboard();
Handle SetClipboardData(std::uint32_t format, Handle memory);
int CloseClipboard();

// imm32
Himc ImmGetContext(Hwnd w);
int ImmGetOpenStatus(Himc context);
int ImmReleaseContext(Hwnd w, Himc context);

// kernel32
int lstrlenA(const char* s);
Hglobal GlobalAlloc(std::uint32_t flags, std::size_t bytes);
void* GlobalLock(Hglobal memory);
int GlobalUnlock(Hglobal memory);
Hglobal GlobalFree(Hglobal memory);
int GetVersionExA(OsVersionInfoA* info);
Hmodule LoadLibraryA(const char* name);
void* GetProcAddress(Hmodule module, const char* name);
int FreeLibrary(Hmodule module);
std::uint32_t GetTickCount();
int MultiByteToWideChar(std::uint32_t codePage, const char* bytes, int byteCount, char16_t* units,
                        int unitCount);
// Without flags and default character: what the system writes for a unit the code page lacks.
int WideCharToMultiByte(std::uint32_t codePage, const char16_t* units, int unitCount, char* bytes,
                        int byteCount);
// kernel32: threads. A thread id is reused once its thread has ended; the creation time tells
// the two apart. Times are FILETIME values, 100 ns units.
Handle OpenThread(std::uint32_t access, int inheritHandle, std::uint32_t threadId);
int GetThreadTimes(Handle thread, std::uint64_t* creation, std::uint64_t* exit,
                   std::uint64_t* kernel, std::uint64_t* user);
int GetExitCodeThread(Handle thread, std::uint32_t* exitCode);
int CloseHandle(Handle object);

// Calls a ChangeWindowMessageFilter entry point found with GetProcAddress (it has the platform's
// calling convention, which only the platform layer can name).
int CallChangeWindowMessageFilter(void* fn, std::uint32_t msg, std::uint32_t flag);

}  // namespace plat
}  // namespace yv
