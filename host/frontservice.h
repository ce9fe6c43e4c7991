// How the window in front gets the rules that act on key messages: the hook library inside its
// own process, the host's low-level hook on its behalf, or not at all. Judged when a window
// comes to the front, from facts the Windows layer gathers about its process, and handed to the
// library, whose low-level hook only reads the answer.
#pragma once

#include <cstdint>

namespace yv::host {

// The same numbers as the library's SetFront.
// kCompanion: a window of the other bitness, served in its process by the companion's library.
enum class FrontService : std::uint8_t {
    kInProcess = 0,
    kFallback = 1,
    kUnreachable = 2,
    kCompanion = 3,
};

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

// Whether the companion, ended after `elapsedMs` of running, is started again: at once, unless it
// ended within kQuickEndMs kMaxQuickEnds times in a row (it cannot run here: it is left off).
class RestartGate {
  public:
    static constexpr unsigned kQuickEndMs = 5000;
    static constexpr int kMaxQuickEnds = 5;
    bool Ended(unsigned elapsedMs);

  private:
    int quickEnds_ = 0;
};

}  // namespace yv::host
