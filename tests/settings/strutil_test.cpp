// Byte-string routines; Shift-JIS double-byte characters must never be split.
#include <gtest/gtest.h>

#include <string>

#include "strutil.h"

namespace yv::settings {
namespace {

TEST(CopyFrom, PositionsAndCounts) {
    const struct {
        const char* s;
        int from, count;
        const char* want;
    } cases[] = {
        {"abcdef", 1, 0, "abcdef"}, {"abcdef", 3, 0, "cdef"}, {"abcdef", 2, 3, "bcd"},
        {"abcdef", 5, 10, "ef"},    {"abcdef", 6, 1, "f"},    {"abcdef", 7, 0, ""},
        {"abcdef", 7, 2, ""},       {"abcdef", 0, 3, ""},     {"abcdef", -1, 0, ""},
        {"abcdef", 2, -1, ""},      {"", 1, 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CopyFrom(c.s, c.from, c.count), c.want) << c.s << " " << c.from << " " << c.count;
}

TEST(LeftPart, CutsWholeCharactersOnly) {
    // "表" is 0x95 0x5C and "ア" 0x83 0x41: their trail bytes look like '\' and 'A'.
    const std::string mixed = "a表bア";  // a 95 5C b 83 41
    ASSERT_EQ(mixed.size(), 6u);
    const struct {
        std::string s;
        int n;
        std::string want;
    } cases[] = {
        {"abc", 2, "ab"},
        {"abc", 5, "abc"},
        {"abc", 0, ""},
        {"abc", -3, ""},
        {mixed, 1, "a"},
        {mixed, 2, "a"},
        {mixed, 3, "a表"},
        {mixed, 4, "a表b"},
        {mixed, 5, "a表b"},
        {mixed, 6, mixed},
        {"表表", 3, "表"},
        {"ｱｲｳ", 2, "ｱｲ"},
        // Trail bytes in the lead range must not shift the walk: 0x88 0x9F then 0x88 0x9F.
        {"\x88\x9f\x88\x9f", 3, "\x88\x9f"},
        // A lead byte at the very end of the text is kept when nothing is cut.
        {"ab\x82", 3, "ab\x82"},
        // A wide form (here ü) is one character of four bytes.
        {"a\x80\xA0\xA3\xDC", 4, "a"},
        {"a\x80\xA0\xA3\xDC", 5, "a\x80\xA0\xA3\xDC"},
        {"\x80\xA0\xA3", 2, "\x80\xA0"},  // cut short, it is no wide form
    };
    for (const auto& c : cases) EXPECT_EQ(LeftPart(c.s, c.n), c.want) << c.s << " " << c.n;
}

TEST(LeftPart, LongJapaneseCutsNeverEndInALeadByte) {
    // "y" then groups of "x", "ソ", "ソ" (ソ = 0x83 0x5C): bytes 19 and 99 are lead bytes, so
    // both the name limit and the text limit fall inside a character.
    std::string text = "y";
    for (int i = 0; i < 60; ++i) text += i % 3 == 0 ? "x" : "ソ";
    for (int n : {20, 100}) {
        const std::string cut = LeftPart(text, n);
        EXPECT_EQ(cut.size(), static_cast<std::size_t>(n - 1)) << n;
        EXPECT_EQ(text.compare(0, cut.size(), cut), 0);
        EXPECT_EQ(cut.substr(cut.size() - 2), "ソ") << n;
    }
}

// The 100-byte limit of a rule text with a character Shift-JIS lacks at its end: it counts its
// four bytes, and a cut never leaves part of it.
TEST(LeftPart, TheTextLimitCountsAWideFormAsFourBytes) {
    const std::string emoji = "\x80\xBF\xB8\xA0";  // 😀
    const struct {
        std::size_t before;  // ASCII bytes before the emoji, which ends at byte before + 4
        std::size_t kept;    // bytes of the text the limit keeps
    } cases[] = {
        {95, 100}, {96, 100}, {97, 97}, {98, 98}, {99, 99}, {100, 100},
    };
    for (const auto& c : cases) {
        const std::string text = std::string(c.before, 'a') + emoji + "b";
        EXPECT_EQ(LeftPart(text, 100), text.substr(0, c.kept)) << c.before;
    }
    // A name limit of 20 bytes among double-byte characters: ア, then wide forms.
    const std::string name = "ア" + emoji + emoji + emoji + emoji + emoji;  // 2 + 20 bytes
    EXPECT_EQ(LeftPart(name, 20), name.substr(0, 18));
    EXPECT_EQ(LeftPart(name, 22), name);
}

TEST(TrimBlanks, OnlyHalfWidthBlanksGo) {
    const struct {
        const char* s;
        const char* want;
    } cases[] = {
        {"  abc  ", "abc"}, {"abc", "abc"}, {"   ", ""},      {"", ""},      {"\tabc\t", "\tabc\t"},
        {"　abc", "　abc"}, {" 表 ", "表"}, {" a b ", "a b"}, {"ソ ", "ソ"},
    };
    for (const auto& c : cases) EXPECT_EQ(TrimBlanks(c.s), c.want) << c.s;
}

TEST(DirectoryPart, TrailBytesAreNoSeparators) {
    const struct {
        const char* path;
        const char* want;
    } cases[] = {
        {"C:\\Tools\\YorvanSet.exe", "C:\\Tools\\"},
        {"C:\\Tools\\表.exe", "C:\\Tools\\"},
        {"C:\\ソフト\\ソ", "C:\\ソフト\\"},
        {"C:/a/b.exe", "C:/a/"},
        {"YorvanSet.exe", ""},
        {"表", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DirectoryPart(c.path), c.want) << c.path;
}

}  // namespace
}  // namespace yv::settings
