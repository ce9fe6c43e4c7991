// Yorvan2x86.exe: beside a 64-bit host, it loads the 32-bit library (Yorvan2x86.dll), whose
// message and activation hooks serve the 32-bit programs, and does what the host orders. It has
// no window the user sees; it ends with the host.
//   Yorvan2x86.exe HOST_WINDOW SHELL_WINDOW TOKEN   (decimal handles; 32 hex digits)
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "companionmsg.h"
#include "peerwire.h"
#include "yorvan2.h"

namespace {

using SetHookPeerFn = int(WINAPI*)(HWND, BYTE);
using SetSetFn = int(WINAPI*)(BYTE, BYTE, BYTE, const int*, const char* const*);
using ResetHookFn = int(WINAPI*)();
using ReleaseKeyFn = int(WINAPI*)(int);
using HookThreadFn = int(WINAPI*)(DWORD);
using SetTextsWFn = int(WINAPI*)(const WCHAR* const*);

struct Library {
    HMODULE module = nullptr;
    SetHookPeerFn setHookPeer = nullptr;
    SetSetFn setSet = nullptr;
    ResetHookFn resetHook = nullptr;
    ReleaseKeyFn releaseKey = nullptr;
    HookThreadFn hookThread = nullptr;
    SetTextsWFn setTextsW = nullptr;
};

Library g_lib;
HWND g_host = nullptr;
bool g_hooked = false;
yv::companion::Token g_token{};  // every order carries it

template <class Fn>
Fn Find(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_lib.module, name)));
}

// From this program's own folder only: never a library of that name found elsewhere.
bool LoadOurLibrary() {
    char path[MAX_PATH + 32];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    char* slash = std::strrchr(path, '\\');
    if (!slash) return false;
    std::strcpy(slash + 1, "Yorvan2x86.dll");
    g_lib.module = LoadLibraryA(path);
    if (!g_lib.module) return false;
    g_lib.setHookPeer = Find<SetHookPeerFn>("SetHookPeer");
    g_lib.setSet = Find<SetSetFn>("SetSet");
    g_lib.resetHook = Find<ResetHookFn>("ResetHook");
    g_lib.releaseKey = Find<ReleaseKeyFn>("ReleaseKey");
    g_lib.hookThread = Find<HookThreadFn>("HookThread");
    g_lib.setTextsW = Find<SetTextsWFn>("SetTextsW");
    return g_lib.setHookPeer && g_lib.setSet && g_lib.resetHook && g_lib.releaseKey &&
           g_lib.hookThread && g_lib.setTextsW;
}

void Unhook() {
    if (g_hooked) g_lib.resetHook();
    g_hooked = false;
}

// Returns what the host reads as the order's result: 1 done, 0 refused.
LRESULT Carry(const yv::companion::Order& o) {
    using yv::companion::Command;
    switch (o.command) {
        case Command::kHook:
            Unhook();
            g_hooked = g_lib.setHookPeer(g_host, o.numLockHold) == 0;
            return g_hooked ? 1 : 0;
        case Command::kUnhook:
            Unhook();
            return 1;
        case Command::kThread:
            return g_hooked && g_lib.hookThread(o.thread) == 0 ? 1 : 0;
        case Command::kSet: {
            const char* texts[yv::companion::kRows];
            for (int i = 0; i < yv::companion::kRows; ++i) texts[i] = o.texts[i];
            g_lib.setSet(o.mode, o.trackOff, o.numLockHold, o.keys, texts);
            if (o.hasTextsW) {
                const WCHAR* textsW[yv::companion::kRows];
                for (int i = 0; i < yv::companion::kRows; ++i)
                    textsW[i] = reinterpret_cast<const WCHAR*>(o.textsW[i]);
                g_lib.setTextsW(textsW);
            }
            return 1;
        }
    }
    return 0;
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COPYDATA: {
            // Orders come from the host only, which alone knows the token: wParam, the window
            // the sender names as its own, proves nothing.
            const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (!cds || cds->dwData != yv::companion::kOrderTag) return 0;
            static yv::companion::Order order;  // 30 KB: not on the stack of a sent message
            if (!yv::companion::DecodeSealed(cds->lpData, cds->cbData, g_token, order)) return 0;
            return Carry(order);
        }
        case YORVAN2_PEER_KEYUP:
            if (g_hooked) g_lib.releaseKey(static_cast<int>(wParam & 0xFF));
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

HWND ArgWindow(const char* s) {
    char* end = nullptr;
    const unsigned long long v = std::strtoull(s, &end, 10);
    if (!end || *end != '\0' || v == 0) return nullptr;
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(v));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc != 4) return 2;
    g_host = ArgWindow(__argv[1]);
    HWND shell = ArgWindow(__argv[2]);
    if (!yv::companion::ParseToken(__argv[3], g_token)) return 2;
    if (!g_host || !shell || !IsWindow(g_host) || !IsWindow(shell)) return 2;
    DWORD hostPid = 0;
    GetWindowThreadProcessId(g_host, &hostPid);
    HANDLE hostProcess = OpenProcess(SYNCHRONIZE, FALSE, hostPid);
    if (!hostProcess) return 2;
    if (!LoadOurLibrary()) return 3;

    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = "Yorvan2Companion";
    if (!RegisterClassA(&wc)) return 4;
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               instance, nullptr);
    if (!wnd) return 4;
    PostMessageA(shell, YORVAN2_COMPANION_READY, reinterpret_cast<WPARAM>(wnd),
                 static_cast<LPARAM>(GetCurrentProcessId()));

    for (;;) {
        const DWORD r = MsgWaitForMultipleObjects(1, &hostProcess, FALSE, INFINITE, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1) break;  // the host has ended, or the wait failed
        MSG m;
        bool quit = false;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) quit = true;
            DispatchMessageA(&m);
        }
        if (quit) break;
    }
    Unhook();  // lets go whatever its message hook still holds
    DestroyWindow(wnd);
    CloseHandle(hostProcess);
    return 0;
}
