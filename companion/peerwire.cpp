#include "peerwire.h"

#include <cstring>

namespace yv::companion {
namespace {

// command, numLockHold, mode, trackOff; for kThread then the thread (little-endian); for kSet
// then 101 keys (little-endian) and 101 texts, each ended by a NUL; with hasTextsW then 101
// UTF-16 texts (little-endian units), each ended by a zero unit.
constexpr std::size_t kHead = 4;
constexpr std::size_t kKeys = kRows * 4;

void Put32(std::vector<std::uint8_t>& out, std::uint32_t u) {
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(u >> (8 * b)));
}

std::uint32_t Get32(const std::uint8_t* k) {
    return k[0] | k[1] << 8 | k[2] << 16 | static_cast<std::uint32_t>(k[3]) << 24;
}

}  // namespace

std::vector<std::uint8_t> Encode(const Order& order) {
    std::vector<std::uint8_t> out = {static_cast<std::uint8_t>(order.command), order.numLockHold,
                                     order.mode, order.trackOff};
    if (order.command == Command::kThread) Put32(out, order.thread);
    if (order.command != Command::kSet) return out;
    for (std::int32_t key : order.keys) Put32(out, static_cast<std::uint32_t>(key));
    for (const auto& text : order.texts) {
        const std::size_t n = strnlen(text, kTextSize - 1);
        out.insert(out.end(), text, text + n);
        out.push_back(0);
    }
    if (!order.hasTextsW) return out;
    for (const auto& text : order.textsW) {
        for (std::size_t k = 0; k < kTextSize - 1 && text[k] != u'\0'; ++k) {
            out.push_back(static_cast<std::uint8_t>(text[k] & 0xFF));
            out.push_back(static_cast<std::uint8_t>(text[k] >> 8));
        }
        out.push_back(0);
        out.push_back(0);
    }
    return out;
}

bool Decode(const void* data, std::size_t size, Order& out) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (!p || size < kHead) return false;
    const std::uint8_t command = p[0];
    if (command < 1 || command > 4) return false;
    out.command = static_cast<Command>(command);
    out.numLockHold = p[1];
    out.mode = p[2];
    out.trackOff = p[3];
    out.thread = 0;
    if (out.command == Command::kThread) {
        if (size != kHead + 4) return false;
        out.thread = Get32(p + kHead);
        return true;
    }
    if (out.command != Command::kSet) return size == kHead;
    if (size < kHead + kKeys) return false;
    for (int i = 0; i < kRows; ++i)
        out.keys[i] = static_cast<std::int32_t>(Get32(p + kHead + 4 * i));
    std::size_t at = kHead + kKeys;
    for (auto& text : out.texts) {
        const void* nul = at < size ? std::memchr(p + at, 0, size - at) : nullptr;
        if (!nul) return false;
        const std::size_t n = static_cast<const std::uint8_t*>(nul) - (p + at);
        if (n > kTextSize - 1) return false;
        std::memcpy(text, p + at, n);
        text[n] = '\0';
        at += n + 1;
    }
    out.hasTextsW = at != size;
    if (!out.hasTextsW) return true;
    for (auto& text : out.textsW) {
        std::size_t n = 0;
        for (;; ++n) {
            if (at + 2 > size) return false;
            const auto u = static_cast<char16_t>(p[at] | p[at + 1] << 8);
            at += 2;
            if (u == u'\0') break;
            if (n == kTextSize - 1) return false;
            text[n] = u;
        }
        text[n] = u'\0';
    }
    return at == size;
}

std::string TokenText(const Token& token) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : token) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

bool ParseToken(const char* text, Token& out) {
    if (!text) return false;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int hi = HexDigit(text[2 * i]);
        const int lo = hi < 0 ? -1 : HexDigit(text[2 * i + 1]);
        if (lo < 0) return false;
        out[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return text[2 * out.size()] == '\0';
}

std::vector<std::uint8_t> Seal(const Token& token, const std::vector<std::uint8_t>& order) {
    std::vector<std::uint8_t> out(token.begin(), token.end());
    out.insert(out.end(), order.begin(), order.end());
    return out;
}

bool DecodeSealed(const void* data, std::size_t size, const Token& token, Order& out) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (!p || size < token.size()) return false;
    // Every byte is compared, so that the time taken tells a guesser nothing.
    std::uint8_t differ = 0;
    for (std::size_t i = 0; i < token.size(); ++i) differ |= p[i] ^ token[i];
    if (differ != 0) return false;
    return Decode(p + token.size(), size - token.size(), out);
}

}  // namespace yv::companion
