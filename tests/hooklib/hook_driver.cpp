#include "hook_driver.h"

#include <map>
#include <sstream>

namespace yv::test {

namespace {

const std::map<std::string, Key>& KeyTable() {
    static const std::map<std::string, Key> table = {
        {"A", {65, 0x1E, false}},
        {"B", {66, 0x30, false}},
        {"C", {67, 0x2E, false}},
        {"V", {86, 0x2F, false}},
        {"1", {49, 0x02, false}},
        {"F1", {112, 0x3B, false}},
        {"F10", {121, 0x44, false}},
        {"F11", {122, 0x57, false}},
        {"Esc", {27, 0x01, false}},
        {"Enter", {13, 0x1C, false}},
        {"NumEnter", {13, 0x1C, true}},
        {"LAlt", {18, 0x38, false}},
        {"RAlt", {18, 0x38, true}},
        {"LCtrl", {17, 0x1D, false}},
        {"RCtrl", {17, 0x1D, true}},
        {"LShift", {16, 0x2A, false}},
        {"RCtrl163", {163, 0x1D, true}},  // as the low-level hook names the sides
        {"LAlt164", {164, 0x38, false}},
        {"RShift", {16, 0x36, false}},
        {"Caps", {20, 0x3A, false}},
        {"Space", {32, 0x39, false}},
        {"PrtSc", {44, 0x37, true}},
        {"NumLock", {144, 0x45, false}},
        {"NumLock44", {144, 0x44, false}},  // the library's own NumLock presses
        {"LWin", {91, 0x5B, true}},
        {"Apps", {93, 0x5D, true}},
        {"Nonconv", {29, 0x7B, false}},
        {"Conv", {28, 0x79, false}},
        {"Zenkaku", {0xF3, 0x29, false}},
        {"Kanji", {0x19, 0x29, false}},
        // As the message hook sees them while the IME takes the keys: VK_PROCESSKEY.
        {"Hankaku", {229, 0x29, false}},
        {"Convert", {229, 0x79, false}},
        {"ProcA", {229, 0x1E, false}},
    };
    return table;
}

struct Step {
    std::string text;
    std::uint32_t message;
    Key key;
    bool up;
    bool own = false;        // carries the library's mark
    bool replay = false;     // carries the gate's mark of keys typed again
    std::int64_t tick = -1;  // a t:MS step: the clock's new reading
};

Step ParseStep(const std::string& token) {
    const auto colon = token.find(':');
    const std::string kind = token.substr(0, colon);
    std::string name = token.substr(colon + 1);
    if (kind == "t") {
        Step s{token, 0, {}, false};
        s.tick = std::stoll(name);
        return s;
    }
    bool zeroScan = false, own = false, replay = false;
    if (name.size() > 2 && name.ends_with("/0")) {
        zeroScan = true;
        name.resize(name.size() - 2);
    } else if (name.size() > 4 && name.ends_with("/own")) {
        own = true;
        name.resize(name.size() - 4);
    } else if (name.size() > 7 && name.ends_with("/replay")) {
        replay = true;
        name.resize(name.size() - 7);
    }
    Step s{token, 0, KeyByName(name), false, own, replay};
    if (zeroScan) s.key.scan = 0, s.key.extended = false;
    if (kind == "d")
        s.message = win::WM_KEYDOWN;
    else if (kind == "u")
        s.message = win::WM_KEYUP, s.up = true;
    else if (kind == "sd")
        s.message = win::WM_SYSKEYDOWN;
    else if (kind == "su")
        s.message = win::WM_SYSKEYUP, s.up = true;
    else
        ADD_FAILURE() << "bad step " << token;
    return s;
}

std::vector<Step> Parse(const std::string& script) {
    std::vector<Step> steps;
    std::istringstream in(script);
    for (std::string token; in >> token;) steps.push_back(ParseStep(token));
    return steps;
}

// Key-message lParam: repeat count 1, scan code, extended flag, previous-state and transition
// bits on key-ups.
LParam KeyLParam(const Key& k, bool up) {
    std::uint32_t bits = 1u | (k.scan & 0xFF) << 16 | (k.extended ? 1u : 0u) << 24;
    if (up) bits |= 0xC0000000u;
    return static_cast<LParam>(bits);
}

// Moves the fake's log into `out`, dropping the next-hook call made with `hook`; returns
// whether that call happened.
bool TakeCalls(Hhook hook, Lines& out) {
    const std::string next = "CallNextHookEx(" + fake::Hex(reinterpret_cast<std::uintptr_t>(hook));
    bool called = false;
    for (auto& line : fake::Log()) {
        if (!called && line.starts_with(next)) {
            called = true;
            continue;
        }
        out.push_back(line);
    }
    fake::ClearLog();
    return called;
}

bool SameRecord(const Msg& a, const Msg& b) {
    return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam &&
           a.lParam == b.lParam && a.time == b.time && a.ptX == b.ptX && a.ptY == b.ptY;
}

}  // namespace

Key KeyByName(const std::string& name) {
    auto it = KeyTable().find(name);
    if (it == KeyTable().end()) {
        ADD_FAILURE() << "unknown key " << name;
        return {};
    }
    return it->second;
}

void Load(std::uint8_t mode, const std::vector<Row>& rows, Row onOff, std::uint8_t numLockHold) {
    std::int32_t keys[kRows] = {};
    std::vector<std::string> storage(kRows);
    const char* texts[kRows];
    keys[0] = onOff.key;
    storage[0] = onOff.text;
    for (std::size_t i = 0; i < rows.size() && i + 1 < kRows; ++i) {
        keys[i + 1] = rows[i].key;
        storage[i + 1] = rows[i].text;
    }
    for (int i = 0; i < kRows; ++i) texts[i] = storage[static_cast<std::size_t>(i)].c_str();
    SetSet(mode, 0, numLockHold, keys, texts);
    fake::ClearLog();
}

void LoadW(std::uint8_t mode, const std::vector<Row>& rows,
           const std::vector<std::u16string>& textsW, Row onOff) {
    Load(mode, rows, onOff);
    std::vector<std::u16string> storage(kRows);
    storage[0] = std::u16string(onOff.text.begin(), onOff.text.end());
    for (std::size_t i = 0; i < textsW.size() && i + 1 < kRows; ++i) storage[i + 1] = textsW[i];
    const char16_t* texts[kRows];
    for (int i = 0; i < kRows; ++i) texts[i] = storage[static_cast<std::size_t>(i)].c_str();
    SetTextsW(texts);
    fake::ClearLog();
}

Lines SendRecord(Msg msg, int code, WParam removal) {
    Lines out;
    const Msg before = msg;
    const LResult r = MessageHookProc(code, removal, reinterpret_cast<LParam>(&msg));
    const bool next = TakeCalls(kMsgHook, out);
    const bool nulled = msg.message == win::WM_NULL && msg.wParam == 0 && msg.hwnd == before.hwnd &&
                        msg.lParam == before.lParam;
    if (next && r == fake::kNextHookResult && SameRecord(msg, before))
        out.push_back("= pass");
    else if (next && r == fake::kNextHookResult && nulled)
        out.push_back("= null");
    else if (!next && r == 1 && SameRecord(msg, before))
        out.push_back("= stop");
    else
        out.push_back("= odd: result " + std::to_string(r) + (next ? ", next called" : ""));
    return out;
}

Lines RunMsg(const std::string& script) {
    Lines out;
    fake::ClearLog();
    for (const Step& s : Parse(script)) {
        out.push_back("> " + s.text);
        if (s.tick >= 0) {
            fake::SetTickCount(static_cast<std::uint32_t>(s.tick));
            continue;
        }
        Msg m{kWnd, s.message, s.key.vk, KeyLParam(s.key, s.up), 1234, 5, 6};
        fake::SetMessageExtraInfo(s.own ? kOwnInput : 0);
        for (auto& line : SendRecord(m)) out.push_back(std::move(line));
    }
    return out;
}

Lines RunKbd(KbdForm form, const std::string& script) {
    Lines out;
    fake::ClearLog();
    for (const Step& s : Parse(script)) {
        out.push_back("> " + s.text);
        if (s.tick >= 0) {
            fake::SetTickCount(static_cast<std::uint32_t>(s.tick));
            continue;
        }
        LResult r;
        if (form == KbdForm::LowLevel) {
            KbdLLEvent ev{s.key.vk, s.key.scan,
                          (s.key.extended ? win::LLKHF_EXTENDED : 0u) | (s.up ? win::LLKHF_UP : 0u),
                          1234,
                          s.own      ? static_cast<std::uintptr_t>(kOwnInput)
                          : s.replay ? static_cast<std::uintptr_t>(kReplayInput)
                                     : 0u};
            r = KbdLLHookProc(0, s.up ? win::WM_KEYUP : win::WM_KEYDOWN,
                              reinterpret_cast<LParam>(&ev));
        } else {
            fake::SetMessageExtraInfo(s.own ? kOwnInput : 0);
            r = KbdHookProc(0, s.key.vk, KeyLParam(s.key, s.up));
        }
        const bool next = TakeCalls(kKbdHook, out);
        if (next && r == fake::kNextHookResult)
            out.push_back("= pass");
        else if (!next && r == 1)
            out.push_back("= eat");
        else
            out.push_back("= odd: result " + std::to_string(r) + (next ? ", next called" : ""));
    }
    return out;
}

Lines Calls() {
    Lines out;
    for (auto& line : fake::Log())
        if (!line.starts_with("CallNextHookEx(")) out.push_back(line);
    return out;
}

std::string OneKey(std::uint8_t x) { return {static_cast<char>(x), ':', static_cast<char>(x)}; }

std::string Remap(std::uint8_t x) { return {static_cast<char>(x), '|', static_cast<char>(x)}; }

void HookTest::SetUp() {
    fake::Reset();
    g_shared = SharedArea{};
    g_process = ProcessState{};
    g_process.processId = fake::kOwnProcess;
    g_process.gateOn = true;  // as the host's SetHookKbd leaves it
    g_shared.hookMsg = kMsgHook;
    g_shared.hookKbd = kKbdHook;
    g_shared.hostWnd = kHostWnd;
    g_shared.desktopWnd = fake::kDefaultDesktop;
}

std::string Show(const Lines& lines) {
    std::string s;
    for (const auto& l : lines) s += "    " + l + "\n";
    return s;
}

}  // namespace yv::test
