// The clipboard side of paste rows in the Windows host: a thread of its own, with a hidden
// window that owns what the host puts on the clipboard. Nothing else in the host opens the
// clipboard, and the clipboard thread waits on no other thread of the host.
//
// Keys thread: the library's low-level hook hands each paste's text over (TakePasteText), which
// wakes the clipboard thread with a posted message and returns.
// Clipboard thread: snapshots the user's clipboard, puts the text there rendered on demand,
// types Ctrl+V, renders the text when the target reads it, and puts the snapshot back
// (host/clipkeep.h decides when); then the keys held after the row go on (OpenGate).
#pragma once

#include <windows.h>

namespace yv::host::win {

// --- shell thread: started before the hooks, so that the first paste finds it; ended last.
bool StartClipThread(HINSTANCE instance);
// Asks the thread to end: a restore still waiting is carried out first. Returns at once, so
// that the rest of the exit goes on meanwhile.
void EndClipThread();
// Waits for it until `ms` after EndClipThread (a thread held up by another program's clipboard
// owner is left behind: the process ends all the same).
void WaitClipThread(DWORD ms);

// --- input thread: whether the user's clipboard comes back after a paste (the settings).
void SetClipKeep(bool keep);

// --- keys thread: the library's paste sink (SetPasteSink); 0 while no clipboard thread runs.
int WINAPI TakePasteText(const WCHAR* text, int units);  // SetPasteSinkW

}  // namespace yv::host::win
