#include "fake_view.h"

#include <map>

#include "keynames.h"

namespace yv::editor::testing {
namespace {

std::string Pos(int c, int r) { return "(" + std::to_string(c) + "," + std::to_string(r) + ")"; }

const char* KindName(BoxKind k) {
    switch (k) {
        case BoxKind::kPlain:
            return "plain";
        case BoxKind::kInfo:
            return "info";
        case BoxKind::kError:
            return "error";
        case BoxKind::kAppError:
            return "apperror";
    }
    return "?";
}

const char* ButtonsName(BoxButtons b) {
    switch (b) {
        case BoxButtons::kOk:
            return "ok";
        case BoxButtons::kYesNo:
            return "yesno";
        case BoxButtons::kYes:
            return "yes";
    }
    return "?";
}

const char* AnswerName(Answer a) {
    switch (a) {
        case Answer::kYes:
            return "Yes";
        case Answer::kNo:
            return "No";
        case Answer::kClosed:
            return "Closed";
    }
    return "?";
}

std::map<int, int> g_keyFlags;

int KeyFlags(int vk) {
    auto it = g_keyFlags.find(vk);
    return it == g_keyFlags.end() ? 0 : it->second;
}

}  // namespace

std::string FakeView::Cell(int c, int r) { return cells[c][r]; }

void FakeView::SetCell(int c, int r, const std::string& text) {
    if (cells[c][r] == text) return;
    cells[c][r] = text;
    Record("Cell" + Pos(c, r) + " := " + text);
}

void FakeView::SetGridCursor(int c, int r) {
    col = c;
    row = r;
    Record("Cursor" + Pos(c, r));
}

void FakeView::SetGridTopRow(int r) {
    topRow = r;
    Record("TopRow(" + std::to_string(r) + ")");
}

void FakeView::FocusGrid() {
    Record("FocusGrid");
    if (gridFocused) return;
    gridFocused = true;
    if (editor_ != nullptr) editor_->SG1Enter();
}

void FakeView::SetColumnWidth(int c, int px) {
    Record("ColumnWidth(" + std::to_string(c) + ") := " + std::to_string(px));
}

void FakeView::SetGridWidth(int px) { Record("GridWidth := " + std::to_string(px)); }

void FakeView::SetChecked(CheckBox box, bool on) {
    checked[static_cast<int>(box)] = on;
    Record("CB" + std::to_string(static_cast<int>(box) + 1) + " := " + (on ? "on" : "off"));
}

void FakeView::SetProfileList(const std::vector<std::string>& names) {
    profileList = names;
    std::string line = "ProfileList :=";
    for (const auto& n : names) line += " " + n;
    Record(line);
}

void FakeView::SetComboText(const std::string& text) {
    comboText = text;
    Record("ComboText := " + text);
}

void FakeView::SetComboIndex(int index) {
    comboIndex = index;
    Record("ComboIndex := " + std::to_string(index));
}

void FakeView::SetLabel(Label label, const std::string& text) {
    Record(std::string(label == Label::kLMsg ? "LMsg" : "LMsg2") + " := " + text);
}

void FakeView::SetAppTitle(const std::string& title) { Record("AppTitle := " + title); }

void FakeView::SetWindowBounds(const Bounds& b) {
    bounds = b;
    Record("Bounds := " + std::to_string(b.left) + "," + std::to_string(b.top) + "," +
           std::to_string(b.width) + "," + std::to_string(b.height));
}

void FakeView::SetMaximized(bool on) {
    maximized = on;
    Record(std::string("Maximized := ") + (on ? "1" : "0"));
}

void FakeView::CloseWindow() {
    Record("CloseWindow");
    UserClose();
}

void FakeView::UserClose() {
    if (editor_ != nullptr && editor_->CloseRequested()) {
        destroyed = true;
        Record("Destroyed");
    }
}

Answer FakeView::Box(BoxKind kind, const std::string& text, BoxButtons buttons) {
    Answer a = Answer::kYes;
    if (!answers_.empty()) {
        a = answers_.front();
        answers_.pop_front();
    }
    Record(std::string("Box(") + KindName(kind) + ", " + ButtonsName(buttons) + ") " + text +
           " -> " + AnswerName(a));
    return a;
}

std::optional<std::string> FakeView::InputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& initial) {
    std::optional<std::string> text;
    if (!inputs_.empty()) {
        text = inputs_.front();
        inputs_.pop_front();
    }
    Record("InputBox(" + caption + ", " + prompt + ", " + initial + ") -> " +
           (text ? *text : "(cancel)"));
    return text;
}

void InstallKeyFlags() {
    g_keyFlags.clear();
    settings::SetKeyFlagSource(&KeyFlags);
}

void RecordKeyFlags(int vk, int flags) { g_keyFlags[vk] = flags; }

}  // namespace yv::editor::testing
