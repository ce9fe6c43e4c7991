// A recording stand-in for the main window, for tests of the editor core on any system.
//
// Every call from the editor is appended to a log as one line, e.g.
//   Cell(1,6) := Ａ      Cursor(2,6)      CB1 := on      FocusGrid
//   Box(info, yesno) 現在の設定を登録しますか -> No
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
    void AnswerNext(Answer a) { answers_.push_back(a); }
    void InputNext(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
    // What the window does when the user closes it (close button, system menu, Alt+F4).
    void UserClose();

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

    std::string Cell(int c, int r) override { return cells[c][r]; }
    void SetCell(int c, int r, const std::string& text) override;
    int GridCol() override { return col; }
    int GridRow() override { return row; }
    void SetGridCursor(int c, int r) override {
        col = c, row = r;
        Log("Cursor(" + std::to_string(c) + "," + std::to_string(r) + ")");
    }
    void SetGridTopRow(int r) override { topRow = r, Log("TopRow(" + std::to_string(r) + ")"); }
    void FocusGrid() override;
    void SetColumnWidth(int c, int px) override {
        Log("ColumnWidth(" + std::to_string(c) + ") := " + std::to_string(px));
    }
    void SetGridWidth(int px) override { Log("GridWidth := " + std::to_string(px)); }
    bool Checked(CheckBox box) override { return checked[static_cast<int>(box)]; }
    void SetChecked(CheckBox box, bool on) override {
        checked[static_cast<int>(box)] = on;
        Log("CB" + std::to_string(static_cast<int>(box) + 1) + " := " + (on ? "on" : "off"));
    }
    void SetProfileList(const std::vector<std::string>& names) override;
    void SetComboText(const std::string& text) override {
        comboText = text, Log("ComboText := " + text);
    }
    void SetComboIndex(int index) override {
        comboIndex = index, Log("ComboIndex := " + std::to_string(index));
    }
    std::string ComboText() override { return comboText; }
    int ComboIndex() override { return comboIndex; }
    void SetLabel(Label label, const std::string& text) override {
        Log(std::string(label == Label::kLMsg ? "LMsg" : "LMsg2") + " := " + text);
    }
    std::string Caption() override { return kAppTitle; }
    void SetAppTitle(const std::string& title) override { Log("AppTitle := " + title); }
    Bounds WindowBounds() override { return bounds; }
    void SetWindowBounds(const Bounds& b) override;
    bool Maximized() override { return maximized; }
    void SetMaximized(bool on) override {
        maximized = on, Log(std::string("Maximized := ") + (on ? "1" : "0"));
    }
    void CloseWindow() override { Log("CloseWindow"), UserClose(); }
    Answer Box(BoxKind kind, const std::string& text, BoxButtons buttons) override;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override;

  private:
    void Log(std::string line) { log.push_back(std::move(line)); }

    Editor* editor_ = nullptr;
    std::deque<Answer> answers_;
    std::deque<std::optional<std::string>> inputs_;
};

// The key-flag source the editor asks (getkeyflg): the flags of the last key-down of each
// virtual key, as the test recorded them.
void InstallKeyFlags();
void RecordKeyFlags(int vk, int flags);

}  // namespace yv::editor::testing
