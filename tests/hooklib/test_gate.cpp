// The key order gate: keys that follow a key a message-hook row converts with synthesized keys
// wait in the low-level hook until the message hook has taken that key, and then go on in the
// order typed; never longer than kGateMs, never more than kGateHeld of them.
#include <sstream>

#include "hook_driver.h"

namespace yv::test {
namespace {

using GateTest = HookTest;

const std::string kWake = "PostThreadMessageA(1792, WM_NULL, 0, 0)";
// Held keys typed again, as SendInput shows them (vk/scan/flags).
std::string Replay(const std::string& keys) { return "SendInput(" + keys + ")"; }

// Acts: "k:SCRIPT" the low-level hook, "m:SCRIPT" the message hook, "poll" the host's look,
// "taken:E" the companion's word, "t:MS" time passing ("t:limit" kGateMs, "t:limit-1" just
// short of it), "limit:N" SendInput inserting at most N events from then on.
Lines Play(const std::vector<std::string>& acts) {
    Lines out;
    std::uint32_t now = 1000;
    fake::SetTickCount(now);
    for (const auto& a : acts) {
        if (a == "poll") {
            fake::ClearLog();
            out.push_back("> poll");
            const std::int32_t closed = PollGate();
            for (auto& line : Calls()) out.push_back(line);
            out.push_back(closed ? "= closed" : "= open");
        } else if (a.starts_with("taken:")) {
            fake::ClearLog();
            out.push_back("> taken " + a.substr(6));
            GateTaken(static_cast<std::int32_t>(std::stoul(a.substr(6), nullptr, 16)));
            for (auto& line : Calls()) out.push_back(line);
        } else if (a.starts_with("limit:")) {
            fake::SetSendInputLimit(static_cast<std::uint32_t>(std::stoul(a.substr(6))));
        } else if (a == "t:limit-1" || a == "t:limit") {
            now += kGateMs - (a == "t:limit-1" ? 1 : 0);
            fake::SetTickCount(now);
        } else if (a.starts_with("t:")) {
            now += static_cast<std::uint32_t>(std::stoul(a.substr(2)));
            fake::SetTickCount(now);
        } else {
            const Lines part =
                a[0] == 'k' ? RunKbd(KbdForm::LowLevel, a.substr(2)) : RunMsg(a.substr(2));
            out.insert(out.end(), part.begin(), part.end());
        }
    }
    return out;
}

struct Case {
    const char* name;
    std::uint8_t mode, front;
    std::vector<Row> rows;
    std::vector<std::string> acts;
    Lines want;
};

// What F1's one-key row shows first: F1 goes on, the keys typed after it (HELD, a script)
// wait, and the message hook takes F1 and wakes the keys thread.
Lines HeldThenTaken(const std::string& held, const Lines& rest) {
    Lines out = {"> d:F1", kWake, "= pass"};
    std::istringstream keys(held);
    for (std::string key; keys >> key;) out.insert(out.end(), {"> " + key, "= eat"});
    out.insert(out.end(), {"> d:F1", "keybd_event(17, 0, 0, own)", kWake, "= null"});
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

const Case kCases[] = {
    {"a one-key row: what follows waits for the message hook, then goes on in order",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1 d:A", "m:d:F1", "poll", "k:d:A/replay", "poll"},
     HeldThenTaken("d:A", {"> poll", Replay("65/0x1e/0x0"), "= closed", "> d:A/replay", "= pass",
                           "> poll", "= open"})},
    {"what the user types while those keys are on their way waits behind them",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1 d:A", "m:d:F1", "poll", "k:d:B d:A/replay d:B/replay", "poll"},
     HeldThenTaken(
         "d:A", {"> poll", Replay("65/0x1e/0x0"), "= closed", "> d:B", "= eat", "> d:A/replay",
                 Replay("66/0x30/0x0"), "= pass", "> d:B/replay", "= pass", "> poll", "= open"})},
    {"one typed again that closes the gate again holds those typed with it, in their places",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1 u:F1 d:C", "m:d:F1", "poll", "k:u:F1/replay u:C d:C/replay", "m:u:F1", "poll",
      "k:d:C/replay u:C/replay"},
     HeldThenTaken("u:F1 d:C", {"> poll",       Replay("112/0x3b/0x2, 67/0x2e/0x0"),
                                "= closed",     "> u:F1/replay",
                                kWake,          "= pass",
                                "> u:C",        "= eat",
                                "> d:C/replay", "= eat",
                                "> u:F1",       "keybd_event(17, 0, KEYEVENTF_KEYUP, own)",
                                kWake,          "= null",
                                "> poll",       Replay("67/0x2e/0x0, 67/0x2e/0x2"),
                                "= closed",     "> d:C/replay",
                                "= pass",       "> u:C/replay",
                                "= pass"})},
    {"one that never comes back is given up after the time limit; late, it goes on",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1 d:A", "m:d:F1", "poll", "k:d:B", "t:limit-1", "poll", "t:1", "poll",
      "k:d:A/replay d:B/replay d:A/replay", "poll"},
     HeldThenTaken("d:A", {"> poll", Replay("65/0x1e/0x0"), "= closed", "> d:B", "= eat", "> poll",
                           "= closed", "> poll", Replay("66/0x30/0x0"), "= closed", "> d:A/replay",
                           "= eat", "> d:B/replay", Replay("65/0x1e/0x0"), "= pass", "> d:A/replay",
                           "= pass", "> poll", "= open"})},
    {"one lost on the way (another hook took it): the next back goes on",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1 d:A d:B", "m:d:F1", "poll", "k:d:C d:B/replay d:C/replay", "poll"},
     HeldThenTaken("d:A d:B", {"> poll", Replay("65/0x1e/0x0, 66/0x30/0x0"), "= closed", "> d:C",
                               "= eat", "> d:B/replay", Replay("67/0x2e/0x0"), "= pass",
                               "> d:C/replay", "= pass", "> poll", "= open"})},
    {"the last one back, held again, lets them all go once the key awaited is through",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1 u:F1 d:C u:C", "m:d:F1", "poll", "k:u:F1/replay d:C/replay", "m:u:F1",
      "k:u:C/replay"},
     HeldThenTaken("u:F1 d:C u:C",
                   {"> poll", Replay("112/0x3b/0x2, 67/0x2e/0x0, 67/0x2e/0x2"), "= closed",
                    "> u:F1/replay", kWake, "= pass", "> d:C/replay", "= eat", "> u:F1",
                    "keybd_event(17, 0, KEYEVENTF_KEYUP, own)", kWake, "= null", "> u:C/replay",
                    Replay("67/0x2e/0x0, 67/0x2e/0x2"), "= eat"})},
    {"refused by the system (UIPI): nothing waits for them",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"limit:1", "k:d:F1 d:A d:B", "m:d:F1", "poll", "k:d:A/replay d:C"},
     HeldThenTaken("d:A d:B", {"> poll", Replay("65/0x1e/0x0, 66/0x30/0x0"), "= closed",
                               "> d:A/replay", "= pass", "> d:C", "= pass"})},
    {"the held keys go on with the next key once the message hook is through",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1 d:A", "m:d:F1", "k:d:B"},
     {"> d:F1", kWake, "= pass", "> d:A", "= eat", "> d:F1", "keybd_event(17, 0, 0, own)", kWake,
      "= null", "> d:B", Replay("65/0x1e/0x0, 66/0x30/0x0"), "= eat"}},
    {"its key-up, whose release joins the queue, holds what follows too",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"m:d:F1", "k:u:F1 d:C", "m:u:F1", "poll", "k:d:C/replay"},
     {"> d:F1", "keybd_event(17, 0, 0, own)", "= null", "> u:F1", kWake, "= pass", "> d:C", "= eat",
      "> u:F1", "keybd_event(17, 0, KEYEVENTF_KEYUP, own)", kWake, "= null", "> poll",
      Replay("67/0x2e/0x0"), "= closed", "> d:C/replay", "= pass"}},
    {"no answer: the keys go on after the time limit, not before",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1 d:A", "t:limit-1", "poll", "t:1", "poll", "k:d:A/replay", "m:d:F1"},
     {"> d:F1", kWake, "= pass", "> d:A", "= eat", "> poll", "= closed", "> poll",
      Replay("65/0x1e/0x0"), "= closed", "> d:A/replay", "= pass", "> d:F1",
      "keybd_event(17, 0, 0, own)", "= null"}},
    {"another key's message opens nothing",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1 d:A", "m:d:B", "poll"},
     {"> d:F1", kWake, "= pass", "> d:A", "= eat", "> d:B", "= pass", "> poll", "= closed"}},
    {"taken before any key came: nothing to type again",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1", "m:d:F1", "poll"},
     {"> d:F1", kWake, "= pass", "> d:F1", "keybd_event(17, 0, 0, own)", kWake, "= null", "> poll",
      "= open"}},
    {"rows on the right Alt and the left Shift wait for their keys",
     1,
     kFrontInProcess,
     {{165, OneKey(65)}, {160, OneKey(66)}},
     {"k:d:RAlt", "t:limit", "poll", "k:d:LShift"},
     {"> d:RAlt", kWake, "= pass", "> poll", "= open", "> d:LShift", kWake, "= pass"}},
    {"a row on the keypad's Enter waits for Enter",
     1,
     kFrontInProcess,
     {{141, OneKey(67)}},
     {"k:d:NumEnter"},
     {"> d:NumEnter", kWake, "= pass"}},
    {"a text row typed as messages needs no gate",
     1,
     kFrontInProcess,
     {{112, "abc"}},
     {"k:d:F1 d:A"},
     {"> d:F1", "= pass", "> d:A", "= pass"}},
    {"typed as keystrokes, it does",
     3,
     kFrontInProcess,
     {{112, "AB"}},
     {"k:d:F1 d:A"},
     {"> d:F1", kWake, "= pass", "> d:A", "= eat"}},
    {"a row on one side of Ctrl, pressed by the low-level hook's name for it",
     1,
     kFrontInProcess,
     {{163, OneKey(65)}},
     {"k:d:RCtrl163 d:A"},
     {"> d:RCtrl163", kWake, "= pass", "> d:A", "= eat"}},
    {"conversion off: nothing waits",
     0,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1 d:A"},
     {"> d:F1", "= pass", "> d:A", "= pass"}},
    {"the companion's window: held until the host hears the companion's library took it",
     1,
     kFrontCompanion,
     {{112, OneKey(17)}},
     {"k:d:F1 d:A", "poll", "taken:0x3b", "poll", "k:d:A/replay"},
     {"> d:F1", kWake, "= pass", "> d:A", "= eat", "> poll", "= closed", "> taken 0x3b", kWake,
      "> poll", Replay("65/0x1e/0x0"), "= closed", "> d:A/replay", "= pass"}},
    {"a late word of its key-down does not open the wait for its key-up; the key-up's does",
     1,
     kFrontCompanion,
     {{112, OneKey(17)}},
     {"k:u:F1 d:A", "taken:0x3b", "poll", "taken:0x43b", "poll", "k:d:A/replay"},
     {"> u:F1", kWake, "= pass", "> d:A", "= eat", "> taken 0x3b", "> poll", "= closed",
      "> taken 0x43b", kWake, "> poll", Replay("65/0x1e/0x0"), "= closed", "> d:A/replay",
      "= pass"}},
    {"and its key-up, which may release targets there",
     1,
     kFrontCompanion,
     {{112, OneKey(17)}},
     {"k:u:F1 d:A"},
     {"> u:F1", kWake, "= pass", "> d:A", "= eat"}},
    {"an unreachable window: nothing waits",
     1,
     kFrontUnreachable,
     {{112, OneKey(17)}},
     {"k:d:F1 d:A"},
     {"> d:F1", "= pass", "> d:A", "= pass"}},
    {"PrintScreen's rows act on its key-up, with no key-down message to wait for",
     1,
     kFrontInProcess,
     {{44, OneKey(65)}},
     {"k:d:PrtSc d:A"},
     {"> d:PrtSc", "= pass", "> d:A", "= pass"}},
    {"the library's own keys pass a closed gate",
     1,
     kFrontInProcess,
     {{112, OneKey(17)}},
     {"k:d:F1 d:LCtrl/own"},
     {"> d:F1", kWake, "= pass", "> d:LCtrl/own", "= pass"}},
};

TEST_F(GateTest, Transcripts) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HookTest::SetUp();
        Load(c.mode, c.rows, {29, ""});
        SetFront(c.front, 0);
        EXPECT_EQ(Show(Play(c.acts)), Show(c.want));
    }
}

// However fast the user types behind a key that is never taken, at most kGateHeld keys wait:
// the one that fills the gate sends them all on, itself last.
TEST_F(GateTest, AFullGateLetsEverythingGo) {
    Load(1, {{112, OneKey(17)}}, {29, ""});
    RunKbd(KbdForm::LowLevel, "d:F1");
    std::string script;
    for (int i = 0; i < kGateHeld - 1; ++i) script += i % 2 ? " u:A" : " d:A";
    RunKbd(KbdForm::LowLevel, script);
    EXPECT_EQ(g_process.gateHeldCount, kGateHeld - 1);
    const Lines last = RunKbd(KbdForm::LowLevel, "d:B");
    ASSERT_EQ(last.size(), 3u);
    EXPECT_TRUE(last[1].ends_with(", 66/0x30/0x0)")) << last[1];
    EXPECT_EQ(g_process.gateSent, kGateHeld);
    // With no room left while they are on their way, a key cannot wait: it goes on at once.
    EXPECT_EQ(Show(RunKbd(KbdForm::LowLevel, "d:C")), Show({"> d:C", "= pass"}));
    std::string back;  // as they come back
    for (int i = 0; i < kGateHeld - 1; ++i) back += i % 2 ? " u:A/replay" : " d:A/replay";
    RunKbd(KbdForm::LowLevel, back + " d:B/replay");
    EXPECT_EQ(PollGate(), 0);
    EXPECT_EQ(g_process.gateHeldCount, 0);
}

// A paste row's wait is the host's to end: no key's message opens it, OpenGate does, and the
// time limit applies as to any.
TEST_F(GateTest, APastesWaitEndsWithTheHost) {
    Load(1, {}, {29, ""});
    g_process.pasteSink = [](const char*, int) { return 1; };
    EXPECT_EQ(PasteText(kHostWnd, "abc", true), 0);
    g_process.pasteSink = nullptr;
    ASSERT_TRUE(g_process.gateClosed);
    RunKbd(KbdForm::LowLevel, "d:A");
    RunMsg("d:A u:A");
    fake::ClearLog();
    EXPECT_EQ(PollGate(), 1);
    OpenGate();
    EXPECT_EQ(Calls(), Lines{kWake});  // the keys thread is woken to let them go
    EXPECT_EQ(PollGate(), 1);          // the held key typed again, on its way back
    const Lines calls = Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), Replay("65/0x1e/0x0")), calls.end());
    RunKbd(KbdForm::LowLevel, "d:A/replay");
    EXPECT_EQ(PollGate(), 0);
    OpenGate();  // late, with the gate open: nothing
    EXPECT_FALSE(g_process.gateClosed);
}

// The companion's message hook keeps no gate of its own: it tells the host of each key with
// rows it has taken, key-downs and key-ups.
TEST_F(GateTest, TheCompanionsLibraryTellsTheHostOfKeysWithRows) {
    Load(1, {{112, OneKey(17)}}, {29, ""});
    g_shared.peer = 1;
    const Lines want = {"> d:F1",
                        "keybd_event(17, 0, 0, own)",
                        "PostMessageA(0x20, WM_RBUTTONDOWN, 59, 10004)",
                        "= null",
                        "> u:F1",
                        "keybd_event(17, 0, KEYEVENTF_KEYUP, own)",
                        "PostMessageA(0x20, WM_RBUTTONDOWN, 1083, 10004)",  // 0x3b, key-up
                        "= null",
                        "> d:A",
                        "= pass"};
    EXPECT_EQ(Show(RunMsg("d:F1 u:F1 d:A")), Show(want));
}

// Only a host that installs the keyboard hook with SetHookKbd looks at the gate; one that uses
// SetHook would leave the last keys of a burst held until the next key.
TEST_F(GateTest, OnlySetHookKbdsHostGetsTheGate) {
    for (bool split : {false, true}) {
        SCOPED_TRACE(split ? "SetHookKbd" : "SetHook");
        HookTest::SetUp();
        ASSERT_EQ(split ? SetHookMsg(kHostWnd, 0) + SetHookKbd(1) : SetHook(kHostWnd, 0), 0);
        Load(1, {{112, OneKey(17)}}, {29, ""});
        RunKbd(KbdForm::LowLevel, "d:F1");
        EXPECT_EQ(g_process.gateClosed, split);
    }
}

// Removing the keyboard hook sends the held keys on: nothing the user typed is lost.
TEST_F(GateTest, RemovingTheHookLetsTheHeldKeysGo) {
    for (bool taken : {false, true}) {
        SCOPED_TRACE(taken ? "behind keys on their way" : "behind a key not taken");
        HookTest::SetUp();
        Load(1, {{112, OneKey(17)}}, {29, ""});
        RunKbd(KbdForm::LowLevel, "d:F1 d:A");
        if (taken) {
            RunMsg("d:F1");
            PollGate();  // A on its way
        }
        RunKbd(KbdForm::LowLevel, "d:C d:B");
        fake::ClearLog();
        SetHookKbd(0);
        const Lines calls = Calls();
        const std::string held = taken ? "" : "65/0x1e/0x0, ";
        EXPECT_NE(std::find(calls.begin(), calls.end(), Replay(held + "67/0x2e/0x0, 66/0x30/0x0")),
                  calls.end());
        EXPECT_FALSE(g_process.gateClosed);
        fake::ClearLog();
        RunMsg("u:F1 d:F1");  // a late word of the key awaited wakes nobody
        const Lines late = Calls();
        EXPECT_EQ(std::count(late.begin(), late.end(), kWake), 0);
    }
}

// Counts that went wrong are reset before any index is taken from them.
TEST_F(GateTest, CountsOutOfBoundsAreReset) {
    struct Bad {
        int held, back, sent;
    };
    for (const Bad b :
         {Bad{kGateHeld + 1, 0, 0}, Bad{-1, 0, 0}, Bad{2, -1, 0}, Bad{2, 0, -1}, Bad{2, 2, 1}}) {
        for (int entry = 0; entry < 2; ++entry) {
            HookTest::SetUp();
            Load(1, {{112, OneKey(17)}}, {29, ""});
            RunKbd(KbdForm::LowLevel, "d:F1");
            g_process.gateHeldCount = b.held;
            g_process.gateBack = b.back;
            g_process.gateSent = b.sent;
            if (entry == 0)
                RunKbd(KbdForm::LowLevel, "d:A");
            else
                PollGate();
            SCOPED_TRACE(std::to_string(b.held) + "/" + std::to_string(b.back) + "/" +
                         std::to_string(b.sent) + (entry ? " poll" : " key"));
            EXPECT_EQ(g_process.gateHeldCount, entry == 0 ? 1 : 0);
            EXPECT_EQ(g_process.gateBack + g_process.gateSent, 0);
        }
    }
}

}  // namespace
}  // namespace yv::test
