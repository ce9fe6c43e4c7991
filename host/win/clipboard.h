// The clipboard side of paste rows in the Windows host.
//
// Keys thread: the library's low-level hook hands each paste's text over (TakePasteText).
// Input thread: the window "Yorvan2" puts the text on the clipboard rendered on demand, types
// Ctrl+V, and renders the text from memory when the target reads it (RenderPaste), telling the
// shell thread of both.
// Shell thread: ClipKeeper listens to clipboard changes, copies the user's content and puts it
// back after the paste (host/clipkeep.h decides when).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "clipkeep.h"

namespace yv::host::win {

// --- keys thread: the library's paste sink (SetPasteSink)
int WINAPI TakePasteText(const char* text, int bytes);
// The window woken for each text taken: the window "Yorvan2", or nullptr (nothing is taken).
void SetPasteWindow(HWND input);

// --- input thread
// The texts taken meanwhile, each put on the clipboard (kept for the user's copy to come back
// after it when `keep`) and pasted with Ctrl+V.
void TakePastes(HWND wnd, HWND shell, bool keep);
// Puts a paste row's text on the clipboard, rendered on demand.
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
    void OnBegun(std::uint32_t before, std::uint32_t after, bool unused = true);
    // byTarget: the program in front read it (ReadByTarget).
    void OnRead(std::uint32_t before, std::uint32_t after, bool byTarget);
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
