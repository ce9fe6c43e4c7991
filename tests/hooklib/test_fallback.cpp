// Windows no library of ours can enter: the low-level hook carries out the rows with virtual-key
// numbers itself, as the host judged the window in front; and the hooks called for a window of
// another process (the system's call for the other bitness) pass it on untouched.
#include "hook_driver.h"

namespace yv::test {
namespace {

using FallbackTest = HookTest;

const Lines kClearSource = {"GetKeyboardState()", "SetKeyboardState()"};
// A text in the messages' mode asks which modifiers are down, once per key.
const Lines kAskModifiers = {"GetAsyncKeyState(162)", "GetAsyncKeyState(163)",
                             "GetAsyncKeyState(164)", "GetAsyncKeyState(165)",
                             "GetAsyncKeyState(91)",  "GetAsyncKeyState(92)"};

Lines Join(std::initializer_list<Lines> parts) {
    Lines out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct Case {
    const char* name;
    std::uint8_t mode;
    std::vector<Row> rows;
    std::uint8_t front, imeOpen;
    const char* script;
    Lines want;
};

const Case kCases[] = {
    {"text as Unicode keystrokes, key-up kept away",
     1,
     {{112, "aあ"}},
     kFrontFallback,
     0,
     "d:F1 u:F1",
     Join({{"> d:F1"},
           kAskModifiers,
           {"SendInput(unicode \"aあ\", own)", "= eat", "> u:F1", "= eat"}})},
    {"the same in mode 3, repeats type again",
     3,
     {{112, "x"}},
     kFrontFallback,
     0,
     "d:F1 d:F1 u:F1",
     {"> d:F1", "SendInput(unicode \"x\", own)", "= eat", "> d:F1", "SendInput(unicode \"x\", own)",
      "= eat", "> u:F1", "= eat"}},
    {"a shortcut over two rows, released in reverse",
     1,
     {{112, OneKey(17)}, {112, OneKey(65)}},
     kFrontFallback,
     0,
     "d:F1 u:F1",
     {"> d:F1", "keybd_event(17, 0, 0, own)", "keybd_event(65, 0, 0, own)", "= eat", "> u:F1",
      "keybd_event(65, 0, KEYEVENTF_KEYUP, own)", "keybd_event(17, 0, KEYEVENTF_KEYUP, own)",
      "= eat"}},
    {"two keys held at once, a repeat presses again, each key-up releases its own",
     1,
     {{112, OneKey(17)}, {65, OneKey(16)}},
     kFrontFallback,
     0,
     "d:F1 d:A d:A u:F1 u:A",
     {"> d:F1", "keybd_event(17, 0, 0, own)", "= eat", "> d:A", "keybd_event(16, 0, 0, own)",
      "= eat", "> d:A", "keybd_event(16, 0, 0, own)", "= eat", "> u:F1",
      "keybd_event(17, 0, KEYEVENTF_KEYUP, own)", "= eat", "> u:A",
      "keybd_event(16, 0, KEYEVENTF_KEYUP, own)", "= eat"}},
    {"a ninth target of one key is tapped at once",
     1,
     {{112, OneKey(65)},
      {112, OneKey(66)},
      {112, OneKey(67)},
      {112, OneKey(68)},
      {112, OneKey(69)},
      {112, OneKey(70)},
      {112, OneKey(71)},
      {112, OneKey(72)},
      {112, OneKey(73)}},
     kFrontFallback,
     0,
     "d:F1",
     {"> d:F1", "keybd_event(65, 0, 0, own)", "keybd_event(66, 0, 0, own)",
      "keybd_event(67, 0, 0, own)", "keybd_event(68, 0, 0, own)", "keybd_event(69, 0, 0, own)",
      "keybd_event(70, 0, 0, own)", "keybd_event(71, 0, 0, own)", "keybd_event(72, 0, 0, own)",
      "keybd_event(73, 0, 0, own)", "keybd_event(73, 0, KEYEVENTF_KEYUP, own)", "= eat"}},
    {"every matching row in order",
     1,
     {{65, "1"}, {66, "-"}, {65, "2"}},
     kFrontFallback,
     0,
     "d:A u:A d:C u:C",
     Join({{"> d:A"},
           kAskModifiers,
           {"SendInput(unicode \"1\", own)", "SendInput(unicode \"2\", own)", "= eat", "> u:A",
            "= eat", "> d:C", "= pass", "> u:C", "= pass"}})},
    {"a side named by the low-level hook",
     1,
     {{163, "r"}, {164, "l"}},
     kFrontFallback,
     0,
     "d:RCtrl163 u:RCtrl163 d:LAlt164 u:LAlt164",
     Join({{"> d:RCtrl163"},
           kAskModifiers,
           {"SendInput(unicode \"r\", own)", "= eat", "> u:RCtrl163", "= eat", "> d:LAlt164"},
           kAskModifiers,
           {"SendInput(unicode \"l\", own)", "= eat", "> u:LAlt164", "= eat"}})},
    {"input method open: the rows do not act",
     1,
     {{112, "x"}, {113, OneKey(17)}},
     kFrontFallback,
     1,
     "d:F1 u:F1",
     {"> d:F1", "= pass", "> u:F1", "= pass"}},
    {"served in its own process: the message hook's work",
     1,
     {{112, "x"}},
     kFrontInProcess,
     0,
     "d:F1 u:F1",
     {"> d:F1", "= pass", "> u:F1", "= pass"}},
    {"conversion off",
     0,
     {{112, "x"}},
     kFrontFallback,
     0,
     "d:F1 u:F1",
     {"> d:F1", "= pass", "> u:F1", "= pass"}},
    {"an administrator window: not even a swap row acts",
     1,
     {{ScanKey(0x3B), Remap(0x1E)}},
     kFrontUnreachable,
     0,
     "d:F1 u:F1",
     {"> d:F1", "= pass", "> u:F1", "= pass"}},
    {"but the On/Off key still switches",
     1,
     {{112, "x"}},
     kFrontUnreachable,
     0,
     "d:Nonconv",
     {"> d:Nonconv", "PostMessageA(0x20, WM_RBUTTONDOWN, 0, 9990)", "= eat"}},
    {"an input-method key has the host ask the input method again, and goes on",
     1,
     {{112, "x"}},
     kFrontFallback,
     0,
     "d:Zenkaku u:Zenkaku",
     {"> d:Zenkaku", "PostMessageA(0x20, WM_RBUTTONDOWN, 0, 10003)", "= pass", "> u:Zenkaku",
      "= pass"}},
    {"the kanji key too",
     1,
     {{112, "x"}},
     kFrontFallback,
     0,
     "d:Kanji",
     {"> d:Kanji", "PostMessageA(0x20, WM_RBUTTONDOWN, 0, 10003)", "= pass"}},
    {"served in process, the input method is the message hook's to see",
     1,
     {{112, "x"}},
     kFrontInProcess,
     0,
     "d:Zenkaku",
     {"> d:Zenkaku", "= pass"}},
};

// Under a held Ctrl, Alt or Win a text arrives as it would in process, as characters: the
// modifiers are let go around it and pressed again, Alt and Win masked so that their release
// opens no menu.
TEST_F(FallbackTest, TextUnderHeldModifiers) {
    const std::string text = "0/0x78/0x4, 0/0x78/0x6";  // 'x' down and up, as Unicode
    const struct {
        const char* name;
        std::vector<int> held;
        std::uint8_t mode;
        std::string want;
    } cases[] = {
        {"right Ctrl", {163}, 1, "SendInput(163/0x0/0x2, " + text + ", 163/0x0/0x0)"},
        {"left Ctrl, no mask", {162}, 1, "SendInput(162/0x0/0x2, " + text + ", 162/0x0/0x0)"},
        {"left Alt, masked both ways",
         {164},
         1,
         "SendInput(232/0x0/0x0, 232/0x0/0x2, 164/0x0/0x2, " + text +
             ", 164/0x0/0x0, 232/0x0/0x0, 232/0x0/0x2)"},
        {"Ctrl and Win, pressed again in reverse",
         {162, 92},
         1,
         "SendInput(232/0x0/0x0, 232/0x0/0x2, 162/0x0/0x2, 92/0x0/0x2, " + text +
             ", 92/0x0/0x0, 162/0x0/0x0, 232/0x0/0x0, 232/0x0/0x2)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HookTest::SetUp();
        Load(c.mode, {{112, "x"}}, {29, ""});
        SetFront(kFrontFallback, 0);
        for (int vk : c.held) fake::SetAsyncKeyState(vk, static_cast<std::int16_t>(0x8000));
        EXPECT_EQ(Show(RunKbd(KbdForm::LowLevel, "d:F1")),
                  Show(Join({{"> d:F1"}, kAskModifiers, {c.want, "= eat"}})));
    }
    // A modifier pressed and let go since the last look is not held.
    HookTest::SetUp();
    Load(1, {{112, "x"}}, {29, ""});
    SetFront(kFrontFallback, 0);
    fake::SetAsyncKeyState(164, 1);
    EXPECT_EQ(Show(RunKbd(KbdForm::LowLevel, "d:F1")),
              Show(Join({{"> d:F1"}, kAskModifiers, {"SendInput(unicode \"x\", own)", "= eat"}})));
    // Texts typed as keys in the keystrokes' mode go as in process: under what is held.
    HookTest::SetUp();
    Load(3, {{112, "x"}}, {29, ""});
    SetFront(kFrontFallback, 0);
    fake::SetAsyncKeyState(164, static_cast<std::int16_t>(0x8000));
    EXPECT_EQ(Show(RunKbd(KbdForm::LowLevel, "d:F1")),
              Show({"> d:F1", "SendInput(unicode \"x\", own)", "= eat"}));
}

TEST_F(FallbackTest, Transcripts) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HookTest::SetUp();
        Load(c.mode, c.rows, {29, ""});
        SetFront(c.front, c.imeOpen);
        EXPECT_EQ(Show(RunKbd(KbdForm::LowLevel, c.script)), Show(c.want));
    }
}

// A key-up goes where its key-down went: what the fallback pressed is let go at the key-up
// whatever changed in between, and its repeats stay away meanwhile.
TEST_F(FallbackTest, KeyUpReleasesWhateverChangedMeanwhile) {
    const Lines release = {"keybd_event(17, 0, KEYEVENTF_KEYUP, own)", "= eat"};
    const struct {
        const char* name;
        std::function<void()> change;
        Lines repeat;
    } cases[] = {
        {"the window in front is now served in process",
         [] { SetFront(kFrontInProcess, 0); },
         {"= eat"}},
        {"conversion switched off",
         [] {
             Load(0, {{112, OneKey(17)}});
         },
         {"= eat"}},
        {"the input method opened", [] { SetFront(kFrontFallback, 1); }, {"= eat"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HookTest::SetUp();
        Load(1, {{112, OneKey(17)}});
        SetFront(kFrontFallback, 0);
        RunKbd(KbdForm::LowLevel, "d:F1");
        c.change();
        Lines want = {"> d:F1"};
        want.insert(want.end(), c.repeat.begin(), c.repeat.end());
        want.push_back("> u:F1");
        want.insert(want.end(), release.begin(), release.end());
        EXPECT_EQ(Show(RunKbd(KbdForm::LowLevel, "d:F1 u:F1")), Show(want));
        EXPECT_EQ(Show(RunKbd(KbdForm::LowLevel, "u:F1")), Show({"> u:F1", "= pass"}));
    }
}

// A one-key target the message hook pressed in a window served in process, released after the
// front moved to a window no message hook of ours sees: the low-level hook lets it go.
TEST_F(FallbackTest, MessageHookTargetReleasedOverAnUnservedWindow) {
    const struct {
        std::uint8_t front;
        Lines up;
        int heldAfter;
    } cases[] = {
        {kFrontFallback, {"> u:F1", "keybd_event(17, 0, KEYEVENTF_KEYUP, own)", "= eat"}, 0},
        {kFrontUnreachable, {"> u:F1", "= pass"}, 0},  // SetFront let it go already
        // the key-up message will; what follows waits for it
        {kFrontInProcess, {"> u:F1", "PostThreadMessageA(1792, WM_NULL, 0, 0)", "= pass"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.front);
        HookTest::SetUp();
        Load(1, {{112, OneKey(17)}});
        RunMsg("d:F1");
        SetFront(c.front, 0);
        EXPECT_EQ(Show(RunKbd(KbdForm::LowLevel, "u:F1")), Show(c.up));
        EXPECT_EQ(g_shared.msgHeldCount[0x3B], c.heldAfter);
    }
}

// An administrator window coming to the front, and the host's end, let go of what is held.
TEST_F(FallbackTest, UnreachableFrontAndResetHookRelease) {
    for (bool reset : {false, true}) {
        HookTest::SetUp();
        Load(1, {{112, OneKey(17)}});
        SetFront(kFrontFallback, 0);
        RunKbd(KbdForm::LowLevel, "d:F1");
        fake::ClearLog();
        reset ? ResetHook() : SetFront(kFrontUnreachable, 0);
        const Lines log = Calls();
        EXPECT_EQ(log.back(), "keybd_event(17, 0, KEYEVENTF_KEYUP, own)") << reset;
        EXPECT_FALSE(FallbackKeyConverted(0x3B)) << reset;  // its key-up goes on unconverted
    }
}

// With the companion running, the host's low-level hook tells its window of every key-up over a
// window the companion's library does not serve, for that library may hold the key's targets.
TEST_F(FallbackTest, KeyUpsElsewhereAreToldToTheCompanion) {
    const Hwnd peer = reinterpret_cast<Hwnd>(0x99);
    const struct {
        std::uint8_t front;
        Hwnd peer;
        Lines up;
    } cases[] = {
        {kFrontInProcess, peer, {"> u:A", "PostMessageA(0x99, 0x8014, 30, 0)", "= pass"}},
        {kFrontFallback, peer, {"> u:A", "PostMessageA(0x99, 0x8014, 30, 0)", "= pass"}},
        {kFrontUnreachable, peer, {"> u:A", "PostMessageA(0x99, 0x8014, 30, 0)", "= pass"}},
        // its library may hold A's targets: what follows waits for that key-up
        {kFrontCompanion, peer, {"> u:A", "PostThreadMessageA(1792, WM_NULL, 0, 0)", "= pass"}},
        {kFrontInProcess, nullptr, {"> u:A", "= pass"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.front) << " " << c.peer);
        HookTest::SetUp();
        Load(1, {{65, OneKey(17)}});
        SetPeer(c.peer);
        SetFront(c.front, 0);
        fake::ClearLog();
        EXPECT_EQ(Show(RunKbd(KbdForm::LowLevel, "u:A")), Show(c.up));
    }
    // The companion's side: its window hands the scan index to ReleaseKey.
    HookTest::SetUp();
    Load(1, {{65, OneKey(17)}, {65, OneKey(16)}});
    RunMsg("d:A");
    fake::ClearLog();
    EXPECT_EQ(ReleaseKey(0x1E), 0);
    EXPECT_EQ(Show(Calls()), Show({"keybd_event(16, 0, KEYEVENTF_KEYUP, own)",
                                   "keybd_event(17, 0, KEYEVENTF_KEYUP, own)"}));
    EXPECT_EQ(ReleaseKey(0x1E), 0);  // nothing held any more
    EXPECT_EQ(ReleaseKey(0x7FFFFF1E), 0);
    EXPECT_EQ(Calls().size(), 2u);
}

// A window of the companion's bitness in front: the host's library does nothing for it but what
// only the low-level hook can do, and lets go of what its own message hook holds.
TEST_F(FallbackTest, CompanionFrontGetsNoFallbackRows) {
    Load(1, {{112, "x"}, {66, OneKey(17)}, {ScanKey(0x1E), Remap(0x11)}});
    RunMsg("d:B");
    SetFront(kFrontCompanion, 0);
    EXPECT_EQ(g_shared.frontService, kFrontCompanion);
    fake::ClearLog();
    EXPECT_EQ(Show(RunKbd(KbdForm::LowLevel, "d:F1 u:F1 u:B")),
              Show({"> d:F1", "= pass", "> u:F1", "= pass", "> u:B",
                    "keybd_event(17, 0, KEYEVENTF_KEYUP, own)", "= eat"}));
    EXPECT_NE(Show(RunKbd(KbdForm::LowLevel, "d:A")), Show({"> d:A", "= pass"}));  // scan row
    SetFront(4, 0);
    EXPECT_EQ(g_shared.frontService, kFrontInProcess);
}

// The system calls a 64-bit library's hooks in the host for a 32-bit program's window (and the
// other way round): they must pass it on, or rows would fire twice or in the wrong process.
TEST_F(FallbackTest, HooksPassOnWindowsOfAnotherProcess) {
    const Hwnd other = reinterpret_cast<Hwnd>(0x77);
    fake::SetWindowProcess(other, 0x999);
    Load(1, {{65, "x"}, {112, OneKey(17)}});
    for (std::uint32_t m : {win::WM_KEYDOWN, win::WM_KEYUP, win::WM_SYSKEYDOWN}) {
        SCOPED_TRACE(m);
        fake::ClearLog();
        EXPECT_EQ(Show(SendRecord({other, m, 65, 0x1E0001, 0, 0, 0})), Show({"= pass"}));
    }
    EXPECT_EQ(Show(SendRecord({other, win::WM_KEYDOWN, 112, 0x3B0001, 0, 0, 0})), Show({"= pass"}));
    EXPECT_EQ(g_shared.msgHeldCount[0x3B], 0);
    // The same key in a window of this process is converted.
    EXPECT_NE(Show(SendRecord({kWnd, win::WM_KEYDOWN, 65, 0x1E0001, 0, 0, 0})), Show({"= pass"}));

    g_shared.hookCbt = reinterpret_cast<Hhook>(0x1005);
    fake::SetWindowStyle(other, 0x10C80000);
    fake::SetWindowTitle(other, "memo");
    fake::ClearLog();
    EXPECT_EQ(CbtHookProc(win::HCBT_ACTIVATE, reinterpret_cast<WParam>(other), 0),
              fake::kNextHookResult);
    EXPECT_EQ(g_shared.aplname[0][0], '\0');
    EXPECT_EQ(g_shared.lastActive, nullptr);
}

}  // namespace
}  // namespace yv::test
