// Profile choice by window title and the host's conversion state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostcore.h"

namespace {

using yv::host::ChooseProfile;
using yv::host::FollowProfile;
using yv::host::HostCore;
using yv::host::Snapshot;
using yv::host::TitleContains;

TEST(TitleContains, MatchesOnCharacterBoundaries) {
    struct Case {
        std::string title, needle;
        bool found;
    } cases[] = {
        {"無題 - メモ帳", "メモ帳", true},
        {"無題 - メモ帳", "無題", true},
        {"Untitled - Notepad", "Notepad", true},
        {"Untitled - Notepad", "notepad", false},  // bytes, not letters
        {"Notepad", "Untitled - Notepad", false},
        {"anything", "", false},
        {"", "x", false},
        // "ア" is 83 41; a title "ア" must not contain "A" (0x41) through its trail byte
        {"ア", "A", false},
        {"xアA", "A", true},
        // trail byte 0x83 of "メ" (83 81) followed by lead... "メモ" = 83 81 83 82
        {"メモ", "\x81\x83", false},
        {"ｱA", "A", true},  // half-width katakana is one byte
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TitleContains(c.title, c.needle), c.found) << c.title << " / " << c.needle;
    }
}

Snapshot ThreeProfiles() {
    Snapshot s;
    s.profileCount = 3;
    s.profiles[0].name = "標　準";
    s.profiles[1].name = "表計算";
    s.profiles[1].title = "";  // no switching title: never chosen automatically
    s.profiles[2].name = "メモ";
    s.profiles[2].title = "メモ帳";
    s.profiles[3].name = "メモ2";
    s.profiles[3].title = "帳";
    for (int p = 0; p <= 3; ++p) s.profiles[p].rules.keys[1] = 0x70 + p;
    return s;
}

TEST(ChooseProfile, FirstProfileWhoseTitleOccurs) {
    Snapshot s = ThreeProfiles();
    struct Case {
        std::string title;
        int profile;
    } cases[] = {
        {"無題 - メモ帳", 2},  // profile 3 matches too, the first wins
        {"手帳", 3},
        {"Excel", 0},
        {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooseProfile(s, c.title), c.profile) << c.title;
}

TEST(ChooseProfile, IgnoresProfilesBeyondTheCount) {
    Snapshot s = ThreeProfiles();
    s.profiles[4].name = "stale";
    s.profiles[4].title = "Excel";
    EXPECT_EQ(ChooseProfile(s, "Excel"), 0);
}

TEST(FollowProfile, KeepsTheSameProfileAcrossEdits) {
    Snapshot s = ThreeProfiles();
    struct Case {
        int oldNumber;
        std::string oldName;
        int profile;
    } cases[] = {
        {0, "標　準", 0}, {2, "メモ", 2},  // unchanged
        {3, "メモ", 2},                    // moved down by a deletion
        {2, "旧名", 0},                    // renamed: no longer the same profile
        {5, "消えた", 0},                  // deleted, number gone
        {3, "", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FollowProfile(s, c.oldNumber, c.oldName), c.profile) << c.oldName;
    }
}

TEST(FollowProfile, TwoProfilesOfOneNameKeepTheirNumbers) {
    Snapshot s = ThreeProfiles();
    s.profiles[3].name = s.profiles[2].name;
    EXPECT_EQ(FollowProfile(s, 3, "メモ"), 3);
    EXPECT_EQ(FollowProfile(s, 2, "メモ"), 2);
    s.profiles[3].name = "改名";  // the second renamed: the first of the old name is next
    EXPECT_EQ(FollowProfile(s, 3, "メモ"), 2);
}

struct Call {
    int mode, trackOff, numLockHold, firstRuleKey;
};

class FakeLibrary : public yv::host::Library {
  public:
    void SetRules(std::uint8_t mode, std::uint8_t trackOff, std::uint8_t numLockHold,
                  const yv::host::RuleSet& rules) override {
        calls.push_back({mode, trackOff, numLockHold, rules.keys[1]});
    }
    std::vector<Call> calls;
};

class HostCoreTest : public ::testing::Test {
  protected:
    FakeLibrary lib;
    HostCore core{lib};

    void Start(int henstart, bool autoSwitch = true, bool numLockHold = true) {
        Snapshot s = ThreeProfiles();
        s.henstart = henstart;
        s.autoSwitch = autoSwitch;
        s.numLockHold = numLockHold;
        core.Start(s);
    }
    const Call& Last() { return lib.calls.back(); }
};

TEST_F(HostCoreTest, StartsInTheStoredModeWithTheStandardProfile) {
    struct Case {
        int henstart;
        bool numLockHold;
        int mode, nl;
    } cases[] = {{0, true, 0, 1}, {1, true, 1, 1}, {3, false, 3, 0}};
    for (const auto& c : cases) {
        lib.calls.clear();
        Start(c.henstart, true, c.numLockHold);
        ASSERT_EQ(lib.calls.size(), 1u);
        EXPECT_EQ(Last().mode, c.mode);
        EXPECT_EQ(Last().trackOff, 0);
        EXPECT_EQ(Last().numLockHold, c.nl);
        EXPECT_EQ(Last().firstRuleKey, 0x70);
        EXPECT_EQ(core.profile(), 0);
    }
}

TEST_F(HostCoreTest, StartFollowsTheWindowInFrontOnlyWhenSwitching) {
    struct Case {
        int henstart;
        bool autoSwitch;
        int profile;
    } cases[] = {{1, true, 2}, {1, false, 0}, {3, true, 2}, {3, false, 0}, {0, true, 0}};
    for (const auto& c : cases) {
        Snapshot s = ThreeProfiles();
        s.henstart = c.henstart;
        s.autoSwitch = c.autoSwitch;
        lib.calls.clear();
        core.Start(s, "無題 - メモ帳");
        EXPECT_EQ(core.profile(), c.profile) << c.henstart << c.autoSwitch;
        ASSERT_EQ(lib.calls.size(), 1u);
        EXPECT_EQ(Last().firstRuleKey, 0x70 + c.profile);
    }
}

TEST_F(HostCoreTest, ActivationSwitchesProfilesOnlyWhenTheyChange) {
    Start(1);
    lib.calls.clear();
    EXPECT_TRUE(core.NotifyActivated("無題 - メモ帳"));
    EXPECT_EQ(core.profile(), 2);
    ASSERT_EQ(lib.calls.size(), 1u);
    EXPECT_EQ(Last().mode, 1);
    EXPECT_EQ(Last().firstRuleKey, 0x72);

    EXPECT_FALSE(core.NotifyActivated("別の メモ帳"));
    EXPECT_EQ(lib.calls.size(), 1u);

    EXPECT_TRUE(core.NotifyActivated("コマンド プロンプト"));
    EXPECT_EQ(core.profile(), 0);
    EXPECT_EQ(Last().firstRuleKey, 0x70);
    EXPECT_EQ(lib.calls.size(), 2u);
}

TEST_F(HostCoreTest, ActivationSwitchesWhileConversionIsOnInEitherTypingMode) {
    struct Case {
        int henstart;
        bool off;
        int profile;
    } cases[] = {{1, false, 2}, {3, false, 2}, {1, true, 0}, {3, true, 0}, {0, false, 0}};
    for (const auto& c : cases) {
        Start(c.henstart);
        if (c.off) core.NotifyOff();
        lib.calls.clear();
        EXPECT_EQ(core.NotifyActivated("無題 - メモ帳"), c.profile != 0) << c.henstart << c.off;
        EXPECT_EQ(core.profile(), c.profile) << c.henstart << c.off;
        EXPECT_EQ(lib.calls.size(), c.profile != 0 ? 1u : 0u);
        if (!lib.calls.empty()) {
            EXPECT_EQ(Last().mode, c.henstart);
        }
    }
}

TEST(FollowsWindow, JudgesWindowsAsTheActivationHookDoes) {
    struct Case {
        std::string title;
        bool captioned, follows;
    } cases[] = {
        {"無題 - メモ帳", true, true},
        {"", true, false},
        {"情報", true, false},
        {"Yorvan2変換設定", true, false},
        {"[Yorvan2変換設定] - 2", true, false},
        {"Program Manager", false, true},
        {"Program Manager", true, true},
        {"splash", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(yv::host::FollowsWindow(c.title, c.captioned), c.follows) << c.title;
    }
}

TEST_F(HostCoreTest, ActivationIsIgnoredWithoutAutomaticSwitching) {
    Start(1, false);
    lib.calls.clear();
    EXPECT_FALSE(core.NotifyActivated("無題 - メモ帳"));
    core.SetAutoSwitch(true);
    EXPECT_TRUE(core.NotifyActivated("無題 - メモ帳"));
    core.SetAutoSwitch(false);
    EXPECT_FALSE(core.NotifyActivated("Excel"));
    EXPECT_EQ(core.profile(), 2);
    EXPECT_EQ(lib.calls.size(), 1u);
}

TEST_F(HostCoreTest, OnOffKeyKeepsTheTypingMode) {
    // mode 3: the library turns on to 1, the host puts 3 back
    Start(3);
    lib.calls.clear();
    core.NotifyOff();
    EXPECT_EQ(core.mode(), 0);
    EXPECT_TRUE(lib.calls.empty());
    core.NotifyOn("");
    EXPECT_EQ(core.mode(), 3);
    ASSERT_EQ(lib.calls.size(), 1u);
    EXPECT_EQ(Last().mode, 3);

    // mode 1: the library is right already
    Start(1);
    lib.calls.clear();
    core.NotifyOff();
    core.NotifyOn("Excel");
    EXPECT_EQ(core.mode(), 1);
    EXPECT_TRUE(lib.calls.empty());
}

// The On/Off notice is a hint anyone can send: what the library's mode says is what happened.
TEST_F(HostCoreTest, OnOffNoticesFollowTheLibrarysMode) {
    const struct {
        const char* name;
        int start;  // the host's mode
        bool editing;
        int libraryMode;  // what the library holds when the notice arrives
        bool changed;
        int mode;  // the host's mode after it
    } cases[] = {
        {"turned off", 1, false, 0, true, 0},
        {"turned on, the keystrokes' mode put back", 0, false, 1, true, 3},
        {"forged: off while the library is on", 3, false, 3, false, 3},
        {"forged: on while the library is off", 0, false, 0, false, 0},
        {"forged: on while on", 1, false, 1, false, 1},
        {"while editing nothing leaves key learning", 1, true, 0, false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.start == 0 ? 3 : c.start);
        if (c.start == 0) core.SetConversion(false);
        if (c.editing) core.BeginEditing();
        EXPECT_EQ(core.FollowLibraryMode(c.libraryMode, "無題 - メモ帳"), c.changed);
        EXPECT_EQ(core.mode(), c.mode);
    }
}

TEST_F(HostCoreTest, TurningOnFollowsTheWindowInFront) {
    Start(1);
    core.NotifyOff();
    lib.calls.clear();
    EXPECT_FALSE(core.NotifyActivated("無題 - メモ帳"));  // unreported while off
    core.NotifyOn("無題 - メモ帳");
    EXPECT_EQ(core.profile(), 2);
    ASSERT_EQ(lib.calls.size(), 1u);
    EXPECT_EQ(Last().mode, 1);
    EXPECT_EQ(Last().firstRuleKey, 0x72);
}

TEST_F(HostCoreTest, MenuTogglesAndChoosesProfiles) {
    Start(0);
    core.SetConversion(true);
    EXPECT_EQ(Last().mode, 1);
    core.SelectProfile(3);
    EXPECT_EQ(Last().firstRuleKey, 0x73);
    core.SetConversion(false);
    EXPECT_EQ(Last().mode, 0);
    EXPECT_EQ(Last().firstRuleKey, 0x73);  // the On/Off key will turn on these rows
    std::size_t n = lib.calls.size();
    core.SelectProfile(4);  // no such profile
    core.SelectProfile(-1);
    core.SelectProfile(3);  // already active
    EXPECT_EQ(lib.calls.size(), n);
    EXPECT_EQ(core.profile(), 3);
}

TEST_F(HostCoreTest, EditorHoldsKeyLearningAndRestoresTheMode) {
    Start(3);
    core.SelectProfile(3);
    core.BeginEditing();
    EXPECT_TRUE(core.editing());
    EXPECT_EQ(Last().mode, 2);
    EXPECT_EQ(Last().trackOff, 0);
    std::size_t n = lib.calls.size();
    // nothing may leave key learning while the editor runs
    core.NotifyOn("x");
    core.SetConversion(false);
    core.SelectProfile(1);
    EXPECT_FALSE(core.NotifyActivated("メモ帳"));
    EXPECT_EQ(lib.calls.size(), n);
    EXPECT_EQ(core.mode(), 2);

    // profile 2 was deleted: "メモ2" moved down to number 2
    Snapshot after = ThreeProfiles();
    after.henstart = 3;
    after.profileCount = 2;
    after.profiles[2] = after.profiles[3];
    core.EndEditing(after);
    EXPECT_FALSE(core.editing());
    EXPECT_EQ(core.mode(), 3);
    EXPECT_EQ(core.profile(), 2);
    EXPECT_EQ(Last().mode, 3);
    EXPECT_EQ(Last().firstRuleKey, 0x73);
}

TEST_F(HostCoreTest, EditorEndFallsBackToTheStandardProfile) {
    Start(0);
    core.SelectProfile(3);
    core.BeginEditing();
    Snapshot after = ThreeProfiles();
    after.profileCount = 1;
    after.numLockHold = false;
    core.EndEditing(after);
    EXPECT_EQ(core.profile(), 0);
    EXPECT_EQ(core.mode(), 0);
    EXPECT_EQ(Last().mode, 0);
    EXPECT_EQ(Last().numLockHold, 0);
    EXPECT_EQ(Last().firstRuleKey, 0x70);
}

TEST_F(HostCoreTest, ReloadTakesTheNewTypingModeWhileOn) {
    Start(1);
    Snapshot after = ThreeProfiles();
    after.henstart = 3;
    after.profiles[0].rules.keys[1] = 0x7B;
    core.Reload(after);
    EXPECT_EQ(core.mode(), 3);
    EXPECT_EQ(Last().mode, 3);
    EXPECT_EQ(Last().firstRuleKey, 0x7B);
    // henstart 0 says only that conversion starts off: the running state stays
    after.henstart = 0;
    core.Reload(after);
    EXPECT_EQ(core.mode(), 3);
}

}  // namespace
