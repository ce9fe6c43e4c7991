#include <windows.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "fsseam.h"
#include "strutil.h"

namespace yv::settings::fs {

bool SyncFile(std::FILE* f) { return _commit(_fileno(f)) == 0; }

bool MoveIntoPlace(const std::string& from, const std::string& to) {
    // A read-only settings file is kept as the user marked it; not every file system refuses
    // to replace it on its own.
    const DWORD attrs = GetFileAttributesA(to.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) != 0) return false;
    // rename() refuses an existing target here; this replaces it in one step.
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

Stamp StampOf(const std::string& path) {
    // Opened for its attributes only, sharing everything, so that no writer is disturbed.
    HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok) return {true, 0, 0, 0};
    auto join = [](DWORD high, DWORD low) {
        return (static_cast<std::uint64_t>(high) << 32) | low;
    };
    return {true, join(info.nFileSizeHigh, info.nFileSizeLow),
            join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime),
            join(info.nFileIndexHigh, info.nFileIndexLow)};
}

std::string ExecutableDirectory() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return DirectoryPart(std::string_view(buf.data(), n));
        if (buf.size() >= 32768) return {};
        buf.resize(buf.size() * 2);
    }
}

std::string WideToShiftJis(std::u16string_view text) {
    constexpr UINT kShiftJis = 932;
    std::string out;
    // In pieces, so that no length exceeds what the call takes; the text holds no surrogates.
    constexpr std::size_t kPiece = 1 << 20;
    for (std::size_t pos = 0; pos < text.size(); pos += kPiece) {
        const std::size_t n = std::min(kPiece, text.size() - pos);
        const auto* wide = reinterpret_cast<const wchar_t*>(text.data() + pos);
        const int len = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide,
                                            static_cast<int>(n), nullptr, 0, "?", nullptr);
        if (len <= 0) {
            out.append(n, '?');
            continue;
        }
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(len));
        WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(n),
                            out.data() + at, len, "?", nullptr);
    }
    return out;
}

std::u16string ShiftJisToWide(std::string_view form) {
    constexpr UINT kShiftJis = 932;
    wchar_t out[2];
    const int len = MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, form.data(),
                                        static_cast<int>(form.size()), out, 2);
    if (len != 1) return {};
    return std::u16string(1, static_cast<char16_t>(out[0]));
}

}  // namespace yv::settings::fs
