// TForm1, the settings editor's main window: the controls, the menu bar and the rule grid, the
// editor's View over them, and the routing of every window event into the editor's handlers.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "editor.h"
#include "fittext.h"
#include "grid.h"
#include "view.h"

namespace yv::win {

// Menu commands and control ids.
enum : int {
    kCmdNew = 100,   // アプリケーション設定 > 新　規
    kCmdRename,      // 名前変更
    kCmdCopy,        // コピー
    kCmdDelete,      // 削　除
    kCmdAutoSwitch,  // 自動切替設定
    kCmdHomePage,    // ヘルプ > ホームページ
    kCmdVersion,     // バージョン情報
    kCmdEnd,         // 終　了
    kIdComb1 = 200,
    kIdCB1,
    kIdCB2,
    kIdCB3,
    kIdB1,
    kIdBPut,
    kIdBEnd,
    kIdRG1,  // RG1's items are kIdRG1Item + 0..3
    kIdRG1Item,
    kIdSG1 = kIdRG1Item + 4,
    kIdLMsg,
    kIdLMsg2,
    kIdLMsg3,
    kIdLBtn,
    kIdLVer,
    kIdPanel1,
    kIdKeyButton = 300,  // the fourteen operation-key buttons, top to bottom
};

class MainForm : public editor::View, public GridOwner {
  public:
    static bool Register(HINSTANCE instance);
    // Creates the window hidden, at its designed bounds.
    bool Create(HINSTANCE instance);
    void Attach(editor::Editor* editor) { editor_ = editor; }
    // The first display: FormShow, then the window appears (maximized when FormShow said so).
    void ShowFirst(int showCommand);
    HWND hwnd() const { return hwnd_; }
    HFONT uiFont() const { return font_; }
    // Commands of the menus and the profile box, bound by the program.
    std::function<void(int command)> onCommand;
    std::function<void(int notification)> onComboEvent;
    // A key went down in Comb1's field; true consumes it (and the character it makes).
    std::function<bool(WORD vk)> onComboKeyDown;

    // View
    std::string Cell(int col, int row) override;
    void SetCell(int col, int row, const std::string& text) override;
    int GridCol() override;
    int GridRow() override;
    void SetGridCursor(int col, int row) override;
    void SetGridTopRow(int row) override;
    void FocusGrid() override;
    void SetColumnWidth(int col, int px) override;
    void SetGridWidth(int px) override;
    bool Checked(editor::CheckBox box) override;
    void SetChecked(editor::CheckBox box, bool on) override;
    void SetProfileList(const std::vector<std::string>& names) override;
    void SetComboText(const std::string& text) override;
    void SetComboIndex(int index) override;
    std::string ComboText() override;
    int ComboIndex() override;
    void SetLabel(editor::Label label, const std::string& text) override;
    std::string Caption() override;
    void SetAppTitle(const std::string& title) override;
    editor::Bounds WindowBounds() override;
    void SetWindowBounds(const editor::Bounds& b) override;
    bool Maximized() override;
    void SetMaximized(bool on) override;
    void CloseWindow() override;
    editor::Answer Box(editor::BoxKind kind, const std::string& text,
                       editor::BoxButtons buttons) override;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override;

    // GridOwner
    std::string GridCellText(int col, int row) override;
    GridCellLook GridCellStyle(int col, int row, bool focused) override;
    void GridCellEdited(int col, int row, const std::string& text) override;
    void GridKeyDown(WORD& vk) override;
    void GridChar(wchar_t& ch) override;
    void GridEnter() override;
    void GridMouseDown(int col, int row) override;

  private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK ComboEditProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT OnCreate();
    LRESULT OnSize();
    LRESULT OnCommand(WPARAM wp, LPARAM lp);
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    LRESULT OnActivate(WPARAM wp);
    LRESULT OnClose();
    LRESULT OnQueryEndSession();
    void RestoreFocus();
    void Run(const std::function<void()>& handler);
    HWND Control(const wchar_t* cls, const char* text, DWORD style, int x, int y, int w, int h,
                 int id, HFONT font, DWORD exStyle = 0);
    void FitLabel(HWND label);
    HWND CheckBoxWindow(editor::CheckBox box) const;

    HWND hwnd_ = nullptr;
    editor::Editor* editor_ = nullptr;
    Grid* grid_ = nullptr;
    HFONT font_ = nullptr, labelFont_ = nullptr, verFont_ = nullptr, gridFont_ = nullptr;
    FontSet uiFonts_{"ＭＳ Ｐゴシック"};  // smaller sizes for texts that do not fit
    HWND panel1_ = nullptr, comb1_ = nullptr, cb_[3] = {}, lMsg_ = nullptr, lMsg2_ = nullptr,
         lMsg3_ = nullptr, lVer_ = nullptr;
    WNDPROC comboEditProc_ = nullptr;
    bool comboSwallow_ = false;
    HWND lastFocus_ = nullptr;  // given back when the window is activated again
    bool restoringFocus_ = false;
    bool shown_ = false;
    bool pendingMaximized_ = false;
    bool closing_ = false;
    std::string appTitle_;
    std::string cells_[kGridCols][kGridRows];
};

}  // namespace yv::win
