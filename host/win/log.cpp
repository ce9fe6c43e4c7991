// The log file, the shell thread's mailbox and what the input thread publishes.
#include "shellstate.h"

namespace yv::host::win::shell {

void WriteLogLine(const char* line, int n) {
    DWORD written = 0;
    WriteFile(g.log, line, static_cast<DWORD>(n), &written, nullptr);
}

// "/log FILE" appends a line for every state change (used by the tests and the demo).
void OpenLog(const char* cmdLine) {
    const char* p = std::strstr(cmdLine, "/log ");
    if (!p) return;
    p += 5;
    while (*p == ' ') ++p;
    std::string path;
    if (*p == '"') {
        const char* end = std::strchr(p + 1, '"');
        path.assign(p + 1, end ? end : p + std::strlen(p));
    } else {
        const char* end = std::strchr(p, ' ');
        path.assign(p, end ? end : p + std::strlen(p));
    }
    if (path.empty()) return;
    g.log = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace yv::host::win::shell

namespace yv::host::win::shell {
Shell g;
std::atomic<std::uint32_t> g_trayBits{0};
std::atomic<std::uint32_t> g_published{0};
std::atomic<bool> g_inputEnded{false};
yv::host::Mailbox g_orders;
}  // namespace yv::host::win::shell

namespace yv::host::win {

using namespace shell;

void Log(const char* fmt, ...) {
    if (g.log == INVALID_HANDLE_VALUE) return;
    char line[512];
    va_list args;
    va_start(args, fmt);
    int n = vsnprintf(line, sizeof line - 2, fmt, args);
    va_end(args);
    if (n < 0) return;
    if (n > static_cast<int>(sizeof line) - 3) n = sizeof line - 3;
    line[n++] = '\r';
    line[n++] = '\n';
    if (GetCurrentThreadId() == g.thread || !g.wnd) {
        WriteLogLine(line, n);
        return;
    }
    // Not on this thread: a file may wait.
    std::string copy(line, static_cast<std::size_t>(n));
    PutShellOrder([copy] { WriteLogLine(copy.data(), static_cast<int>(copy.size())); });
}

void PutShellOrder(std::function<void()> order) {
    g_orders.Put(std::move(order));
    if (g.wnd) PostMessageA(g.wnd, kMsgShellWake, 0, 0);
}

void PublishState(std::uint32_t bits) { g_published.store(bits); }
std::uint32_t PublishedState() { return g_published.load(); }
void SetInputEnded() { g_inputEnded.store(true); }

Companion& TheCompanion() { return g.companion; }

void SetTrayBits(bool iconOn, bool shown) {
    g_trayBits.store((iconOn ? kStateIconOn : 0) | (shown ? kStateTray : 0),
                     std::memory_order_relaxed);
}

std::uint32_t TrayBits() { return g_trayBits.load(std::memory_order_relaxed); }

}  // namespace yv::host::win
