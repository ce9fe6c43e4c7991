// The settings operations on the Windows file system: replacing an existing file, a read-only
// file that refuses the write, the settings path beside the program, and files in UTF-16 and
// UTF-8 read through the system's conversion.
#include <windows.h>

#include <cstdio>
#include <string>

#include "../diffcase.h"
#include "../encodingcases.h"
#include "profiledoc.h"
#include "settingsfile.h"
#include "textencoding.h"

namespace {

using namespace yv::settings;

int g_failures = 0;

void Check(bool ok, const char* what) {
    if (!ok) {
        ++g_failures;
        std::printf("FAIL: %s\n", what);
    }
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main() {
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    const std::string dir =
        std::string(tmp) + "yv-settings-ops-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string path = dir + "\\Yorvan2.ini";
    const std::string original = "; keep\r\n[Config]\r\nhenstart=1\r\nkey1=65\r\ndata1=abc\r\n";
    yv::difftest::WriteWholeFile(path, original);

    SettingsState s;
    LoadSettings(s, path);
    Check(s.henstart == 1 && s.keyCodes[1] == 65 && s.convData[1] == "abc", "load");

    // Saving over the existing file replaces it.
    s.convData[1] = " changed ";
    s.dirty = 1;
    SaveSettings(s, path);
    const auto saved = yv::difftest::ReadWholeFile(path);
    Check(saved && saved->find("data1=\" changed \"\r\n") != std::string::npos, "save replaces");
    Check(saved && saved->rfind("; keep\r\n", 0) == 0, "comment kept");
    Check(s.dirty == 0, "dirty cleared");
    Check(!Exists(path + ".tmp"), "no temporary file left");

    // A read-only file refuses the replacement: error with the path, file and state kept.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    s.convData[1] = "refused";
    s.dirty = 1;
    try {
        SaveSettings(s, path);
        Check(false, "read-only file raised no error");
    } catch (const WriteError& e) {
        Check(e.what() == path + " に書き込めません", "error names the file");
    }
    Check(yv::difftest::ReadWholeFile(path) == saved, "read-only file unchanged");
    Check(s.dirty == 1, "dirty kept");
    Check(!Exists(path + ".tmp"), "no temporary file left after the error");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    // The settings file sits beside the program.
    char exe[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string folder(exe, n);
    folder.resize(folder.find_last_of('\\') + 1);
    Check(SettingsPath() == folder + "Yorvan2.ini", "settings path");

    // The same encodings and texts as the Linux tests, through WideCharToMultiByte.
    for (const auto& c : yv::settings::testing::kEncodingCases) {
        const std::string bytes = yv::settings::testing::FileBytes(c);
        const bool ok =
            DetectEncoding(bytes) == c.detected && ToShiftJis(bytes, c.detected) == c.sjis;
        if (!ok) std::printf("encoding case: %s\n", c.what);
        Check(ok, "encoding case");
    }
    // A settings file saved by other editors.
    for (const FileEncoding form : {FileEncoding::kUtf16Le, FileEncoding::kUtf8}) {
        const char16_t* text =
            u"[Config]\r\nkey1=65\r\ndata1=日本語〜①\r\n[Apl1]\r\nName=メモ帳\r\n";
        yv::difftest::WriteWholeFile(path, yv::settings::testing::FileBytes(form, text));
        SettingsState u;
        LoadSettings(u, path);
        // The wave dash, which code page 932 lacks, is kept as it is.
        Check(u.keyCodes[1] == 65 && u.convData[1] == TextFromUtf16(u"日本語〜①") &&
                  HoldsWideForm(u.convData[1]) && u.profileCount == 1 &&
                  u.profileNames[1] == "メモ帳",
              EncodingName(form));
        Check(ReadProfileFile(path).encoding == form, "encoding reported");
        // A save that changes something writes UTF-8 with a mark, which reads back the same.
        u.henstart = 1;
        SaveSettings(u, path);
        Check(
            yv::difftest::ReadWholeFile(path).value_or("").starts_with("\xEF\xBB\xBF[Config]\r\n"),
            "saved in UTF-8 with a mark");
        SettingsState back;
        LoadSettings(back, path);
        Check(back.convData[1] == u.convData[1] && back.henstart == 1, "UTF-8 read back");
    }
    // Code page 932 writes U+0080 as 0x80, a wide form's lead byte: it travels as a wide form.
    Check(TextToUtf16(TextFromUtf16(u"\u0080ｱｲｳ")) == u"\u0080ｱｲｳ", "U+0080 before katakana");

    DeleteFileA(path.c_str());
    RemoveDirectoryA(dir.c_str());
    std::printf("%d failures\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
