// The keyboard hook in both its forms: every case runs through KbdHookProc and KbdLLHookProc.
#include <cstring>

#include "hook_driver.h"

namespace yv::test {
namespace {

#define EXPECT_TRANSCRIPT(actual, ...) EXPECT_EQ(Show(actual), Show(Lines{__VA_ARGS__}))

class KbdHookTest : public HookTest, public ::testing::WithParamInterface<KbdForm> {
  protected:
    Lines Run(const std::string& script) { return RunKbd(GetParam(), script); }
    // The low-level hook posts its notices (its thread waits for no window); the classic hook,
    // in the application, sends them.
    std::string Notice(const char* lParam) const {
        return std::string(GetParam() == KbdForm::LowLevel ? "PostMessageA" : "SendMessageA") +
               "(0x20, WM_RBUTTONDOWN, 0, " + lParam + ")";
    }
};

INSTANTIATE_TEST_SUITE_P(BothForms, KbdHookTest,
                         ::testing::Values(KbdForm::Classic, KbdForm::LowLevel),
                         [](const auto& info) {
                             return info.param == KbdForm::Classic ? "Classic" : "LowLevel";
                         });

const Lines kClearSource = {"GetKeyboardState()", "SetKeyboardState()"};

Lines Join(std::initializer_list<Lines> parts) {
    Lines out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST_P(KbdHookTest, OnOffKeyTogglesAndTellsTheHost) {
    const struct {
        std::uint8_t from;
        const char* first;
        const char* second;
    } cases[] = {{1, "9990", "9991"}, {3, "9990", "9991"}, {0, "9991", "9990"}};
    for (const auto& c : cases) {
        Load(c.from, {}, {29, ""});
        const std::string first = Notice(c.first);
        const std::string second = Notice(c.second);
        // The key-up is the message hook's business; holding the key toggles on every repeat.
        EXPECT_TRANSCRIPT(Run("d:Nonconv u:Nonconv d:Nonconv d:Nonconv"), "> d:Nonconv", first,
                          "= eat", "> u:Nonconv", "= pass", "> d:Nonconv", second, "= eat",
                          "> d:Nonconv", first, "= eat");
        EXPECT_EQ(g_shared.convMode, c.from == 0 ? 1 : 0);
    }
}

TEST_P(KbdHookTest, OnOffKeyIsIgnoredInKeyLearningAndForOwnKeystrokes) {
    Load(2, {{ScanKey(0x3A), Remap(0x1D)}}, {29, ""});
    EXPECT_TRANSCRIPT(Run("d:Nonconv u:Nonconv d:Caps"), "> d:Nonconv", "= pass", "> u:Nonconv",
                      "= pass", "> d:Caps", "= pass");
    EXPECT_EQ(g_shared.convMode, 2);
    Load(1, {}, {29, ""});
    EXPECT_TRANSCRIPT(Run("d:Nonconv/0"), "> d:Nonconv/0", "= pass");
    Load(1, {}, {144, ""});  // NumLock is no On/Off key
    EXPECT_TRANSCRIPT(Run("d:NumLock"), "> d:NumLock", "= pass");
}

// The library's own output carries its mark and is never converted again, whatever its scan code
// (the NumLock correction comes with F10's, a remapped Shift with its own).
TEST_P(KbdHookTest, MarkedKeystrokesPassUntouched) {
    Load(1, {{ScanKey(0x44), "pasted"}, {ScanKey(0x2A), Remap(0x1E)}}, {29, ""});
    EXPECT_TRANSCRIPT(
        Run("d:NumLock44/own u:NumLock44/own d:LShift/own u:LShift/own d:Nonconv/own"),
        "> d:NumLock44/own", "= pass", "> u:NumLock44/own", "= pass", "> d:LShift/own", "= pass",
        "> u:LShift/own", "= pass", "> d:Nonconv/own", "= pass");
    EXPECT_EQ(g_shared.convMode, 1);
}

TEST_P(KbdHookTest, OnOffKeyOnOneSideOfAlt) {
    Load(3, {}, {165, ""});
    EXPECT_EQ(Show(Run("d:LAlt d:RAlt")),
              Show(Join({{"> d:LAlt", "= pass", "> d:RAlt"},
                         kClearSource,  // the Alt no longer counts as held
                         {Notice("9990"), "= eat"}})));
}

TEST_P(KbdHookTest, RemapsToOrdinaryKeys) {
    struct Case {
        const char* name;
        std::uint32_t from;  // scan index
        std::uint8_t to;     // remap byte
        const char* script;
        Lines expected;
    };
    const Case cases[] = {
        {"CapsLock to left Ctrl", 0x3A, 0x1D, "d:Caps u:Caps",
         Join({{"> d:Caps", "MapVirtualKeyA(0x1d, 1)"},
               kClearSource,
               {"keybd_event(17, 0, 0, own)", "= eat", "> u:Caps",
                "keybd_event(17, 0, KEYEVENTF_KEYUP, own)", "= eat"}})},
        {"keypad Enter to main Enter, by its extended scan index", 0x9C, 0x9C, "d:NumEnter d:Enter",
         Join({{"> d:NumEnter", "MapVirtualKeyA(0x1c, 1)"},
               kClearSource,
               {"keybd_event(13, 0, 0, own)", "= eat", "> d:Enter", "= pass"}})},
        // A lone Alt release would open the menu bar: a further Alt press goes before it.
        {"A to Alt", 0x1E, 0x38, "d:A u:A",
         Join({{"> d:A", "MapVirtualKeyA(0x38, 1)"},
               kClearSource,
               {"keybd_event(18, 0, 0, own)", "= eat", "> u:A", "keybd_event(18, 0, 0, own)",
                "keybd_event(18, 0, KEYEVENTF_KEYUP, own)", "= eat"}})},
        {"A to PrintScreen", 0x1E, 55, "d:A u:A",
         Join({{"> d:A"},
               kClearSource,
               {"keybd_event(44, 0, 0, own)", "= eat", "> u:A",
                "keybd_event(44, 0, KEYEVENTF_KEYUP, own)", "= eat"}})},
        {"A to the left Windows key", 0x1E, 91, "d:A u:A",
         Join({{"> d:A"},
               kClearSource,
               {"keybd_event(91, 0, 0, own)", "PostMessageA(0x10010, WM_SYSCOMMAND, 61744, 1)",
                "= eat", "> u:A", "keybd_event(91, 0, KEYEVENTF_KEYUP, own)", "= eat"}})},
        {"A to the right Windows key", 0x1E, 92, "d:A",
         Join({{"> d:A"},
               kClearSource,
               {"keybd_event(92, 0, 0, own)", "PostMessageA(0x10010, WM_SYSCOMMAND, 61744, 1)",
                "= eat"}})},
        {"A to Apps", 0x1E, 93, "d:A",
         Join({{"> d:A"},
               kClearSource,
               {"keybd_event(93, 0, 0, own)", "PostMessageA(0x10010, WM_CONTEXTMENU, 1, -1)",
                "= eat"}})},
        {"a scan code without a key swallows and produces nothing", 0x1E, 0x7F, "d:A u:A",
         Join({{"> d:A", "MapVirtualKeyA(0x7f, 1)"}, kClearSource, {"= eat", "> u:A", "= eat"}})},
        {"own keystrokes pass",
         0x1E,
         0x30,
         "d:A/0 u:A/0",
         {"> d:A/0", "= pass", "> u:A/0", "= pass"}},
    };
    for (const Case& c : cases) {
        SetUp();
        Load(1, {{ScanKey(c.from), Remap(c.to)}});
        EXPECT_EQ(Show(Run(c.script)), Show(c.expected)) << c.name;
    }
}

// A key-up goes where its key-down went: F11, swapped to Ctrl, is pressed, then conversion or
// the rules change under it; its repeats still press Ctrl and its release lets go of Ctrl.
TEST_P(KbdHookTest, HeldKeyIsReleasedAsItWasPressedWhateverChangesMeanwhile) {
    const Row ctrl = {ScanKey(0x57), Remap(0x1D)};
    const struct {
        const char* name;
        int mode;  // -1: the On/Off key is pressed instead of loading rules
        std::vector<Row> rows;
    } cases[] = {
        {"On/Off key", -1, {}},
        {"other rules", 1, {{ScanKey(0x57), Remap(0x38)}}},
        {"a paste row", 3, {{ScanKey(0x57), "text"}}},
        {"no rules", 1, {}},
        {"key learning", 2, {ctrl}},
    };
    for (const auto& c : cases) {
        SetUp();
        Load(1, {ctrl}, {29, ""});
        Run("d:F11");
        if (c.mode < 0)
            Run("d:Nonconv");
        else
            Load(static_cast<std::uint8_t>(c.mode), c.rows);
        EXPECT_EQ(Show(Run("d:F11 u:F11 u:F11")),
                  Show(Join({{"> d:F11"},
                             kClearSource,
                             {"keybd_event(17, 0, 0, own)", "= eat", "> u:F11",
                              "keybd_event(17, 0, KEYEVENTF_KEYUP, own)", "= eat", "> u:F11",
                              "= pass"}})))
            << c.name;
    }
    // A key-down that went on is followed by its key-up, though the key has a rule by then.
    SetUp();
    Load(1, {});
    Run("d:F11");
    Load(1, {ctrl});
    EXPECT_TRANSCRIPT(Run("u:F11"), "> u:F11", "= pass");
}

TEST_P(KbdHookTest, ResetHookReleasesWhatIsStillHeld) {
    Load(1, {{ScanKey(0x57), Remap(0x1D)}, {ScanKey(0x1E), Remap(0x2A)}, {ScanKey(0x30), "p"}});
    Run("d:F11 d:A d:B");
    fake::ClearLog();
    ResetHook();
    EXPECT_EQ(Calls(), (Lines{"UnhookWindowsHookEx(0xa1)", "UnhookWindowsHookEx(0xa2)",
                              "keybd_event(16, 0x2a, KEYEVENTF_KEYUP, own)",
                              "keybd_event(17, 0, KEYEVENTF_KEYUP, own)"}));
    EXPECT_EQ(g_shared.shiftLatch, 0);
    g_shared.hookKbd = kKbdHook;  // installed again: the key-ups go on
    EXPECT_TRANSCRIPT(Run("u:F11 u:A u:B"), "> u:F11", "= pass", "> u:A", "= pass", "> u:B",
                      "= pass");
}

TEST_P(KbdHookTest, RemapsDoNothingWhileConversionIsOffOrLearning) {
    for (std::uint8_t mode : {0, 2}) {
        Load(mode, {{ScanKey(0x3A), Remap(0x1D)}, {ScanKey(0x1E), "text"}});
        EXPECT_TRANSCRIPT(Run("d:Caps u:Caps d:A"), "> d:Caps", "= pass", "> u:Caps", "= pass",
                          "> d:A", "= pass");
    }
}

TEST_P(KbdHookTest, SourceKeyIsNoLongerHeldInTheKeyState) {
    Load(1, {{ScanKey(0x3A), Remap(0x1D)}});
    std::uint8_t state[256] = {};
    state[20] = 0x81;
    state[65] = 0x80;
    fake::SetKeyboardStateBytes(state);
    Run("d:Caps");
    EXPECT_EQ(fake::KeyboardStateBytes()[20], 0);
    EXPECT_EQ(fake::KeyboardStateBytes()[65], 0x80);
}

TEST_P(KbdHookTest, RemappedShiftStaysDownWhileTheOtherShiftIsHeld) {
    Load(1, {{ScanKey(0x1E), Remap(0x2A)}, {ScanKey(0x30), Remap(0x36)}});
    const Lines mapLeft = {"MapVirtualKeyA(0x2a, 1)"}, mapRight = {"MapVirtualKeyA(0x36, 1)"};
    EXPECT_EQ(Show(Run("d:A d:B u:A u:B")),
              Show(Join({{"> d:A"},
                         mapLeft,
                         kClearSource,
                         {"keybd_event(16, 0x2a, 0, own)", "= eat", "> d:B"},
                         mapRight,
                         kClearSource,
                         {"keybd_event(16, 0x36, 0, own)", "= eat", "> u:A", "= eat", "> u:B",
                          "keybd_event(16, 0x36, KEYEVENTF_KEYUP, own)", "= eat"}})));
    EXPECT_EQ(g_shared.shiftLatch, 0);

    // The real right Shift is down (seen by the message hook): the release waits for it.
    g_shared.shiftLatch = kShiftRight;
    Run("d:A");
    EXPECT_EQ(g_shared.shiftLatch, kShiftLeft | kShiftRight | kShiftHeldByRemap);
    EXPECT_TRANSCRIPT(Run("u:A"), "> u:A", "= eat");
    EXPECT_EQ(g_shared.shiftLatch, kShiftRight);
}

// The low-level hook runs on the host's thread and offers the text to the host first (its
// answer here: 0, paste it yourself); the classic hook runs in the application and does not.
Lines Offer() {
    if (::testing::TestWithParam<KbdForm>::GetParam() != KbdForm::LowLevel) return {};
    return {"SendMessageA(0x20, WM_RBUTTONDOWN, \"hello\", 9992)"};
}

TEST_P(KbdHookTest, PasteRowPutsTheTextOnTheClipboardAndTypesCtrlV) {
    Load(3, {{ScanKey(0x1E), "hello"}});
    EXPECT_EQ(
        Show(Run("d:A u:A")),
        Show(Join({{"> d:A"},
                   kClearSource,
                   {"lstrlenA(\"hello\")"},
                   Offer(),
                   {"GlobalAlloc(0x42, 6)", "GlobalLock(0x5000)", "GlobalUnlock(0x5000)",
                    "OpenClipboard(0x20)", "EmptyClipboard()", "SetClipboardData(1, 0x5000)",
                    "CloseClipboard()", "keybd_event(17, 0, 0, own)", "keybd_event(86, 0, 0, own)",
                    "keybd_event(86, 0, KEYEVENTF_KEYUP, own)",
                    "keybd_event(17, 0, KEYEVENTF_KEYUP, own)", "= eat", "> u:A", "= eat"}})));
    EXPECT_EQ(fake::ClipboardText(), "hello");
    EXPECT_EQ(fake::LiveGlobalBlocks(), 0);
}

TEST_P(KbdHookTest, PasteRowWithTheClipboardBusyTypesNothing) {
    Load(1, {{ScanKey(0x1E), "hello"}});
    fake::FailOpenClipboard(true);
    EXPECT_EQ(Show(Run("d:A")),
              Show(Join({{"> d:A"},
                         kClearSource,
                         {"lstrlenA(\"hello\")"},
                         Offer(),
                         {"GlobalAlloc(0x42, 6)", "GlobalLock(0x5000)", "GlobalUnlock(0x5000)",
                          "OpenClipboard(0x20)", "GlobalFree(0x5000)", "= eat"}})));
    EXPECT_EQ(fake::LiveGlobalBlocks(), 0);
}

TEST_P(KbdHookTest, EmptyPasteRowSwallowsTheKey) {
    Load(1, {{ScanKey(0x1E), ""}});
    EXPECT_EQ(Show(Run("d:A u:A")),
              Show(Join({{"> d:A"}, kClearSource, {"= eat", "> u:A", "= eat"}})));
}

// Scan-map values no SetSet writes, as a half-written or damaged table may show them.
TEST_P(KbdHookTest, DamagedScanMapEntriesStayInsideTheTables) {
    Load(1, {});
    const struct {
        std::int32_t value;
        Lines expected;
    } cases[] = {
        {1000 + 101, Join({{"> d:A"}, kClearSource, {"= eat"}})},
        {1000 + 5000, Join({{"> d:A"}, kClearSource, {"= eat"}})},
        {-5, Join({{"> d:A", "MapVirtualKeyA(0xfffffffb, 1)"}, kClearSource, {"= eat"}})},
    };
    for (const auto& c : cases) {
        g_shared.kbdHeld[0x1E] = 0;
        g_shared.scanMap[0x1E] = c.value;
        EXPECT_EQ(Show(Run("d:A")), Show(c.expected)) << c.value;
    }
    // A paste row whose text lost its terminator pastes its 100 bytes.
    std::memset(g_shared.ruleText[100], 'Z', kTextSize);
    g_shared.scanMap[0x1E] = 1100;
    Run("u:A d:A");
    EXPECT_EQ(fake::ClipboardText(), std::string(100, 'Z'));
}

TEST(KbdHookScanCodes, EventsWithScanCodesAbove127PassUntouched) {
    fake::Reset();
    g_shared = SharedArea{};
    g_shared.hookKbd = kKbdHook;
    Load(1, {}, {65, ""});
    g_shared.scanMap[0x9E] = 0x1D;  // what a scan index 0x9E would find
    for (std::uint32_t scan : {0x9Eu, 0x11Eu, 0xFFFFFFFFu}) {
        KbdLLEvent ev{65, scan, 0, 0, 0};
        EXPECT_EQ(KbdLLHookProc(0, win::WM_KEYDOWN, reinterpret_cast<LParam>(&ev)),
                  fake::kNextHookResult);
    }
    // The classic form: scan code 0x9E with the extended flag would index past the scan map.
    EXPECT_EQ(KbdHookProc(0, 65, 0x019E0001), fake::kNextHookResult);
    EXPECT_EQ(KbdHookProc(0, 65, 0x009E0001), fake::kNextHookResult);
    EXPECT_EQ(Calls(), Lines{});
    EXPECT_EQ(g_shared.convMode, 1);
    // Negative codes pass at once.
    EXPECT_EQ(KbdLLHookProc(-1, 0, 0), fake::kNextHookResult);
    EXPECT_EQ(KbdHookProc(-1, 65, 0x001E0001), fake::kNextHookResult);
    EXPECT_EQ(g_shared.convMode, 1);
}

}  // namespace
}  // namespace yv::test
