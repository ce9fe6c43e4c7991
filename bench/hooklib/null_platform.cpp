// The platform seam with every operation doing nothing, so the benchmarks time the hook logic.
#include "platform.h"

namespace yv::plat {

LResult CallNextHookEx(Hhook, int, WParam, LParam) { return 0; }
Hhook SetWindowsHookExA(int, HookProcId, Hinstance, std::uint32_t) { return nullptr; }
int UnhookWindowsHookEx(Hhook) { return 1; }
LResult SendMessageA(Hwnd, std::uint32_t, WParam, LParam) { return 0; }
LResult SendMessageW(Hwnd, std::uint32_t, WParam, LParam) { return 0; }
int PostMessageA(Hwnd, std::uint32_t, WParam, LParam) { return 1; }
int MessageBoxA(Hwnd, const char*, const char*, std::uint32_t) { return 1; }
Hwnd GetDesktopWindow() { return nullptr; }
std::int32_t GetWindowLongA(Hwnd, int) { return 0; }
int GetWindowTextA(Hwnd, char* buffer, int maxCount) {
    if (buffer && maxCount > 0) buffer[0] = '\0';
    return 0;
}

int GetWindowTextW(Hwnd, char16_t* buffer, int maxCount) {
    if (buffer && maxCount > 0) buffer[0] = u'\0';
    return 0;
}

std::uint32_t GetWindowThreadProcessId(Hwnd, std::uint32_t* processId) {
    if (processId) *processId = 0;  // the benchmarks' process id is 0 too
    return 1;
}
void keybd_event(std::uint8_t, std::uint8_t, std::uint32_t, std::uintptr_t) {}
std::uint32_t SendInput(std::uint32_t count, const KeybdInput*) { return count; }
std::int16_t GetKeyState(int) { return 0; }
std::int16_t GetAsyncKeyState(int) { return 0; }
int GetKeyboardState(std::uint8_t*) { return 1; }
int SetKeyboardState(std::uint8_t*) { return 1; }
std::uint32_t MapVirtualKeyA(std::uint32_t, std::uint32_t) { return 0; }
std::int16_t VkKeyScanA(char ch) { return static_cast<std::int16_t>(ch & 0xFF); }
std::int16_t VkKeyScanW(char16_t ch) { return static_cast<std::int16_t>(ch & 0xFF); }
LParam GetMessageExtraInfo() { return 0; }

int OpenClipboard(Hwnd) { return 0; }
int EmptyClipboard() { return 1; }
Handle SetClipboardData(std::uint32_t, Handle memory) { return memory; }
int CloseClipboard() { return 1; }

Himc ImmGetContext(Hwnd) { return nullptr; }
int ImmGetOpenStatus(Himc) { return 0; }
int ImmReleaseContext(Hwnd, Himc) { return 1; }

int lstrlenA(const char* s) {
    int n = 0;
    if (s)
        while (s[n]) ++n;
    return n;
}
Hglobal GlobalAlloc(std::uint32_t, std::size_t) { return nullptr; }
void* GlobalLock(Hglobal) { return nullptr; }
int GlobalUnlock(Hglobal) { return 0; }
Hglobal GlobalFree(Hglobal) { return nullptr; }
int GetVersionExA(OsVersionInfoA*) { return 0; }
Hmodule LoadLibraryA(const char*) { return nullptr; }
void* GetProcAddress(Hmodule, const char*) { return nullptr; }
std::uint32_t GetTickCount() { return 0; }
std::uint32_t GetCurrentThreadId() { return 1; }
int PostThreadMessageA(std::uint32_t, std::uint32_t, WParam, LParam) { return 1; }
int MultiByteToWideChar(std::uint32_t, const char*, int byteCount, char16_t* units, int unitCount) {
    const int n = byteCount < unitCount ? byteCount : unitCount;
    for (int i = 0; i < n; ++i) units[i] = 'x';
    return n;
}
int WideCharToMultiByte(std::uint32_t, const char16_t*, int unitCount, char* bytes, int byteCount) {
    const int n = unitCount < byteCount ? unitCount : byteCount;
    for (int i = 0; i < n; ++i) bytes[i] = 'x';
    return n;
}
int FreeLibrary(Hmodule) { return 1; }
int CallChangeWindowMessageFilter(void*, std::uint32_t, std::uint32_t) { return 0; }
Handle OpenThread(std::uint32_t, int, std::uint32_t) { return nullptr; }
int GetThreadTimes(Handle, std::uint64_t*, std::uint64_t*, std::uint64_t*, std::uint64_t*) {
    return 0;
}
int GetExitCodeThread(Handle, std::uint32_t*) { return 0; }
int CloseHandle(Handle) { return 1; }

}  // namespace yv::plat
