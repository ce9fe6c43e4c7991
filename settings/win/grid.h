// SG1, the rule grid: a window class of our own that owns no cell data. It asks its owner for
// each cell's text and look, and reports every key-down, character, focus arrival and mouse
// press to the owner before acting on it. Column 2 has an in-place editor (an EDIT child) that
// is shown while the cursor is in that column.
#pragma once

#include <windows.h>

#include <string>

#include "winlogic.h"

namespace yv::win {

struct GridCellLook {
    bool fixed = false;
    COLORREF background = RGB(255, 255, 255);
    int textX = 0, textY = 0;  // text origin from the cell's top-left corner
};

class GridOwner {
  public:
    virtual ~GridOwner() = default;
    virtual std::string GridCellText(int col, int row) = 0;
    virtual GridCellLook GridCellStyle(int col, int row, bool focused) = 0;
    // The in-place editor's text changed (typing, paste, IME); the owner keeps it as the cell.
    virtual void GridCellEdited(int col, int row, const std::string& text) = 0;
    // Before the grid acts: set vk to 0 to consume the key, ch (a UTF-16 unit) to 0 to drop the
    // character.
    virtual void GridKeyDown(WORD& vk) = 0;
    virtual void GridChar(wchar_t& ch) = 0;
    // The focus came to the grid or its editor from another window.
    virtual void GridEnter() = 0;
    // A mouse button went down over cell (col, row).
    virtual void GridMouseDown(int col, int row) = 0;
};

// Private messages, also for test tools in other processes.
enum : UINT {
    // Returns MAKELONG(col, row) of the cursor.
    kGridGetCursor = WM_APP + 40,
    // wParam col, lParam row: the cell whose text WM_GETTEXT and WM_GETTEXTLENGTH give from
    // now on (the grid is a Unicode window); a negative col gives the cursor's cell again.
    kGridQueryCell,
    // Returns the top visible row.
    kGridGetTopRow,
};

class Grid {
  public:
    static void Register(HINSTANCE instance);
    // A child window of `parent` with control id `id`.
    static Grid* Create(HWND parent, int id, const RECT& bounds, GridOwner* owner, HFONT font);

    HWND hwnd() const { return hwnd_; }
    int col() const { return col_; }
    int row() const { return row_; }
    int topRow() const { return geo_.topRow; }
    void SetCursor(int col, int row);
    void SetTopRow(int row);
    void SetColumnWidth(int col, int px);
    // The owner changed a cell's text: repaint it, and refresh the editor if it shows it.
    void CellChanged(int col, int row);
    void Focus();
    bool HasFocus() const;

  private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);

    LRESULT OnPaint();
    LRESULT OnSize();
    LRESULT OnKeyDown(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnKeyUp(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnChar(WPARAM wp);
    LRESULT OnMouseWheel(WPARAM wp);
    LRESULT OnVScroll(WPARAM wp);
    LRESULT OnMouseDown(LPARAM lp);
    LRESULT OnSetFocus(HWND from);
    LRESULT OnCommand(WPARAM wp, LPARAM lp);
    LRESULT OnCtlColorEdit(HDC dc);
    LRESULT OnGetText(WPARAM wp, LPARAM lp, bool lengthOnly);
    LRESULT EditMessage(UINT msg, WPARAM wp, LPARAM lp);

    RECT CellRect(int col, int row) const;
    void UpdateScrollBar();
    void ScrollTo(int top);
    void EnsureVisible(int row);
    void MoveCursor(int col, int row);
    void Navigate(WORD vk);
    void InvalidateCell(int col, int row);
    void PlaceEditor();
    void LoadEditor();
    bool OursOrChild(HWND w) const;

    HWND hwnd_ = nullptr;
    HWND edit_ = nullptr;
    WNDPROC editProc_ = nullptr;
    GridOwner* owner_ = nullptr;
    HFONT font_ = nullptr;
    HBRUSH editBrush_ = nullptr;
    COLORREF editColour_ = CLR_INVALID;
    GridGeometry geo_;
    int col_ = 1, row_ = 1;
    int wheelRest_ = 0;
    KeyUpFilter keyUps_;
    bool loadingEditor_ = false;
    std::string editOriginal_;  // what Esc brings back
    int queryCol_ = -1, queryRow_ = -1;
};

}  // namespace yv::win
