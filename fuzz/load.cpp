// The settings file read from arbitrary bytes, by the editor and by the host: nothing breaks,
// and every value read lies within what the readers promise.
#include <cstddef>
#include <cstdint>
#include <string>

#include "harness.h"
#include "hostcore.h"
#include "settingsfile.h"
#include "textencoding.h"

namespace {

using namespace yv;

// A text read from UTF-8 or UTF-16 is in the program's own form, the form the editor's way in
// (TextFromUtf16) gives, so that an unchanged text is never rewritten; and no limit cut a wide
// form.
void CheckForm(const std::string& text, bool unicode, const std::string& at) {
    if (unicode && settings::TextFromUtf16(settings::TextToUtf16(text)) != text)
        fuzz::Fail("a text not in its own form: " + fuzz::Shown(text) + at);
}

void CheckRows(const settings::SettingsState& s, int p, bool unicode) {
    const std::string at = " (profile " + std::to_string(p) + ")";
    for (int n = 1; n < settings::kRuleRows; ++n) CheckForm(s.convData[n], unicode, at);
    for (int n = 0; n < settings::kRuleRows; ++n) {
        const int k = s.keyCodes[n];
        if (k < -255 || k > 255) fuzz::Fail("key code " + std::to_string(k) + at);
        if (s.prevKeyCodes[n] != k) fuzz::Fail("a loaded row's previous key code differs" + at);
        if (s.convData[n].size() > settings::kMaxValueBytes) fuzz::Fail("a text too long" + at);
    }
    if (!s.convData[0].empty()) fuzz::Fail("the On/Off row has a text" + at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzz::ScratchFile();
    fuzz::WriteFile(path, {reinterpret_cast<const char*>(data), size});

    settings::SettingsState s;
    s.currentProfile = static_cast<int>(size % 13) - 1;  // also numbers the file lacks
    settings::LoadSettings(s, path);
    // The other profiles from the file read once, as the host reads them.
    const settings::ProfileFile file = settings::ReadProfileFile(path);
    if (s.henstart != 0 && s.henstart != 1 && s.henstart != 3) fuzz::Fail("henstart");
    if (s.numlockon >> 1 || s.AplAutoOff >> 1 || s.FormMax >> 1) fuzz::Fail("a flag not 0 or 1");
    if (s.profileCount < 0 || s.profileCount > settings::kMaxProfiles) fuzz::Fail("profiles");
    if (s.currentProfile < 0 || s.currentProfile > s.profileCount) fuzz::Fail("current profile");
    if (s.dirty != 0) fuzz::Fail("dirty after a load");
    for (int p = 1; p <= s.profileCount; ++p)
        if (s.profileNames[p].empty()) fuzz::Fail("a profile without a name");
    const bool unicode = file.encoding != settings::FileEncoding::kShiftJis;
    CheckRows(s, s.currentProfile, unicode);
    for (int p = 0; p <= s.profileCount; ++p) {
        settings::LoadRuleTable(s, file.doc, p);
        CheckRows(s, p, unicode);
        CheckForm(s.profileNames[p], unicode && p > 0, " (name)");
        CheckForm(s.profileTitles[p], unicode, " (title)");
    }

    const host::Snapshot snap = host::LoadSnapshot(path);
    if (snap.profileCount != s.profileCount) fuzz::Fail("the host counts other profiles");
    for (int p = 0; p <= snap.profileCount; ++p) {
        if (snap.profiles[p].name != s.profileNames[p])
            fuzz::Fail("the host names another profile");
        for (int n = 0; n < host::kLibraryRows; ++n) {
            const int k = snap.profiles[p].rules.keys[n];
            if (!(k == 0 || (k >= 1 && k <= 255) || (k >= 1001 && k <= 1255)))
                fuzz::Fail("library key number " + std::to_string(k));
            if (snap.profiles[p].rules.texts[n].size() > host::kMaxTextBytes)
                fuzz::Fail("a library text too long");
        }
    }
    return 0;
}
