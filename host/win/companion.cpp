#include "companion.h"

#include <cstring>
#include <memory>
#include <string>

#include "companionmsg.h"
#include "peerwire.h"
#include "hookthreads.h"
#include "host.h"

namespace yv::host::win {
namespace {

constexpr char kCompanionFile[] = "Yorvan2x86.exe";
constexpr DWORD kEndMs = 2000;

HWND g_shell = nullptr;  // where the wait's callback posts the end; set before any wait

void CALLBACK OnProcessEnded(void* pid, BOOLEAN) {
    PostMessageA(g_shell, kMsgCompanionEnded, reinterpret_cast<WPARAM>(pid), 0);
}

// The news the shell thread keeps for the input thread.
struct News {
    SRWLOCK lock = SRWLOCK_INIT;
    HWND wnd = nullptr;
    unsigned generation = 0, taken = 0;
    std::vector<DWORD> confirmed;
};
News g_news;

// Random bytes from the system's generator (RtlGenRandom); without it, what little a guesser
// cannot know.
yv::companion::Token NewToken() {
    yv::companion::Token t{};
    using GenFn = BOOLEAN(WINAPI*)(PVOID, ULONG);
    static const auto gen = reinterpret_cast<GenFn>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("advapi32.dll"), "SystemFunction036")));
    if (gen && gen(t.data(), static_cast<ULONG>(t.size()))) return t;
    Log("companion token without the system's generator");
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    const unsigned long long mix[2] = {
        static_cast<unsigned long long>(c.QuadPart) ^ GetTickCount64(),
        GetCurrentProcessId() * 0x9E3779B97F4A7C15ull ^ reinterpret_cast<UINT_PTR>(&t)};
    static_assert(sizeof mix == sizeof t);
    std::memcpy(t.data(), mix, sizeof mix);
    return t;
}

}  // namespace

CompanionNews TakeCompanionNews() {
    CompanionNews n;
    AcquireSRWLockExclusive(&g_news.lock);
    n.wnd = g_news.wnd;
    n.changed = g_news.generation != g_news.taken;
    g_news.taken = g_news.generation;
    n.confirmed.swap(g_news.confirmed);
    ReleaseSRWLockExclusive(&g_news.lock);
    return n;
}

void Companion::Tell(HWND wnd) {
    AcquireSRWLockExclusive(&g_news.lock);
    g_news.wnd = wnd;
    ++g_news.generation;
    // Threads the one before hooked are none of the next one's.
    g_news.confirmed.clear();
    ReleaseSRWLockExclusive(&g_news.lock);
    PostMessageA(input_, kMsgCompanion, 0, 0);
}

void Companion::TellHooked(DWORD thread) {
    AcquireSRWLockExclusive(&g_news.lock);
    if (g_news.confirmed.size() < 256) g_news.confirmed.push_back(thread);
    ReleaseSRWLockExclusive(&g_news.lock);
    PostMessageA(input_, kMsgCompanion, 0, 0);
}

void PostCompanionOrder(HWND, std::vector<std::uint8_t> order) {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(std::move(order));
    PutShellOrder([bytes] { TheCompanion().OnOrder(*bytes); });
}

void Companion::Start(HWND shell, HWND input, const std::string& dir) {
    shell_ = g_shell = shell;
    input_ = input;
    // A 32-bit host serves 32-bit programs itself; 64-bit ones get the fallback.
    if constexpr (sizeof(void*) != 8) return;
    // Kept when the file is missing: the hooks' reinstall looks for it again.
    path_ = dir + kCompanionFile;
    if (GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Log("companion absent");
        return;
    }
    Launch();
}

bool Companion::Launch() {
    token_ = NewToken();
    std::string cmd = "\"" + path_ + "\" " + std::to_string(reinterpret_cast<UINT_PTR>(input_)) +
                      " " + std::to_string(reinterpret_cast<UINT_PTR>(shell_)) + " " +
                      yv::companion::TokenText(token_);
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
    const std::vector<std::uint8_t> sealed = yv::companion::Seal(token_, order);
    COPYDATASTRUCT cds = {};
    cds.dwData = yv::companion::kOrderTag;
    cds.cbData = static_cast<DWORD>(sealed.size());
    cds.lpData = const_cast<std::uint8_t*>(sealed.data());
    DWORD_PTR done = 0;
    const DWORD t0 = GetTickCount();
    const LRESULT sent = SendMessageTimeoutA(wnd_, WM_COPYDATA, reinterpret_cast<WPARAM>(shell_),
                                             reinterpret_cast<LPARAM>(&cds),
                                             SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerMs, &done);
    const DWORD error = sent ? 0 : GetLastError();
    if (sent && done == 1) {
        yv::companion::Order o;
        if (order[0] == static_cast<std::uint8_t>(yv::companion::Command::kThread) &&
            yv::companion::Decode(order.data(), order.size(), o)) {
            TellHooked(o.thread);
        }
        return;
    }
    Log("companion order %d not taken sent=%d answer=%d error=%lu", static_cast<int>(order[0]),
        static_cast<int>(sent), static_cast<int>(done), error);
    // No answer from a companion that still runs: it hangs (or is stopped). Its hooks may be
    // stuck with it; ended, it is started again like one that died.
    if (!sent && process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        Log("companion not answering after ms=%lu: ending it", GetTickCount() - t0);
        TerminateProcess(process_, 2);
        wnd_ = nullptr;
        Tell(nullptr);
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
    // The hooks put back: a companion not running gets another chance when its file is there
    // (put back since, or given up on).
    if (command == Command::kHook && !process_ && !stopping_ && !path_.empty() &&
        GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Log("companion started again by the hooks' reinstall%s",
            gaveUp_ ? " (it had been given up)" : "");
        gaveUp_ = false;
        gate_ = RestartGate();
        Launch();
    }
    Send(*order);
}

void Companion::OnReady(HWND wnd, DWORD pid) {
    // Another program may post this too: the window must be one of the process we started.
    DWORD owner = 0;
    if (pid != pid_ || !process_ || stopping_ || !wnd || !GetWindowThreadProcessId(wnd, &owner) ||
        owner != pid_) {
        return;
    }
    wnd_ = wnd;
    Log("companion ready ms=%lu", GetTickCount() - startedAt_);
    Send(hook_);
    Send(set_);
    if (wnd_) Tell(wnd_);
}

void Companion::Forget() {
    if (wait_) UnregisterWait(wait_);
    wait_ = nullptr;
    if (process_) CloseHandle(process_);
    process_ = nullptr;
    pid_ = 0;
    if (wnd_) Tell(nullptr);
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
