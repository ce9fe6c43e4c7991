// The editor's modal message box and input box: small windows of our own, so that the captions,
// buttons and keys are the same on every system, and so that the close button can be told from
// いいえ.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "view.h"

namespace yv::win {

// Control ids inside the boxes, also for test tools.
enum : int { kBoxTextId = 100, kBoxFieldId = 101 };
constexpr int kInputLimit = 255;  // bytes the input box's field takes

// Shows the box over `owner` (disabled meanwhile) and waits for the answer: はい or OK give kYes,
// いいえ kNo, the close button kClosed. Enter chooses the focused button (はい or OK at first);
// Esc chooses いいえ where there is one, else closes the box.
editor::Answer ShowBox(HWND owner, HFONT font, editor::BoxKind kind, const std::string& text,
                       editor::BoxButtons buttons);

// The field's text on OK (or Enter); nothing on キャンセル, Esc or the close button.
std::optional<std::string> ShowInputBox(HWND owner, HFONT font, const std::string& caption,
                                        const std::string& prompt, const std::string& initial);

}  // namespace yv::win
