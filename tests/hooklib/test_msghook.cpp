// The message hook, driven by key-message scripts; each case compares the whole transcript.
#include "hook_driver.h"

namespace yv::test {
namespace {

using MsgHookTest = HookTest;

#define EXPECT_TRANSCRIPT(actual, ...) EXPECT_EQ(Show(actual), Show(Lines{__VA_ARGS__}))

// What TypeText sends for one byte in mode 1, when VkKeyScanA gives `vk`.
Lines Typed(int ch, int vk) {
    const std::string v = std::to_string(vk);
    return {"VkKeyScanA(" + std::to_string(ch) + ")",
            "SendMessageA(0x10, WM_KEYDOWN, " + v + ", 1)",
            "SendMessageA(0x10, WM_CHAR, " + std::to_string(ch) + ", 1)",
            "SendMessageA(0x10, WM_KEYUP, " + v + ", 0xc0000001)"};
}

Lines Join(std::initializer_list<Lines> parts) {
    Lines out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Lines kImeQuery = {"ImmGetContext(0x10)", "ImmGetOpenStatus(0x1c)",
                         "ImmReleaseContext(0x10, 0x1c)"};
const Lines kReleaseModifier = {"GetKeyboardState()", "SetKeyboardState()"};

TEST_F(MsgHookTest, TextRowIsTypedAsMessagesInMode1AndAsKeystrokesInMode3) {
    Load(1, {{65, "ab"}});
    EXPECT_EQ(
        Show(RunMsg("d:A u:A")),
        Show(Join({{"> d:A"}, Typed('a', 65), Typed('b', 66), {"= null", "> u:A", "= null"}})));

    Load(3, {{65, "ab"}});
    EXPECT_TRANSCRIPT(RunMsg("d:A u:A"), "> d:A", "keybd_event(97, 0, 0, own)",
                      "keybd_event(97, 0, KEYEVENTF_KEYUP, own)", "keybd_event(98, 0, 0, own)",
                      "keybd_event(98, 0, KEYEVENTF_KEYUP, own)", "= null", "> u:A", "= null");
}

TEST_F(MsgHookTest, OwnKeystrokesOtherRowsAndOtherModesAreLeftAlone) {
    Load(1, {{65, "ab"}, {ScanKey(0x30), "pasted elsewhere"}});
    EXPECT_TRANSCRIPT(RunMsg("d:A/0 u:A/0 d:B u:B"), "> d:A/0", "= pass", "> u:A/0", "= pass",
                      "> d:B", "= pass", "> u:B", "= pass");
    for (std::uint8_t mode : {0, 2}) {
        Load(mode, {{65, "ab"}});
        EXPECT_TRANSCRIPT(RunMsg("d:A u:A"), "> d:A", "= pass", "> u:A", "= pass");
    }
}

// The library's own keystrokes are never converted; while the editor learns keys their
// key-downs do not reach it, so none of them can be captured.
TEST_F(MsgHookTest, MarkedKeystrokesAreNeverConvertedNorLearned) {
    const struct {
        std::uint8_t mode;
        const char* down;  // what becomes of a marked key-down
    } cases[] = {{1, "= pass"}, {3, "= pass"}, {2, "= null"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        Load(c.mode, {{16, OneKey(65)}, {121, "x"}}, {0, ""}, 1);
        EXPECT_TRANSCRIPT(RunMsg("d:LShift/own u:LShift/own d:NumLock/own sd:Space/own d:F10/own"),
                          "> d:LShift/own", c.down, "> u:LShift/own", "= pass", "> d:NumLock/own",
                          c.down, "> sd:Space/own", c.down, "> d:F10/own", c.down);
        EXPECT_EQ(getkeyflg(121), 0);
        EXPECT_EQ(getkeyflg(144), 0);
    }
}

// The hold's NumLock tap whose mark did not survive (as under Wine) is still its own: while keys
// are learnt it is neither recorded nor handed to the editor; the user's NumLock (0x45) is.
// What is learnt stays until overwritten, so the user's key comes last.
TEST_F(MsgHookTest, OwnNumLockTapWithoutMarkIsNotLearned) {
    const struct {
        const char* keys;
        Lines transcript;
        std::int32_t learnt;
    } cases[] = {
        {"d:NumLock44", {"> d:NumLock44", "= null"}, 0},
        {"u:NumLock44", {"> u:NumLock44", "= pass"}, 0},
        {"d:NumLock44 d:A", {"> d:NumLock44", "= null", "> d:A", "= pass"}, 0},
        {"d:NumLock", {"> d:NumLock", "= pass"}, 0x45},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        Load(2, {}, {0, ""}, 1);
        fake::SetKeyState(144, 0);
        EXPECT_EQ(Show(RunMsg(c.keys)), Show(c.transcript));
        EXPECT_EQ(getkeyflg(144), c.learnt);
    }
    EXPECT_EQ(getkeyflg(65), 0x1E);
}

TEST_F(MsgHookTest, RowsOfOneKeyFireInOrderAndAutoRepeatFiresAgain) {
    Load(1, {{65, "x"}, {66, "-"}, {65, "y"}});
    EXPECT_EQ(Show(RunMsg("d:A d:A")), Show(Join({{"> d:A"},
                                                  Typed('x', 88),
                                                  Typed('y', 89),
                                                  {"= null", "> d:A"},
                                                  Typed('x', 88),
                                                  Typed('y', 89),
                                                  {"= null"}})));
}

TEST_F(MsgHookTest, OneKeyRowsMakeAShortcut) {
    Load(1, {{112, OneKey(17)}, {112, OneKey(67)}});
    EXPECT_TRANSCRIPT(RunMsg("d:F1 u:F1"), "> d:F1", "keybd_event(17, 0, 0, own)",
                      "keybd_event(67, 0, 0, own)", "= null", "> u:F1",
                      "keybd_event(67, 0, KEYEVENTF_KEYUP, own)",
                      "keybd_event(17, 0, KEYEVENTF_KEYUP, own)", "= null");
}

// Ctrl held by a shortcut row on F1 is let go at F1's release, whatever changed meanwhile; the
// repeats of F1 stay away from the window while conversion is off.
TEST_F(MsgHookTest, HeldOneKeyTargetsAreReleasedWhateverChangesMeanwhile) {
    const std::vector<Row> shortcut = {{112, OneKey(17)}, {112, OneKey(67)}};
    const struct {
        const char* name;
        std::uint8_t mode;
        std::vector<Row> rows;
        Lines repeat;  // what an auto-repeat of F1 does by then
        Lines up;      // releases at F1's key-up
    } cases[] = {
        {"conversion off", 0, shortcut, {"= null"}, {}},
        {"key learning", 2, shortcut, {"= null"}, {}},
        {"other rules",
         1,
         {{112, OneKey(65)}},
         {"keybd_event(65, 0, 0, own)", "= null"},
         {"keybd_event(65, 0, KEYEVENTF_KEYUP, own)"}},
        {"a text row",
         3,
         {{112, "7"}},
         {"keybd_event(55, 0, 0, own)", "keybd_event(55, 0, KEYEVENTF_KEYUP, own)", "= null"},
         {}},
        {"no rules", 1, {}, {"= pass"}, {}},
    };
    for (const auto& c : cases) {
        SetUp();
        Load(1, shortcut);
        RunMsg("d:F1");
        Load(c.mode, c.rows);
        EXPECT_EQ(Show(RunMsg("d:F1 u:F1")),
                  Show(Join({{"> d:F1"},
                             c.repeat,
                             {"> u:F1"},
                             c.up,
                             {"keybd_event(67, 0, KEYEVENTF_KEYUP, own)",
                              "keybd_event(17, 0, KEYEVENTF_KEYUP, own)", "= null"}})))
            << c.name;
    }
    // ResetHook lets go of whatever is still held; the key-up then goes on.
    SetUp();
    Load(1, shortcut);
    RunMsg("d:F1");
    fake::ClearLog();
    ResetHook();
    EXPECT_EQ(Calls(), (Lines{"UnhookWindowsHookEx(0xa1)", "UnhookWindowsHookEx(0xa2)",
                              "keybd_event(67, 0, KEYEVENTF_KEYUP, own)",
                              "keybd_event(17, 0, KEYEVENTF_KEYUP, own)"}));
    g_shared.hookMsg = kMsgHook;
    Load(0, shortcut);
    EXPECT_TRANSCRIPT(RunMsg("u:F1"), "> u:F1", "= pass");
}

TEST_F(MsgHookTest, OneKeyTargetsBeyondWhatAKeyCanHoldAreTappedAtOnce) {
    std::vector<Row> rows(kHeldPerKey + 1, {112, OneKey(65)});
    for (int i = 0; i <= kHeldPerKey; ++i) rows[i].text = OneKey(static_cast<std::uint8_t>(65 + i));
    Load(1, rows);
    const Lines down = RunMsg("d:F1"), up = RunMsg("u:F1");
    const std::string last = std::to_string(65 + kHeldPerKey);
    EXPECT_EQ(Lines(down.end() - 3, down.end()),
              (Lines{"keybd_event(" + last + ", 0, 0, own)",
                     "keybd_event(" + last + ", 0, KEYEVENTF_KEYUP, own)", "= null"}));
    EXPECT_EQ(up.size(), kHeldPerKey + 2u);  // the step, the held ones released, the outcome
    EXPECT_EQ(up.at(1),
              "keybd_event(" + std::to_string(64 + kHeldPerKey) + ", 0, KEYEVENTF_KEYUP, own)");
}

TEST_F(MsgHookTest, OneKeyTargetsWithTheirOwnHandling) {
    struct Case {
        std::int32_t rowKey;
        std::uint8_t x;
        const char* script;
        Lines expected;
    };
    const Case cases[] = {
        // CapsLock is tapped at once; the key-up adds a further release.
        {112,
         20,
         "d:F1 u:F1",
         {"> d:F1", "keybd_event(20, 0, 0, own)", "keybd_event(20, 0, KEYEVENTF_KEYUP, own)",
          "= null", "> u:F1", "keybd_event(20, 0, KEYEVENTF_KEYUP, own)", "= null"}},
        // With Alt as the source the key goes to the window as a posted key-down.
        {164, 65, "sd:LAlt su:LAlt sd:RAlt",
         Join({{"> sd:LAlt"},
               kReleaseModifier,
               {"PostMessageA(0x10, WM_KEYDOWN, 65, 1)", "= null", "> su:LAlt"},
               kReleaseModifier,
               {"keybd_event(65, 0, KEYEVENTF_KEYUP, own)", "= null", "> sd:RAlt", "= pass"}})},
        // Windows and Apps keys also ask the window for the Start and context menus.
        {112,
         91,
         "d:F1",
         {"> d:F1", "keybd_event(91, 0, 0, own)", "PostMessageA(0x10, WM_SYSCOMMAND, 61744, 1)",
          "= null"}},
        {112,
         93,
         "d:F1",
         {"> d:F1", "keybd_event(93, 0, 0, own)", "PostMessageA(0x10, WM_CONTEXTMENU, 1, -1)",
          "= null"}},
        // PrintScreen brings no usable key-down: press and release both come with the key-up.
        {44,
         65,
         "u:PrtSc",
         {"> u:PrtSc", "keybd_event(65, 0, 0, own)", "keybd_event(65, 0, KEYEVENTF_KEYUP, own)",
          "= null"}},
    };
    for (const Case& c : cases) {
        Load(1, {{c.rowKey, OneKey(c.x)}});
        EXPECT_EQ(Show(RunMsg(c.script)), Show(c.expected)) << c.script << " x=" << int(c.x);
    }
}

TEST_F(MsgHookTest, TextRowOnPrintScreenIsTypedOnTheKeyUp) {
    Load(3, {{44, "7"}});
    EXPECT_TRANSCRIPT(RunMsg("u:PrtSc"), "> u:PrtSc", "keybd_event(55, 0, 0, own)",
                      "keybd_event(55, 0, KEYEVENTF_KEYUP, own)", "= null");
}

TEST_F(MsgHookTest, SidesOfAltCtrlAndEnter) {
    Load(3, {{164, "1"}, {165, "2"}, {13, "3"}, {141, "4"}});
    const auto tap = [](int vk) {
        return Lines{"keybd_event(" + std::to_string(vk) + ", 0, 0, own)",
                     "keybd_event(" + std::to_string(vk) + ", 0, KEYEVENTF_KEYUP, own)"};
    };
    EXPECT_EQ(Show(RunMsg("sd:LAlt sd:RAlt d:Enter d:NumEnter")),
              Show(Join({{"> sd:LAlt"},
                         kReleaseModifier,
                         tap('1'),
                         {"= null", "> sd:RAlt"},
                         kReleaseModifier,
                         tap('2'),
                         {"= null", "> d:Enter"},
                         tap('3'),
                         {"= null", "> d:NumEnter"},
                         tap('4'),
                         {"= null"}})));
}

TEST_F(MsgHookTest, HankakuAndConvertRowsActOnlyWithTheImeClosed) {
    Load(3, {{229, "1"}, {28, "2"}});
    fake::SetImeOpen(true);
    EXPECT_EQ(Show(RunMsg("d:Hankaku")),
              Show(Join({{"> d:Hankaku"}, kImeQuery, kImeQuery, {"= pass"}})));
    fake::SetImeOpen(false);
    EXPECT_EQ(Show(RunMsg("d:Hankaku d:Convert u:Convert")),
              Show(Join({{"> d:Hankaku"},
                         kImeQuery,
                         {"keybd_event(49, 0, 0, own)", "keybd_event(49, 0, KEYEVENTF_KEYUP, own)"},
                         kImeQuery,
                         {"= null", "> d:Convert"},
                         kImeQuery,
                         kImeQuery,
                         {"keybd_event(50, 0, 0, own)", "keybd_event(50, 0, KEYEVENTF_KEYUP, own)",
                          "= null", "> u:Convert", "= null"}})));
}

TEST_F(MsgHookTest, NumLockIsKeptOnAndItsRowsRunInModes1And3) {
    const Lines keepOn = {"GetKeyState(144)", "keybd_event(144, 0x44, KEYEVENTF_KEYUP, own)",
                          "keybd_event(144, 0x44, 0, own)"};
    const Lines rows = {"keybd_event(65, 0, 0, own)", "keybd_event(65, 0, KEYEVENTF_KEYUP, own)",
                        "keybd_event(57, 0, 0, own)", "keybd_event(57, 0, KEYEVENTF_KEYUP, own)"};
    for (std::uint8_t mode : {0, 1, 3}) {
        Load(mode, {{144, OneKey(65)}, {66, "x"}, {144, "9"}}, {0, ""}, 1);
        fake::SetTickCount(5000u * mode);           // each mode's press a while after the last tap
        if (mode == 1) fake::SetVkKeyScan('9', 0);  // mode 1 types by messages; keep it short
        Lines expected = Join({{"> d:NumLock"}, keepOn});
        if (mode == 3) expected = Join({expected, rows});
        if (mode == 1)
            expected =
                Join({expected,
                      {"keybd_event(65, 0, 0, own)", "keybd_event(65, 0, KEYEVENTF_KEYUP, own)",
                       "VkKeyScanA(57)", "SendMessageA(0x10, WM_CHAR, 57, 1)"}});
        expected.push_back("= stop");
        EXPECT_EQ(Show(RunMsg("d:NumLock")), Show(expected)) << "mode " << int(mode);
        // The key-up and the library's own NumLock presses are not looked at.
        EXPECT_TRANSCRIPT(RunMsg("u:NumLock d:NumLock44"), "> u:NumLock", "= pass", "> d:NumLock44",
                          "= pass");
    }
    // NumLock already on, or not to be held: only the rows.
    Load(3, {{144, "9"}}, {0, ""}, 0);
    fake::SetKeyState(144, 0);
    EXPECT_TRANSCRIPT(RunMsg("d:NumLock"), "> d:NumLock", "keybd_event(57, 0, 0, own)",
                      "keybd_event(57, 0, KEYEVENTF_KEYUP, own)", "= stop");
    Load(0, {}, {0, ""}, 1);
    fake::SetKeyState(144, 1);
    EXPECT_TRANSCRIPT(RunMsg("d:NumLock"), "> d:NumLock", "GetKeyState(144)", "= stop");
}

// The hold taps NumLock back on at most once a second: a NumLock press that finds it off sooner
// after a tap is the system putting it back (Wine does at every key press and release while the
// X server has NumLock off), and tapping at each would never end. The clock may wrap.
TEST_F(MsgHookTest, NumLockHoldTapsAtMostOnceASecond) {
    const Lines look = {"GetKeyState(144)", "= stop"};
    const Lines tap = {"GetKeyState(144)", "keybd_event(144, 0x44, KEYEVENTF_KEYUP, own)",
                       "keybd_event(144, 0x44, 0, own)", "= stop"};
    const struct {
        std::uint8_t mode;
        const char* keys;
        Lines transcript;
    } cases[] = {
        {1, "d:NumLock u:NumLock", Join({{"> d:NumLock"}, tap, {"> u:NumLock", "= pass"}})},
        {1, "t:500 d:NumLock", Join({{"> t:500", "> d:NumLock"}, tap})},  // the first tap
        {1, "d:NumLock t:999 d:NumLock t:1000 d:NumLock",
         Join({{"> d:NumLock"},
               tap,
               {"> t:999", "> d:NumLock"},
               look,
               {"> t:1000", "> d:NumLock"},
               tap})},
        // As under Wine: the user's press, then the system's NumLock press and release around
        // each key that follows.
        {1, "d:NumLock u:NumLock t:300 u:NumLock d:NumLock d:A t:306 u:NumLock d:NumLock u:A",
         Join({{"> d:NumLock"},
               tap,
               {"> u:NumLock", "= pass", "> t:300", "> u:NumLock", "= pass", "> d:NumLock"},
               look,
               {"> d:A", "= pass", "> t:306", "> u:NumLock", "= pass", "> d:NumLock"},
               look,
               {"> u:A", "= pass"}})},
        {3, "t:4294967000 d:NumLock t:200 d:NumLock t:704 d:NumLock",
         Join({{"> t:4294967000", "> d:NumLock"},
               tap,
               {"> t:200", "> d:NumLock"},
               look,
               {"> t:704", "> d:NumLock"},
               tap})},
        {0, "d:NumLock t:1 d:NumLock",
         Join({{"> d:NumLock"}, tap, {"> t:1", "> d:NumLock"}, look})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        g_shared.numLockTapped = 0;
        fake::SetTickCount(0);
        Load(c.mode, {}, {0, ""}, 1);
        fake::SetKeyState(144, 0);
        EXPECT_EQ(Show(RunMsg(c.keys)), Show(c.transcript));
    }
    // A press that finds NumLock on taps nothing and does not start the wait.
    g_shared.numLockTapped = 0;
    fake::SetTickCount(0);
    fake::SetKeyState(144, 1);
    EXPECT_TRANSCRIPT(RunMsg("d:NumLock"), "> d:NumLock", "GetKeyState(144)", "= stop");
    fake::SetKeyState(144, 0);
    EXPECT_EQ(Show(RunMsg("t:10 d:NumLock")), Show(Join({{"> t:10", "> d:NumLock"}, tap})));
}

TEST_F(MsgHookTest, SystemKeyFilterWorksInEveryMode) {
    const auto record = [](std::uint32_t message, WParam w, LParam l) {
        return Msg{kWnd, message, w, l, 0, 0, 0};
    };
    for (std::uint8_t mode : {0, 1, 2, 3}) {
        Load(mode, {});
        SCOPED_TRACE("mode " + std::to_string(mode));
        EXPECT_EQ(SendRecord(record(win::WM_SYSCOMMAND, win::SC_TASKLIST, 0)), Lines{"= null"});
        EXPECT_EQ(SendRecord(record(win::WM_SYSCOMMAND, win::SC_TASKLIST, 1)), Lines{"= pass"});
        EXPECT_EQ(SendRecord(record(win::WM_SYSCOMMAND, 0xF100, 0)), Lines{"= pass"});
        EXPECT_EQ(SendRecord(record(win::WM_CONTEXTMENU, 0x77, -1)), Lines{"= null"});
        EXPECT_EQ(SendRecord(record(win::WM_CONTEXTMENU, 1, -1)), Lines{"= pass"});
        EXPECT_EQ(SendRecord(record(win::WM_CONTEXTMENU, 0x77, 0x00640032)), Lines{"= pass"});
        // From the keyboard means y = -1: the high half of lParam.
        EXPECT_EQ(SendRecord(record(win::WM_CONTEXTMENU, 0x77, 0x0000FFFF)), Lines{"= pass"});
        EXPECT_EQ(
            SendRecord(record(win::WM_CONTEXTMENU, 0x77, static_cast<std::int32_t>(0xFFFF0064))),
            Lines{"= null"});
        EXPECT_TRANSCRIPT(RunMsg("sd:Space d:Space"), "> sd:Space", "= null", "> d:Space",
                          "= pass");
        if (mode == 2) continue;  // F10 is handed over there
        fake::SetAsyncKeyState(16, 0);
        EXPECT_TRANSCRIPT(RunMsg("d:F10"), "> d:F10", "GetAsyncKeyState(16)", "= pass");
        fake::SetAsyncKeyState(16, static_cast<std::int16_t>(0x8001));
        EXPECT_TRANSCRIPT(RunMsg("d:F10"), "> d:F10", "GetAsyncKeyState(16)", "= null");
    }
}

TEST_F(MsgHookTest, KeyLearningRecordsKeysAndHandsOverSystemKeys) {
    Load(2, {{65, "never typed"}}, {29, ""});
    EXPECT_TRANSCRIPT(RunMsg("d:A u:A d:NumEnter d:A/0 u:Nonconv"), "> d:A", "= pass", "> u:A",
                      "= pass", "> d:NumEnter", "= pass", "> d:A/0", "= pass", "> u:Nonconv",
                      "= pass");
    EXPECT_EQ(getkeyflg(65), 0x1E);
    EXPECT_EQ(getkeyflg(13), 0x11C);
    EXPECT_EQ(getkeyflg(29), 0);

    EXPECT_EQ(Show(RunMsg("d:F10 sd:LAlt sd:Space d:ProcA")),
              Show(Join({{"> d:F10", "GetAsyncKeyState(16)",
                          "SendMessageA(0x10, WM_KEYDOWN, 121, 0x440001)", "= null", "> sd:LAlt",
                          "SendMessageA(0x10, WM_KEYDOWN, 18, 0x380001)", "= null", "> sd:Space",
                          "= null", "> d:ProcA"},
                         kImeQuery,
                         {"SendMessageA(0x10, WM_KEYDOWN, 229, 0x1e0001)", "= null"}})));
    EXPECT_EQ(getkeyflg(121), 0x44);
    EXPECT_EQ(getkeyflg(18), 0x38);

    fake::SetImeOpen(true);
    EXPECT_EQ(Show(RunMsg("d:ProcA")), Show(Join({{"> d:ProcA"}, kImeQuery, {"= pass"}})));

    // Only the system-key form of Alt and the plain form of VK_PROCESSKEY are handed over; and
    // NumLock is left alone while keys are learnt.
    Load(2, {}, {0, ""}, 1);
    fake::SetKeyState(144, 0);
    EXPECT_TRANSCRIPT(RunMsg("d:LAlt sd:ProcA d:NumLock"), "> d:LAlt", "= pass", "> sd:ProcA",
                      "= pass", "> d:NumLock", "= pass");
    EXPECT_EQ(getkeyflg(144), 0x45);
}

TEST_F(MsgHookTest, OnOffKeyUpIsRemovedWhileConversionIsOn) {
    Load(1, {}, {29, ""});
    EXPECT_TRANSCRIPT(RunMsg("u:Nonconv"), "> u:Nonconv", "= null");
    Load(0, {}, {29, ""});
    EXPECT_TRANSCRIPT(RunMsg("u:Nonconv"), "> u:Nonconv", "= pass");
}

TEST_F(MsgHookTest, ShiftKeysFollowTheLatchAndARemappedShiftStaysDown) {
    Load(1, {});
    EXPECT_TRANSCRIPT(RunMsg("d:LShift"), "> d:LShift", "= pass");
    EXPECT_EQ(g_shared.shiftLatch, kShiftLeft);
    EXPECT_TRANSCRIPT(RunMsg("d:RShift"), "> d:RShift", "= pass");
    EXPECT_EQ(g_shared.shiftLatch, kShiftLeft | kShiftRight);
    EXPECT_TRANSCRIPT(RunMsg("u:RShift"), "> u:RShift", "= pass");
    EXPECT_EQ(g_shared.shiftLatch, kShiftLeft);

    // A remap holds Shift: the real Shift's release must not reach the application.
    g_shared.shiftLatch = kShiftLeft | kShiftHeldByRemap;
    EXPECT_TRANSCRIPT(RunMsg("u:LShift"), "> u:LShift", "GetKeyboardState()", "SetKeyboardState()",
                      "= null");
    EXPECT_EQ(g_shared.shiftLatch, kShiftHeldByRemap);
    EXPECT_EQ(fake::KeyboardStateBytes()[16], 0x80);

    // A row on Shift fires instead of latching, and its key-up leaves the latch alone.
    Load(1, {{16, OneKey(65)}});
    g_shared.shiftLatch = 0;
    EXPECT_TRANSCRIPT(RunMsg("d:LShift"), "> d:LShift", "keybd_event(65, 0, 0, own)", "= null");
    EXPECT_EQ(g_shared.shiftLatch, 0);
    g_shared.shiftLatch = kShiftLeft;
    EXPECT_TRANSCRIPT(RunMsg("u:LShift"), "> u:LShift", "keybd_event(65, 0, KEYEVENTF_KEYUP, own)",
                      "= null");
    EXPECT_EQ(g_shared.shiftLatch, kShiftLeft);

    // With conversion off the latch is left as it is.
    Load(0, {});
    g_shared.shiftLatch = kShiftLeft;
    EXPECT_TRANSCRIPT(RunMsg("u:LShift"), "> u:LShift", "= pass");
    EXPECT_EQ(g_shared.shiftLatch, kShiftLeft);
}

TEST_F(MsgHookTest, CommonMessagesPassWithoutAnyWork) {
    Load(2, {{65, "x"}});
    const Msg keyDown{kWnd, win::WM_KEYDOWN, 65, 0x001E0001, 0, 0, 0};
    EXPECT_EQ(SendRecord(keyDown, 0, 0), Lines{"= pass"});  // peeked, not removed
    EXPECT_EQ(SendRecord(keyDown, -1), Lines{"= pass"});
    EXPECT_EQ(getkeyflg(65), 0);
    for (std::uint32_t m : {win::WM_TIMER, win::WM_CHAR, 0x0200u, 0x0103u, 0x0106u, 0xC123u})
        EXPECT_EQ(SendRecord(Msg{kWnd, m, 65, 0x001E0001, 0, 0, 0}), Lines{"= pass"}) << m;
    EXPECT_EQ(MessageHookProc(0, win::PM_REMOVE, 0), fake::kNextHookResult);
}

}  // namespace
}  // namespace yv::test
