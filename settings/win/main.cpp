// YorvanSet.exe: the start checks, the main window and the message loop.
#include <windows.h>

#include <optional>
#include <string>

#include "about.h"
#include "aboutbox.h"
#include "boxes.h"
#include "editor.h"
#include "keynames.h"
#include "mainform.h"
#include "profiles.h"
#include "settingsfile.h"
#include "start.h"
#include "titles.h"
#include "wtext.h"
#include "yorvan2.h"

namespace {

class WinStart : public yv::editor::StartPlatform {
  public:
    bool FindWindowA(const std::string& title) override {
        return ::FindWindowW(nullptr, yv::win::WText(title).c_str()) != nullptr;
    }
    // The name is the program's file name in the system's code page, as the path came.
    bool OpenMutexA(const std::string& name) override {
        HANDLE m = ::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
        if (!m) return false;
        CloseHandle(m);
        return true;
    }
    // The handle stays open for the life of the process: the mark disappears with it. A mark
    // that another start made since OpenMutexA counts as a failure, so that two editors started
    // at the same moment do not both run.
    bool CreateMutexA(const std::string& name) override {
        HANDLE m = ::CreateMutexA(nullptr, FALSE, name.c_str());
        if (m && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(m);
            return false;
        }
        return m != nullptr;
    }
    void MessageBoxA(const std::string& text, const std::string&) override {
        HFONT font =
            CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, yv::win::WText("ＭＳ Ｐゴシック").c_str());
        yv::win::ShowBox(nullptr, font, yv::editor::BoxKind::kPlain, text,
                         yv::editor::BoxButtons::kOk);
        DeleteObject(font);
    }
};

std::string ExecutablePath() {
    char buf[MAX_PATH * 2] = "";
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return std::string(buf, n);
}

std::optional<std::string> FirstArgument() {
    if (__argc < 2 || !__argv[1]) return std::nullopt;
    return std::string(__argv[1]);
}

// Tells the running host that an editor runs, so that one started by hand, not by the host's
// 設定, gets key learning and is followed to its end. The host takes it as a hint and looks for
// this window itself (the same names in host/win_main.cpp).
void TellHost() {
    HWND shell = FindWindowW(L"Yorvan2Shell", nullptr);
    const UINT runs = RegisterWindowMessageW(L"Yorvan2EditorRuns");
    if (shell && runs) PostMessageW(shell, runs, 0, 0);
}

int KeyFlags(int vk) { return getkeyflg(vk); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    WinStart start;
    if (!yv::editor::CheckStart(start, ExecutablePath())) return 0;
    yv::settings::SetKeyFlagSource(KeyFlags);
    yv::editor::SetAplNameSource(yv::win::LatestTitles);
    yv::win::StartTitleWatch();

    if (!yv::win::MainForm::Register(instance)) return 1;
    yv::win::MainForm form;
    yv::editor::Editor editor(form, yv::settings::SettingsPath());
    form.Attach(&editor);
    if (!form.Create(instance)) return 1;
    editor.FormCreate(FirstArgument());
    TellHost();

    // The menus and the profile box; the version box exists, hidden, for the whole run.
    yv::editor::Profiles profiles(editor);
    yv::win::HelpWindows* help = nullptr;
    yv::win::AboutBox* about = yv::win::AboutBox::Create(instance, form.hwnd(), [&] {
        editor.RunHandler([&] { yv::editor::OKButtonClick(*help); });
    });
    yv::win::HelpWindows helpWindows(form.hwnd(), about);
    help = &helpWindows;
    form.onCommand = [&](int id) {
        using namespace yv::win;
        editor.RunHandler([&] {
            switch (id) {
                case kCmdNew:
                    return profiles.New1Click();
                case kCmdRename:
                    return profiles.Name1Click();
                case kCmdCopy:
                    return profiles.Copy1Click();
                case kCmdDelete:
                    return profiles.Del1Click();
                case kCmdAutoSwitch:
                    return profiles.A1Click();
                case kCmdHomePage:
                    return yv::editor::H1Click(helpWindows, form, editor.settingsPath());
                case kCmdVersion:
                    return yv::editor::About1Click(helpWindows);
            }
        });
    };
    form.onComboEvent = [&](int code) {
        if (code == CBN_SELCHANGE || code == CBN_EDITCHANGE) {
            editor.RunHandler([&] { profiles.Comb1Change(); });
        }
    };
    form.onComboKeyDown = [&](WORD) {
        editor.RunHandler([&] { profiles.Comb1KeyDown(); });
        return false;  // the key goes on to the box
    };
    form.ShowFirst(showCommand);

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}
