// Modal boxes built from a plain popup window and a message loop of their own.
#include "boxes.h"

#include <algorithm>
#include <vector>

#include "strutil.h"
#include "winlogic.h"
#include "wincontext.h"
#include "wtext.h"

namespace yv::win {
namespace {

using editor::Answer;
using editor::BoxButtons;
using editor::BoxKind;

constexpr wchar_t kClassName[] = L"YvBox";

BoxButton ButtonOf(int id) {
    switch (id) {
        case IDYES:
            return BoxButton::kYes;
        case IDNO:
            return BoxButton::kNo;
        case IDOK:
            return BoxButton::kOk;
        case IDCANCEL:
            return BoxButton::kCancel;
    }
    return BoxButton::kNone;
}

int IdOf(BoxButton b) {
    switch (b) {
        case BoxButton::kYes:
            return IDYES;
        case BoxButton::kNo:
            return IDNO;
        case BoxButton::kOk:
            return IDOK;
        case BoxButton::kCancel:
            return IDCANCEL;
        case BoxButton::kNone:
            break;
    }
    return 0;  // closed
}

struct BoxContext {
    bool done = false;
    int chosen = 0;  // the button's id, or 0 for the close button
    HWND field = nullptr;
    std::string text;  // the field's text when OK was chosen
};

void Finish(HWND w, BoxContext* c, int id) {
    if (c->done) return;
    if (id == IDOK && c->field) c->text = WindowText(c->field);
    c->chosen = id;
    c->done = true;
    (void)w;
}

LRESULT CALLBACK BoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    BoxContext* c = AttachContext<BoxContext>(w, msg, lp);
    switch (msg) {
        case WM_COMMAND:
            if (c && HIWORD(wp) == BN_CLICKED && LOWORD(wp) != kBoxTextId) Finish(w, c, LOWORD(wp));
            return 0;
        case WM_CLOSE:
            if (c) Finish(w, c, 0);
            return 0;
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
    }
    return DefWindowProcW(w, msg, wp, lp);
}

void RegisterOnce(HINSTANCE inst) {
    static bool done = false;
    if (done) return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BoxProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    done = true;
}

SIZE TextSize(HFONT font, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r = {0, 0, 0, 0};
    const WText wide(text);
    DrawTextW(dc, wide.c_str(), wide.size(), &r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return {r.right - r.left, r.bottom - r.top};
}

// Captions are program texts (literals of the source).
struct ButtonDef {
    int id;
    const char* caption;
};

struct Layout {
    const char* caption;
    int icon = 0;  // a system icon's id, or 0
    std::string text;
    std::vector<ButtonDef> buttons;
    bool field = false;
    std::string initial;
};

HWND Child(HWND parent, const wchar_t* cls, const char* text, DWORD style, int x, int y, int w,
           int h, int id, HFONT font) {
    HWND c = CreateWindowExW(0, cls, WText(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                             nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
}

// Builds the box, runs it until it is answered, and gives the chosen id (0 = closed).
int RunBox(HWND owner, HFONT font, const Layout& l, std::string* fieldText) {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    RegisterOnce(inst);
    BoxContext ctx;

    const SIZE ts = TextSize(font, l.text.empty() ? std::string(" ") : l.text);
    const BoxLayout at = LayOutBox(static_cast<int>(ts.cx) + 2, static_cast<int>(ts.cy),
                                   l.icon != 0, static_cast<int>(l.buttons.size()), l.field);

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    RECT frame = {0, 0, at.clientW, at.clientH};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    RECT around;
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner) || !GetWindowRect(owner, &around)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    }
    const int x = around.left + ((around.right - around.left) - w) / 2;
    const int top = around.top + ((around.bottom - around.top) - h) / 2;

    HWND box = CreateWindowExW(exStyle, kClassName, WText(l.caption).c_str(), style, std::max(0, x),
                               std::max(0, top), w, h, owner, nullptr, inst, &ctx);
    if (!box) return 0;
    if (l.icon) {
        HWND ic = Child(box, L"STATIC", "", SS_ICON, at.icon.x, at.icon.y, at.icon.w, at.icon.h, -1,
                        font);
        HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(l.icon));
        SendMessageW(ic, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
    Child(box, L"STATIC", l.text.c_str(), SS_LEFT | SS_NOPREFIX, at.text.x, at.text.y, at.text.w,
          at.text.h, kBoxTextId, font);
    if (l.field) {
        ctx.field = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", WText(l.initial).c_str(),
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, at.field.x,
                                    at.field.y, at.field.w, at.field.h, box,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBoxFieldId)),
                                    inst, nullptr);
        SendMessageW(ctx.field, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SendMessageW(ctx.field, EM_SETLIMITTEXT, kInputLimit, 0);
        SendMessageW(ctx.field, EM_SETSEL, 0, -1);
    }
    HWND first = nullptr;
    Rect b = at.firstButton;
    for (size_t i = 0; i < l.buttons.size(); ++i) {
        HWND button = Child(box, L"BUTTON", l.buttons[i].caption,
                            WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), b.x, b.y, b.w,
                            b.h, l.buttons[i].id, font);
        if (i == 0) first = button;
        b.x += kBoxButtonW + kBoxButtonGap;
    }

    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowWindow(box, SW_SHOW);
    SetForegroundWindow(box);
    SetFocus(ctx.field ? ctx.field : first);

    const bool hasNo = std::any_of(l.buttons.begin(), l.buttons.end(),
                                   [](const ButtonDef& b) { return b.id == IDNO; });
    MSG m;
    while (!ctx.done) {
        BOOL got = GetMessageW(&m, nullptr, 0, 0);
        if (got <= 0) {
            // Leave the quit message for the main loop.
            PostQuitMessage(got == 0 ? static_cast<int>(m.wParam) : 1);
            break;
        }
        const bool ours = m.hwnd == box || IsChild(box, m.hwnd);
        // Keys already queued for the window below (the character of the key press that
        // raised the box) must not reach it while it waits for the answer.
        if (!ours && ((m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) ||
                      (m.message >= WM_IME_STARTCOMPOSITION && m.message <= WM_IME_KEYLAST))) {
            continue;
        }
        if (m.message == WM_KEYDOWN && ours) {
            if (m.wParam == VK_RETURN) {
                HWND f = GetFocus();
                const int focused =
                    (f && f != ctx.field && GetParent(f) == box) ? GetDlgCtrlID(f) : 0;
                Finish(box, &ctx,
                       IdOf(EnterChoice(ButtonOf(focused), ButtonOf(l.buttons.front().id))));
                continue;
            }
            if (m.wParam == VK_ESCAPE) {
                Finish(box, &ctx, IdOf(EscapeChoice(hasNo, l.field)));
                continue;
            }
        }
        if (IsDialogMessageW(box, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (fieldText) *fieldText = ctx.text;
    DestroyWindow(box);
    if (owner && IsWindowVisible(owner)) SetForegroundWindow(owner);
    return ctx.chosen;
}

}  // namespace

Answer ShowBox(HWND owner, HFONT font, BoxKind kind, const std::string& text, BoxButtons buttons) {
    Layout l;
    l.text = text;
    switch (kind) {
        case BoxKind::kPlain:
            l.caption = editor::kAppTitle;
            break;
        case BoxKind::kInfo:
            l.caption = "情報";
            l.icon = 32516;  // IDI_INFORMATION
            break;
        case BoxKind::kError:
            l.caption = "エラー";
            l.icon = 32513;  // IDI_ERROR
            break;
        case BoxKind::kAppError:
            l.caption = editor::kAppTitle;
            l.icon = 32513;
            break;
    }
    switch (buttons) {
        case BoxButtons::kOk:
            l.buttons = {{IDOK, "OK"}};
            break;
        case BoxButtons::kYesNo:
            l.buttons = {{IDYES, "はい(&Y)"}, {IDNO, "いいえ(&N)"}};
            break;
        case BoxButtons::kYes:
            l.buttons = {{IDYES, "はい(&Y)"}};
            break;
    }
    switch (RunBox(owner, font, l, nullptr)) {
        case IDYES:
        case IDOK:
            return Answer::kYes;
        case IDNO:
            return Answer::kNo;
        default:
            return Answer::kClosed;
    }
}

std::optional<std::string> ShowInputBox(HWND owner, HFONT font, const std::string& caption,
                                        const std::string& prompt, const std::string& initial) {
    Layout l;
    l.caption = caption.c_str();
    l.text = prompt;
    l.field = true;
    l.initial = settings::LeftPart(initial, kInputLimit);
    l.buttons = {{IDOK, "OK"}, {IDCANCEL, "キャンセル"}};
    std::string text;
    if (RunBox(owner, font, l, &text) != IDOK) return std::nullopt;
    // The field's limit counts UTF-16 units; the promise is bytes, a character Shift-JIS lacks
    // counting four.
    return settings::LeftPart(text, kInputLimit);
}

}  // namespace yv::win
