#include "textencoding.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "fsseam.h"
#include "strutil.h"

namespace yv::settings {

namespace {

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

constexpr unsigned char kWideLow = 0x80;   // U+0000 to U+3FFFF
constexpr unsigned char kWideHigh = 0xFD;  // U+D0000 to U+10FFFF
constexpr char32_t kHighBase = 0xD0000;

// Characters that Japanese text from systems with other conversion tables uses where code page
// 932 has one of its own: a reader that knows only Shift-JIS gets that one rather than '?'.
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

// The Shift-JIS form of every character of the first plane, asked of the system once, in one
// call: a file is then converted by a look-up per character.
class ShiftJisTable {
  public:
    ShiftJisTable() : forms_(0x10000, '?'), written_(0x10000, false), own_(0x10000, 0) {
        std::u16string all;
        for (char32_t c = 1; c <= 0xFFFF; ++c)
            if (c < 0xD800 || c > 0xDFFF) all += static_cast<char16_t>(c);
        forms_[0] = 0;
        if (!Split(all, fs::WideToShiftJis(all))) {
            // The forms did not line up with the characters: one call for each instead.
            for (char16_t c : all) Split(std::u16string(1, c), fs::WideToShiftJis({&c, 1}));
        }
        own_[0] = true;
        // A look-alike's form is not the character's own, though some converters (glibc's)
        // write it one way; and a form that is a wide form's lead byte (code page 932 on
        // Windows writes U+0080 as 0x80) would pass for the start of one. Such characters
        // travel as wide forms.
        for (char16_t c : all)
            own_[c] = (forms_[c] != '?' || c == u'?') && forms_[c] != kWideLow &&
                      forms_[c] != kWideHigh && ShiftJisVariant(c) == c;
        for (char16_t c : all)
            if (const char16_t v = ShiftJisVariant(c); v != c) forms_[c] = forms_[v];
        for (char16_t c : all) written_[forms_[c]] = true;
    }
    // Whether the system gives c a form of its own (not one of a look-alike).
    bool Own(char16_t c) const { return own_[c] != 0; }
    // Whether the byte or byte pair `form` (lead byte high) is the form of some character.
    bool Writes(std::uint16_t form) const { return written_[form]; }
    std::uint16_t FormOf(char16_t c) const { return forms_[c]; }
    // Writes c's form (a look-alike's for some without one) at `out`; returns the end.
    char* Put(char* out, char16_t c) const {
        const std::uint16_t form = forms_[c];
        if (form > 0xFF) *out++ = static_cast<char>(form >> 8);
        *out++ = static_cast<char>(form & 0xFF);
        return out;
    }

  private:
    // Each character's form is one byte, or a lead byte and the byte after it.
    bool Split(std::u16string_view chars, std::string_view forms) {
        std::size_t at = 0;
        for (char16_t c : chars) {
            if (at >= forms.size()) return false;
            const auto b = static_cast<unsigned char>(forms[at]);
            const bool pair = IsLeadByte(b) && at + 1 < forms.size();
            forms_[c] =
                pair
                    ? static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(forms[at + 1]))
                    : b;
            at += pair ? 2 : 1;
        }
        return at == forms.size();
    }
    std::vector<std::uint16_t> forms_;
    std::vector<bool> written_;      // by form
    std::vector<std::uint8_t> own_;  // by character; bytes, as the readers ask for every one
};

const ShiftJisTable& Table() {
    static const ShiftJisTable table;
    return table;
}

// The character of each Shift-JIS form, 0 for none. Built apart from the forms because only the
// programs that hand texts on in UTF-16 need it. Most forms are the inverse of a character's;
// the rest (the duplicates code page 932 keeps for other vendors' codes) are asked one by one.
class ShiftJisChars {
  public:
    ShiftJisChars() : chars_(0x10000, 0) {
        const ShiftJisTable& table = Table();
        for (char32_t c = 1; c <= 0xFFFF; ++c) {
            const auto w = static_cast<char16_t>(c);
            if ((c < 0xD800 || c > 0xDFFF) && table.Own(w) && chars_[table.FormOf(w)] == 0)
                chars_[table.FormOf(w)] = w;
        }
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                const auto form = static_cast<std::uint16_t>(lead << 8 | trail);
                if (trail == 0x7F || chars_[form] != 0) continue;
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                const std::u16string w = fs::ShiftJisToWide({pair, 2});
                if (w.size() == 1) chars_[form] = w[0];
            }
        }
    }
    char16_t Of(std::uint16_t form) const { return chars_[form]; }

  private:
    std::vector<char16_t> chars_;
};

const ShiftJisChars& Chars() {
    static const ShiftJisChars chars;
    return chars;
}

// The code point of the wide form at s[i], or 0xFFFFFFFF when none starts there.
char32_t WideFormAt(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b != kWideLow && b != kWideHigh) || s.size() - i < kWideFormBytes) return 0xFFFFFFFF;
    char32_t v = 0;
    for (std::size_t k = 1; k < kWideFormBytes; ++k) {
        const auto g = static_cast<unsigned char>(s[i + k]);
        if (g < 0xA0 || g > 0xDF) return 0xFFFFFFFF;
        v = v << 6 | (g - 0xA0u);
    }
    return b == kWideHigh ? v + kHighBase : v;
}

// A program text being built from UTF-8 or UTF-16. No character takes more than two bytes of
// text for each byte read, so the buffer, first the size of what is read, grows once at most.
class TextOut {
  public:
    explicit TextOut(std::size_t size)
        : text_(size + kWideFormBytes, '\0'), at_(text_.data()), end_(at_ + text_.size()) {}
    // Makes room for `bytes` of text, with `left` bytes of input from here on.
    void Reserve(std::size_t bytes, std::size_t left) {
        if (static_cast<std::size_t>(end_ - at_) >= bytes) return;
        const auto used = static_cast<std::size_t>(at_ - text_.data());
        text_.resize(used + 2 * left + kWideFormBytes);
        at_ = text_.data() + used;
        end_ = text_.data() + text_.size();
    }
    void Byte(char c) { *at_++ = c; }
    // A run of ASCII, as it is.
    void Bytes(std::string_view run) {
        std::copy(run.begin(), run.end(), at_);
        at_ += run.size();
    }
    // A character in its own Shift-JIS form, else in the wide form; the unassigned planes 4 to
    // 12, which the wide form leaves out, as '?'.
    void Char(const ShiftJisTable& table, char32_t cp) {
        if (cp < 0x10000 && table.Own(static_cast<char16_t>(cp))) {
            at_ = table.Put(at_, static_cast<char16_t>(cp));
        } else if (cp >= 0x40000 && cp < kHighBase) {
            *at_++ = '?';
        } else {
            const bool high = cp >= kHighBase;
            const char32_t v = high ? cp - kHighBase : cp;
            *at_++ = static_cast<char>(high ? kWideHigh : kWideLow);
            *at_++ = static_cast<char>(0xA0 + (v >> 12 & 0x3F));
            *at_++ = static_cast<char>(0xA0 + (v >> 6 & 0x3F));
            *at_++ = static_cast<char>(0xA0 + (v & 0x3F));
        }
    }
    std::string Take() {
        text_.resize(static_cast<std::size_t>(at_ - text_.data()));
        return std::move(text_);
    }

  private:
    std::string text_;
    char* at_;
    char* end_;
};

void PutUtf8(std::string& out, char32_t cp) {
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

constexpr bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Calls put(code point) for each character of a program text; '?' for what is no character.
template <class Put>
void EachChar(std::string_view s, Put put) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            put(b);
            ++i;
            continue;
        }
        if (const char32_t cp = WideFormAt(s, i); cp != 0xFFFFFFFF) {
            put(cp >= 0xD800 && cp <= 0xDFFF ? U'?' : cp);
            i += kWideFormBytes;
            continue;
        }
        // A lead byte pairs only with a byte that can follow one: a lone lead byte before a
        // line end, a blank or an equals sign is one '?' and leaves that byte as it is.
        std::uint16_t form = b;
        if (IsLeadByte(b) && i + 1 < s.size() &&
            IsTrailByte(static_cast<unsigned char>(s[i + 1]))) {
            form = static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(s[i + 1]));
            ++i;
        }
        ++i;
        const char16_t c = IsLeadByte(b) && form == b ? 0 : Chars().Of(form);
        put(c == 0 ? U'?' : c);
    }
}

// Whether every character of s, read as Shift-JIS, is one the table writes: a lone lead byte,
// a pair no character has and a byte no character is (0x80, 0xA0, 0xFD to 0xFF) are not.
bool IsWrittenShiftJis(std::string_view s) {
    const ShiftJisTable& table = Table();
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++i;
        } else if (!IsLeadByte(b)) {
            if (!table.Writes(b)) return false;
            ++i;
        } else {
            if (i + 1 == s.size()) return false;
            if (!table.Writes(
                    static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(s[i + 1]))))
                return false;
            i += 2;
        }
    }
    return true;
}

std::string FromUtf8(std::string_view s) {
    const ShiftJisTable& table = Table();
    TextOut out(s.size());
    char32_t cp;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t ascii = i;
        while (ascii < s.size() && static_cast<unsigned char>(s[ascii]) < 0x80) ++ascii;
        if (ascii > i) {
            out.Reserve(ascii - i, s.size() - i);
            out.Bytes(s.substr(i, ascii - i));
            i = ascii;
            continue;
        }
        out.Reserve(kWideFormBytes, s.size() - i);
        const std::size_t n = Utf8Sequence(s, i, cp);
        if (n == 0) {
            out.Byte('?');  // a damaged sequence
            ++i;
        } else {
            out.Char(table, cp);
            i += n;
        }
    }
    return out.Take();
}

// The text of `units` UTF-16 code units; unit(k) gives the k-th.
template <class Unit>
std::string FromUnits(std::size_t units, Unit unit) {
    const ShiftJisTable& table = Table();
    TextOut out(2 * units);
    for (std::size_t k = 0; k < units; ++k) {
        out.Reserve(kWideFormBytes, 2 * (units - k));
        const char16_t c = unit(k);
        if (c < 0xD800 || c > 0xDFFF) {
            out.Char(table, c);
        } else if (const char16_t next = k + 1 < units ? unit(k + 1) : u'\0';
                   c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
            out.Char(table, 0x10000 + ((c - 0xD800u) << 10) + (next - 0xDC00u));
            ++k;
        } else {
            out.Byte('?');  // a surrogate alone
        }
    }
    return out.Take();
}

std::string FromUtf16(std::string_view s, bool bigEndian) {
    // An odd last byte is no character.
    return FromUnits(s.size() / 2, [&](std::size_t k) {
        const auto a = static_cast<unsigned char>(s[2 * k]);
        const auto b = static_cast<unsigned char>(s[2 * k + 1]);
        return static_cast<char16_t>(bigEndian ? a << 8 | b : b << 8 | a);
    });
}

// Characters of a UTF-8 reading that text a person typed does not hold, which Shift-JIS bytes
// read as UTF-8 may give: C1 controls, private use, noncharacters, and the unassigned planes 4
// to 12.
bool IsNoText(char32_t cp) {
    return (cp >= 0x80 && cp <= 0x9F) || (cp >= 0xE000 && cp <= 0xF8FF) ||
           (cp >= 0xFDD0 && cp <= 0xFDEF) || (cp & 0xFFFE) == 0xFFFE ||
           (cp >= 0x40000 && cp < kHighBase) || cp >= 0xF0000;
}

// A Latin letter with a mark, of Latin-1 or Latin Extended-A (ü, é, ł, ő), not × or ÷.
bool IsMarkedLatinLetter(char32_t cp) {
    return cp >= 0xC0 && cp <= 0x17F && cp != 0xD7 && cp != 0xF7;
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
    bool other = false;   // a character beyond ASCII
    bool longer = false;  // one of three or four bytes
    bool latin = true;    // every one of two bytes a marked Latin letter
    bool noText = false;  // a character that is no typed text
    char32_t cp;
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = Utf8Sequence(bytes, i, cp);
        if (n == 0) return FileEncoding::kShiftJis;
        other = true;
        longer = longer || n > 2;
        latin = latin && (n > 2 || IsMarkedLatinLetter(cp));
        noText = noText || IsNoText(cp);
        i += n;
    }
    if (!other) return FileEncoding::kShiftJis;
    if (!IsWrittenShiftJis(bytes)) return FileEncoding::kUtf8;
    // Good Shift-JIS too. Three or four UTF-8 bytes are, in Shift-JIS, a kanji of the second
    // level or a user-defined character followed by a half-width katakana or a lead byte: the
    // look of garbled text, not of typed text. Two are two half-width katakana, or one and a
    // lead byte, so such a file stays Shift-JIS unless each pair is a Latin letter with a mark:
    // "ﾃ", "ﾄ" or "ﾅ" and a katakana after it ("ü" is "ﾃｼ"), which leaves "ﾒｰ", "ﾐｽ" or "ﾈｺ"
    // Shift-JIS.
    if (noText) return FileEncoding::kShiftJis;
    return longer || latin ? FileEncoding::kUtf8 : FileEncoding::kShiftJis;
}

std::string ToShiftJis(std::string bytes, FileEncoding e) {
    const std::string_view s = bytes;
    const auto withoutMark = [&](std::string_view mark) {
        return StartsWith(s, mark) ? s.substr(mark.size()) : s;
    };
    switch (e) {
        case FileEncoding::kShiftJis:
            return bytes;
        case FileEncoding::kUtf8:
            return FromUtf8(s);
        case FileEncoding::kUtf8Bom:
            return FromUtf8(withoutMark("\xEF\xBB\xBF"));
        case FileEncoding::kUtf16Le:
            return FromUtf16(withoutMark("\xFF\xFE"), false);
        case FileEncoding::kUtf16Be:
            return FromUtf16(withoutMark("\xFE\xFF"), true);
    }
    return bytes;
}

std::size_t CharLengthAt(std::string_view s, std::size_t i) {
    if (WideFormAt(s, i) != 0xFFFFFFFF) return kWideFormBytes;
    return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

bool HoldsWideForm(std::string_view s) {
    // Most texts hold neither lead byte, which a search finds faster than a walk.
    if (s.find('\x80') == std::string_view::npos && s.find('\xFD') == std::string_view::npos)
        return false;
    for (std::size_t i = 0; i < s.size(); i += CharLengthAt(s, i))
        if (WideFormAt(s, i) != 0xFFFFFFFF) return true;
    return false;
}

std::u16string TextToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    EachChar(text, [&](char32_t cp) {
        if (cp < 0x10000) {
            out += static_cast<char16_t>(cp);
        } else {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    });
    return out;
}

std::string TextToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 2);
    EachChar(text, [&](char32_t cp) { PutUtf8(out, cp); });
    return out;
}

std::string TextFromUtf16(std::u16string_view text) {
    return FromUnits(text.size(), [&](std::size_t k) { return text[k]; });
}

std::string PlainShiftJis(std::string_view text) {
    if (!HoldsWideForm(text)) return std::string(text);
    const ShiftJisTable& table = Table();
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = CharLengthAt(text, i);
        const char32_t cp = n == kWideFormBytes ? WideFormAt(text, i) : 0xFFFFFFFF;
        if (cp == 0xFFFFFFFF) {
            out.append(text.substr(i, n));
        } else if (cp < 0x10000 && (cp < 0xD800 || cp > 0xDFFF)) {
            // A look-alike's form where the table has one (the variants), else '?'.
            char form[2];
            out.append(form, table.Put(form, static_cast<char16_t>(cp)));
        } else {
            out += '?';
        }
        i += n;
    }
    return out;
}

}  // namespace yv::settings
