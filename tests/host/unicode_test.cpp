// The library's two forms of a row text (Shift-JIS for SetSet, UTF-16 for SetTextsW) and the
// choice of a profile by a title in any script.
#include <gtest/gtest.h>

#include <string>

#include "hostcore.h"
#include "textencoding.h"

namespace {

using yv::host::BuildRuleSet;
using yv::host::ChooseProfile;
using yv::host::HostCore;
using yv::host::Snapshot;
using yv::host::TitleContains;
using yv::settings::SettingsState;
using yv::settings::TextFromUtf16;

TEST(BuildRuleSet, RowsGetAShiftJisAndAUtf16Form) {
    const std::u16string emoji25 = [] {
        std::u16string s;
        for (int i = 0; i < 25; ++i) s += u"😀";
        return s;
    }();
    struct Case {
        const char* name;
        int keyCode;
        std::string data;
        std::string shiftJis;
        std::u16string utf16;
    } cases[] = {
        {"Shift-JIS as it was", 0x70, "日本語ﾃｷｽﾄ", "日本語ﾃｷｽﾄ", u"日本語ﾃｷｽﾄ"},
        {"characters Shift-JIS lacks", 0x70, TextFromUtf16(u"𠮷野家😀ü"), "?野家??", u"𠮷野家😀ü"},
        {"a paste row", -0x1E, TextFromUtf16(u"貼付🍣"), "貼付?", u"貼付🍣"},
        // Four bytes each: 25 of them fill the 100 bytes, a 26th is cut.
        {"25 emoji, at the limit", 0x70, TextFromUtf16(emoji25), std::string(25, '?'), emoji25},
        {"26 emoji, cut", 0x70, TextFromUtf16(emoji25 + u"😀"), std::string(25, '?'), emoji25},
        {"a one-key token", 0x71, "<11>:左右Ctrl", "\x11:\x11", u"\x11:\x11"},
    };
    for (const Case& c : cases) {
        SettingsState s;
        s.keyCodes[1] = c.keyCode;
        s.convData[1] = c.data;
        const yv::host::RuleSet r = BuildRuleSet(s);
        EXPECT_EQ(r.texts[1], c.shiftJis) << c.name;
        EXPECT_EQ(r.textsW[1], c.utf16) << c.name;
        EXPECT_LE(r.textsW[1].size(), 100u) << c.name;
        EXPECT_EQ(r.textsW[0], u"") << c.name;
    }
}

Snapshot ScriptProfiles() {
    Snapshot s;
    s.profileCount = 4;
    s.profiles[1].title = TextFromUtf16(u"微信");
    s.profiles[2].title = TextFromUtf16(u"메모장");
    s.profiles[3].title = TextFromUtf16(u"🍣");
    s.profiles[4].title = "メモ帳";
    for (int p = 0; p <= 4; ++p) s.profiles[p].rules.keys[1] = 0x70 + p;
    return s;
}

TEST(ChooseProfile, TitlesInAnyScriptSwitch) {
    const Snapshot s = ScriptProfiles();
    struct Case {
        std::u16string title;
        int profile;
    } cases[] = {
        {u"微信 - 聊天", 1},
        {u"제목 없음 - 메모장", 2},
        {u"寿司 🍣 menu", 3},
        {u"無題 - メモ帳", 4},
        {u"微", 0},
        {u"메모", 0},
        // Another emoji, whose high half is the same.
        {u"🍤", 0},
        {u"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseProfile(s, c.title), c.profile) << TextFromUtf16(c.title);
        // The host's title in the program's form chooses the same.
        EXPECT_EQ(ChooseProfile(s, TextFromUtf16(c.title)), c.profile) << TextFromUtf16(c.title);
    }
}

TEST(TitleContains, Utf16MatchesStartOnCharacters) {
    struct Case {
        std::u16string title, needle;
        bool found;
    } cases[] = {
        {u"無題 - メモ帳", u"メモ帳", true},
        {u"Notepad", u"notepad", false},  // case counts, as before
        {u"😀", u"\xDE00", false},         // the low half of the pair alone
        {u"a\xDE00", u"\xDE00", true},    // a lone low half is a character of its own
        {u"x😀", u"😀", true},
        // The edges of the two halves' ranges: U+10000, U+10FFFF and U+10FC00.
        {u"\U00010000", u"\xDC00", false},
        {u"\U0010FFFF", u"\xDFFF", false},
        {u"\U0010FC00", u"\xDC00", false},
        {u"\xDBFF\xDBFF", u"\xDBFF", true},
        {u"anything", u"", false},
        {u"", u"x", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TitleContains(c.title, c.needle), c.found) << TextFromUtf16(c.title);
}

TEST(TitleContains, ProgramFormStepsOverWideForms) {
    // "ｱ" (0xB1) is one of the bytes after a wide form's lead: never a match inside one.
    const std::string title = TextFromUtf16(u"\U00010071");
    ASSERT_EQ(title.size(), 4u);
    EXPECT_FALSE(TitleContains(title, std::string(1, title[3])));
    EXPECT_TRUE(TitleContains(title + "ｱ", "ｱ"));
}

class Recorder : public yv::host::Library {
  public:
    void SetRules(std::uint8_t, std::uint8_t, std::uint8_t,
                  const yv::host::RuleSet& rules) override {
        key = rules.keys[1];
    }
    int key = 0;
};

TEST(HostCore, AnEmojiTitleSwitchesTheProfile) {
    Recorder lib;
    HostCore core(lib);
    Snapshot s = ScriptProfiles();
    s.henstart = 1;
    core.Start(s, TextFromUtf16(u"寿司 🍣"));
    EXPECT_EQ(core.profile(), 3);
    EXPECT_EQ(lib.key, 0x73);
    EXPECT_TRUE(core.NotifyActivated(TextFromUtf16(u"微信")));
    EXPECT_EQ(lib.key, 0x71);
}

}  // namespace
