// Load and save of a full settings file (standard profile and ten application profiles).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fixtures.h"
#include "settingsfile.h"

namespace {

using namespace yv::settings;

class FullFile {
  public:
    FullFile() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "yv-bench-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) std::abort();
        dir_ = tmpl;
        path_ = dir_ + "/Yorvan2.ini";
        std::ofstream(path_, std::ios::binary) << testing::MakeFullSettingsFile();
    }
    ~FullFile() { std::filesystem::remove_all(dir_); }
    const std::string& path() const { return path_; }

  private:
    std::string dir_, path_;
};

void BM_LoadSettings(benchmark::State& state) {
    FullFile file;
    SettingsState s;
    s.currentProfile = 5;
    for (auto _ : state) {
        LoadSettings(s, file.path());
        benchmark::DoNotOptimize(s.keyCodes);
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(file.path())));
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMillisecond);

// Every save changes a row, so every save writes, syncs and replaces the file.
void BM_SaveSettings(benchmark::State& state) {
    FullFile file;
    SettingsState s;
    s.currentProfile = 5;
    LoadSettings(s, file.path());
    int round = 0;
    for (auto _ : state) {
        s.convData[50] = " changed " + std::to_string(++round) + " ";
        SaveSettings(s, file.path());
    }
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMillisecond);

// A save that finds the file already holding the state reads it and writes nothing.
void BM_SaveSettingsUnchanged(benchmark::State& state) {
    FullFile file;
    SettingsState s;
    s.currentProfile = 5;
    LoadSettings(s, file.path());
    for (auto _ : state) SaveSettings(s, file.path());
}
BENCHMARK(BM_SaveSettingsUnchanged)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
