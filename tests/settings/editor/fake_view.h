// A recording stand-in for the main window, for tests of the editor core on any system.
//
// Every call from the editor is appended to a log as one line, e.g.
//   Cell(1,6) := Ａ
//   Cursor(2,6)
//   Box(info, yesno) 現在の設定を登録しますか -> No
//   CB1 := on
// A cell is logged only when its text changes, so a transcript shows what changed on screen.
// Box and input answers come from a script (AnswerNext, InputNext); an empty script answers
// Yes and gives no input. The fake also plays the grid's own part: it keeps cells, cursor and
// focus, and a focus that comes to the grid reports SG1Enter, as the real window does.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "editor.h"
#include "view.h"

namespace yv::editor::testing {

// The window's designed bounds, before any placement is applied.
inline constexpr Bounds kDesignedBounds{191, 112, 1017, 656};

class FakeView : public View {
  public:
    void Attach(Editor* editor) { editor_ = editor; }

    std::vector<std::string> log;
    std::string cells[3][kGridRows];
    int col = 0, row = 0, topRow = 0;
    bool gridFocused = false;
    bool checked[3] = {};
    std::vector<std::string> profileList;
    std::string comboText;
    int comboIndex = -1;
    Bounds bounds = kDesignedBounds;
    bool maximized = false;
    bool destroyed = false;

    void AnswerNext(Answer a) { answers_.push_back(a); }
    void InputNext(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }

    std::string Cell(int c, int r) override;
    void SetCell(int c, int r, const std::string& text) override;
    int GridCol() override { return col; }
    int GridRow() override { return row; }
    void SetGridCursor(int c, int r) override;
    void SetGridTopRow(int r) override;
    void FocusGrid() override;
    void SetColumnWidth(int c, int px) override;
    void SetGridWidth(int px) override;
    bool Checked(CheckBox box) override { return checked[static_cast<int>(box)]; }
    void SetChecked(CheckBox box, bool on) override;
    void SetProfileList(const std::vector<std::string>& names) override;
    void SetComboText(const std::string& text) override;
    void SetComboIndex(int index) override;
    std::string ComboText() override { return comboText; }
    int ComboIndex() override { return comboIndex; }
    void SetLabel(Label label, const std::string& text) override;
    std::string Caption() override { return kAppTitle; }
    void SetAppTitle(const std::string& title) override;
    Bounds WindowBounds() override { return bounds; }
    void SetWindowBounds(const Bounds& b) override;
    bool Maximized() override { return maximized; }
    void SetMaximized(bool on) override;
    void CloseWindow() override;
    Answer Box(BoxKind kind, const std::string& text, BoxButtons buttons) override;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override;

    // What the window does when the user closes it (close button, system menu, Alt+F4).
    void UserClose();

  private:
    void Record(std::string line) { log.push_back(std::move(line)); }

    Editor* editor_ = nullptr;
    std::deque<Answer> answers_;
    std::deque<std::optional<std::string>> inputs_;
};

// The key-flag source the editor asks (getkeyflg): the flags of the last key-down of each
// virtual key, as PressKey recorded them.
void InstallKeyFlags();
void RecordKeyFlags(int vk, int flags);

}  // namespace yv::editor::testing
