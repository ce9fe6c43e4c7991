// The encoding of a file and its text in Shift-JIS, against a plain restatement of the rules
// that converts one character at a time, each through the system's converter on its own.
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

// The characters that Japanese text from other systems carries in place of code page 932's.
char16_t Variant(char16_t c) {
    switch (c) {
        case 0x301C:
            return 0xFF5E;
        case 0x2016:
            return 0x2225;
        case 0x2212:
            return 0xFF0D;
        case 0x2014:
            return 0x2015;
        case 0x00A2:
            return 0xFFE0;
        case 0x00A3:
            return 0xFFE1;
        case 0x00AC:
            return 0xFFE2;
        case 0x00A5:
            return u'\\';
        case 0x203E:
            return u'~';
        default:
            return c;
    }
}

// Each character's form, asked of the converter alone, once; and which forms some character has.
struct Forms {
    std::vector<std::string> of = std::vector<std::string>(0x10000);
    std::vector<bool> written = std::vector<bool>(0x10000);
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
        }
    }
    std::string Of(char32_t c) const {
        if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) return "?";
        return of[Variant(static_cast<char16_t>(c))];
    }
    bool Holds(char32_t c) const { return c == U'?' || Of(c) != "?"; }
};

const Forms& F() {
    static const Forms forms;
    return forms;
}

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
        out += n == 0 ? "?" : F().Of(cp);
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
            unit(k + 1) <= 0xDFFF)
            ++k;
        out += F().Of(u);
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

FileEncoding RefDetect(std::string_view s) {
    if (s.starts_with("\xFF\xFE")) return FileEncoding::kUtf16Le;
    if (s.starts_with("\xFE\xFF")) return FileEncoding::kUtf16Be;
    if (s.starts_with("\xEF\xBB\xBF")) return FileEncoding::kUtf8Bom;
    bool beyondAscii = false, threeBytes = false;
    for (std::size_t i = 0; i < s.size();) {
        char32_t cp;
        const std::size_t n = Utf8At(s, i, cp);
        if (n == 0 || !F().Holds(cp)) return FileEncoding::kShiftJis;
        beyondAscii = beyondAscii || n > 1;
        threeBytes = threeBytes || n == 3;
        i += n;
    }
    if (!beyondAscii) return FileEncoding::kShiftJis;
    if (!threeBytes && RefIsWrittenShiftJis(s)) return FileEncoding::kShiftJis;
    return FileEncoding::kUtf8;
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
    // UTF-8 without a mark is chosen only when nothing is lost: no '?' the file did not hold.
    if (found == FileEncoding::kUtf8) {
        const std::string text = settings::ToShiftJis(bytes, found);
        if (std::count(text.begin(), text.end(), '?') !=
            std::count(bytes.begin(), bytes.end(), '?'))
            fuzz::Fail("UTF-8 read with a loss: " + fuzz::Shown(bytes));
    }
    return 0;
}
