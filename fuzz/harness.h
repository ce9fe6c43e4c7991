// What the fuzz targets share: a scratch settings file and a failure that says what broke.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace yv::fuzz {

// A settings file in a folder of this process's own (in memory where the system has one),
// removed at exit.
inline const std::string& ScratchFile() {
    static const std::string path = [] {
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        static std::string dir = std::string(base) + "/yv-fuzz-XXXXXX";
        if (mkdtemp(dir.data()) == nullptr) std::abort();
        std::atexit([] { std::filesystem::remove_all(dir); });
        return dir + "/Yorvan2.ini";
    }();
    return path;
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The bytes as C escapes, for a message.
inline std::string Shown(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

// Stops the run: libFuzzer keeps the input that got here.
[[noreturn]] inline void Fail(const std::string& what) {
    std::fprintf(stderr, "property broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace yv::fuzz
