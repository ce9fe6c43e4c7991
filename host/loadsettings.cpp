// Reading the settings file into a snapshot, through the settings module.
#include <exception>
#include <memory>

#include "hostcore.h"

namespace yv::host {

Snapshot LoadSnapshot(const std::string& path) {
    auto options = std::make_unique<settings::SettingsState>();
    auto tables = std::make_unique<settings::SettingsState[]>(kMaxProfiles + 1);
    // The file is read once for the options and every profile's rule table. A file the
    // settings module cannot make sense of leaves the defaults: the host runs anyway.
    settings::ProfileFile file;
    try {
        file = settings::ReadProfileFile(path);
        settings::LoadSettings(*options, file.doc);
    } catch (const std::exception&) {
        file = settings::ProfileFile{};
        *options = settings::SettingsState{};
    }
    if (options->profileCount < 0 || options->profileCount > kMaxProfiles) {
        options->profileCount = 0;
    }
    tables[0] = *options;
    for (int p = 1; p <= options->profileCount; ++p) {
        // The rule table of profile p is looked up within the profiles the state knows.
        tables[p] = *options;
        try {
            settings::LoadRuleTable(tables[p], file.doc, p);
        } catch (const std::exception&) {
            tables[p] = settings::SettingsState{};
        }
    }
    Snapshot snap = MakeSnapshot(*options, tables.get());
    snap.encoding = file.encoding;
    snap.file = file.state;
    snap.hasConfig = file.doc.HasSection("Config");
    snap.clipRestore = file.doc.GetInt("Config", "ClipRestoreOff", 0) != 1;
    return snap;
}

}  // namespace yv::host
