// The clipboard side of paste rows in the Windows host.
//
// Input thread: the library offers each paste's text to the window "Yorvan2" (OfferPaste); the
// window puts the text on the clipboard rendered on demand and renders it from memory when the
// target reads it (RenderPaste), telling the shell thread of both.
// Shell thread: ClipKeeper listens to clipboard changes, copies the user's content and puts it
// back after the paste (host/clipkeep.h decides when).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "clipkeep.h"

namespace yv::host::win {

// --- input thread
// The answer to the library's offer of a paste row's text (YORVAN2_NOTIFY_PASTE).
LRESULT OfferPaste(HWND wnd, HWND shell, const char* text);
// WM_RENDERFORMAT, WM_RENDERALLFORMATS, WM_DESTROYCLIPBOARD of the window "Yorvan2".
void RenderPaste(HWND shell, UINT format);
void RenderAllPastes(HWND wnd, HWND shell);
void DropPaste();

// --- shell thread
class ClipKeeper {
  public:
    // Starts listening; `input` is the window "Yorvan2", the owner of pasted texts.
    void Start(HWND shell, HWND input);
    void Stop();
    void OnUpdate();  // WM_CLIPBOARDUPDATE
    void OnBegun(std::uint32_t before, std::uint32_t after);
    void OnRead(std::uint32_t before, std::uint32_t after);
    void OnTimer(UINT_PTR id);

    static constexpr UINT_PTR kRestoreTimer = 11;
    static constexpr UINT_PTR kCopyTimer = 12;

  private:
    struct Item {
        UINT format;
        std::vector<unsigned char> bytes;
    };
    void TakeCopy();
    void Check();
    bool PutBack();

    HWND shell_ = nullptr, input_ = nullptr;
    bool listening_ = false;
    ClipRestorer restorer_;
    std::vector<Item> items_;
    int copyTries_ = 0;
    DWORD begunTick_ = 0;
};

}  // namespace yv::host::win
