#include "aboutbox.h"

#include <shellapi.h>

#include <iterator>
#include <string>

#include "about.h"
#include "wincontext.h"
#include "wtext.h"

namespace yv::win {
namespace {

constexpr wchar_t kClassName[] = L"Yorvan2AboutBox";
constexpr int kClientWidth = 332;
constexpr int kClientHeight = 263;
constexpr RECT kPanel = {8, 8, 8 + 305, 8 + 212};
constexpr int kOkId = IDOK;
constexpr COLORREF kBlue = RGB(0, 0, 255);

WNDPROC g_buttonProc = nullptr;

HFONT MakeFont(int px, const char* face, bool fixedPitch) {
    return CreateFontW(-px, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       (fixedPitch ? FIXED_PITCH : VARIABLE_PITCH) | FF_DONTCARE,
                       WText(face).c_str());
}

// A label at a position inside the panel.
HWND Label(HWND parent, int x, int y, int w, int h, const char* text, HFONT font) {
    HWND label = CreateWindowExW(0, L"STATIC", WText(text).c_str(),
                                 WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kPanel.left + x,
                                 kPanel.top + y, w, h, parent, nullptr, nullptr, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return label;
}

// Sets the label's height to what its text needs when wrapped in the label's width. Lines
// break between characters here, as the label breaks a Japanese text with no blanks.
void FitHeight(HWND label, HFONT font) {
    RECT r;
    GetClientRect(label, &r);
    wchar_t text[256] = L"";
    const int n = GetWindowTextW(label, text, static_cast<int>(std::size(text)));
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, n, &size);
    TEXTMETRICW tm = {};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    const int width = r.right - r.left;
    const int lines = width > 0 && size.cx > width ? (size.cx + width - 1) / width : 1;
    SetWindowPos(label, nullptr, 0, 0, width, lines * tm.tmHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

AboutBox* AboutBox::Create(HINSTANCE instance, HWND owner, std::function<void()> onClose) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = WndProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kClassName;
        if (RegisterClassW(&wc) == 0) return nullptr;
        registered = true;
    }
    auto* box = new AboutBox();
    box->owner_ = owner;
    box->instance_ = instance;
    box->onClose_ = std::move(onClose);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;
    RECT r = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    HWND hwnd = CreateWindowExW(exStyle, kClassName, WText("ﾊﾞｰｼﾞｮﾝ情報").c_str(), style,
                                CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top,
                                owner, nullptr, instance, box);
    if (hwnd == nullptr) {
        delete box;
        return nullptr;
    }
    return box;
}

LRESULT CALLBACK AboutBox::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    AboutBox* box = AttachContext<AboutBox>(hwnd, msg, lp);
    if (box == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCCREATE) box->hwnd_ = hwnd;
    switch (msg) {
        case WM_CREATE:
            return box->OnCreate();
        case WM_PAINT:
            return box->OnPaint();
        case WM_CTLCOLORSTATIC:
            return box->OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_COMMAND:
            if (LOWORD(wp) == kOkId && HIWORD(wp) == BN_CLICKED && box->onClose_) box->onClose_();
            return 0;
        case WM_CLOSE:  // the close button does what OK does; the box lives on, hidden
            if (box->onClose_) box->onClose_();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE && box->ok_ != nullptr) SetFocus(box->ok_);
            return 0;
        case WM_NCDESTROY: {
            for (HFONT f : {box->fontBox_, box->fontProduct_, box->fontText_, box->fontFixed_,
                            box->fontTime_})
                if (f != nullptr) DeleteObject(f);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            delete box;
            return DefWindowProcW(hwnd, msg, wp, lp);
        }
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

// Enter on the OK button presses it: the box runs no dialog manager.
LRESULT CALLBACK AboutBox::ButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_KEYDOWN && wp == VK_RETURN) {
        SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(kOkId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd));
        return 0;
    }
    if (msg == WM_GETDLGCODE) return DLGC_DEFPUSHBUTTON | DLGC_WANTALLKEYS;
    return CallWindowProcW(g_buttonProc, hwnd, msg, wp, lp);
}

LRESULT AboutBox::OnCreate() {
    fontBox_ = MakeFont(12, "ＭＳ Ｐゴシック", false);
    fontProduct_ = MakeFont(16, "ＭＳ Ｐゴシック", false);
    fontText_ = MakeFont(15, "ＭＳ Ｐゴシック", false);
    fontFixed_ = MakeFont(16, "ＭＳ ゴシック", true);
    fontTime_ = MakeFont(13, "ＭＳ Ｐゴシック", false);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(fontBox_), FALSE);

    icon_ = LoadIconW(instance_, MAKEINTRESOURCEW(1));
    if (icon_ == nullptr && owner_ != nullptr)
        icon_ = reinterpret_cast<HICON>(GetClassLongPtrW(owner_, GCLP_HICON));
    if (icon_ == nullptr) icon_ = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION

    // Each line in a smaller size where the font at hand is wider, so none is cut.
    HWND product = Label(hwnd_, 80, 16, 92, 20, "Ｙｏｒｖａｎ２", fontProduct_);
    FitControlText(product, fonts_, 16, {92, 20});
    HWND version = Label(hwnd_, 176, 16, 120, 20, "Version 4.02", fontText_);
    FitControlText(version, fonts_, 15, {120, 20});
    HWND copyright = Label(hwnd_, 32, 48, 260, 20, "Copyright (C) The Yorvan2 Project", fontText_);
    FitControlText(copyright, fonts_, 15, {260, 20});
    // Word-wrapped in its width, and as high as its lines need.
    comments_ = Label(hwnd_, 32, 72, 209, 20, "このプログラムはフリーウェアです", fontText_);
    // One line in its width, in a smaller size where the font at hand is wider.
    FitHeight(comments_, FitControlText(comments_, fonts_, 15, {209, 20}));
    for (int i = 0; i < 3; ++i)
        memory_[i] = Label(hwnd_, 40, 108 + 28 * i, 260, 20, "", fontFixed_);
    runningTime_ = Label(hwnd_, 4, 190, 298, 18, "", fontTime_);

    ok_ =
        CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                        127, 228, 75, 25, hwnd_, reinterpret_cast<HMENU>(kOkId), nullptr, nullptr);
    SendMessageW(ok_, WM_SETFONT, reinterpret_cast<WPARAM>(fontBox_), FALSE);
    g_buttonProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(ok_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonProc)));
    return 0;
}

LRESULT AboutBox::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT panel = kPanel;
    DrawEdge(dc, &panel, BDR_SUNKENOUTER | BDR_RAISEDINNER, BF_RECT);
    RECT splitter = {kPanel.left + 2, kPanel.top + 95, kPanel.left + 2 + 303, kPanel.top + 98};
    DrawEdge(dc, &splitter, EDGE_ETCHED, BF_TOP);
    if (icon_ != nullptr)
        DrawIconEx(dc, kPanel.left + 8, kPanel.top + 8, icon_, 33, 33, 0, nullptr, DI_NORMAL);
    EndPaint(hwnd_, &ps);
    return 0;
}

LRESULT AboutBox::OnCtlColorStatic(HDC dc, HWND control) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, control == runningTime_ ? kBlue : GetSysColor(COLOR_WINDOWTEXT));
    // A wrapped comment may reach the separator line: it leaves the line visible.
    if (control == comments_) return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// The 64-bit memory status: the older call caps its figures at 4 GB.
void AboutBox::FillFigures() {
    MEMORYSTATUSEX ms = {};
    ms.dwLength = sizeof ms;
    if (!GlobalMemoryStatusEx(&ms)) ms.ullTotalPhys = ms.ullAvailPhys = 0;
    const editor::MemoryLines m = editor::MemoryText(ms.ullTotalPhys, ms.ullAvailPhys);
    SetText(memory_[0], m.total);
    SetText(memory_[1], m.free);
    SetText(memory_[2], m.use);

    editor::UptimeReading r;
    r.tickCount = GetTickCount();
    LARGE_INTEGER f = {}, c = {};
    r.counterOk = QueryPerformanceFrequency(&f) && QueryPerformanceCounter(&c);
    r.frequency = f.QuadPart;
    r.counter = c.QuadPart;
    SetText(runningTime_, editor::RunningTimeLine(r));
    // The line grows with the time: fitted to its frame each time it is shown.
    FitControlText(runningTime_, fonts_, 13, {298, 18});
}

void AboutBox::CenterOnScreen() {
    RECT r;
    GetWindowRect(hwnd_, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void AboutBox::Show() {
    FillFigures();
    CenterOnScreen();
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(ok_);
}

void AboutBox::Hide() { ShowWindow(hwnd_, SW_HIDE); }

// The path is in the system's code page, as the program's own path came.
bool HelpWindows::ShellOpen(const std::string& file) {
    // Above 32 is success; anything else is an error code.
    const auto done = reinterpret_cast<INT_PTR>(
        ShellExecuteA(main_, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return done > 32;
}

}  // namespace yv::win
