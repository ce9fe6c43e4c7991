// The hooks read the shared area while another process rewrites it, and any table may hold
// garbage. Built with the address and undefined-behaviour sanitizers, these runs show any read
// or write outside a table; in the plain build they run briefly as a smoke test.
#include <atomic>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>  // also brings the clocks; <chrono> itself does not build with CP932 literals
#include <vector>

#include "hook_driver.h"

namespace yv::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRunTime = std::chrono::milliseconds(800);

// Texts SetSet may be handed, the malformed ones included. Buffers without a terminator end
// exactly after their 100 or 150 bytes.
class TextPool {
  public:
    TextPool() {
        for (const char* t : {"", "abc", "あいう", "Z:Z", "\x14:\x14", "\x9c|\x9c", "*|*",
                              "\x80|\x80", "[|[", "7|7", "\x2a|\x2a", "6|6"})
            owned_.emplace_back(t);
        owned_.emplace_back(100, 'x');
        owned_.emplace_back(300, 'y');
        for (std::size_t n : {100u, 150u}) {
            raw_.push_back(std::make_unique<char[]>(n));
            std::memset(raw_.back().get(), 'R', n);
        }
        for (const auto& s : owned_) all_.push_back(s.c_str());
        for (const auto& r : raw_) all_.push_back(r.get());
        all_.push_back(nullptr);
    }
    const char* Pick(std::mt19937& rng) const {
        return all_[std::uniform_int_distribution<std::size_t>(0, all_.size() - 1)(rng)];
    }

  private:
    std::vector<std::string> owned_;
    std::vector<std::unique_ptr<char[]>> raw_;
    std::vector<const char*> all_;
};

std::int32_t RandomKey(std::mt19937& rng) {
    switch (rng() % 8) {
        case 0:
            return 0;
        case 1:
            return static_cast<std::int32_t>(rng());  // anything, negative included
        case 2:
            return 1000 + static_cast<std::int32_t>(rng() % 300);
        case 3:
            return static_cast<std::int32_t>(rng() % 2000) - 500;
        default:
            return static_cast<std::int32_t>(rng() % 256);
    }
}

void RandomSetSet(std::mt19937& rng, const TextPool& pool) {
    std::int32_t keys[kRows];
    const char* texts[kRows];
    for (int i = 0; i < kRows; ++i) {
        keys[i] = RandomKey(rng);
        texts[i] = pool.Pick(rng);
    }
    const auto mode = static_cast<std::uint8_t>(rng() % 5 == 0 ? rng() : rng() % 4);
    const bool noKeys = rng() % 50 == 0, noTexts = rng() % 50 == 0;
    SetSet(mode, static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng() % 3),
           noKeys ? nullptr : keys, noTexts ? nullptr : texts);
}

// One random event to one of the three hook procedures. Returns whether the result was one a
// hook may give: 1 or the next hook's.
bool RandomHookCall(std::mt19937& rng) {
    static constexpr std::uint32_t kMessages[] = {
        win::WM_KEYDOWN,
        win::WM_KEYUP,
        win::WM_SYSKEYDOWN,
        win::WM_SYSKEYUP,
        win::WM_SYSCOMMAND,
        win::WM_TIMER,
        win::WM_CHAR,
        win::WM_CONTEXTMENU,
        win::WM_RBUTTONDOWN,
        0x0200,
        0xC000,
    };
    const int code = rng() % 16 == 0 ? -1 : 0;
    std::uint32_t vk = rng() % 8 == 0 ? rng() : rng() % 256;
    const std::uint32_t bits = static_cast<std::uint32_t>(rng());
    LResult r = 0;
    switch (rng() % 3) {
        case 0: {
            const std::uint32_t m = kMessages[rng() % std::size(kMessages)];
            Msg msg{kWnd, m, vk, static_cast<LParam>(bits), 0, 0, 0};
            r = MessageHookProc(code, rng() % 8 == 0 ? 0 : win::PM_REMOVE,
                                reinterpret_cast<LParam>(&msg));
            break;
        }
        case 1:
            r = KbdHookProc(code, vk, static_cast<LParam>(bits));
            break;
        default: {
            const std::uint32_t scan = rng() % 8 == 0 ? rng() : rng() % 256;
            KbdLLEvent ev{vk, scan, bits, 0, 0};
            r = KbdLLHookProc(code, win::WM_KEYDOWN, reinterpret_cast<LParam>(&ev));
        }
    }
    return r == 1 || r == fake::kNextHookResult;
}

class HookStressTest : public HookTest {
  protected:
    void SetUp() override {
        HookTest::SetUp();
        fake::SetRecording(false);
    }
    void TearDown() override { fake::SetRecording(true); }
};

TEST_F(HookStressTest, HooksRunWhileTheRulesAreRewritten) {
    const TextPool pool;
    std::atomic<bool> stop{false};
    std::atomic<long> calls{0}, oddResults{0}, loads{0};

    std::thread loader([&] {
        std::mt19937 rng(1);
        while (!stop.load(std::memory_order_relaxed)) {
            RandomSetSet(rng, pool);
            loads.fetch_add(1, std::memory_order_relaxed);
        }
    });
    std::vector<std::thread> feeders;
    for (unsigned seed : {2u, 3u}) {
        feeders.emplace_back([&, seed] {
            std::mt19937 rng(seed);
            while (!stop.load(std::memory_order_relaxed)) {
                if (!RandomHookCall(rng)) oddResults.fetch_add(1, std::memory_order_relaxed);
                calls.fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    std::this_thread::sleep_for(kRunTime);
    stop = true;
    loader.join();
    for (auto& t : feeders) t.join();

    EXPECT_GT(loads.load(), 0);
    EXPECT_GT(calls.load(), 0);
    EXPECT_EQ(oddResults.load(), 0);
    // Whatever the hooks did meanwhile, the last load left sound tables.
    EXPECT_GE(g_shared.ruleCount, 0);
    EXPECT_LE(g_shared.ruleCount, kMaxRules);
    for (int i = 0; i < kRows; ++i) {
        EXPECT_NE(std::memchr(g_shared.ruleText[i], 0, kTextSize), nullptr) << i;
        EXPECT_GE(g_shared.ruleKey[i], 0) << i;
        EXPECT_LE(g_shared.ruleKey[i], 1255) << i;
    }
}

// The whole shared area filled with random bytes, as a damaged or half-written area may look.
TEST_F(HookStressTest, HooksSurviveAGarbageSharedArea) {
    std::mt19937 rng(7);
    const auto until = Clock::now() + kRunTime / 2;
    long calls = 0, odd = 0;
    for (int round = 0; round < 200 && Clock::now() < until; ++round) {
        auto* bytes = reinterpret_cast<unsigned char*>(&g_shared);
        for (std::size_t i = 0; i < sizeof g_shared; ++i)
            bytes[i] = static_cast<unsigned char>(rng());
        // Keep the modes that do work common, and some rows matching the keys sent.
        g_shared.convMode = static_cast<std::uint8_t>(rng() % 4);
        for (int r = 0; r < kRows; r += 3)
            g_shared.ruleKey[r] = static_cast<std::int32_t>(rng() % 256);
        g_shared.hookMsg = kMsgHook;
        g_shared.hookKbd = kKbdHook;
        for (int i = 0; i < 500; ++i, ++calls) odd += !RandomHookCall(rng);
        char a[kTitleSize], b[kTitleSize];
        char* out[2] = {a, b};
        getaplname(out);
        EXPECT_LT(std::strlen(a), static_cast<std::size_t>(kTitleSize));
        getkeyflg(static_cast<std::int32_t>(rng()));
    }
    EXPECT_GT(calls, 0);
    EXPECT_EQ(odd, 0);
}

}  // namespace
}  // namespace yv::test
