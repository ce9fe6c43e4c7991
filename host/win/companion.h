// The 32-bit companion (Yorvan2x86.exe) beside a 64-bit host, kept on the shell thread: started
// with the host, handed every order the input thread gives its own library, restarted when it
// dies, ended with the host. The input thread hears through its mailbox whether one runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frontservice.h"
#include "peerwire.h"

namespace yv::host::win {

// To the shell window: the end of the companion's process (wParam: its process id).
constexpr UINT kMsgCompanionEnded = WM_APP + 13;
// To the input window: the companion's news changed (TakeCompanionNews). The message carries
// nothing the receiver trusts, so another program that posts it changes nothing.
constexpr UINT kMsgCompanion = WM_APP + 11;

// What the shell thread has learnt of the companion since the input thread last asked.
struct CompanionNews {
    HWND wnd = nullptr;            // its window while one serves
    bool changed = false;          // another companion, or none, since the last news
    std::vector<DWORD> confirmed;  // threads it has hooked when asked, in order
};
// On the input thread, when kMsgCompanion wakes it.
CompanionNews TakeCompanionNews();

// From the input thread: hands an order to the shell thread (its mailbox), which passes it on.
void PostCompanionOrder(HWND shell, std::vector<std::uint8_t> order);

class Companion;
// The shell thread's companion.
Companion& TheCompanion();

// An order that the companion has not answered within kAnswerMs ends it, as a dead one: it is
// started again. A hook order (start, the menu's reinstall, resume, unlock) starts one that is
// not running if its file is there, also one given up on.
class Companion {
  public:
    static constexpr DWORD kAnswerMs = 2000;
    // Starts Yorvan2x86.exe from `dir` if this host is the 64-bit one and the file is there.
    void Start(HWND shell, HWND input, const std::string& dir);
    void OnOrder(const std::vector<std::uint8_t>& order);
    void OnReady(HWND wnd, DWORD pid);
    void OnEnded(DWORD pid);
    // Asks it to end (it lets go of what its library holds), and ends it if it does not.
    void Stop();

  private:
    bool Launch();
    void Send(const std::vector<std::uint8_t>& order);
    void Forget();
    // The input thread's view of the companion: its window (nullptr for none), a thread hooked.
    void Tell(HWND wnd);
    void TellHooked(DWORD thread);

    HWND shell_ = nullptr, input_ = nullptr;
    std::string path_;
    HANDLE process_ = nullptr, wait_ = nullptr;
    DWORD pid_ = 0;
    DWORD startedAt_ = 0;
    HWND wnd_ = nullptr;            // once ready
    yv::companion::Token token_{};  // this start's; a new one for every start
    bool stopping_ = false, gaveUp_ = false;
    RestartGate gate_;
    // What a (re)started companion is given: the last hook order and the last rule set.
    std::vector<std::uint8_t> hook_, set_;
};

}  // namespace yv::host::win
