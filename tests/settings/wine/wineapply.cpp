// Applies the generated cases with the system's own profile functions, writing case_NNNN.wine
// beside each case. Argument: the case folder as a Windows path.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "../diffcase.h"

namespace {

using namespace yv::difftest;

// What a program reading with a 2048-byte buffer gets.
std::string ReadString(const Op& op, const std::string& ini) {
    char buf[2048];
    const DWORD n = GetPrivateProfileStringA(op.section.c_str(), op.key.c_str(), "(none)", buf,
                                             sizeof buf, ini.c_str());
    // The text up to its terminator: on a cut inside a double-byte character the count
    // includes a byte that was replaced by the terminator.
    return std::string(buf, strnlen(buf, n < sizeof buf ? n : sizeof buf - 1));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wineapply DIR\n");
        return 2;
    }
    const int n =
        ApplyCases(argv[1], '\\', "wine", [](const Op& op, const std::string& ini, OpResult& out) {
            const char* sec = op.section.c_str();
            switch (op.kind) {
                case 'R':
                    out.text = ReadString(op, ini);
                    break;
                case 'I':
                    out.text = ReadString(op, ini);
                    out.number = static_cast<int>(
                        GetPrivateProfileIntA(sec, op.key.c_str(), 0, ini.c_str()));
                    break;
                case 'W':
                    WritePrivateProfileStringA(sec, op.key.c_str(), op.value.c_str(), ini.c_str());
                    break;
                case 'D':
                    WritePrivateProfileStringA(sec, op.key.c_str(), nullptr, ini.c_str());
                    break;
                case 'E':
                    WritePrivateProfileStringA(sec, nullptr, nullptr, ini.c_str());
                    break;
            }
            return true;  // the system's refusals are part of what is compared
        });
    return n < 0 ? 1 : 0;
}
