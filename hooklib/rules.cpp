// The rule tables: loading them (SetSet), the queries of the settings editor, and the key
// matching rule both hooks share.
#include <atomic>
#include <cstring>

#include "hooklib.h"

namespace yv {

ProcessState g_process{};

namespace {

constexpr std::int32_t kMaxKeyNumber = kScanKeyBase + 255;

// The target scan code of a remap text "X|X", or 0 when `text` is not one. The extended flag
// (128) is dropped from bytes above 128; 128 itself stays.
std::int32_t RemapTarget(const char* text) {
    const auto x = static_cast<std::uint8_t>(text[0]);
    if (x == 0 || text[1] != '|' || static_cast<std::uint8_t>(text[2]) != x || text[3] != '\0')
        return 0;
    return x <= 128 ? x : x - 128;
}

// Copies at most kMaxText bytes of `src` (up to its NUL) into `dst` and terminates it. Reads
// nothing past the NUL or past byte kMaxText.
void CopyText(char* dst, const char* src) {
    int n = 0;
    if (src)
        while (n < kMaxText && src[n] != '\0') ++n;
    std::memcpy(dst, src ? src : "", static_cast<std::size_t>(n));
    dst[n] = '\0';
}

}  // namespace

void CopyRuleText(int row, char (&out)[kTextSize]) {
    if (row < 0 || row >= kRows) {
        out[0] = '\0';
        return;
    }
    const volatile char* src = g_shared.ruleText[row];
    int n = 0;
    for (; n < kMaxText; ++n) {
        const char c = src[n];
        if (c == '\0') break;
        out[n] = c;
    }
    out[n] = '\0';
}

bool CopyRuleTextW(int row, char16_t (&out)[kTextSize]) {
    out[0] = u'\0';
    if (row < 0 || row >= kRows || Peek(g_shared.textsW) != 1) return false;
    const volatile char16_t* src = g_shared.ruleTextW[row];
    int n = 0;
    for (; n < kMaxText; ++n) {
        const char16_t c = src[n];
        if (c == u'\0') break;
        out[n] = c;
    }
    out[n] = u'\0';
    return true;
}

std::uint8_t OneKeyByte(const char* text) {
    const auto x = static_cast<std::uint8_t>(text[0]);
    if (x == 0 || text[1] != ':' || static_cast<std::uint8_t>(text[2]) != x || text[3] != '\0')
        return 0;
    return x;
}

std::int32_t SetSet(std::uint8_t mode, std::uint8_t trackOff, std::uint8_t numLockHold,
                    const std::int32_t* keys, const char* const* texts) {
    SharedArea& s = g_shared;
    // The UTF-16 texts belong to the rows before: until SetTextsW, the Shift-JIS ones serve.
    s.textsW = 0;
    std::atomic_thread_fence(std::memory_order_release);
    s.convMode = mode;
    if (mode == 1 || mode == 3) s.shiftLatch = 0;
    s.numLockHold = numLockHold;
    s.trackOff = trackOff;
    std::memset(s.scanMap, 0, sizeof s.scanMap);

    // Keys are kept in a local copy as well: the shared table is read by other processes while
    // it is being rewritten, and every index below must come from checked values.
    std::int32_t key[kRows];
    for (int i = 0; i < kRows; ++i) {
        std::int32_t k = keys ? keys[i] : 0;
        if (k < 0 || k > kMaxKeyNumber) k = 0;  // would index past scanMap
        key[i] = k;
        s.ruleKey[i] = k;
    }

    for (int i = 0; i < kRows; ++i) {
        s.ruleSource[i] = static_cast<std::uint8_t>(i);
        CopyText(s.ruleText[i], texts ? texts[i] : nullptr);
        if (i == 0 || key[i] <= kScanKeyBase) continue;
        const std::int32_t t = RemapTarget(s.ruleText[i]);
        std::int32_t& slot = s.scanMap[key[i] - kScanKeyBase];
        if (t != 0 && slot == 0) {
            slot = t;
            key[i] = 0;
            s.ruleKey[i] = 0;
        }
    }

    // Close the gaps, keeping the row order; a scan index not taken by a remap pastes the
    // first of its rows.
    int n = 0;
    for (int i = 1; i < kRows; ++i) {
        if (key[i] == 0) continue;
        ++n;
        if (n < i) {
            key[n] = key[i];
            s.ruleKey[n] = key[i];
            s.ruleSource[n] = static_cast<std::uint8_t>(i);
            std::memcpy(s.ruleText[n], s.ruleText[i], kTextSize);
        }
        if (key[n] > kScanKeyBase) {
            std::int32_t& slot = s.scanMap[key[n] - kScanKeyBase];
            if (slot == 0) slot = n + kScanKeyBase;
        }
    }
    for (int i = n + 1; i < kRows; ++i) {
        s.ruleKey[i] = 0;
        s.ruleText[i][0] = '\0';
    }
    s.ruleCount = n;
    MarkGateKeys();
    return 0;
}

std::int32_t SetTextsW(const char16_t* const* texts) {
    SharedArea& s = g_shared;
    s.textsW = 0;
    std::atomic_thread_fence(std::memory_order_release);
    if (!texts) return 0;
    const std::int32_t count = Peek(s.ruleCount);
    const int n = count < 0 ? 0 : count > kMaxRules ? kMaxRules : count;
    for (int r = 0; r < kRows; ++r) {
        char16_t* dst = s.ruleTextW[r];
        const std::uint8_t from = Peek(s.ruleSource[r]);
        const char16_t* src = r <= n && from < kRows ? texts[from] : nullptr;
        int k = 0;
        if (src)
            for (; k < kMaxText && src[k] != u'\0'; ++k) dst[k] = src[k];
        dst[k] = u'\0';
    }
    // The rows are written before a hook may take them as in force.
    std::atomic_thread_fence(std::memory_order_release);
    s.textsW = 1;
    return 0;
}

std::int32_t SetFront(std::uint8_t service, std::uint8_t imeOpen) {
    const std::uint8_t was = g_shared.frontService;
    g_shared.frontImeOpen = imeOpen != 0 ? 1 : 0;
    g_shared.frontService = service <= kFrontCompanion ? service : kFrontInProcess;
    // Keys that an unreachable window would never see released are let go now.
    if (service == kFrontUnreachable && was != kFrontUnreachable) ReleaseHeld();
    return 0;
}

std::int32_t getkeyflg(std::int32_t vk) { return g_shared.keyflg[vk >= 1 && vk <= 254 ? vk : 0]; }

void getaplname(char** out) {
    if (!out) return;
    for (int i = 0; i < 2; ++i) {
        if (!out[i]) continue;
        CopyText(out[i], g_shared.aplname[i]);
    }
}

void getaplnameW(char16_t** out) {
    if (!out) return;
    for (int i = 0; i < 2; ++i) {
        if (!out[i]) continue;
        int n = 0;
        if (i == 0)
            for (; n < kTitleSize - 1 && g_shared.aplnameW[n] != u'\0'; ++n)
                out[i][n] = g_shared.aplnameW[n];
        out[i][n] = u'\0';
    }
}

bool SideMatches(std::int32_t key, std::uint32_t vk, std::uint32_t scan, bool extended) {
    const bool right = (extended ? scan + 128 : scan) > 128;
    switch (vk) {
        case 229:
            return scan == 0x29 ? key != 28 : key == 28;
        case 18:
            return right ? key != 164 : key != 165;
        case 17:
            return right ? key != 162 : key != 163;
        case 13:
            return right ? key != 13 : key == 13;
        default:
            return true;
    }
}

bool KeySideMatches(std::int32_t key, std::uint32_t vk, std::uint32_t scan, bool extended) {
    if (!SideMatches(key, vk, scan, extended)) return false;
    if (vk == 17 || vk == 18) ReleaseModifierState(vk, (extended ? scan + 128 : scan) > 128);
    return true;
}

bool KeyMatches(std::int32_t key, std::uint32_t vk, std::uint32_t scan, bool extended) {
    return KeyCandidate(key, vk) && KeySideMatches(key, vk, scan, extended);
}

}  // namespace yv
