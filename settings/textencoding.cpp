#include "textencoding.h"

#include <cstdint>

#include "fsseam.h"

namespace yv::settings {

namespace {

constexpr char16_t kReplacement = u'\uFFFD';

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// The length of the well-formed UTF-8 sequence at s[i] and its code point, or 0 when the bytes
// there form none (overlong forms, surrogates and values beyond U+10FFFF included).
std::size_t Utf8Sequence(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len;
    char32_t min;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, min = 0x80, cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, min = 0x800, cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, min = 0x10000, cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

bool IsUtf8(std::string_view s) {
    char32_t cp;
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = Utf8Sequence(s, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

void Append(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

std::u16string FromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    char32_t cp;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Utf8Sequence(s, i, cp);
        Append(out, n == 0 ? kReplacement : cp);
        i += n == 0 ? 1 : n;
    }
    return out;
}

std::u16string FromUtf16(std::string_view s, bool bigEndian) {
    std::u16string out(s.size() / 2, u'\0');  // an odd last byte is no character
    for (std::size_t k = 0; k < out.size(); ++k) {
        const auto a = static_cast<unsigned char>(s[2 * k]);
        const auto b = static_cast<unsigned char>(s[2 * k + 1]);
        out[k] = static_cast<char16_t>(bigEndian ? a << 8 | b : b << 8 | a);
    }
    return out;
}

// Characters that Japanese text from other systems uses where Shift-JIS has a close one of its
// own, as the system's Japanese code page maps them.
char16_t ShiftJisVariant(char16_t c) {
    switch (c) {
        case u'\u301C':
            return u'\uFF5E';  // wave dash
        case u'\u2016':
            return u'\u2225';  // double vertical line
        case u'\u2212':
            return u'\uFF0D';  // minus sign
        case u'\u2014':
            return u'\u2015';  // em dash
        case u'\u00A2':
            return u'\uFFE0';  // cent sign
        case u'\u00A3':
            return u'\uFFE1';  // pound sign
        case u'\u00AC':
            return u'\uFFE2';  // not sign
        case u'\u00A5':
            return u'\\';  // yen sign: 0x5C shows as one in Japanese fonts
        case u'\u203E':
            return u'~';  // overline
        default:
            return c;
    }
}

}  // namespace

const char* EncodingName(FileEncoding e) {
    switch (e) {
        case FileEncoding::kUtf8:
            return "UTF-8";
        case FileEncoding::kUtf8Bom:
            return "UTF-8 with BOM";
        case FileEncoding::kUtf16Le:
            return "UTF-16LE";
        case FileEncoding::kUtf16Be:
            return "UTF-16BE";
        case FileEncoding::kShiftJis:
            break;
    }
    return "Shift-JIS";
}

FileEncoding DetectEncoding(std::string_view bytes) {
    if (StartsWith(bytes, "\xFF\xFE")) return FileEncoding::kUtf16Le;
    if (StartsWith(bytes, "\xFE\xFF")) return FileEncoding::kUtf16Be;
    if (StartsWith(bytes, "\xEF\xBB\xBF")) return FileEncoding::kUtf8Bom;
    std::size_t ascii = 0;
    while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
    if (ascii == bytes.size()) return FileEncoding::kShiftJis;
    return IsUtf8(bytes.substr(ascii)) ? FileEncoding::kUtf8 : FileEncoding::kShiftJis;
}

std::string ToShiftJis(std::string bytes, FileEncoding e) {
    const std::string_view s = bytes;
    std::u16string wide;
    switch (e) {
        case FileEncoding::kShiftJis:
            return bytes;
        case FileEncoding::kUtf8:
            wide = FromUtf8(s);
            break;
        case FileEncoding::kUtf8Bom:
            wide = FromUtf8(s.substr(3));
            break;
        case FileEncoding::kUtf16Le:
            wide = FromUtf16(s.substr(2), false);
            break;
        case FileEncoding::kUtf16Be:
            wide = FromUtf16(s.substr(2), true);
            break;
    }
    // Shift-JIS holds nothing beyond the first plane: a pair of surrogates is one '?', as is a
    // surrogate alone, so the system's conversion only ever sees whole characters.
    std::size_t to = 0;
    for (std::size_t from = 0; from < wide.size(); ++from) {
        const char16_t c = wide[from];
        if (c >= 0xD800 && c <= 0xDFFF) {
            const bool pair = c <= 0xDBFF && from + 1 < wide.size() && wide[from + 1] >= 0xDC00 &&
                              wide[from + 1] <= 0xDFFF;
            from += pair ? 1 : 0;
            wide[to++] = u'?';
        } else {
            wide[to++] = ShiftJisVariant(c);
        }
    }
    wide.resize(to);
    return fs::WideToShiftJis(wide);
}

}  // namespace yv::settings
