// Looks at the running host from inside Wine:
//   hostprobe count TITLE   prints how many top-level windows have exactly that title
//   hostprobe state         prints the host's state as "mode=M profile=P auto=A icon=I
//                           editing=E hooked=H tray=T", exit 1 when there is no host
//   hostprobe mem           prints the host's working set, its peak and committed private memory in
//   KiB
// Copied as YorvanSet.exe it stands in for the settings editor: it writes its command line to
// editor-args.txt beside itself and ends once a file editor-quit appears there (or after a
// minute).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Count {
    const char* title;
    int n;
};

BOOL CALLBACK CountWindow(HWND w, LPARAM param) {
    auto* c = reinterpret_cast<Count*>(param);
    char buf[256] = "";
    GetWindowTextA(w, buf, sizeof buf);
    if (std::strcmp(buf, c->title) == 0) ++c->n;
    return TRUE;
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
        Count c{argv[2], 0};
        EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&c));
        std::printf("%d\n", c.n);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "mem") == 0) {
        HWND host = FindWindowA("Yorvan2Host", "Yorvan2");
        DWORD pid = 0;
        if (!host || !GetWindowThreadProcessId(host, &pid)) return 1;
        HANDLE proc = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
        if (!proc) return 1;
        PROCESS_MEMORY_COUNTERS m = {};
        m.cb = sizeof m;
        BOOL got = GetProcessMemoryInfo(proc, &m, sizeof m);
        CloseHandle(proc);
        if (!got) return 1;
        std::printf("workingset=%lu peak=%lu commit=%lu\n",
                    static_cast<unsigned long>(m.WorkingSetSize / 1024),
                    static_cast<unsigned long>(m.PeakWorkingSetSize / 1024),
                    static_cast<unsigned long>(m.PagefileUsage / 1024));
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "state") == 0) {
        HWND host = FindWindowA("Yorvan2Host", "Yorvan2");
        if (!host) return 1;
        DWORD_PTR r = 0;
        if (!SendMessageTimeoutA(host, WM_APP + 4, 0, 0, SMTO_ABORTIFHUNG, 5000, &r)) return 1;
        std::printf("mode=%d profile=%d auto=%d icon=%d editing=%d hooked=%d tray=%d\n",
                    static_cast<int>(r & 0xFF), static_cast<int>((r >> 8) & 0xFF),
                    static_cast<int>((r >> 16) & 1), static_cast<int>((r >> 17) & 1),
                    static_cast<int>((r >> 18) & 1), static_cast<int>((r >> 19) & 1),
                    static_cast<int>((r >> 20) & 1));
        return 0;
    }
    return 2;
}
