// Looks at the running host from inside Wine:
//   hostprobe count TITLE   prints how many top-level windows have exactly that title
//   hostprobe state         prints the host's state as "mode=M profile=P auto=A icon=I
//                           editing=E hooked=H tray=T front=F", exit 1 when there is no host
//   hostprobe aplname       prints the last activated title as the library beside hostprobe.exe
//                           gives it to the editor (getaplname), in Shift-JIS
//   hostprobe mem           prints the host's working set, its peak and committed private memory in
//   KiB
//   hostprobe ping N GAP    asks the host's window N times, GAP ms apart, for its state and
//                           prints "asked=N max=X median=Y" (milliseconds to the answer)
//   hostprobe retitle TITLE NEW   gives the top-level window TITLE the title NEW; exit 3 when the
//                           system reports no title-change event for it (older Wine)
//   hostprobe type TITLE N GAP    types N letters into TITLE's edit control as keyboard input
//                           (SendInput, the path of real keys through the low-level hooks), one
//                           at a time, GAP ms apart; for each key the time from sending it to
//                           its letter in the control. Prints "typed=N lost=L max=X median=Y"
//                           (milliseconds), then "UNIX_MS DELAY" for each key
//   hostprobe type TITLE N GAP VK PER   the same with the key VK each time, whose conversion
//                           gives PER characters: the time from sending it to its text
//   hostprobe follow TITLE N VK PER GAP   N times, GAP ms apart: the key VK (a paste row whose
//                           text has PER characters) and right behind it the letter A, in one
//                           SendInput; the time from sending them to the letter in TITLE's edit
//                           control. Prints "followed=N lost=L max=X median=Y" (milliseconds)
//   hostprobe junk          posts and sends every WM_APP message (+0 to +63) and every notice
//                           number of the library, with junk arguments, to each of the host's
//                           windows; prints how many went out
// Copied as YorvanSet.exe it stands in for the settings editor: it writes its command line to
// editor-args.txt beside itself and ends once a file editor-quit appears there (or after a
// minute).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "toolcommon.h"

namespace {

LRESULT TextLength(HWND w) {
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &n)) return -1;
    return static_cast<LRESULT>(n);
}

double Ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER freq) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(freq.QuadPart);
}

void PrintSpread(const char* what, int n, int lost, std::vector<double> delays) {
    std::sort(delays.begin(), delays.end());
    std::printf("%s=%d lost=%d max=%.1f median=%.1f\n", what, n, lost, delays.back(),
                delays[delays.size() / 2]);
}

int Type(const char* title, int n, int gap, WORD key = 0, int per = 1) {
    HWND top = FindWindowA(nullptr, title);
    if (!top || n <= 0) return 1;
    HWND edit = yvtool::EditOf(top);
    const LRESULT start = TextLength(edit);
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    std::vector<double> delays;
    std::vector<ULONGLONG> sentAt;  // Unix time in ms, to compare with the shell's clock
    std::string sent;
    for (int i = 0; i < n; ++i) {
        const char letter = static_cast<char>('a' + i % 26);
        const WORD vk = key ? key : static_cast<WORD>('A' + i % 26);
        INPUT in[2] = {};
        for (INPUT& k : in) {
            k.type = INPUT_KEYBOARD;
            k.ki.wVk = vk;
            k.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
        }
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        sentAt.push_back(yvtool::UnixNs() / 1000000ULL);
        QueryPerformanceCounter(&t0);
        SendInput(2, in, sizeof(INPUT));
        sent += letter;
        // Bounded: a key that never arrives counts as lost, not as a hang.
        double waited = 0;
        for (;;) {
            LRESULT len = TextLength(edit);
            QueryPerformanceCounter(&t1);
            waited = Ms(t0, t1, freq);
            if (len >= start + (i + 1) * per || waited > 5000) break;
            Sleep(1);  // not a busy loop: the probe must not take the processor from the others
        }
        delays.push_back(waited);
        Sleep(static_cast<DWORD>(gap));
    }
    const std::string text = yvtool::TextOf(edit);
    const std::string typed =
        text.size() >= sent.size() ? text.substr(text.size() - sent.size()) : text;
    int lost = 0;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (key ? delays[i] > 5000 : i >= typed.size() || typed[i] != sent[i]) ++lost;
    }
    PrintSpread("typed", n, lost, delays);
    for (std::size_t i = 0; i < delays.size(); ++i) {
        std::printf("%llu %.1f\n", sentAt[i], delays[i]);
    }
    return 0;
}

int Follow(const char* title, int n, WORD key, int per, int gap) {
    HWND top = FindWindowA(nullptr, title);
    if (!top || n <= 0) return 1;
    HWND edit = yvtool::EditOf(top);
    const LRESULT start = TextLength(edit);
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    std::vector<double> delays;
    int lost = 0;
    for (int i = 0; i < n; ++i) {
        INPUT in[4] = {};
        const WORD vks[4] = {key, key, 'A', 'A'};
        for (int k = 0; k < 4; ++k) {
            in[k].type = INPUT_KEYBOARD;
            in[k].ki.wVk = vks[k];
            in[k].ki.wScan = static_cast<WORD>(MapVirtualKeyA(vks[k], MAPVK_VK_TO_VSC));
            in[k].ki.dwFlags = k % 2 ? KEYEVENTF_KEYUP : 0;
        }
        QueryPerformanceCounter(&t0);
        SendInput(4, in, sizeof(INPUT));
        double waited = 0;
        for (;;) {
            const LRESULT len = TextLength(edit);
            QueryPerformanceCounter(&t1);
            waited = Ms(t0, t1, freq);
            if (len >= start + (i + 1) * (per + 1) || waited > 5000) break;
            Sleep(1);
        }
        if (waited > 5000) ++lost;
        delays.push_back(waited);
        Sleep(static_cast<DWORD>(gap));
    }
    PrintSpread("followed", n, lost, delays);
    return 0;
}

int Ping(int n, int gap) {
    HWND host = FindWindowA("Yorvan2Host", "Yorvan2");
    if (!host || n <= 0) return 1;
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    std::vector<double> delays;
    int lost = 0;
    for (int i = 0; i < n; ++i) {
        DWORD_PTR r = 0;
        QueryPerformanceCounter(&t0);
        if (!SendMessageTimeoutA(host, WM_APP + 4, 0, 0, SMTO_NORMAL, 5000, &r)) ++lost;
        QueryPerformanceCounter(&t1);
        delays.push_back(Ms(t0, t1, freq));
        Sleep(static_cast<DWORD>(gap));
    }
    PrintSpread("asked", n, lost, delays);
    return 0;
}

// What another program could throw at the host: junk where pointers, handles, counts and
// window numbers are expected.
int Junk() {
    HWND wnds[] = {FindWindowA("Yorvan2Host", "Yorvan2"), FindWindowA("Yorvan2Shell", nullptr)};
    if (!wnds[0]) return 1;
    const WPARAM ws[] = {0, 1, 0xDEADBEEF, static_cast<WPARAM>(-1), 0x10010};
    const LPARAM ls[] = {0, 0x4141, static_cast<LPARAM>(0xDEADBEEF), -1, 0x7FFF0000};
    int n = 0;
    for (HWND w : wnds) {
        if (!w) continue;
        for (UINT m = WM_APP; m < WM_APP + 64; ++m) {
            for (WPARAM wp : ws)
                for (LPARAM lp : ls) {
                    if (PostMessageA(w, m, wp, lp)) ++n;
                }
        }
        for (LPARAM notice = 9990; notice <= 10003; ++notice)
            for (WPARAM wp : ws) {
                DWORD_PTR r = 0;
                if (PostMessageA(w, WM_RBUTTONDOWN, wp, notice)) ++n;
                if (SendMessageTimeoutA(w, WM_RBUTTONDOWN, wp, notice, SMTO_ABORTIFHUNG, 2000, &r))
                    ++n;
            }
    }
    std::printf("junk=%d\n", n);
    return 0;
}

bool g_titleEvent = false;

void CALLBACK OnTitleEvent(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG, DWORD, DWORD) {
    if (object == OBJID_WINDOW) g_titleEvent = true;
}

int Retitle(const char* title, const char* now) {
    HWND w = FindWindowA(nullptr, title);
    if (!w) return 1;
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(w, &pid);
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                         OnTitleEvent, pid, thread, WINEVENT_OUTOFCONTEXT);
    if (!SetWindowTextA(w, now)) return 1;
    const ULONGLONG end = GetTickCount64() + 1000;
    while (!g_titleEvent && GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    if (hook) UnhookWinEvent(hook);
    return g_titleEvent ? 0 : 3;
}

}  // namespace

std::string Folder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\') + 1);
}

int StandInEditor(int argc, char** argv) {
    std::string dir = Folder();
    if (FILE* f = std::fopen((dir + "editor-args.txt").c_str(), "wb")) {
        for (int i = 1; i < argc; ++i) std::fprintf(f, i > 1 ? " %s" : "%s", argv[i]);
        std::fclose(f);
    }
    std::string quit = dir + "editor-quit";
    for (int i = 0; i < 600; ++i) {
        if (GetFileAttributesA(quit.c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
        Sleep(100);
    }
    return 1;
}

int main(int argc, char** argv) {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const char* base = std::strrchr(self, '\\');
    if (base && lstrcmpiA(base + 1, "YorvanSet.exe") == 0) return StandInEditor(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "count") == 0) {
        std::printf("%d\n", yvtool::CountTitled(argv[2]));
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "ping") == 0) {
        return Ping(std::atoi(argv[2]), std::atoi(argv[3]));
    }
    if (argc == 4 && std::strcmp(argv[1], "retitle") == 0) return Retitle(argv[2], argv[3]);
    if (argc == 7 && std::strcmp(argv[1], "type") == 0) {
        return Type(argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                    static_cast<WORD>(std::strtoul(argv[5], nullptr, 0)), std::atoi(argv[6]));
    }
    if (argc == 2 && std::strcmp(argv[1], "junk") == 0) return Junk();
    if (argc == 7 && std::strcmp(argv[1], "follow") == 0) {
        return Follow(argv[2], std::atoi(argv[3]),
                      static_cast<WORD>(std::strtoul(argv[4], nullptr, 0)), std::atoi(argv[5]),
                      std::atoi(argv[6]));
    }
    if (argc == 5 && std::strcmp(argv[1], "type") == 0) {
        return Type(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (argc == 2 && std::strcmp(argv[1], "aplname") == 0) {
        // The library's file beside this one: the same shared area as the host's.
        char path[MAX_PATH + 16];
        const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        char* slash = n ? std::strrchr(path, '\\') : nullptr;
        if (!slash) return 1;
        std::strcpy(slash + 1, "Yorvan2.dll");
        HMODULE lib = LoadLibraryA(path);
        using Fn = void(WINAPI*)(char**);
        const auto fn =
            lib ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, "getaplname")))
                : nullptr;
        if (!fn) return 1;
        char first[128] = "", second[128] = "";
        char* out[2] = {first, second};
        fn(out);
        std::printf("%s\n", first);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "mem") == 0) {
        return yvtool::PrintMemory(FindWindowA("Yorvan2Host", "Yorvan2"), "\n");
    }
    if (argc == 2 && std::strcmp(argv[1], "state") == 0) {
        HWND host = FindWindowA("Yorvan2Host", "Yorvan2");
        if (!host) return 1;
        DWORD_PTR r = 0;
        if (!SendMessageTimeoutA(host, WM_APP + 4, 0, 0, SMTO_ABORTIFHUNG, 5000, &r)) return 1;
        std::printf("mode=%d profile=%d auto=%d icon=%d editing=%d hooked=%d tray=%d front=%d\n",
                    static_cast<int>(r & 0xFF), static_cast<int>((r >> 8) & 0xFF),
                    static_cast<int>((r >> 16) & 1), static_cast<int>((r >> 17) & 1),
                    static_cast<int>((r >> 18) & 1), static_cast<int>((r >> 19) & 1),
                    static_cast<int>((r >> 20) & 1), static_cast<int>((r >> 21) & 3));
        return 0;
    }
    return 2;
}
