// Key codes, their display names and the text forms of a rule's conversion data.
//
// A key code is 1..255 for a virtual-key code (the rule works while Japanese input is off),
// -1..-255 for minus a scan index (the rule works also while Japanese input is on), 0 for none.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace yv::settings {

// Display names by virtual-key code and by scan index, filled by BuildKeyNames.
extern std::array<std::string, 256> VkNames;
extern std::array<std::string, 256> ScanNames;

void BuildKeyNames();

// VkNames[k] for k >= 0, ScanNames[-k] for k < 0; empty for 0 and for codes beyond 255.
std::string KeyName(int keyCode);

// Where the editor asks the hook library for the recorded flags of a key (getkeyflg): the low
// byte is the scan code, bit 8 the extended-key flag. The editor binds the library's export;
// tests bind a fake. Unbound, every answer is 0.
using KeyFlagSource = int (*)(int vk);
void SetKeyFlagSource(KeyFlagSource source);

struct CapturedKey {
    int keyCode = 0;    // the code the row gets
    int scanIndex = 0;  // scan code + 0x80 for an extended key; the swap target in the data column
};

// Turns a key press with virtual-key code vk into a key code, in a mode whose Japanese flag
// is `japanese`.
CapturedKey CaptureKeyCode(unsigned short vk, bool japanese);

// The one-key target of a key press in the data column: vk itself, except that the input
// method's key (0xE5) on the conversion key's scan index becomes the conversion key (0x1C).
int OneKeyTarget(unsigned short vk, int scanIndex);

// Column of the grid an operation-key button writes into.
constexpr int kKeyColumn = 1;
constexpr int kDataColumn = 2;

// The code an operation-key button stands for: vk with the Japanese flag off; otherwise minus
// the button's scan index in the key column, the scan index itself (the swap target) in the
// data column. 0 for a vk that no button has.
int ButtonKeyCode(unsigned short vk, bool japanese, int column);

// "<XX>:name" for a one-key target (Japanese flag off), "[XX]:【name】" for a swap target; none
// for a swap target without a name or a code outside 0..255.
std::optional<std::string> FormatKeyToken(int code, bool japanese);

// What a stored conversion-data text is.
enum class TokenKind { kText, kOneKey, kSwapKey };
struct KeyToken {
    TokenKind kind = TokenKind::kText;
    int code = 0;  // the virtual-key code or scan index inside the brackets
};

// "<XX>:…" is a one-key token and "[XX]:…" a swap-key token when XX are two hexadecimal
// digits; everything else, a token with bad digits included, is plain text.
KeyToken ParseKeyToken(std::string_view data);

}  // namespace yv::settings
