// The rule grid SG1. Geometry: every cell is followed by a one-pixel grid line, so a row takes
// kGridRowHeight + 1 pixels; row 0 and column 0 stay in place while the rows scroll.
#include "grid.h"

#include <windowsx.h>

#include <algorithm>

#include "wincontext.h"
#include "wtext.h"

namespace yv::win {
namespace {

constexpr wchar_t kClassName[] = L"YvGrid";
// In UTF-16 units. The editor cuts the text to its 100 bytes on Enter (a character Shift-JIS
// lacks counting as four); this only bounds a paste.
constexpr int kEditLimit = 2047;
constexpr COLORREF kLineColour = RGB(192, 192, 192);

Grid* Of(HWND w) { return ContextOf<Grid>(w); }

bool CtrlDown() { return GetKeyState(VK_CONTROL) < 0; }

// Whether the lock key's key-down being handled is the system's own (SystemLockPress): the
// queue's input is looked at, nothing taken from it, and no sent message is handled meanwhile.
bool SystemLockKeyDown(WPARAM vk) {
    if (!IsLockKey(static_cast<int>(vk))) return false;
    const auto time = static_cast<unsigned long>(GetMessageTime());
    constexpr UINT kLook = PM_NOREMOVE | PM_NOYIELD | PM_QS_INPUT;
    MSG next;
    if (!PeekMessageW(&next, nullptr, WM_KEYDOWN, WM_KEYDOWN, kLook) &&
        !PeekMessageW(&next, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, kLook))
        return false;
    return SystemLockPress(static_cast<int>(vk), time, static_cast<int>(next.wParam), next.time);
}

// The width of part of a program text.
int TextWidth(const char* text, int length, void* dc) {
    const WText wide(std::string_view(text, static_cast<size_t>(length)));
    SIZE size = {0, 0};
    GetTextExtentPoint32W(static_cast<HDC>(dc), wide.c_str(), wide.size(), &size);
    return size.cx;
}

}  // namespace

void Grid::Register(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
}

Grid* Grid::Create(HWND parent, int id, const RECT& b, GridOwner* owner, HFONT font) {
    auto* g = new Grid;
    g->owner_ = owner;
    g->font_ = font;
    HINSTANCE inst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    HWND w = CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | WS_CLIPCHILDREN,
                             b.left, b.top, b.right - b.left, b.bottom - b.top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, g);
    if (!w) {
        delete g;
        return nullptr;
    }
    return g;
}

LRESULT CALLBACK Grid::WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    Grid* g = AttachContext<Grid>(w, msg, lp);
    if (!g) return DefWindowProcW(w, msg, wp, lp);
    if (msg == WM_NCCREATE) g->hwnd_ = w;
    switch (msg) {
        case WM_CREATE: {
            g->edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 0, 0, w,
                                       nullptr, nullptr, nullptr);
            SendMessageW(g->edit_, WM_SETFONT, reinterpret_cast<WPARAM>(g->font_), FALSE);
            SendMessageW(g->edit_, EM_SETLIMITTEXT, kEditLimit, 0);
            SendMessageW(g->edit_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
            SetWindowLongPtrW(g->edit_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(g));
            g->editProc_ = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(g->edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
            g->UpdateScrollBar();
            return 0;
        }
        case WM_PAINT:
            return g->OnPaint();
        case WM_ERASEBKGND:
            return 1;  // OnPaint covers everything
        case WM_SIZE:
            return g->OnSize();
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            return g->OnKeyDown(msg, wp, lp);
        case WM_KEYUP:
        case WM_SYSKEYUP:
            return g->OnKeyUp(msg, wp, lp);
        case WM_CHAR:
            return g->OnChar(wp);
        case WM_MOUSEWHEEL:
            return g->OnMouseWheel(wp);
        case WM_VSCROLL:
            return g->OnVScroll(wp);
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return g->OnMouseDown(lp);
        case WM_SETFOCUS:
            return g->OnSetFocus(reinterpret_cast<HWND>(wp));
        case WM_COMMAND:
            return g->OnCommand(wp, lp);
        case WM_CTLCOLOREDIT:
            return g->OnCtlColorEdit(reinterpret_cast<HDC>(wp));
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_GETTEXT:
            return g->OnGetText(wp, lp, false);
        case WM_GETTEXTLENGTH:
            return g->OnGetText(0, 0, true);
        case kGridGetCursor:
            return MAKELONG(g->col_, g->row_);
        case kGridGetTopRow:
            return g->geo_.topRow;
        case kGridQueryCell:
            g->queryCol_ = static_cast<int>(wp);
            g->queryRow_ = static_cast<int>(lp);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(w, GWLP_USERDATA, 0);
            if (g->editBrush_) DeleteObject(g->editBrush_);
            delete g;
            return DefWindowProcW(w, msg, wp, lp);
    }
    return DefWindowProcW(w, msg, wp, lp);
}

// --- geometry

RECT Grid::CellRect(int col, int row) const {
    RECT r;
    r.left = geo_.ColLeft(col);
    r.top = geo_.RowTop(row);
    r.right = r.left + geo_.width[col];
    r.bottom = r.top + kGridRowHeight;
    return r;
}

void Grid::UpdateScrollBar() {
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 1;
    si.nMax = kGridLastRow;
    si.nPage = static_cast<UINT>(geo_.VisibleRows());
    si.nPos = geo_.topRow;
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
}

void Grid::ScrollTo(int top) {
    top = geo_.ClampTop(top);
    if (top == geo_.topRow) return;
    geo_.topRow = top;
    UpdateScrollBar();
    PlaceEditor();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Grid::EnsureVisible(int row) { ScrollTo(geo_.TopShowing(row)); }

void Grid::InvalidateCell(int col, int row) {
    RECT r = CellRect(col, row);
    InvalidateRect(hwnd_, &r, FALSE);
}

// --- the in-place editor

bool Grid::OursOrChild(HWND w) const { return w && (w == hwnd_ || w == edit_); }

// Puts the editor over the cursor's data cell. A cell scrolled out of view takes the editor
// along outside the client area, so that it keeps the focus and its text.
void Grid::PlaceEditor() {
    if (col_ != kGridEditCol) {
        if (IsWindowVisible(edit_)) {
            if (GetFocus() == edit_) SetFocus(hwnd_);
            ShowWindow(edit_, SW_HIDE);
        }
        return;
    }
    RECT r = CellRect(col_, row_);
    if (row_ < geo_.topRow) OffsetRect(&r, 0, -10000);
    SetWindowPos(edit_, nullptr, r.left + 4, r.top + 2, r.right - r.left - 5, kGridRowHeight - 2,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

// Fills the editor from the owner's cell, all of it selected, as when a cell is entered.
void Grid::LoadEditor() {
    if (col_ != kGridEditCol) return;
    editOriginal_ = owner_->GridCellText(col_, row_);
    loadingEditor_ = true;
    SetText(edit_, editOriginal_);
    loadingEditor_ = false;
    SendMessageW(edit_, EM_SETSEL, 0, -1);
}

void Grid::CellChanged(int col, int row) {
    if (col == col_ && row == row_ && col == kGridEditCol) {
        std::string text = owner_->GridCellText(col, row);
        if (text != WindowText(edit_)) {
            editOriginal_ = text;
            loadingEditor_ = true;
            SetText(edit_, text);
            loadingEditor_ = false;
            const WPARAM end = static_cast<WPARAM>(WText(text).size());
            SendMessageW(edit_, EM_SETSEL, end, static_cast<LPARAM>(end));
        }
    }
    if (col >= 0 && col < kGridCols && row >= 0 && row < kGridRows) InvalidateCell(col, row);
}

// --- cursor

void Grid::MoveCursor(int col, int row) {
    col = std::clamp(col, 1, kGridCols - 1);
    row = std::clamp(row, 1, kGridLastRow);
    if (col == col_ && row == row_) {
        EnsureVisible(row);
        return;
    }
    bool editorHadFocus = GetFocus() == edit_;
    InvalidateCell(col_, row_);
    col_ = col;
    row_ = row;
    EnsureVisible(row);
    InvalidateCell(col_, row_);
    // Sized before it is filled: an editor without width would scroll its text out of view.
    PlaceEditor();
    LoadEditor();
    if (col_ == kGridEditCol && (editorHadFocus || GetFocus() == hwnd_)) SetFocus(edit_);
}

void Grid::SetCursor(int col, int row) { MoveCursor(col, row); }

void Grid::SetTopRow(int row) { ScrollTo(row); }

void Grid::SetColumnWidth(int col, int px) {
    if (col < 0 || col >= kGridCols || px < 0) return;
    geo_.width[col] = px;
    PlaceEditor();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Grid::Focus() {
    if (col_ == kGridEditCol && IsWindowVisible(edit_)) {
        SetFocus(edit_);
    } else {
        SetFocus(hwnd_);
    }
}

bool Grid::HasFocus() const { return OursOrChild(GetFocus()); }

void Grid::Navigate(WORD vk) {
    GridKey key;
    switch (vk) {
        case VK_UP:
            key = GridKey::kUp;
            break;
        case VK_DOWN:
            key = GridKey::kDown;
            break;
        case VK_PRIOR:
            key = GridKey::kPageUp;
            break;
        case VK_NEXT:
            key = GridKey::kPageDown;
            break;
        case VK_LEFT:
            key = GridKey::kLeft;
            break;
        case VK_RIGHT:
            key = GridKey::kRight;
            break;
        case VK_HOME:
            key = GridKey::kHome;
            break;
        case VK_END:
            key = GridKey::kEnd;
            break;
        default:
            return;
    }
    GridMove m = NavigateGrid(geo_, {col_, row_}, key, CtrlDown());
    ScrollTo(m.topRow);
    MoveCursor(m.to.col, m.to.row);
}

// --- messages

LRESULT Grid::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, OPAQUE);
    // Lines and the area beyond the cells first; cells paint over them.
    HBRUSH lines = CreateSolidBrush(kLineColour);
    RECT cellsArea = {0, 0, geo_.ColLeft(kGridCols), client.bottom};
    FillRect(dc, &cellsArea, lines);
    DeleteObject(lines);
    RECT beyond = {cellsArea.right, 0, client.right, client.bottom};
    FillRect(dc, &beyond, GetSysColorBrush(COLOR_WINDOW));
    int lastRow = std::min(kGridLastRow, geo_.topRow + geo_.VisibleRows());
    for (int row = 0; row <= lastRow; ++row) {
        if (row != 0 && row < geo_.topRow) continue;
        for (int col = 0; col < kGridCols; ++col) {
            RECT r = CellRect(col, row);
            RECT hit;
            if (!IntersectRect(&hit, &r, &ps.rcPaint)) continue;
            GridCellLook look = owner_->GridCellStyle(col, row, col == col_ && row == row_);
            std::string text = owner_->GridCellText(col, row);
            if (look.fixed) {
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            } else {
                SetBkColor(dc, look.background);
                SetTextColor(dc, RGB(0, 0, 0));
            }
            CellText part{0, static_cast<int>(text.size()), look.textX};
            if (look.fixed) {
                // A header wider than its cell in the font at hand is shown whole, centred.
                part = FitCellText(text.data(), part.length, look.textX, r.right - r.left,
                                   &TextWidth, dc);
            }
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
            // Drawn by DrawTextW, which takes characters the font lacks from another font.
            const WText wide(std::string_view(text).substr(static_cast<size_t>(part.lead),
                                                           static_cast<size_t>(part.length)));
            RECT at = {r.left + part.x, r.top + look.textY, r.right, r.bottom};
            DrawTextW(dc, wide.c_str(), wide.size(), &at, DT_SINGLELINE | DT_NOPREFIX | DT_TOP);
            if (look.fixed) DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
        }
    }
    SelectObject(dc, oldFont);
    EndPaint(hwnd_, &ps);
    return 0;
}

LRESULT Grid::OnSize() {
    RECT c;
    GetClientRect(hwnd_, &c);
    geo_.clientHeight = c.bottom;
    UpdateScrollBar();
    ScrollTo(geo_.topRow);
    PlaceEditor();
    InvalidateRect(hwnd_, nullptr, FALSE);
    return 0;
}

LRESULT Grid::OnKeyDown(UINT msg, WPARAM wp, LPARAM lp) {
    if (SystemLockKeyDown(wp)) return 0;  // the user did not press it: not learnt
    WORD vk = static_cast<WORD>(wp);
    owner_->GridKeyDown(vk);
    keyUps_.KeyDown(static_cast<int>(wp), vk == 0);
    if (vk == 0) return 0;
    if (vk == VK_UP || vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT || vk == VK_LEFT ||
        vk == VK_RIGHT || vk == VK_HOME || vk == VK_END) {
        Navigate(vk);
        return 0;
    }
    if (msg == WM_SYSKEYDOWN) return DefWindowProcW(hwnd_, msg, vk, lp);
    return 0;
}

LRESULT Grid::OnKeyUp(UINT msg, WPARAM wp, LPARAM lp) {
    if (!keyUps_.PassKeyUp(static_cast<int>(wp))) return 0;
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT Grid::OnChar(WPARAM wp) {
    wchar_t ch = static_cast<wchar_t>(wp);
    owner_->GridChar(ch);
    // A character typed on the data cell goes to its editor.
    if (ch && col_ == kGridEditCol && IsWindowVisible(edit_)) {
        SetFocus(edit_);
        CallWindowProcW(editProc_, edit_, WM_CHAR, ch, 0);
    }
    return 0;
}

LRESULT Grid::OnMouseWheel(WPARAM wp) {
    if (int rows = WheelRows(wheelRest_, GET_WHEEL_DELTA_WPARAM(wp))) ScrollTo(geo_.topRow - rows);
    return 0;
}

LRESULT Grid::OnVScroll(WPARAM wp) {
    const int page = geo_.VisibleRows(), top = geo_.topRow;
    switch (LOWORD(wp)) {
        case SB_LINEUP:
            ScrollTo(top - 1);
            break;
        case SB_LINEDOWN:
            ScrollTo(top + 1);
            break;
        case SB_PAGEUP:
            ScrollTo(top - page);
            break;
        case SB_PAGEDOWN:
            ScrollTo(top + page);
            break;
        case SB_TOP:
            ScrollTo(1);
            break;
        case SB_BOTTOM:
            ScrollTo(geo_.MaxTopRow());
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si = {};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(hwnd_, SB_VERT, &si);
            ScrollTo(si.nTrackPos);
            break;
        }
    }
    return 0;
}

LRESULT Grid::OnMouseDown(LPARAM lp) {
    const CellPos p = geo_.HitTest(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
    const int col = p.col, row = p.row;
    if (col >= 0 && row >= 0) owner_->GridMouseDown(col, row);
    if (!HasFocus()) Focus();
    if (col >= 1 && row >= 1) MoveCursor(col, row);
    return 0;
}

LRESULT Grid::OnSetFocus(HWND from) {
    // The editor takes the keys while the cursor is on the data column.
    if (col_ == kGridEditCol && IsWindowVisible(edit_)) SetFocus(edit_);
    if (!OursOrChild(from)) owner_->GridEnter();
    return 0;
}

LRESULT Grid::OnCommand(WPARAM wp, LPARAM lp) {
    if (reinterpret_cast<HWND>(lp) == edit_ && HIWORD(wp) == EN_CHANGE && !loadingEditor_) {
        owner_->GridCellEdited(col_, row_, WindowText(edit_));
    }
    return 0;
}

LRESULT Grid::OnCtlColorEdit(HDC dc) {
    GridCellLook look = owner_->GridCellStyle(col_, row_, true);
    if (look.background != editColour_) {
        if (editBrush_) DeleteObject(editBrush_);
        editBrush_ = CreateSolidBrush(look.background);
        editColour_ = look.background;
    }
    SetBkColor(dc, look.background);
    SetTextColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(editBrush_);
}

LRESULT Grid::OnGetText(WPARAM wp, LPARAM lp, bool lengthOnly) {
    int col = queryCol_ >= 0 ? queryCol_ : col_;
    int row = queryRow_ >= 0 ? queryRow_ : row_;
    std::u16string text;
    if (col >= 0 && col < kGridCols && row >= 0 && row < kGridRows) {
        text = settings::TextToUtf16(owner_->GridCellText(col, row));
    }
    if (lengthOnly) return static_cast<LRESULT>(text.size());
    if (wp == 0) return 0;
    size_t n = std::min(text.size(), static_cast<size_t>(wp) - 1);
    // A surrogate pair is not split by a short buffer.
    if (n > 0 && n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    auto* out = reinterpret_cast<char16_t*>(lp);
    text.copy(out, n);
    out[n] = u'\0';
    return static_cast<LRESULT>(n);
}

// The editor's messages: keys, characters, focus and mouse go to the owner first, and the keys
// that move between cells go to the grid.
LRESULT Grid::EditMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            if (SystemLockKeyDown(wp)) return 0;
            WORD vk = static_cast<WORD>(wp);
            owner_->GridKeyDown(vk);
            keyUps_.KeyDown(static_cast<int>(wp), vk == 0);
            if (vk == 0) return 0;
            DWORD from = 0, to = 0;
            SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                         reinterpret_cast<LPARAM>(&to));
            // The length in the control's own units: a double-byte character may count as one
            // position.
            const int length = static_cast<int>(SendMessageW(edit_, EM_LINELENGTH, 0, 0));
            switch (RouteEditorKey(vk, msg == WM_SYSKEYDOWN, static_cast<int>(from),
                                   static_cast<int>(to), length)) {
                case EditorKeyRoute::kGrid:
                    Navigate(vk);
                    return 0;
                case EditorKeyRoute::kRestore:
                    SetText(edit_, editOriginal_);
                    SendMessageW(edit_, EM_SETSEL, 0, -1);
                    return 0;
                case EditorKeyRoute::kEditor:
                    break;
            }
            return CallWindowProcW(editProc_, edit_, msg, vk, lp);
        }
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (!keyUps_.PassKeyUp(static_cast<int>(wp))) return 0;
            break;
        case WM_CHAR: {
            wchar_t ch = static_cast<wchar_t>(wp);
            owner_->GridChar(ch);
            if (!ch) return 0;
            return CallWindowProcW(editProc_, edit_, msg, ch, lp);
        }
        case WM_SETFOCUS:
            if (!OursOrChild(reinterpret_cast<HWND>(wp))) owner_->GridEnter();
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            owner_->GridMouseDown(col_, row_);
            break;
        case WM_MOUSEWHEEL:
            return OnMouseWheel(wp);
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
    }
    return CallWindowProcW(editProc_, edit_, msg, wp, lp);
}

LRESULT CALLBACK Grid::EditProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    Grid* g = Of(w);
    return g->EditMessage(msg, wp, lp);
}

}  // namespace yv::win
