#include "fixtures.h"

#include "settingsfile.h"

namespace yv::settings::testing {

std::string RowText(int profile, int n) {
    const std::string tag = std::to_string(profile) + "-" + std::to_string(n);
    switch ((n + profile) % 8) {
        case 0:
            return " edge blanks " + tag + " ";
        case 1:
            return "\"quoted " + tag + "\"";
        case 2:
            return "日本語の定型文　表ソ能 " + tag;
        case 3:
            return "<41>:Ａ";
        case 4:
            return "";
        case 5:
            return "'single " + tag + "'";
        case 6:
            return "[1E]:【Ａ】";
        default:
            return "plain text with a tab\tinside " + tag + std::string(60, 'x');
    }
}

int RowKeyCode(int profile, int n) {
    if ((n + 3 * profile) % 13 == 0) return 0;
    const int code = 1 + (n * 7 + profile * 11) % 255;
    return n % 2 == 0 ? code : -code;
}

namespace {

std::string MakeSettingsFile(std::size_t padding) {
    std::string f =
        "[Config]\r\nhenstart=1\r\nnumlockon=1\r\nAplAutoOff=0\r\nkey0=29\r\n"
        "FormLeft=191\r\nFormTop=112\r\nFormHeight=656\r\nFormWidth=1017\r\n"
        "FormMax=0\r\n";
    auto rows = [&f](int profile) {
        for (int n = 1; n <= kRuleRows - 1; ++n) {
            const int code = RowKeyCode(profile, n);
            if (code == 0) continue;
            f += "key" + std::to_string(n) + "=" + std::to_string(code) + "\r\n";
            f += "data" + std::to_string(n) + "=" + StoredText(RowText(profile, n)) + "\r\n";
        }
    };
    rows(0);
    // Half the padding as notes inside Config, half as small sections of other programs
    // between the standard profile and the application profiles.
    const std::size_t notesEnd = f.size() + padding / 2;
    for (int i = 1; f.size() < notesEnd; ++i)
        f += "memo" + std::to_string(i) + "=覚え書き　表ソ能 " + std::string(40, 'n') + "\r\n";
    const std::size_t othersEnd = f.size() + padding / 2;
    for (int i = 1; f.size() < othersEnd; ++i)
        f += "[Other" + std::to_string(i) + "]\r\nx=" + std::to_string(i) + "\r\n";
    for (int p = 1; p <= kMaxProfiles; ++p) {
        f += "[Apl" + std::to_string(p) + "]\r\nName=アプリ" + std::to_string(p) +
             "\r\nName1=ウィンドウ表題 " + std::to_string(p) + " - メモ帳\r\n";
        rows(p);
    }
    return f;
}

}  // namespace

std::string MakeFullSettingsFile() { return MakeSettingsFile(0); }

std::string MakeLargeSettingsFile(std::size_t bytes) {
    const std::size_t full = MakeFullSettingsFile().size();
    return MakeSettingsFile(bytes > full ? bytes - full : 0);
}

}  // namespace yv::settings::testing
