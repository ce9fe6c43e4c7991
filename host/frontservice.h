// How the window in front gets the rules that act on key messages: the hook library inside its
// own process, the host's low-level hook on its behalf, or not at all. Judged when a window
// comes to the front, from facts the Windows layer gathers about its process, and handed to the
// library, whose low-level hook only reads the answer.
#pragma once

#include <cstdint>

namespace yv::host {

// The same numbers as the library's SetFront.
enum class FrontService : std::uint8_t { kInProcess = 0, kFallback = 1, kUnreachable = 2 };

struct FrontFacts {
    bool known = true;              // its process could be asked at all
    bool otherBitness = false;      // not of the bitness of the host's library
    bool packaged = false;          // a packaged application: no hook library is loaded into it
    bool aboveUs = false;           // a higher integrity level: our input cannot reach it
    bool companionRunning = false;  // a library of the other bitness is hooked by a companion
};

FrontService JudgeFront(const FrontFacts& f);

// What the tray's tooltip adds while such a window is in front ("" for none).
const char* FrontNote(FrontService s);

}  // namespace yv::host
