#include "fake_view.h"

#include <map>

#include "keynames.h"

namespace yv::editor::testing {
namespace {

std::map<int, int> g_keyFlags;

int KeyFlags(int vk) {
    auto it = g_keyFlags.find(vk);
    return it == g_keyFlags.end() ? 0 : it->second;
}

}  // namespace

void FakeView::SetCell(int c, int r, const std::string& text) {
    if (cells[c][r] == text) return;
    cells[c][r] = text;
    Log("Cell(" + std::to_string(c) + "," + std::to_string(r) + ") := " + text);
}

void FakeView::FocusGrid() {
    Log("FocusGrid");
    if (gridFocused) return;
    gridFocused = true;
    if (editor_ != nullptr) editor_->SG1Enter();
}

void FakeView::SetProfileList(const std::vector<std::string>& names) {
    profileList = names;
    std::string line = "ProfileList :=";
    for (const auto& n : names) line += " " + n;
    Log(line);
}

void FakeView::SetWindowBounds(const Bounds& b) {
    bounds = b;
    Log("Bounds := " + std::to_string(b.left) + "," + std::to_string(b.top) + "," +
        std::to_string(b.width) + "," + std::to_string(b.height));
}

void FakeView::UserClose() {
    if (editor_ != nullptr && editor_->CloseRequested()) {
        destroyed = true;
        Log("Destroyed");
    }
}

Answer FakeView::Box(BoxKind kind, const std::string& text, BoxButtons buttons) {
    static const char* const kKinds[] = {"plain", "info", "error", "apperror"};
    static const char* const kButtons[] = {"ok", "yesno", "yes"};
    static const char* const kAnswers[] = {"Yes", "No", "Closed"};
    Answer a = Answer::kYes;
    if (!answers_.empty()) a = answers_.front(), answers_.pop_front();
    Log(std::string("Box(") + kKinds[static_cast<int>(kind)] + ", " +
        kButtons[static_cast<int>(buttons)] + ") " + text + " -> " + kAnswers[static_cast<int>(a)]);
    return a;
}

std::optional<std::string> FakeView::InputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& initial) {
    std::optional<std::string> text;
    if (!inputs_.empty()) text = inputs_.front(), inputs_.pop_front();
    Log("InputBox(" + caption + ", " + prompt + ", " + initial + ") -> " +
        (text ? *text : "(cancel)"));
    return text;
}

void InstallKeyFlags() {
    g_keyFlags.clear();
    settings::SetKeyFlagSource(&KeyFlags);
}

void RecordKeyFlags(int vk, int flags) { g_keyFlags[vk] = flags; }

}  // namespace yv::editor::testing
