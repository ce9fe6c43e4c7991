// The encodings in which a settings file may come, and their conversion to Shift-JIS, the only
// form the rest of the program handles.
#pragma once

#include <string>
#include <string_view>

namespace yv::settings {

enum class FileEncoding { kShiftJis, kUtf8, kUtf8Bom, kUtf16Le, kUtf16Be };

// "Shift-JIS", "UTF-8", "UTF-8 with BOM", "UTF-16LE", "UTF-16BE".
const char* EncodingName(FileEncoding e);

// A byte-order mark decides. Without one the bytes are UTF-8 when all of these hold, and
// Shift-JIS otherwise:
//  - they are entirely valid UTF-8 and not all ASCII;
//  - every character they decode to is one Shift-JIS holds (ToShiftJis gives it a form
//    other than '?');
//  - a character takes three bytes (U+0800 and above: kana, kanji, full-width forms), or the
//    bytes are no good Shift-JIS, that is, some character read as Shift-JIS is a lone lead
//    byte or a byte or pair that is the form of no character.
// The last rule keeps half-width katakana in Shift-JIS: two of them can make one character
// below U+0800 in UTF-8 ("ﾐｽ" is U+043D), a three-byte one they never make.
FileEncoding DetectEncoding(std::string_view bytes);

// The text of `bytes` in Shift-JIS, without the byte-order mark. A character that Shift-JIS
// cannot hold becomes '?', as does a damaged sequence; the few characters that Japanese text
// from other systems carries in place of Shift-JIS ones (the wave dash, the yen sign) become
// those. Shift-JIS bytes come back as they are.
std::string ToShiftJis(std::string bytes, FileEncoding e);

}  // namespace yv::settings
