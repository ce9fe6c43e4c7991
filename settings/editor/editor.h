// The settings editor's main window logic: the one SettingsState, the grid's edit position and
// setting mode, and the handlers of the window's components and events. The window calls the
// handlers; they reach the window only through View.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "fileimage.h"
#include "settingsfile.h"
#include "view.h"

namespace yv::editor {

constexpr int kGridRows = 102;  // header row + the On/Off row + rules 1..100
constexpr int kLastGridRow = kGridRows - 1;
constexpr int kMaxDataBytes = 100;

// Virtual-key codes of the fourteen operation-key buttons, top to bottom.
enum ButtonVk : std::uint16_t {
    kBTab = 0x09,
    kBDel = 0x2E,
    kBPup = 0x21,
    kBPdwn = 0x22,
    kBTop = 0x26,
    kBLeft = 0x25,
    kBRight = 0x27,
    kBDown = 0x28,
    kBAlt = 0x12,
    kBCtrl = 0x11,
    kBPrtScr = 0x2C,
    kBWin = 0x5C,
    kBApps = 0x5D,
    kBShift = 0x10,
};

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// How SG1 paints a cell: fixed cells in the grid's fixed colours, the others on `background`;
// the text origin is (textX, textY) from the cell rectangle's top-left corner.
struct CellStyle {
    bool fixed = false;
    Rgb background;
    int textX = 0, textY = 0;
};

class Editor {
  public:
    // `settingsPath` is the settings file; the program passes SettingsPath().
    Editor(View& view, std::string settingsPath);

    settings::SettingsState state;

    // Edit position, kept between handlers: column, grid row and table row (row - 1).
    int editCol = 0;
    int editRow = 0;
    int editIndex = 0;
    bool swallow = false;  // drop the character that follows a consumed key press
    // Setting mode: the chosen RG1 item 0..3 and its two flags.
    int modeIndex = 0;
    bool oneKey = false;
    bool japanese = false;

    // Main window.
    void FormCreate(const std::optional<std::string>& firstArg);  // the command line's argument
    void FormShow();
    void CB1Click();
    void CB2Click();
    void CB3Click();
    void B1Click();         // 変更取り消し
    void BPutClick();       // 現在の設定を登録
    void BEndClick();       // 終　了 button
    void End1Click();       // 終　了 menu item
    bool FormCloseQuery();  // whether the window may close
    void FormClose();       // saves the placement; a write error keeps the window open
    // The whole of a close request: the close question, then FormClose, each under
    // RunHandler. True when the window is to be destroyed.
    bool CloseRequested();
    void RefreshView();
    void GridReset();

    // Rule grid SG1. A key set to 0 is consumed; a character set to 0 is dropped.
    void SG1KeyDown(std::uint16_t& key);
    void SG1KeyPress(char& ch);
    void SG1Enter();
    void SG1MouseDown(int col, int row);  // the cell under the pointer
    CellStyle SG1DrawCell(int col, int row, bool focused) const;
    void RG1Click(int index);

    // The operation-key buttons: the button action for vk, then the grid gets the focus.
    void ButtonClick(std::uint16_t vk);
    void BTabClick() { ButtonClick(kBTab); }
    void BDelClick() { ButtonClick(kBDel); }
    void BPupClick() { ButtonClick(kBPup); }
    void BPdwnClick() { ButtonClick(kBPdwn); }
    void BTopClick() { ButtonClick(kBTop); }
    void BLeftClick() { ButtonClick(kBLeft); }
    void BRightClick() { ButtonClick(kBRight); }
    void BDownClick() { ButtonClick(kBDown); }
    void BAltClick() { ButtonClick(kBAlt); }
    void BCtrlClick() { ButtonClick(kBCtrl); }
    void BPrtScrClick() { ButtonClick(kBPrtScr); }
    void BWinClick() { ButtonClick(kBWin); }
    void BAppsClick() { ButtonClick(kBApps); }
    void BShiftClick() { ButtonClick(kBShift); }

    // The top-level error display: runs a handler; an error it does not handle abandons it and
    // is shown (kAppError, ErrorText) and the editor carries on. True when the handler ended
    // normally. The window runs every handler through this.
    bool RunHandler(const std::function<void()>& handler);

    // Every write to the settings file asks this first. A file another program changed since
    // the editor read or wrote it is overwritten only on the user's yes; a no keeps the file
    // and reads it again (the editor's unsaved changes give way), closing the question keeps
    // both. False when the write is not to be made.
    bool MayWrite();
    // After each write of the editor's own: the file as it is now is the one it knows.
    void TookFile();
    static std::string ErrorText(const std::exception& e);  // what() and a full stop

    const std::string& settingsPath() const { return path_; }
    View& view() { return view_; }

  private:
    void SetBox(CheckBox box, bool on);
    void ReadPosition();
    void SetEditPosition(int col, int row);
    void RevertEditRow();
    void RestoreDataCell();
    void Advance();
    void RegisterAndAdvance();
    bool RefusedForKeyCode();
    int PendingDataRow();
    void RegisterData(int row);
    void ShowError(const char* text);
    void ReloadFile();

    View& view_;
    std::string path_;
    settings::FileImage taken_;
};

}  // namespace yv::editor
