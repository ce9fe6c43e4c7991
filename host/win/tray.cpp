// The notification-area icon: its state, its tooltip and balloons, its menu and commands.
#include "shellstate.h"

namespace yv::host::win::shell {

std::string TrayTip() {
    std::string tip = "Yorvan2 ";
    if (!Hooked()) {
        tip += "停止中（フック失敗）";
    } else if (Editing()) {
        tip += "設定中";
    } else {
        tip += ConversionOn() ? "変換オン" : "変換オフ";
        const int p = Profile() <= yv::host::kMaxProfiles ? Profile() : 0;
        tip += " / " + g.names[p];
        if (AutoSwitch()) tip += " / 自動切替";
        tip += yv::host::FrontNote(
            static_cast<yv::host::FrontService>((g.state >> w::kStateFrontShift) & 3));
    }
    return yv::settings::LeftPart(tip, sizeof g.tray.szTip - 1);
}

// Shows the current state in the notification area; the shell call may wait on another
// process, which is why it happens on this thread.
void RefreshTray() {
    const bool on = Hooked() && ConversionOn();
    g.tray.cbSize = sizeof g.tray;
    g.tray.hWnd = g.wnd;
    g.tray.uID = 1;
    g.tray.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    g.tray.uCallbackMessage = w::kMsgTray;
    g.tray.hIcon = on ? g.iconOn : g.iconOff;
    std::string tip = TrayTip();
    std::memcpy(g.tray.szTip, tip.c_str(), tip.size() + 1);
    if (g.trayShown) {
        g.trayShown = Shell_NotifyIconA(NIM_MODIFY, &g.tray) != FALSE;
    }
    if (!g.trayShown) g.trayShown = Shell_NotifyIconA(NIM_ADD, &g.tray) != FALSE;
    w::SetTrayBits(on, g.trayShown);
    w::Log("state mode=%d profile=%d auto=%d editing=%d hooked=%d", Mode(), Profile(),
           AutoSwitch() ? 1 : 0, Editing() ? 1 : 0, Hooked() ? 1 : 0);
}

void RemoveTray() {
    if (!g.trayShown) return;
    Shell_NotifyIconA(NIM_DELETE, &g.tray);
    g.trayShown = false;
    w::SetTrayBits(false, false);
}

void Balloon(const char* text) {
    if (!g.trayShown) return;
    NOTIFYICONDATAA n = g.tray;
    n.uFlags = NIF_INFO;
    std::strncpy(n.szInfo, text, sizeof n.szInfo - 1);
    std::strncpy(n.szInfoTitle, kWindowTitle, sizeof n.szInfoTitle - 1);
    n.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconA(NIM_MODIFY, &n);
    w::Log("balloon shown");
}

void ShowMenu() {
    const bool idle = !Editing();
    HMENU profiles = CreatePopupMenu();
    for (int p = 0; p <= g.profileCount; ++p) {
        std::string name = g.names[p].empty() ? "(名前なし)" : g.names[p];
        UINT flags = MF_STRING | (idle ? 0 : MF_GRAYED);
        AppendMenuA(profiles, flags, kCmdProfile0 + p, name.c_str());
    }
    CheckMenuRadioItem(profiles, kCmdProfile0, kCmdProfile0 + g.profileCount,
                       kCmdProfile0 + Profile(), MF_BYCOMMAND);

    auto check = [](bool b) -> UINT { return b ? MF_CHECKED : MF_UNCHECKED; };
    HMENU menu = CreatePopupMenu();
    const UINT gray = idle && Hooked() ? 0 : MF_GRAYED;
    AppendMenuA(menu, MF_STRING | gray | check(ConversionOn()), kCmdConversion, "変換(&C)");
    AppendMenuA(menu, MF_STRING | (idle ? 0 : MF_GRAYED) | check(AutoSwitch()), kCmdAutoSwitch,
                "自動切替(&A)");
    AppendMenuA(menu, MF_POPUP | (idle ? 0 : MF_GRAYED), reinterpret_cast<UINT_PTR>(profiles),
                "プロファイル(&P)");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kCmdEditor, "設定");
    AppendMenuA(menu, MF_STRING | (idle ? 0 : MF_GRAYED), kCmdReload, "設定の再読込(&R)");
    AppendMenuA(menu, MF_STRING, kCmdReinstall, "フックの再設定(&H)");
    AppendMenuA(menu, MF_STRING | check(yv::host::StartupLinkExists()), kCmdStartup,
                "Windows 起動時に開始(&W)");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kCmdExit, "終了(&X)");
    SetMenuDefaultItem(menu, kCmdConversion, FALSE);

    POINT pt;
    GetCursorPos(&pt);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(g.wnd);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, pt.x, pt.y, 0, g.wnd, nullptr);
    PostMessageA(g.wnd, WM_NULL, 0, 0);
    DestroyMenu(menu);  // destroys the submenu with it
}

void OnCommand(UINT id) {
    switch (id) {
        case kCmdConversion:
            Command(CoreCommand::kToggleConversion);
            break;
        case kCmdAutoSwitch:
            Command(CoreCommand::kToggleAutoSwitch);
            break;
        case kCmdEditor:
            StartEditor();
            break;
        case kCmdReload:
            if (!Editing()) ReloadSettings();
            break;
        case kCmdReinstall:
            PostMessageA(g.input, w::kMsgReinstall, 0, 0);
            break;
        case kCmdStartup: {
            bool want = !yv::host::StartupLinkExists();
            if (!yv::host::SetStartupLink(want, g.exePath)) {
                MessageBoxA(g.wnd, "スタートアップの設定を変更できません。", kErrorTitle,
                            MB_OK | MB_ICONERROR);
            }
            break;
        }
        case kCmdExit:
            RequestExit();
            break;
        default:
            if (id >= kCmdProfile0 && id <= kCmdProfile0 + yv::host::kMaxProfiles) {
                Command(CoreCommand::kSelectProfile, static_cast<int>(id - kCmdProfile0));
            }
    }
}

}  // namespace yv::host::win::shell
