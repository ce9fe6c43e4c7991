// Looks at the settings editor's profile box, its enabled state and the version box from
// another process, for the end-to-end test under Wine:
//   menutool combo             print Comb1's text, its selected index and its number of items
//   menutool pick N            select entry N and report it to the window as the user's choice
//   menutool drop 0|1          close or open Comb1's list
//   menutool dropped           exit 0 while Comb1's list is open
//   menutool focuscombo        give Comb1's text field the keyboard focus
//   menutool focus             print the classes of the editor's focused window and its parent
//   menutool enabled TITLE     exit 0 when the top-level window TITLE takes input
//   menutool shown TITLE       exit 0 when the top-level window TITLE is visible
//   menutool labels TITLE      print the texts of the window's labels, one a line
//   menutool field CAPTION     print the text field of the open input box with that caption
//   menutool setfield CAPTION TEXT   replace it
// Exit 1 when a window is missing, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr char kMainClass[] = "YorvanSetMain";
constexpr char kMainTitle[] = "Yorvan2変換設定";
constexpr char kBoxClass[] = "YvBox";

std::string TextOf(HWND w) {
    LRESULT n = SendMessageA(w, WM_GETTEXTLENGTH, 0, 0);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    LRESULT got = SendMessageA(w, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(got));
    return s;
}

HWND Combo() {
    HWND m = FindWindowA(kMainClass, kMainTitle);
    return m ? FindWindowExA(m, nullptr, "ComboBox", nullptr) : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
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
    if (argc < 3) return 2;
    if (cmd == "enabled" || cmd == "shown" || cmd == "labels") {
        HWND w = FindWindowA(nullptr, argv[2]);
        if (!w) return 1;
        if (cmd == "enabled") return IsWindowEnabled(w) ? 0 : 1;
        if (cmd == "shown") return IsWindowVisible(w) ? 0 : 1;
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            char cls[32] = "";
            GetClassNameA(c, cls, sizeof cls);
            if (lstrcmpiA(cls, "Static") == 0) std::printf("%s\n", TextOf(c).c_str());
        }
        return 0;
    }
    HWND box = FindWindowA(kBoxClass, argv[2]);
    HWND field = box ? FindWindowExA(box, nullptr, "Edit", nullptr) : nullptr;
    if (!field) return 1;
    if (cmd == "field") {
        std::fputs(TextOf(field).c_str(), stdout);
        return 0;
    }
    if (cmd == "setfield" && argc == 4) {
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
        return 0;
    }
    return 2;
}
