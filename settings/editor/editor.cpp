#include "editor.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <utility>

#include "keynames.h"
#include "strutil.h"

namespace yv::editor {
namespace {

using settings::KeyName;

constexpr std::uint16_t kVkShift = 0x10;
constexpr std::uint16_t kVkDelete = 0x2E;
constexpr std::uint16_t kVkPageUp = 0x21;
constexpr std::uint16_t kVkPageDown = 0x22;
constexpr std::uint16_t kVkLeft = 0x25;
constexpr std::uint16_t kVkUp = 0x26;
constexpr std::uint16_t kVkDown = 0x28;

constexpr int kColumnWidths[3] = {40, 110, 700};
constexpr int kGridWidthExtra = 25;  // the vertical scroll bar and the borders

constexpr char kStandardName[] = "標　準";
constexpr char kLMsgText[] =
    "キー名列で任意のキーを押してキー設定（OnOff行は変換機能ONOFFのホットキーの設定）\r\n"
    "操作キーへの設定は該当ボタンを押して設定　　　　【Shift】併用で漢字キー等設定可\r\n"
    "変換データを半角100文字以内で入力後【Ｅｎｔｅｒ】でその行登録";
constexpr char kLMsg2Text[] =
    "キー名列【Ｄｅｌｅｔｅ】で設定を削除、１キー設定列【Ｄｅｌｅｔｅ】でそのキーを無効";
constexpr char kNumberHeader[] = " Ｎｏ ";

constexpr char kShowFailed[] = "画面の表示に失敗しました\r\nプログラムを終了します";
constexpr char kAskSave[] = "現在の設定を登録しますか";
constexpr char kAskEnd[] = "終了しますか";
constexpr char kAskUndo[] = "変更した設定を取り消しますか";
constexpr char kSaved[] = "現在の設定を登録しました";
constexpr char kAskOverwrite[] =
    "設定ファイルが他のプログラムで変更されています\r\n上書きしますか\r\n"
    "（いいえ：上書きせずにファイルの内容を読み込み直します）";
constexpr char kOnOffNoSwap[] = "OnOffキーの設定は、キー交換の設定はできません";
constexpr char kOnOffNoButton[] = "OnOffキーの設定はできません";
constexpr char kWantSwap[] = "キー交換の設定をしてください";
constexpr char kWantText[] = "文字データの設定をしてください";

// Headers of columns 1 and 2 by setting mode.
constexpr const char* kModeHeaders[4][2] = {
    {"キー名", "文字データ（半角１００文字以内）設定"},
    {"【キー名】", "文字データ（半角１００文字以内）設定（日本語入力モード時有効）"},
    {"キー名", "１キー設定（ショートカットキーは２行に渡って設定）"},
    {"【キー名】", "【交換キー名】（日本語入力モード時有効）"},
};

// Keys the grid moves by: they revert a pending row and are never captured.
bool IsNavigationKey(std::uint16_t vk) {
    return vk == kVkPageUp || vk == kVkPageDown || (vk >= kVkLeft && vk <= kVkDown);
}

// A negative code whose scan index has no name cannot be shown.
bool Unnamed(int keyCode) {
    return keyCode < 0 && (keyCode < -255 || settings::ScanNames[-keyCode].empty());
}

// The command line's profile number: optional minus and decimal digits, 0 for anything else.
int ParseArgument(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end ? value : 0;
}

std::string RowLabel(int row) {
    if (row == 1) return "OnOff";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%4d", row - 1);
    return buf;
}

}  // namespace

Editor::Editor(View& view, std::string settingsPath)
    : view_(view), path_(std::move(settingsPath)) {}

// ---- main window ----

void Editor::FormCreate(const std::optional<std::string>& firstArg) {
    try {
        state.currentProfile = firstArg ? ParseArgument(*firstArg) : 0;
        if (state.currentProfile > 0) --state.currentProfile;
        // Taken before reading: an edit in between is then seen as one, never missed.
        TookFile();
        // A number beyond the profiles, or a negative one, shows the standard profile.
        settings::LoadSettings(state, path_);
        if (state.currentProfile < 0 || state.currentProfile > state.profileCount) {
            state.currentProfile = 0;
        }
    } catch (const std::exception&) {
        // The editor starts with whatever was loaded.
    }
}

void Editor::FormShow() {
    try {
        if (state.FormHeight != 0 && state.FormWidth != 0) {
            view_.SetWindowBounds(
                {state.FormLeft, state.FormTop, state.FormWidth, state.FormHeight});
        } else {
            const Bounds b = view_.WindowBounds();
            state.FormTop = b.top;
            state.FormLeft = b.left;
            state.FormHeight = b.height;
            state.FormWidth = b.width;
        }
        view_.SetMaximized(state.FormMax == 1);
        view_.SetAppTitle(view_.Caption());

        state.profileNames[0] = kStandardName;
        std::vector<std::string> names(state.profileNames,
                                       state.profileNames + state.profileCount + 1);
        view_.SetProfileList(names);
        view_.SetComboText(state.profileNames[state.currentProfile]);
        view_.SetComboIndex(state.currentProfile);

        settings::BuildKeyNames();
        if (state.henstart == 1 || state.henstart == 3) SetBox(CheckBox::kCB1, true);
        if (state.numlockon == 0) SetBox(CheckBox::kCB2, true);
        if (state.AplAutoOff == 0) SetBox(CheckBox::kCB3, true);

        view_.SetLabel(Label::kLMsg, kLMsgText);
        view_.SetLabel(Label::kLMsg2, kLMsg2Text);

        view_.SetCell(0, 0, kNumberHeader);
        view_.SetColumnWidth(0, kColumnWidths[0]);
        view_.SetCell(1, 0, kModeHeaders[0][0]);
        view_.SetColumnWidth(1, kColumnWidths[1]);
        view_.SetCell(2, 0, kModeHeaders[0][1]);
        view_.SetColumnWidth(2, kColumnWidths[2]);
        for (int r = 0; r <= 100; ++r) {
            view_.SetCell(0, r + 1, RowLabel(r + 1));
            view_.SetCell(1, r + 1, KeyName(state.keyCodes[r]));
            view_.SetCell(2, r + 1, state.convData[r]);
        }
        view_.SetGridWidth(kColumnWidths[0] + kColumnWidths[1] + kColumnWidths[2] +
                           kGridWidthExtra);
        GridReset();
    } catch (const std::exception&) {
        view_.Box(BoxKind::kError, kShowFailed, BoxButtons::kOk);
        BEndClick();
    }
}

void Editor::SetBox(CheckBox box, bool on) {
    if (view_.Checked(box) == on) return;
    view_.SetChecked(box, on);
    switch (box) {
        case CheckBox::kCB1:
            CB1Click();
            break;
        case CheckBox::kCB2:
            CB2Click();
            break;
        case CheckBox::kCB3:
            CB3Click();
            break;
    }
}

void Editor::CB1Click() {
    if (view_.Checked(CheckBox::kCB1)) {
        if (state.henstart == 0) state.dirty = 1;
        state.henstart = 1;
    } else {
        if (state.henstart == 1 || state.henstart == 3) state.dirty = 1;
        state.henstart = 0;
    }
    view_.FocusGrid();
}

void Editor::CB2Click() {
    const int value = view_.Checked(CheckBox::kCB2) ? 0 : 1;
    if (state.numlockon != value) state.dirty = 1;
    state.numlockon = value;
    view_.FocusGrid();
}

void Editor::CB3Click() {
    const int value = view_.Checked(CheckBox::kCB3) ? 0 : 1;
    if (state.AplAutoOff != value) state.dirty = 1;
    state.AplAutoOff = value;
    view_.FocusGrid();
}

void Editor::B1Click() {
    if (state.dirty == 0 ||
        view_.Box(BoxKind::kInfo, kAskUndo, BoxButtons::kYesNo) == Answer::kNo) {
        view_.FocusGrid();
        return;
    }
    TookFile();
    settings::LoadSettings(state, path_);
    RefreshView();
    state.dirty = 0;
    GridReset();
}

void Editor::BPutClick() {
    if (!MayWrite()) return;
    settings::SaveSettings(state, path_);
    TookFile();
    view_.Box(BoxKind::kInfo, kSaved, BoxButtons::kYes);
    GridReset();
}

void Editor::TookFile() { taken_ = settings::TakeImage(path_); }

bool Editor::MayWrite() {
    // A file only touched (its bytes as they were) holds nothing to lose.
    if (settings::Compare(taken_, settings::TakeImage(path_)) != settings::Since::kChanged) {
        return true;
    }
    switch (view_.Box(BoxKind::kInfo, kAskOverwrite, BoxButtons::kYesNo)) {
        case Answer::kYes:
            return true;
        case Answer::kNo:
            ReloadFile();
            return false;
        case Answer::kClosed:
            break;
    }
    return false;
}

// The file as it is now, shown in place of the editor's rows, with the profile shown kept
// while the file still has it.
void Editor::ReloadFile() {
    TookFile();
    settings::LoadSettings(state, path_);
    state.copyPending = 0;
    std::vector<std::string> names(state.profileNames, state.profileNames + state.profileCount + 1);
    view_.SetProfileList(names);
    view_.SetComboText(state.profileNames[state.currentProfile]);
    view_.SetComboIndex(state.currentProfile);
    RefreshView();
    GridReset();
}

void Editor::BEndClick() {
    state.endRequested = 1;
    view_.CloseWindow();
}

void Editor::End1Click() { BEndClick(); }

// A text typed into the data cell of the cursor's row but not yet registered with Enter. The
// one-key modes type no text there: a blank cell of theirs is a refused target, not an edit.
int Editor::PendingDataRow() {
    const int row = view_.GridRow();
    if (oneKey || row < 1 || row > kLastGridRow) return 0;
    return view_.Cell(2, row) != state.convData[row - 1] ? row : 0;
}

bool Editor::FormCloseQuery() {
    // Pending text counts as an unsaved change, so closing never throws it away unasked.
    const int pendingRow = PendingDataRow();
    if ((state.dirty == 1 || pendingRow != 0) &&
        view_.Box(BoxKind::kInfo, kAskSave, BoxButtons::kYesNo) != Answer::kNo) {
        if (pendingRow != 0) RegisterData(pendingRow);
        if (MayWrite()) {
            settings::SaveSettings(state, path_);
            TookFile();
        } else if (state.dirty == 1) {
            // Still unsaved, so the question about the changed file was closed rather than
            // answered with a reload: nothing written, nothing read, the window stays.
            return false;
        }
    }
    if (state.endRequested == 0) {
        return view_.Box(BoxKind::kInfo, kAskEnd, BoxButtons::kYesNo) != Answer::kNo;
    }
    return true;
}

void Editor::FormClose() {
    const int before[5] = {state.FormTop, state.FormLeft, state.FormHeight, state.FormWidth,
                           state.FormMax};
    if (view_.Maximized()) {
        // The bounds stay the last normal ones, so the next start restores them.
        state.FormMax = 1;
    } else {
        const Bounds b = view_.WindowBounds();
        state.FormMax = 0;
        state.FormTop = b.top;
        state.FormLeft = b.left;
        state.FormHeight = b.height;
        state.FormWidth = b.width;
    }
    const int after[5] = {state.FormTop, state.FormLeft, state.FormHeight, state.FormWidth,
                          state.FormMax};
    if (!std::equal(before, before + 5, after)) settings::SaveWindowPlacement(state, path_);
}

bool Editor::CloseRequested() {
    bool mayClose = false;
    if (!RunHandler([&] { mayClose = FormCloseQuery(); }) || !mayClose) return false;
    return RunHandler([&] { FormClose(); });
}

void Editor::RefreshView() {
    try {
        SetBox(CheckBox::kCB1, state.henstart == 1 || state.henstart == 3);
        SetBox(CheckBox::kCB2, state.numlockon == 0);
        SetBox(CheckBox::kCB3, state.AplAutoOff == 0);
        for (int r = 0; r <= 100; ++r) {
            view_.SetCell(1, r + 1, KeyName(state.keyCodes[r]));
            view_.SetCell(2, r + 1, state.convData[r]);
        }
    } catch (const std::exception&) {
    }
}

void Editor::GridReset() {
    view_.SetGridTopRow(1);
    view_.SetGridCursor(1, 1);
    view_.FocusGrid();
}

bool Editor::RunHandler(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        view_.Box(BoxKind::kAppError, ErrorText(e), BoxButtons::kOk);
        return false;
    }
}

std::string Editor::ErrorText(const std::exception& e) { return std::string(e.what()) + "."; }

// ---- rule grid ----

void Editor::SetEditPosition(int col, int row) {
    editCol = col;
    editRow = row;
    editIndex = row - 1;
}

void Editor::ReadPosition() { SetEditPosition(view_.GridCol(), view_.GridRow()); }

void Editor::RevertEditRow() {
    if (editIndex < 0 || editIndex >= settings::kRuleRows) return;
    state.keyCodes[editIndex] = state.prevKeyCodes[editIndex];
    view_.SetCell(1, editRow, KeyName(state.keyCodes[editIndex]));
    view_.SetCell(2, editRow, state.convData[editIndex]);
}

void Editor::RestoreDataCell() {
    if (editIndex < 0 || editIndex >= settings::kRuleRows) return;
    view_.SetCell(2, editRow, state.convData[editIndex]);
}

void Editor::Advance() {
    SetEditPosition(1, std::min(editRow + 1, kLastGridRow));
    view_.SetGridCursor(editCol, editRow);
}

void Editor::RegisterAndAdvance() {
    state.prevKeyCodes[editIndex] = state.keyCodes[editIndex];
    state.convData[editIndex] = view_.Cell(2, editRow);
    state.dirty = 1;
    Advance();
}

void Editor::ShowError(const char* text) { view_.Box(BoxKind::kError, text, BoxButtons::kOk); }

// The data column of the one-key and swap modes takes only tokens that fit the row's key:
// a swap target for a scan-code key, a one-key target for a virtual-key code.
bool Editor::RefusedForKeyCode() {
    const int code = state.keyCodes[editIndex];
    if (code < 0 && !japanese) {
        ShowError(kWantSwap);
    } else if (code > 0 && japanese) {
        ShowError(kWantText);
    } else {
        return false;
    }
    RestoreDataCell();
    return true;
}

void Editor::SG1KeyDown(std::uint16_t& key) {
    const std::uint16_t vk = key;
    ReadPosition();
    if (editIndex < 0 || editIndex >= settings::kRuleRows) return;
    const int i = editIndex;
    if (editCol == 1 && editRow == 1 && japanese) {
        key = 0;
        ShowError(kOnOffNoSwap);
        RestoreDataCell();
        return;
    }
    settings::CapturedKey captured;
    if (editCol == 1 || oneKey || japanese) captured = settings::CaptureKeyCode(vk, japanese);

    if (editCol == 1 && !IsNavigationKey(vk)) {
        if (vk == kVkDelete) {
            key = 0;
            state.keyCodes[i] = 0;
            state.prevKeyCodes[i] = 0;
            state.convData[i].clear();
            view_.SetCell(1, editRow, "");
            view_.SetCell(2, editRow, "");
            state.dirty = 1;
            Advance();
            return;
        }
        if (vk == kVkShift && !japanese) return;
        state.keyCodes[i] = captured.keyCode;
        key = 0;
        swallow = true;
        if (Unnamed(captured.keyCode)) return;
        view_.SetCell(1, editRow, KeyName(captured.keyCode));
        view_.SetGridCursor(2, editRow);
        if (editRow == 1) {
            // The On/Off key takes effect without registering; the next row is a rule.
            state.dirty = 1;
            SetEditPosition(1, 2);
            view_.SetGridCursor(1, 2);
        }
        return;
    }

    if (editCol == 2 && oneKey && !IsNavigationKey(vk)) {
        if (vk == kVkDelete) {
            state.prevKeyCodes[i] = state.keyCodes[i];
            key = 0;
            view_.SetCell(2, editRow, "");
            state.convData[i].clear();
            state.dirty = 1;
            Advance();
            swallow = true;
            return;
        }
        if (vk == kVkShift && !japanese) return;
        if (RefusedForKeyCode()) {
            key = 0;
            return;
        }
        // The capture already gives Tab its scan index 0x0F.
        const int target =
            japanese ? captured.scanIndex : settings::OneKeyTarget(vk, captured.scanIndex);
        const auto token = settings::FormatKeyToken(target, japanese);
        if (!token) {
            // The key itself goes on: Alt must still reach the menu bar in the swap mode.
            view_.SetCell(2, editRow, "");
            swallow = true;
            return;
        }
        view_.SetCell(2, editRow, *token);
        key = 0;
        RegisterAndAdvance();
        swallow = true;
        return;
    }

    // Navigation, and every key of the data column in the text modes.
    swallow = false;
    if (vk == kVkUp) {
        RevertEditRow();
        const int row = std::max(editRow - 1, 1);
        // The grid moves the cursor up one row after this, so it lands on `row`.
        view_.SetGridCursor(editCol, row < kLastGridRow ? row + 1 : row);
        SetEditPosition(editCol, row);
    } else if (vk == kVkDown) {
        RevertEditRow();
        const int row = std::min(editRow + 1, kLastGridRow);
        view_.SetGridCursor(editCol, row > 1 ? row - 1 : row);
        SetEditPosition(editCol, row);
    } else if (vk == kVkPageUp || vk == kVkPageDown) {
        RevertEditRow();
    }
}

// Registers the typed text of a grid row, cut to the 100 bytes a rule holds.
void Editor::RegisterData(int row) {
    const int i = row - 1;
    state.prevKeyCodes[i] = state.keyCodes[i];
    std::string text = view_.Cell(2, row);
    if (static_cast<int>(text.size()) > kMaxDataBytes) {
        text = settings::LeftPart(text, kMaxDataBytes);
        view_.SetCell(2, row, text);
    }
    state.convData[i] = std::move(text);
    state.dirty = 1;
}

void Editor::SG1KeyPress(char& ch) {
    if (swallow) {
        ch = 0;
        return;
    }
    if (ch != '\r') return;
    ch = 0;
    ReadPosition();
    if (editIndex < 0 || editIndex >= settings::kRuleRows) return;
    state.dirty = 1;
    if (editCol == 2) {
        RegisterData(editRow);
        SetEditPosition(1, std::min(editRow + 1, kLastGridRow));
    } else {
        SetEditPosition(2, editRow);
    }
    view_.SetGridCursor(editCol, editRow);
}

void Editor::SG1Enter() { swallow = false; }

void Editor::SG1MouseDown(int /*col*/, int row) {
    if (row == 0 || row == editRow || editRow < 1) return;
    RevertEditRow();
}

CellStyle Editor::SG1DrawCell(int col, int row, bool focused) const {
    if (col == 0 || row == 0) return {true, {}, 1, 3};
    return {false, focused ? Rgb{0xFF, 0xFF, 0x00} : Rgb{0xFF, 0xFF, 0xFF}, 4, 4};
}

void Editor::RG1Click(int index) {
    if (index == modeIndex || index < 0 || index > 3) return;
    modeIndex = index;
    oneKey = index >= 2;
    japanese = index == 1 || index == 3;
    view_.SetCell(1, 0, kModeHeaders[index][0]);
    view_.SetCell(2, 0, kModeHeaders[index][1]);
    view_.FocusGrid();
}

void Editor::ButtonClick(std::uint16_t vk) {
    ReadPosition();
    if (editIndex < 0 || editIndex >= settings::kRuleRows) {
        view_.FocusGrid();
        return;
    }
    const int i = editIndex;
    if (editRow == 1) {
        ShowError(kOnOffNoButton);
        RestoreDataCell();
    } else if (editCol == 1) {
        const int code = settings::ButtonKeyCode(vk, japanese, settings::kKeyColumn);
        state.keyCodes[i] = code;
        swallow = true;
        if (!Unnamed(code)) {
            view_.SetCell(1, editRow, KeyName(code));
            view_.SetGridCursor(2, editRow);
        }
    } else if (editCol == 2 && (oneKey || japanese)) {
        if (!RefusedForKeyCode()) {
            const int target =
                japanese ? settings::ButtonKeyCode(vk, true, settings::kDataColumn) : vk;
            const auto token = settings::FormatKeyToken(target, japanese);
            view_.SetCell(2, editRow, token.value_or(""));
            if (token) RegisterAndAdvance();
            swallow = true;
        }
    } else if (editCol == 2) {
        swallow = false;
        if (!IsNavigationKey(vk) && state.keyCodes[i] < 0) {
            ShowError(kWantSwap);
            RestoreDataCell();
        }
    }
    view_.FocusGrid();
}

}  // namespace yv::editor
