// TForm1. Positions are client coordinates of the designed window (client area 1007 by 599).
#include "mainform.h"

#include <algorithm>

#include "boxes.h"
#include "wincontext.h"
#include "wtext.h"

namespace yv::win {
namespace {

using editor::Answer;
using editor::BoxButtons;
using editor::BoxKind;
using editor::CheckBox;

constexpr wchar_t kClassName[] = L"YorvanSetMain";
constexpr int kDesignLeft = 191, kDesignTop = 112, kDesignWidth = 1017, kDesignHeight = 656;
constexpr int kDesignClientWidth = 1007;
constexpr RECT kGridBounds = {110, 158, 110 + 883, 158 + 423};
constexpr POINT kVerPos = {946, 584};
constexpr COLORREF kBlue = RGB(0, 0, 255), kRed = RGB(255, 0, 0);

struct KeyButton {
    const char* caption;
    std::uint16_t vk;
};
constexpr KeyButton kKeyButtons[] = {
    {"【Ｔａｂ】", editor::kBTab},
    {"【Ｄｅｌｅｔｅ】", editor::kBDel},
    {"【ＰａｇｅＵｐ】", editor::kBPup},
    {"【PageDown】", editor::kBPdwn},
    {"【↑】", editor::kBTop},
    {"【←】", editor::kBLeft},
    {"【→】", editor::kBRight},
    {"【↓】", editor::kBDown},
    {"左右Ａｌｔ", editor::kBAlt},
    {"左右Ｃｔｒｌ", editor::kBCtrl},
    {"【PrtScr】", editor::kBPrtScr},
    {"【Ｗｉｎｄｏｗｓ】", editor::kBWin},
    {"【ｱﾌﾟﾘｹｰｼｮﾝ】", editor::kBApps},
    {"【Shift】", editor::kBShift},
};
constexpr int kKeyButtonTop = 182, kKeyButtonPitch = 24;

constexpr const char* kModeItems[] = {"文字列（日本語入力時無効）", "文字列（日本語入力時有効）",
                                      "１キー（日本語入力時無効）", "交換キー（日本語入力時有効）"};

HFONT MakeFont(int height, const char* face) {
    return CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, WText(face).c_str());
}

MainForm* Of(HWND w) { return ContextOf<MainForm>(w); }

}  // namespace

bool MainForm::Register(HINSTANCE instance) {
    Grid::Register(instance);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
}

bool MainForm::Create(HINSTANCE instance) {
    font_ = MakeFont(16, "ＭＳ Ｐゴシック");
    labelFont_ = MakeFont(15, "ＭＳ Ｐゴシック");
    verFont_ = MakeFont(13, "ＭＳ Ｐゴシック");
    gridFont_ = MakeFont(16, "ＭＳ ゴシック");

    HMENU bar = CreateMenu();
    HMENU apl = CreatePopupMenu();
    AppendMenuW(apl, MF_STRING, kCmdNew, WText("新　規").c_str());
    AppendMenuW(apl, MF_STRING, kCmdRename, WText("名前変更").c_str());
    AppendMenuW(apl, MF_STRING, kCmdCopy, WText("コピー").c_str());
    AppendMenuW(apl, MF_STRING, kCmdDelete, WText("削　除").c_str());
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(apl),
                WText("アプリケーション設定").c_str());
    AppendMenuW(bar, MF_STRING, kCmdAutoSwitch, WText("自動切替設定").c_str());
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, kCmdHomePage, WText("ホームページ").c_str());
    AppendMenuW(help, MF_STRING, kCmdVersion, WText("バージョン情報").c_str());
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), WText("ヘルプ").c_str());
    AppendMenuW(bar, MF_STRING, kCmdEnd, WText("終　了").c_str());

    hwnd_ = CreateWindowExW(0, kClassName, WText(editor::kAppTitle).c_str(), WS_OVERLAPPEDWINDOW,
                            kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight, nullptr, bar,
                            instance, this);
    return hwnd_ != nullptr && grid_ != nullptr;
}

HWND MainForm::Control(const wchar_t* cls, const char* text, DWORD style, int x, int y, int w,
                       int h, int id, HFONT font, DWORD exStyle) {
    HWND c = CreateWindowExW(exStyle, cls, WText(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y,
                             w, h, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             nullptr, nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
}

// Labels size themselves to their text, as the designed ones do.
void MainForm::FitLabel(HWND label) {
    const std::string text = WindowText(label);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    RECT r = {0, 0, 0, 0};
    DrawTextW(dc, WText(text.empty() ? " " : text).c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    SetWindowPos(label, nullptr, 0, 0, r.right + 2, r.bottom, SWP_NOMOVE | SWP_NOZORDER);
}

LRESULT MainForm::OnCreate() {
    panel1_ = Control(L"STATIC", "", SS_SUNKEN, 0, 0, 790, 2, kIdPanel1, font_);
    comb1_ = Control(L"COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 16,
                     8, 190, 24 + 200, kIdComb1, font_);
    SendMessageW(comb1_, CB_LIMITTEXT, 20, 0);
    if (HWND field = FindWindowExW(comb1_, nullptr, L"Edit", nullptr)) {
        SetWindowLongPtrW(field, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        comboEditProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboEditProc)));
    }
    // A check mark or a radio circle and its gap come before a button's text.
    const int mark = GetSystemMetrics(SM_CXMENUCHECK) + 6;
    cb_[1] = Control(L"BUTTON", "NumLock ON 保持", BS_AUTOCHECKBOX | WS_TABSTOP, 232, 8, 161, 17,
                     kIdCB2, font_);
    cb_[0] = Control(L"BUTTON", "起動時変換機能有効", BS_AUTOCHECKBOX | WS_TABSTOP, 406, 8, 169, 17,
                     kIdCB1, font_);
    cb_[2] = Control(L"BUTTON", "起動時自動切替有効", BS_AUTOCHECKBOX | WS_TABSTOP, 600, 8, 169, 17,
                     kIdCB3, font_);
    for (HWND box : cb_) FitControlText(box, uiFonts_, 16, {169 - mark, 17});
    Control(L"BUTTON", "設定モード", BS_GROUPBOX, 16, 35, 457, 56, kIdRG1, font_);
    for (int i = 0; i < 4; ++i) {
        // Two columns, filled top to bottom.
        HWND item = Control(
            L"BUTTON", kModeItems[i], BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0),
            16 + 8 + (i / 2) * 222, 35 + 16 + (i % 2) * 18, 220, 18, kIdRG1Item + i, font_);
        if (i == 0) SendMessageW(item, BM_SETCHECK, BST_CHECKED, 0);
        FitControlText(item, uiFonts_, 16, {220 - mark, 18});
    }
    // Push buttons keep a few pixels of their face around the text.
    constexpr int kFace = 8;
    Control(L"BUTTON", "変更取り消し", BS_PUSHBUTTON | WS_TABSTOP, 496, 40, 121, 33, kIdB1, font_);
    Control(L"BUTTON", "現在の設定を登録", BS_PUSHBUTTON | WS_TABSTOP, 640, 39, 137, 33, kIdBPut,
            font_);
    Control(L"BUTTON", "終　了", BS_PUSHBUTTON | WS_TABSTOP, 640, 87, 137, 33, kIdBEnd, font_);
    lMsg_ = Control(L"STATIC", "", SS_LEFT | SS_NOPREFIX, 13, 96, 10, 10, kIdLMsg, labelFont_);
    lMsg2_ = Control(L"STATIC", "", SS_LEFT | SS_NOPREFIX, 13, 141, 10, 10, kIdLMsg2, labelFont_);
    lMsg3_ = Control(L"STATIC", "【Ａｌｔ】＋【半角／漢字】で日本語入力", SS_LEFT | SS_NOPREFIX,
                     538, 141, 10, 10, kIdLMsg3, labelFont_);
    FitLabel(lMsg3_);
    FitLabel(
        Control(L"STATIC", "設定用ボタン", SS_LEFT | SS_NOPREFIX, 8, 162, 10, 10, kIdLBtn, font_));
    for (int i = 0; i < static_cast<int>(std::size(kKeyButtons)); ++i) {
        HWND b = Control(L"BUTTON", kKeyButtons[i].caption, BS_PUSHBUTTON | WS_TABSTOP, 8,
                         kKeyButtonTop + i * kKeyButtonPitch, 80, 20, kIdKeyButton + i, font_);
        FitControlText(b, uiFonts_, 16, {80 - kFace, 20});
    }
    lVer_ = Control(L"STATIC", "Ver.4.02", SS_LEFT | SS_NOPREFIX, kVerPos.x, kVerPos.y, 10, 10,
                    kIdLVer, verFont_);
    FitLabel(lVer_);
    grid_ = Grid::Create(hwnd_, kIdSG1, kGridBounds, this, gridFont_);
    return grid_ ? 0 : -1;
}

void MainForm::ShowFirst(int showCommand) {
    Run([&] { editor_->FormShow(); });
    shown_ = true;
    ShowWindow(hwnd_, pendingMaximized_ ? SW_SHOWMAXIMIZED : showCommand);
    UpdateWindow(hwnd_);
    // FormShow gave the grid the focus while the window was hidden; now it can take it.
    if (!closing_) {
        restoringFocus_ = true;
        grid_->Focus();
        restoringFocus_ = false;
    }
}

LRESULT CALLBACK MainForm::WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    MainForm* f = AttachContext<MainForm>(w, msg, lp);
    if (!f) return DefWindowProcW(w, msg, wp, lp);
    if (msg == WM_NCCREATE) f->hwnd_ = w;
    switch (msg) {
        case WM_CREATE:
            return f->OnCreate();
        case WM_SIZE:
            return f->OnSize();
        case WM_COMMAND:
            return f->OnCommand(wp, lp);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return f->OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_ACTIVATE:
            return f->OnActivate(wp);
        case WM_CLOSE:
            return f->OnClose();
        case WM_QUERYENDSESSION:
            return f->OnQueryEndSession();
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

// Comb1's field: its key-downs go to the owner first, which may consume them.
LRESULT CALLBACK MainForm::ComboEditProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    MainForm* f = Of(w);
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            f->comboSwallow_ = f->onComboKeyDown && f->onComboKeyDown(static_cast<WORD>(wp));
            if (f->comboSwallow_) return 0;
            break;
        case WM_CHAR:
            // Also the character of a key that moved the focus away: typed into the box, it
            // would start a profile switch that drops unsaved rows.
            if (f->comboSwallow_ || GetFocus() != w) return 0;
            break;
    }
    return CallWindowProcW(f->comboEditProc_, w, msg, wp, lp);
}

LRESULT MainForm::OnSize() {
    RECT c;
    GetClientRect(hwnd_, &c);
    if (c.right == 0 && c.bottom == 0) return 0;  // minimized
    // FormResize: the separator spans the client width; the grid and LVer follow the edges.
    const EdgeLayout l = FollowEdges(c.right, c.bottom);
    SetWindowPos(panel1_, nullptr, 0, 0, l.panelWidth, 2, SWP_NOMOVE | SWP_NOZORDER);
    RECT g;
    GetWindowRect(grid_->hwnd(), &g);
    SetWindowPos(grid_->hwnd(), nullptr, 0, 0, g.right - g.left, l.gridHeight,
                 SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(lVer_, nullptr, l.verLeft, l.verTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    InvalidateRect(lVer_, nullptr, TRUE);
    return 0;
}

LRESULT MainForm::OnCommand(WPARAM wp, LPARAM lp) {
    const int id = LOWORD(wp), code = HIWORD(wp);
    if (lp == 0) {  // a menu item
        if (id == kCmdEnd) {
            Run([&] { editor_->End1Click(); });
        } else if (onCommand) {
            onCommand(id);
        }
        return 0;
    }
    if (id == kIdComb1) {
        if (onComboEvent) onComboEvent(code);
        return 0;
    }
    if (code != BN_CLICKED) return 0;
    switch (id) {
        case kIdCB1:
            Run([&] { editor_->CB1Click(); });
            break;
        case kIdCB2:
            Run([&] { editor_->CB2Click(); });
            break;
        case kIdCB3:
            Run([&] { editor_->CB3Click(); });
            break;
        case kIdB1:
            Run([&] { editor_->B1Click(); });
            break;
        case kIdBPut:
            Run([&] { editor_->BPutClick(); });
            break;
        case kIdBEnd:
            Run([&] { editor_->BEndClick(); });
            break;
        default:
            if (id >= kIdRG1Item && id < kIdRG1Item + 4) {
                Run([&] { editor_->RG1Click(id - kIdRG1Item); });
            } else if (id >= kIdKeyButton &&
                       id < kIdKeyButton + static_cast<int>(std::size(kKeyButtons))) {
                const std::uint16_t vk = kKeyButtons[id - kIdKeyButton].vk;
                Run([&] { editor_->ButtonClick(vk); });
            }
    }
    return 0;
}

LRESULT MainForm::OnCtlColorStatic(HDC dc, HWND control) {
    SetBkMode(dc, TRANSPARENT);
    if (control == lMsg_ || control == lMsg3_ || control == lVer_) SetTextColor(dc, kBlue);
    if (control == lMsg2_) SetTextColor(dc, kRed);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// The focus goes back where it was when the window is activated again (after a box, or
// another program), without counting as the grid's being entered.
LRESULT MainForm::OnActivate(WPARAM wp) {
    if (LOWORD(wp) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(hwnd_, f)) lastFocus_ = f;
        return 0;
    }
    RestoreFocus();
    return 0;
}

// The window's own focus goes on to the control that had it last, the grid at first.
void MainForm::RestoreFocus() {
    restoringFocus_ = true;
    if (lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_) &&
        IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
    } else {
        grid_->Focus();
    }
    restoringFocus_ = false;
}

LRESULT MainForm::OnClose() {
    if (closing_) return 0;  // a close question is already open
    closing_ = true;
    bool close = editor_->CloseRequested();
    closing_ = false;
    if (close) DestroyWindow(hwnd_);
    return 0;
}

// The session ends (log off, shut down): the close question runs as for the close button, so
// that unsaved rules are not lost; いいえ to "終了しますか" keeps the session.
LRESULT MainForm::OnQueryEndSession() {
    if (closing_) return FALSE;
    closing_ = true;
    bool mayEnd = false;
    Run([&] { mayEnd = editor_->FormCloseQuery(); });
    closing_ = false;
    return mayEnd ? TRUE : FALSE;
}

void MainForm::Run(const std::function<void()>& handler) { editor_->RunHandler(handler); }

// --- View

std::string MainForm::Cell(int col, int row) {
    if (col < 0 || col >= kGridCols || row < 0 || row >= kGridRows) return {};
    return cells_[col][row];
}

void MainForm::SetCell(int col, int row, const std::string& text) {
    if (col < 0 || col >= kGridCols || row < 0 || row >= kGridRows) return;
    if (cells_[col][row] == text) return;
    cells_[col][row] = text;
    grid_->CellChanged(col, row);
}

int MainForm::GridCol() { return grid_->col(); }
int MainForm::GridRow() { return grid_->row(); }
void MainForm::SetGridCursor(int col, int row) { grid_->SetCursor(col, row); }
void MainForm::SetGridTopRow(int row) { grid_->SetTopRow(row); }

void MainForm::FocusGrid() {
    if (!shown_) {
        // The hidden window cannot take the focus yet (ShowFirst gives it); the grid counts as
        // entered all the same.
        Run([&] { editor_->SG1Enter(); });
        return;
    }
    grid_->Focus();
}

void MainForm::SetColumnWidth(int col, int px) { grid_->SetColumnWidth(col, px); }

void MainForm::SetGridWidth(int px) {
    RECT g;
    GetWindowRect(grid_->hwnd(), &g);
    SetWindowPos(grid_->hwnd(), nullptr, 0, 0, px, g.bottom - g.top, SWP_NOMOVE | SWP_NOZORDER);
}

HWND MainForm::CheckBoxWindow(CheckBox box) const {
    switch (box) {
        case CheckBox::kCB1:
            return cb_[0];
        case CheckBox::kCB2:
            return cb_[1];
        case CheckBox::kCB3:
            return cb_[2];
    }
    return nullptr;
}

bool MainForm::Checked(CheckBox box) {
    return SendMessageW(CheckBoxWindow(box), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainForm::SetChecked(CheckBox box, bool on) {
    SendMessageW(CheckBoxWindow(box), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void MainForm::SetProfileList(const std::vector<std::string>& names) {
    SendMessageW(comb1_, CB_RESETCONTENT, 0, 0);
    for (const auto& n : names) {
        SendMessageW(comb1_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WText(n).c_str()));
    }
}

void MainForm::SetComboText(const std::string& text) { SetText(comb1_, text); }
void MainForm::SetComboIndex(int index) { SendMessageW(comb1_, CB_SETCURSEL, index, 0); }
std::string MainForm::ComboText() { return WindowText(comb1_); }
int MainForm::ComboIndex() { return static_cast<int>(SendMessageW(comb1_, CB_GETCURSEL, 0, 0)); }

void MainForm::SetLabel(editor::Label label, const std::string& text) {
    HWND w = label == editor::Label::kLMsg ? lMsg_ : lMsg2_;
    SetText(w, text);
    // The three blue lines end above the red one; the red one before the note beside it.
    if (label == editor::Label::kLMsg) {
        FitControlText(w, uiFonts_, 15, {kDesignClientWidth - 13, 141 - 96}, true);
    } else {
        FitControlText(w, uiFonts_, 15, {538 - 13, 20});
    }
    FitLabel(w);
}

std::string MainForm::Caption() { return WindowText(hwnd_); }

// The application's title names the program where the system lists it; our main window is
// that entry, so the title is only kept.
void MainForm::SetAppTitle(const std::string& title) { appTitle_ = title; }

editor::Bounds MainForm::WindowBounds() {
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    RECT r;
    if (IsZoomed(hwnd_) && GetWindowPlacement(hwnd_, &wp)) {
        r = wp.rcNormalPosition;
    } else {
        GetWindowRect(hwnd_, &r);
    }
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void MainForm::SetWindowBounds(const editor::Bounds& b) {
    if (IsZoomed(hwnd_)) {
        WINDOWPLACEMENT wp = {};
        wp.length = sizeof wp;
        GetWindowPlacement(hwnd_, &wp);
        wp.rcNormalPosition = {b.left, b.top, b.left + b.width, b.top + b.height};
        SetWindowPlacement(hwnd_, &wp);
        return;
    }
    SetWindowPos(hwnd_, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool MainForm::Maximized() { return shown_ ? IsZoomed(hwnd_) != 0 : pendingMaximized_; }

void MainForm::SetMaximized(bool on) {
    if (!shown_) {
        pendingMaximized_ = on;
        return;
    }
    ShowWindow(hwnd_, on ? SW_MAXIMIZE : SW_RESTORE);
}

void MainForm::CloseWindow() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

Answer MainForm::Box(BoxKind kind, const std::string& text, BoxButtons buttons) {
    return ShowBox(shown_ ? hwnd_ : nullptr, font_, kind, text, buttons);
}

std::optional<std::string> MainForm::InputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& initial) {
    return ShowInputBox(shown_ ? hwnd_ : nullptr, font_, caption, prompt, initial);
}

// --- GridOwner

std::string MainForm::GridCellText(int col, int row) { return Cell(col, row); }

GridCellLook MainForm::GridCellStyle(int col, int row, bool focused) {
    editor::CellStyle s = editor_->SG1DrawCell(col, row, focused);
    GridCellLook look;
    look.fixed = s.fixed;
    look.background = RGB(s.background.r, s.background.g, s.background.b);
    look.textX = s.textX;
    look.textY = s.textY;
    return look;
}

void MainForm::GridCellEdited(int col, int row, const std::string& text) {
    if (col >= 0 && col < kGridCols && row >= 0 && row < kGridRows) cells_[col][row] = text;
}

void MainForm::GridKeyDown(WORD& vk) {
    std::uint16_t key = vk;
    Run([&] { editor_->SG1KeyDown(key); });
    vk = key;
}

// The editor's handler takes a byte: it only drops a character or takes Enter. A unit beyond
// ASCII reaches it as a byte that is neither, and is kept unless the handler drops it.
void MainForm::GridChar(wchar_t& ch) {
    char c = ch < 0x80 ? static_cast<char>(ch) : '\x7F';
    Run([&] { editor_->SG1KeyPress(c); });
    if (c == 0) ch = 0;
}

void MainForm::GridEnter() {
    if (!restoringFocus_) Run([&] { editor_->SG1Enter(); });
}

void MainForm::GridMouseDown(int col, int row) {
    Run([&] { editor_->SG1MouseDown(col, row); });
}

}  // namespace yv::win
