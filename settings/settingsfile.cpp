#include "settingsfile.h"

#include "fsseam.h"
#include "profiledoc.h"

namespace yv::settings {

namespace {

constexpr const char* kConfig = "Config";
constexpr int kLastRow = kRuleRows - 1;

std::string AplSection(int p) { return "Apl" + std::to_string(p); }
std::string RowKey(int n) { return "key" + std::to_string(n); }
std::string RowData(int n) { return "data" + std::to_string(n); }

[[noreturn]] void ThrowWriteError(const std::string& path) {
    throw WriteError(path + " に書き込めません");
}

// A file that exists but cannot be read must not be replaced by what little we would write.
ProfileDoc ReadForUpdate(const std::string& path) {
    ProfileFile file = ReadProfileFile(path);
    if (file.state == FileState::kUnreadable) ThrowWriteError(path);
    return std::move(file.doc);
}

// An operation that changed nothing in the file writes nothing.
void Commit(const ProfileDoc& doc, const std::string& path) {
    if (doc.changed() && !WriteProfileFile(doc, path)) ThrowWriteError(path);
}

int ReadFlag(const ProfileDoc& doc, const char* key) {
    return doc.GetInt(kConfig, key) == 1 ? 1 : 0;
}

// A profile number the file does not hold means the standard profile.
std::string RowSection(const SettingsState& s, int p) {
    return p >= 1 && p <= s.profileCount ? AplSection(p) : std::string(kConfig);
}

void LoadRows(const ProfileDoc& doc, SettingsState& s, const std::string& section) {
    for (int n = 1; n <= kLastRow; ++n) {
        s.keyCodes[n] = AcceptKeyCode(doc.GetInt(section, RowKey(n)));
        s.prevKeyCodes[n] = s.keyCodes[n];
        s.convData[n] = doc.GetString(section, RowData(n));
    }
}

}  // namespace

int AcceptKeyCode(int value) { return value >= -255 && value <= 255 ? value : 0; }

std::string StoredText(const std::string& source) {
    // A value is one line; a line break would let the rest of the text pose as another key or
    // section, so line breaks are dropped before anything else. CR and LF are never trail bytes.
    std::string text = source;
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    if (text.empty()) return text;
    const char first = text.front(), last = text.back();
    const bool edgeBlank = first == ' ' || first == '\t' || last == ' ' || last == '\t';
    const bool enclosed = text.size() >= 2 && (first == '"' || first == '\'') && last == first;
    return edgeBlank || enclosed ? "\"" + text + "\"" : text;
}

void LoadSettings(SettingsState& s, const std::string& path) {
    LoadSettings(s, ReadProfileFile(path).doc);
}

void LoadSettings(SettingsState& s, const ProfileDoc& doc) {
    const int henstart = doc.GetInt(kConfig, "henstart");
    s.henstart = henstart == 1 || henstart == 3 ? henstart : 0;
    s.numlockon = ReadFlag(doc, "numlockon");
    s.AplAutoOff = ReadFlag(doc, "AplAutoOff");
    s.keyCodes[0] = AcceptKeyCode(doc.GetInt(kConfig, "key0"));
    s.prevKeyCodes[0] = s.keyCodes[0];
    s.convData[0].clear();
    s.FormLeft = doc.GetInt(kConfig, "FormLeft");
    s.FormTop = doc.GetInt(kConfig, "FormTop");
    s.FormHeight = doc.GetInt(kConfig, "FormHeight");
    s.FormWidth = doc.GetInt(kConfig, "FormWidth");
    s.FormMax = ReadFlag(doc, "FormMax");

    s.profileCount = 0;
    for (int p = 1; p <= kMaxProfiles; ++p) {
        std::string name = doc.GetString(AplSection(p), "Name");
        if (name.empty()) continue;
        ++s.profileCount;
        s.profileNames[s.profileCount] = std::move(name);
        s.profileTitles[s.profileCount] = doc.GetString(AplSection(p), "Name1");
    }
    s.profileNames[0] = "標　準";
    if (s.currentProfile < 0 || s.currentProfile > s.profileCount) s.currentProfile = 0;
    LoadRows(doc, s, RowSection(s, s.currentProfile));
    s.dirty = 0;
}

void LoadRuleTable(SettingsState& s, const std::string& path, int p) {
    LoadRuleTable(s, ReadProfileFile(path).doc, p);
}

void LoadRuleTable(SettingsState& s, const ProfileDoc& doc, int p) {
    LoadRows(doc, s, RowSection(s, p));
}

void SaveSettings(SettingsState& s, const std::string& path) {
    ProfileDoc doc = ReadForUpdate(path);
    doc.SetInt(kConfig, "henstart", s.henstart);
    doc.SetInt(kConfig, "numlockon", s.numlockon);
    doc.SetInt(kConfig, "AplAutoOff", s.AplAutoOff);
    if (s.keyCodes[0] == 0) {
        doc.DeleteKey(kConfig, "key0");
    } else {
        doc.SetInt(kConfig, "key0", s.keyCodes[0]);
    }
    const std::string section = RowSection(s, s.currentProfile);
    for (int n = 1; n <= kLastRow; ++n) {
        if (s.keyCodes[n] == 0) {
            doc.DeleteKey(section, RowKey(n));
            doc.DeleteKey(section, RowData(n));
        } else {
            doc.SetInt(section, RowKey(n), s.keyCodes[n]);
            doc.SetString(section, RowData(n), StoredText(s.convData[n]));
        }
    }
    Commit(doc, path);
    s.dirty = 0;
}

void SaveWindowPlacement(const SettingsState& s, const std::string& path) {
    ProfileDoc doc = ReadForUpdate(path);
    doc.SetInt(kConfig, "FormLeft", s.FormLeft);
    doc.SetInt(kConfig, "FormTop", s.FormTop);
    doc.SetInt(kConfig, "FormHeight", s.FormHeight);
    doc.SetInt(kConfig, "FormWidth", s.FormWidth);
    doc.SetInt(kConfig, "FormMax", s.FormMax);
    Commit(doc, path);
}

void WriteProfileName(const SettingsState& s, const std::string& path, int p) {
    if (p < 1 || p > kMaxProfiles) return;
    ProfileDoc doc = ReadForUpdate(path);
    doc.SetString(AplSection(p), "Name", StoredText(s.profileNames[p]));
    Commit(doc, path);
}

void WriteProfileTitle(const SettingsState& s, const std::string& path, int p) {
    if (p < 1 || p > kMaxProfiles) return;
    ProfileDoc doc = ReadForUpdate(path);
    doc.SetString(AplSection(p), "Name1", StoredText(s.profileTitles[p]));
    Commit(doc, path);
}

void RemoveProfileSection(SettingsState& s, const std::string& path, int p) {
    if (p < 1 || p > s.profileCount) return;
    ProfileDoc doc = ReadForUpdate(path);
    // The state changes only once the file holds the result.
    SettingsState next = s;
    for (int i = p; i < next.profileCount; ++i) {
        next.profileNames[i] = next.profileNames[i + 1];
        next.profileTitles[i] = next.profileTitles[i + 1];
        const std::string from = AplSection(i + 1), to = AplSection(i);
        doc.SetString(to, "Name", StoredText(doc.GetString(from, "Name")));
        doc.SetString(to, "Name1", StoredText(doc.GetString(from, "Name1")));
        for (int n = 1; n <= kLastRow; ++n) {
            const int key = doc.GetInt(from, RowKey(n));
            if (key == 0) {
                doc.DeleteKey(to, RowKey(n));
                doc.DeleteKey(to, RowData(n));
            } else {
                doc.SetInt(to, RowKey(n), key);
                doc.SetString(to, RowData(n), StoredText(doc.GetString(from, RowData(n))));
            }
        }
    }
    next.profileNames[next.profileCount].clear();
    next.profileTitles[next.profileCount].clear();
    doc.EraseSection(AplSection(next.profileCount));
    --next.profileCount;
    for (int n = 0; n <= kLastRow; ++n) {
        next.keyCodes[n] = AcceptKeyCode(doc.GetInt(kConfig, RowKey(n)));
        next.prevKeyCodes[n] = next.keyCodes[n];
        next.convData[n] = n == 0 ? std::string() : doc.GetString(kConfig, RowData(n));
    }
    Commit(doc, path);
    s = std::move(next);
}

std::string SettingsPath() { return fs::ExecutableDirectory() + "Yorvan2.ini"; }

}  // namespace yv::settings
