// Following the window in front from the system's window events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "front.h"
#include "frontservice.h"

namespace {

using yv::host::FrontNote;
using yv::host::FrontTracker;
using yv::host::JudgeFront;
using Action = FrontTracker::Action;

// One event: "fg W" (foreground is W), "focus ROOT FG" (focus into ROOT while FG is in front),
// "check FG" (a later look), with the action expected and the window in front afterwards.
struct Step {
    std::string event;
    FrontTracker::Window a, b;
    Action action;
    FrontTracker::Window front;
};

void Replay(const char* name, FrontTracker::Window start, const std::vector<Step>& steps) {
    FrontTracker t(start);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        Action got = s.event == "fg"      ? t.Foreground(s.a)
                     : s.event == "focus" ? t.Focus(s.a, s.b)
                                          : t.Check(s.a);
        EXPECT_EQ(got, s.action) << name << ", step " << i << " " << s.event;
        EXPECT_EQ(t.front(), s.front) << name << ", step " << i << " " << s.event;
    }
}

TEST(FrontTracker, FollowsForegroundAndFocusEvents) {
    Replay("foreground changes", 1,
           {{"fg", 2, 0, Action::kFollow, 2},
            {"fg", 2, 0, Action::kFollow, 2},  // again: the title may have changed
            {"fg", 0, 0, Action::kNone, 2}});
    Replay("focus follows the foreground", 1,
           {{"focus", 2, 2, Action::kFollow, 2},
            {"focus", 2, 2, Action::kNone, 2},  // inside the window in front
            {"focus", 0, 2, Action::kNone, 2},
            {"focus", 1, 1, Action::kFollow, 1}});
}

TEST(FrontTracker, FocusBeforeTheForegroundIsLookedAtAgain) {
    Replay("a new window takes the focus, then the front", 1,
           {{"focus", 3, 1, Action::kCheckLater, 1},
            {"check", 1, 0, Action::kNone, 1},
            {"check", 3, 0, Action::kFollow, 3},
            {"check", 3, 0, Action::kStopChecking, 3}});
    std::vector<Step> never = {{"focus", 3, 1, Action::kCheckLater, 1}};
    for (int i = 1; i < FrontTracker::kChecks; ++i)
        never.push_back({"check", 1, 0, Action::kNone, 1});
    never.push_back({"check", 1, 0, Action::kStopChecking, 1});
    never.push_back({"check", 3, 0, Action::kStopChecking, 1});  // given up: no late switch
    Replay("a window that never comes to the front", 1, never);
    Replay("no window in front while checking", 1,
           {{"focus", 3, 0, Action::kCheckLater, 1}, {"check", 0, 0, Action::kNone, 1}});
}

// "seen W TITLE" (W came to the front, or was followed, with TITLE) and "look FG TITLE" (a
// later read of the front window's title): whether the look asks to follow the window again,
// and how long until the next look (0: not watching).
TEST(TitleWatch, ReadsTheTitleOfTheFrontWindowAgain) {
    using yv::host::TitleWatch;
    constexpr unsigned Q = TitleWatch::kQuickMs, S = TitleWatch::kSlowMs;
    struct Step {
        const char* event;
        TitleWatch::Window w;
        const char* title;
        bool follow;
        unsigned next;
    };
    const auto replay = [](const char* name, const std::vector<Step>& steps) {
        TitleWatch t;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const Step& s = steps[i];
            bool got = false;
            if (std::string(s.event) == "seen") {
                t.Seen(s.w, s.title);
            } else {
                got = t.Look(s.w, s.title);
            }
            EXPECT_EQ(got, s.follow) << name << ", step " << i;
            EXPECT_EQ(t.watching() ? t.intervalMs() : 0, s.next) << name << ", step " << i;
        }
    };
    replay("named after it came", {{"seen", 1, "無題", false, Q},
                                   {"look", 1, "無題", false, Q},
                                   {"look", 1, "memo3.txt", true, Q},
                                   {"look", 1, "memo3.txt", false, Q}});
    replay("another window in front ends the watch",
           {{"seen", 1, "a", false, Q}, {"look", 2, "b", false, 0}, {"look", 1, "c", false, 0}});
    std::vector<Step> slower = {{"seen", 1, "a", false, Q}};
    for (int i = 1; i < TitleWatch::kQuickLooks; ++i) slower.push_back({"look", 1, "a", false, Q});
    slower.push_back({"look", 1, "a", false, S});
    slower.push_back({"look", 1, "late", true, S});
    slower.push_back({"seen", 1, "late", false, S});  // the same window again: no quick looks
    slower.push_back({"look", 1, "late", false, S});
    replay("quick looks first, then slow ones for as long as it stays", slower);
    std::vector<Step> renewed = slower;
    renewed.push_back({"seen", 2, "x", false, Q});
    renewed.push_back({"look", 2, "y", true, Q});
    replay("a new front window is looked at quickly again", renewed);
}

// A process in a few words: its machine ("x64", "x86", "arm64", "arm"), then any of "appc"
// (an AppContainer token), "admin" (above us), "frame" (ApplicationFrameHost.exe); "unknown"
// for one that could not be asked, "own" for the host's own.
yv::host::ProcessFacts P(const std::string& words) {
    yv::host::ProcessFacts p;
    std::size_t at = 0;
    while (at < words.size()) {
        std::size_t end = words.find(' ', at);
        if (end == std::string::npos) end = words.size();
        const std::string w = words.substr(at, end - at);
        at = end + 1;
        if (w == "x64")
            p.machine = yv::host::kMachineAmd64;
        else if (w == "x86")
            p.machine = yv::host::kMachineI386;
        else if (w == "arm64")
            p.machine = yv::host::kMachineArm64;
        else if (w == "arm")
            p.machine = yv::host::kMachineArmNt;
        else if (w == "appc")
            p.appContainer = true;
        else if (w == "admin")
            p.aboveUs = true;
        else if (w == "frame")
            p.frameHost = true;
        else if (w == "unknown")
            p.known = false;
        else if (w == "own")
            p.own = true;
        else
            ADD_FAILURE() << "no such word: " << w;
    }
    return p;
}

// The top-level window's process, a UWP frame's app window, the focus window of another
// process ("" for none), the host library's machine, and the companion: "-" none, "asked" running
// but the thread not yet confirmed, "hooked" confirmed.
TEST(FrontService, DecisionTable) {
    using yv::host::FrontFacts;
    using yv::host::FrontService;
    using yv::host::KeyWindow;
    using S = FrontService;
    const std::string x64 = "x64", x86 = "x86";
    const struct {
        const char* what;
        std::string top, core, focus, library, companion;
        S want;
        KeyWindow keys;
    } cases[] = {
        {"same bitness", "x64", "", "", x64, "-", S::kInProcess, KeyWindow::kTop},
        {"other bitness, no companion", "x86", "", "", x64, "-", S::kFallback, KeyWindow::kTop},
        {"other bitness, companion hooked", "x86", "", "", x64, "hooked", S::kCompanion,
         KeyWindow::kTop},
        {"other bitness, companion not yet confirmed", "x86", "", "", x64, "asked", S::kFallback,
         KeyWindow::kTop},
        {"same bitness, companion running", "x64", "", "", x64, "hooked", S::kInProcess,
         KeyWindow::kTop},
        {"AppContainer", "x64 appc", "", "", x64, "-", S::kFallback, KeyWindow::kTop},
        {"x86 AppContainer, companion hooked", "x86 appc", "", "", x64, "hooked", S::kFallback,
         KeyWindow::kTop},
        {"administrator window", "x64 admin", "", "", x64, "-", S::kUnreachable, KeyWindow::kTop},
        {"administrator, other bitness, companion", "x86 admin", "", "", x64, "hooked",
         S::kUnreachable, KeyWindow::kTop},
        {"administrator AppContainer", "x64 appc admin", "", "", x64, "-", S::kUnreachable,
         KeyWindow::kTop},
        {"process not to be asked", "unknown", "", "", x64, "-", S::kUnreachable, KeyWindow::kTop},
        {"the host's own menu", "own", "", "", x64, "hooked", S::kInProcess, KeyWindow::kTop},
        // The 32-bit host, alone.
        {"32-bit host, 64-bit program", "x64", "", "", x86, "-", S::kFallback, KeyWindow::kTop},
        {"32-bit host, 32-bit program", "x86", "", "", x86, "-", S::kInProcess, KeyWindow::kTop},
        // ARM64 Windows: neither library enters a native ARM64 (or ARM32) process.
        {"native ARM64", "arm64", "", "", x64, "-", S::kFallback, KeyWindow::kTop},
        {"native ARM64, companion hooked", "arm64", "", "", x64, "hooked", S::kFallback,
         KeyWindow::kTop},
        {"ARM32", "arm", "", "", x64, "hooked", S::kFallback, KeyWindow::kTop},
        {"32-bit host on ARM64, native ARM64", "arm64", "", "", x86, "-", S::kFallback,
         KeyWindow::kTop},
        {"32-bit host on ARM64, x86 program", "x86", "", "", x86, "-", S::kInProcess,
         KeyWindow::kTop},
        // UWP: the frame belongs to ApplicationFrameHost.exe, the keys to the app inside it.
        {"UWP app in its frame", "x64 frame", "x64 appc", "", x64, "-", S::kFallback,
         KeyWindow::kCore},
        {"UWP app with the focus", "x64 frame", "x64 appc", "x64 appc", x64, "-", S::kFallback,
         KeyWindow::kFocus},
        {"frame without its app window", "x64 frame", "", "", x64, "-", S::kInProcess,
         KeyWindow::kTop},
        {"UWP app not to be asked", "x64 frame", "unknown", "", x64, "-", S::kUnreachable,
         KeyWindow::kCore},
        {"a CoreWindow child of an ordinary window counts for nothing", "x64", "x64 appc", "", x64,
         "-", S::kInProcess, KeyWindow::kTop},
        {"packaged full-trust program", "x64", "", "", x64, "-", S::kInProcess, KeyWindow::kTop},
        // The focus in a window of another process inside the one in front.
        {"32-bit child window of a 64-bit program, hooked", "x64", "", "x86", x64, "hooked",
         S::kCompanion, KeyWindow::kFocus},
        {"32-bit child window of a 64-bit program, no companion", "x64", "", "x86", x64, "-",
         S::kFallback, KeyWindow::kFocus},
        {"64-bit child window of a 32-bit program", "x86", "", "x64", x64, "asked", S::kInProcess,
         KeyWindow::kFocus},
        {"administrator child window", "x64", "", "x64 admin", x64, "-", S::kUnreachable,
         KeyWindow::kFocus},
        {"AppContainer child window", "x64", "", "x64 appc", x64, "-", S::kFallback,
         KeyWindow::kFocus},
    };
    for (const auto& c : cases) {
        FrontFacts f;
        f.top = P(c.top);
        f.coreFound = !c.core.empty();
        if (f.coreFound) f.core = P(c.core);
        f.focusElsewhere = !c.focus.empty();
        if (f.focusElsewhere) f.focus = P(c.focus);
        f.library = P(c.library).machine;
        f.companionRunning = c.companion != "-";
        f.confirmed = c.companion == "hooked";
        EXPECT_EQ(JudgeFront(f), c.want) << c.what;
        EXPECT_EQ(yv::host::KeysGoTo(f), c.keys) << c.what;
    }
    EXPECT_STREQ(FrontNote(S::kInProcess), "");
    EXPECT_STREQ(FrontNote(S::kFallback), "");
    EXPECT_STRNE(FrontNote(S::kUnreachable), "");
    EXPECT_STREQ(FrontNote(S::kCompanion), "");
}

// A process's machine from what the system answers: the newest question that it answers
// counts. IsWow64Process2 names no machine for a process outside WOW64.
TEST(FrontService, TheMachineOfAProcess) {
    using yv::host::MachineAnswers;
    using yv::host::MachineOf;
    constexpr std::uint16_t U = yv::host::kMachineUnknown, I386 = yv::host::kMachineI386,
                            AMD64 = yv::host::kMachineAmd64, ARM64 = yv::host::kMachineArm64,
                            ARM = yv::host::kMachineArmNt;
    const struct {
        const char* what;
        MachineAnswers a;  // info?, its machine, wow2?, guest, native, wow?, wow64, system
        std::uint16_t want;
    } cases[] = {
        {"Windows 11 ARM64, x64 emulated",
         {true, AMD64, true, U, ARM64, true, false, ARM64},
         AMD64},
        {"Windows 11 ARM64, native ARM64",
         {true, ARM64, true, U, ARM64, true, false, ARM64},
         ARM64},
        {"Windows 11 ARM64, x86", {true, I386, true, I386, ARM64, true, true, ARM64}, I386},
        {"Windows 11, the newest question failing",
         {true, U, true, I386, AMD64, true, true, AMD64},
         I386},
        {"Windows 10 ARM64, native ARM64", {false, U, true, U, ARM64, true, false, ARM64}, ARM64},
        {"Windows 10 ARM64, ARM32", {false, U, true, ARM, ARM64, true, true, ARM64}, ARM},
        {"Windows 10 x64, x64", {false, U, true, U, AMD64, true, false, AMD64}, AMD64},
        {"Windows 10 x64, x86", {false, U, true, I386, AMD64, true, true, AMD64}, I386},
        {"Windows 7 x64, x86", {false, U, false, U, U, true, true, AMD64}, I386},
        {"Windows 7 x64, x64", {false, U, false, U, U, true, false, AMD64}, AMD64},
        {"32-bit Windows", {false, U, false, U, U, true, false, I386}, I386},
        {"nothing answers", {false, U, false, U, U, false, false, AMD64}, AMD64},
    };
    for (const auto& c : cases) EXPECT_EQ(MachineOf(c.a), c.want) << c.what;
}

// The companion's threads as the host keeps them: "ask ID BORN", "confirm ID", "clear", and
// whether (ID, BORN) counts as hooked after the step.
TEST(PeerThreads, OnlyAConfirmedThreadOfTheSameBirthCountsAsHooked) {
    using yv::host::PeerThreads;
    struct Step {
        const char* event;
        std::uint32_t id;
        std::uint64_t born;
        bool hooked;  // Hooked({id, born}) afterwards
    };
    const auto replay = [](const char* name, const std::vector<Step>& steps) {
        PeerThreads p;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const Step& s = steps[i];
            const std::string e = s.event;
            if (e == "ask") p.Asked({s.id, s.born});
            if (e == "confirm") p.Confirmed(s.id);
            if (e == "clear") p.Clear();
            EXPECT_EQ(p.Hooked({s.id, s.born}), s.hooked) << name << ", step " << i << " " << e;
        }
    };
    replay("asked, then confirmed", {{"ask", 7, 100, false},
                                     {"confirm", 7, 100, true},
                                     {"confirm", 7, 100, true},
                                     {"ask", 7, 100, true}});
    replay("a confirmation nobody asked for",
           {{"confirm", 7, 100, false}, {"ask", 8, 100, false}, {"confirm", 7, 100, false}});
    replay("a reused id", {{"ask", 7, 100, false},
                           {"confirm", 7, 100, true},
                           {"ask", 7, 200, false},
                           {"confirm", 7, 200, true},
                           {"confirm", 7, 100, false}});
    replay("the latest question for an id counts", {{"ask", 7, 100, false},
                                                    {"ask", 7, 200, false},
                                                    {"confirm", 7, 100, false},
                                                    {"confirm", 7, 200, true}});
    replay("a companion gone", {{"ask", 7, 100, false},
                                {"confirm", 7, 100, true},
                                {"ask", 8, 100, false},
                                {"clear", 7, 100, false},
                                {"confirm", 8, 100, false}});

    // Questions in flight: the oldest of more than kPending is dropped.
    PeerThreads p;
    for (std::uint32_t t = 1; t <= PeerThreads::kPending + 1; ++t) p.Asked({t, t});
    for (std::uint32_t t = 1; t <= PeerThreads::kPending + 1; ++t) p.Confirmed(t);
    EXPECT_FALSE(p.Hooked({1, 1}));
    for (std::uint32_t t = 2; t <= PeerThreads::kPending + 1; ++t)
        EXPECT_TRUE(p.Hooked({t, t})) << t;
    // Kept: the one confirmed longest ago makes room; confirmed again, a thread goes last.
    p.Clear();
    for (std::uint32_t t = 1; t <= PeerThreads::kKept; ++t) {
        p.Asked({t, t});
        p.Confirmed(t);
    }
    p.Asked({1, 1});
    p.Confirmed(1);
    p.Asked({1000, 5});
    p.Confirmed(1000);
    EXPECT_EQ(p.kept(), PeerThreads::kKept);
    EXPECT_TRUE(p.Hooked({1, 1}));
    EXPECT_FALSE(p.Hooked({2, 2}));
    EXPECT_TRUE(p.Hooked({3, 3}));
    EXPECT_TRUE(p.Hooked({1000, 5}));
    p.Asked({0, 9});
    p.Confirmed(0);
    EXPECT_FALSE(p.Hooked({0, 9})) << "thread 0 is no thread";
}

// A companion killed now and then is started again every time; one that ends as soon as it
// starts is given up after a few tries, and a long run in between counts them afresh.
TEST(RestartGate, RestartsUnlessItKeepsEndingAtOnce) {
    using yv::host::RestartGate;
    const unsigned quick = RestartGate::kQuickEndMs - 1, longRun = RestartGate::kQuickEndMs;
    RestartGate gate;
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(gate.Ended(longRun)) << i;
    for (int i = 1; i < RestartGate::kMaxQuickEnds; ++i) EXPECT_TRUE(gate.Ended(quick)) << i;
    EXPECT_TRUE(gate.Ended(longRun));
    for (int i = 1; i < RestartGate::kMaxQuickEnds; ++i) EXPECT_TRUE(gate.Ended(quick)) << i;
    EXPECT_FALSE(gate.Ended(quick));
    EXPECT_FALSE(gate.Ended(quick));
}

}  // namespace