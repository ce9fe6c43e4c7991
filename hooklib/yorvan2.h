/* Exports of Yorvan2.dll, for the resident host and the settings editor. */
#ifndef YORVAN2_H
#define YORVAN2_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef YORVAN2_BUILDING_DLL
#define YORVAN2_API
#else
#define YORVAN2_API __declspec(dllimport)
#endif

/* Notifications sent to the host window as WM_RBUTTONDOWN, told apart by lParam. */
#define YORVAN2_NOTIFY_OFF 9990        /* the On/Off key turned conversion off */
#define YORVAN2_NOTIFY_ON 9991         /* the On/Off key turned conversion on */
#define YORVAN2_NOTIFY_ACTIVATED 10001 /* mode 1: a window was activated (wParam) */
/* Before a paste: wParam points to the text (NUL-terminated, at most 1024 bytes used). The
   answer YORVAN2_PASTE_TAKEN says the host has put it on the clipboard, YORVAN2_PASTE_BUSY that
   the clipboard is held; any other answer (0) lets the library put it there itself. */
#define YORVAN2_NOTIFY_PASTE 9992
#define YORVAN2_PASTE_TAKEN 1
#define YORVAN2_PASTE_BUSY (-2)

/* Loads the conversion mode and the 101 rule rows (row 0 = the On/Off key). Always 0. */
YORVAN2_API int WINAPI SetSet(BYTE mode, BYTE trackOff, BYTE numLockHold, const int* keys,
                              const char* const* texts);
/* The texts of the rows SetSet loaded last in UTF-16 (101 pointers, by the row numbers given
   to SetSet; NULL for an empty text), each cut to 100 units; typed (mode 1) and pasted in place
   of SetSet's texts until the next SetSet. A row outside Shift-JIS takes 4 bytes in SetSet's
   limit per character Shift-JIS lacks, so 100 units always hold it. NULL goes back to SetSet's
   texts. Always 0. */
YORVAN2_API int WINAPI SetTextsW(const WCHAR* const* texts);
/* Key data recorded for virtual key vk in key-learning mode (2); 0 when none. */
YORVAN2_API int WINAPI getkeyflg(int vk);
/* Copies the last recorded window title into out[0] and an empty text into out[1]
   (two buffers of at least 101 bytes). */
YORVAN2_API void WINAPI getaplname(char** out);
/* getaplname in UTF-16, the title as the window holds it (two buffers of at least 101 WCHARs). */
YORVAN2_API void WINAPI getaplnameW(WCHAR** out);
/* Installs the three hooks. 0 = installed, 1 = failed (the user has been told). */
YORVAN2_API int WINAPI SetHook(HWND hostWnd, BYTE numLockHold);
/* Removes the hooks. Always 0. */
YORVAN2_API int WINAPI ResetHook(void);
/* How the window in front gets the rows with virtual-key numbers: 0 the library in its own
   process, 1 the low-level hook for it (no library of ours can enter it), 2 none (a window of
   higher integrity); and whether its input method is open. Always 0. */
#define YORVAN2_FRONT_IN_PROCESS 0
#define YORVAN2_FRONT_FALLBACK 1
#define YORVAN2_FRONT_UNREACHABLE 2
#define YORVAN2_FRONT_COMPANION 3 /* the other bitness, served by the companion's library */
YORVAN2_API int WINAPI SetFront(BYTE service, BYTE imeOpen);

/* The companion (the library of the other bitness, loaded by a program of that bitness):
   SetHookPeer readies the library, whose notifications go to hostWnd (always 0); HookThread
   installs its message and activation hooks on one thread of a program it serves (0 hooked or
   already, 1 failed, 2 not readied), the oldest of 64 such threads making room. In the modes
   without YORVAN2_NOTIFY_ACTIVATED each activation it records is sent as YORVAN2_NOTIFY_TITLE,
   for the host to hand to NoteActivated. ResetHook removes them all. */
#define YORVAN2_NOTIFY_TITLE 10002
YORVAN2_API int WINAPI SetHookPeer(HWND hostWnd, BYTE numLockHold);
YORVAN2_API int WINAPI HookThread(DWORD thread);
/* In the host's library: the companion's window, to which the low-level hook posts
   YORVAN2_PEER_KEYUP (wParam: the key's scan index, +128 when extended) for each key released
   over a window the companion's library does not serve; NULL for none. Always 0. */
#define YORVAN2_PEER_KEYUP (WM_APP + 20)
YORVAN2_API int WINAPI SetPeer(HWND peerWnd);
/* Lets go the one-key targets that the message hook holds for the key of scan index e. */
YORVAN2_API int WINAPI ReleaseKey(int e);
/* Records w's title as the last activated one, as the activation hook does. Always 0. */
YORVAN2_API int WINAPI NoteActivated(HWND w);

/* SetHook in two parts, for a host that gives each kind of hook a thread of its own (a
   low-level hook is called on the thread that installed it; a global hook of one bitness is
   called there for every message of every program of the other): SetHookMsg does what SetHook
   does but for the keyboard hook and the message filter; SetHookKbd(1) installs the keyboard
   hook on the calling thread, SetHookKbd(0) removes it, each letting go of what it held down
   (0 done, 1 failed, no box shown); SetHookKbd(2), for tests, removes it as the system drops
   one, letting go of nothing. ResetHook removes what is left. */
YORVAN2_API int WINAPI SetHookMsg(HWND hostWnd, BYTE numLockHold);
YORVAN2_API int WINAPI SetHookKbd(BYTE on);
/* The conversion mode in force, for a host that takes the On/Off notices as hints. The
   low-level hook posts them (it waits for no window). */
YORVAN2_API int WINAPI GetMode(void);
/* When the low-level keyboard hook was last called (GetTickCount). */
YORVAN2_API DWORD WINAPI KbdHookSeen(void);
/* For a host that installed the keyboard hook with SetHookKbd: keys that follow a key which a
   message hook converts with synthesized keys wait in the low-level hook until that message
   hook has taken the key (it wakes the hook's thread with a thread message), at most 1 s.
   The hook's thread calls PollGate after each message it retrieves, and every 10 ms while it
   answers 1 (keys are still held, or typed again and not yet back through the hook). */
YORVAN2_API int WINAPI PollGate(void);
/* The companion's message hook posts YORVAN2_NOTIFY_GATESEEN (wParam a scan index, plus 0x400
   for a key-up) to the host window for each key with rows it has taken; the host hands wParam
   to GateTaken. */
#define YORVAN2_NOTIFY_GATESEEN 10004
YORVAN2_API int WINAPI GateTaken(int e);
/* A paste row through SetPasteSink holds the keys that follow until the host calls OpenGate
   (the clipboard given back, or the paste given up), at most 1 s. */
YORVAN2_API int WINAPI OpenGate(void);
/* The host's taker of paste rows' texts, called by the low-level hook in the host's process
   instead of any clipboard work: nonzero when taken (the host then puts the text on the
   clipboard and types Ctrl+V itself), 0 when it cannot take it now (nothing is pasted). The
   text is valid during the call only. NULL goes back to the offer message. Always 0. */
typedef int(WINAPI* YORVAN2_PASTE_SINK)(const char* text, int bytes);
YORVAN2_API int WINAPI SetPasteSink(YORVAN2_PASTE_SINK sink);
/* The same in UTF-16 (units without the terminator, which follows them), asked in place of
   SetPasteSink's taker while set: the row's text as SetTextsW gave it, else SetSet's read by code
   page 932. */
typedef int(WINAPI* YORVAN2_PASTE_SINK_W)(const WCHAR* text, int units);
YORVAN2_API int WINAPI SetPasteSinkW(YORVAN2_PASTE_SINK_W sink);
/* Posted by the low-level hook while it serves the window in front itself: an input-method
   key went down. */
#define YORVAN2_NOTIFY_IMEKEY 10003
/* The extra information of every keystroke the library synthesizes; the hooks leave such
   keystrokes alone. */
#define YORVAN2_OWN_INPUT 0x59563200

#ifdef __cplusplus
}
#endif

#endif
