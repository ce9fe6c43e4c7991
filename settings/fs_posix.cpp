#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

#include "fsseam.h"

namespace yv::settings::fs {

bool SyncFile(std::FILE* f) { return fsync(fileno(f)) == 0; }

bool MoveIntoPlace(const std::string& from, const std::string& to) {
    // rename() would replace a file nobody may write to; such a file is kept, as on Windows.
    struct stat st;
    if (stat(to.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

Stamp StampOf(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return {};
    return {true, static_cast<std::uint64_t>(st.st_size),
            static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                static_cast<std::uint64_t>(st.st_mtim.tv_nsec),
            static_cast<std::uint64_t>(st.st_ino)};
}

std::string ExecutableDirectory() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0) return "./";
    const std::string path(buf, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/') + 1);
}

std::string WideToShiftJis(std::u16string_view text) {
    std::string out;
    // From wchar_t, the converter's own form: a character without a Shift-JIS form then costs
    // one step back, not a conversion of everything before it again.
    const iconv_t cd = iconv_open("CP932", "WCHAR_T");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter on this system: ASCII survives, the rest cannot be told apart.
        for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }
    std::wstring wide(text.begin(), text.end());  // whole characters only: no surrogates
    out.resize(text.size() * 2);                  // at most two bytes for each character
    auto* in = reinterpret_cast<char*>(wide.data());
    std::size_t inLeft = wide.size() * sizeof(wchar_t);
    char* o = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0 && iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) {
        if (errno != EILSEQ && errno != EINVAL) break;
        // A character without a Shift-JIS form.
        in += sizeof(wchar_t);
        inLeft -= sizeof(wchar_t);
        *o++ = '?';
        --outLeft;
    }
    iconv_close(cd);
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

std::u16string ShiftJisToWide(std::string_view form) {
    const iconv_t cd = iconv_open("WCHAR_T", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return form.size() == 1 && static_cast<unsigned char>(form[0]) < 0x80
                   ? std::u16string(1, static_cast<char16_t>(form[0]))
                   : std::u16string();
    }
    std::string in(form);
    wchar_t out[4];
    char* i = in.data();
    std::size_t inLeft = in.size();
    auto* o = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    const bool ok = iconv(cd, &i, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1) &&
                    inLeft == 0 && outLeft == sizeof out - sizeof(wchar_t);
    iconv_close(cd);
    if (!ok || out[0] > 0xFFFF) return {};
    return std::u16string(1, static_cast<char16_t>(out[0]));
}

}  // namespace yv::settings::fs
