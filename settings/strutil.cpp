#include "strutil.h"

#include <algorithm>

#include "textencoding.h"

namespace yv::settings {

std::string CopyFrom(std::string_view s, int from, int count) {
    const int len = static_cast<int>(s.size());
    if (count == 0) count = len - from + 1;
    if (from < 1 || from > len || count <= 0) return {};
    return std::string(
        s.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count)));
}

std::size_t CharBoundaryAtOrBefore(std::string_view s, std::size_t n) {
    if (n >= s.size()) return s.size();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t step = CharLengthAt(s, i);
        if (i + step > n) break;
        i += step;
    }
    return i;
}

std::string LeftPart(std::string_view s, int n) {
    if (n <= 0) return {};
    return std::string(s.substr(0, CharBoundaryAtOrBefore(s, static_cast<std::size_t>(n))));
}

std::string TrimBlanks(std::string_view s) {
    // 0x20 is never the second byte of a double-byte character, so plain byte cuts are safe.
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::size_t last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

std::size_t FindLastChar(std::string_view s, char c) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == c) found = i;
        i += CharLengthAt(s, i);
    }
    return found;
}

std::string DirectoryPart(std::string_view path) {
    const std::size_t back = FindLastChar(path, '\\');
    const std::size_t slash = FindLastChar(path, '/');
    std::size_t cut = back == std::string_view::npos    ? slash
                      : slash == std::string_view::npos ? back
                                                        : std::max(back, slash);
    return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

}  // namespace yv::settings
