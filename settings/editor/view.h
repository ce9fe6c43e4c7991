// What the settings editor's handlers need of the main window. The Win32 window implements it;
// tests implement it with a recording fake. The view holds no settings: it shows what the
// editor puts into it and answers questions about its own state.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace yv::editor {

// The application title: caption of the plain boxes and of the top-level error display.
inline constexpr char kAppTitle[] = "Yorvan2変換設定";

enum class BoxKind {
    kPlain,     // caption kAppTitle, no icon
    kInfo,      // caption "情報", information icon
    kError,     // caption "エラー", error icon
    kAppError,  // caption kAppTitle, error icon: the top-level error display
};
enum class BoxButtons {
    kOk,     // "OK"
    kYesNo,  // "はい(&Y)" "いいえ(&N)"; Enter chooses はい, Esc いいえ
    kYes,    // a single "はい(&Y)"
};
// OK counts as kYes; kClosed is the box's own close button (several steps treat it apart
// from いいえ).
enum class Answer { kYes, kNo, kClosed };

enum class CheckBox { kCB1, kCB2, kCB3 };
enum class Label { kLMsg, kLMsg2 };

struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Bounds&) const = default;
};

class View {
  public:
    virtual ~View() = default;

    // Grid SG1: 3 columns, 102 rows; column 0 and row 0 fixed. Cell() of the cell being edited
    // returns the in-place editor's current text.
    virtual std::string Cell(int col, int row) = 0;
    virtual void SetCell(int col, int row, const std::string& text) = 0;
    virtual int GridCol() = 0;
    virtual int GridRow() = 0;
    virtual void SetGridCursor(int col, int row) = 0;
    virtual void SetGridTopRow(int row) = 0;
    // Gives the grid the keyboard focus. When the focus was elsewhere the window reports
    // SG1Enter to the editor before this returns.
    virtual void FocusGrid() = 0;
    virtual void SetColumnWidth(int col, int px) = 0;
    virtual void SetGridWidth(int px) = 0;

    // Check boxes: state only. The view never runs CBnClick when the editor sets a box; the
    // editor does that itself. A click by the user toggles the box and then calls CBnClick.
    virtual bool Checked(CheckBox box) = 0;
    virtual void SetChecked(CheckBox box, bool on) = 0;

    // Profile box Comb1.
    virtual void SetProfileList(const std::vector<std::string>& names) = 0;
    virtual void SetComboText(const std::string& text) = 0;
    virtual void SetComboIndex(int index) = 0;
    virtual std::string ComboText() = 0;
    virtual int ComboIndex() = 0;

    virtual void SetLabel(Label label, const std::string& text) = 0;

    // Window.
    virtual std::string Caption() = 0;
    virtual void SetAppTitle(const std::string& title) = 0;
    // The present bounds; the editor reads them only while the window is not maximized.
    virtual Bounds WindowBounds() = 0;
    virtual void SetWindowBounds(const Bounds& b) = 0;
    virtual bool Maximized() = 0;
    virtual void SetMaximized(bool on) = 0;
    // Asks the window to close: the window calls Editor::CloseRequested() and closes when it
    // says so.
    virtual void CloseWindow() = 0;

    // Modal boxes.
    virtual Answer Box(BoxKind kind, const std::string& text, BoxButtons buttons) = 0;
    // The text on "OK"; nothing on "キャンセル" or the close button. The field takes 255 bytes.
    virtual std::optional<std::string> InputBox(const std::string& caption,
                                                const std::string& prompt,
                                                const std::string& initial) = 0;
};

}  // namespace yv::editor
