#include "titles.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "strutil.h"
#include "winlogic.h"
#include "wtext.h"
#include "yorvan2.h"

namespace yv::win {
namespace {

constexpr int kTitleBytes = 100;

constexpr UINT kPollMs = 200;

std::string g_latest;  // a program text
bool g_watching = false;

std::u16string TitleOf(HWND w) {
    wchar_t buf[512] = L"";
    const int n = GetWindowTextW(w, buf, static_cast<int>(std::size(buf)));
    return std::u16string(reinterpret_cast<const char16_t*>(buf), n > 0 ? n : 0);
}

void Record(HWND w) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process == GetCurrentProcessId()) return;  // the title is another program's
    const std::u16string title = TitleOf(w);
    const auto style = static_cast<std::uint32_t>(GetWindowLongW(w, GWL_STYLE));
    if (RecordsTitle(style, title)) g_latest = settings::TextFromUtf16(title);
}

// Both run in this thread's message loop, the boxes' loops included.
void CALLBACK OnForeground(HWINEVENTHOOK, DWORD, HWND w, LONG object, LONG, DWORD, DWORD) {
    if (w != nullptr && object == OBJID_WINDOW) Record(w);
}

// Not every system reports the front window's changes (Wine here does not): a look at it now
// and then finds the window the user brought forward, as the registration's notice asks.
// A window whose title changes in front (a file opened) is recorded with its new title.
void CALLBACK OnPoll(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND w = GetForegroundWindow()) Record(w);
}

// The library's record, in the system's code page as the window gave it.
std::string LibraryTitle() {
    char entry0[kTitleBytes + 1] = {};
    char entry1[kTitleBytes + 1] = {};
    char* out[2] = {entry0, entry1};
    getaplname(out);
    entry0[kTitleBytes] = '\0';
    wchar_t wide[kTitleBytes + 1] = L"";
    const int n = MultiByteToWideChar(CP_ACP, 0, entry0, -1, wide, kTitleBytes + 1);
    return n > 1 ? FromWide(wide, static_cast<size_t>(n - 1)) : std::string();
}

}  // namespace

void StartTitleWatch() {
    const bool events =
        SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnForeground, 0,
                        0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS) != nullptr;
    const bool looks = SetTimer(nullptr, 0, kPollMs, OnPoll) != 0;
    g_watching = events || looks;
}

void LatestTitles(char** out) {
    if (out == nullptr) return;
    std::string title = g_watching && !g_latest.empty() ? g_latest : LibraryTitle();
    title.resize(settings::CharBoundaryAtOrBefore(title, kTitleBytes));
    if (out[0] != nullptr) std::memcpy(out[0], title.c_str(), title.size() + 1);
    if (out[1] != nullptr) out[1][0] = '\0';
}

}  // namespace yv::win
