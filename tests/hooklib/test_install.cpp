// Installing and removing the hooks, the system version number, and the activation hook.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "hooklib.h"

namespace yv {
namespace {

using Lines = std::vector<std::string>;

Hwnd Window(std::uintptr_t n) { return reinterpret_cast<Hwnd>(n); }
const Hwnd kHost = Window(0x10);

class InstallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::Reset();
        g_shared = SharedArea{};
        g_process.instance = reinterpret_cast<Hinstance>(0x400000);
        g_process.peerThreadCount = 0;
    }

    static void SetVersion(std::uint32_t platform, std::uint32_t major, std::uint32_t minor,
                           const char* servicePack) {
        OsVersionInfoA v{};
        v.dwOSVersionInfoSize = sizeof v;
        v.dwPlatformId = platform;
        v.dwMajorVersion = major;
        v.dwMinorVersion = minor;
        std::strncpy(v.szCSDVersion, servicePack, sizeof v.szCSDVersion - 1);
        fake::SetVersionInfo(v);
    }

    // The log without the calls that only read state.
    static Lines Actions() {
        Lines out;
        for (const auto& line : fake::Log()) {
            bool read = false;
            for (const char* r : {"GetKeyState", "GetVersionExA", "lstrlenA", "OpenThread",
                                  "GetThreadTimes", "GetExitCodeThread", "CloseHandle"})
                read = read || line.rfind(r, 0) == 0;
            if (!read) out.push_back(line);
        }
        return out;
    }
};

// ---- OsNumber

struct VersionCase {
    std::uint32_t platform, major, minor;
    const char* servicePack;
    std::int32_t expected;
};

class OsNumberTest : public InstallTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(OsNumberTest, CombinesPlatformVersionAndServicePack) {
    const auto& c = GetParam();
    SetVersion(c.platform, c.major, c.minor, c.servicePack);
    EXPECT_EQ(OsNumber(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, OsNumberTest,
    ::testing::Values(VersionCase{2, 5, 1, "Service Pack 3", 2513},  // XP SP3
                      VersionCase{2, 6, 0, "", 2600},                // Vista, no service pack
                      VersionCase{2, 6, 1, "Service Pack 1", 2611},
                      VersionCase{1, 4, 10, "", 1100},                // older platform: minor only
                      VersionCase{2, 6, 1, "SP", 2610},               // two characters: no digit
                      VersionCase{2, 5, 1, "Service Pack 2a", 2512},  // letter after the digit
                      VersionCase{2, 5, 1, "Service Pack x", 2510},   // no digit at the end
                      VersionCase{2, 5, 10, "", 2510},                // minor 10 counts as 1
                      VersionCase{2, 10, 0, "", 3000}));

TEST_F(InstallTest, OsNumberIsZeroWhenTheVersionCannotBeRead) {
    fake::FailGetVersion(true);
    EXPECT_EQ(OsNumber(), 0);
}

TEST_F(InstallTest, OsNumberAsksWithTheRecordSize) {
    OsNumber();
    EXPECT_EQ(fake::Log().at(0), "GetVersionExA(148)");
}

// ---- SetHook and ResetHook

const Lines kFilterCalls = [] {
    Lines l;
    for (const char* m : {"WM_KEYDOWN", "WM_KEYUP", "WM_SYSKEYDOWN", "WM_SYSKEYUP",
                          "WM_RBUTTONDOWN", "WM_SYSCOMMAND", "WM_CONTEXTMENU", "WM_CUT", "WM_COPY",
                          "WM_PASTE", "WM_CLEAR", "WM_UNDO"})
        l.push_back("ChangeWindowMessageFilter(0x77001234, " + std::string(m) + ", 1)");
    return l;
}();

Lines Concat(std::initializer_list<Lines> parts) {
    Lines out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST_F(InstallTest, SetHookOnNewerSystemsAdmitsMessagesAndInstallsTheLowLevelHook) {
    g_shared.scanMap[5] = 7;
    fake::SetKeyState(144, 1);  // NumLock already on
    ASSERT_EQ(SetHook(kHost, 1), 0);
    const Lines expected = Concat({
        {"LoadLibraryA(\"user32.dll\")",
         "GetProcAddress(0x77000000, \"ChangeWindowMessageFilter\")"},
        kFilterCalls,
        {"SetWindowsHookExA(WH_GETMESSAGE, MessageHookProc, 0x400000, 0)",
         "SetWindowsHookExA(WH_KEYBOARD_LL, KbdLLHookProc, 0x400000, 0)",
         "SetWindowsHookExA(WH_CBT, CbtHookProc, 0x400000, 0)", "GetDesktopWindow()"},
    });
    EXPECT_EQ(Actions(), expected);
    EXPECT_EQ(g_shared.hostWnd, kHost);
    EXPECT_EQ(g_shared.numLockHold, 1);
    EXPECT_EQ(g_shared.osNumber, 2611);
    EXPECT_EQ(g_shared.scanMap[5], 0);
    EXPECT_EQ(g_shared.desktopWnd, fake::kDefaultDesktop);
    EXPECT_EQ(g_shared.user32Module, fake::kDefaultUser32);
    EXPECT_NE(g_shared.hookMsg, nullptr);
    EXPECT_NE(g_shared.hookKbd, nullptr);
    EXPECT_NE(g_shared.hookCbt, nullptr);
}

TEST_F(InstallTest, SetHookOnOlderSystemsUsesTheThreadKeyboardHook) {
    SetVersion(2, 5, 1, "Service Pack 3");
    fake::SetKeyState(144, 1);
    ASSERT_EQ(SetHook(kHost, 0), 0);
    EXPECT_EQ(Actions(),
              (Lines{"SetWindowsHookExA(WH_GETMESSAGE, MessageHookProc, 0x400000, 0)",
                     "SetWindowsHookExA(WH_KEYBOARD, KbdHookProc, 0x400000, 0)",
                     "SetWindowsHookExA(WH_CBT, CbtHookProc, 0x400000, 0)", "GetDesktopWindow()"}));
    EXPECT_EQ(g_shared.user32Module, nullptr);
}

TEST_F(InstallTest, MissingMessageFilterOrUser32IsSilent) {
    fake::SetProcAddressResult("ChangeWindowMessageFilter", nullptr);
    EXPECT_EQ(SetHook(kHost, 0), 0);
    fake::Reset();
    fake::SetLoadLibraryResult(nullptr);
    EXPECT_EQ(SetHook(kHost, 0), 0);
    for (const auto& line : fake::Log()) {
        EXPECT_EQ(line.find("ChangeWindowMessageFilter(0x"), std::string::npos) << line;
        EXPECT_EQ(line.find("MessageBoxA"), std::string::npos) << line;
    }
}

TEST_F(InstallTest, SetHookSwitchesNumLockOnWithItsOwnScanCode) {
    struct Case {
        std::uint8_t hold;
        std::int16_t numLockState;
        bool switches;
    } cases[] = {{1, 0, true}, {1, 1, false}, {0, 0, false}, {2, 0, false}};
    for (const auto& c : cases) {
        SetUp();
        fake::SetKeyState(144, c.numLockState);
        SetHook(kHost, c.hold);
        Lines keys;
        for (const auto& line : fake::Log())
            if (line.rfind("keybd_event", 0) == 0) keys.push_back(line);
        const Lines expected = c.switches ? Lines{"keybd_event(144, 0x44, 0, own)",
                                                  "keybd_event(144, 0x44, KEYEVENTF_KEYUP, own)"}
                                          : Lines{};
        EXPECT_EQ(keys, expected) << "hold " << int(c.hold) << " state " << c.numLockState;
    }
}

struct FailureCase {
    int failingHook;
    const char* text;
    Lines cleanup;
};

class HookFailureTest : public InstallTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(HookFailureTest, ReportsRemovesWhatWasInstalledAndReleasesUser32) {
    const auto& c = GetParam();
    fake::FailNthHook(c.failingHook);
    EXPECT_EQ(SetHook(kHost, 1), 1);
    Lines log = fake::Log();
    auto box = std::find(log.begin(), log.end(),
                         "MessageBoxA(0, \"" + std::string(c.text) + "\", \"Yorvan2.dll\", 0)");
    ASSERT_NE(box, log.end());
    EXPECT_EQ(Lines(box + 1, log.end()), c.cleanup);
    for (const auto& line : log) EXPECT_EQ(line.rfind("keybd_event", 0), std::string::npos);

    // Nothing is left to release twice.
    EXPECT_EQ(g_shared.hookMsg, nullptr);
    EXPECT_EQ(g_shared.hookKbd, nullptr);
    EXPECT_EQ(g_shared.hookCbt, nullptr);
    EXPECT_EQ(g_shared.user32Module, nullptr);
    fake::ClearLog();
    EXPECT_EQ(ResetHook(), 0);
    EXPECT_EQ(fake::Log(), Lines{});
}

INSTANTIATE_TEST_SUITE_P(
    EachHook, HookFailureTest,
    ::testing::Values(
        FailureCase{1, "フック失敗", {"FreeLibrary(0x77000000)"}},
        FailureCase{2, "フック失敗２", {"UnhookWindowsHookEx(0x1003)", "FreeLibrary(0x77000000)"}},
        FailureCase{3,
                    "フック失敗２",
                    {"UnhookWindowsHookEx(0x1003)", "UnhookWindowsHookEx(0x100d)",
                     "FreeLibrary(0x77000000)"}}));

TEST_F(InstallTest, ResetHookRemovesAllThreeOnceAndCanBeFollowedBySetHook) {
    ASSERT_EQ(SetHook(kHost, 0), 0);
    fake::ClearLog();
    EXPECT_EQ(ResetHook(), 0);
    EXPECT_EQ(fake::Log(), (Lines{"UnhookWindowsHookEx(0x1003)", "UnhookWindowsHookEx(0x100d)",
                                  "UnhookWindowsHookEx(0x1005)", "FreeLibrary(0x77000000)"}));
    fake::ClearLog();
    EXPECT_EQ(ResetHook(), 0);
    EXPECT_EQ(fake::Log(), Lines{});
    EXPECT_EQ(SetHook(kHost, 0), 0);
    EXPECT_NE(g_shared.hookCbt, nullptr);
}

// A host that gives each kind of hook its own thread: SetHookMsg leaves the keyboard hook and
// the message filter out; SetHookKbd puts the keyboard hook on (again), letting go of what a
// dropped hook held, and a failure there shows no box (the watchdog tries again).
TEST_F(InstallTest, SplitInstallationPutsTheKeyboardHookApart) {
    fake::SetKeyState(144, 1);
    ASSERT_EQ(SetHookMsg(kHost, 1), 0);
    EXPECT_EQ(Actions(),
              (Lines{"SetWindowsHookExA(WH_GETMESSAGE, MessageHookProc, 0x400000, 0)",
                     "SetWindowsHookExA(WH_CBT, CbtHookProc, 0x400000, 0)", "GetDesktopWindow()"}));
    EXPECT_EQ(g_shared.hookKbd, nullptr);
    EXPECT_EQ(g_shared.hostWnd, kHost);

    const struct {
        const char* name;
        std::uint8_t on;
        bool fail;
        int result;
        Lines want;
    } steps[] = {
        {"on", 1, false, 0, {"SetWindowsHookExA(WH_KEYBOARD_LL, KbdLLHookProc, 0x400000, 0)"}},
        {"again: the old one goes first, a held remap is let go",
         1,
         false,
         0,
         {"UnhookWindowsHookEx(0x100d)", "keybd_event(17, 0, KEYEVENTF_KEYUP, own)",
          "SetWindowsHookExA(WH_KEYBOARD_LL, KbdLLHookProc, 0x400000, 0)"}},
        {"off", 0, false, 0, {"UnhookWindowsHookEx(0x100d)"}},
        {"failing", 1, true, 1, {"SetWindowsHookExA(WH_KEYBOARD_LL, KbdLLHookProc, 0x400000, 0)"}},
    };
    for (const auto& st : steps) {
        SCOPED_TRACE(st.name);
        fake::ClearLog();
        if (st.want.size() > 2) g_shared.kbdHeld[0x3A] = (1 << 24) | (17 << 16) | 0x1D;
        if (st.fail) fake::SetHookResult(13, nullptr);
        fake::SetTickCount(500);
        EXPECT_EQ(SetHookKbd(st.on), st.result);
        EXPECT_EQ(Actions(), st.want);
        EXPECT_EQ(g_shared.kbdHeld[0x3A], 0);
        EXPECT_EQ(g_shared.hookKbd != nullptr, st.on == 1 && !st.fail);
    }
    // The watchdog's clock starts with the hook.
    EXPECT_EQ(KbdHookSeen(), 500u);
    KbdLLEvent ev{65, 0x1E, 0, 900, 0};  // the event's time stamp
    KbdLLHookProc(0, win::WM_KEYDOWN, reinterpret_cast<LParam>(&ev));
    EXPECT_EQ(KbdHookSeen(), 900u);
}

// The tests' order drops the keyboard hook as the system does: gone, and what it held still
// held; putting it back lets go of a fallback's target as of a remap's.
TEST_F(InstallTest, ADroppedKeyboardHookHoldsOnUntilPutBack) {
    ASSERT_EQ(SetHookMsg(kHost, 0) + SetHookKbd(1), 0);
    g_shared.kbdHeld[0x3A] = (1 << 24) | (17 << 16) | 0x1D;
    g_shared.fbHeldCount[0x3B] = 1;
    g_shared.fbHeld[0x3B][0] = 65;
    fake::ClearLog();
    EXPECT_EQ(SetHookKbd(2), 0);
    EXPECT_EQ(Actions(), (Lines{"UnhookWindowsHookEx(0x100d)"}));
    EXPECT_EQ(g_shared.hookKbd, nullptr);
    EXPECT_NE(g_shared.kbdHeld[0x3A], 0);
    fake::ClearLog();
    EXPECT_EQ(SetHookKbd(1), 0);
    EXPECT_EQ(Actions(), (Lines{"keybd_event(17, 0, KEYEVENTF_KEYUP, own)",
                                "keybd_event(65, 0, KEYEVENTF_KEYUP, own)",
                                "SetWindowsHookExA(WH_KEYBOARD_LL, KbdLLHookProc, 0x400000, 0)"}));
}

// The companion's library: the message and activation hooks only, thread by thread; the NumLock
// correction, the message filter and the low-level hook are the host's. Whatever the shared
// area still holds from a companion that was killed is let go first.
TEST_F(InstallTest, TheCompanionsLibraryHooksTheThreadsItIsGiven) {
    g_shared.peerWnd = Window(0x99);
    g_shared.msgHeldCount[0x3B] = 1;
    g_shared.msgHeld[0x3B][0] = 17;
    fake::SetKeyState(144, 0);  // NumLock off: still not the companion's to correct
    g_shared.frontService = kFrontUnreachable;
    g_shared.frontImeOpen = 1;
    g_shared.user32Module = reinterpret_cast<Hmodule>(0x66);
    EXPECT_EQ(HookThread(0x51), 2);  // not readied
    ASSERT_EQ(SetHookPeer(kHost, 1), 0);
    EXPECT_EQ(g_shared.frontService, kFrontInProcess);
    EXPECT_EQ(g_shared.frontImeOpen, 0);
    EXPECT_EQ(g_shared.user32Module, nullptr);
    EXPECT_EQ(Actions(), (Lines{"keybd_event(17, 0, KEYEVENTF_KEYUP, own)", "GetDesktopWindow()"}));
    EXPECT_EQ(g_shared.peerWnd, nullptr);
    EXPECT_EQ(g_shared.numLockHold, 1);  // the NumLock key in its windows still keeps it on
    fake::ClearLog();
    EXPECT_EQ(HookThread(0x51), 0);
    EXPECT_EQ(HookThread(0x51), 0);  // once per thread
    EXPECT_EQ(HookThread(0), 2);
    EXPECT_EQ(Actions(), (Lines{"SetWindowsHookExA(WH_GETMESSAGE, MessageHookProc, 0x400000, 81)",
                                "SetWindowsHookExA(WH_CBT, CbtHookProc, 0x400000, 81)"}));
    EXPECT_NE(g_shared.hookMsg, nullptr);
    EXPECT_NE(g_shared.hookCbt, nullptr);
    // A thread whose activation hook fails keeps no message hook either.
    fake::ClearLog();
    fake::SetHookResult(win::WH_CBT, nullptr);
    EXPECT_EQ(HookThread(0x52), 1);
    EXPECT_EQ(Actions().back(), "UnhookWindowsHookEx(0x1003)");
    EXPECT_EQ(g_process.peerThreadCount, 1);
    fake::SetHookResult(win::WH_CBT, reinterpret_cast<Hhook>(0x1005));
    // The 65th thread makes the oldest go.
    for (std::uint32_t t = 0x100; t < 0x100 + kPeerThreads - 1; ++t) ASSERT_EQ(HookThread(t), 0);
    fake::ClearLog();
    EXPECT_EQ(HookThread(0x200), 0);
    EXPECT_EQ(Actions().size(), 4u);
    EXPECT_EQ(Actions().at(0), "UnhookWindowsHookEx(0x1003)");
    EXPECT_EQ(g_process.peerThreadCount, kPeerThreads);
    fake::ClearLog();
    g_shared.convMode = 1;
    EXPECT_EQ(ResetHook(), 0);
    EXPECT_EQ(Actions().size(), 2u * kPeerThreads);
    EXPECT_EQ(g_process.peerThreadCount, 0);
    EXPECT_EQ(g_shared.convMode, 0);
    fake::ClearLog();
    EXPECT_EQ(ResetHook(), 0);
    EXPECT_EQ(Actions(), Lines{});
    ASSERT_EQ(SetHook(kHost, 0), 0);
    EXPECT_EQ(g_shared.peer, 0);
    EXPECT_EQ(HookThread(0x51), 2);
}

// The companion's thread entries over time: "ask T" (HookThread(T), its result and the hooks
// set and removed), "end T" (the thread has ended, its object still open somewhere), "gone T"
// (no such thread), "new T" (the id now belongs to a thread created later), "fill" (as many
// other threads as make the table full).
struct ThreadStep {
    const char* event;
    std::uint32_t thread;
    std::int32_t result;
    Lines hooks;
};

Lines HookLines() {
    Lines out;
    for (const auto& line : fake::Log())
        if (line.rfind("SetWindowsHookExA", 0) == 0 || line.rfind("UnhookWindowsHookEx", 0) == 0)
            out.push_back(line);
    return out;
}

std::string Set(const char* type, std::uint32_t t) {
    const char* proc = std::strcmp(type, "WH_CBT") == 0 ? "CbtHookProc" : "MessageHookProc";
    return std::string("SetWindowsHookExA(") + type + ", " + proc + ", 0x400000, " +
           std::to_string(t) + ")";
}
Lines Hooked(std::uint32_t t) { return {Set("WH_GETMESSAGE", t), Set("WH_CBT", t)}; }
const Lines kUnhooked = {"UnhookWindowsHookEx(0x1003)", "UnhookWindowsHookEx(0x1005)"};
Lines Join(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void ReplayThreads(const char* name, const std::vector<ThreadStep>& steps) {
    fake::Reset();
    g_shared = SharedArea{};
    g_process.instance = reinterpret_cast<Hinstance>(0x400000);
    g_process.peerThreadCount = 0;
    ASSERT_EQ(SetHookPeer(kHost, 0), 0);
    std::uint64_t later = 0x9000000;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const ThreadStep& s = steps[i];
        const std::string e = s.event;
        fake::ClearLog();
        if (e == "ask") {
            EXPECT_EQ(HookThread(s.thread), s.result) << name << ", step " << i;
            EXPECT_EQ(HookLines(), s.hooks) << name << ", step " << i;
        } else if (e == "end") {
            fake::SetThread(s.thread, {fake::DefaultBirth(s.thread), false, true});
        } else if (e == "gone") {
            fake::SetThread(s.thread, {0, false, false});
        } else if (e == "mute") {
            fake::SetThread(s.thread, {fake::DefaultBirth(s.thread), true, true, true});
        } else if (e == "new") {
            fake::SetThread(s.thread, {++later, true, true});
        } else if (e == "fill") {
            for (std::uint32_t t = 0x100; g_process.peerThreadCount < kPeerThreads; ++t)
                ASSERT_EQ(HookThread(t), 0) << name << ", step " << i;
        }
        EXPECT_EQ(fake::OpenThreadHandles(), 0) << name << ", step " << i << ": a handle left open";
    }
}

TEST(CompanionThreads, EntriesFollowTheThreadsNotOnlyTheirIds) {
    ReplayThreads("once per running thread", {{"ask", 0x51, 0, Hooked(0x51)},
                                              {"ask", 0x51, 0, {}},
                                              {"ask", 0x52, 0, Hooked(0x52)},
                                              {"ask", 0x51, 0, {}}});
    ReplayThreads("a reused id is hooked again, its old hooks removed",
                  {{"ask", 0x51, 0, Hooked(0x51)},
                   {"new", 0x51, 0, {}},
                   {"ask", 0x51, 0, Join(kUnhooked, Hooked(0x51))},
                   {"ask", 0x51, 0, {}}});
    ReplayThreads("an ended thread is dropped when another is asked for",
                  {{"ask", 0x51, 0, Hooked(0x51)},
                   {"ask", 0x52, 0, Hooked(0x52)},
                   {"end", 0x51, 0, {}},
                   {"ask", 0x52, 0, kUnhooked},
                   {"gone", 0x52, 0, {}},
                   {"ask", 0x53, 0, Join(kUnhooked, Hooked(0x53))}});
    ReplayThreads("a thread that cannot be asked is hooked afresh each time",
                  {{"gone", 0x51, 0, {}},
                   {"ask", 0x51, 0, Hooked(0x51)},
                   {"ask", 0x51, 0, Join(kUnhooked, Hooked(0x51))}});
    ReplayThreads("a thread whose times cannot be read counts as one that cannot be asked",
                  {{"ask", 0x51, 0, Hooked(0x51)},
                   {"mute", 0x51, 0, {}},
                   {"ask", 0x51, 0, Join(kUnhooked, Hooked(0x51))},
                   {"ask", 0x51, 0, Join(kUnhooked, Hooked(0x51))}});
}

// A thread asked for again goes last, wherever it stood; the others keep their order and their
// entries.
TEST(CompanionThreads, AThreadAskedForAgainGoesLast) {
    ReplayThreads("four threads", {{"ask", 0x51, 0, Hooked(0x51)},
                                   {"ask", 0x52, 0, Hooked(0x52)},
                                   {"ask", 0x53, 0, Hooked(0x53)},
                                   {"ask", 0x54, 0, Hooked(0x54)},
                                   {"ask", 0x52, 0, {}},
                                   {"ask", 0x51, 0, {}},
                                   {"ask", 0x51, 0, {}}});
    const auto order = [] {
        std::vector<std::uint32_t> ids;
        for (int i = 0; i < g_process.peerThreadCount; ++i) {
            ids.push_back(g_process.peerThreads[i].thread);
            EXPECT_EQ(g_process.peerThreads[i].created,
                      fake::DefaultBirth(g_process.peerThreads[i].thread));
        }
        return ids;
    };
    EXPECT_EQ(order(), (std::vector<std::uint32_t>{0x53, 0x54, 0x52, 0x51}));
    EXPECT_EQ(HookThread(0x54), 0);
    EXPECT_EQ(order(), (std::vector<std::uint32_t>{0x53, 0x52, 0x51, 0x54}));
}

// With the table full the thread asked for least recently makes room, not the one hooked first:
// the window in front now and then keeps its hooks.
TEST(CompanionThreads, TheThreadLongestNotAskedForMakesRoom) {
    ReplayThreads("full table", {{"ask", 0x51, 0, Hooked(0x51)},
                                 {"ask", 0x52, 0, Hooked(0x52)},
                                 {"fill", 0, 0, {}},
                                 {"ask", 0x51, 0, {}},
                                 {"ask", 0x400, 0, Join(kUnhooked, Hooked(0x400))},
                                 {"ask", 0x51, 0, {}},
                                 {"ask", 0x52, 0, Join(kUnhooked, Hooked(0x52))}});
    EXPECT_EQ(g_process.peerThreadCount, kPeerThreads);
    EXPECT_EQ(g_process.peerThreads[kPeerThreads - 1].thread, 0x52u);
    EXPECT_EQ(g_process.peerThreads[kPeerThreads - 1].created, fake::DefaultBirth(0x52));
    // A count that shared memory or a bug has broken is taken for none, never read past.
    g_process.peerThreadCount = kPeerThreads + 7;
    fake::ClearLog();
    EXPECT_EQ(HookThread(0x51), 0);
    EXPECT_EQ(g_process.peerThreadCount, 1);
}

// ---- CbtHookProc

class CbtTest : public InstallTest {
  protected:
    static constexpr std::int32_t kTitled = 0x10C80000;
    void SetUp() override {
        InstallTest::SetUp();
        g_shared.hostWnd = kHost;
        g_shared.hookCbt = reinterpret_cast<Hhook>(0x1005);
        g_shared.convMode = 1;
    }
    static LResult Activate(Hwnd w) {
        return CbtHookProc(win::HCBT_ACTIVATE, reinterpret_cast<WParam>(w), 0);
    }
    static Lines Notifications() {
        Lines out;
        for (const auto& line : fake::Log())
            if (line.rfind("SendMessageA", 0) == 0) out.push_back(line);
        return out;
    }
    static std::string Recorded() { return g_shared.aplname[0]; }
};

TEST_F(CbtTest, RecordsTheTitleAndTellsTheHostInModeOne) {
    const Hwnd w = Window(0x200);
    fake::SetWindowStyle(w, kTitled | 0x00010000);
    fake::SetWindowTitle(w, "メモ帳");
    std::strcpy(g_shared.aplname[1], "junk");
    EXPECT_EQ(Activate(w), fake::kNextHookResult);
    EXPECT_EQ(Recorded(), "メモ帳");
    EXPECT_STREQ(g_shared.aplname[1], "");
    EXPECT_EQ(Notifications(), Lines{"SendMessageA(0x10, WM_RBUTTONDOWN, 512, 10001)"});
    EXPECT_EQ(g_shared.lastActive, w);
}

TEST_F(CbtTest, TheSameWindowTwiceIsLookedAtOnce) {
    const Hwnd w = Window(0x200);
    fake::SetWindowStyle(w, kTitled);
    fake::SetWindowTitle(w, "a");
    Activate(w);
    Activate(w);
    EXPECT_EQ(Notifications().size(), 1u);
}

TEST_F(CbtTest, OtherModesRecordWithoutTellingTheHost) {
    for (std::uint8_t mode : {0, 2, 3}) {
        SetUp();
        g_shared.convMode = mode;
        const Hwnd w = Window(0x300 + mode);
        fake::SetWindowStyle(w, kTitled);
        fake::SetWindowTitle(w, "editor");
        Activate(w);
        EXPECT_EQ(Recorded(), "editor") << int(mode);
        EXPECT_EQ(Notifications(), Lines{}) << int(mode);
        EXPECT_EQ(g_shared.lastActive, w);
    }
}

// The companion's library tells the host of each activation it records, in every mode and for
// the same window again (the host's library may have recorded another one in between); the
// host hands it to its own library with NoteActivated.
TEST_F(CbtTest, TheCompanionsLibraryTellsEveryRecordedActivation) {
    const struct {
        std::uint8_t mode;
        Lines sent;
    } cases[] = {
        {1,
         {"SendMessageA(0x10, WM_RBUTTONDOWN, 512, 10001)",
          "SendMessageA(0x10, WM_RBUTTONDOWN, 512, 10001)"}},
        {2,
         {"SendMessageA(0x10, WM_RBUTTONDOWN, 512, 10002)",
          "SendMessageA(0x10, WM_RBUTTONDOWN, 512, 10002)"}},
        {0,
         {"SendMessageA(0x10, WM_RBUTTONDOWN, 512, 10002)",
          "SendMessageA(0x10, WM_RBUTTONDOWN, 512, 10002)"}},
    };
    for (const auto& c : cases) {
        SetUp();
        g_shared.peer = 1;
        g_shared.convMode = c.mode;
        const Hwnd w = Window(0x200);
        fake::SetWindowStyle(w, kTitled);
        fake::SetWindowTitle(w, "32-bit");
        Activate(w);
        Activate(w);
        fake::SetWindowTitle(w, "情報");  // not recorded: nothing to tell
        g_shared.lastActive = nullptr;
        Activate(w);
        EXPECT_EQ(Notifications(), c.sent) << int(c.mode);
        EXPECT_EQ(Recorded(), "32-bit");
    }
}

TEST_F(CbtTest, NoteActivatedRecordsAsTheHookWouldWithoutTelling) {
    const Hwnd w = Window(0x200), other = Window(0x300);
    fake::SetWindowStyle(w, kTitled);
    fake::SetWindowTitle(w, "32-bit");
    fake::SetWindowStyle(other, kTitled);
    fake::SetWindowTitle(other, "Yorvan2変換設定");
    EXPECT_EQ(NoteActivated(w), 0);
    EXPECT_EQ(Recorded(), "32-bit");
    EXPECT_EQ(g_shared.lastActive, w);
    NoteActivated(other);  // the editor's own window is never recorded
    NoteActivated(nullptr);
    EXPECT_EQ(Recorded(), "32-bit");
    g_shared.trackOff = 1;
    fake::SetWindowTitle(other, "64-bit");
    NoteActivated(other);
    EXPECT_EQ(Recorded(), "32-bit");
    EXPECT_EQ(Notifications(), Lines{});
}

TEST_F(CbtTest, TrackingOffOrAnotherHookCodeRecordsNothing) {
    const Hwnd w = Window(0x200);
    fake::SetWindowStyle(w, kTitled);
    fake::SetWindowTitle(w, "a");
    g_shared.trackOff = 1;
    EXPECT_EQ(Activate(w), fake::kNextHookResult);
    g_shared.trackOff = 0;
    EXPECT_EQ(CbtHookProc(3, reinterpret_cast<WParam>(w), 0), fake::kNextHookResult);
    EXPECT_EQ(Recorded(), "");
    EXPECT_EQ(g_shared.lastActive, nullptr);
    EXPECT_EQ(Notifications(), Lines{});
}

TEST_F(CbtTest, WhichTitlesAreRecorded) {
    struct Case {
        std::int32_t style;
        std::string title;
        bool recorded;
    } cases[] = {
        {kTitled, "Yorvan2変換設定", false},
        {kTitled, "[Yorvan2変換設定] x", false},  // the editor with more text around its title
        {kTitled, "情報", false},
        {kTitled, "設定の情報です", false},
        {kTitled, "", false},          // unreadable title
        {0, "Program Manager", true},  // the desktop shell has no caption
        {0x10000000, "a Program Manager b", true},
        {0, "Untitled tool window", false},
        {kTitled & ~0x00080000, "no system menu", false},
        {kTitled, "Program Manager", true},
    };
    std::uintptr_t n = 0x400;
    for (const auto& c : cases) {
        SetUp();
        const Hwnd w = Window(++n);
        fake::SetWindowStyle(w, c.style);
        fake::SetWindowTitle(w, c.title);
        Activate(w);
        EXPECT_EQ(Recorded(), c.recorded ? c.title : "") << c.title;
        EXPECT_EQ(g_shared.lastActive, c.recorded ? w : nullptr) << c.title;
        EXPECT_EQ(Notifications().size(), c.recorded ? 1u : 0u) << c.title;
    }
}

// The shared area outlives a host that ended without ResetHook: a new run starts with no last
// window, and lets go of a key the old run still held.
TEST_F(CbtTest, SetHookStartsWithNoLastWindowAndNothingHeld) {
    const Hwnd w = Window(0x200);
    fake::SetWindowStyle(w, kTitled);
    fake::SetWindowTitle(w, "a");
    Activate(w);
    g_shared.msgHeldCount[0x3B] = 1;
    g_shared.msgHeld[0x3B][0] = 17;
    fake::ClearLog();
    ASSERT_EQ(SetHook(kHost, 0), 0);
    EXPECT_EQ(fake::Log().at(0), "keybd_event(17, 0, KEYEVENTF_KEYUP, own)");
    fake::ClearLog();
    Activate(w);
    EXPECT_EQ(Notifications(), Lines{"SendMessageA(0x10, WM_RBUTTONDOWN, 512, 10001)"});
}

TEST_F(CbtTest, AnUnrecordedWindowIsLookedAtAgainNextTime) {
    const Hwnd w = Window(0x200);
    fake::SetWindowStyle(w, kTitled);
    Activate(w);  // no title yet
    fake::SetWindowTitle(w, "later");
    Activate(w);
    EXPECT_EQ(Recorded(), "later");
}

TEST_F(CbtTest, ALongTitleIsCutTo99Bytes) {
    const Hwnd w = Window(0x200);
    fake::SetWindowStyle(w, kTitled);
    fake::SetWindowTitle(w, std::string(150, 't'));
    Activate(w);
    EXPECT_EQ(Recorded(), std::string(99, 't'));
    EXPECT_EQ(fake::Log().at(1), "GetWindowTextW(0x200, 100)");
}

}  // namespace
}  // namespace yv
