// Reads a program's resources the way Windows shows them:
//   resprobe FILE   prints "FileVersion FILEVERSION OriginalFilename icons=N", for instance
//                   "4.02 4,2,0,0 Yorvan2.exe icons=1"; exit 1 when FILE has no version resource.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

namespace {

const char* Text(std::vector<char>& info, const char* name) {
    char path[128];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\041103A4\\%s", name);
    void* value = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(info.data(), path, &value, &len) || len == 0) return "-";
    return static_cast<const char*>(value);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
    if (size == 0) return 1;
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(argv[1], 0, size, info.data())) return 1;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &len)) return 1;
    UINT icons = ExtractIconExA(argv[1], -1, nullptr, nullptr, 0);
    std::printf("%s %u,%u,%u,%u %s icons=%u\n", Text(info, "FileVersion"),
                unsigned{HIWORD(fixed->dwFileVersionMS)}, unsigned{LOWORD(fixed->dwFileVersionMS)},
                unsigned{HIWORD(fixed->dwFileVersionLS)}, unsigned{LOWORD(fixed->dwFileVersionLS)},
                Text(info, "OriginalFilename"), icons);
    return 0;
}
