// Load, save, load: the second load gives the state of the first (the texts of rows without a
// key code excepted, whose lines the save removes), and a second save leaves the file as the
// first one wrote it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "harness.h"
#include "settingsfile.h"

namespace {

using namespace yv;
using settings::SettingsState;

void Compare(const SettingsState& a, const SettingsState& b, const std::string& written) {
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
        if (a.keyCodes[n] != 0 && a.convData[n] != b.convData[n])
            diff += row + " text \"" + fuzz::Shown(a.convData[n]) + "\" -> \"" +
                    fuzz::Shown(b.convData[n]) + "\"; ";
    }
    for (int p = 1; p <= a.profileCount && p <= b.profileCount; ++p) {
        if (a.profileNames[p] != b.profileNames[p]) diff += "name " + std::to_string(p) + "; ";
        if (a.profileTitles[p] != b.profileTitles[p]) diff += "title " + std::to_string(p) + "; ";
    }
    if (!diff.empty())
        fuzz::Fail("load, save, load changed " + diff + "file written: " + fuzz::Shown(written));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzz::ScratchFile();
    fuzz::WriteFile(path, {reinterpret_cast<const char*>(data), size});

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
    return 0;
}
