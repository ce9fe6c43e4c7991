// Key-name tables, key capture, operation-key buttons and the token forms of the rule text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keynames.h"

namespace yv::settings {
namespace {

// Both tables written out entry by entry, apart from the code that builds them.
const char* const kExpectedVk[256] = {
    /* 00 */ "",
    "<1>",
    "<2>",
    "<3>",
    "<4>",
    "<5>",
    "<6>",
    "<7>",
    /* 08 */ "BackSpace",
    "Tab",
    "",
    "",
    "Clear",
    "Enter",
    "",
    "",
    /* 10 */ "Shift",
    "左右Ctrl",
    "左右Alt",
    "Pause",
    "CapsLock",
    "",
    "",
    "",
    /* 18 */ "",
    "",
    "",
    "Esc",
    "変換",
    "無変換",
    "",
    "",
    /* 20 */ "Space",
    "PageUp",
    "PagrDown",
    "End",
    "Home",
    "←",
    "↑",
    "→",
    /* 28 */ "↓",
    "",
    "",
    "",
    "PrScr",
    "Insert",
    "Delete",
    "",
    /* 30 */ "０",
    "１",
    "２",
    "３",
    "４",
    "５",
    "６",
    "７",
    /* 38 */ "８",
    "９",
    ":",
    ";",
    "<",
    "=",
    ">",
    "?",
    /* 40 */ "@",
    "Ａ",
    "Ｂ",
    "Ｃ",
    "Ｄ",
    "Ｅ",
    "Ｆ",
    "Ｇ",
    /* 48 */ "Ｈ",
    "Ｉ",
    "Ｊ",
    "Ｋ",
    "Ｌ",
    "Ｍ",
    "Ｎ",
    "Ｏ",
    /* 50 */ "Ｐ",
    "Ｑ",
    "Ｒ",
    "Ｓ",
    "Ｔ",
    "Ｕ",
    "Ｖ",
    "Ｗ",
    /* 58 */ "Ｘ",
    "Ｙ",
    "Ｚ",
    "左Win",
    "右Win",
    "ｱﾌﾟﾘｹｰｼｮﾝ",
    "<94>",
    "<95>",
    /* 60 */ "ﾃﾝｷｰ０",
    "ﾃﾝｷｰ１",
    "ﾃﾝｷｰ２",
    "ﾃﾝｷｰ３",
    "ﾃﾝｷｰ４",
    "ﾃﾝｷｰ５",
    "ﾃﾝｷｰ６",
    "ﾃﾝｷｰ７",
    /* 68 */ "ﾃﾝｷｰ８",
    "ﾃﾝｷｰ９",
    "ﾃﾝｷｰ＊",
    "ﾃﾝｷｰ＋",
    "<108>",
    "ﾃﾝｷｰ－",
    "ﾃﾝｷｰ．",
    "ﾃﾝｷｰ／",
    /* 70 */ "F1",
    "F2",
    "F3",
    "F4",
    "F5",
    "F6",
    "F7",
    "F8",
    /* 78 */ "F9",
    "F10",
    "F11",
    "F12",
    "<124>",
    "<125>",
    "<126>",
    "<127>",
    /* 80 */ "<128>",
    "<129>",
    "<130>",
    "<131>",
    "<132>",
    "<133>",
    "<134>",
    "<135>",
    /* 88 */ "<136>",
    "<137>",
    "<138>",
    "<139>",
    "<140>",
    "ﾃﾝｷｰEnter",
    "<142>",
    "<143>",
    /* 90 */ "NumLock",
    "ScrollLock",
    "<146>",
    "<147>",
    "<148>",
    "<149>",
    "<150>",
    "<151>",
    /* 98 */ "<152>",
    "<153>",
    "<154>",
    "<155>",
    "<156>",
    "<157>",
    "<158>",
    "<159>",
    /* A0 */ "左Shift",
    "右Shift",
    "左Ctrl",
    "右Ctrl",
    "左Alt",
    "右Alt",
    "<166>",
    "<167>",
    /* A8 */ "<168>",
    "<169>",
    "<170>",
    "<171>",
    "<172>",
    "<173>",
    "<174>",
    "<175>",
    /* B0 */ "<176>",
    "<177>",
    "<178>",
    "<179>",
    "<180>",
    "<181>",
    "<182>",
    "<183>",
    /* B8 */ "<184>",
    "<185>",
    "：",
    "；",
    "，",
    "－",
    "．",
    "／",
    /* C0 */ "＠",
    "<193>",
    "<194>",
    "<195>",
    "<196>",
    "<197>",
    "<198>",
    "<199>",
    /* C8 */ "<200>",
    "<201>",
    "<202>",
    "<203>",
    "<204>",
    "<205>",
    "<206>",
    "<207>",
    /* D0 */ "<208>",
    "<209>",
    "<210>",
    "<211>",
    "<212>",
    "<213>",
    "<214>",
    "<215>",
    /* D8 */ "<216>",
    "<217>",
    "<218>",
    "［",
    "￥",
    "］",
    "＾",
    "<223>",
    /* E0 */ "<224>",
    "<225>",
    "Back/",
    "<227>",
    "<228>",
    "半角/全角",
    "<230>",
    "<231>",
    /* E8 */ "<232>",
    "<233>",
    "<234>",
    "<235>",
    "<236>",
    "<237>",
    "<238>",
    "<239>",
    /* F0 */ "英数",
    "カタカナ",
    "ひらがな",
    "漢字",
    "漢字",
    "<245>",
    "<246>",
    "<247>",
    /* F8 */ "<248>",
    "<249>",
    "<250>",
    "<251>",
    "<252>",
    "<253>",
    "<254>",
    "<255>",
};
const char* const kExpectedScan[256] = {
    /* 00 */ "",
    "【Esc】",
    "【１】",
    "【２】",
    "【３】",
    "【４】",
    "【５】",
    "【６】",
    /* 08 */ "【７】",
    "【８】",
    "【９】",
    "【０】",
    "【－】",
    "【＾】",
    "【BackSpace】",
    "【Tab】",
    /* 10 */ "【Ｑ】",
    "【Ｗ】",
    "【Ｅ】",
    "【Ｒ】",
    "【Ｔ】",
    "【Ｙ】",
    "【Ｕ】",
    "【Ｉ】",
    /* 18 */ "【Ｏ】",
    "【Ｐ】",
    "【＠】",
    "【［】",
    "【Enter】",
    "【左Ctrl】",
    "【Ａ】",
    "【Ｓ】",
    /* 20 */ "【Ｄ】",
    "【Ｆ】",
    "【Ｇ】",
    "【Ｈ】",
    "【Ｊ】",
    "【Ｋ】",
    "【Ｌ】",
    "【；】",
    /* 28 */ "【：】",
    "【半角/全角】",
    "【左Shift】",
    "【］】",
    "【Ｚ】",
    "【Ｘ】",
    "【Ｃ】",
    "【Ｖ】",
    /* 30 */ "【Ｂ】",
    "【Ｎ】",
    "【Ｍ】",
    "【，】",
    "【．】",
    "【／】",
    "【右Shift】",
    "【ﾃﾝｷｰ＊】",
    /* 38 */ "",
    "【Space】",
    "【CapsLock】",
    "【F1】",
    "【F2】",
    "【F3】",
    "【F4】",
    "【F5】",
    /* 40 */ "【F6】",
    "【F7】",
    "【F8】",
    "【F9】",
    "【F10】",
    "【Pause】",
    "【ScrollLock】",
    "【ﾃﾝｷｰ７】",
    /* 48 */ "【ﾃﾝｷｰ８】",
    "【ﾃﾝｷｰ９】",
    "【ﾃﾝｷｰ－】",
    "【ﾃﾝｷｰ４】",
    "【ﾃﾝｷｰ５】",
    "【ﾃﾝｷｰ６】",
    "【ﾃﾝｷｰ＋】",
    "【ﾃﾝｷｰ１】",
    /* 50 */ "【ﾃﾝｷｰ２】",
    "【ﾃﾝｷｰ３】",
    "【ﾃﾝｷｰ０】",
    "【ﾃﾝｷｰ．】",
    "",
    "",
    "",
    "【F11】",
    /* 58 */ "【F12】",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* 60 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* 68 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* 70 */ "【ひらがな】",
    "",
    "",
    "【Back/】",
    "",
    "",
    "",
    "",
    /* 78 */ "",
    "【変換】",
    "",
    "【無変換】",
    "",
    "【￥】",
    "",
    "",
    /* 80 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* 88 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* 90 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* 98 */ "",
    "",
    "",
    "",
    "【ﾃﾝｷｰEnter】",
    "【右Ctrl】",
    "",
    "",
    /* A0 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* A8 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* B0 */ "",
    "",
    "",
    "",
    "",
    "【ﾃﾝｷｰ／】",
    "",
    "【PrtScr】",
    /* B8 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* C0 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "【Home】",
    /* C8 */ "【↑】",
    "【PageUp】",
    "",
    "【←】",
    "",
    "【→】",
    "",
    "【End】",
    /* D0 */ "【↓】",
    "【PageDown】",
    "【Insert】",
    "【Delete】",
    "",
    "",
    "",
    "",
    /* D8 */ "",
    "",
    "",
    "【左Win】",
    "【右Win】",
    "【ｱﾌﾟﾘｹｰｼｮﾝ】",
    "",
    "",
    /* E0 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* E8 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* F0 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    /* F8 */ "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
};

class KeyNames : public ::testing::Test {
  protected:
    void SetUp() override { BuildKeyNames(); }
};

TEST_F(KeyNames, EveryVirtualKeyEntryMatches) {
    for (int k = 0; k < 256; ++k) EXPECT_EQ(VkNames[k], kExpectedVk[k]) << "vk " << k;
}

TEST_F(KeyNames, EveryScanEntryMatches) {
    for (int k = 0; k < 256; ++k) EXPECT_EQ(ScanNames[k], kExpectedScan[k]) << "scan " << k;
}

TEST_F(KeyNames, KeyNameBySignOfTheCode) {
    const struct {
        int code;
        const char* name;
    } cases[] = {
        {0x3B, ";"},
        {0x5E, "<94>"},
        {0x0A, ""},
        {0xF3, "漢字"},
        {0xF4, "漢字"},
        {-0x1C, "【Enter】"},
        {-0x9C, "【ﾃﾝｷｰEnter】"},
        {-0x38, ""},
        {0, ""},
        {256, ""},
        {-256, ""},
        {0x22, "PagrDown"},
        {-0xD1, "【PageDown】"},
        {0x2C, "PrScr"},
        {-0xB7, "【PrtScr】"},
    };
    for (const auto& c : cases) EXPECT_EQ(KeyName(c.code), c.name) << c.code;
}

// The fake library answers from a table and counts the calls.
std::vector<int> g_answers;
std::vector<int> g_asked;
int FakeKeyFlags(int vk) {
    g_asked.push_back(vk);
    const std::size_t i = g_asked.size() - 1;
    return i < g_answers.size() ? g_answers[i] : 0;
}

class Capture : public KeyNames {
  protected:
    void SetUp() override {
        KeyNames::SetUp();
        g_answers.clear();
        g_asked.clear();
        SetKeyFlagSource(&FakeKeyFlags);
    }
    void TearDown() override { SetKeyFlagSource(nullptr); }
};

TEST_F(Capture, KeyCodesFromKeyPresses) {
    const struct {
        const char* what;
        unsigned short vk;
        bool japanese;
        std::vector<int> answers;
        int keyCode, scanIndex, calls;
    } cases[] = {
        {"keypad Enter, flag off", 0x0D, false, {0x11C}, 0x8D, 0x9C, 1},
        {"main Enter, flag off", 0x0D, false, {0x01C}, 0x0D, 0x1C, 1},
        {"right Alt", 0x12, false, {0x138}, 0xA5, 0xB8, 1},
        {"left Alt", 0x12, false, {0x038}, 0xA4, 0x38, 1},
        {"right Ctrl", 0x11, false, {0x11D}, 0xA3, 0x9D, 1},
        {"left Ctrl", 0x11, false, {0x01D}, 0xA2, 0x1D, 1},
        {"conversion key via the input method", 0xE5, false, {0x079}, 0x1C, 0x79, 1},
        {"input method key, other scan", 0xE5, false, {0x029}, 0xE5, 0x29, 1},
        {"letter in a Japanese mode", 0x41, true, {0x01E}, -0x1E, 0x1E, 1},
        {"Up arrow in a Japanese mode", 0x26, true, {0x148}, -0xC8, 0xC8, 1},
        {"second answer used", 0x41, true, {0, 0x01E}, -0x1E, 0x1E, 2},
        {"nothing recorded, Japanese", 0x41, true, {0, 0}, 0, 0, 2},
        {"nothing recorded, Ctrl counts as left", 0x11, false, {0, 0}, 0xA2, 0, 2},
        {"high bits dropped", 0x41, true, {0x7FFF011E}, -0x9E, 0x9E, 1},
        {"Tab never asks", 0x09, true, {0x999}, -0x0F, 0x0F, 0},
    };
    for (const auto& c : cases) {
        g_answers = c.answers;
        g_asked.clear();
        const CapturedKey got = CaptureKeyCode(c.vk, c.japanese);
        EXPECT_EQ(got.keyCode, c.keyCode) << c.what;
        EXPECT_EQ(got.scanIndex, c.scanIndex) << c.what;
        EXPECT_EQ(static_cast<int>(g_asked.size()), c.calls) << c.what;
        for (int vk : g_asked) EXPECT_EQ(vk, c.vk) << c.what;
    }
}

TEST_F(Capture, DataColumnTargetsKeepGenericCodes) {
    g_answers = {0x11C};
    const CapturedKey enter = CaptureKeyCode(0x0D, false);
    EXPECT_EQ(FormatKeyToken(OneKeyTarget(0x0D, enter.scanIndex), false), "<0D>:Enter");
    EXPECT_EQ(FormatKeyToken(OneKeyTarget(0xE5, 0x79), false), "<1C>:変換");
    EXPECT_EQ(OneKeyTarget(0xE5, 0x29), 0xE5);
    EXPECT_EQ(OneKeyTarget(0x11, 0x9D), 0x11);
    EXPECT_EQ(FormatKeyToken(CaptureKeyCode(0x09, true).scanIndex, true), "[0F]:【Tab】");
}

TEST_F(KeyNames, OperationKeyButtons) {
    const struct {
        unsigned short vk;
        int keyColumn, dataColumn;
    } buttons[] = {
        {0x09, -0x0F, 0x0F}, {0x2E, -0xD3, 0xD3}, {0x21, -0xC9, 0xC9}, {0x22, -0xD1, 0xD1},
        {0x26, -0xC8, 0xC8}, {0x25, -0xCB, 0xCB}, {0x27, -0xCD, 0xCD}, {0x28, -0xD0, 0xD0},
        {0x12, -0xB8, 0x38}, {0x11, -0x9D, 0x9D}, {0x2C, -0xB7, 0xB7}, {0x5C, -0xDC, 0xDC},
        {0x5D, -0xDD, 0xDD}, {0x10, -0x2A, 0x2A},
    };
    for (const auto& b : buttons) {
        EXPECT_EQ(ButtonKeyCode(b.vk, false, kKeyColumn), b.vk);
        EXPECT_EQ(ButtonKeyCode(b.vk, false, kDataColumn), b.vk);
        EXPECT_EQ(ButtonKeyCode(b.vk, true, kKeyColumn), b.keyColumn) << b.vk;
        EXPECT_EQ(ButtonKeyCode(b.vk, true, kDataColumn), b.dataColumn) << b.vk;
    }
    EXPECT_EQ(ButtonKeyCode(0x41, true, kKeyColumn), 0);
    EXPECT_EQ(KeyName(ButtonKeyCode(0x12, false, kKeyColumn)), "左右Alt");
    // Neither Alt index has a name, so Alt gives no swap token.
    EXPECT_EQ(KeyName(ButtonKeyCode(0x12, true, kKeyColumn)), "");
    EXPECT_EQ(FormatKeyToken(ButtonKeyCode(0x12, true, kDataColumn), true), std::nullopt);
}

TEST_F(KeyNames, FormattedTokens) {
    const struct {
        int code;
        bool japanese;
        std::optional<std::string> token;
    } cases[] = {
        {0x41, false, "<41>:Ａ"},           {0x0D, false, "<0D>:Enter"},
        {0x11, false, "<11>:左右Ctrl"},     {0x1C, false, "<1C>:変換"},
        {0x07, false, "<07>:<7>"},          {0xFF, false, "<FF>:<255>"},
        {0x1E, true, "[1E]:【Ａ】"},        {0x0F, true, "[0F]:【Tab】"},
        {0x9C, true, "[9C]:【ﾃﾝｷｰEnter】"}, {0xDD, true, "[DD]:【ｱﾌﾟﾘｹｰｼｮﾝ】"},
        {0x38, true, std::nullopt},         {0x00, true, std::nullopt},
        {256, false, std::nullopt},         {-1, true, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatKeyToken(c.code, c.japanese), c.token) << c.code;
}

TEST(ParseKeyToken, RecognisesOnlyWellFormedTokens) {
    const struct {
        const char* data;
        TokenKind kind;
        int code;
    } cases[] = {
        {"<41>:Ａ", TokenKind::kOneKey, 0x41},
        {"<0D>:Enter", TokenKind::kOneKey, 0x0D},
        {"[9C]:【ﾃﾝｷｰEnter】", TokenKind::kSwapKey, 0x9C},
        {"[ff]:x", TokenKind::kSwapKey, 0xFF},
        {"<1C>:", TokenKind::kOneKey, 0x1C},
        {"<1G>:x", TokenKind::kText, 0},
        {"<G1>:x", TokenKind::kText, 0},
        {"< 1>:x", TokenKind::kText, 0},
        {"<41]:x", TokenKind::kText, 0},
        {"[41>:x", TokenKind::kText, 0},
        {"<41>x", TokenKind::kText, 0},
        {"<41>", TokenKind::kText, 0},
        {"<041>:x", TokenKind::kText, 0},
        {"", TokenKind::kText, 0},
        {"こんにちは", TokenKind::kText, 0},
    };
    for (const auto& c : cases) {
        const KeyToken t = ParseKeyToken(c.data);
        EXPECT_EQ(t.kind, c.kind) << c.data;
        EXPECT_EQ(t.code, c.code) << c.data;
    }
}

TEST_F(KeyNames, EveryFormattedTokenParsesBackToItsCode) {
    for (int code = 0; code < 256; ++code) {
        for (bool japanese : {false, true}) {
            const auto token = FormatKeyToken(code, japanese);
            if (!token) continue;
            const KeyToken t = ParseKeyToken(*token);
            EXPECT_EQ(t.kind, japanese ? TokenKind::kSwapKey : TokenKind::kOneKey) << *token;
            EXPECT_EQ(t.code, code) << *token;
        }
    }
}

}  // namespace
}  // namespace yv::settings
