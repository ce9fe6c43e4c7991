// The profile file image: lookups, value forms, integers, and edits that leave every other
// line alone.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "encodingcases.h"
#include "profiledoc.h"

namespace yv::settings {
namespace {

TEST(ProfileDoc, LookupIgnoresLetterCaseOfNamesOnly) {
    const ProfileDoc doc(
        "[CONFIG]\r\nHenStart=3\r\nア=katakana a\r\nャ=small ya\r\nＡＢ=wide\r\n"
        "ZoneZ=zed\r\nk\x81=cut\r\n[ Apl1\t]\r\nName=x\r\n");
    EXPECT_EQ(doc.GetInt("config", "henstart"), 3);
    EXPECT_EQ(doc.GetString("Config", "HENSTART"), "3");
    // ア and ャ differ only in a trail byte that looks like 'A' / 'a'.
    EXPECT_EQ(doc.GetString("Config", "ア"), "katakana a");
    EXPECT_EQ(doc.GetString("Config", "ャ"), "small ya");
    EXPECT_EQ(doc.GetString("Config", "ＡＢ"), "wide");
    EXPECT_EQ(doc.GetString("Config", "ZONEZ"), "zed");  // the last letter folds too
    // A lead byte without its trail byte, as a cut file leaves one, still names the key.
    EXPECT_EQ(doc.GetString("Config", "k\x81"), "cut");
    EXPECT_EQ(doc.GetString("Config", "ａｂ", "none"), "none");  // only ASCII letters fold
    EXPECT_EQ(doc.GetString("apl1", "NAME"), "x");
    EXPECT_EQ(doc.GetString("Apl2", "Name", "dflt"), "dflt");
    EXPECT_EQ(doc.GetString("Config", "Name", "dflt"), "dflt");
    EXPECT_EQ(ProfileDoc().GetInt("Config", "henstart", 7), 7);
}

TEST(ProfileDoc, ValueTextForms) {
    const struct {
        const char* line;
        const char* want;
    } cases[] = {
        {"k=abc", "abc"},       {"  k \t=  \t abc \t ", "abc"},
        {"k=a b\tc", "a b\tc"}, {"k=\"  abc  \"", "  abc  "},
        {"k= \" x \" ", " x "}, {"k='x'", "x"},
        {"k=\"x'", "\"x'"},     {"k=\"", "\""},
        {"k=\"\"", ""},         {"k=\"\"\"\"", "\"\""},
        {"k=\"a\"b\"", "a\"b"}, {"k=", ""},
        {"k==x", "=x"},         {"k=表ソ能", "表ソ能"},
        {"k=\"表\"", "表"},     {"k=　全角　", "　全角　"},
    };
    for (const auto& c : cases) {
        const ProfileDoc doc(std::string("[S]\r\n") + c.line + "\r\n");
        EXPECT_EQ(doc.GetString("S", "k", "none"), c.want) << c.line;
    }
}

TEST(ProfileDoc, LongValuesAreCutTo2047Bytes) {
    const std::string longValue(3000, 'v');
    const ProfileDoc doc("[S]\r\nk=" + longValue + "\r\nq=\"" + longValue + "\"\r\n");
    EXPECT_EQ(doc.GetString("S", "k"), std::string(2047, 'v'));
    EXPECT_EQ(doc.GetString("S", "q"), std::string(2047, 'v'));
    // 1500 x 表 (0x95 0x5C): byte 2047 would split the 1024th character, which is left out.
    std::string wide;
    for (int i = 0; i < 1500; ++i) wide += "表";
    const std::string got = ProfileDoc("[S]\r\nk=" + wide + "\r\n").GetString("S", "k");
    EXPECT_EQ(got, wide.substr(0, 2046));
    // A wide form (😀) that ends at byte 2046, 2047 or 2048 of the value.
    const std::string emoji = "\x80\xBF\xB8\xA0";
    const struct { std::size_t end, kept; } cases[] = {{2046, 2047}, {2047, 2047}, {2048, 2044}};
    for (const auto& c : cases) {
        const std::string text = std::string(c.end - 4, 'v') + emoji + "w";
        const std::string value = ProfileDoc("[S]\r\nk=" + text + "\r\n").GetString("S", "k");
        EXPECT_EQ(value, text.substr(0, c.kept)) << c.end;
    }
}

TEST(ParseProfileInt, AcceptedForms) {
    const struct {
        const char* text;
        std::optional<int> want;
    } cases[] = {
        {"12", 12},
        {"-255", -255},
        {"+7", 7},
        {"007", 7},
        {"0x1C", 28},
        {"0x1c", 28},
        {"0xff", 255},
        {"0xa0", 160},
        {"0X1c", std::nullopt},
        {"-0X10", std::nullopt},
        {"$1C", 28},
        {"-0x10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"0x7FFFFFFF", 2147483647},
        {"00000000000000000000000000000042", 42},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"0x80000000", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"12abc", std::nullopt},
        {"1 2", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"-", std::nullopt},
        {"0x1G", std::nullopt},
        {"1C", std::nullopt},
        {" 12", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseProfileInt(c.text), c.want) << c.text;
}

TEST(ProfileDoc, IntegerReadsUseTheValueText) {
    const ProfileDoc doc("[S]\r\na = 0x1C \r\nb=\"12\"\r\nc=12abc\r\nd=\r\n");
    EXPECT_EQ(doc.GetInt("S", "a", -1), 28);
    EXPECT_EQ(doc.GetInt("S", "b", -1), 12);
    EXPECT_EQ(doc.GetInt("S", "c", -1), -1);
    EXPECT_EQ(doc.GetInt("S", "d", -1), -1);
    EXPECT_EQ(doc.GetInt("S", "e", -1), -1);
}

const char kSample[] =
    "; written by hand\r\n"
    "[Config]\r\n"
    "henstart = 1\r\n"
    "Extra=keep me\r\n"
    "\r\n"
    "[Apl1]\n"
    "Name=表ソ\\\n"
    "\r\n";

TEST(ProfileDoc, EditsTouchOnlyTheirLines) {
    const struct {
        const char* what;
        void (*edit)(ProfileDoc&);
        const char* want;
    } cases[] = {
        {"replace keeps the key's spelling",
         [](ProfileDoc& d) { d.SetInt("CONFIG", "HENSTART", 3); },
         "; written by hand\r\n[Config]\r\nhenstart=3\r\nExtra=keep me\r\n\r\n"
         "[Apl1]\nName=表ソ\\\n\r\n"},
        {"new key goes after the section's last line, before blank lines",
         [](ProfileDoc& d) { d.SetString("Config", "key1", "x"); },
         "; written by hand\r\n[Config]\r\nhenstart = 1\r\nExtra=keep me\r\nkey1=x\r\n\r\n"
         "[Apl1]\nName=表ソ\\\n\r\n"},
        {"new section at the end of the file",
         [](ProfileDoc& d) { d.SetString("Apl2", "Name", " b "); },
         "; written by hand\r\n[Config]\r\nhenstart = 1\r\nExtra=keep me\r\n\r\n"
         "[Apl1]\nName=表ソ\\\n\r\n[Apl2]\r\nName= b \r\n"},
        {"delete a key", [](ProfileDoc& d) { d.DeleteKey("config", "extra"); },
         "; written by hand\r\n[Config]\r\nhenstart = 1\r\n\r\n[Apl1]\nName=表ソ\\\n\r\n"},
        {"erase a section", [](ProfileDoc& d) { d.EraseSection("APL1"); },
         "; written by hand\r\n[Config]\r\nhenstart = 1\r\nExtra=keep me\r\n\r\n"},
        {"replace in a section with LF lines",
         [](ProfileDoc& d) { d.SetString("Apl1", "Name", "新"); },
         "; written by hand\r\n[Config]\r\nhenstart = 1\r\nExtra=keep me\r\n\r\n"
         "[Apl1]\nName=新\r\n\r\n"},
    };
    for (const auto& c : cases) {
        ProfileDoc doc(kSample);
        c.edit(doc);
        EXPECT_TRUE(doc.changed()) << c.what;
        EXPECT_EQ(doc.Serialize(), c.want) << c.what;
    }
}

TEST(ProfileDoc, EditsThatChangeNothing) {
    const struct {
        const char* what;
        void (*edit)(ProfileDoc&);
    } cases[] = {
        {"same value", [](ProfileDoc& d) { d.SetInt("Config", "henstart", 1); }},
        {"absent key", [](ProfileDoc& d) { d.DeleteKey("Config", "nokey"); }},
        {"key of an absent section", [](ProfileDoc& d) { d.DeleteKey("Apl9", "Name"); }},
        {"absent section", [](ProfileDoc& d) { d.EraseSection("Apl9"); }},
        {"comment is no key", [](ProfileDoc& d) { d.DeleteKey("", "; written by hand"); }},
    };
    for (const auto& c : cases) {
        ProfileDoc doc(kSample);
        c.edit(doc);
        EXPECT_FALSE(doc.changed()) << c.what;
        EXPECT_EQ(doc.Serialize(), kSample) << c.what;
    }
}

TEST(ProfileDoc, UntouchedBytesSurviveExactly) {
    const std::string odd =
        "\xEF\xBB\xBF;bom-like bytes\r\n[S]\r\n k = \"v\" \r\nstray text\r\n\tx=\t表\\\r\n"
        "[T]\rlone=cr\r\n[U]\nlast=no newline";
    EXPECT_EQ(ProfileDoc(odd).Serialize(), odd);
    ProfileDoc doc(odd);
    EXPECT_EQ(doc.GetString("S", "x"), "表\\");
    EXPECT_EQ(doc.GetString("T", "lone"), "cr");
    doc.SetString("U", "added", "1");
    EXPECT_EQ(doc.Serialize(), odd + "\r\nadded=1\r\n");
}

TEST(ProfileDoc, DuplicateKeysAndSections) {
    ProfileDoc doc("[S]\r\nk=first\r\nk=second\r\n[S]\r\nk=third\r\nz=1\r\n[T]\r\n");
    EXPECT_EQ(doc.GetString("S", "k"), "first");
    EXPECT_EQ(doc.GetString("S", "z", "none"), "none");  // only the first [S] counts
    doc.SetString("S", "k", "new");
    EXPECT_EQ(doc.Serialize(), "[S]\r\nk=new\r\nk=second\r\n[S]\r\nk=third\r\nz=1\r\n[T]\r\n");
    // A deleted key must read as absent afterwards, so every line of it goes.
    doc.DeleteKey("S", "k");
    EXPECT_EQ(doc.GetString("S", "k", "none"), "none");
    EXPECT_EQ(doc.Serialize(), "[S]\r\n[S]\r\nk=third\r\nz=1\r\n[T]\r\n");
    // Likewise an erased section must not come back from a later copy of it.
    doc.EraseSection("s");
    EXPECT_EQ(doc.GetString("S", "k", "none"), "none");
    EXPECT_EQ(doc.Serialize(), "[T]\r\n");
}

TEST(ProfileDoc, HeadersAreFoundByCharacters) {
    // ゾ is 0x83 0x5D: its trail byte looks like ']' but closes nothing.
    const ProfileDoc doc("[A]\r\n[ゾ\r\nk=v\r\n[ゾ]\r\nk=w\r\n");
    EXPECT_EQ(doc.GetString("A", "k"), "v");
    EXPECT_EQ(doc.GetString("ゾ", "k"), "w");
}

// Whatever the edits, a lookup answers as a fresh read of the edited file would: the index never
// points at a moved, removed or later line. Sections grow past the size at which their keys
// get an index of their own, and shrink again.
TEST(ProfileDoc, LookupsMatchAFreshReadAfterEdits) {
    const char* const sections[] = {"S", "s", "T", "Apl1", "表", "x=y"};
    std::vector<std::string> keys = {"k", "K", "ア", "ャ", "data1", "[x"};
    for (int i = 0; i < 30; ++i) keys.push_back("key" + std::to_string(i));
    std::uint32_t rng = 12345;
    const auto below = [&](std::size_t n) {
        rng = rng * 1103515245u + 12345u;
        return static_cast<std::size_t>(rng >> 8) % n;
    };
    ProfileDoc doc("[S]\r\nk=1\r\nK=dup\r\n\r\n[T]\r\n[s]\r\nk=later\r\n");
    for (int step = 0; step < 3000; ++step) {
        const std::string sec = sections[below(std::size(sections))];
        const std::string key = keys[below(keys.size())];
        const std::size_t op = below(100);
        if (op < 79) {
            doc.SetString(sec, key, std::to_string(step));
        } else if (op < 99) {
            doc.DeleteKey(sec, key);
        } else {
            doc.EraseSection(sec);
        }
        const ProfileDoc fresh(doc.Serialize());
        for (const char* s : sections)
            for (const auto& k : keys)
                ASSERT_EQ(doc.GetString(s, k, "none"), fresh.GetString(s, k, "none"))
                    << "step " << step << " [" << s << "] " << k;
    }
}

// Every form a user's editor may save: the encoding found and the Shift-JIS text read, through
// the conversion alone and through a file.
TEST(ReadProfileFile, EncodingsAreReadInShiftJis) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("yv-encoding-" + std::to_string(getpid()) + ".ini"))
                                 .string();
    for (const auto& c : testing::kEncodingCases) {
        const std::string bytes = testing::FileBytes(c);
        EXPECT_EQ(DetectEncoding(bytes), c.detected) << c.what;
        EXPECT_EQ(ToShiftJis(bytes, c.detected), c.sjis) << c.what;
        std::ofstream(path, std::ios::binary) << bytes;
        const ProfileFile file = ReadProfileFile(path);
        EXPECT_EQ(file.encoding, c.detected) << c.what;
        EXPECT_EQ(file.doc.Serialize(), c.sjis) << c.what;
    }
    std::remove(path.c_str());
}

}  // namespace
}  // namespace yv::settings
