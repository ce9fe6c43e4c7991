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

// Bitness x packaged x companion x integrity, and a process that could not be asked.
TEST(FrontService, DecisionTable) {
    using yv::host::FrontFacts;
    using yv::host::FrontService;
    using S = FrontService;
    const struct {
        const char* what;
        FrontFacts facts;  // known, other bitness, packaged, above us, companion running
        S want;
    } cases[] = {
        {"same bitness", {true, false, false, false, false}, S::kInProcess},
        {"other bitness, no companion", {true, true, false, false, false}, S::kFallback},
        {"other bitness, companion running", {true, true, false, false, true}, S::kCompanion},
        {"same bitness, companion running", {true, false, false, false, true}, S::kInProcess},
        {"packaged", {true, false, true, false, false}, S::kFallback},
        {"packaged, companion running", {true, true, true, false, true}, S::kFallback},
        {"administrator window", {true, false, false, true, false}, S::kUnreachable},
        {"administrator, other bitness, companion",
         {true, true, false, true, true},
         S::kUnreachable},
        {"administrator, packaged", {true, false, true, true, false}, S::kUnreachable},
        {"process not to be asked", {false, false, false, false, false}, S::kUnreachable},
    };
    for (const auto& c : cases) EXPECT_EQ(JudgeFront(c.facts), c.want) << c.what;
    EXPECT_STREQ(FrontNote(S::kInProcess), "");
    EXPECT_STREQ(FrontNote(S::kFallback), "");
    EXPECT_STRNE(FrontNote(S::kUnreachable), "");
    EXPECT_STREQ(FrontNote(S::kCompanion), "");
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