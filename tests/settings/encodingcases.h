// Settings files in the encodings a user's editor may save, and the program text reading them
// must give.
// Shared by the Linux tests and the Windows program, so that both conversions answer alike.
#pragma once

#include <string>
#include <string_view>

#include "textencoding.h"

namespace yv::settings::testing {

using namespace std::string_view_literals;  // raw bytes may hold NULs

struct EncodingCase {
    const char* what;
    FileEncoding saved;  // how `text` is saved (with its byte-order mark, if the form has one)
    std::u16string_view text;
    std::string_view raw;  // instead of `text`: the file's bytes as they stand
    FileEncoding detected;
    std::string_view sjis;  // the text read
};

inline const EncodingCase kEncodingCases[] = {
    {"UTF-16LE",
     FileEncoding::kUtf16Le,
     u"[Config]\r\nName=日本語ｱ①\r\n",
     {},
     FileEncoding::kUtf16Le,
     "[Config]\r\nName=日本語ｱ①\r\n"},
    {"UTF-16BE",
     FileEncoding::kUtf16Be,
     u"[Config]\r\nName=表ソ\r\n",
     {},
     FileEncoding::kUtf16Be,
     "[Config]\r\nName=表ソ\r\n"},
    {"UTF-8 with BOM",
     FileEncoding::kUtf8Bom,
     u"[Config]\r\nName=日本語ｱ①\r\n",
     {},
     FileEncoding::kUtf8Bom,
     "[Config]\r\nName=日本語ｱ①\r\n"},
    {"UTF-8",
     FileEncoding::kUtf8,
     u"[Config]\r\nName=日本語ｱ①\r\n",
     {},
     FileEncoding::kUtf8,
     "[Config]\r\nName=日本語ｱ①\r\n"},
    {"ASCII only",
     FileEncoding::kUtf8,
     u"[Config]\r\nx=1",
     {},
     FileEncoding::kShiftJis,
     "[Config]\r\nx=1"},
    {"Shift-JIS",
     {},
     {},
     "[Config]\r\nName=日本語ｱ\r\n",
     FileEncoding::kShiftJis,
     "[Config]\r\nName=日本語ｱ\r\n"},
    {"UTF-8 but for one byte",
     {},
     {},
     "\xE6\x97\xA5\xE6\x9C\xAC\xFF"sv,
     FileEncoding::kShiftJis,
     "\xE6\x97\xA5\xE6\x9C\xAC\xFF"sv},
    {"overlong UTF-8", {}, {}, "\xC0\xAF"sv, FileEncoding::kShiftJis, "\xC0\xAF"sv},
    {"UTF-8 but for a lone continuation byte",
     {},
     {},
     "\xC3\xBC\x80"sv,
     FileEncoding::kShiftJis,
     "\xC3\xBC\x80"sv},
    // Wide forms, below: é \x80\xA0\xA3\xC9, € \x80\xA2\xA2\xCC, 😀 \x80\xBF\xB8\xA0,
    // ü \x80\xA0\xA3\xDC, 𠮷 \x80\xC0\xCE\xD7, ł \x80\xA0\xA5\xA2.
    {"no Shift-JIS form",
     FileEncoding::kUtf8,
     u"é€\U0001F600x",
     {},
     FileEncoding::kUtf8,
     "\x80\xA0\xA3\xC9\x80\xA2\xA2\xCC\x80\xBF\xB8\xA0x"},
    {"no Shift-JIS form after a BOM",
     FileEncoding::kUtf8Bom,
     u"é€\U0001F600x",
     {},
     FileEncoding::kUtf8Bom,
     "\x80\xA0\xA3\xC9\x80\xA2\xA2\xCC\x80\xBF\xB8\xA0x"},
    {"UTF-8 with a character Shift-JIS lacks",
     FileEncoding::kUtf8,
     u"data1=日本€\r\n",
     {},
     FileEncoding::kUtf8,
     "data1=日本\x80\xA2\xA2\xCC\r\n"},
    {"UTF-8 of the text row that Shift-JIS typed as ?野家??",
     FileEncoding::kUtf8,
     u"data1=\U00020BB7野家\U0001F600ü\r\n",
     {},
     FileEncoding::kUtf8,
     "data1=\x80\xC0\xCE\xD7野家\x80\xBF\xB8\xA0\x80\xA0\xA3\xDC\r\n"},
    // Read as Shift-JIS, 𠮷 is a user-defined character and the katakana ｮｷ.
    {"UTF-8 of one character beyond the first plane, good Shift-JIS too",
     FileEncoding::kUtf8,
     u"data1=\U00020BB7\r\n",
     {},
     FileEncoding::kUtf8,
     "data1=\x80\xC0\xCE\xD7\r\n"},
    // ü is ﾃｼ in Shift-JIS, ł is ﾅ and a lead byte before "o".
    {"UTF-8 Latin letters with marks",
     FileEncoding::kUtf8,
     u"data1=Müller łoś\r\n",
     {},
     FileEncoding::kUtf8,
     "data1=M\x80\xA0\xA3\xDCller \x80\xA0\xA5\xA2o\x80\xA0\xA5\xBB\r\n"},
    {"UTF-8 of one Latin letter that is ﾃｼ in Shift-JIS",
     FileEncoding::kUtf8,
     u"data1=ü\r\n",
     {},
     FileEncoding::kUtf8,
     "data1=\x80\xA0\xA3\xDC\r\n"},
    {"half-width katakana ﾈｺ, in UTF-8 a Latin letter beyond U+017F",
     {},
     {},
     "[Config]\r\ndata1=ﾈｺ\r\n",
     FileEncoding::kShiftJis,
     "[Config]\r\ndata1=ﾈｺ\r\n"},
    {"half-width katakana ﾂｰ, in UTF-8 a sign (°) and no letter",
     {},
     {},
     "data1=ﾂｰ\r\n",
     FileEncoding::kShiftJis,
     "data1=ﾂｰ\r\n"},
    // ﾂ and 、(0x81 0x41): in UTF-8 the C1 control U+0081 and "A".
    {"half-width katakana and a comma that read as a control character",
     {},
     {},
     "data1=ﾂ、\r\n",
     FileEncoding::kShiftJis,
     "data1=ﾂ、\r\n"},
    // A user-defined character and ｱｲ; in UTF-8 U+F0C72, of a plane for private use.
    {"Shift-JIS that reads as a private use character",
     {},
     {},
     "data1=\xF3\xB0\xB1\xB2\r\n"sv,
     FileEncoding::kShiftJis,
     "data1=\xF3\xB0\xB1\xB2\r\n"sv},
    {"half-width katakana that form a letter Shift-JIS lacks",
     {},
     {},
     "[Config]\r\ndata1=ﾒｰ\r\n",
     FileEncoding::kShiftJis,
     "[Config]\r\ndata1=ﾒｰ\r\n"},
    {"half-width katakana that form a letter Shift-JIS holds",
     {},
     {},
     "[Config]\r\ndata1=ﾐｽ\r\n",
     FileEncoding::kShiftJis,
     "[Config]\r\ndata1=ﾐｽ\r\n"},
    {"UTF-8 below U+0800 that is no Shift-JIS",
     FileEncoding::kUtf8,
     u"data1=Ё\r\n",
     {},
     FileEncoding::kUtf8,
     "data1=Ё\r\n"},
    // Ё is ﾐ and a lead byte with nothing after it.
    {"UTF-8 at the end of the file that is no Shift-JIS",
     FileEncoding::kUtf8,
     u"data1=Ё",
     {},
     FileEncoding::kUtf8,
     "data1=Ё"},
    // In Shift-JIS ﾂｰ譌･譛ｬ: good, but for the kanji's three bytes ° alone would keep it.
    {"UTF-8 of a sign and kanji that are Shift-JIS too",
     FileEncoding::kUtf8,
     u"data1=25°日本\r\n",
     {},
     FileEncoding::kUtf8,
     "data1=25°日本\r\n"},
    {"UTF-8 kanji that are Shift-JIS too",
     FileEncoding::kUtf8,
     u"data1=東京都\r\n",
     {},
     FileEncoding::kUtf8,
     "data1=東京都\r\n"},
    // Kept as they are, not as the look-alikes of code page 932 ("～－―∥\\").
    {"other systems' Japanese forms",
     FileEncoding::kUtf16Le,
     u"〜−—‖¥",
     {},
     FileEncoding::kUtf16Le,
     "\x80\xA3\xA0\xBC\x80\xA2\xA8\xB2\x80\xA2\xA0\xB4\x80\xA2\xA0\xB6\x80\xA0\xA2\xC5"},
    {"code page 932's own forms",
     FileEncoding::kUtf16Le,
     u"～－―∥￥\\",
     {},
     FileEncoding::kUtf16Le,
     "～－―∥￥\\"},
    {"damaged UTF-8 after a BOM",
     {},
     {},
     "\xEF\xBB\xBF"
     "a\xFF\xC0\xAF"
     "b"sv,
     FileEncoding::kUtf8Bom,
     "a???b"},
    {"lone surrogate, odd last byte",
     {},
     {},
     "\xFF\xFE"
     "a\0\x00\xD8"
     "b\0c"sv,
     FileEncoding::kUtf16Le,
     "a?b"},
    {"mark only", {}, {}, "\xEF\xBB\xBF", FileEncoding::kUtf8Bom, ""},
};

// The bytes of a case's file.
inline std::string FileBytes(const EncodingCase& c) {
    if (c.text.empty()) return std::string(c.raw);
    std::string out;
    if (c.saved == FileEncoding::kUtf16Le || c.saved == FileEncoding::kUtf16Be) {
        const bool be = c.saved == FileEncoding::kUtf16Be;
        out = be ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t u : c.text) {
            const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
            out += be ? hi : lo;
            out += be ? lo : hi;
        }
        return out;
    }
    if (c.saved == FileEncoding::kUtf8Bom) out = "\xEF\xBB\xBF";
    for (std::size_t i = 0; i < c.text.size(); ++i) {
        char32_t cp = c.text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < c.text.size())
            cp = 0x10000 + ((cp - 0xD800) << 10) + (c.text[++i] - 0xDC00);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// `text` saved in `form`.
inline std::string FileBytes(FileEncoding form, std::u16string_view text) {
    return FileBytes({"", form, text, {}, form, {}});
}

}  // namespace yv::settings::testing
