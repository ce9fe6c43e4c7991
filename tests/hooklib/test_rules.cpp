// Loading the rule tables and the key matching rule.
#include <cstring>
#include <memory>
#include <string>

#include "hook_driver.h"

namespace yv::test {
namespace {

using RulesTest = HookTest;

std::string TextOf(int row) { return g_shared.ruleText[row]; }

TEST_F(RulesTest, CompactsRowsInOrderAndClearsTheRest) {
    // Rows 1, 3 and 7 used.
    std::int32_t keys[kRows] = {};
    const char* texts[kRows];
    for (auto& t : texts) t = "";
    keys[0] = 29, texts[0] = "onoff";
    keys[1] = 65, texts[1] = "first";
    keys[3] = 66, texts[3] = "second";
    keys[7] = ScanKey(0x1E), texts[7] = "third";
    g_shared.ruleKey[50] = 77;  // left over from an earlier profile
    std::strcpy(g_shared.ruleText[50], "old");

    EXPECT_EQ(SetSet(1, 0, 0, keys, texts), 0);

    EXPECT_EQ(g_shared.ruleCount, 3);
    EXPECT_EQ(g_shared.ruleKey[0], 29);
    EXPECT_EQ(TextOf(0), "onoff");
    EXPECT_EQ(g_shared.ruleKey[1], 65);
    EXPECT_EQ(TextOf(1), "first");
    EXPECT_EQ(g_shared.ruleKey[2], 66);
    EXPECT_EQ(TextOf(2), "second");
    EXPECT_EQ(g_shared.ruleKey[3], ScanKey(0x1E));
    EXPECT_EQ(TextOf(3), "third");
    for (int i = 4; i < kRows; ++i) {
        EXPECT_EQ(g_shared.ruleKey[i], 0) << i;
        EXPECT_EQ(g_shared.ruleText[i][0], '\0') << i;
    }
    // The paste row points at its new row number.
    EXPECT_EQ(g_shared.scanMap[0x1E], 1003);
}

TEST_F(RulesTest, OnlyTheOnOffKeyGivesNoRulesAndAnEmptyScanMap) {
    g_shared.scanMap[12] = 5;
    Load(1, {}, {ScanKey(0x1E), Remap(0x1E)});
    EXPECT_EQ(g_shared.ruleCount, 0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(g_shared.scanMap[i], 0) << i;
    EXPECT_EQ(g_shared.ruleKey[0], ScanKey(0x1E));  // row 0 is never consumed
}

TEST_F(RulesTest, RemapRowsMoveIntoTheScanMap) {
    Load(1, {{65, "x"},
             {ScanKey(0x1C + 128), Remap(0x9C)},  // keypad Enter to main Enter
             {ScanKey(0x3A), Remap(0x80)},        // 128 stays 128
             {66, Remap(0x1E)},                   // on a virtual-key row: plain text
             {ScanKey(0x3A), Remap(0x1D)},        // second remap of the same key: a paste row
             {1000, Remap(0x1E)}});               // 1000 is no scan-code key number

    EXPECT_EQ(g_shared.scanMap[156], 0x1C);
    EXPECT_EQ(g_shared.scanMap[0x3A], 0x80);
    EXPECT_EQ(g_shared.ruleCount, 4);
    EXPECT_EQ(g_shared.ruleKey[1], 65);
    EXPECT_EQ(g_shared.ruleKey[2], 66);
    EXPECT_EQ(TextOf(2), Remap(0x1E));
    EXPECT_EQ(g_shared.ruleKey[3], ScanKey(0x3A));
    EXPECT_EQ(TextOf(3), Remap(0x1D));
    EXPECT_EQ(g_shared.ruleKey[4], 1000);
}

TEST_F(RulesTest, RemapBeatsAnEarlierPasteRowAndTheFirstPasteRowWins) {
    Load(3, {{ScanKey(0x10), "paste Q"},
             {ScanKey(0x10), Remap(0x11)},
             {ScanKey(0x20), "paste D 1"},
             {ScanKey(0x20), "paste D 2"}});
    EXPECT_EQ(g_shared.scanMap[0x10], 0x11);
    EXPECT_EQ(g_shared.scanMap[0x20], 1002);  // "paste D 1", now row 2
    EXPECT_EQ(g_shared.ruleCount, 3);
    EXPECT_EQ(TextOf(1), "paste Q");  // stays listed, but nothing points at it
    EXPECT_EQ(TextOf(2), "paste D 1");
}

TEST_F(RulesTest, ModeAndFlagsAreStoredAndTheShiftLatchClearedOnlyWhenOn) {
    const struct {
        std::uint8_t mode;
        std::int32_t latchAfter;
    } cases[] = {{0, 7}, {1, 0}, {2, 7}, {3, 0}};
    for (auto c : cases) {
        g_shared.shiftLatch = 7;
        std::int32_t keys[kRows] = {};
        SetSet(c.mode, 1, 1, keys, nullptr);
        EXPECT_EQ(g_shared.convMode, c.mode);
        EXPECT_EQ(g_shared.trackOff, 1);
        EXPECT_EQ(g_shared.numLockHold, 1);
        EXPECT_EQ(g_shared.shiftLatch, c.latchAfter) << "mode " << int(c.mode);
    }
}

// What the caller must not pass is taken as harmless instead.
TEST_F(RulesTest, OverlongTextsAreCutAndBadKeyNumbersEmptyTheRow) {
    // 100 bytes and no terminator, in a buffer that ends right there: reading on would show
    // under the address sanitizer.
    auto longText = std::make_unique<char[]>(100);
    std::memset(longText.get(), 'L', 100);
    std::int32_t keys[kRows] = {};
    const char* texts[kRows];
    for (auto& t : texts) t = "";
    keys[1] = 65, texts[1] = longText.get();
    keys[2] = -5, texts[2] = "negative";
    keys[3] = 1256, texts[3] = "past the scan map";
    keys[4] = 1255, texts[4] = " | ";
    keys[5] = 66, texts[5] = nullptr;
    SetSet(1, 0, 0, keys, texts);

    EXPECT_EQ(g_shared.ruleCount, 2);
    EXPECT_EQ(TextOf(1), std::string(100, 'L'));
    EXPECT_EQ(g_shared.scanMap[255], 0x20);
    EXPECT_EQ(g_shared.ruleKey[2], 66);
    EXPECT_EQ(TextOf(2), "");

    // No tables at all.
    SetSet(3, 0, 0, nullptr, nullptr);
    EXPECT_EQ(g_shared.ruleCount, 0);
    EXPECT_EQ(g_shared.ruleKey[1], 0);
}

TEST_F(RulesTest, KeyflgQueriesAndWindowTitles) {
    for (int vk = 0; vk < 256; ++vk) g_shared.keyflg[vk] = 0x1000 + vk;
    g_shared.keyflg[0] = 0;
    EXPECT_EQ(getkeyflg(1), 0x1001);
    EXPECT_EQ(getkeyflg(254), 0x10FE);
    for (int vk : {0, 255, -1, 1000}) EXPECT_EQ(getkeyflg(vk), 0) << vk;

    std::memset(g_shared.aplname[0], 'T', sizeof g_shared.aplname[0]);  // no terminator
    g_shared.aplname[1][0] = '\0';
    char a[101], b[101] = "junk";
    char* out[2] = {a, b};
    getaplname(out);
    EXPECT_EQ(std::string(a), std::string(100, 'T'));
    EXPECT_EQ(std::string(b), "");
}

// KeyMatches over the keys with sides and the keys the IME turns into VK_PROCESSKEY.
TEST_F(RulesTest, KeyMatchesSidesEnterAndProcessKeys) {
    struct Case {
        const char* key;
        std::int32_t rule;
        bool match;
    };
    const Case cases[] = {
        {"LAlt", 18, true},      {"RAlt", 18, true},      {"LAlt", 164, true},
        {"LAlt", 165, false},    {"RAlt", 165, true},     {"RAlt", 164, false},
        {"LCtrl", 17, true},     {"RCtrl", 17, true},     {"LCtrl", 162, true},
        {"LCtrl", 163, false},   {"RCtrl", 163, true},    {"RCtrl", 162, false},
        {"Enter", 13, true},     {"NumEnter", 13, false}, {"Enter", 141, false},
        {"NumEnter", 141, true}, {"Hankaku", 229, true},  {"Hankaku", 28, false},
        {"Convert", 28, true},   {"Convert", 229, false}, {"ProcA", 28, true},
        {"A", 65, true},         {"A", 66, false},        {"A", 1065, false},
        {"B", -66, false},       {"LShift", 16, true},    {"LAlt", 17, false},
    };
    for (const Case& c : cases) {
        const Key k = KeyByName(c.key);
        EXPECT_EQ(KeyMatches(c.rule, k.vk, k.scan, k.extended), c.match)
            << c.key << " against rule " << c.rule;
    }
}

TEST_F(RulesTest, MatchingAltOrCtrlReleasesItInTheKeyState) {
    std::uint8_t held[256] = {};
    for (int vk : {17, 18, 162, 163, 164, 165}) held[vk] = 0x80;
    const struct {
        const char* key;
        std::int32_t rule;
        std::vector<int> cleared;
    } cases[] = {{"LAlt", 18, {18, 164}},
                 {"RAlt", 165, {18, 165}},
                 {"LCtrl", 162, {17, 162}},
                 {"RCtrl", 17, {17, 163}}};
    for (const auto& c : cases) {
        fake::SetKeyboardStateBytes(held);
        fake::ClearLog();
        const Key k = KeyByName(c.key);
        ASSERT_TRUE(KeyMatches(c.rule, k.vk, k.scan, k.extended));
        EXPECT_EQ(Calls(), (Lines{"GetKeyboardState()", "SetKeyboardState()"}));
        const auto state = fake::KeyboardStateBytes();
        for (int vk : {17, 18, 162, 163, 164, 165}) {
            const bool cleared = vk == c.cleared[0] || vk == c.cleared[1];
            EXPECT_EQ(state[vk], cleared ? 0 : 0x80) << c.key << " vk " << vk;
        }
    }
    // No match, no change.
    fake::ClearLog();
    const Key k = KeyByName("RAlt");
    EXPECT_FALSE(KeyMatches(164, k.vk, k.scan, k.extended));
    EXPECT_TRUE(Calls().empty());
}

}  // namespace
}  // namespace yv::test
