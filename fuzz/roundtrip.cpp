// Load, save, load: the second load gives the state of the first (the texts of rows without a
// key code excepted, whose lines the save removes), and a second save leaves the file as the
// first one wrote it. A file read as Shift-JIS that holds no wide form is written back byte
// for byte. Any Unicode text (the input's bytes as UTF-16) saved as a rule text and a profile
// name reads back as it was.
#include <cstddef>
#include <cstdint>
#include <string>

#include "harness.h"
#include "profiledoc.h"
#include "settingsfile.h"
#include "strutil.h"
#include "textencoding.h"

namespace {

using namespace yv;
using settings::SettingsState;

// Texts the same: byte for byte, or, once the save has turned the file to UTF-8, character for
// character (a Shift-JIS byte or pair that is no character's form is then a '?').
bool Same(const std::string& a, const std::string& b, bool utf8) {
    return utf8 ? settings::TextToUtf16(a) == settings::TextToUtf16(b) : a == b;
}

void Compare(const SettingsState& a, const SettingsState& b, const std::string& written) {
    const bool utf8 = written.starts_with("\xEF\xBB\xBF");
    std::string diff;
    const auto field = [&](const char* name, int x, int y) {
        if (x != y)
            diff += std::string(name) + " " + std::to_string(x) + " -> " + std::to_string(y) + "; ";
    };
    field("henstart", a.henstart, b.henstart);
    field("numlockon", a.numlockon, b.numlockon);
    field("AplAutoOff", a.AplAutoOff, b.AplAutoOff);
    field("FormLeft", a.FormLeft, b.FormLeft);
    field("FormTop", a.FormTop, b.FormTop);
    field("FormHeight", a.FormHeight, b.FormHeight);
    field("FormWidth", a.FormWidth, b.FormWidth);
    field("FormMax", a.FormMax, b.FormMax);
    field("profileCount", a.profileCount, b.profileCount);
    field("currentProfile", a.currentProfile, b.currentProfile);
    for (int n = 0; n < settings::kRuleRows; ++n) {
        const std::string row = "row " + std::to_string(n);
        field((row + " key").c_str(), a.keyCodes[n], b.keyCodes[n]);
        if (a.keyCodes[n] != 0 && !Same(a.convData[n], b.convData[n], utf8))
            diff += row + " text \"" + fuzz::Shown(a.convData[n]) + "\" -> \"" +
                    fuzz::Shown(b.convData[n]) + "\"; ";
    }
    for (int p = 1; p <= a.profileCount && p <= b.profileCount; ++p) {
        if (!Same(a.profileNames[p], b.profileNames[p], utf8))
            diff += "name " + std::to_string(p) + "; ";
        if (!Same(a.profileTitles[p], b.profileTitles[p], utf8))
            diff += "title " + std::to_string(p) + "; ";
    }
    if (!diff.empty())
        fuzz::Fail("load, save, load changed " + diff + "file written: " + fuzz::Shown(written));
}

// What a read of `text` saved as a value gives: without line breaks, cut to a whole character.
std::string AsRead(std::string text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text.substr(0, settings::CharBoundaryAtOrBefore(text, settings::kMaxValueBytes));
}

void UnicodeTextsReadBack(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::u16string units(size / 2, u'\0');
    for (std::size_t k = 0; k < units.size(); ++k)
        units[k] = static_cast<char16_t>(data[2 * k] | data[2 * k + 1] << 8);
    const std::string text = settings::TextFromUtf16(units);
    SettingsState s;
    settings::LoadSettings(s, path);
    s.keyCodes[1] = 65;
    s.convData[1] = text;
    settings::SaveSettings(s, path);
    // A profile's name is the profile: an empty one would leave it out.
    const std::string name = AsRead(text).empty() ? "x" + text : text;
    s.profileNames[1] = name;
    settings::WriteProfileName(s, path, 1);
    SettingsState back;
    back.currentProfile = s.currentProfile;
    settings::LoadSettings(back, path);
    const std::string written = fuzz::ReadFile(path);
    if (back.convData[1] != AsRead(text))
        fuzz::Fail("a rule text read back otherwise: " + fuzz::Shown(text) + " -> " +
                   fuzz::Shown(back.convData[1]) + "; file written: " + fuzz::Shown(written));
    const settings::ProfileDoc doc = settings::ReadProfileFile(path).doc;
    if (doc.GetString("Apl1", "Name") != AsRead(name))
        fuzz::Fail("a profile name read back otherwise: " + fuzz::Shown(name) +
                   "; file written: " + fuzz::Shown(written));
    if (settings::HoldsWideForm(text) && !written.starts_with("\xEF\xBB\xBF"))
        fuzz::Fail("a character Shift-JIS lacks written in Shift-JIS: " + fuzz::Shown(written));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzz::ScratchFile();
    const std::string input(reinterpret_cast<const char*>(data), size);
    fuzz::WriteFile(path, input);

    // Shift-JIS only: written as read, whatever else the file holds.
    if (const settings::ProfileFile read = settings::ReadProfileFile(path);
        read.encoding == settings::FileEncoding::kShiftJis &&
        !settings::HoldsWideForm(read.doc.Serialize())) {
        if (!settings::WriteProfileFile(read.doc, path)) fuzz::Fail("the write failed");
        if (fuzz::ReadFile(path) != input)
            fuzz::Fail("a Shift-JIS file written back changed: " + fuzz::Shown(input));
    }

    SettingsState first;
    first.currentProfile = static_cast<int>(size % 11);
    settings::LoadSettings(first, path);
    // A change, so that the save writes whatever the file holds in Shift-JIS.
    first.henstart = first.henstart == 0 ? 1 : 0;
    settings::SaveSettings(first, path);
    const std::string written = fuzz::ReadFile(path);

    SettingsState second;
    second.currentProfile = first.currentProfile;
    settings::LoadSettings(second, path);
    Compare(first, second, written);

    settings::SaveSettings(second, path);
    const std::string again = fuzz::ReadFile(path);
    if (again != written)
        fuzz::Fail("a second save changed the file:\n  " + fuzz::Shown(written) + "\n  " +
                   fuzz::Shown(again));

    UnicodeTextsReadBack(path, data, size);
    return 0;
}
