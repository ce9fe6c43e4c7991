// How the window in front gets the rules that act on key messages: the hook library inside its
// own process, the host's low-level hook on its behalf, or not at all. Judged when a window
// comes to the front, from facts the Windows layer gathers about the processes behind it, and
// handed to the library, whose low-level hook only reads the answer.
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

// Machine numbers of executable images (IMAGE_FILE_MACHINE_*). A hook library enters only
// processes of its own machine: the x64 one no ARM64 process, the i686 one only x86 processes.
constexpr std::uint16_t kMachineUnknown = 0;
constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineArmNt = 0x01C4;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kMachineArm64 = 0xAA64;

// What the system told about a process's machine; the newest question it answers counts.
struct MachineAnswers {
    // GetProcessInformation(ProcessMachineTypeInfo), from Windows 11: the process's own machine,
    // also for x64 programs emulated on ARM64.
    bool haveInfo = false;
    std::uint16_t infoMachine = kMachineUnknown;
    // IsWow64Process2: the WOW64 guest's machine (unknown for a process outside WOW64, which
    // then has the system's native machine) and the native machine.
    bool haveWow2 = false;
    std::uint16_t wowMachine = kMachineUnknown;
    std::uint16_t nativeMachine = kMachineUnknown;
    // IsWow64Process, on older systems: x86 under WOW64, or else the system's own machine.
    bool haveWow = false;
    bool wow64 = false;
    std::uint16_t systemMachine = kMachineAmd64;
};
std::uint16_t MachineOf(const MachineAnswers& a);

// One process behind the window in front.
struct ProcessFacts {
    bool known = true;  // it could be asked at all
    bool own = false;   // the host's own process (its menu, its message boxes)
    std::uint16_t machine = kMachineAmd64;
    // Its token is an AppContainer's (a UWP app, a sandbox): no hook library is loaded into it.
    // Packaged full-trust programs have no such token and load the library like any other.
    bool appContainer = false;
    bool aboveUs = false;    // a higher integrity level: our input cannot reach it
    bool frameHost = false;  // ApplicationFrameHost.exe, whose frames hold the UWP apps' windows
};

struct FrontFacts {
    ProcessFacts top;  // the top-level window in front
    // In a frame host's window, the app's own window (its Windows.UI.Core.CoreWindow child).
    bool coreFound = false;
    ProcessFacts core;
    // The window with the keyboard focus (GetGUIThreadInfo), when another process has it.
    bool focusElsewhere = false;
    ProcessFacts focus;
    std::uint16_t library = kMachineAmd64;  // the machine of the host's own library
    bool companionRunning = false;          // a companion serves x86 programs
    // The companion has confirmed that the thread the keys go to is hooked: until then the
    // fallback serves the window, so the first keys after a change of window are converted too.
    bool confirmed = false;
};

// Whose process the keys go to: the focus window's when another process has it, else a UWP
// app's window inside its frame, else the top-level window's.
enum class KeyWindow : std::uint8_t { kTop, kCore, kFocus };
KeyWindow KeysGoTo(const FrontFacts& f);
const ProcessFacts& KeyProcess(const FrontFacts& f);

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

// The threads the companion has confirmed hooking, by thread id and creation time: an id is
// given to a new thread once its thread has ended, and that one is not hooked. Fewer are kept
// than the companion's library keeps, both dropping the one longest not asked for, so that
// every thread remembered here is still hooked there.
class PeerThreads {
  public:
    struct Thread {
        std::uint32_t id = 0;
        std::uint64_t created = 0;
    };
    static constexpr int kKept = 32;
    static constexpr int kPending = 8;

    bool Hooked(Thread t) const;
    // The companion was asked to hook `t`.
    void Asked(Thread t);
    // It answered that thread `id` is hooked; counts only for a thread it was asked for.
    void Confirmed(std::uint32_t id);
    // The companion ended or another one started: none of its hooks is there any more.
    void Clear();
    int kept() const { return keptCount_; }

  private:
    Thread keptThreads_[kKept];
    int keptCount_ = 0;
    Thread pending_[kPending];
    int pendingCount_ = 0;
};

}  // namespace yv::host
