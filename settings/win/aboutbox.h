// The version box: a fixed-size modeless window created hidden at program start, showing the
// product, its version and four figures taken each time it is shown.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "about.h"
#include "fittext.h"

namespace yv::win {

class AboutBox {
  public:
    // `onClose` runs when OK is pressed (or Enter) and when the box's close button is used; it
    // is expected to hide the box and enable the main window again.
    static AboutBox* Create(HINSTANCE instance, HWND owner, std::function<void()> onClose);

    HWND hwnd() const { return hwnd_; }
    // Takes the figures afresh, centres the box on the screen and shows it without waiting.
    void Show();
    void Hide();

  private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT OnCreate();
    LRESULT OnPaint();
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    void FillFigures();
    void CenterOnScreen();

    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    HINSTANCE instance_ = nullptr;
    std::function<void()> onClose_;
    HWND memory_[3] = {};
    HWND runningTime_ = nullptr;
    HWND comments_ = nullptr;
    HWND ok_ = nullptr;
    HFONT fontBox_ = nullptr;
    FontSet fonts_{"ＭＳ Ｐゴシック"};  // smaller sizes for texts that do not fit
    HFONT fontProduct_ = nullptr;
    HFONT fontText_ = nullptr;
    HFONT fontFixed_ = nullptr;
    HFONT fontTime_ = nullptr;
    HICON icon_ = nullptr;
};

// The Help menu's view: the version box and the shell, for the main window `main`.
class HelpWindows : public editor::HelpView {
  public:
    HelpWindows(HWND main, AboutBox* box) : main_(main), box_(box) {}
    // Without a box (its creation failed) the main window is never disabled: nothing could
    // enable it again.
    void SetMainWindowEnabled(bool on) override {
        if (box_ != nullptr) EnableWindow(main_, on ? TRUE : FALSE);
    }
    void ShowAboutBox() override {
        if (box_ != nullptr) box_->Show();
    }
    void HideAboutBox() override {
        if (box_ != nullptr) box_->Hide();
    }
    bool ShellOpen(const std::string& file) override;

  private:
    HWND main_;
    AboutBox* box_;
};

}  // namespace yv::win
