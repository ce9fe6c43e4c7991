/* Messages between the host and its companion (Yorvan2x86.exe). */
#ifndef YORVAN2_COMPANIONMSG_H
#define YORVAN2_COMPANIONMSG_H

#include <windows.h>

/* To the host's shell window: the companion is ready. wParam its window, lParam its process. */
#define YORVAN2_COMPANION_READY (WM_APP + 30)
/* To the companion's window: YORVAN2_PEER_KEYUP (yorvan2.h), from the host's low-level hook;
   WM_COPYDATA with an order (peerwire.h), from the host's shell window; WM_CLOSE, to end. */

#endif
