// The resident host's portable logic: turning stored rule rows into the hook library's rows,
// choosing a profile by window title, and the host's conversion state. No platform headers.
#pragma once

#include <cstdint>
#include <string>

#include "settingsfile.h"

namespace yv::host {

constexpr int kLibraryRows = 101;  // row 0 = the On/Off key, 1..100 = rule rows
constexpr int kMaxTextBytes = 100;
constexpr int kMaxProfiles = settings::kMaxProfiles;

// The rows handed to SetSet: key numbers and texts in the library's forms (Shift-JIS, with
// '?' or a look-alike for what Shift-JIS lacks); and to SetTextsW the same texts in UTF-16, as
// written.
struct RuleSet {
    int keys[kLibraryRows] = {};
    std::string texts[kLibraryRows];
    std::u16string textsW[kLibraryRows];
};

// Stored key code -> library key number: 1..255 unchanged, -n -> 1000 + n, anything else 0.
int KeyNumber(int keyCode);

// The text for a row with library key number `keyNumber` and stored conversion data `data`:
// a one-key token becomes X ':' X and a swap-key token X '|' X on either kind of row, a token
// with code 00 an empty text; anything else stays text, cut to at most 100 bytes without
// splitting a character (one Shift-JIS lacks counts 4 bytes). The result is in the program's
// form; BuildRuleSet makes the library's two forms of it.
std::string LibraryText(int keyNumber, const std::string& data);

// Row 0 from keyCodes[0] with an empty text; rows 1..100 from the loaded rule table
// (row 101 is held by the settings file only and never reaches the library).
RuleSet BuildRuleSet(const settings::SettingsState& s);

// Whether `needle` (non-empty) occurs in `title` starting on a character boundary of the
// program's text, so that a trail byte followed by a lead byte never fakes a match.
bool TitleContains(const std::string& title, const std::string& needle);
// The same in UTF-16, where a match never starts between the two halves of a surrogate pair.
bool TitleContains(const std::u16string& title, const std::u16string& needle);

// Whether a window that came to the front chooses the profile, as the library's activation
// hook judges it: a captioned window with a title, unless it is the settings editor or an
// information box; a window without caption only when it is the desktop ("Program Manager").
bool FollowsWindow(const std::string& title, bool captioned);

struct Profile {
    std::string name;   // display name
    std::string title;  // switching title (Name1); empty = never chosen automatically
    RuleSet rules;
};

// Everything the host takes from the settings file, read once so that notifications are
// answered from memory.
struct Snapshot {
    int henstart = 0;         // 0, 1 or 3
    bool numLockHold = true;  // numlockon 0
    bool autoSwitch = true;   // AplAutoOff 0
    int profileCount = 0;     // application profiles 1..profileCount
    Profile profiles[kMaxProfiles + 1];
    settings::FileEncoding encoding = settings::FileEncoding::kShiftJis;  // of the file read
    settings::FileState file = settings::FileState::kAbsent;
    bool hasConfig = false;   // the file read has a [Config] section
    bool clipRestore = true;  // ClipRestoreOff 0: a paste row gives the clipboard back
};

// Fills a snapshot from a loaded state; `tables[p]` holds profile p's loaded rule table.
Snapshot MakeSnapshot(const settings::SettingsState& options,
                      const settings::SettingsState* tables);

// Reads the settings file at `path`. Never fails: whatever cannot be read keeps its default.
Snapshot LoadSnapshot(const std::string& path);

// The first application profile whose switching title occurs in `windowTitle`, else 0. The
// titles are compared in UTF-16, character for character as today (case counts), whatever
// the system's code page; a program-form title is read as TextToUtf16 reads it.
int ChooseProfile(const Snapshot& s, const std::u16string& windowTitle);
int ChooseProfile(const Snapshot& s, const std::string& windowTitle);

// After the settings were rewritten: the profile that continues `oldNumber` (named `oldName`).
// The same number while it still bears the old name (names need not be unique); else the first
// profile of that name (profiles move down when an earlier one is deleted); else the standard
// profile.
int FollowProfile(const Snapshot& s, int oldNumber, const std::string& oldName);

// The hook library as the host core sees it.
class Library {
  public:
    virtual ~Library() = default;
    virtual void SetRules(std::uint8_t mode, std::uint8_t trackOff, std::uint8_t numLockHold,
                          const RuleSet& rules) = 0;
};

// The host's conversion state. Every change that the library must know goes out through
// Library::SetRules; nothing here blocks.
class HostCore {
  public:
    explicit HostCore(Library& lib) : lib_(lib) {}

    // Takes the settings and loads the start mode with the standard profile, or, when
    // conversion starts on with automatic switching, with the profile of the window in front
    // (its activation happened before the host was there to hear of it).
    void Start(const Snapshot& s, const std::string& foregroundTitle = {});
    // Loads the current mode and profile again (after the hooks were reinstalled).
    void Reapply() { Apply(); }

    // The On/Off key turned conversion off (the library is in mode 0 already).
    void NotifyOff();
    // The On/Off key turned conversion on (the library is in mode 1). When texts are to be
    // typed as keystrokes, mode 3 is loaded again. With automatic switching, the profile follows
    // the window in front, whose activation went unreported while conversion was off.
    void NotifyOn(const std::string& foregroundTitle);
    // An On/Off notice arrived: the library's mode in force says what happened, since anyone
    // can send the notice. Follows it as NotifyOff or NotifyOn would; true when it changed
    // anything.
    bool FollowLibraryMode(int libraryMode, const std::string& foregroundTitle);
    // A window came to the front (reported by the library in mode 1, or seen by the host in
    // any mode). Switches while conversion is on with automatic switching. True when the
    // profile changed.
    bool NotifyActivated(const std::string& windowTitle);

    void SetConversion(bool on);
    void SetAutoSwitch(bool on) { autoSwitch_ = on; }
    // Chooses profile p (0..profileCount) by hand.
    void SelectProfile(int p);
    // Replaces the settings without touching the mode (the reload command).
    void Reload(const Snapshot& s);

    // The settings editor starts: key-learning mode until it ends.
    void BeginEditing();
    // The editor ended: new settings, the mode from before, the active profile followed.
    void EndEditing(const Snapshot& s);

    int mode() const { return mode_; }
    bool conversionOn() const { return mode_ == 1 || mode_ == 3; }
    bool editing() const { return editing_; }
    bool autoSwitch() const { return autoSwitch_; }
    int profile() const { return profile_; }
    const Snapshot& settings() const { return settings_; }

  private:
    void Apply();
    void TakeSettings(const Snapshot& s);

    Library& lib_;
    Snapshot settings_;
    int mode_ = 0;
    int onMode_ = 1;  // 1 = texts as window messages, 3 = as keystrokes
    int modeBeforeEditing_ = 0;
    bool editing_ = false;
    bool autoSwitch_ = true;
    int profile_ = 0;
};

}  // namespace yv::host
