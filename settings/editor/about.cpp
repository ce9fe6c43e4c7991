#include "about.h"

#include <climits>
#include <cstdio>

#include "strutil.h"

namespace yv::editor {
namespace {

// q = n / d rounded to the nearest whole number, a half going to the even neighbour; exact
// in integers, where a floating-point division could misplace a half.
uint64_t DivRoundHalfEven(uint64_t n, uint64_t d) {
    uint64_t q = n / d;
    const uint64_t r = n % d;
    const uint64_t rest = d - r;  // r compared with d / 2 without overflow
    if (r > rest || (r == rest && (q & 1) != 0)) ++q;
    return q;
}

int64_t SecondsFromTicks(uint32_t tick) {
    const auto t = static_cast<int32_t>(tick);
    if (t > 0) return t / 1000;
    if (t < 0) return static_cast<int64_t>(DivRoundHalfEven(tick & ~1u, 1000));
    return 0;
}

int64_t SecondsFromCounter(const UptimeReading& r) {
    if (!r.counterOk || r.frequency <= 0 || r.counter < 0) return 0;
    const uint64_t p =
        DivRoundHalfEven(static_cast<uint64_t>(r.counter), static_cast<uint64_t>(r.frequency));
    return p > static_cast<uint64_t>(INT32_MAX) ? 0 : static_cast<int64_t>(p);
}

// Right-aligned in at least `width` bytes, as "%10s" does; a longer text is not cut.
std::string PadLeft(const std::string& s, std::size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

}  // namespace

std::string RunningTimeText(const UptimeReading& r) {
    int64_t s = SecondsFromTicks(r.tickCount);
    const int64_t p = SecondsFromCounter(r);
    if (s < 1) return "49 日以上";
    if (p != 0 && p / 86400 != s / 86400) s = p;
    // s is below 2^31 here, so every field fits an int.
    int rest = static_cast<int>(s);
    const int years = rest / 31536000;
    rest -= years * 31536000;
    const int months = rest / 2592000;
    rest -= months * 2592000;
    const int days = rest / 86400;
    rest -= days * 86400;
    const int hours = rest / 3600;
    rest -= hours * 3600;
    const int minutes = rest / 60;
    rest -= minutes * 60;
    char buf[160];
    std::snprintf(buf, sizeof buf, "%d 年 %d ヶ月 %d 日 %d 時間 %d 分 %d 秒", years, months, days,
                  hours, minutes, rest);
    return buf;
}

std::string RunningTimeLine(const UptimeReading& r) { return "稼働時間 ： " + RunningTimeText(r); }

std::string GroupDigits(uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

int MemoryUsePercent(uint64_t totalKB, uint64_t freeKB) {
    if (totalKB == 0) return 0;
    const double used = static_cast<double>(totalKB) - static_cast<double>(freeKB);
    return static_cast<int>(used * 100 / static_cast<double>(totalKB) + 0.5);
}

MemoryLines MemoryText(uint64_t totalBytes, uint64_t availBytes) {
    const uint64_t totalKB = totalBytes / 1024;
    const uint64_t freeKB = availBytes / 1024;
    const int use = MemoryUsePercent(totalKB, freeKB);
    return {
        "物理ﾒﾓﾘ     :" + PadLeft(GroupDigits(totalKB), 10) + " KB",
        "空き物理ﾒﾓﾘ :" + PadLeft(GroupDigits(freeKB), 10) + " KB",
        "ﾒﾓﾘ利用率   :" + PadLeft(GroupDigits(static_cast<uint64_t>(use < 0 ? 0 : use)), 10) + " %",
    };
}

std::string UserGuidePath(const std::string& settingsPath) {
    return settings::DirectoryPart(settingsPath) + "Yorvan2.html";
}

void About1Click(HelpView& view) {
    view.SetMainWindowEnabled(false);
    view.ShowAboutBox();
}

void OKButtonClick(HelpView& view) {
    // Enabled first, so that the main window can take the activation back from the box.
    view.SetMainWindowEnabled(true);
    view.HideAboutBox();
}

void H1Click(HelpView& help, View& view, const std::string& settingsPath) {
    const std::string guide = UserGuidePath(settingsPath);
    if (help.ShellOpen(guide)) return;
    view.InputBox("ホームページ",
                  "開けませんでした。アドレスをコピーしてブラウザーで開いてください", guide);
}

}  // namespace yv::editor
