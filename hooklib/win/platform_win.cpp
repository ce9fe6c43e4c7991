// The platform seam bound to the real user32, imm32 and kernel32 functions.
// platform.h first: its constants share their names with the macros of windows.h.
#include "platform.h"

#include <windows.h>
#include <imm.h>

#include "callbacks.h"

namespace yv::plat {

namespace {
HWND W(Hwnd w) { return static_cast<HWND>(w); }
HHOOK H(Hhook h) { return static_cast<HHOOK>(h); }
}  // namespace

LResult CallNextHookEx(Hhook hook, int code, WParam wParam, LParam lParam) {
    return ::CallNextHookEx(H(hook), code, wParam, lParam);
}

Hhook SetWindowsHookExA(int idHook, HookProcId proc, Hinstance instance, std::uint32_t threadId) {
    HOOKPROC fn = nullptr;
    switch (proc) {
        case HookProcId::Message:
            fn = YvMessageHook;
            break;
        case HookProcId::Keyboard:
            fn = YvKeyboardHook;
            break;
        case HookProcId::KeyboardLL:
            fn = YvKeyboardLLHook;
            break;
        case HookProcId::Cbt:
            fn = YvCbtHook;
            break;
    }
    return ::SetWindowsHookExA(idHook, fn, static_cast<HINSTANCE>(instance), threadId);
}

int UnhookWindowsHookEx(Hhook hook) { return ::UnhookWindowsHookEx(H(hook)); }

LResult SendMessageA(Hwnd w, std::uint32_t msg, WParam wParam, LParam lParam) {
    return ::SendMessageA(W(w), msg, wParam, lParam);
}

LResult SendMessageW(Hwnd w, std::uint32_t msg, WParam wParam, LParam lParam) {
    return ::SendMessageW(W(w), msg, wParam, lParam);
}

int PostMessageA(Hwnd w, std::uint32_t msg, WParam wParam, LParam lParam) {
    return ::PostMessageA(W(w), msg, wParam, lParam);
}

int MessageBoxA(Hwnd owner, const char* text, const char* caption, std::uint32_t type) {
    return ::MessageBoxA(W(owner), text, caption, type);
}

Hwnd GetDesktopWindow() { return ::GetDesktopWindow(); }

std::int32_t GetWindowLongA(Hwnd w, int index) { return ::GetWindowLongA(W(w), index); }

int GetWindowTextA(Hwnd w, char* buffer, int maxCount) {
    return ::GetWindowTextA(W(w), buffer, maxCount);
}

int GetWindowTextW(Hwnd w, char16_t* buffer, int maxCount) {
    return ::GetWindowTextW(W(w), reinterpret_cast<wchar_t*>(buffer), maxCount);
}

std::uint32_t GetWindowThreadProcessId(Hwnd w, std::uint32_t* processId) {
    DWORD pid = 0;
    const DWORD tid = ::GetWindowThreadProcessId(W(w), &pid);
    if (processId) *processId = pid;
    return tid;
}

std::uint32_t SendInput(std::uint32_t count, const KeybdInput* inputs) {
    // A rule's text fits one batch, so nothing of the user's comes between its characters.
    constexpr std::uint32_t kBatch = 256;
    INPUT batch[kBatch];
    std::uint32_t sent = 0;
    while (sent < count) {
        const std::uint32_t n = count - sent < kBatch ? count - sent : kBatch;
        for (std::uint32_t i = 0; i < n; ++i) {
            const KeybdInput& k = inputs[sent + i];
            batch[i] = {};
            batch[i].type = INPUT_KEYBOARD;
            batch[i].ki.wVk = k.wVk;
            batch[i].ki.wScan = k.wScan;
            batch[i].ki.dwFlags = k.dwFlags;
            batch[i].ki.dwExtraInfo = static_cast<ULONG_PTR>(k.dwExtraInfo);
        }
        const UINT done = ::SendInput(n, batch, sizeof(INPUT));
        sent += done;
        if (done != n) break;  // blocked (another desktop, a window of higher integrity)
    }
    return sent;
}

void keybd_event(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags, std::uintptr_t extra) {
    ::keybd_event(vk, scan, flags, extra);
}

std::int16_t GetKeyState(int vk) { return ::GetKeyState(vk); }
std::int16_t GetAsyncKeyState(int vk) { return ::GetAsyncKeyState(vk); }
int GetKeyboardState(std::uint8_t* state256) { return ::GetKeyboardState(state256); }
int SetKeyboardState(std::uint8_t* state256) { return ::SetKeyboardState(state256); }

std::uint32_t MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) {
    return ::MapVirtualKeyA(code, mapType);
}

std::int16_t VkKeyScanA(char ch) { return ::VkKeyScanA(ch); }
std::int16_t VkKeyScanW(char16_t ch) { return ::VkKeyScanW(static_cast<wchar_t>(ch)); }

LParam GetMessageExtraInfo() { return ::GetMessageExtraInfo(); }

int OpenClipboard(Hwnd owner) { return ::OpenClipboard(W(owner)); }
int EmptyClipboard() { return ::EmptyClipboard(); }
Handle SetClipboardData(std::uint32_t format, Handle memory) {
    return ::SetClipboardData(format, static_cast<HANDLE>(memory));
}
int CloseClipboard() { return ::CloseClipboard(); }

Himc ImmGetContext(Hwnd w) { return ::ImmGetContext(W(w)); }
int ImmGetOpenStatus(Himc context) { return ::ImmGetOpenStatus(static_cast<HIMC>(context)); }
int ImmReleaseContext(Hwnd w, Himc context) {
    return ::ImmReleaseContext(W(w), static_cast<HIMC>(context));
}

int lstrlenA(const char* s) { return ::lstrlenA(s); }
Hglobal GlobalAlloc(std::uint32_t flags, std::size_t bytes) { return ::GlobalAlloc(flags, bytes); }
void* GlobalLock(Hglobal memory) { return ::GlobalLock(static_cast<HGLOBAL>(memory)); }
int GlobalUnlock(Hglobal memory) { return ::GlobalUnlock(static_cast<HGLOBAL>(memory)); }
Hglobal GlobalFree(Hglobal memory) { return ::GlobalFree(static_cast<HGLOBAL>(memory)); }

int GetVersionExA(OsVersionInfoA* info) {
    return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(info));
}

Hmodule LoadLibraryA(const char* name) { return ::LoadLibraryA(name); }

void* GetProcAddress(Hmodule module, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

int FreeLibrary(Hmodule module) { return ::FreeLibrary(static_cast<HMODULE>(module)); }

std::uint32_t GetTickCount() { return ::GetTickCount(); }

std::uint32_t GetCurrentThreadId() { return ::GetCurrentThreadId(); }

int PostThreadMessageA(std::uint32_t thread, std::uint32_t msg, WParam wParam, LParam lParam) {
    return ::PostThreadMessageA(thread, msg, wParam, lParam);
}

int MultiByteToWideChar(std::uint32_t codePage, const char* bytes, int byteCount, char16_t* units,
                        int unitCount) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 units");
    return ::MultiByteToWideChar(codePage, 0, bytes, byteCount, reinterpret_cast<wchar_t*>(units),
                                 unitCount);
}

int WideCharToMultiByte(std::uint32_t codePage, const char16_t* units, int unitCount, char* bytes,
                        int byteCount) {
    return ::WideCharToMultiByte(codePage, 0, reinterpret_cast<const wchar_t*>(units), unitCount,
                                 bytes, byteCount, nullptr, nullptr);
}

Handle OpenThread(std::uint32_t access, int inheritHandle, std::uint32_t threadId) {
    return ::OpenThread(access, inheritHandle ? TRUE : FALSE, threadId);
}

namespace {
std::uint64_t Ticks(const FILETIME& t) {
    return static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}
}  // namespace

int GetThreadTimes(Handle thread, std::uint64_t* creation, std::uint64_t* exit,
                   std::uint64_t* kernel, std::uint64_t* user) {
    FILETIME c{}, e{}, k{}, u{};
    if (!::GetThreadTimes(static_cast<HANDLE>(thread), &c, &e, &k, &u)) return 0;
    if (creation) *creation = Ticks(c);
    if (exit) *exit = Ticks(e);
    if (kernel) *kernel = Ticks(k);
    if (user) *user = Ticks(u);
    return 1;
}

int GetExitCodeThread(Handle thread, std::uint32_t* exitCode) {
    DWORD code = 0;
    if (!::GetExitCodeThread(static_cast<HANDLE>(thread), &code)) return 0;
    if (exitCode) *exitCode = code;
    return 1;
}

int CloseHandle(Handle object) { return ::CloseHandle(static_cast<HANDLE>(object)); }

int CallChangeWindowMessageFilter(void* fn, std::uint32_t msg, std::uint32_t flag) {
    using Filter = BOOL(WINAPI*)(UINT, DWORD);
    return reinterpret_cast<Filter>(fn)(msg, flag);
}

}  // namespace yv::plat
