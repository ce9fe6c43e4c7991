// The encoding of a file and its program text, against a plain restatement of the rules that
// converts one character at a time, each through the system's converter on its own; and any
// Unicode text through the program's text form and back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fsseam.h"
#include "harness.h"
#include "strutil.h"
#include "textencoding.h"

namespace {

using namespace yv;
using settings::FileEncoding;

// Each character's form, asked of the converter alone, once; which forms some character has;
// and whether the form is the character's own: the converter reads it back as that character
// (glibc writes some look-alikes' forms one way), and it is not the lead byte of a wide form.
struct Forms {
    std::vector<std::string> of = std::vector<std::string>(0x10000);
    std::vector<bool> written = std::vector<bool>(0x10000);
    std::vector<bool> own = std::vector<bool>(0x10000);
    Forms() {
        for (char32_t c = 0; c <= 0xFFFF; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF) continue;
            const char16_t w = static_cast<char16_t>(c);
            of[c] = settings::fs::WideToShiftJis({&w, 1});
        }
        for (char32_t c = 0; c <= 0xFFFF; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF) continue;
            const std::string& f = of[c];
            if (f.empty() || f.size() > 2) continue;
            written[f.size() == 1 ? static_cast<unsigned char>(f[0])
                                  : static_cast<unsigned char>(f[0]) << 8 |
                                        static_cast<unsigned char>(f[1])] = true;
            own[c] = (c == 0 || c == U'?' || f != "?") && f != "\x80" && f != "\xFD" &&
                     settings::fs::ShiftJisToWide(f) == std::u16string(1, static_cast<char16_t>(c));
        }
        own[0] = true;
    }
};

const Forms& F() {
    static const Forms forms;
    return forms;
}

// 0x80 or 0xFD, then the value's three 6-bit groups, each plus 0xA0.
std::string WideForm(char32_t c) {
    if (c >= 0x40000 && c < 0xD0000) return "?";
    const char32_t v = c < 0x40000 ? c : c - 0xD0000;
    return {static_cast<char>(c < 0x40000 ? 0x80 : 0xFD), static_cast<char>(0xA0 + (v >> 12)),
            static_cast<char>(0xA0 + (v >> 6 & 63)), static_cast<char>(0xA0 + (v & 63))};
}

std::string Text(char32_t c) { return c <= 0xFFFF && F().own[c] ? F().of[c] : WideForm(c); }

// The well-formed UTF-8 sequence at s[i], by the table of first and second bytes: its length
// and character, or 0.
std::size_t Utf8At(std::string_view s, std::size_t i, char32_t& cp) {
    struct Row {
        unsigned char lo, hi, len, second_lo, second_hi;
    };
    static constexpr Row kRows[] = {
        {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
        {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
        {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
    };
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    if (b(0) < 0x80) {
        cp = b(0);
        return 1;
    }
    for (const Row& r : kRows) {
        if (b(0) < r.lo || b(0) > r.hi) continue;
        if (i + r.len > s.size() || b(1) < r.second_lo || b(1) > r.second_hi) return 0;
        for (std::size_t k = 2; k < r.len; ++k)
            if (b(k) < 0x80 || b(k) > 0xBF) return 0;
        static constexpr unsigned char kLeadBits[] = {0, 0, 0x1F, 0x0F, 0x07};
        cp = b(0) & kLeadBits[r.len];
        for (std::size_t k = 1; k < r.len; ++k) cp = cp << 6 | (b(k) & 0x3F);
        return r.len;
    }
    return 0;
}

std::string RefFromUtf8(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        char32_t cp;
        const std::size_t n = Utf8At(s, i, cp);
        out += n == 0 ? "?" : Text(cp);
        i += n == 0 ? 1 : n;
    }
    return out;
}

std::string RefFromUtf16(std::string_view s, bool be) {
    std::string out;
    const auto unit = [&](std::size_t k) -> char32_t {
        const auto x = static_cast<unsigned char>(s[2 * k]),
                   y = static_cast<unsigned char>(s[2 * k + 1]);
        return be ? x << 8 | y : y << 8 | x;
    };
    for (std::size_t k = 0; k < s.size() / 2; ++k) {
        const char32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < s.size() / 2 && unit(k + 1) >= 0xDC00 &&
            unit(k + 1) <= 0xDFFF) {
            out += Text(0x10000 + (u - 0xD800) * 0x400 + (unit(k + 1) - 0xDC00));
            ++k;
        } else {
            out += u >= 0xD800 && u <= 0xDFFF ? "?" : Text(u);
        }
    }
    return out;
}

bool RefIsWrittenShiftJis(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) continue;
        if (!settings::IsLeadByte(b)) {
            if (!F().written[b]) return false;
        } else if (i + 1 == s.size() || !F().written[b << 8 | static_cast<unsigned char>(s[++i])]) {
            return false;
        }
    }
    return true;
}

// What Shift-JIS bytes read as UTF-8 give and typed text does not hold.
bool NoText(char32_t c) {
    static constexpr char32_t kRanges[][2] = {
        {0x80, 0x9F},       {0xE000, 0xF8FF},   {0xFDD0, 0xFDEF},    {0xFFFE, 0xFFFF},
        {0x1FFFE, 0x1FFFF}, {0x2FFFE, 0x2FFFF}, {0x3FFFE, 0x3FFFF},  {0x40000, 0xCFFFF},
        {0xDFFFE, 0xDFFFF}, {0xEFFFE, 0xEFFFF}, {0xF0000, 0x10FFFF},
    };
    for (const auto& r : kRanges)
        if (c >= r[0] && c <= r[1]) return true;
    return false;
}

FileEncoding RefDetect(std::string_view s) {
    if (s.starts_with("\xFF\xFE")) return FileEncoding::kUtf16Le;
    if (s.starts_with("\xFE\xFF")) return FileEncoding::kUtf16Be;
    if (s.starts_with("\xEF\xBB\xBF")) return FileEncoding::kUtf8Bom;
    std::size_t twos = 0, latin = 0, longer = 0, noText = 0;
    for (std::size_t i = 0; i < s.size();) {
        char32_t cp;
        const std::size_t n = Utf8At(s, i, cp);
        if (n == 0) return FileEncoding::kShiftJis;
        twos += n == 2;
        latin += n == 2 && cp >= 0xC0 && cp <= 0x17F && cp != 0xD7 && cp != 0xF7;
        longer += n > 2;
        noText += NoText(cp);
        i += n;
    }
    if (twos + longer == 0) return FileEncoding::kShiftJis;
    if (!RefIsWrittenShiftJis(s)) return FileEncoding::kUtf8;
    if (noText > 0) return FileEncoding::kShiftJis;
    return longer > 0 || latin == twos ? FileEncoding::kUtf8 : FileEncoding::kShiftJis;
}

std::string RefToShiftJis(std::string_view s, FileEncoding e) {
    const auto after = [&](std::string_view mark) {
        return s.starts_with(mark) ? s.substr(mark.size()) : s;
    };
    switch (e) {
        case FileEncoding::kUtf8:
            return RefFromUtf8(s);
        case FileEncoding::kUtf8Bom:
            return RefFromUtf8(after("\xEF\xBB\xBF"));
        case FileEncoding::kUtf16Le:
            return RefFromUtf16(after("\xFF\xFE"), false);
        case FileEncoding::kUtf16Be:
            return RefFromUtf16(after("\xFE\xFF"), true);
        case FileEncoding::kShiftJis:
            break;
    }
    return std::string(s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const FileEncoding found = settings::DetectEncoding(bytes);
    const FileEncoding expected = RefDetect(bytes);
    if (found != expected)
        fuzz::Fail(std::string("detected ") + settings::EncodingName(found) + ", the rule says " +
                   settings::EncodingName(expected) + ": " + fuzz::Shown(bytes));
    for (const FileEncoding e :
         {FileEncoding::kShiftJis, FileEncoding::kUtf8, FileEncoding::kUtf8Bom,
          FileEncoding::kUtf16Le, FileEncoding::kUtf16Be}) {
        const std::string got = settings::ToShiftJis(bytes, e);
        const std::string want = RefToShiftJis(bytes, e);
        if (got != want)
            fuzz::Fail(std::string("from ") + settings::EncodingName(e) + ": " +
                       fuzz::Shown(bytes) + "\n  gives  " + fuzz::Shown(got) + "\n  not    " +
                       fuzz::Shown(want));
    }
    // Any Unicode text comes back from its reading as it was: UTF-8 whole (the unassigned
    // planes 4 to 12 excepted, which the program cannot carry), and UTF-16 without a surrogate
    // alone. The reading gives each character the program's own form, so the editor's way in
    // (TextFromUtf16) gives the same text.
    bool carried = true;
    for (std::size_t i = 0; i < bytes.size() && carried;) {
        char32_t cp;
        const std::size_t n = Utf8At(bytes, i, cp);
        carried = n > 0 && (cp < 0x40000 || cp >= 0xD0000);
        i += n;
    }
    if (carried) {
        const std::string text = settings::ToShiftJis(bytes, FileEncoding::kUtf8);
        if (settings::TextToUtf8(text) != bytes)
            fuzz::Fail("UTF-8 read and written back changed: " + fuzz::Shown(bytes));
        if (settings::TextFromUtf16(settings::TextToUtf16(text)) != text)
            fuzz::Fail("the text of UTF-8 is not in the program's own form: " + fuzz::Shown(bytes));
    }
    std::u16string units(size / 2, u'\0');
    for (std::size_t k = 0; k < units.size(); ++k)
        units[k] = static_cast<char16_t>(data[2 * k] | data[2 * k + 1] << 8);
    const std::string text = settings::TextFromUtf16(units);
    std::u16string want;
    for (std::size_t k = 0; k < units.size(); ++k) {
        const char16_t u = units[k];
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units.size() && units[k + 1] >= 0xDC00 &&
            units[k + 1] <= 0xDFFF) {
            const char32_t c = 0x10000 + (u - 0xD800) * 0x400 + (units[k + 1] - 0xDC00);
            want += c >= 0x40000 && c < 0xD0000 ? std::u16string(u"?")
                                                : std::u16string{u, units[k + 1]};
            ++k;
        } else {
            want += u >= 0xD800 && u <= 0xDFFF ? u'?' : u;
        }
    }
    if (settings::TextToUtf16(text) != want)
        fuzz::Fail("UTF-16 through the program's text changed: " + fuzz::Shown(bytes));
    if (settings::ToShiftJis("\xFF\xFE" + bytes, FileEncoding::kUtf16Le) != text)
        fuzz::Fail("a UTF-16 file reads otherwise than the editor's text: " + fuzz::Shown(bytes));
    return 0;
}
