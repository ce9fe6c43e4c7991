// What the small programs the Wine tests run (wintool, edtool, hostprobe) all need to look at
// windows and processes from the outside.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace yvtool {

inline std::string TextOf(HWND w) {
    LRESULT n = SendMessageA(w, WM_GETTEXTLENGTH, 0, 0);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    LRESULT got = SendMessageA(w, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(got));
    return s;
}

// The window's first edit control, or the window itself when it has none.
inline HWND EditOf(HWND top) {
    HWND edit = FindWindowExA(top, nullptr, "Edit", nullptr);
    return edit ? edit : top;
}

// Unix time in ns, to compare with the shell's clock.
inline unsigned long long UnixNs() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    ULONGLONG t = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return (t - 116444736000000000ULL) * 100ULL;
}

struct TitleCount {
    const char* title;
    int n;
};

inline BOOL CALLBACK CountTitle(HWND w, LPARAM lp) {
    auto* c = reinterpret_cast<TitleCount*>(lp);
    char buf[256] = "";
    GetWindowTextA(w, buf, sizeof buf);
    if (std::strcmp(buf, c->title) == 0) ++c->n;
    return TRUE;
}

// How many top-level windows have exactly that title.
inline int CountTitled(const char* title) {
    TitleCount c = {title, 0};
    EnumWindows(CountTitle, reinterpret_cast<LPARAM>(&c));
    return c.n;
}

// Prints "workingset=W peak=P commit=C" (KiB) of the process of window w, then `end`; exit code
// 1 when the window or its process cannot be read.
inline int PrintMemory(HWND w, const char* end) {
    DWORD pid = 0;
    if (!w || !GetWindowThreadProcessId(w, &pid)) return 1;
    HANDLE proc = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!proc) return 1;
    PROCESS_MEMORY_COUNTERS pm = {};
    pm.cb = sizeof pm;
    BOOL got = GetProcessMemoryInfo(proc, &pm, sizeof pm);
    CloseHandle(proc);
    if (!got) return 1;
    std::printf("workingset=%lu peak=%lu commit=%lu%s",
                static_cast<unsigned long>(pm.WorkingSetSize / 1024),
                static_cast<unsigned long>(pm.PeakWorkingSetSize / 1024),
                static_cast<unsigned long>(pm.PagefileUsage / 1024), end);
    return 0;
}

}  // namespace yvtool
