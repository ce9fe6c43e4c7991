// What the host asks of the companion, one order per WM_COPYDATA. The companion trusts nothing
// in it: Decode checks every length before it reads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace yv::companion {

constexpr int kRows = 101;      // row 0 (On/Off key) and rules 1..100
constexpr int kTextSize = 101;  // 100 bytes and the NUL
// COPYDATASTRUCT::dwData of an order.
constexpr std::uint32_t kOrderTag = 0x59563243;

enum class Command : std::uint8_t {
    kHook = 1,    // SetHookPeer(host, numLockHold)
    kUnhook = 2,  // ResetHook
    kSet = 3,     // SetSet(mode, trackOff, numLockHold, keys, texts)
    kThread = 4,  // HookThread(thread): a window of that thread came to the front
};

struct Order {
    Command command = Command::kUnhook;
    std::uint8_t numLockHold = 0;
    std::uint8_t mode = 0;
    std::uint8_t trackOff = 0;
    std::uint32_t thread = 0;
    std::int32_t keys[kRows] = {};
    char texts[kRows][kTextSize] = {};
    // kSet: the texts in UTF-16 too (SetTextsW), when hasTextsW.
    bool hasTextsW = false;
    char16_t textsW[kRows][kTextSize] = {};
};

// Texts longer than 100 bytes (100 units) are cut, as the library would cut them.
std::vector<std::uint8_t> Encode(const Order& order);
// false for anything Encode cannot have written; `out` is then unspecified.
bool Decode(const void* data, std::size_t size, Order& out);

// The channel's proof of origin: random bytes the host gives the companion on its command line
// and puts before every order. WM_COPYDATA's wParam names a window the sender chose.
using Token = std::array<std::uint8_t, 16>;
// 32 lower-case hex digits; ParseToken takes exactly that (either case).
std::string TokenText(const Token& token);
bool ParseToken(const char* text, Token& out);
// An order as it goes over the channel: the token, then Encode's bytes.
std::vector<std::uint8_t> Seal(const Token& token, const std::vector<std::uint8_t>& order);
// Decode for a sealed order: false unless it carries `token`.
bool DecodeSealed(const void* data, std::size_t size, const Token& token, Order& out);

}  // namespace yv::companion
