// The rows' UTF-16 texts (SetTextsW): typed as WM_CHAR units, pasted as UTF-16, typed by the
// fallback; a caller of SetSet alone keeps the Shift-JIS texts; the titles read in UTF-16.
#include <algorithm>
#include <cstring>
#include <vector>

#include "hook_driver.h"

namespace yv::test {
namespace {

using UnicodeTest = HookTest;

Lines Join(std::initializer_list<Lines> parts) {
    Lines out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// What TypeText sends for UTF-16 text in mode 1: units without a key go as WM_CHAR alone; the
// fake's VkKeyScanW knows the ASCII letters, digits and the space.
Lines TypedW(const std::u16string& text) {
    Lines out;
    for (char16_t u : text) {
        const std::string c = std::to_string(u);
        out.push_back("VkKeyScanW(" + c + ")");
        const bool lower = u >= u'a' && u <= u'z';
        if (lower)
            out.push_back("SendMessageW(0x10, WM_KEYDOWN, " + std::to_string(u - 32) + ", 1)");
        out.push_back("SendMessageW(0x10, WM_CHAR, " + c + ", 1)");
        if (lower)
            out.push_back("SendMessageW(0x10, WM_KEYUP, " + std::to_string(u - 32) +
                          ", 0xc0000001)");
    }
    return out;
}

// What TypeText sends for Shift-JIS bytes without keys (VkKeyScanA -1: key messages 255).
Lines TypedA(const std::string& bytes) {
    Lines out;
    for (unsigned char b : bytes) {
        out.push_back("VkKeyScanA(" + std::to_string(b) + ")");
        out.push_back("SendMessageA(0x10, WM_KEYDOWN, 255, 1)");
        out.push_back("SendMessageA(0x10, WM_CHAR, " + std::to_string(b) + ", 1)");
        out.push_back("SendMessageA(0x10, WM_KEYUP, 255, 0xc0000001)");
    }
    return out;
}

TEST_F(UnicodeTest, TextRowsInTheMessageHook) {
    const Lines down = {"> d:A"}, end = {"= null", "> u:A", "= null"};
    struct Case {
        const char* name;
        std::uint8_t mode;
        bool withW;
        std::string text;
        std::u16string textW;
        Lines typed;
    } cases[] = {
        {"kanji and kana outside the code page", 1, true, "日本語ﾃｷｽﾄ", u"日本語ﾃｷｽﾄ",
         TypedW(u"日本語ﾃｷｽﾄ")},
        // The high half first, then the low one, as the keyboard delivers such a character.
        {"a surrogate pair",
         1,
         true,
         "?",
         u"😀",
         {"VkKeyScanW(55357)", "SendMessageW(0x10, WM_CHAR, 55357, 1)", "VkKeyScanW(56832)",
          "SendMessageW(0x10, WM_CHAR, 56832, 1)"}},
        {"letters keep their key messages", 1, true, "a?", u"aü", TypedW(u"aü")},
        {"characters Shift-JIS lacks", 1, true, "?野家??", u"𠮷野家😀ü", TypedW(u"𠮷野家😀ü")},
        // A caller of SetSet alone: the bytes, as before.
        {"an old caller", 1, false, "日本", u"", TypedA("日本")},
        // Mode 3 taps the Shift-JIS bytes as keys, UTF-16 texts or not.
        {"texts as keys",
         3,
         true,
         "ab",
         u"xy",
         {"keybd_event(97, 0, 0, own)", "keybd_event(97, 0, KEYEVENTF_KEYUP, own)",
          "keybd_event(98, 0, 0, own)", "keybd_event(98, 0, KEYEVENTF_KEYUP, own)"}},
    };
    for (const Case& c : cases) {
        if (c.withW)
            LoadW(c.mode, {{65, c.text}}, {c.textW});
        else
            Load(c.mode, {{65, c.text}});
        EXPECT_EQ(Show(RunMsg("d:A u:A")), Show(Join({down, c.typed, end}))) << c.name;
    }
}

TEST_F(UnicodeTest, SetSetAloneGoesBackToTheShiftJisTexts) {
    LoadW(1, {{65, "日本"}}, {u"中文"});
    Load(1, {{65, "日本"}});
    EXPECT_EQ(Show(RunMsg("d:A")), Show(Join({{"> d:A"}, TypedA("日本"), {"= null"}})));
    LoadW(1, {{65, "日本"}}, {u"中文"});
    SetTextsW(nullptr);
    EXPECT_EQ(Show(RunMsg("d:A")), Show(Join({{"> d:A"}, TypedA("日本"), {"= null"}})));
}

// SetSet packs its rows (remaps leave, rows without key close up): each UTF-16 text follows
// its row.
TEST_F(UnicodeTest, TextsFollowTheirRowsWhenSetSetPacksThem) {
    const std::u16string u = u"ü", e = u"é";
    LoadW(1, {{ScanKey(0x1E), Remap(0x30)}, {0, "gone"}, {66, "?"}, {67, "?"}},
          {u"", u"gone", u, e});
    const Lines want = Join({{"> d:B"}, TypedW(u), {"= null", "> d:C"}, TypedW(e), {"= null"}});
    EXPECT_EQ(Show(RunMsg("d:B d:C")), Show(want));
    // Rows past the packed ones hold no text, whatever the caller gave for those numbers.
    for (int r = 3; r < kRows; ++r) EXPECT_EQ(g_shared.ruleTextW[r][0], u'\0') << r;
}

TEST_F(UnicodeTest, CopyRuleTextWIsBoundedAndSaysWhenTheTextsAreNotInForce) {
    LoadW(1, {{65, "x"}}, {u"ü"});
    char16_t out[kTextSize] = {u'z'};
    EXPECT_TRUE(CopyRuleTextW(1, out));
    EXPECT_EQ(std::u16string(out), std::u16string(1, u'\u00FC'));
    for (int row : {-1, kRows, kRows + 1}) {
        out[0] = u'z';
        EXPECT_FALSE(CopyRuleTextW(row, out)) << row;
        EXPECT_EQ(out[0], u'\0') << row;
    }
    Load(1, {{65, "x"}});
    out[0] = u'z';
    EXPECT_FALSE(CopyRuleTextW(1, out));
    EXPECT_EQ(out[0], u'\0');
}

TEST_F(UnicodeTest, TextsAreBoundedAtOneHundredUnits) {
    const std::u16string full(kMaxText, u'漢');
    const std::u16string longer = full + u"余り";
    std::vector<char16_t> unterminated(3 * kMaxText, u'字');  // no NUL anywhere
    struct Case {
        const char* name;
        const char16_t* text;
        std::u16string typed;
    } cases[] = {
        {"exactly at capacity", full.c_str(), full},
        {"longer: cut", longer.c_str(), full},
        {"unterminated", unterminated.data(), std::u16string(kMaxText, u'字')},
    };
    for (const Case& c : cases) {
        Load(1, {{65, "x"}});
        const char16_t* texts[kRows] = {};
        texts[1] = c.text;
        SetTextsW(texts);
        fake::ClearLog();
        EXPECT_EQ(g_shared.ruleTextW[1][kMaxText], u'\0') << c.name;
        EXPECT_EQ(Show(RunMsg("d:A")), Show(Join({{"> d:A"}, TypedW(c.typed), {"= null"}})))
            << c.name;
    }
}

TEST_F(UnicodeTest, TheFallbackTypesTheUtf16Text) {
    struct Case {
        bool withW;
        const char* typed;
    } cases[] = {
        {true, "SendInput(unicode \"<d83d><de00>野\", own)"},
        {false, "SendInput(unicode \"?野\", own)"},
    };
    for (const Case& c : cases) {
        if (c.withW)
            LoadW(1, {{65, "?野"}}, {u"😀野"});
        else
            Load(1, {{65, "?野"}});
        SetFront(kFrontFallback, 0);
        fake::ClearLog();
        const Lines got = RunKbd(KbdForm::LowLevel, "d:A");
        EXPECT_NE(std::find(got.begin(), got.end(), c.typed), got.end()) << Show(got);
    }
}

// The host's UTF-16 taker of paste texts.
std::u16string g_sunk;
int g_sunkUnits = -1;
int SinkW(const char16_t* text, int units) {
    g_sunk.assign(text, static_cast<std::size_t>(units));
    g_sunkUnits = units;
    return 1;
}
bool g_sunkTerminated = false;
int g_sinkAnswer = 1;
int SinkWAnswering(const char16_t* text, int units) {
    g_sunk.assign(text, static_cast<std::size_t>(units));
    g_sunkTerminated = text[units] == u'\0';
    return g_sinkAnswer;
}
std::string g_sunkA;
int SinkA(const char* text, int bytes) {
    g_sunkA.assign(text, static_cast<std::size_t>(bytes));
    return 1;
}

TEST_F(UnicodeTest, PasteRowsHandTheHostUtf16) {
    struct Case {
        const char* name;
        bool withW, sinkW, sinkA;
        std::u16string wantW;
        std::string wantA;
    } cases[] = {
        {"the row's UTF-16 text", true, true, true, u"貼付🍣", ""},
        {"an old table read by code page 932", false, true, false, u"貼付?", ""},
        {"a host that takes Shift-JIS only", true, false, true, u"", "貼付?"},
    };
    for (const Case& c : cases) {
        SetUp();
        g_sunk.clear(), g_sunkA.clear(), g_sunkUnits = -1;
        if (c.withW)
            LoadW(1, {{ScanKey(0x1E), "貼付?"}}, {u"貼付🍣"});
        else
            Load(1, {{ScanKey(0x1E), "貼付?"}});
        g_process.pasteSinkW = c.sinkW ? SinkW : nullptr;
        g_process.pasteSink = c.sinkA ? SinkA : nullptr;
        RunKbd(KbdForm::LowLevel, "d:A u:A");
        EXPECT_EQ(g_sunk, c.wantW) << c.name;
        if (c.sinkW) {
            EXPECT_EQ(g_sunkUnits, static_cast<int>(c.wantW.size())) << c.name;
        }
        EXPECT_EQ(g_sunkA, c.wantA) << c.name;
        EXPECT_EQ(fake::ClipboardText(), "") << c.name;  // the host does the clipboard
        // The keys that follow wait until the host gives the clipboard back.
        EXPECT_TRUE(g_process.gateClosed) << c.name;
    }
}

// Shift-JIS text handed to the UTF-16 taker: read by code page 932, at most 1024 units and
// terminated; a taker that refuses leaves nothing pasted and the keys free.
TEST_F(UnicodeTest, TheUtf16TakerGetsShiftJisReadBoundedAndTerminated) {
    g_process.pasteSinkW = SinkWAnswering;
    const std::string longText(1500, 'p');
    for (int answer : {1, 0}) {
        SetUp();
        g_process.pasteSinkW = SinkWAnswering;
        g_sinkAnswer = answer;
        g_sunk.clear();
        g_sunkTerminated = false;
        EXPECT_EQ(PasteText(kHostWnd, longText.c_str(), true), answer ? 0 : -2);
        EXPECT_EQ(g_sunk, std::u16string(1024, u'p'));
        EXPECT_TRUE(g_sunkTerminated);
        EXPECT_EQ(g_process.gateClosed, answer == 1);
        EXPECT_EQ(fake::ClipboardText(), "");
    }
    g_process.pasteSinkW = nullptr;
}

TEST_F(UnicodeTest, TheLibrarysOwnPastePutsUnicodeText) {
    const std::u16string sushi = u"貼付🍣";
    LoadW(1, {{ScanKey(0x1E), "貼付?"}}, {sushi});
    const Lines log = RunKbd(KbdForm::Classic, "d:A u:A");
    EXPECT_EQ(fake::ClipboardTextW(), sushi);
    EXPECT_EQ(fake::ClipboardText(), "");
    // Four units and the terminator.
    EXPECT_NE(std::find(log.begin(), log.end(), "GlobalAlloc(0x42, 10)"), log.end()) << Show(log);
    EXPECT_NE(std::find(log.begin(), log.end(), "SetClipboardData(13, 0x5000)"), log.end());
    EXPECT_EQ(fake::LiveGlobalBlocks(), 0);

    // A caller of SetSet alone: CF_TEXT as before.
    SetUp();
    Load(1, {{ScanKey(0x1E), "貼付"}});
    RunKbd(KbdForm::Classic, "d:A u:A");
    EXPECT_EQ(fake::ClipboardText(), "貼付");
    EXPECT_EQ(fake::ClipboardTextW(), u"");
}

// The activation hook reads titles in UTF-16: getaplnameW gives them as they are, getaplname
// their Shift-JIS form, '?' for what it lacks, cut at 99 bytes where a character ends.
TEST_F(UnicodeTest, TitlesAreRecordedInUtf16) {
    const Hwnd w = reinterpret_cast<Hwnd>(0x30);
    std::string longA;
    for (int i = 0; i < 49; ++i) longA += "あ";
    struct Case {
        const char* name;
        std::u16string title;
        bool recorded;
        std::u16string wide;
        std::string shiftJis;
    } cases[] = {
        {"Korean", u"한국어 - メモ帳", true, u"한국어 - メモ帳", "??? - メモ帳"},
        {"emoji", u"😀 chat", true, u"😀 chat", "?? chat"},
        {"long: 99 units, 49 characters of Shift-JIS", std::u16string(120, u'あ'), true,
         std::u16string(99, u'あ'), longA},
        {"an information box", u"情報 😀", false, u"", ""},
        {"the editor", u"Yorvan2変換設定 ü", false, u"", ""},
    };
    for (const Case& c : cases) {
        SetUp();
        // What an earlier record left: nothing of it may show.
        std::memset(g_shared.aplname, 'j', sizeof g_shared.aplname);
        g_shared.aplname[0][kTitleSize - 1] = g_shared.aplname[1][kTitleSize - 1] = '\0';
        for (char16_t& u : g_shared.aplnameW) u = u'j';
        g_shared.lastActive = nullptr;
        fake::SetWindowStyle(w, 0x10C80000);
        fake::SetWindowTitleW(w, c.title);
        NoteActivated(w);
        char16_t wideOut[2][kTitleSize] = {{u'x'}, {u'y'}};
        char16_t* wideBufs[2] = {wideOut[0], wideOut[1]};
        getaplnameW(wideBufs);
        char narrowOut[2][kTitleSize] = {};
        char* narrowBufs[2] = {narrowOut[0], narrowOut[1]};
        getaplname(narrowBufs);
        EXPECT_EQ(g_shared.lastActive == w, c.recorded) << c.name;
        if (!c.recorded) continue;
        EXPECT_EQ(std::u16string(wideOut[0]), c.wide) << c.name;
        EXPECT_EQ(std::u16string(wideOut[1]), u"") << c.name;
        EXPECT_EQ(std::string(narrowOut[0]), c.shiftJis) << c.name;
        EXPECT_EQ(std::string(narrowOut[1]), "") << c.name;
    }
    // A shared area without a terminator (damaged, or being written): at most 100 units.
    for (char16_t& u : g_shared.aplnameW) u = u'j';
    char16_t out[2][kTitleSize + 8] = {};
    char16_t* bufs[2] = {out[0], out[1]};
    getaplnameW(bufs);
    EXPECT_EQ(std::u16string(out[0]), std::u16string(kTitleSize - 1, u'j'));
}

}  // namespace
}  // namespace yv::test
