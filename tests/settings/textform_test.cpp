// The program's text form: Shift-JIS with wide forms for what Shift-JIS lacks, and its ways
// out to UTF-16, UTF-8 and plain Shift-JIS.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "strutil.h"
#include "textencoding.h"

namespace yv::settings {
namespace {

std::string Hex(std::string_view s) {
    std::string out;
    char buf[4];
    for (unsigned char c : s) {
        std::snprintf(buf, sizeof buf, "%02X ", c);
        out += buf;
    }
    return out;
}

// One table for both directions: the UTF-16 text, its program form, and the plain Shift-JIS.
TEST(TextForm, RoundTripsThroughUtf16) {
    const struct {
        std::u16string wide;
        std::string form, plain;
        std::u8string utf8;
    } cases[] = {
        {u"abc", "abc", "abc", u8"abc"},
        {u"日本語ﾃｷｽﾄ", "\x93\xFA\x96\x7B\x8C\xEA\xC3\xB7\xBD\xC4",
         "\x93\xFA\x96\x7B\x8C\xEA\xC3\xB7\xBD\xC4", u8"日本語ﾃｷｽﾄ"},
        {u"表\\", "\x95\x5C\x5C", "\x95\x5C\x5C", u8"表\\"},
        // ü U+00FC: 0x80, then the groups 0, 3, 0x3C
        {u"\u00FC", "\x80\xA0\xA3\xDC", "?", u8"\u00FC"},
        // 😀 U+1F600: the groups 0x1F, 0x18, 0
        {u"\U0001F600", "\x80\xBF\xB8\xA0", "?", u8"\U0001F600"},
        // 𠮷 U+20BB7
        {u"\U00020BB7野", "\x80\xC0\xCE\xD7\x96\xEC", "?\x96\xEC", u8"\U00020BB7野"},
        // plane 14 (a variation selector) takes the high lead: U+E0100 - U+D0000 = 0x10100
        {u"\U000E0100", "\xFD\xB0\xA4\xA0", "?", u8"\U000E0100"},
        {u"\U0010FFFF", "\xFD\xDF\xDF\xDF", "?", u8"\U0010FFFF"},
        // the ends of UTF-8's two- and three-byte forms, none of them in Shift-JIS
        {u"\u07FF\u0800\uFFFD", "\x80\xA0\xBF\xDF\x80\xA0\xC0\xA0\x80\xAF\xDF\xDD", "???",
         u8"\u07FF\u0800\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(TextFromUtf16(c.wide)), Hex(c.form));
        EXPECT_TRUE(TextToUtf16(c.form) == c.wide) << Hex(c.form);
        EXPECT_EQ(Hex(PlainShiftJis(c.form)), Hex(c.plain));
        EXPECT_EQ(Hex(TextToUtf8(c.form)),
                  Hex({reinterpret_cast<const char*>(c.utf8.data()), c.utf8.size()}));
        EXPECT_EQ(HoldsWideForm(c.form),
                  c.wide.size() != TextToUtf16(c.plain).size() || c.plain != c.form)
            << Hex(c.form);
    }
}

TEST(TextForm, WhatIsNoCharacterBecomesAQuestionMark) {
    const struct {
        std::string form;
        std::u16string wide;
    } cases[] = {
        {"\x81", u"?"},                      // a lone lead byte at the end
        {"\x80", u"?"},                      // a wide lead without its groups
        {"\x80\xB1\xB2", u"?\uFF71\uFF72"},  // cut short: the rest reads as half-width kana
        {"\x80\xAD\xC0\xA0", u"?"},          // a surrogate's value (U+D800)
        {"\x80\xAD\xDF\xDF", u"?"},          // and the last one (U+DFFF)
        {"\x80\xAE\xA0\xA0", u"\uE000"},     // the next is a character
        {"\x85\x40", u"?"},                  // a pair in a row code page 932 leaves empty
        {"\x87\x90", u"\u2252"},             // a duplicate form (NEC's ≒) still reads
    };
    for (const auto& c : cases) {
        const std::u16string got = TextToUtf16(c.form);
        EXPECT_TRUE(got == c.wide) << Hex(c.form) << "gives U+" << std::hex << +got[0];
    }
    EXPECT_TRUE(TextFromUtf16(u"\xD800x\xDC00") == "?x?");
    // The unassigned planes 4 to 12 have no wide form (U+40000 and U+CFFFF).
    EXPECT_TRUE(TextFromUtf16(u"\xD8C0\xDC00\xDAFF\xDFFF") == "??");
    // A wide form of the wave dash (which Windows gives no form of its own) reaches a reader of
    // Shift-JIS as its look-alike.
    EXPECT_EQ(Hex(PlainShiftJis("\x80\xA3\xA0\xBC")), Hex("\x81\x60"));
}

// A NUL, and the edges of each UTF-8 length and of the planes the wide form carries: the program
// text of a character and its UTF-8.
TEST(TextForm, EdgesOfTheFormsInUtf8) {
    const struct {
        std::u16string wide;
        std::string form, utf8;
    } cases[] = {
        {std::u16string(u"a\0b", 3), std::string("a\0b", 3), std::string("a\0b", 3)},
        {u"\u007F", "\x7F", "\x7F"},
        {u"\u0080", "\x80\xA0\xA2\xA0", "\xC2\x80"},
        {u"\u07FF", "\x80\xA0\xBF\xDF", "\xDF\xBF"},
        {u"\u0800", "\x80\xA0\xC0\xA0", "\xE0\xA0\x80"},
        {u"\uFFFF", "\x80\xAF\xDF\xDF", "\xEF\xBF\xBF"},
        {u"\U00010000", "\x80\xB0\xA0\xA0", "\xF0\x90\x80\x80"},
        {u"\U0003FFFF", "\x80\xDF\xDF\xDF", "\xF0\xBF\xBF\xBF"},
        {u"\U00040000", "?", "?"},  // planes 4 to 12 are left out
        {u"\U000CFFFF", "?", "?"},
        {u"\U000D0000", "\xFD\xA0\xA0\xA0", "\xF3\x90\x80\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(TextFromUtf16(c.wide)), Hex(c.form));
        EXPECT_EQ(Hex(TextToUtf8(c.form)), Hex(c.utf8));
    }
    // The last low surrogate alone, and a low one before another, are no characters.
    EXPECT_EQ(TextFromUtf16(u"\xDFFF"), "?");
    EXPECT_EQ(TextFromUtf16(u"\xDC00\xDC00"), "??");
}

}  // namespace
}  // namespace yv::settings
