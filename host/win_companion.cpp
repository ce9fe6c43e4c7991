#include "win_companion.h"

#include <memory>
#include <string>

#include "companionmsg.h"
#include "peerwire.h"
#include "win_hooks.h"
#include "win_host.h"

namespace yv::host::win {
namespace {

constexpr char kCompanionFile[] = "Yorvan2x86.exe";
constexpr DWORD kSendMs = 2000;  // an order the companion has not taken by then is lost
constexpr DWORD kEndMs = 2000;

HWND g_shell = nullptr;  // where the wait's callback posts the end; set before any wait

void CALLBACK OnProcessEnded(void* pid, BOOLEAN) {
    PostMessageA(g_shell, kMsgCompanionEnded, reinterpret_cast<WPARAM>(pid), 0);
}

}  // namespace

void PostCompanionOrder(HWND, std::vector<std::uint8_t> order) {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(std::move(order));
    PutShellOrder([bytes] { TheCompanion().OnOrder(*bytes); });
}

void Companion::Start(HWND shell, HWND input, const std::string& dir) {
    shell_ = g_shell = shell;
    input_ = input;
    // A 32-bit host serves 32-bit programs itself; 64-bit ones get the fallback.
    if constexpr (sizeof(void*) != 8) return;
    path_ = dir + kCompanionFile;
    if (GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Log("companion absent");
        path_.clear();
        return;
    }
    Launch();
}

bool Companion::Launch() {
    std::string cmd = "\"" + path_ + "\" " + std::to_string(reinterpret_cast<UINT_PTR>(input_)) +
                      " " + std::to_string(reinterpret_cast<UINT_PTR>(shell_));
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(path_.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
        Log("companion not started error=%lu", GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    startedAt_ = GetTickCount();
    if (!RegisterWaitForSingleObject(&wait_, process_, OnProcessEnded,
                                     reinterpret_cast<void*>(static_cast<UINT_PTR>(pid_)), INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        wait_ = nullptr;
        Log("companion not watched error=%lu", GetLastError());
    }
    Log("companion started pid=%lu", pid_);
    return true;
}

void Companion::Send(const std::vector<std::uint8_t>& order) {
    if (!wnd_ || order.empty()) return;
    COPYDATASTRUCT cds = {};
    cds.dwData = yv::companion::kOrderTag;
    cds.cbData = static_cast<DWORD>(order.size());
    cds.lpData = const_cast<std::uint8_t*>(order.data());
    DWORD_PTR done = 0;
    const LRESULT sent = SendMessageTimeoutA(wnd_, WM_COPYDATA, reinterpret_cast<WPARAM>(shell_),
                                             reinterpret_cast<LPARAM>(&cds),
                                             SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendMs, &done);
    if (!sent || done != 1) {
        Log("companion order %d not taken sent=%d answer=%d error=%lu", static_cast<int>(order[0]),
            static_cast<int>(sent), static_cast<int>(done), sent ? 0ul : GetLastError());
    }
}

void Companion::OnOrder(const std::vector<std::uint8_t>& bytes) {
    const std::vector<std::uint8_t>* order = &bytes;
    if (order->empty()) return;
    using yv::companion::Command;
    const auto command = static_cast<Command>((*order)[0]);
    // A restarted companion gets the hooks and the rules again; the thread of the window in
    // front it is given anew by the input thread.
    if (command == Command::kSet) set_ = *order;
    if (command == Command::kHook || command == Command::kUnhook) hook_ = *order;
    // The hooks put back from the menu: a companion given up on gets another chance.
    if (command == Command::kHook && gaveUp_ && !process_ && !stopping_) {
        gaveUp_ = false;
        gate_ = RestartGate();
        Launch();
    }
    Send(*order);
}

void Companion::OnReady(HWND wnd, DWORD pid) {
    if (pid != pid_ || !process_ || stopping_) return;
    wnd_ = wnd;
    Log("companion ready ms=%lu", GetTickCount() - startedAt_);
    Send(hook_);
    Send(set_);
    PutInputOrder([wnd] { CompanionChanged(wnd); });
}

void Companion::Forget() {
    if (wait_) UnregisterWait(wait_);
    wait_ = nullptr;
    if (process_) CloseHandle(process_);
    process_ = nullptr;
    pid_ = 0;
    if (wnd_) PutInputOrder([] { CompanionChanged(nullptr); });
    wnd_ = nullptr;
}

void Companion::OnEnded(DWORD pid) {
    if (pid != pid_ || !process_) return;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    const DWORD ran = GetTickCount() - startedAt_;
    Forget();
    if (stopping_) return;
    if (!gate_.Ended(ran)) {
        gaveUp_ = true;
        Log("companion ended code=%lu after ms=%lu, not restarted: it keeps ending", code, ran);
        return;
    }
    Log("companion ended code=%lu after ms=%lu, restarting", code, ran);
    Launch();
}

void Companion::Stop() {
    stopping_ = true;
    if (!process_) return;
    if (wnd_) PostMessageA(wnd_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, wnd_ ? kEndMs : 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 1);
        Log("companion terminated");
    } else {
        Log("companion ended");
    }
    Forget();
}

}  // namespace yv::host::win
