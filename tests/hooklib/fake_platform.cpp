#include "fake_platform.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "hooklib.h"

namespace yv::fake {

namespace {

struct Block {
    std::vector<char> bytes;
    bool ownedByClipboard = false;
};

struct State {
    std::vector<std::string> log;
    std::int16_t keyState[256]{};
    std::int16_t asyncState[256]{};
    std::uint8_t keyboard[256]{};
    std::map<char, std::int16_t> vkScan;
    std::map<std::uint32_t, std::uint32_t> scanToVk;
    LParam extraInfo = 0;
    bool imeOpen = false;
    bool failOpenClipboard = false, failGlobalAlloc = false, failGlobalLock = false,
         failSetClipboardData = false;
    bool clipboardOpen = false;
    std::map<std::uintptr_t, Block> blocks;
    std::uintptr_t nextBlock = 0x5000;
    std::uintptr_t clipboardBlock = 0;
    std::uintptr_t clipboardBlockW = 0;  // CF_UNICODETEXT
    std::map<int, Hhook> hookResults;
    int hookCalls = 0;
    int failHookCall = 0;
    OsVersionInfoA version{};
    bool failVersion = false;
    Hmodule loadLibrary = nullptr;
    std::map<std::string, void*> procs;
    std::map<Hwnd, std::int32_t> styles;
    std::map<Hwnd, std::string> titles;
    std::map<Hwnd, std::u16string> titlesW;
    Hwnd desktop = nullptr;
    std::map<Hwnd, std::uint32_t> processes;
    LResult pasteOffer = 0;
    std::uint32_t tick = 0;
    std::uint32_t sendInputLimit = ~0u;
    std::map<std::uint32_t, ThreadFacts> threads;
    std::map<std::uintptr_t, std::uint32_t> threadHandles;  // open handle -> thread id
    std::uintptr_t nextThreadHandle = 0x7000;
};

std::mutex g_mutex;
State g_state;
std::atomic<bool> g_recording{true};

// Scan code set 1 of a Japanese 106/109 keyboard (what MapVirtualKeyA(scan, 1) gives there).
constexpr std::pair<std::uint32_t, std::uint32_t> kScanTable[] = {
    {0x01, 27},   {0x02, '1'},  {0x03, '2'},  {0x04, '3'},  {0x05, '4'},  {0x06, '5'},  {0x07, '6'},
    {0x08, '7'},  {0x09, '8'},  {0x0A, '9'},  {0x0B, '0'},  {0x0C, 0xBD}, {0x0D, 0xDE}, {0x0E, 8},
    {0x0F, 9},    {0x10, 'Q'},  {0x11, 'W'},  {0x12, 'E'},  {0x13, 'R'},  {0x14, 'T'},  {0x15, 'Y'},
    {0x16, 'U'},  {0x17, 'I'},  {0x18, 'O'},  {0x19, 'P'},  {0x1A, 0xC0}, {0x1B, 0xDB}, {0x1C, 13},
    {0x1D, 17},   {0x1E, 'A'},  {0x1F, 'S'},  {0x20, 'D'},  {0x21, 'F'},  {0x22, 'G'},  {0x23, 'H'},
    {0x24, 'J'},  {0x25, 'K'},  {0x26, 'L'},  {0x27, 0xBB}, {0x28, 0xBA}, {0x29, 0xF3}, {0x2A, 16},
    {0x2B, 0xDD}, {0x2C, 'Z'},  {0x2D, 'X'},  {0x2E, 'C'},  {0x2F, 'V'},  {0x30, 'B'},  {0x31, 'N'},
    {0x32, 'M'},  {0x33, 0xBC}, {0x34, 0xBE}, {0x35, 0xBF}, {0x36, 16},   {0x37, 106},  {0x38, 18},
    {0x39, 32},   {0x3A, 20},   {0x3B, 112},  {0x3C, 113},  {0x3D, 114},  {0x3E, 115},  {0x3F, 116},
    {0x40, 117},  {0x41, 118},  {0x42, 119},  {0x43, 120},  {0x44, 121},  {0x45, 144},  {0x46, 145},
    {0x47, 36},   {0x48, 38},   {0x49, 33},   {0x4A, 109},  {0x4B, 37},   {0x4C, 12},   {0x4D, 39},
    {0x4E, 107},  {0x4F, 35},   {0x50, 40},   {0x51, 34},   {0x52, 45},   {0x53, 46},   {0x57, 122},
    {0x58, 123},  {0x70, 0xF2}, {0x73, 0xE2}, {0x79, 28},   {0x7B, 29},   {0x7D, 0xDC},
};

void ResetLocked() {
    g_state = State{};
    for (auto [scan, vk] : kScanTable) g_state.scanToVk[scan] = vk;
    for (int i = 0; i < 26; ++i) {
        g_state.vkScan[static_cast<char>('a' + i)] = static_cast<std::int16_t>('A' + i);
        g_state.vkScan[static_cast<char>('A' + i)] = static_cast<std::int16_t>(0x100 | ('A' + i));
    }
    for (char c = '0'; c <= '9'; ++c) g_state.vkScan[c] = c;
    g_state.vkScan[' '] = ' ';
    for (int id : {win::WH_KEYBOARD, win::WH_GETMESSAGE, win::WH_CBT, win::WH_KEYBOARD_LL})
        g_state.hookResults[id] = reinterpret_cast<Hhook>(static_cast<std::uintptr_t>(0x1000 + id));
    g_state.version.dwOSVersionInfoSize = sizeof(OsVersionInfoA);
    g_state.version.dwPlatformId = 2;
    g_state.version.dwMajorVersion = 6;
    g_state.version.dwMinorVersion = 1;
    g_state.version.dwBuildNumber = 7601;
    std::strcpy(g_state.version.szCSDVersion, "Service Pack 1");
    g_state.loadLibrary = kDefaultUser32;
    g_state.procs["ChangeWindowMessageFilter"] = kDefaultFilterProc;
    g_state.desktop = kDefaultDesktop;
    g_process.processId = kOwnProcess;
}

struct Init {
    Init() { ResetLocked(); }
} g_init;

void Record(std::string line) {
    if (g_recording.load(std::memory_order_relaxed)) g_state.log.push_back(std::move(line));
}

std::string Num(std::intmax_t v) { return std::to_string(v); }

std::string HexU(std::uintptr_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%jx", static_cast<std::uintmax_t>(v));
    return buf;
}

std::string HandleText(const void* p) {
    return p ? HexU(reinterpret_cast<std::uintptr_t>(p)) : std::string("0");
}

std::string LParamText(LParam v) {
    if (v >= -0xFFFF && v <= 0xFFFF) return Num(v);
    return HexU(static_cast<std::uintptr_t>(v));
}

std::string Quote(const char* s) {
    if (!s) return "null";
    std::string out = "\"";
    for (; *s; ++s) {
        const auto c = static_cast<unsigned char>(*s);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string ScanText(std::uint32_t scan) { return scan ? HexU(scan) : std::string("0"); }

std::string HookTypeName(int id) {
    switch (id) {
        case win::WH_KEYBOARD:
            return "WH_KEYBOARD";
        case win::WH_GETMESSAGE:
            return "WH_GETMESSAGE";
        case win::WH_CBT:
            return "WH_CBT";
        case win::WH_KEYBOARD_LL:
            return "WH_KEYBOARD_LL";
        default:
            return Num(id);
    }
}

std::string HookProcName(HookProcId id) {
    switch (id) {
        case HookProcId::Message:
            return "MessageHookProc";
        case HookProcId::Keyboard:
            return "KbdHookProc";
        case HookProcId::KeyboardLL:
            return "KbdLLHookProc";
        case HookProcId::Cbt:
            return "CbtHookProc";
    }
    return "?";
}

std::string Call(const char* name, std::initializer_list<std::string> args) {
    std::string s = name;
    s += '(';
    bool first = true;
    for (const auto& a : args) {
        if (!first) s += ", ";
        s += a;
        first = false;
    }
    return s + ')';
}

}  // namespace

std::string Hex(std::uintptr_t value) { return HexU(value); }

std::string MessageName(std::uint32_t msg) {
    switch (msg) {
        case win::WM_NULL:
            return "WM_NULL";
        case win::WM_CONTEXTMENU:
            return "WM_CONTEXTMENU";
        case win::WM_KEYDOWN:
            return "WM_KEYDOWN";
        case win::WM_KEYUP:
            return "WM_KEYUP";
        case win::WM_CHAR:
            return "WM_CHAR";
        case win::WM_SYSKEYDOWN:
            return "WM_SYSKEYDOWN";
        case win::WM_SYSKEYUP:
            return "WM_SYSKEYUP";
        case win::WM_SYSCOMMAND:
            return "WM_SYSCOMMAND";
        case win::WM_TIMER:
            return "WM_TIMER";
        case win::WM_RBUTTONDOWN:
            return "WM_RBUTTONDOWN";
        case win::WM_CUT:
            return "WM_CUT";
        case win::WM_COPY:
            return "WM_COPY";
        case win::WM_PASTE:
            return "WM_PASTE";
        case win::WM_CLEAR:
            return "WM_CLEAR";
        case win::WM_UNDO:
            return "WM_UNDO";
        default:
            return HexU(msg);
    }
}

void SetThread(std::uint32_t id, const ThreadFacts& facts) {
    std::lock_guard lock(g_mutex);
    g_state.threads[id] = facts;
}

int OpenThreadHandles() {
    std::lock_guard lock(g_mutex);
    return static_cast<int>(g_state.threadHandles.size());
}

void Reset() {
    std::lock_guard lock(g_mutex);
    ResetLocked();
    g_recording = true;
}

std::vector<std::string> Log() {
    std::lock_guard lock(g_mutex);
    return g_state.log;
}

void ClearLog() {
    std::lock_guard lock(g_mutex);
    g_state.log.clear();
}

void SetRecording(bool on) { g_recording = on; }

void SetKeyState(int vk, std::int16_t state) {
    std::lock_guard lock(g_mutex);
    g_state.keyState[vk & 0xFF] = state;
}

void SetAsyncKeyState(int vk, std::int16_t state) {
    std::lock_guard lock(g_mutex);
    g_state.asyncState[vk & 0xFF] = state;
}

void SetKeyboardStateBytes(const std::uint8_t* state256) {
    std::lock_guard lock(g_mutex);
    std::memcpy(g_state.keyboard, state256, 256);
}

std::vector<std::uint8_t> KeyboardStateBytes() {
    std::lock_guard lock(g_mutex);
    return {g_state.keyboard, g_state.keyboard + 256};
}

void SetVkKeyScan(char ch, std::int16_t result) {
    std::lock_guard lock(g_mutex);
    g_state.vkScan[ch] = result;
}

void SetScanToVk(std::uint32_t scan, std::uint32_t vk) {
    std::lock_guard lock(g_mutex);
    g_state.scanToVk[scan] = vk;
}

void SetMessageExtraInfo(LParam extra) {
    std::lock_guard lock(g_mutex);
    g_state.extraInfo = extra;
}

void SetSendInputLimit(std::uint32_t n) {
    std::lock_guard lock(g_mutex);
    g_state.sendInputLimit = n;
}

void SetTickCount(std::uint32_t tick) {
    std::lock_guard lock(g_mutex);
    g_state.tick = tick;
}

void SetImeOpen(bool open) {
    std::lock_guard lock(g_mutex);
    g_state.imeOpen = open;
}

void SetPasteOfferAnswer(LResult answer) {
    std::lock_guard lock(g_mutex);
    g_state.pasteOffer = answer;
}

void FailOpenClipboard(bool fail) {
    std::lock_guard lock(g_mutex);
    g_state.failOpenClipboard = fail;
}

void FailGlobalAlloc(bool fail) {
    std::lock_guard lock(g_mutex);
    g_state.failGlobalAlloc = fail;
}

void FailGlobalLock(bool fail) {
    std::lock_guard lock(g_mutex);
    g_state.failGlobalLock = fail;
}

void FailSetClipboardData(bool fail) {
    std::lock_guard lock(g_mutex);
    g_state.failSetClipboardData = fail;
}

std::u16string ClipboardTextW() {
    std::lock_guard lock(g_mutex);
    auto it = g_state.blocks.find(g_state.clipboardBlockW);
    if (it == g_state.blocks.end()) return {};
    const auto& b = it->second.bytes;
    std::u16string out;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        const auto u = static_cast<char16_t>(static_cast<unsigned char>(b[i]) |
                                             static_cast<unsigned char>(b[i + 1]) << 8);
        if (u == u'\0') break;
        out += u;
    }
    return out;
}

std::string ClipboardText() {
    std::lock_guard lock(g_mutex);
    auto it = g_state.blocks.find(g_state.clipboardBlock);
    if (it == g_state.blocks.end()) return {};
    const auto& b = it->second.bytes;
    return std::string(b.begin(), std::find(b.begin(), b.end(), '\0'));
}

int LiveGlobalBlocks() {
    std::lock_guard lock(g_mutex);
    int n = 0;
    for (const auto& [h, b] : g_state.blocks) n += !b.ownedByClipboard;
    return n;
}

void SetHookResult(int idHook, Hhook result) {
    std::lock_guard lock(g_mutex);
    g_state.hookResults[idHook] = result;
}

void FailNthHook(int n) {
    std::lock_guard lock(g_mutex);
    g_state.failHookCall = n;
}

void SetVersionInfo(const OsVersionInfoA& info) {
    std::lock_guard lock(g_mutex);
    g_state.version = info;
}

void FailGetVersion(bool fail) {
    std::lock_guard lock(g_mutex);
    g_state.failVersion = fail;
}

void SetLoadLibraryResult(Hmodule module) {
    std::lock_guard lock(g_mutex);
    g_state.loadLibrary = module;
}

void SetProcAddressResult(const std::string& name, void* proc) {
    std::lock_guard lock(g_mutex);
    g_state.procs[name] = proc;
}

void SetWindowStyle(Hwnd w, std::int32_t style) {
    std::lock_guard lock(g_mutex);
    g_state.styles[w] = style;
}

void SetWindowTitle(Hwnd w, const std::string& title) {
    std::lock_guard lock(g_mutex);
    g_state.titles[w] = title;
}

void SetWindowTitleW(Hwnd w, const std::u16string& title) {
    std::lock_guard lock(g_mutex);
    g_state.titlesW[w] = title;
}

void SetDesktopWindow(Hwnd w) {
    std::lock_guard lock(g_mutex);
    g_state.desktop = w;
}

void SetWindowProcess(Hwnd w, std::uint32_t processId) {
    std::lock_guard lock(g_mutex);
    g_state.processes[w] = processId;
}

}  // namespace yv::fake

// The seam itself.
namespace yv::plat {

using namespace yv::fake;
using yv::fake::g_mutex;
using yv::fake::g_state;

LResult CallNextHookEx(Hhook hook, int code, WParam wParam, LParam lParam) {
    std::lock_guard lock(g_mutex);
    Record(Call("CallNextHookEx", {HandleText(hook), Num(code),
                                   Num(static_cast<std::intmax_t>(wParam)), LParamText(lParam)}));
    return kNextHookResult;
}

Hhook SetWindowsHookExA(int idHook, HookProcId proc, Hinstance instance, std::uint32_t threadId) {
    std::lock_guard lock(g_mutex);
    Record(Call("SetWindowsHookExA",
                {HookTypeName(idHook), HookProcName(proc), HandleText(instance), Num(threadId)}));
    if (++g_state.hookCalls == g_state.failHookCall) return nullptr;
    auto it = g_state.hookResults.find(idHook);
    return it == g_state.hookResults.end() ? nullptr : it->second;
}

int UnhookWindowsHookEx(Hhook hook) {
    std::lock_guard lock(g_mutex);
    Record(Call("UnhookWindowsHookEx", {HandleText(hook)}));
    return 1;
}

LResult SendMessageA(Hwnd w, std::uint32_t msg, WParam wParam, LParam lParam) {
    std::lock_guard lock(g_mutex);
    if (msg == win::WM_RBUTTONDOWN && lParam == NOTIFY_PASTE) {
        // The offer of a paste carries the text.
        Record(Call("SendMessageA", {HandleText(w), MessageName(msg),
                                     Quote(reinterpret_cast<const char*>(wParam)), Num(lParam)}));
        return g_state.pasteOffer;
    }
    Record(Call("SendMessageA", {HandleText(w), MessageName(msg),
                                 Num(static_cast<std::intmax_t>(wParam)), LParamText(lParam)}));
    return 0;
}

LResult SendMessageW(Hwnd w, std::uint32_t msg, WParam wParam, LParam lParam) {
    std::lock_guard lock(g_mutex);
    Record(Call("SendMessageW", {HandleText(w), MessageName(msg),
                                 Num(static_cast<std::intmax_t>(wParam)), LParamText(lParam)}));
    return 0;
}

int PostMessageA(Hwnd w, std::uint32_t msg, WParam wParam, LParam lParam) {
    std::lock_guard lock(g_mutex);
    Record(Call("PostMessageA", {HandleText(w), MessageName(msg),
                                 Num(static_cast<std::intmax_t>(wParam)), LParamText(lParam)}));
    return 1;
}

int PostThreadMessageA(std::uint32_t thread, std::uint32_t msg, WParam wParam, LParam lParam) {
    std::lock_guard lock(g_mutex);
    Record(
        Call("PostThreadMessageA", {Num(thread), MessageName(msg),
                                    Num(static_cast<std::intmax_t>(wParam)), LParamText(lParam)}));
    return 1;
}

// The thread the hooks run on: answered, not logged.
std::uint32_t GetCurrentThreadId() { return kHookThread; }

int MessageBoxA(Hwnd owner, const char* text, const char* caption, std::uint32_t type) {
    std::lock_guard lock(g_mutex);
    Record(Call("MessageBoxA", {HandleText(owner), Quote(text), Quote(caption), Num(type)}));
    return 1;
}

Hwnd GetDesktopWindow() {
    std::lock_guard lock(g_mutex);
    Record("GetDesktopWindow()");
    return g_state.desktop;
}

std::int32_t GetWindowLongA(Hwnd w, int index) {
    std::lock_guard lock(g_mutex);
    Record(Call("GetWindowLongA", {HandleText(w), Num(index)}));
    if (index != win::GWL_STYLE) return 0;
    auto it = g_state.styles.find(w);
    return it == g_state.styles.end() ? 0 : it->second;
}

int GetWindowTextA(Hwnd w, char* buffer, int maxCount) {
    std::lock_guard lock(g_mutex);
    Record(Call("GetWindowTextA", {HandleText(w), Num(maxCount)}));
    if (!buffer || maxCount <= 0) return 0;
    auto it = g_state.titles.find(w);
    const std::string title = it == g_state.titles.end() ? std::string() : it->second;
    const int n = std::min(static_cast<int>(title.size()), maxCount - 1);
    std::memcpy(buffer, title.data(), static_cast<std::size_t>(n));
    buffer[n] = '\0';
    return n;
}

std::u16string Utf16(const std::string& shiftJis);

int GetWindowTextW(Hwnd w, char16_t* buffer, int maxCount) {
    std::lock_guard lock(g_mutex);
    Record(Call("GetWindowTextW", {HandleText(w), Num(maxCount)}));
    if (!buffer || maxCount <= 0) return 0;
    std::u16string title;
    if (auto it = g_state.titlesW.find(w); it != g_state.titlesW.end()) {
        title = it->second;
    } else if (auto at = g_state.titles.find(w); at != g_state.titles.end()) {
        title = Utf16(at->second);
    }
    const int n = std::min(static_cast<int>(title.size()), maxCount - 1);
    std::memcpy(buffer, title.data(), static_cast<std::size_t>(n) * 2);
    buffer[n] = u'\0';
    return n;
}

std::uint32_t GetWindowThreadProcessId(Hwnd w, std::uint32_t* processId) {
    std::lock_guard lock(g_mutex);
    auto it = g_state.processes.find(w);
    const std::uint32_t pid = !w ? 0 : it == g_state.processes.end() ? kOwnProcess : it->second;
    if (processId) *processId = pid;
    return pid == 0 ? 0 : pid + 1;
}

namespace {
// UTF-16 units in Shift-JIS, for the log (the tests' own texts are Shift-JIS); a unit Shift-JIS
// lacks (a half of a surrogate pair among them) as <hex>.
std::string ShiftJis(const std::vector<std::uint16_t>& units) {
    iconv_t cd = iconv_open("CP932", "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return "?";
    std::string out;
    for (std::uint16_t u : units) {
        char in[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        char buf[8];
        char* inp = in;
        char* outp = buf;
        std::size_t inLeft = 2, outLeft = sizeof buf;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if ((u >= 0xD800 && u <= 0xDFFF) ||
            iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1)) {
            std::snprintf(buf, sizeof buf, "<%04x>", u);
            out += buf;
        } else {
            out.append(buf, sizeof buf - outLeft);
        }
    }
    iconv_close(cd);
    return out;
}
}  // namespace

// Shift-JIS bytes read by code page 932.
std::u16string Utf16(const std::string& shiftJis) {
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string in = shiftJis;
    char* inp = in.data();
    std::size_t inLeft = in.size();
    std::vector<char> out(in.size() * 2 + 2);
    char* outp = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    std::u16string units;
    for (std::size_t i = 0; i + 1 < out.size() - outLeft; i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(out[i]) |
                                       static_cast<unsigned char>(out[i + 1]) << 8);
    return units;
}

std::uint32_t SendInput(std::uint32_t count, const KeybdInput* inputs) {
    std::lock_guard lock(g_mutex);
    // Unicode taps (a key-down and its key-up, marked as ours) are logged as their text.
    std::vector<std::uint16_t> taps;
    bool allTaps = count % 2 == 0;
    for (std::uint32_t i = 0; allTaps && i < count; i += 2) {
        const KeybdInput &d = inputs[i], &u = inputs[i + 1];
        allTaps = d.dwFlags == win::KEYEVENTF_UNICODE &&
                  u.dwFlags == (win::KEYEVENTF_UNICODE | win::KEYEVENTF_KEYUP) &&
                  d.wScan == u.wScan && d.wVk == 0 && u.wVk == 0 && d.dwExtraInfo == kOwnInput &&
                  u.dwExtraInfo == kOwnInput;
        taps.push_back(d.wScan);
    }
    if (allTaps) {
        Record("SendInput(unicode \"" + ShiftJis(taps) + "\", own)");
    } else {
        std::string args;
        for (std::uint32_t i = 0; i < count; ++i)
            args += (i ? ", " : "") + Num(inputs[i].wVk) + "/" + HexU(inputs[i].wScan) + "/" +
                    HexU(inputs[i].dwFlags);
        Record("SendInput(" + args + ")");
    }
    return count < g_state.sendInputLimit ? count : g_state.sendInputLimit;
}

// Asked on every low-level key event: answered, not logged.
std::uint32_t GetTickCount() {
    std::lock_guard lock(g_mutex);
    return g_state.tick;
}

int MultiByteToWideChar(std::uint32_t codePage, const char* bytes, int byteCount, char16_t* units,
                        int unitCount) {
    if (codePage != 932 || !bytes || byteCount <= 0 || !units || unitCount <= 0) return 0;
    const std::u16string wide = Utf16(std::string(bytes, static_cast<std::size_t>(byteCount)));
    const int n = std::min(static_cast<int>(wide.size()), unitCount);
    std::memcpy(units, wide.data(), static_cast<std::size_t>(n) * 2);
    return n;
}

int WideCharToMultiByte(std::uint32_t codePage, const char16_t* units, int unitCount, char* bytes,
                        int byteCount) {
    std::lock_guard lock(g_mutex);
    Record(Call("WideCharToMultiByte", {Num(codePage), Num(unitCount), Num(byteCount)}));
    if (codePage != 932 || !units || unitCount <= 0 || !bytes || byteCount <= 0) return 0;
    // Unit by unit, so that what code page 932 lacks becomes '?', as the system's default
    // character.
    std::string out;
    for (int i = 0; i < unitCount; ++i) {
        const std::string one = ShiftJis({static_cast<std::uint16_t>(units[i])});
        out += one.empty() || one[0] == '<' ? std::string("?") : one;
    }
    if (static_cast<int>(out.size()) > byteCount) return 0;  // the system fails, too small
    std::memcpy(bytes, out.data(), out.size());
    return static_cast<int>(out.size());
}

void keybd_event(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags, std::uintptr_t extra) {
    std::lock_guard lock(g_mutex);
    std::string f = flags == 0                      ? "0"
                    : flags == win::KEYEVENTF_KEYUP ? "KEYEVENTF_KEYUP"
                                                    : HexU(flags);
    Record(Call("keybd_event", {Num(vk), ScanText(scan), f,
                                extra == kOwnInput ? std::string("own")
                                                   : Num(static_cast<std::intmax_t>(extra))}));
}

std::int16_t GetKeyState(int vk) {
    std::lock_guard lock(g_mutex);
    Record(Call("GetKeyState", {Num(vk)}));
    return g_state.keyState[vk & 0xFF];
}

std::int16_t GetAsyncKeyState(int vk) {
    std::lock_guard lock(g_mutex);
    Record(Call("GetAsyncKeyState", {Num(vk)}));
    return g_state.asyncState[vk & 0xFF];
}

int GetKeyboardState(std::uint8_t* state256) {
    std::lock_guard lock(g_mutex);
    Record("GetKeyboardState()");
    if (!state256) return 0;
    std::memcpy(state256, g_state.keyboard, 256);
    return 1;
}

int SetKeyboardState(std::uint8_t* state256) {
    std::lock_guard lock(g_mutex);
    Record("SetKeyboardState()");
    if (!state256) return 0;
    std::memcpy(g_state.keyboard, state256, 256);
    return 1;
}

std::uint32_t MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) {
    std::lock_guard lock(g_mutex);
    Record(Call("MapVirtualKeyA", {HexU(code), Num(mapType)}));
    if (mapType != win::MAPVK_VSC_TO_VK) return 0;
    auto it = g_state.scanToVk.find(code);
    return it == g_state.scanToVk.end() ? 0 : it->second;
}

std::int16_t VkKeyScanA(char ch) {
    std::lock_guard lock(g_mutex);
    Record(Call("VkKeyScanA", {Num(static_cast<unsigned char>(ch))}));
    auto it = g_state.vkScan.find(ch);
    return it == g_state.vkScan.end() ? static_cast<std::int16_t>(-1) : it->second;
}

std::int16_t VkKeyScanW(char16_t ch) {
    std::lock_guard lock(g_mutex);
    Record(Call("VkKeyScanW", {Num(ch)}));
    if (ch >= 0x80) return static_cast<std::int16_t>(-1);
    auto it = g_state.vkScan.find(static_cast<char>(ch));
    return it == g_state.vkScan.end() ? static_cast<std::int16_t>(-1) : it->second;
}

LParam GetMessageExtraInfo() {
    std::lock_guard lock(g_mutex);
    return g_state.extraInfo;
}

int OpenClipboard(Hwnd owner) {
    std::lock_guard lock(g_mutex);
    Record(Call("OpenClipboard", {HandleText(owner)}));
    if (g_state.failOpenClipboard) return 0;
    g_state.clipboardOpen = true;
    return 1;
}

int EmptyClipboard() {
    std::lock_guard lock(g_mutex);
    Record("EmptyClipboard()");
    if (!g_state.clipboardOpen) return 0;
    g_state.blocks.erase(g_state.clipboardBlock);
    g_state.blocks.erase(g_state.clipboardBlockW);
    g_state.clipboardBlock = 0;
    g_state.clipboardBlockW = 0;
    return 1;
}

Handle SetClipboardData(std::uint32_t format, Handle memory) {
    std::lock_guard lock(g_mutex);
    Record(Call("SetClipboardData", {Num(format), HandleText(memory)}));
    auto it = g_state.blocks.find(reinterpret_cast<std::uintptr_t>(memory));
    if (g_state.failSetClipboardData || !g_state.clipboardOpen || it == g_state.blocks.end())
        return nullptr;
    it->second.ownedByClipboard = true;
    if (format == win::CF_TEXT) g_state.clipboardBlock = it->first;
    if (format == win::CF_UNICODETEXT) g_state.clipboardBlockW = it->first;
    return memory;
}

int CloseClipboard() {
    std::lock_guard lock(g_mutex);
    Record("CloseClipboard()");
    const bool wasOpen = g_state.clipboardOpen;
    g_state.clipboardOpen = false;
    return wasOpen;
}

Himc ImmGetContext(Hwnd w) {
    std::lock_guard lock(g_mutex);
    Record(Call("ImmGetContext", {HandleText(w)}));
    return kDefaultImc;
}

int ImmGetOpenStatus(Himc context) {
    std::lock_guard lock(g_mutex);
    Record(Call("ImmGetOpenStatus", {HandleText(context)}));
    return context && g_state.imeOpen;
}

int ImmReleaseContext(Hwnd w, Himc context) {
    std::lock_guard lock(g_mutex);
    Record(Call("ImmReleaseContext", {HandleText(w), HandleText(context)}));
    return 1;
}

int lstrlenA(const char* s) {
    std::lock_guard lock(g_mutex);
    Record(Call("lstrlenA", {Quote(s)}));
    return s ? static_cast<int>(std::strlen(s)) : 0;
}

Hglobal GlobalAlloc(std::uint32_t flags, std::size_t bytes) {
    std::lock_guard lock(g_mutex);
    Record(Call("GlobalAlloc", {HexU(flags), Num(static_cast<std::intmax_t>(bytes))}));
    if (g_state.failGlobalAlloc) return nullptr;
    const std::uintptr_t h = g_state.nextBlock;
    g_state.nextBlock += 0x10;
    // Not zero-filled unless asked, so a missing terminator shows.
    Block b;
    b.bytes.assign(bytes, (flags & win::GMEM_ZEROINIT) ? '\0' : '\xCD');
    g_state.blocks[h] = std::move(b);
    return reinterpret_cast<Hglobal>(h);
}

void* GlobalLock(Hglobal memory) {
    std::lock_guard lock(g_mutex);
    Record(Call("GlobalLock", {HandleText(memory)}));
    auto it = g_state.blocks.find(reinterpret_cast<std::uintptr_t>(memory));
    if (g_state.failGlobalLock || it == g_state.blocks.end()) return nullptr;
    return it->second.bytes.data();
}

int GlobalUnlock(Hglobal memory) {
    std::lock_guard lock(g_mutex);
    Record(Call("GlobalUnlock", {HandleText(memory)}));
    return 0;
}

Hglobal GlobalFree(Hglobal memory) {
    std::lock_guard lock(g_mutex);
    Record(Call("GlobalFree", {HandleText(memory)}));
    auto it = g_state.blocks.find(reinterpret_cast<std::uintptr_t>(memory));
    // Failure for unknown, freed and clipboard-owned memory.
    if (it == g_state.blocks.end() || it->second.ownedByClipboard) return memory;
    g_state.blocks.erase(it);  // keeps long runs small; handles are never reused
    return nullptr;
}

int GetVersionExA(OsVersionInfoA* info) {
    std::lock_guard lock(g_mutex);
    Record(Call("GetVersionExA", {info ? Num(info->dwOSVersionInfoSize) : std::string("null")}));
    if (g_state.failVersion || !info || info->dwOSVersionInfoSize != sizeof(OsVersionInfoA))
        return 0;
    *info = g_state.version;
    info->dwOSVersionInfoSize = sizeof(OsVersionInfoA);
    return 1;
}

Hmodule LoadLibraryA(const char* name) {
    std::lock_guard lock(g_mutex);
    Record(Call("LoadLibraryA", {Quote(name)}));
    return g_state.loadLibrary;
}

void* GetProcAddress(Hmodule module, const char* name) {
    std::lock_guard lock(g_mutex);
    Record(Call("GetProcAddress", {HandleText(module), Quote(name)}));
    if (!module || !name) return nullptr;
    auto it = g_state.procs.find(name);
    return it == g_state.procs.end() ? nullptr : it->second;
}

int FreeLibrary(Hmodule module) {
    std::lock_guard lock(g_mutex);
    Record(Call("FreeLibrary", {HandleText(module)}));
    return module != nullptr;
}

Handle OpenThread(std::uint32_t access, int inheritHandle, std::uint32_t threadId) {
    std::lock_guard lock(g_mutex);
    Record(Call("OpenThread", {HexU(access), Num(inheritHandle), Num(threadId)}));
    auto it = g_state.threads.find(threadId);
    if (threadId == 0 || (it != g_state.threads.end() && !it->second.exists)) return nullptr;
    const std::uintptr_t h = g_state.nextThreadHandle++;
    g_state.threadHandles[h] = threadId;
    return reinterpret_cast<Handle>(h);
}

namespace {
// The thread behind an open handle; false for a handle that is not one.
bool ThreadOf(Handle h, fake::ThreadFacts& out) {
    auto it = g_state.threadHandles.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == g_state.threadHandles.end()) return false;
    auto t = g_state.threads.find(it->second);
    out =
        t != g_state.threads.end() ? t->second : fake::ThreadFacts{fake::DefaultBirth(it->second)};
    return true;
}
}  // namespace

int GetThreadTimes(Handle thread, std::uint64_t* creation, std::uint64_t* exit,
                   std::uint64_t* kernel, std::uint64_t* user) {
    std::lock_guard lock(g_mutex);
    Record(Call("GetThreadTimes", {HandleText(thread)}));
    fake::ThreadFacts t;
    if (!ThreadOf(thread, t)) return 0;
    if (creation) *creation = t.created;
    if (exit) *exit = t.alive ? 0 : t.created + 1;
    if (kernel) *kernel = 0;
    if (user) *user = 0;
    return t.timesFail ? 0 : 1;
}

int GetExitCodeThread(Handle thread, std::uint32_t* exitCode) {
    std::lock_guard lock(g_mutex);
    Record(Call("GetExitCodeThread", {HandleText(thread)}));
    fake::ThreadFacts t;
    if (!ThreadOf(thread, t)) return 0;
    if (exitCode) *exitCode = t.alive ? win::STILL_ACTIVE : 0;
    return 1;
}

int CloseHandle(Handle object) {
    std::lock_guard lock(g_mutex);
    Record(Call("CloseHandle", {HandleText(object)}));
    return g_state.threadHandles.erase(reinterpret_cast<std::uintptr_t>(object)) ? 1 : 0;
}

int CallChangeWindowMessageFilter(void* fn, std::uint32_t msg, std::uint32_t flag) {
    std::lock_guard lock(g_mutex);
    Record(Call("ChangeWindowMessageFilter", {HandleText(fn), MessageName(msg), Num(flag)}));
    return fn != nullptr;
}

}  // namespace yv::plat
