// Load and save of a full settings file (standard profile and ten application profiles).
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fixtures.h"
#include "profiledoc.h"
#include "settingsfile.h"

namespace {

using namespace yv::settings;

class FullFile {
  public:
    explicit FullFile(const std::string& content = testing::MakeFullSettingsFile()) {
        std::string tmpl = (std::filesystem::temp_directory_path() / "yv-bench-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) std::abort();
        dir_ = tmpl;
        path_ = dir_ + "/Yorvan2.ini";
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~FullFile() { std::filesystem::remove_all(dir_); }
    const std::string& path() const { return path_; }

  private:
    std::string dir_, path_;
};

void LoadFrom(benchmark::State& state, const FullFile& file) {
    SettingsState s;
    s.currentProfile = 5;
    for (auto _ : state) {
        LoadSettings(s, file.path());
        benchmark::DoNotOptimize(s.keyCodes);
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(file.path())));
}

void BM_LoadSettings(benchmark::State& state) { LoadFrom(state, FullFile()); }
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMillisecond);

// The same profiles among 10 MB of other keys and sections: a load must stay linear in the size.
void BM_LoadSettings10MB(benchmark::State& state) {
    LoadFrom(state, FullFile(testing::MakeLargeSettingsFile(10u << 20)));
}
BENCHMARK(BM_LoadSettings10MB)->Unit(benchmark::kMillisecond);

// What the resident host reads: the options and the rule table of every profile, from one read.
void BM_LoadAllProfiles10MB(benchmark::State& state) {
    const FullFile file(testing::MakeLargeSettingsFile(10u << 20));
    SettingsState s;
    for (auto _ : state) {
        const ProfileFile read = ReadProfileFile(file.path());
        LoadSettings(s, read.doc);
        for (int p = 1; p <= s.profileCount; ++p) LoadRuleTable(s, read.doc, p);
        benchmark::DoNotOptimize(s.keyCodes);
    }
}
BENCHMARK(BM_LoadAllProfiles10MB)->Unit(benchmark::kMillisecond);

// The same 10 MB saved as UTF-8 by another editor: every text goes through the conversion.
std::string InUtf8(const std::string& sjis) {
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) std::abort();
    std::string out(sjis.size() * 2, '\0');
    char* in = const_cast<char*>(sjis.data());
    char* o = out.data();
    std::size_t inLeft = sjis.size(), outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) std::abort();
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

void BM_LoadSettings10MBUtf8(benchmark::State& state) {
    LoadFrom(state, FullFile(InUtf8(testing::MakeLargeSettingsFile(10u << 20))));
}
BENCHMARK(BM_LoadSettings10MBUtf8)->Unit(benchmark::kMillisecond);

// The same 10 MB in UTF-8 with a character Shift-JIS lacks on every line of text: every one
// becomes a wide form.
std::string WithEmoji(std::string utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (std::size_t pos = 0; pos < utf8.size();) {
        std::size_t end = utf8.find("\r\n", pos);
        if (end == std::string::npos) end = utf8.size();
        out.append(utf8, pos, end - pos);
        if (utf8.compare(pos, 4, "data") == 0) out += "\xF0\x9F\x98\x80";  // 😀
        out.append(utf8, end, 2);
        pos = end + 2;
    }
    return out;
}

void BM_LoadSettings10MBUtf8Emoji(benchmark::State& state) {
    LoadFrom(state, FullFile(WithEmoji(InUtf8(testing::MakeLargeSettingsFile(10u << 20)))));
}
BENCHMARK(BM_LoadSettings10MBUtf8Emoji)->Unit(benchmark::kMillisecond);

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

// The same with a character Shift-JIS lacks in the row: the whole file goes out in UTF-8.
void BM_SaveSettingsUtf8(benchmark::State& state) {
    FullFile file;
    SettingsState s;
    s.currentProfile = 5;
    LoadSettings(s, file.path());
    int round = 0;
    for (auto _ : state) {
        s.convData[50] = " changed \x80\xBF\xB8\xA0" + std::to_string(++round) + " ";
        SaveSettings(s, file.path());
    }
}
BENCHMARK(BM_SaveSettingsUtf8)->Unit(benchmark::kMillisecond);

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
