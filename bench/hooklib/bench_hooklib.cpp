// Hot paths of the hook library. The message hook runs for every message of every application,
// so the pass-through of a message that is no key must cost next to nothing.
#include <benchmark/benchmark.h>

#include <string>

#include "hooklib.h"

namespace yv {
namespace {

constexpr std::uint32_t kWmMouseMove = 0x0200;
const Hwnd kWnd = reinterpret_cast<Hwnd>(0x10);

// Loads `rows` into the shared area: row 0 the On/Off key (Nonconvert), then rows 1..100.
void LoadRows(std::uint8_t mode, const std::int32_t (&keys)[kRows],
              const std::string (&texts)[kRows]) {
    const char* t[kRows];
    for (int i = 0; i < kRows; ++i) t[i] = texts[i].c_str();
    SetSet(mode, 0, 0, keys, t);
}

// 100 rows on keys other than 'A'.
void LoadHundredOtherRows() {
    std::int32_t keys[kRows] = {29};
    std::string texts[kRows];
    for (int i = 1; i < kRows; ++i) {
        keys[i] = 150 + i;
        texts[i] = "row text " + std::to_string(i);
    }
    LoadRows(1, keys, texts);
}

LParam KeyLParam(std::uint32_t scan) { return static_cast<LParam>(1u | scan << 16); }

void BM_MessageHook_NonKeyMessage(benchmark::State& state) {
    LoadHundredOtherRows();
    Msg msg{kWnd, kWmMouseMove, 0, 0x00640032, 0, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            MessageHookProc(0, win::PM_REMOVE, reinterpret_cast<LParam>(&msg)));
    }
}
BENCHMARK(BM_MessageHook_NonKeyMessage);

void BM_MessageHook_KeyDownWalks100RowsNoMatch(benchmark::State& state) {
    LoadHundredOtherRows();
    Msg msg{kWnd, win::WM_KEYDOWN, 65, KeyLParam(0x1E), 0, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            MessageHookProc(0, win::PM_REMOVE, reinterpret_cast<LParam>(&msg)));
    }
}
BENCHMARK(BM_MessageHook_KeyDownWalks100RowsNoMatch);

void BM_MessageHook_KeyDownFiresTextRow(benchmark::State& state) {
    std::int32_t keys[kRows] = {29, 65};
    std::string texts[kRows];
    texts[1] = "abc";
    LoadRows(1, keys, texts);
    for (auto _ : state) {
        Msg msg{kWnd, win::WM_KEYDOWN, 65, KeyLParam(0x1E), 0, 0, 0};
        benchmark::DoNotOptimize(
            MessageHookProc(0, win::PM_REMOVE, reinterpret_cast<LParam>(&msg)));
        benchmark::DoNotOptimize(msg.message);
    }
}
BENCHMARK(BM_MessageHook_KeyDownFiresTextRow);

// The same row with its UTF-16 text in force (SetTextsW): typed as WM_CHAR units.
void BM_MessageHook_KeyDownFiresTextRowW(benchmark::State& state) {
    std::int32_t keys[kRows] = {29, 65};
    std::string texts[kRows];
    texts[1] = "abc";
    LoadRows(1, keys, texts);
    const char16_t* textsW[kRows] = {};
    textsW[1] = u"abc";
    SetTextsW(textsW);
    for (auto _ : state) {
        Msg msg{kWnd, win::WM_KEYDOWN, 65, KeyLParam(0x1E), 0, 0, 0};
        benchmark::DoNotOptimize(
            MessageHookProc(0, win::PM_REMOVE, reinterpret_cast<LParam>(&msg)));
        benchmark::DoNotOptimize(msg.message);
    }
}
BENCHMARK(BM_MessageHook_KeyDownFiresTextRowW);

void BM_KbdLL_KeyWithoutScanMapEntry(benchmark::State& state) {
    LoadHundredOtherRows();
    KbdLLEvent ev{65, 0x1E, 0, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(KbdLLHookProc(0, win::WM_KEYDOWN, reinterpret_cast<LParam>(&ev)));
    }
}
BENCHMARK(BM_KbdLL_KeyWithoutScanMapEntry);

// The key-up of a key whose key-down went on: nothing held, no scanMap entry. Argument 1: the
// companion's window is set, so the key-up is posted to it as well.
void BM_KbdLL_KeyUpNoEntry(benchmark::State& state) {
    LoadHundredOtherRows();
    SetPeer(state.range(0) != 0 ? kWnd : nullptr);
    KbdLLEvent ev{65, 0x1E, win::LLKHF_UP, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(KbdLLHookProc(0, win::WM_KEYUP, reinterpret_cast<LParam>(&ev)));
    }
    SetPeer(nullptr);
}
BENCHMARK(BM_KbdLL_KeyUpNoEntry)->ArgName("peer")->Arg(0)->Arg(1);

// A window no library of ours enters: the low-level hook types the row's text itself, as one
// batch of Unicode keystrokes, and eats the key; then the key-up.
void BM_KbdLL_FallbackFiresTextRow(benchmark::State& state) {
    std::int32_t keys[kRows] = {29, 65};
    std::string texts[kRows];
    texts[1] = "abc";
    LoadRows(1, keys, texts);
    SetFront(kFrontFallback, 0);
    KbdLLEvent down{65, 0x1E, 0, 0, 0}, up{65, 0x1E, win::LLKHF_UP, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            KbdLLHookProc(0, win::WM_KEYDOWN, reinterpret_cast<LParam>(&down)));
        benchmark::DoNotOptimize(KbdLLHookProc(0, win::WM_KEYUP, reinterpret_cast<LParam>(&up)));
    }
    SetFront(kFrontInProcess, 0);
}
BENCHMARK(BM_KbdLL_FallbackFiresTextRow);

// The same window, a key of no row: 100 rows walked.
void BM_KbdLL_FallbackWalks100RowsNoMatch(benchmark::State& state) {
    LoadHundredOtherRows();
    SetFront(kFrontFallback, 0);
    KbdLLEvent ev{65, 0x1E, 0, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(KbdLLHookProc(0, win::WM_KEYDOWN, reinterpret_cast<LParam>(&ev)));
    }
    SetFront(kFrontInProcess, 0);
}
BENCHMARK(BM_KbdLL_FallbackWalks100RowsNoMatch);

void BM_SetSet_100Rows(benchmark::State& state) {
    // A full profile: text rows, one-key rows, paste rows and remaps.
    std::int32_t keys[kRows] = {29};
    std::string storage[kRows];
    const char* texts[kRows];
    for (int i = 1; i < kRows; ++i) {
        switch (i % 4) {
            case 0:
                keys[i] = 100 + i, storage[i] = "a text of some length, typed " + std::to_string(i);
                break;
            case 1:
                keys[i] = 100 + i, storage[i] = "C:C";
                break;
            case 2:
                keys[i] = 1000 + i, storage[i] = "pasted text " + std::to_string(i);
                break;
            default:
                keys[i] = 1100 + i, storage[i] = "\x1d|\x1d";
                break;
        }
    }
    for (int i = 0; i < kRows; ++i) texts[i] = storage[i].c_str();
    for (auto _ : state) {
        benchmark::DoNotOptimize(SetSet(1, 0, 0, keys, texts));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SetSet_100Rows);

}  // namespace
}  // namespace yv

BENCHMARK_MAIN();
