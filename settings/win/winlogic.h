// The decisions of the editor's window layer that need no window, so that they are tested on
// any system: the rule grid's geometry, scrolling and cursor moves, the in-place editor's Left
// key, and which answer Enter and Esc give in a box.
#pragma once

#include <cstdint>
#include <string_view>

namespace yv::win {

constexpr int kGridCols = 3;
constexpr int kGridRows = 102;  // row 0 is the fixed header row
constexpr int kGridLastRow = kGridRows - 1;
constexpr int kGridRowHeight = 20;
constexpr int kGridLine = 1;  // every cell is followed by a grid line
constexpr int kGridPitch = kGridRowHeight + kGridLine;
constexpr int kGridEditCol = 2;  // the column with the in-place editor
constexpr int kWheelDelta = 120;
constexpr int kWheelRows = 3;

struct CellPos {
    int col = -1, row = -1;  // -1: none
    bool operator==(const CellPos&) const = default;
};

// Where the cells lie: column 0 and row 0 stay in place, rows 1.. scroll by whole rows.
struct GridGeometry {
    int width[kGridCols] = {40, 110, 700};
    int clientHeight = 0;
    int topRow = 1;  // the first scrolled row shown below the header

    int ColLeft(int col) const;
    int RowTop(int row) const;  // client y of the row's top; row 0 is at 0
    // Rows wholly visible below the header, at least 1.
    int VisibleRows() const;
    int MaxTopRow() const;
    int ClampTop(int top) const;
    // The top row that shows `row`, scrolling as little as possible.
    int TopShowing(int row) const;
    // The cell under client point (x, y); col or row is -1 outside the cells.
    CellPos HitTest(int x, int y) const;
};

// Text fitting. The system's fonts may be replaced by others of wider glyphs or taller lines;
// a text is then drawn in a smaller size of the same face rather than wrapped or cut inside a
// character. `measure(height)` is the text's extent at a font height.
struct TextExtent {
    int width = 0, height = 0;
};
constexpr int kSmallestFontHeight = 9;
// The largest height from `designed` down to kSmallestFontHeight at which the text fits
// `box`; the smallest when none does.
int FitFontHeight(int designed, TextExtent box, TextExtent (*measure)(int height, void* ctx),
                  void* ctx);
// The part of a fixed cell's text drawn, and where: all of it at the designed origin when it
// fits; otherwise without its surrounding blanks, centred (from the left edge if still wider).
struct CellText {
    int lead = 0, length = 0;  // the part of the text drawn
    int x = 0;                 // its origin from the cell's left edge
};
CellText FitCellText(const char* text, int length, int designedX, int cellWidth,
                     int (*width)(const char* text, int length, void* ctx), void* ctx);

// Keys that move the grid's cursor.
enum class GridKey { kUp, kDown, kPageUp, kPageDown, kLeft, kRight, kHome, kEnd };

struct GridMove {
    CellPos to;
    int topRow = 1;
};

// Where a key moves the cursor from `from` (and the top row with it). The cursor stays in
// columns 1..2 and rows 1..101. Home and End go to the first or last column, with Ctrl to the
// first or last row; PageUp and PageDown scroll a page and move the cursor by as much.
GridMove NavigateGrid(const GridGeometry& g, CellPos from, GridKey key, bool ctrl);

// Whole notches of wheel turning in `rest` plus `delta`, as rows to scroll up (positive) or
// down; what is left of a notch stays in `rest` for the next turn.
int WheelRows(int& rest, int delta);

// Left in the in-place editor leaves the cell for the key column when the caret is at the start
// of the text with nothing selected, or when the whole text is selected (as on entering).
bool LeftLeavesCell(int selStart, int selEnd, int length);

// What the in-place editor does with a key-down the owner did not consume: the grid moves the
// cursor (Up, Down, PageUp, PageDown, and Left from the start of the text), Esc brings back
// the text the cell had, and everything else is the editor's own (typing, caret keys, Ctrl+C/V).
enum class EditorKeyRoute { kGrid, kRestore, kEditor };
EditorKeyRoute RouteEditorKey(int vk, bool systemKey, int selStart, int selEnd, int length);

// CapsLock, NumLock and ScrollLock.
bool IsLockKey(int vk);
// A lock key's key-down that the system made to bring its lock state in line with the keyboard's,
// not the user's: another key's key-down with the same time stamp already waits behind it (Wine
// presses NumLock so before the key whose X event showed the X server's state to differ). The
// next key-down is `nextVk` (0: none waits) with its time `nextTime`. Such a press is not learnt.
bool SystemLockPress(int vk, unsigned long time, int nextVk, unsigned long nextTime);

// A consumed key-down's key-up is kept from the default handling too, so that a captured Alt or
// F10 does not open the menu when it is released.
class KeyUpFilter {
  public:
    void KeyDown(int vk, bool consumed) { held_ = consumed ? vk : 0; }
    // True when this key-up is to be passed on.
    bool PassKeyUp(int vk) {
        if (held_ == 0 || vk != held_) return true;
        held_ = 0;
        return false;
    }

  private:
    int held_ = 0;
};

// The main window's controls that follow its edges: the separator spans the client width, the
// grid's bottom keeps its distance from the bottom edge and the version label its distance from
// the bottom right corner, as designed for a client area of 1007 by 599.
struct EdgeLayout {
    int panelWidth = 0;
    int gridHeight = 0;
    int verLeft = 0, verTop = 0;
};
EdgeLayout FollowEdges(int clientWidth, int clientHeight);

// Where the parts of a box go, from the size of its text: an optional icon at the left, the text
// beside it (centred on the icon when shorter), an optional one-line field below, and the
// buttons centred in a row at the bottom.
struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect&) const = default;
};
struct BoxLayout {
    int clientW = 0, clientH = 0;
    Rect icon, text, field;
    Rect firstButton;  // the others follow at kBoxButtonW + kBoxButtonGap to the right
};
constexpr int kBoxMargin = 16, kBoxIconSize = 32, kBoxFieldH = 24;
constexpr int kBoxButtonW = 96, kBoxButtonH = 26, kBoxButtonGap = 10;
constexpr int kBoxMinW = 240, kInputBoxMinW = 360;
BoxLayout LayOutBox(int textW, int textH, bool icon, int buttons, bool field);

// The boxes' buttons, and which one a key press chooses.
enum class BoxButton { kNone, kYes, kNo, kOk, kCancel };
// Enter chooses the focused button, else the first one (はい or OK).
BoxButton EnterChoice(BoxButton focused, BoxButton first);
// Esc chooses いいえ where the box has it, キャンセル in the input box, and otherwise closes the
// box (kNone) as its close button does.
BoxButton EscapeChoice(bool hasNo, bool hasCancel);

// The registration of a window title watches other programs' windows come to the front and
// keeps the title of the last one that counts, as the hook library records titles: a titled
// window (visible, with a caption and a system menu) unless its title holds 情報 or the
// editor's title; any other only when its title holds "Program Manager" (the desktop).
constexpr std::uint32_t kTitledStyle = 0x10C80000;  // WS_VISIBLE | WS_CAPTION | WS_SYSMENU
bool RecordsTitle(std::uint32_t style, std::u16string_view title);

}  // namespace yv::win
