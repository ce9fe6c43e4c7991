// The 32-bit companion (Yorvan2x86.exe) beside a 64-bit host, kept on the shell thread: started
// with the host, handed every order the input thread gives its own library, restarted when it
// dies, ended with the host. The input thread hears through its mailbox whether one runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frontservice.h"

namespace yv::host::win {

// To the shell window: the end of the companion's process (wParam: its process id).
constexpr UINT kMsgCompanionEnded = WM_APP + 13;

// From the input thread: hands an order to the shell thread (its mailbox), which passes it on.
void PostCompanionOrder(HWND shell, std::vector<std::uint8_t> order);

class Companion;
// The shell thread's companion.
Companion& TheCompanion();

class Companion {
  public:
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

    HWND shell_ = nullptr, input_ = nullptr;
    std::string path_;
    HANDLE process_ = nullptr, wait_ = nullptr;
    DWORD pid_ = 0;
    DWORD startedAt_ = 0;
    HWND wnd_ = nullptr;  // once ready
    bool stopping_ = false, gaveUp_ = false;
    RestartGate gate_;
    // What a (re)started companion is given: the last hook order and the last rule set.
    std::vector<std::uint8_t> hook_, set_;
};

}  // namespace yv::host::win
