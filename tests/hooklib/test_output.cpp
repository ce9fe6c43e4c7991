// Output primitives: typed text, clipboard pastes and their failures.
#include "hook_driver.h"

namespace yv::test {
namespace {

using OutputTest = HookTest;

const char* const kOfferAbc = "SendMessageA(0x20, WM_RBUTTONDOWN, \"abc\", 9992)";

TEST_F(OutputTest, TypeTextByMessagesSendsEveryByteAsItsOwnCharacter) {
    g_shared.convMode = 1;
    // "あ" is two bytes in Shift-JIS; no key produces them, so VkKeyScanA gives -1 and the key
    // messages carry 0xFF.
    TypeText(kWnd, "あ");
    EXPECT_EQ(Calls(), (Lines{"VkKeyScanA(130)", "SendMessageA(0x10, WM_KEYDOWN, 255, 1)",
                              "SendMessageA(0x10, WM_CHAR, 130, 1)",
                              "SendMessageA(0x10, WM_KEYUP, 255, 0xc0000001)", "VkKeyScanA(160)",
                              "SendMessageA(0x10, WM_KEYDOWN, 255, 1)",
                              "SendMessageA(0x10, WM_CHAR, 160, 1)",
                              "SendMessageA(0x10, WM_KEYUP, 255, 0xc0000001)"}));
    // A byte whose key code is 0 goes out as the character alone.
    fake::ClearLog();
    fake::SetVkKeyScan('~', 0);
    TypeText(kWnd, "~");
    EXPECT_EQ(Calls(), (Lines{"VkKeyScanA(126)", "SendMessageA(0x10, WM_CHAR, 126, 1)"}));
}

TEST_F(OutputTest, TypeTextAsKeystrokesUsesTheByteAsTheKey) {
    g_shared.convMode = 3;
    TypeText(kWnd, "a");  // 0x61: the keypad 1, not the letter
    EXPECT_EQ(Calls(),
              (Lines{"keybd_event(97, 0, 0, own)", "keybd_event(97, 0, KEYEVENTF_KEYUP, own)"}));
    fake::ClearLog();
    TypeText(kWnd, "");
    TypeText(kWnd, nullptr);
    EXPECT_EQ(Calls(), Lines{});
}

TEST_F(OutputTest, PasteTextFailures) {
    struct Case {
        const char* name;
        void (*fail)(bool);
        int result;
        Lines tail;  // after lstrlenA and GlobalAlloc
    };
    const Case cases[] = {
        {"no memory", fake::FailGlobalAlloc, -1, {}},
        {"memory cannot be locked",
         fake::FailGlobalLock,
         -1,
         {"GlobalLock(0x5000)", "GlobalFree(0x5000)"}},
        {"clipboard held by another program",
         fake::FailOpenClipboard,
         -2,
         {"GlobalLock(0x5000)", "GlobalUnlock(0x5000)", "OpenClipboard(0x20)",
          "GlobalFree(0x5000)"}},
        // The clipboard refused the memory: it is still ours, and Ctrl+V would paste nothing.
        {"clipboard refuses the data",
         fake::FailSetClipboardData,
         -3,
         {"GlobalLock(0x5000)", "GlobalUnlock(0x5000)", "OpenClipboard(0x20)", "EmptyClipboard()",
          "SetClipboardData(1, 0x5000)", "CloseClipboard()", "GlobalFree(0x5000)"}},
    };
    for (const Case& c : cases) {
        fake::Reset();
        c.fail(true);
        EXPECT_EQ(PasteText(kHostWnd, "abc"), c.result) << c.name;
        Lines expected{"lstrlenA(\"abc\")", "GlobalAlloc(0x42, 4)"};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(Calls(), expected) << c.name;
        EXPECT_EQ(fake::LiveGlobalBlocks(), 0) << c.name;
    }
}

TEST_F(OutputTest, PasteTextTakesAtMost1024Bytes) {
    const std::string text(1500, 'p');
    EXPECT_EQ(PasteText(kHostWnd, text.c_str()), 0);
    EXPECT_EQ(fake::ClipboardText(), std::string(1024, 'p'));
    EXPECT_EQ(Calls()[1], "GlobalAlloc(0x42, 1025)");
}

// The owner may take the paste (and render the text when the target reads it).
TEST_F(OutputTest, PasteTextOffersTheTextToTheOwnerFirst) {
    const Lines ctrlV{"keybd_event(17, 0, 0, own)", "keybd_event(86, 0, 0, own)",
                      "keybd_event(86, 0, KEYEVENTF_KEYUP, own)",
                      "keybd_event(17, 0, KEYEVENTF_KEYUP, own)"};
    struct Case {
        const char* name;
        LResult answer;
        int result;
        bool ownClipboard;  // the library opens the clipboard itself
        bool typed;
    };
    const Case cases[] = {
        {"taken by the owner", kPasteTaken, 0, false, true},
        {"the owner found the clipboard held", kPasteBusy, -2, false, false},
        {"an owner that does not know the offer", 0, 0, true, true},
        {"an unknown answer", 7, 0, true, true},
    };
    for (const Case& c : cases) {
        fake::Reset();
        fake::SetPasteOfferAnswer(c.answer);
        EXPECT_EQ(PasteText(kHostWnd, "abc", true), c.result) << c.name;
        Lines expected{"lstrlenA(\"abc\")", kOfferAbc};
        if (c.ownClipboard) {
            expected.insert(expected.end(),
                            {"GlobalAlloc(0x42, 4)", "GlobalLock(0x5000)", "GlobalUnlock(0x5000)",
                             "OpenClipboard(0x20)", "EmptyClipboard()",
                             "SetClipboardData(1, 0x5000)", "CloseClipboard()"});
        }
        if (c.typed) expected.insert(expected.end(), ctrlV.begin(), ctrlV.end());
        EXPECT_EQ(Calls(), expected) << c.name;
        EXPECT_EQ(fake::LiveGlobalBlocks(), 0) << c.name;
    }
}

// A host that takes paste texts in process: the low-level hook hands the text over and does
// nothing else (no clipboard, no Ctrl+V: the host types it once the clipboard holds the text);
// the classic hook, in the application, never hands over.
TEST_F(OutputTest, PasteTextHandsTheTextToTheHostsSink) {
    static std::string taken;
    static int answer;
    const struct {
        int answer;
        bool offer;
        int result;
        const char* taken;
    } cases[] = {{1, true, 0, "abc"}, {0, true, -2, "abc"}, {1, false, 0, ""}};
    for (const auto& c : cases) {
        fake::Reset();
        taken.clear();
        answer = c.answer;
        g_process.pasteSink = [](const char* text, int n) {
            taken.assign(text, static_cast<std::size_t>(n));
            return answer;
        };
        EXPECT_EQ(PasteText(kHostWnd, "abc", c.offer), c.result);
        g_process.pasteSink = nullptr;
        EXPECT_EQ(taken, c.taken);
        // lstrlenA and the gate's wake, or the whole paste
        EXPECT_EQ(Calls().size(), !c.offer ? 12u : c.answer ? 2u : 1u);
        EXPECT_EQ(g_process.gateClosed, c.offer && c.answer);
        g_process.gateClosed = false;
    }
}

}  // namespace
}  // namespace yv::test
