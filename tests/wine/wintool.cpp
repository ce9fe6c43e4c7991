// Small helper the Wine tests run to look at windows from the inside:
//   wintool find TITLE          exit 0 when a top-level window with exactly that title exists
//   wintool text TITLE          print the text of the window's first edit control (or its own)
//   wintool settext TITLE TEXT  replace that text
//   wintool clip                print the clipboard's CF_TEXT content
//   wintool setclip TEXT        put TEXT on the clipboard
//   wintool setclipw TEXT       put TEXT on the clipboard as Unicode text only
//   wintool formats             print the clipboard's formats, one number a line
//   wintool activate TITLE      bring the window to the foreground
//   wintool post TITLE MSG WPARAM LPARAM   post a message (numbers in C notation)
//   wintool send TITLE MSG WPARAM LPARAM   send one and print the result
//   wintool fg                  print the title of the foreground window
//   wintool keystate VK [TITLE] print "DOWN TOGGLED" for a virtual key (each 1 or 0): whether it
//                               is down now (GetAsyncKeyState) and its toggle (GetKeyState), as
//                               the thread of window TITLE sees it when one is named
//   wintool clipwatch MS        watch clipboard changes for MS milliseconds; print "host=H
//                               excluded=E" for each (each 1 or 0): whether the clipboard's
//                               owner belongs to the window "Yorvan2"'s process, and whether it
//                               carries ExcludeClipboardContentFromMonitorProcessing
//   wintool watch TITLE N MS    print "UNIX_NS LENGTH" each time the text length changes, until N
//                               changes or MS milliseconds have passed (latency measurements)
//   wintool keywatch VK MS      watch the keyboard through a low-level hook for MS milliseconds;
//                               print "ready", then "down|up VK SCAN FLAGS own|user TIME" for
//                               each event of virtual key VK, of every key for VK 0 (own: it
//                               carries the library's mark), at the end "own=N user=M" (the
//                               key-downs of each)
//   wintool delaycopy TEXT MS   copy TEXT as another program does with delayed rendering (CF_TEXT
//                               promised, rendered on WM_RENDERFORMAT), print "ready", answer
//                               messages for MS milliseconds, looking every millisecond whether
//                               a window of the host's process has the clipboard open; then print
//                               "renders=R hostopens=O copyus=U": the renders asked of it, the
//                               looks that found the host holding the clipboard, and how long the
//                               copy (open to close) took, in microseconds
//   wintool hangowner MODE MS   take the clipboard as its owner with CF_TEXT delayed, print
//                               "ready", then for MS milliseconds MODE "stop": answer no message
//                               at all; MODE "destroy": answer messages, but stay MS milliseconds
//                               inside WM_DESTROYCLIPBOARD once it comes
//   wintool window TITLE MS     show an empty top-level window titled TITLE for MS milliseconds
//                               (a program in front that pastes nothing)
//   wintool acp                 print the ANSI code page
//   wintool findw / textw / settextw / activatew ...   the same with titles and texts taken
//                               from the command line in Unicode and printed in UTF-8, whatever
//                               the ANSI code page; textw reads the text with WM_GETTEXT in W
// Titles are taken from the command line in the ANSI code page. Exit 1 when the window or the
// clipboard content is missing, 2 on bad usage.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "toolcommon.h"

namespace {

using yvtool::EditOf;
using yvtool::TextOf;

// Brings the window to the front with the focus in its edit control.
int Activate(HWND top, HWND edit) {
    ShowWindow(top, SW_RESTORE);
    SetForegroundWindow(top);
    if (edit != top) {
        DWORD thread = GetWindowThreadProcessId(top, nullptr);
        AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
        SetFocus(edit);
        AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
    }
    return GetForegroundWindow() == top ? 0 : 1;
}

HWND FindTop(const char* title) { return FindWindowA(nullptr, title); }

bool OpenClip() {
    for (int i = 0; i < 50; ++i) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(20);
    }
    return false;
}

// The command line's argument i as the system passed it, in UTF-16.
std::wstring WideArg(int i) {
    int n = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &n);
    std::wstring out = args && i < n ? args[i] : L"";
    LocalFree(args);
    return out;
}

void PutUtf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    std::fwrite(out.data(), 1, out.size(), stdout);
}

int Wide(const std::string& cmd, int argc) {
    HWND top = FindWindowW(nullptr, WideArg(2).c_str());
    if (cmd == "findw" && argc == 3) return top ? 0 : 1;
    if (!top) return 1;
    HWND edit = FindWindowExW(top, nullptr, L"Edit", nullptr);
    if (!edit) edit = top;
    if (cmd == "textw" && argc == 3) {
        const LRESULT n = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        const LRESULT got =
            SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(got));
        PutUtf8(text);
        return 0;
    }
    if (cmd == "settextw" && argc == 4) {
        const std::wstring text = WideArg(3);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        return 0;
    }
    if (cmd == "activatew" && argc == 3) return Activate(top, edit);
    return 2;
}

WPARAM Num(const char* s) { return static_cast<WPARAM>(std::strtoll(s, nullptr, 0)); }

// A clipboard manager's view: each change (the sequence number looked at every 2 ms, which Wine
// reports more faithfully to a process of its own than listener messages), whose it is, and
// whether it asks to stay out of the history.
int ClipWatch(unsigned long ms) {
    const UINT exclude = RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing");
    DWORD hostPid = 0;
    GetWindowThreadProcessId(FindWindowA("Yorvan2Host", "Yorvan2"), &hostPid);
    DWORD seq = GetClipboardSequenceNumber();
    std::printf("ready\n");
    std::fflush(stdout);
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        Sleep(2);
        const DWORD now = GetClipboardSequenceNumber();
        // Looked at once closed, as a listener's WM_CLIPBOARDUPDATE comes after CloseClipboard.
        if (now == seq || GetOpenClipboardWindow() != nullptr) continue;
        seq = now;
        DWORD owner = 0;
        GetWindowThreadProcessId(GetClipboardOwner(), &owner);
        std::printf("host=%d excluded=%d\n", owner != 0 && owner == hostPid ? 1 : 0,
                    IsClipboardFormatAvailable(exclude) ? 1 : 0);
        std::fflush(stdout);
    }
    return 0;
}

// The key watched by keywatch, and its key-downs with and without the library's mark.
DWORD g_watchVk = 0;
int g_ownDowns = 0, g_userDowns = 0;
constexpr ULONG_PTR kOwnMark = 0x59563200;  // the library's extra information on its keystrokes

LRESULT CALLBACK WatchProc(int code, WPARAM wp, LPARAM lp) {
    const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
    if (code == HC_ACTION && k && (g_watchVk == 0 || k->vkCode == g_watchVk)) {
        const bool up = (k->flags & LLKHF_UP) != 0, own = k->dwExtraInfo == kOwnMark;
        if (!up) ++(own ? g_ownDowns : g_userDowns);
        std::printf("%s 0x%02lx 0x%02lx 0x%02lx %s %lu\n", up ? "up" : "down", k->vkCode,
                    k->scanCode, k->flags, own ? "own" : "user", k->time);
        std::fflush(stdout);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

int KeyWatch(DWORD vk, unsigned long ms) {
    g_watchVk = vk;
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, WatchProc, GetModuleHandleA(nullptr), 0);
    if (!hook) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    const ULONGLONG end = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    }
    UnhookWindowsHookEx(hook);
    std::printf("own=%d user=%d\n", g_ownDowns, g_userDowns);
    return 0;
}

DWORD HostProcess() {
    DWORD pid = 0;
    GetWindowThreadProcessId(FindWindowA("Yorvan2Host", "Yorvan2"), &pid);
    return pid;
}

struct Owner {
    const char* text = "";
    int renders = 0;
    DWORD hangMs = 0;  // inside WM_DESTROYCLIPBOARD
};
Owner g_owner;

LRESULT CALLBACK OwnerProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_RENDERFORMAT && wParam == CF_TEXT) {
        ++g_owner.renders;
        const size_t n = std::strlen(g_owner.text) + 1;
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, n);
        std::memcpy(GlobalLock(mem), g_owner.text, n);
        GlobalUnlock(mem);
        if (!SetClipboardData(CF_TEXT, mem)) GlobalFree(mem);
        return 0;
    }
    if (msg == WM_DESTROYCLIPBOARD && g_owner.hangMs) {
        Sleep(g_owner.hangMs);
        return 0;
    }
    return DefWindowProcA(w, msg, wParam, lParam);
}

HWND MakeWindow(const char* title, bool shown) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "WintoolOwner";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);
    HWND w = CreateWindowA("WintoolOwner", title, WS_OVERLAPPEDWINDOW, 50, 50, 300, 200, nullptr,
                           nullptr, wc.hInstance, nullptr);
    if (w && shown) {
        ShowWindow(w, SW_SHOW);
        UpdateWindow(w);
    }
    return w;
}

// Answers messages until `end`; `each` is called about every millisecond.
template <typename F>
void PumpUntil(ULONGLONG end, F each) {
    while (GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        each();
    }
}

// Takes the clipboard with CF_TEXT promised.
bool PromiseText(HWND w) {
    for (int i = 0; i < 50; ++i) {
        if (OpenClipboard(w)) {
            EmptyClipboard();
            SetClipboardData(CF_TEXT, nullptr);
            CloseClipboard();
            return true;
        }
        Sleep(20);
    }
    return false;
}

int DelayCopy(const char* text, unsigned long ms) {
    g_owner.text = text;
    HWND w = MakeWindow("wintool delaycopy", false);
    const DWORD host = HostProcess();
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    if (!w || !PromiseText(w)) return 1;
    QueryPerformanceCounter(&t1);
    std::printf("ready\n");
    std::fflush(stdout);
    int hostOpens = 0;
    PumpUntil(GetTickCount64() + ms, [&] {
        DWORD opener = 0;
        if (HWND o = GetOpenClipboardWindow()) GetWindowThreadProcessId(o, &opener);
        if (host && opener == host) ++hostOpens;
    });
    std::printf("renders=%d hostopens=%d copyus=%lld\n", g_owner.renders, hostOpens,
                static_cast<long long>((t1.QuadPart - t0.QuadPart) * 1000000 / f.QuadPart));
    std::fflush(stdout);
    return 0;
}

int HangOwner(const std::string& mode, unsigned long ms) {
    g_owner.text = "hung owner";
    HWND w = MakeWindow("wintool hangowner", false);
    if (!w || !PromiseText(w)) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    if (mode == "stop") {
        Sleep(ms);
    } else {
        g_owner.hangMs = ms;
        PumpUntil(GetTickCount64() + ms, [] {});
    }
    return 0;
}

int ShowEmpty(const char* title, unsigned long ms) {
    if (!MakeWindow(title, true)) return 1;
    PumpUntil(GetTickCount64() + ms, [] {});
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string cmd = argv[1];
    if (cmd == "acp") {
        std::printf("%u", GetACP());
        return 0;
    }
    if (cmd == "findw" || cmd == "textw" || cmd == "settextw" || cmd == "activatew")
        return argc >= 3 ? Wide(cmd, argc) : 2;
    if (cmd == "find" && argc == 3) return FindTop(argv[2]) ? 0 : 1;
    if (cmd == "fg") {
        char buf[256] = "";
        GetWindowTextA(GetForegroundWindow(), buf, sizeof buf);
        std::fputs(buf, stdout);
        return 0;
    }
    if (cmd == "keystate" && (argc == 3 || argc == 4)) {
        const int vk = static_cast<int>(Num(argv[2]));
        DWORD thread = 0;
        if (argc == 4) {
            HWND w = FindTop(argv[3]);
            if (!w) return 1;
            thread = GetWindowThreadProcessId(w, nullptr);
            AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
        }
        std::printf("%d %d", GetAsyncKeyState(vk) < 0 ? 1 : 0, GetKeyState(vk) & 1);
        if (thread) AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
        return 0;
    }
    if (cmd == "clip") {
        if (!OpenClip()) return 1;
        HANDLE h = GetClipboardData(CF_TEXT);
        const char* p = h ? static_cast<const char*>(GlobalLock(h)) : nullptr;
        if (p) std::fputs(p, stdout);
        if (h) GlobalUnlock(h);
        CloseClipboard();
        return p ? 0 : 1;
    }
    if (cmd == "setclip" && argc == 3) {
        if (!OpenClip()) return 1;
        size_t n = std::strlen(argv[2]) + 1;
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, n);
        std::memcpy(GlobalLock(mem), argv[2], n);
        GlobalUnlock(mem);
        EmptyClipboard();
        SetClipboardData(CF_TEXT, mem);
        CloseClipboard();
        return 0;
    }
    if (cmd == "setclipw" && argc == 3) {
        const int n = MultiByteToWideChar(CP_ACP, 0, argv[2], -1, nullptr, 0);
        if (n <= 0 || !OpenClip()) return 1;
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, static_cast<size_t>(n) * sizeof(wchar_t));
        MultiByteToWideChar(CP_ACP, 0, argv[2], -1, static_cast<wchar_t*>(GlobalLock(mem)), n);
        GlobalUnlock(mem);
        EmptyClipboard();
        SetClipboardData(CF_UNICODETEXT, mem);
        CloseClipboard();
        return 0;
    }
    if (cmd == "keywatch" && argc == 4)
        return KeyWatch(static_cast<DWORD>(Num(argv[2])), std::strtoul(argv[3], nullptr, 10));
    if (cmd == "delaycopy" && argc == 4)
        return DelayCopy(argv[2], std::strtoul(argv[3], nullptr, 10));
    if (cmd == "hangowner" && argc == 4)
        return HangOwner(argv[2], std::strtoul(argv[3], nullptr, 10));
    if (cmd == "window" && argc == 4) return ShowEmpty(argv[2], std::strtoul(argv[3], nullptr, 10));
    if (cmd == "clipwatch" && argc == 3) return ClipWatch(std::strtoul(argv[2], nullptr, 10));
    if (cmd == "formats") {
        if (!OpenClip()) return 1;
        for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f))
            std::printf("%u\n", f);
        CloseClipboard();
        return 0;
    }
    if (argc < 3) return 2;
    HWND top = FindTop(argv[2]);
    if (!top) return 1;
    if (cmd == "text") {
        std::fputs(TextOf(EditOf(top)).c_str(), stdout);
        return 0;
    }
    if (cmd == "watch" && argc == 5) {
        HWND edit = EditOf(top);
        const long want = std::strtol(argv[3], nullptr, 10);
        const ULONGLONG end = GetTickCount64() + std::strtoul(argv[4], nullptr, 10);
        LRESULT last = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);
        std::printf("ready\n");
        std::fflush(stdout);
        for (long seen = 0; seen < want && GetTickCount64() < end;) {
            LRESULT n = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);
            if (n != last) {
                std::printf("%llu %ld\n", yvtool::UnixNs(), static_cast<long>(n));
                std::fflush(stdout);
                last = n;
                ++seen;
            }
            Sleep(0);
        }
        return 0;
    }
    if (cmd == "settext" && argc == 4) {
        SendMessageA(EditOf(top), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
        return 0;
    }
    if (cmd == "activate") return Activate(top, EditOf(top));
    if ((cmd == "post" || cmd == "send") && argc == 6) {
        UINT msg = static_cast<UINT>(Num(argv[3]));
        if (cmd == "post") return PostMessageA(top, msg, Num(argv[4]), Num(argv[5])) ? 0 : 1;
        std::printf("%lld", static_cast<long long>(SendMessageA(
                                top, msg, Num(argv[4]), static_cast<LPARAM>(Num(argv[5])))));
        return 0;
    }
    return 2;
}
