#include "keynames.h"

#include <cstdio>
#include <utility>

namespace yv::settings {

std::array<std::string, 256> VkNames;
std::array<std::string, 256> ScanNames;

namespace {

KeyFlagSource g_keyFlags = nullptr;

struct Named {
    int code;
    const char* name;
};

// Named virtual keys; "PagrDown" and "PrScr" are the names stored files and users know.
constexpr Named kVkNamed[] = {
    {0x08, "BackSpace"}, {0x09, "Tab"},       {0x0C, "Clear"},      {0x0D, "Enter"},
    {0x10, "Shift"},     {0x11, "左右Ctrl"},  {0x12, "左右Alt"},    {0x13, "Pause"},
    {0x14, "CapsLock"},  {0x1B, "Esc"},       {0x1C, "変換"},       {0x1D, "無変換"},
    {0x20, "Space"},     {0x21, "PageUp"},    {0x22, "PagrDown"},   {0x23, "End"},
    {0x24, "Home"},      {0x25, "←"},         {0x26, "↑"},          {0x27, "→"},
    {0x28, "↓"},         {0x2C, "PrScr"},     {0x2D, "Insert"},     {0x2E, "Delete"},
    {0x5B, "左Win"},     {0x5C, "右Win"},     {0x5D, "ｱﾌﾟﾘｹｰｼｮﾝ"},  {0x6A, "ﾃﾝｷｰ＊"},
    {0x6B, "ﾃﾝｷｰ＋"},    {0x6D, "ﾃﾝｷｰ－"},    {0x6E, "ﾃﾝｷｰ．"},     {0x6F, "ﾃﾝｷｰ／"},
    {0x8D, "ﾃﾝｷｰEnter"}, {0x90, "NumLock"},   {0x91, "ScrollLock"}, {0xA0, "左Shift"},
    {0xA1, "右Shift"},   {0xA2, "左Ctrl"},    {0xA3, "右Ctrl"},     {0xA4, "左Alt"},
    {0xA5, "右Alt"},     {0xBA, "："},        {0xBB, "；"},         {0xBC, "，"},
    {0xBD, "－"},        {0xBE, "．"},        {0xBF, "／"},         {0xC0, "＠"},
    {0xDB, "［"},        {0xDC, "￥"},        {0xDD, "］"},         {0xDE, "＾"},
    {0xE2, "Back/"},     {0xE5, "半角/全角"}, {0xF0, "英数"},       {0xF1, "カタカナ"},
    {0xF2, "ひらがな"},  {0xF3, "漢字"},      {0xF4, "漢字"},
};

constexpr int kVkEmpty[] = {0x00, 0x0A, 0x0B, 0x0E, 0x0F, 0x15, 0x16, 0x17, 0x18,
                            0x19, 0x1A, 0x1E, 0x1F, 0x29, 0x2A, 0x2B, 0x2F};

constexpr const char* kWideDigits[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
constexpr const char* kWideLetters[] = {"Ａ", "Ｂ", "Ｃ", "Ｄ", "Ｅ", "Ｆ", "Ｇ", "Ｈ", "Ｉ",
                                        "Ｊ", "Ｋ", "Ｌ", "Ｍ", "Ｎ", "Ｏ", "Ｐ", "Ｑ", "Ｒ",
                                        "Ｓ", "Ｔ", "Ｕ", "Ｖ", "Ｗ", "Ｘ", "Ｙ", "Ｚ"};

constexpr Named kScanNamed[] = {
    {0x01, "Esc"},        {0x02, "１"},        {0x03, "２"},     {0x04, "３"},
    {0x05, "４"},         {0x06, "５"},        {0x07, "６"},     {0x08, "７"},
    {0x09, "８"},         {0x0A, "９"},        {0x0B, "０"},     {0x0C, "－"},
    {0x0D, "＾"},         {0x0E, "BackSpace"}, {0x0F, "Tab"},    {0x10, "Ｑ"},
    {0x11, "Ｗ"},         {0x12, "Ｅ"},        {0x13, "Ｒ"},     {0x14, "Ｔ"},
    {0x15, "Ｙ"},         {0x16, "Ｕ"},        {0x17, "Ｉ"},     {0x18, "Ｏ"},
    {0x19, "Ｐ"},         {0x1A, "＠"},        {0x1B, "［"},     {0x1C, "Enter"},
    {0x1D, "左Ctrl"},     {0x1E, "Ａ"},        {0x1F, "Ｓ"},     {0x20, "Ｄ"},
    {0x21, "Ｆ"},         {0x22, "Ｇ"},        {0x23, "Ｈ"},     {0x24, "Ｊ"},
    {0x25, "Ｋ"},         {0x26, "Ｌ"},        {0x27, "；"},     {0x28, "："},
    {0x29, "半角/全角"},  {0x2A, "左Shift"},   {0x2B, "］"},     {0x2C, "Ｚ"},
    {0x2D, "Ｘ"},         {0x2E, "Ｃ"},        {0x2F, "Ｖ"},     {0x30, "Ｂ"},
    {0x31, "Ｎ"},         {0x32, "Ｍ"},        {0x33, "，"},     {0x34, "．"},
    {0x35, "／"},         {0x36, "右Shift"},   {0x37, "ﾃﾝｷｰ＊"}, {0x39, "Space"},
    {0x3A, "CapsLock"},   {0x3B, "F1"},        {0x3C, "F2"},     {0x3D, "F3"},
    {0x3E, "F4"},         {0x3F, "F5"},        {0x40, "F6"},     {0x41, "F7"},
    {0x42, "F8"},         {0x43, "F9"},        {0x44, "F10"},    {0x45, "Pause"},
    {0x46, "ScrollLock"}, {0x47, "ﾃﾝｷｰ７"},    {0x48, "ﾃﾝｷｰ８"}, {0x49, "ﾃﾝｷｰ９"},
    {0x4A, "ﾃﾝｷｰ－"},     {0x4B, "ﾃﾝｷｰ４"},    {0x4C, "ﾃﾝｷｰ５"}, {0x4D, "ﾃﾝｷｰ６"},
    {0x4E, "ﾃﾝｷｰ＋"},     {0x4F, "ﾃﾝｷｰ１"},    {0x50, "ﾃﾝｷｰ２"}, {0x51, "ﾃﾝｷｰ３"},
    {0x52, "ﾃﾝｷｰ０"},     {0x53, "ﾃﾝｷｰ．"},    {0x57, "F11"},    {0x58, "F12"},
    {0x70, "ひらがな"},   {0x73, "Back/"},     {0x79, "変換"},   {0x7B, "無変換"},
    {0x7D, "￥"},         {0x9C, "ﾃﾝｷｰEnter"}, {0x9D, "右Ctrl"}, {0xB5, "ﾃﾝｷｰ／"},
    {0xB7, "PrtScr"},     {0xC7, "Home"},      {0xC8, "↑"},      {0xC9, "PageUp"},
    {0xCB, "←"},          {0xCD, "→"},         {0xCF, "End"},    {0xD0, "↓"},
    {0xD1, "PageDown"},   {0xD2, "Insert"},    {0xD3, "Delete"}, {0xDB, "左Win"},
    {0xDC, "右Win"},      {0xDD, "ｱﾌﾟﾘｹｰｼｮﾝ"},
};

struct Button {
    int vk;
    int keyColumnScan;
    int dataColumnScan;
};

// Alt differs between the columns: the right Alt's index names the key, the left one's is the
// swap target.
constexpr Button kButtons[] = {
    {0x09, 0x0F, 0x0F}, {0x2E, 0xD3, 0xD3}, {0x21, 0xC9, 0xC9}, {0x22, 0xD1, 0xD1},
    {0x26, 0xC8, 0xC8}, {0x25, 0xCB, 0xCB}, {0x27, 0xCD, 0xCD}, {0x28, 0xD0, 0xD0},
    {0x12, 0xB8, 0x38}, {0x11, 0x9D, 0x9D}, {0x2C, 0xB7, 0xB7}, {0x5C, 0xDC, 0xDC},
    {0x5D, 0xDD, 0xDD}, {0x10, 0x2A, 0x2A},
};

constexpr int kVkTab = 0x09;
constexpr int kVkProcessKey = 0xE5;
constexpr int kVkConvert = 0x1C;
constexpr int kScanConvert = 0x79;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void BuildKeyNames() {
    VkNames[0].clear();
    for (int k = 1; k < 256; ++k) VkNames[k] = "<" + std::to_string(k) + ">";
    for (int k = 0x20; k <= 0x40; ++k) VkNames[k] = std::string(1, static_cast<char>(k));
    for (const auto& [code, name] : kVkNamed) VkNames[code] = name;
    for (int code : kVkEmpty) VkNames[code].clear();
    for (int d = 0; d < 10; ++d) {
        VkNames[0x30 + d] = kWideDigits[d];
        VkNames[0x60 + d] = std::string("ﾃﾝｷｰ") + kWideDigits[d];
    }
    for (int l = 0; l < 26; ++l) VkNames[0x41 + l] = kWideLetters[l];
    for (int f = 1; f <= 12; ++f) VkNames[0x6F + f] = "F" + std::to_string(f);

    for (auto& name : ScanNames) name.clear();
    for (const auto& [code, name] : kScanNamed) ScanNames[code] = std::string("【") + name + "】";
}

std::string KeyName(int keyCode) {
    if (keyCode < -255 || keyCode > 255) return {};
    return keyCode >= 0 ? VkNames[keyCode] : ScanNames[-keyCode];
}

void SetKeyFlagSource(KeyFlagSource source) { g_keyFlags = source; }

CapturedKey CaptureKeyCode(unsigned short vk, bool japanese) {
    CapturedKey out;
    if (vk == kVkTab) {
        out.scanIndex = 0x0F;
    } else {
        int flags = 0;
        for (int attempt = 0; attempt < 2 && g_keyFlags != nullptr; ++attempt) {
            flags = g_keyFlags(vk) & 0xFFFF;
            if ((flags & 0xFF) != 0) break;
        }
        out.scanIndex = (flags & 0xFF) + ((flags & 0x100) != 0 ? 0x80 : 0);
    }
    if (japanese) {
        out.keyCode = -out.scanIndex;
        return out;
    }
    const bool extended = out.scanIndex > 0x80;
    switch (vk) {
        case 0x0D:
            out.keyCode = extended ? 0x8D : 0x0D;
            break;
        case 0x11:
            out.keyCode = extended ? 0xA3 : 0xA2;
            break;
        case 0x12:
            out.keyCode = extended ? 0xA5 : 0xA4;
            break;
        default:
            out.keyCode = OneKeyTarget(vk, out.scanIndex);
            break;
    }
    return out;
}

int OneKeyTarget(unsigned short vk, int scanIndex) {
    return vk == kVkProcessKey && scanIndex == kScanConvert ? kVkConvert : vk;
}

int ButtonKeyCode(unsigned short vk, bool japanese, int column) {
    for (const auto& b : kButtons) {
        if (b.vk != vk) continue;
        if (!japanese) return vk;
        return column == kDataColumn ? b.dataColumnScan : -b.keyColumnScan;
    }
    return 0;
}

std::optional<std::string> FormatKeyToken(int code, bool japanese) {
    if (code < 0 || code > 255) return std::nullopt;
    if (japanese && ScanNames[code].empty()) return std::nullopt;
    char head[8];
    std::snprintf(head, sizeof head, japanese ? "[%.2X]:" : "<%.2X>:", static_cast<unsigned>(code));
    return head + (japanese ? ScanNames[code] : VkNames[code]);
}

KeyToken ParseKeyToken(std::string_view data) {
    if (data.size() < 5 || data[4] != ':') return {};
    TokenKind kind;
    if (data[0] == '<' && data[3] == '>') {
        kind = TokenKind::kOneKey;
    } else if (data[0] == '[' && data[3] == ']') {
        kind = TokenKind::kSwapKey;
    } else {
        return {};
    }
    const int hi = HexDigit(data[1]), lo = HexDigit(data[2]);
    if (hi < 0 || lo < 0) return {};
    return {kind, hi * 16 + lo};
}

}  // namespace yv::settings
