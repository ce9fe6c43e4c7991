// The version box's figures: running time from the tick count and the high-resolution counter,
// and the memory lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "about.h"
#include "fake_view.h"

namespace yv::editor {
namespace {

constexpr int64_t kFreq = 10'000'000;  // a common counter frequency
constexpr uint32_t kWrap50Days = static_cast<uint32_t>(50ull * 86400 * 1000);  // mod 2^32
constexpr uint32_t kWrap400Days = static_cast<uint32_t>(400ull * 86400 * 1000);

UptimeReading Ticks(uint32_t ms) { return {ms, false, 0, 0}; }
UptimeReading Both(uint32_t ms, int64_t counterSeconds) {
    return {ms, true, kFreq, counterSeconds * kFreq};
}

TEST(RunningTime, TickCountAndCounter) {
    const struct {
        const char* what;
        UptimeReading r;
        const char* want;
    } cases[] = {
        {"1 d 1 h 1 min 1 s, no counter", Ticks(90061000), "0 年 0 ヶ月 1 日 1 時間 1 分 1 秒"},
        {"same, counter failed to read",
         {90061000, false, kFreq, 999 * kFreq},
         "0 年 0 ヶ月 1 日 1 時間 1 分 1 秒"},
        {"below a second", Ticks(999), "49 日以上"},
        {"below a second whatever the counter says", Both(999, 50 * 86400), "49 日以上"},
        {"zero", Ticks(0), "49 日以上"},
        {"wrapped tick, 50-day counter", Both(kWrap50Days, 50 * 86400),
         "0 年 1 ヶ月 20 日 0 時間 0 分 0 秒"},
        {"400 days: 365-day years, 30-day months", Both(kWrap400Days, 400 * 86400),
         "1 年 1 ヶ月 5 日 0 時間 0 分 0 秒"},
        {"counter on the same day keeps the tick count", Both(3600 * 1000 + 500, 3599),
         "0 年 0 ヶ月 0 日 1 時間 0 分 0 秒"},
        // Above 2^31 ms the lowest bit is cleared and the seconds are rounded, a half to even.
        {"tick above 2^31", Ticks(0x80000001u), "0 年 0 ヶ月 24 日 20 時間 31 分 24 秒"},
        {"lowest bit cleared, half down to even", Ticks(2147484501u),
         "0 年 0 ヶ月 24 日 20 時間 31 分 24 秒"},
        {"half rounds up to even", Ticks(2147485501u), "0 年 0 ヶ月 24 日 20 時間 31 分 26 秒"},
        // A counter that does not fit 32 bits of seconds, or a zero frequency, counts as none.
        {"counter too large", Both(90061000, int64_t{1} << 31),
         "0 年 0 ヶ月 1 日 1 時間 1 分 1 秒"},
        {"zero frequency", {90061000, true, 0, 5}, "0 年 0 ヶ月 1 日 1 時間 1 分 1 秒"},
        {"counter rounds half to even",
         {86400 * 1000, true, 2, 2 * 86400 * 2 + 1},
         "0 年 0 ヶ月 2 日 0 時間 0 分 0 秒"},
    };
    for (const auto& c : cases) EXPECT_EQ(RunningTimeText(c.r), c.want) << c.what;
    EXPECT_EQ(RunningTimeLine(Ticks(999)), "稼働時間 ： 49 日以上");
}

TEST(MemoryLines, GroupingPaddingAndPercentage) {
    const MemoryLines m = MemoryText(2097152ull * 1024, 524288ull * 1024 + 1023);
    EXPECT_EQ(m.total, "物理ﾒﾓﾘ     : 2,097,152 KB");
    EXPECT_EQ(m.free, "空き物理ﾒﾓﾘ :   524,288 KB");
    EXPECT_EQ(m.use, "ﾒﾓﾘ利用率   :        75 %");
    // Past 4 GB the figures stay whole; a text longer than the field is not cut.
    EXPECT_EQ(MemoryText(64ull << 40, 0).total, "物理ﾒﾓﾘ     :68,719,476,736 KB");

    const struct {
        uint64_t n;
        const char* want;
    } groups[] = {{0, "0"},
                  {999, "999"},
                  {1000, "1,000"},
                  {1048576, "1,048,576"},
                  {100000, "100,000"},
                  {18446744073709551615ull, "18,446,744,073,709,551,615"}};
    for (const auto& g : groups) EXPECT_EQ(GroupDigits(g.n), g.want) << g.n;

    const struct {
        uint64_t total, free;
        int want;
    } pct[] = {{2097152, 524288, 75}, {1000, 255, 75}, {1000, 256, 74},
               {1000, 1000, 0},       {1000, 0, 100},  {0, 0, 0}};
    for (const auto& p : pct) EXPECT_EQ(MemoryUsePercent(p.total, p.free), p.want) << p.free;
}

// ホームページ: the guide beside the settings file; when the desktop opens nothing, the address
// is offered in an input box's field to copy.
class FakeHelp : public HelpView {
  public:
    bool opens = true;
    std::vector<std::string>* log = nullptr;
    void SetMainWindowEnabled(bool on) override { log->push_back(on ? "enable" : "disable"); }
    void ShowAboutBox() override { log->push_back("show"); }
    void HideAboutBox() override { log->push_back("hide"); }
    bool ShellOpen(const std::string& file) override {
        log->push_back("ShellOpen(" + file + ") -> " + (opens ? "opened" : "failed"));
        return opens;
    }
};

TEST(HomePage, OpensTheGuideOrShowsItsAddress) {
    const struct {
        bool opens;
        std::vector<std::string> log;
    } rows[] = {
        {true, {"ShellOpen(C:\\ツール\\Yorvan2.html) -> opened"}},
        {false,
         {"ShellOpen(C:\\ツール\\Yorvan2.html) -> failed",
          "InputBox(ホームページ, "
          "開けませんでした。アドレスをコピーしてブラウザーで開いてください, "
          "C:\\ツール\\Yorvan2.html) -> (cancel)"}},
    };
    for (const auto& r : rows) {
        testing::FakeView view;
        FakeHelp help;
        help.opens = r.opens;
        help.log = &view.log;
        H1Click(help, view, "C:\\ツール\\Yorvan2.ini");
        EXPECT_EQ(view.log, r.log) << r.opens;
    }
}

}  // namespace
}  // namespace yv::editor
