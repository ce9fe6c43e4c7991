// Drives the hook procedures from short key scripts and turns what they did into a transcript:
// for each step the step itself ("> d:A"), the platform calls it made, and its outcome.
//
// Script steps, separated by blanks: d:KEY key-down, u:KEY key-up, sd:KEY / su:KEY the system
// forms (message hook only). KEY is a name from the table in hook_driver.cpp; KEY/0 sends it
// with scan code 0, as synthesized keystrokes mostly arrive; KEY/own with the library's mark.
// t:MS sets the clock (GetTickCount) to MS milliseconds; it only shows in the transcript.
//
// Outcomes of the message hook: "= pass" (next hook called, message unchanged), "= null" (next
// hook called with the message rewritten to WM_NULL), "= stop" (returned 1 without calling the
// next hook, message unchanged). Of the keyboard hook: "= pass" or "= eat" (returned 1).
// The call to the next hook is left out of the transcript when it used the right hook handle.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "fake_platform.h"
#include "hooklib.h"

namespace yv::test {

using Lines = std::vector<std::string>;

inline const Hwnd kWnd = reinterpret_cast<Hwnd>(0x10);      // the focused window
inline const Hwnd kHostWnd = reinterpret_cast<Hwnd>(0x20);  // the resident host
inline const Hhook kMsgHook = reinterpret_cast<Hhook>(0xA1);
inline const Hhook kKbdHook = reinterpret_cast<Hhook>(0xA2);

enum class KbdForm { Classic, LowLevel };

struct Key {
    std::uint32_t vk;
    std::uint32_t scan;
    bool extended;
};
Key KeyByName(const std::string& name);

// A rule row as the resident host hands it over.
struct Row {
    std::int32_t key;
    std::string text;
};

// Loads the rules with SetSet: row 0 is the On/Off key, `rows` go to rows 1, 2, ...
void Load(std::uint8_t mode, const std::vector<Row>& rows, Row onOff = {0, ""},
          std::uint8_t numLockHold = 0);

// Load, then SetTextsW with `textsW` for rows 1, 2, ... (row 0 gets the On/Off key's text
// read as ASCII).
void LoadW(std::uint8_t mode, const std::vector<Row>& rows,
           const std::vector<std::u16string>& textsW, Row onOff = {0, ""});

// Runs a script through MessageHookProc / a keyboard hook and returns the transcript.
Lines RunMsg(const std::string& script);
Lines RunKbd(KbdForm form, const std::string& script);

// Hands one message record to MessageHookProc and returns the transcript of that step.
Lines SendRecord(Msg msg, int code = 0, WParam removal = win::PM_REMOVE);

// The fake's log without the next-hook calls.
Lines Calls();

// One-key and remap texts.
std::string OneKey(std::uint8_t x);
std::string Remap(std::uint8_t x);
// Key number of a scan-code rule.
inline std::int32_t ScanKey(std::uint32_t scanIndex) {
    return static_cast<std::int32_t>(1000 + scanIndex);
}

// Fresh platform and shared area for each test.
class HookTest : public ::testing::Test {
  protected:
    void SetUp() override;
};

// Prints a transcript one line per line, so a failing comparison is easy to read.
std::string Show(const Lines& lines);

}  // namespace yv::test
