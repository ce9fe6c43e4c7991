// Looks into the running settings editor for the Wine tests:
//   edtool cell COL ROW        print the text of a grid cell
//   edtool cursor              print the grid cursor as "COL ROW"
//   edtool top                 print the grid's top row
//   edtool editx               print where the in-place editor draws its first character (x)
//   edtool cellpos COL ROW     print the screen position "X Y" of the middle of a grid cell
//   edtool layout              print "CLIENT_W CLIENT_H GRID_BOTTOM VER_RIGHT VER_BOTTOM" of the
//                              main window (client coordinates)
//   edtool box CAPTION         print the text of the open box with that caption
//   edtool press CAPTION BUTTON   click a button of that box ("はい(&Y)", "OK" ...)
//   edtool close CAPTION       use the box's close button
//   edtool click BUTTON        click a button or radio item of the main window
//   edtool checked BUTTON      exit 0 when that check box or radio item is ticked
//   edtool count TITLE         print how many top-level windows have that title
//   edtool mains               print how many editor main windows exist
//   edtool bounds              print the main window's normal bounds and whether it is maximized:
//                              "LEFT TOP WIDTH HEIGHT MAX"
//   edtool mem                 print the editor's working set, its peak and private bytes in KiB
//   edtool waitpaint MS        print "ready", then the Unix time in ns once the editor's grid is
//                              shown and painted (within MS milliseconds)
//   edtool repaint N           repaint the whole grid N times, print the mean in microseconds
// The profile box, the input boxes and the version box:
//   edtool combo               print Comb1's text, its selected index and its number of items
//   edtool pick N              select entry N and report it to the window as the user's choice
//   edtool drop 0|1            close or open Comb1's list
//   edtool dropped             exit 0 while Comb1's list is open
//   edtool focuscombo          give Comb1's text field the keyboard focus
//   edtool focus               print the classes of the editor's focused window and its parent
//   edtool enabled TITLE       exit 0 when the top-level window TITLE takes input
//   edtool shown TITLE         exit 0 when the top-level window TITLE is visible
//   edtool labels TITLE        print the texts of the window's labels, one a line
//   edtool field CAPTION       print the text field of the open input box with that caption
//   edtool setfield CAPTION TEXT   replace it
// For the tests under other code pages:
//   edtool acp                 print the system's ANSI code page
//   edtool type TEXT           post TEXT to the grid's in-place editor as WM_CHAR, one UTF-16
//                              unit each (a surrogate pair as its two units, as Windows types)
//   edtool setclip TEXT        put TEXT on the clipboard as Unicode text only
//   edtool activate TITLE      bring the top-level window TITLE to the front
//   edtool menu ID             post the main window the menu command ID
// Texts are in the ANSI code page, or in UTF-8 after the option -u (edtool -u cell 2 1): then
// read and written through the W calls. Exit 1 when the window or control is missing, 2 on bad
// usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "grid.h"
#include "toolcommon.h"

namespace {

constexpr char kMainClass[] = "YorvanSetMain";
constexpr char kGridClass[] = "YvGrid";
constexpr int kBoxTextId = 100;
using yv::win::kGridGetCursor;
using yv::win::kGridGetTopRow;
using yv::win::kGridQueryCell;

bool g_utf8 = false;  // -u

std::wstring Wide(const std::string& s) {
    const UINT cp = g_utf8 ? CP_UTF8 : CP_ACP;
    const int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string Utf8(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

// The text of a window or control: in the ANSI code page, or UTF-8 read as UTF-16 (-u).
std::string TextOf(HWND w) {
    if (!g_utf8) return yvtool::TextOf(w);
    LRESULT n = SendMessageW(w, WM_GETTEXTLENGTH, 0, 0);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    LRESULT got = SendMessageW(w, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(got));
    return Utf8(s);
}

// The title is the program's own, the same under every code page.
HWND Main() { return FindWindowW(L"YorvanSetMain", L"Yorvan2変換設定"); }

struct TitleCount {
    std::wstring title;
    int n = 0;
};

BOOL CALLBACK CountTitle(HWND w, LPARAM lp) {
    auto* c = reinterpret_cast<TitleCount*>(lp);
    wchar_t buf[256] = L"";
    GetWindowTextW(w, buf, 256);
    if (c->title == buf) ++c->n;
    return TRUE;
}

HWND Grid() {
    HWND m = Main();
    return m ? FindWindowExA(m, nullptr, kGridClass, nullptr) : nullptr;
}

HWND Combo() {
    HWND m = Main();
    return m ? FindWindowExA(m, nullptr, "ComboBox", nullptr) : nullptr;
}

// A direct child of `parent` whose text is `text`.
HWND ChildByText(HWND parent, const char* text) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (TextOf(c) == text) return c;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** ansiArgv) {
    std::vector<std::string> args(ansiArgv, ansiArgv + argc);
    if (argc >= 2 && args[1] == "-u") {
        g_utf8 = true;
        int n = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
        args.clear();
        for (int i = 0; i < n; ++i) {
            if (i != 1) args.push_back(Utf8(wide[i]));
        }
        LocalFree(wide);
        argc = static_cast<int>(args.size());
    }
    std::vector<char*> argvs;
    for (auto& a : args) argvs.push_back(a.data());
    char** argv = argvs.data();
    if (argc < 2) return 2;
    const std::string cmd = argv[1];
    if (cmd == "combo" || cmd == "pick" || cmd == "drop" || cmd == "dropped" ||
        cmd == "focuscombo" || cmd == "focus") {
        HWND c = Combo();
        if (!c) return 1;
        const DWORD thread = GetWindowThreadProcessId(c, nullptr);
        if (cmd == "focuscombo") {
            AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
            SetFocus(FindWindowExA(c, nullptr, "Edit", nullptr));
            AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
            return 0;
        }
        if (cmd == "focus") {
            GUITHREADINFO gi = {};
            gi.cbSize = sizeof gi;
            if (!GetGUIThreadInfo(thread, &gi) || !gi.hwndFocus) return 1;
            char own[64] = "", parent[64] = "";
            GetClassNameA(gi.hwndFocus, own, sizeof own);
            GetClassNameA(GetParent(gi.hwndFocus), parent, sizeof parent);
            std::printf("%s %s\n", own, parent);
            return 0;
        }
        if (cmd == "combo") {
            // The items' texts cannot be read from another process under Wine (it copies back
            // only part of each): their number is.
            std::printf("%s\n%d\n%d\n", TextOf(c).c_str(),
                        static_cast<int>(SendMessageA(c, CB_GETCURSEL, 0, 0)),
                        static_cast<int>(SendMessageA(c, CB_GETCOUNT, 0, 0)));
            return 0;
        }
        if (cmd == "dropped") return SendMessageA(c, CB_GETDROPPEDSTATE, 0, 0) ? 0 : 1;
        if (argc != 3) return 2;
        const int n = std::atoi(argv[2]);
        if (cmd == "drop") {
            SendMessageA(c, CB_SHOWDROPDOWN, n, 0);
            return 0;
        }
        // A selection by the program sends no notification: send the user's one, posted so
        // that the boxes it opens do not hold this tool.
        if (SendMessageA(c, CB_SETCURSEL, n, 0) != n) return 1;
        const WPARAM wp = MAKEWPARAM(GetDlgCtrlID(c), CBN_SELCHANGE);
        return PostMessageA(GetParent(c), WM_COMMAND, wp, reinterpret_cast<LPARAM>(c)) ? 0 : 1;
    }
    if (cmd == "cell" && argc == 4) {
        HWND g = Grid();
        if (!g) return 1;
        SendMessageA(g, kGridQueryCell, std::atoi(argv[2]), std::atoi(argv[3]));
        std::fputs(TextOf(g).c_str(), stdout);
        return 0;
    }
    if (cmd == "cursor") {
        HWND g = Grid();
        if (!g) return 1;
        LRESULT c = SendMessageA(g, kGridGetCursor, 0, 0);
        std::printf("%d %d", LOWORD(c), HIWORD(c));
        return 0;
    }
    if (cmd == "editx") {
        HWND g = Grid();
        HWND e = g ? FindWindowExA(g, nullptr, "Edit", nullptr) : nullptr;
        if (!e || !IsWindowVisible(e)) return 1;
        LRESULT p = SendMessageA(e, EM_POSFROMCHAR, 0, 0);
        std::printf("%d", static_cast<int>(static_cast<short>(LOWORD(p))));
        return 0;
    }
    if (cmd == "top") {
        HWND g = Grid();
        if (!g) return 1;
        std::printf("%d", static_cast<int>(SendMessageA(g, kGridGetTopRow, 0, 0)));
        return 0;
    }
    if (cmd == "cellpos" && argc == 4) {
        HWND g = Grid();
        if (!g) return 1;
        yv::win::GridGeometry geo;
        geo.topRow = static_cast<int>(SendMessageA(g, kGridGetTopRow, 0, 0));
        const int col = std::atoi(argv[2]), row = std::atoi(argv[3]);
        if (col < 0 || col >= yv::win::kGridCols) return 2;
        POINT p = {geo.ColLeft(col) + geo.width[col] / 2,
                   geo.RowTop(row) + yv::win::kGridRowHeight / 2};
        ClientToScreen(g, &p);
        std::printf("%ld %ld", p.x, p.y);
        return 0;
    }
    if (cmd == "layout") {
        HWND m = Main(), g = Grid();
        HWND ver = m ? ChildByText(m, "Ver.4.02") : nullptr;
        if (!g || !ver) return 1;
        RECT c, gr, vr;
        GetClientRect(m, &c);
        GetWindowRect(g, &gr);
        GetWindowRect(ver, &vr);
        MapWindowPoints(nullptr, m, reinterpret_cast<POINT*>(&gr), 2);
        MapWindowPoints(nullptr, m, reinterpret_cast<POINT*>(&vr), 2);
        std::printf("%ld %ld %ld %ld %ld", c.right, c.bottom, gr.bottom, vr.right, vr.bottom);
        return 0;
    }
    if (cmd == "bounds") {
        HWND m = Main();
        WINDOWPLACEMENT wp = {};
        wp.length = sizeof wp;
        if (!m || !GetWindowPlacement(m, &wp)) return 1;
        RECT r = wp.rcNormalPosition;
        if (!IsZoomed(m)) GetWindowRect(m, &r);
        std::printf("%ld %ld %ld %ld %d", r.left, r.top, r.right - r.left, r.bottom - r.top,
                    IsZoomed(m) ? 1 : 0);
        return 0;
    }
    if (cmd == "mains") {
        int n = 0;
        for (HWND w = FindWindowExA(nullptr, nullptr, kMainClass, nullptr); w;
             w = FindWindowExA(nullptr, w, kMainClass, nullptr)) {
            ++n;
        }
        std::printf("%d", n);
        return 0;
    }
    if (cmd == "count" && argc == 3) {
        TitleCount c;
        c.title = Wide(argv[2]);
        EnumWindows(CountTitle, reinterpret_cast<LPARAM>(&c));
        std::printf("%d", c.n);
        return 0;
    }
    if (cmd == "menu" && argc == 3) {
        HWND m = Main();
        return m && PostMessageW(m, WM_COMMAND, std::strtoul(argv[2], nullptr, 10), 0) ? 0 : 1;
    }
    if (cmd == "acp") {
        std::printf("%u", GetACP());
        return 0;
    }
    if (cmd == "type" && argc == 3) {
        HWND g = Grid();
        HWND e = g ? FindWindowExA(g, nullptr, "Edit", nullptr) : nullptr;
        if (!e || !IsWindowVisible(e)) return 1;
        for (wchar_t unit : Wide(argv[2])) PostMessageW(e, WM_CHAR, unit, 1);
        return 0;
    }
    if (cmd == "setclip" && argc == 3) {
        const std::wstring text = Wide(argv[2]);
        if (!OpenClipboard(nullptr)) return 1;
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        std::memcpy(GlobalLock(mem), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(mem);
        EmptyClipboard();
        SetClipboardData(CF_UNICODETEXT, mem);
        CloseClipboard();
        return 0;
    }
    if (cmd == "mem") return yvtool::PrintMemory(Main(), "");
    if (cmd == "waitpaint" && argc == 3) {
        std::printf("ready\n");
        std::fflush(stdout);
        const ULONGLONG end = GetTickCount64() + std::strtoul(argv[2], nullptr, 10);
        while (GetTickCount64() < end) {
            HWND g = Grid();
            // Painted: visible, with nothing left to paint.
            if (g && IsWindowVisible(Main()) && !GetUpdateRect(g, nullptr, FALSE)) {
                std::printf("%llu\n", yvtool::UnixNs());
                return 0;
            }
            Sleep(1);
        }
        return 1;
    }
    if (cmd == "repaint" && argc == 3) {
        HWND g = Grid();
        const int n = std::atoi(argv[2]);
        if (!g || n <= 0) return 1;
        LARGE_INTEGER f, a, b;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&a);
        for (int i = 0; i < n; ++i)
            RedrawWindow(g, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        QueryPerformanceCounter(&b);
        std::printf("%.0f", (b.QuadPart - a.QuadPart) * 1e6 / f.QuadPart / n);
        return 0;
    }
    if (argc < 3) return 2;
    if (cmd == "enabled" || cmd == "shown" || cmd == "labels" || cmd == "activate") {
        HWND w = FindWindowW(nullptr, Wide(argv[2]).c_str());
        if (!w) return 1;
        if (cmd == "activate") {
            ShowWindow(w, SW_RESTORE);
            return SetForegroundWindow(w) ? 0 : 1;
        }
        if (cmd == "enabled") return IsWindowEnabled(w) ? 0 : 1;
        if (cmd == "shown") return IsWindowVisible(w) ? 0 : 1;
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            char cls[32] = "";
            GetClassNameA(c, cls, sizeof cls);
            if (lstrcmpiA(cls, "Static") == 0) std::printf("%s\n", TextOf(c).c_str());
        }
        return 0;
    }
    if (cmd == "click" || cmd == "checked") {
        HWND m = Main();
        HWND b = m ? ChildByText(m, argv[2]) : nullptr;
        if (!b) return 1;
        if (cmd == "checked") return SendMessageA(b, BM_GETCHECK, 0, 0) == BST_CHECKED ? 0 : 1;
        return PostMessageA(b, BM_CLICK, 0, 0) ? 0 : 1;
    }
    HWND box = FindWindowW(L"YvBox", Wide(argv[2]).c_str());
    if (!box) return 1;
    if (cmd == "box") {
        std::fputs(TextOf(GetDlgItem(box, kBoxTextId)).c_str(), stdout);
        return 0;
    }
    if (cmd == "close") return PostMessageA(box, WM_CLOSE, 0, 0) ? 0 : 1;
    if (cmd == "press" && argc == 4) {
        HWND b = ChildByText(box, argv[3]);
        return b && PostMessageA(b, BM_CLICK, 0, 0) ? 0 : 1;
    }
    HWND field = FindWindowExA(box, nullptr, "Edit", nullptr);
    if ((cmd == "field" || cmd == "setfield") && !field) return 1;
    if (cmd == "field") {
        std::fputs(TextOf(field).c_str(), stdout);
        return 0;
    }
    if (cmd == "setfield" && argc == 4) {
        SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(argv[3]).c_str()));
        return 0;
    }
    return 2;
}
