// Byte-string routines used throughout the editor. Texts are Shift-JIS; lengths and
// positions count bytes, positions from 1.
#pragma once

#include <string>
#include <string_view>

namespace yv::settings {

// True for a byte that opens a Shift-JIS double-byte character.
constexpr bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The part of s that starts at byte `from` and is at most `count` bytes long; a count of 0
// means the rest of s. Empty for `from` below 1 or beyond the end of s.
std::string CopyFrom(std::string_view s, int from, int count);

// The first n bytes of s (all of s when shorter, empty for n <= 0). A cut that would fall
// between the two bytes of a double-byte character drops that character whole, so the
// result never ends in a lone lead byte.
std::string LeftPart(std::string_view s, int n);

// s without the half-width blanks (0x20) at both ends. Tabs and full-width blanks stay.
std::string TrimBlanks(std::string_view s);

// Length of the longest prefix of s not longer than n bytes that ends on a character
// boundary. Trail bytes overlap ASCII, so boundaries are found walking from the start.
std::size_t CharBoundaryAtOrBefore(std::string_view s, std::size_t n);

// Position of the last byte equal to c that is a character of its own (not the trail
// byte of a double-byte character), or npos.
std::size_t FindLastChar(std::string_view s, char c);

// The folder part of a Windows path, up to and including its last '\\' or '/'; empty when
// there is none. A 0x5C trail byte (as in 表 or ソ) is no separator.
std::string DirectoryPart(std::string_view path);

}  // namespace yv::settings
