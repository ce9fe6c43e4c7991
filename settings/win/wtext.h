// The editor's windows are Unicode windows; the editor keeps program texts (Shift-JIS bytes with
// wide forms for other characters). These convert at the windows' edge, so that a text shows
// and comes back as written whatever the system's code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "textencoding.h"

namespace yv::win {

// A program text (or a literal of the source, compiled as Shift-JIS) as the W calls take it.
class WText {
  public:
    explicit WText(std::string_view text) : text_(settings::TextToUtf16(text)) {}
    const wchar_t* c_str() const { return reinterpret_cast<const wchar_t*>(text_.c_str()); }
    int size() const { return static_cast<int>(text_.size()); }

  private:
    std::u16string text_;
};

// UTF-16 of the W calls as a program text.
inline std::string FromWide(const wchar_t* text, std::size_t length) {
    return settings::TextFromUtf16(
        std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

// The window's text as a program text.
inline std::string WindowText(HWND w) {
    const int n = GetWindowTextLengthW(w);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    s.resize(static_cast<size_t>(GetWindowTextW(w, s.data(), n + 1)));
    return FromWide(s.data(), s.size());
}

inline void SetText(HWND w, std::string_view text) { SetWindowTextW(w, WText(text).c_str()); }

}  // namespace yv::win
