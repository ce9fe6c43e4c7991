// Stored rule rows -> the rows the hook library receives.
#include <gtest/gtest.h>

#include <string>

#include "hostcore.h"

namespace {

using yv::host::BuildRuleSet;
using yv::host::KeyNumber;
using yv::host::LibraryText;
using yv::settings::SettingsState;

TEST(KeyNumber, ConvertsStoredKeyCodes) {
    struct Case {
        int code, number;
    } cases[] = {
        {0, 0},        {1, 1},       {0x41, 0x41}, {255, 255}, {-1, 1001},  {-0x1C, 1028},
        {-0x9C, 1156}, {-255, 1255}, {256, 0},     {-256, 0},  {100000, 0}, {-100000, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(KeyNumber(c.code), c.number) << "code " << c.code;
}

TEST(LibraryText, TurnsTokensIntoTheLibraryForms) {
    struct Case {
        int keyNumber;
        std::string data, text;
    } cases[] = {
        // one-key token on a virtual-key row
        {0x41, "<0D>:Enter", std::string("\x0D:\x0D")},
        {0x1D, "<11>:左右Ctrl", std::string("\x11:\x11")},
        {0x1D, "<C0>:＠", std::string("\xC0:\xC0")},
        // swap-key token on a scan row
        {1000 + 0x3A, "[1D]:【左Ctrl】", std::string("\x1D|\x1D")},
        {1000 + 0x9C, "[9C]:【ﾃﾝｷｰEnter】", std::string("\x9C|\x9C")},
        // plain texts and paste rows pass unchanged
        {0x70, "東京都千代田区", "東京都千代田区"},
        {1000 + 0x3B, "貼り付け", "貼り付け"},
        {0x70, "", ""},
        // a token on the other kind of row takes its byte form too: the library decides
        {1000 + 0x3A, "<41>:Ａ", std::string("\x41:\x41")},
        {0x41, "[1E]:【Ａ】", std::string("\x1E|\x1E")},
        // bad digits or shapes are text, never a key
        {0x41, "<4G>:Ａ", "<4G>:Ａ"},
        {0x41, "<-1>:x", "<-1>:x"},
        {0x41, "< 41>:x", "< 41>:x"},
        {0x41, "<41>x", "<41>x"},
        {0x41, "<41>", "<41>"},
        {0x41, "<141>:x", "<141>:x"},
        {1000 + 0x3A, "[ZZ]:【?】", "[ZZ]:【?】"},
        // lower-case digits, as a hand-edited file may have them
        {0x41, "<0d>:Enter", std::string("\x0D:\x0D")},
        // the name after the colon does not matter
        {0x41, "<41>:", std::string("\x41:\x41")},
        // code 0 cannot be carried by a NUL-terminated text: the key is disabled
        {0x41, "<00>:x", ""},
        {1000 + 0x3A, "[00]:x", ""},
        {1000 + 0x3A, "<00>:x", ""},
        {0x41, "[00]:x", ""},
        // an empty row carries no text
        {0, "<41>:Ａ", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LibraryText(c.keyNumber, c.data), c.text) << c.keyNumber << " " << c.data;
    }
}

TEST(LibraryText, KeepsTextsWithinTheLibraryLimit) {
    // 99 single bytes then a double-byte character: the split character is dropped
    EXPECT_EQ(LibraryText(0x41, std::string(99, 'a') + "あ"), std::string(99, 'a'));
    EXPECT_EQ(LibraryText(1001, std::string(150, 'a')), std::string(100, 'a'));
}

TEST(BuildRuleSet, FillsRowZeroAndRowsOneToHundred) {
    SettingsState s;
    s.keyCodes[0] = 0x1D;
    s.convData[0] = "ignored";
    s.keyCodes[1] = 0x70;
    s.convData[1] = "こんにちは";
    s.keyCodes[2] = -0x3B;
    s.convData[2] = "[1D]:【左Ctrl】";
    s.keyCodes[3] = 0x71;
    s.convData[3] = "<11>:左右Ctrl";
    s.keyCodes[50] = 300;  // out of range: no key
    s.convData[50] = "lost";
    s.keyCodes[100] = -0x9C;
    s.convData[100] = "last";
    s.keyCodes[101] = 0x72;
    s.convData[101] = "never passed";

    yv::host::RuleSet r = BuildRuleSet(s);
    EXPECT_EQ(r.keys[0], 0x1D);
    EXPECT_EQ(r.texts[0], "");
    EXPECT_EQ(r.keys[1], 0x70);
    EXPECT_EQ(r.texts[1], "こんにちは");
    EXPECT_EQ(r.keys[2], 1000 + 0x3B);
    EXPECT_EQ(r.texts[2], "\x1D|\x1D");
    EXPECT_EQ(r.keys[3], 0x71);
    EXPECT_EQ(r.texts[3], "\x11:\x11");
    EXPECT_EQ(r.keys[50], 0);
    EXPECT_EQ(r.texts[50], "");
    EXPECT_EQ(r.keys[100], 1000 + 0x9C);
    EXPECT_EQ(r.texts[100], "last");
    for (int i = 0; i < yv::host::kLibraryRows; ++i) {
        EXPECT_NE(r.texts[i], "never passed") << "row " << i;
        EXPECT_NE(r.keys[i], 0x72) << "row " << i;
    }
}

}  // namespace
