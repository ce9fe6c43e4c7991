// What the host learns about the window in front, for the library's judgement of how it is
// served: facts of its process, asked with calls that do not wait on that process, and the
// open state of its input method, asked by a thread of its own, since that question goes to
// the other process and may wait.
#pragma once

#include <windows.h>

#include "frontservice.h"

namespace yv::host::win {

// To the input window: the watch has a new answer (LastImeAnswer). It carries nothing.
constexpr UINT kMsgImeState = WM_APP + 10;

// How the window w in front is served, judged from the processes behind it (the top-level
// window's, the focus window's, a UWP app's inside its frame). When the companion is to serve
// it but has not confirmed the thread the keys go to, the fallback serves it and the threads
// to order hooked are named; the confirmation comes through ConfirmCompanionThread.
struct FrontJudgement {
    FrontService service = FrontService::kInProcess;
    DWORD keysThread = 0;  // the thread the keys go to, to be hooked by the companion (0: none)
    DWORD topThread = 0;   // the top-level window's, when another thread of that process
};
FrontJudgement JudgeWindow(HWND w, bool companionRunning);
// The companion ended or another one started: none of its threads counts as hooked.
void ForgetCompanionThreads();
// The companion has hooked `thread`, as it was asked to.
void ConfirmCompanionThread(DWORD thread);

// The input method watch: while a window is given, its input method's open state is asked
// every kImeCheckMs and at once after a change of window, and each change wakes `input` with
// kMsgImeState. nullptr stops the asking.
constexpr DWORD kImeCheckMs = 150;
void StartImeWatch(HWND input);
void WatchIme(HWND front);
void StopImeWatch();
// An input-method key went down in the window watched: ask now, and a few times soon after.
void AskImeNow();
// The watch's last answer: the window asked about and whether its input method is open.
bool LastImeAnswer(HWND& window, bool& open);

}  // namespace yv::host::win
