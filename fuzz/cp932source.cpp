// Copies a UTF-8 C++ source with every non-ASCII character of its narrow string and character
// literals written as \x escapes of its Shift-JIS bytes: what -fexec-charset=CP932 does, for a
// compiler that lacks it (clang). Comments, raw strings and u"", U"", u8"", L"" literals stay.
//   cp932source IN OUT
#include <iconv.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

bool IsIdent(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Whether the quote at i separates digits, as in 1'000 or 0xFF'FF.
bool InNumber(const std::string& s, std::size_t i) {
    std::size_t p = i;
    while (p > 0 && (IsIdent(s[p - 1]) || s[p - 1] == '\'' || s[p - 1] == '.')) --p;
    return p < i && s[p] >= '0' && s[p] <= '9';
}

std::size_t Utf8Length(unsigned char b) { return b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4; }

bool ToCp932(const std::string& utf8, std::string& out) {
    const iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in = utf8;
    char buf[16];
    char* ip = in.data();
    char* op = buf;
    std::size_t il = in.size(), ol = sizeof buf;
    const bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) && il == 0;
    iconv_close(cd);
    out.assign(buf, static_cast<std::size_t>(op - buf));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: cp932source IN OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cp932source: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string src((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string out;
    out.reserve(src.size() + src.size() / 4);
    std::size_t i = 0;
    const std::size_t n = src.size();
    while (i < n) {
        const char c = src[i];
        if (c == '/' && i + 1 < n && src[i + 1] == '/') {
            const std::size_t end = src.find('\n', i);
            const std::size_t stop = end == std::string::npos ? n : end;
            out.append(src, i, stop - i);
            i = stop;
        } else if (c == '/' && i + 1 < n && src[i + 1] == '*') {
            const std::size_t end = src.find("*/", i + 2);
            const std::size_t stop = end == std::string::npos ? n : end + 2;
            out.append(src, i, stop - i);
            i = stop;
        } else if (c == '"' || (c == '\'' && !InNumber(src, i))) {
            // The literal's prefix: the identifier characters right before the quote.
            std::size_t p = i;
            while (p > 0 && IsIdent(src[p - 1])) --p;
            const std::string prefix = src.substr(p, i - p);
            if (c == '"' && !prefix.empty() && prefix.back() == 'R') {
                // A raw string: up to )delimiter".
                const std::size_t open = src.find('(', i);
                const std::string close = ")" + src.substr(i + 1, open - i - 1) + "\"";
                const std::size_t end = src.find(close, open);
                const std::size_t stop = end == std::string::npos ? n : end + close.size();
                out.append(src, i, stop - i);
                i = stop;
                continue;
            }
            const bool narrow = prefix.empty() || !(prefix == "u" || prefix == "U" ||
                                                    prefix == "L" || prefix == "u8");
            out += c;
            ++i;
            while (i < n && src[i] != c && src[i] != '\n') {
                if (src[i] == '\\' && i + 1 < n) {
                    out.append(src, i, 2);
                    i += 2;
                    continue;
                }
                const auto b = static_cast<unsigned char>(src[i]);
                if (b < 0x80 || !narrow) {
                    out += src[i++];
                    continue;
                }
                const std::size_t len = Utf8Length(b);
                std::string bytes;
                if (!ToCp932(src.substr(i, len), bytes)) {
                    std::fprintf(stderr, "%s: a character without a Shift-JIS form at byte %zu\n",
                                 argv[1], i);
                    return 1;
                }
                for (unsigned char x : bytes) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", x);
                    out += hex;
                }
                i += len;
                // An escape takes every hexadecimal digit after it: end the literal there.
                if (c == '"' && i < n && IsHex(src[i])) out += "\" \"";
            }
            if (i < n) out += src[i++];
        } else {
            out += c;
            ++i;
        }
    }
    std::ofstream o(argv[2], std::ios::binary | std::ios::trunc);
    o << out;
    if (!o) {
        std::fprintf(stderr, "cp932source: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
