// Shell pieces of the Windows host: the tray icons and the Startup-folder shortcut.
#pragma once

#include <windows.h>

#include <string>

namespace yv::host {

// A small square icon drawn at run time: coloured with a white "Y" when conversion is on,
// grey when it is off. The caller destroys it with DestroyIcon.
HICON MakeStateIcon(bool on);

// The shortcut that starts `exePath` with Windows: "<Startup folder>\Yorvan2.lnk";
// empty when the folder cannot be found.
std::string StartupLinkPath();
bool StartupLinkExists();
// Creates (on) or removes (off) the shortcut. COM must be initialised on this thread.
bool SetStartupLink(bool on, const std::string& exePath);

}  // namespace yv::host
