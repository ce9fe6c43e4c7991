// What the host learns about the window in front, for the library's judgement of how it is
// served: facts of its process, asked with calls that do not wait on that process, and the
// open state of its input method, asked by a thread of its own, since that question goes to
// the other process and may wait.
#pragma once

#include <windows.h>

#include "frontservice.h"

namespace yv::host::win {

// To the input window: wParam 1 when the input method of the window lParam is open.
constexpr UINT kMsgImeState = WM_APP + 10;

FrontFacts FactsOf(HWND w);

// The input method watch: while a window is given, its input method's open state is asked
// every kImeCheckMs and at once after a change of window, and each change is posted to
// `input` as kMsgImeState. nullptr stops the asking.
constexpr DWORD kImeCheckMs = 150;
void StartImeWatch(HWND input);
void WatchIme(HWND front);
void StopImeWatch();

}  // namespace yv::host::win
