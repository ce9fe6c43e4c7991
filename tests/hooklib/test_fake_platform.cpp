// The recording platform itself: that it records, answers as set, and starts afresh.
#include <cstring>

#include "hook_driver.h"

namespace yv::test {
namespace {

using FakePlatformTest = HookTest;

TEST_F(FakePlatformTest, RecordsCallsInOrderWithReadableArguments) {
    plat::keybd_event(17, 0, 0, 0);
    plat::keybd_event(16, 0x2A, win::KEYEVENTF_KEYUP, 0);
    plat::SendMessageA(kWnd, win::WM_CHAR, 97, 1);
    plat::PostMessageA(kWnd, win::WM_CONTEXTMENU, 1, -1);
    plat::SendMessageA(kWnd, win::WM_KEYUP, 65, static_cast<LParam>(0xC0000001u));
    plat::MessageBoxA(nullptr, "フック失敗", "Yorvan2.dll", win::MB_OK);
    plat::SetWindowsHookExA(win::WH_KEYBOARD_LL, HookProcId::KeyboardLL, nullptr, 0);
    EXPECT_EQ(fake::Log(), (Lines{
                               "keybd_event(17, 0, 0, 0)",
                               "keybd_event(16, 0x2a, KEYEVENTF_KEYUP, 0)",
                               "SendMessageA(0x10, WM_CHAR, 97, 1)",
                               "PostMessageA(0x10, WM_CONTEXTMENU, 1, -1)",
                               "SendMessageA(0x10, WM_KEYUP, 65, 0xc0000001)",
                               "MessageBoxA(0, \"フック失敗\", \"Yorvan2.dll\", 0)",
                               "SetWindowsHookExA(WH_KEYBOARD_LL, KbdLLHookProc, 0, 0)",
                           }));
    fake::SetRecording(false);
    plat::keybd_event(1, 0, 0, 0);
    EXPECT_EQ(fake::Log().size(), 7u);
}

TEST_F(FakePlatformTest, KeyAnswersFollowTheSettings) {
    EXPECT_EQ(plat::MapVirtualKeyA(0x1D, 1), 17u);
    EXPECT_EQ(plat::MapVirtualKeyA(0x79, 1), 28u);
    EXPECT_EQ(plat::MapVirtualKeyA(0x7F, 1), 0u);
    EXPECT_EQ(plat::VkKeyScanA('a'), 65);
    EXPECT_EQ(plat::VkKeyScanA('A'), 0x141);
    EXPECT_EQ(plat::VkKeyScanA('7'), '7');
    EXPECT_EQ(plat::VkKeyScanA('\x82'), -1);
    fake::SetScanToVk(0x7F, 99);
    fake::SetVkKeyScan('\x82', 0x55);
    fake::SetKeyState(144, 1);
    fake::SetAsyncKeyState(16, static_cast<std::int16_t>(0x8000));
    fake::SetImeOpen(true);
    EXPECT_EQ(plat::MapVirtualKeyA(0x7F, 1), 99u);
    EXPECT_EQ(plat::VkKeyScanA('\x82'), 0x55);
    EXPECT_EQ(plat::GetKeyState(144), 1);
    EXPECT_EQ(plat::GetAsyncKeyState(16) & 0x8000, 0x8000);
    EXPECT_EQ(ImeIsOpen(kWnd), 1);

    std::uint8_t state[256] = {};
    state[65] = 0x81;
    plat::SetKeyboardState(state);
    std::uint8_t back[256] = {};
    plat::GetKeyboardState(back);
    EXPECT_EQ(back[65], 0x81);

    fake::Reset();
    EXPECT_TRUE(fake::Log().empty());
    EXPECT_EQ(plat::MapVirtualKeyA(0x7F, 1), 0u);
    EXPECT_EQ(plat::GetKeyState(144), 0);
    EXPECT_EQ(fake::KeyboardStateBytes()[65], 0);
}

TEST_F(FakePlatformTest, ClipboardOwnsWhatItWasGivenAndFailuresTakeEffect) {
    Hglobal m = plat::GlobalAlloc(win::GMEM_MOVEABLE | win::GMEM_ZEROINIT, 4);
    std::memcpy(plat::GlobalLock(m), "abc", 3);
    EXPECT_EQ(fake::LiveGlobalBlocks(), 1);
    ASSERT_TRUE(plat::OpenClipboard(kWnd));
    plat::EmptyClipboard();
    EXPECT_EQ(plat::SetClipboardData(win::CF_TEXT, m), m);
    plat::CloseClipboard();
    EXPECT_EQ(fake::ClipboardText(), "abc");
    EXPECT_EQ(fake::LiveGlobalBlocks(), 0);
    EXPECT_EQ(plat::GlobalFree(m), m);  // no longer ours

    fake::FailGlobalAlloc(true);
    EXPECT_EQ(plat::GlobalAlloc(0, 4), nullptr);
    fake::FailOpenClipboard(true);
    EXPECT_EQ(plat::OpenClipboard(kWnd), 0);
}

TEST_F(FakePlatformTest, InstallationAnswersFollowTheSettings) {
    const Hhook msgHook = plat::SetWindowsHookExA(win::WH_GETMESSAGE, HookProcId::Message, 0, 0);
    EXPECT_NE(msgHook, nullptr);
    fake::SetHookResult(win::WH_CBT, nullptr);
    EXPECT_EQ(plat::SetWindowsHookExA(win::WH_CBT, HookProcId::Cbt, 0, 0), nullptr);
    fake::FailNthHook(4);
    EXPECT_NE(plat::SetWindowsHookExA(win::WH_KEYBOARD, HookProcId::Keyboard, 0, 0), nullptr);
    EXPECT_EQ(plat::SetWindowsHookExA(win::WH_KEYBOARD, HookProcId::Keyboard, 0, 0), nullptr);

    OsVersionInfoA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(plat::GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion, 6u);
    fake::FailGetVersion(true);
    EXPECT_FALSE(plat::GetVersionExA(&info));

    const Hwnd w = reinterpret_cast<Hwnd>(0x99);
    fake::SetWindowStyle(w, 0x10C80000);
    fake::SetWindowTitle(w, "Notepad window");
    EXPECT_EQ(plat::GetWindowLongA(w, win::GWL_STYLE), 0x10C80000);
    char title[8];
    EXPECT_EQ(plat::GetWindowTextA(w, title, sizeof title), 7);
    EXPECT_STREQ(title, "Notepad");
    fake::SetDesktopWindow(w);
    EXPECT_EQ(plat::GetDesktopWindow(), w);

    EXPECT_EQ(plat::LoadLibraryA("user32.dll"), fake::kDefaultUser32);
    EXPECT_EQ(plat::GetProcAddress(fake::kDefaultUser32, "ChangeWindowMessageFilter"),
              fake::kDefaultFilterProc);
    fake::SetProcAddressResult("ChangeWindowMessageFilter", nullptr);
    EXPECT_EQ(plat::GetProcAddress(fake::kDefaultUser32, "ChangeWindowMessageFilter"), nullptr);
    fake::SetLoadLibraryResult(nullptr);
    EXPECT_EQ(plat::LoadLibraryA("user32.dll"), nullptr);
}

}  // namespace
}  // namespace yv::test
