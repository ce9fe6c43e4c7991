// The encodings in which a settings file may come, and the program's own form of a text.
//
// Inside the program a text is Shift-JIS bytes, so that every length and limit counts as the
// stored files and the exported tables do. A character that Shift-JIS lacks travels in it in a
// wide form of kWideFormBytes bytes: 0x80 (U+0000 to U+3FFFF) or 0xFD (U+D0000 to U+10FFFF, less
// 0xD0000), then the value's three 6-bit groups, high first, each as 0xA0 plus the group. Neither
// lead byte is a character in code page 932 and the three after it are single bytes there, so
// code that walks Shift-JIS never takes a wide form's bytes for part of a double-byte
// character. Such texts leave the program as UTF-16 (TextToUtf16) or UTF-8 (TextToUtf8); a
// reader that knows only Shift-JIS gets PlainShiftJis.
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

constexpr std::size_t kWideFormBytes = 4;

// The length of the character at s[i]: kWideFormBytes for a whole wide form, 2 for a lead byte
// with a byte after it, else 1.
std::size_t CharLengthAt(std::string_view s, std::size_t i);

// Whether s holds a character in the wide form.
bool HoldsWideForm(std::string_view s);

// The UTF-16 of a program text. Shift-JIS is read by code page 932's table, never by the
// system's code page; a byte or pair that is no character's form becomes '?'.
std::u16string TextToUtf16(std::string_view text);
std::string TextToUtf8(std::string_view text);

// The program text of UTF-16: each character in its Shift-JIS form where it has one of its own,
// else in the wide form; a lone surrogate becomes '?'.
std::string TextFromUtf16(std::u16string_view text);

// The text for a reader that knows only Shift-JIS: a wide form becomes the Shift-JIS form of a
// look-alike (the wave dash, the yen sign) or '?'.
std::string PlainShiftJis(std::string_view text);

}  // namespace yv::settings
