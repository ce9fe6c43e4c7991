// A stand-in for the resident host, for the Wine tests of Yorvan2.dll:
//   testhost LOGFILE RULEFILE
// Creates the window "Yorvan2", calls SetHook and SetSet with the rules of RULEFILE and logs every
// WM_RBUTTONDOWN it receives as "rbutton WPARAM LPARAM". Rule file lines:
//   mode N | trackoff N | numlock N | row INDEX KEY [TEXT]
// TEXT runs to the end of the line; \xNN stands for a byte. Messages it answers:
//   WM_APP+1 (vk)  returns getkeyflg(vk)
//   WM_APP+2       logs "aplname TITLE|SECOND"
//   WM_APP+3       rereads RULEFILE and calls SetSet again; returns 0
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "yorvan2.h"

namespace {

std::string g_log, g_rules;
int g_keys[101];
std::string g_texts[101];
int g_mode = 1, g_trackOff = 0, g_numLock = 0;

void Log(const std::string& line) {
    if (FILE* f = std::fopen(g_log.c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

std::string Unescape(const char* s) {
    std::string out;
    for (; *s; ++s) {
        if (s[0] == '\\' && s[1] == 'x' && s[2] && s[3]) {
            char hex[3] = {s[2], s[3], 0};
            out += static_cast<char>(std::strtol(hex, nullptr, 16));
            s += 3;
        } else {
            out += *s;
        }
    }
    return out;
}

bool LoadRules() {
    FILE* f = std::fopen(g_rules.c_str(), "rb");
    if (!f) return false;
    for (int i = 0; i < 101; ++i) g_keys[i] = 0, g_texts[i].clear();
    char line[1024];
    while (std::fgets(line, sizeof line, f)) {
        line[std::strcspn(line, "\r\n")] = 0;
        int a = 0, b = 0, used = 0;
        if (std::sscanf(line, "mode %d", &a) == 1)
            g_mode = a;
        else if (std::sscanf(line, "trackoff %d", &a) == 1)
            g_trackOff = a;
        else if (std::sscanf(line, "numlock %d", &a) == 1)
            g_numLock = a;
        else if (std::sscanf(line, "row %d %d%n", &a, &b, &used) == 2 && a >= 0 && a <= 100) {
            g_keys[a] = b;
            const char* rest = line + used;
            if (*rest == ' ') ++rest;
            g_texts[a] = Unescape(rest);
        }
    }
    std::fclose(f);
    return true;
}

void Apply() {
    const char* texts[101];
    for (int i = 0; i < 101; ++i) texts[i] = g_texts[i].c_str();
    SetSet(static_cast<BYTE>(g_mode), static_cast<BYTE>(g_trackOff), static_cast<BYTE>(g_numLock),
           g_keys, texts);
}

LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_RBUTTONDOWN: {
            char buf[64];
            std::snprintf(buf, sizeof buf, "rbutton %llu %lld", static_cast<unsigned long long>(wp),
                          static_cast<long long>(lp));
            Log(buf);
            return 0;
        }
        case WM_APP + 1:
            return getkeyflg(static_cast<int>(wp));
        case WM_APP + 2: {
            char a[101] = "", b[101] = "x";
            char* out[2] = {a, b};
            getaplname(out);
            Log(std::string("aplname ") + a + "|" + b);
            return 0;
        }
        case WM_APP + 3:
            LoadRules();
            Apply();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    g_log = argv[1];
    g_rules = argv[2];
    if (!LoadRules()) return 3;
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "YorvanTestHost";
    RegisterClassA(&wc);
    HWND w = CreateWindowA(wc.lpszClassName, "Yorvan2", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                           nullptr, nullptr, wc.hInstance, nullptr);
    if (!w) return 4;
    if (SetHook(w, static_cast<BYTE>(g_numLock)) != 0) return 5;
    Apply();
    Log("ready");
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    ResetHook();
    return 0;
}
