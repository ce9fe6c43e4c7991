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

// A byte-order mark decides. Without one the bytes are Shift-JIS when they are not entirely
// valid UTF-8, or all ASCII. Otherwise they are UTF-8 when any of these holds:
//  - read as Shift-JIS they are no good: some character is a lone lead byte, or a byte or pair
//    that is the form of no character;
//  - some character takes three or four bytes (kana, kanji, full-width forms, emoji, 𠮷), and
//    none is one that typed text does not hold (C1 controls, private use, noncharacters, the
//    unassigned planes 4 to 12);
//  - every character beyond ASCII takes two bytes and is a Latin letter with a mark from
//    U+00C0 to U+017F (ü, é, ł), but × and ÷.
// The last two rules keep half-width katakana in Shift-JIS: two of them make a character below
// U+0800 in UTF-8 ("ﾐｽ" is U+043D), a Latin letter only when the first is ﾃ, ﾄ or ﾅ.
FileEncoding DetectEncoding(std::string_view bytes);

// The program text of `bytes`, without the byte-order mark: each character in its own
// Shift-JIS form where it has one, else in the wide form, so nothing a UTF-8 or UTF-16 file
// holds is lost; a damaged sequence becomes '?'. Shift-JIS bytes come back as they are.
std::string ToShiftJis(std::string bytes, FileEncoding e);

constexpr std::size_t kWideFormBytes = 4;

// The length of the character at s[i]: kWideFormBytes for a whole wide form, 2 for a lead byte
// with a byte after it, else 1.
std::size_t CharLengthAt(std::string_view s, std::size_t i);

// Whether s holds a character in the wide form.
bool HoldsWideForm(std::string_view s);

// The UTF-16 of a program text. Shift-JIS is read by code page 932's table, never by the
// system's code page; a byte or pair that is no character's form becomes '?', a lead byte
// before a byte that cannot follow one (a line end, a blank) a '?' of its own.
std::u16string TextToUtf16(std::string_view text);
std::string TextToUtf8(std::string_view text);

// The program text of UTF-16: each character in its Shift-JIS form where it has one of its own,
// else in the wide form; a lone surrogate becomes '?'.
std::string TextFromUtf16(std::u16string_view text);

// The text for a reader that knows only Shift-JIS: a wide form becomes the Shift-JIS form of a
// look-alike (the wave dash, the yen sign) or '?'.
std::string PlainShiftJis(std::string_view text);

}  // namespace yv::settings
