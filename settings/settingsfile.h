// The settings file Yorvan2.ini and the editor's in-memory image of it.
#pragma once

#include <stdexcept>
#include <string>

#include "profiledoc.h"

namespace yv::settings {

constexpr int kRuleRows = 102;  // index 0 = the On/Off row, 1..101 = rule rows
constexpr int kMaxProfiles = 10;

struct SettingsState {
    int henstart = 0;
    int numlockon = 0;
    int AplAutoOff = 0;
    int keyCodes[kRuleRows] = {};
    int prevKeyCodes[kRuleRows] = {};
    std::string convData[kRuleRows];
    std::string profileNames[kMaxProfiles + 1];
    std::string profileTitles[kMaxProfiles + 1];
    int currentProfile = 0;
    int profileCount = 0;
    int FormLeft = 0;
    int FormTop = 0;
    int FormHeight = 0;
    int FormWidth = 0;
    int FormMax = 0;
    int dirty = 0;
    int copyPending = 0;
    int endRequested = 0;
};

// Raised when the file system refuses a write; what() is "<path> に書き込めません".
class WriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The seven operations. `path` is the settings file (SettingsPath() in the programs).
void LoadSettings(SettingsState& s, const std::string& path);
void LoadRuleTable(SettingsState& s, const std::string& path, int p);
void SaveSettings(SettingsState& s, const std::string& path);
void SaveWindowPlacement(const SettingsState& s, const std::string& path);
void WriteProfileName(const SettingsState& s, const std::string& path, int p);
void WriteProfileTitle(const SettingsState& s, const std::string& path, int p);
void RemoveProfileSection(SettingsState& s, const std::string& path, int p);

// LoadSettings and LoadRuleTable from a file read once (ReadProfileFile), for a reader that
// takes every profile at once.
void LoadSettings(SettingsState& s, const ProfileDoc& doc);
void LoadRuleTable(SettingsState& s, const ProfileDoc& doc, int p);

// The folder of the running executable followed by "Yorvan2.ini".
std::string SettingsPath();

// The form in which a text is stored as a value: without line breaks, and enclosed in double
// quotes when reading it back would otherwise lose something (blanks or tabs at an end, or a
// pair of enclosing quotes).
std::string StoredText(const std::string& text);

// The key-code rule of reading: a magnitude of 1 to 255 is kept with its sign, all else is 0.
int AcceptKeyCode(int value);

}  // namespace yv::settings
