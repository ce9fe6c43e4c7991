// The two threads that run the library's hooks, each doing nothing else:
// - the keys thread runs the low-level keyboard hook (a low-level hook is called on the thread
//   that installed it, and Windows drops one that keeps the system waiting), with a low-level
//   mouse hook beside it that tells the watchdog that input still reaches the host;
// - the hooks thread installed the global message and activation hooks: Windows calls them on
//   it, out of context, for every message of every program of the other bitness, so they must
//   never queue behind anything else.
// Neither has a window. Orders reach them through their mailboxes; the thread message that
// wakes them carries nothing.
#pragma once

#include <windows.h>

#include <functional>

namespace yv::host::win {

// Installs the hooks on their threads. `notice` is the window "Yorvan2", which the library
// tells of the On/Off key and of activations. Waits (pumping this thread's messages, which the
// installation's first hook calls may send to) until both are in; false when any failed (the
// library has told the user), and nothing is left installed.
bool StartHookThreads(HWND notice, bool numLockHold);

// Everything removed and installed again, as after a resume; `done(hooked)` is put in
// `replyTo`'s mailbox (see RunInputOrders) when it is over.
void ReinstallHooks(bool numLockHold, std::function<void(bool)> done);
// The watchdog's order: the keyboard hook (and the mouse hook) put back.
void ReinstallKeyboardHook();
// For the tests: the keyboard hook removed behind the watchdog's back, as Windows does, and
// nothing it held let go.
void DropKeyboardHook();

// The last call of either low-level hook (GetTickCount).
DWORD LastHookCall();

// Removes every hook and ends both threads, within a bounded time.
void StopHookThreads();

// Orders for the input thread, run by it when the window "Yorvan2" gets kMsgWake.
void PutInputOrder(std::function<void()> order);
void RunInputOrders();

}  // namespace yv::host::win
