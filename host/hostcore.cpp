#include "hostcore.h"

#include <cstring>

#include "keynames.h"
#include "strutil.h"
#include "textencoding.h"

namespace yv::host {

int KeyNumber(int keyCode) {
    if (keyCode >= 1 && keyCode <= 255) return keyCode;
    if (keyCode >= -255 && keyCode <= -1) return 1000 - keyCode;
    return 0;
}

std::string LibraryText(int keyNumber, const std::string& data) {
    if (keyNumber == 0) return {};
    // Tokens become their byte forms whatever the row; the library decides what the form does
    // on that kind of row. Code 0 cannot be carried (the library's texts end at the first NUL):
    // such a token disables its key, like an empty text.
    const settings::KeyToken token = settings::ParseKeyToken(data);
    if (token.kind != settings::TokenKind::kText && token.code >= 0 && token.code <= 255) {
        if (token.code == 0) return {};
        const char x = static_cast<char>(token.code);
        return {x, token.kind == settings::TokenKind::kOneKey ? ':' : '|', x};
    }
    // The library copies at most 100 bytes, and a cut double-byte character would type garbage.
    std::string text = settings::LeftPart(data, kMaxTextBytes);
    // A NUL inside would end the text early in the library anyway; keep what it would see.
    std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

RuleSet BuildRuleSet(const settings::SettingsState& s) {
    RuleSet r;
    r.keys[0] = KeyNumber(s.keyCodes[0]);
    for (int i = 1; i < kLibraryRows; ++i) {
        r.keys[i] = KeyNumber(s.keyCodes[i]);
        const std::string text = LibraryText(r.keys[i], s.convData[i]);
        r.texts[i] = settings::PlainShiftJis(text);
        r.textsW[i] = settings::TextToUtf16(text);
    }
    return r;
}

bool TitleContains(const std::string& title, const std::string& needle) {
    if (needle.empty() || needle.size() > title.size()) return false;
    std::size_t i = 0;
    while (i + needle.size() <= title.size()) {
        if (std::memcmp(title.data() + i, needle.data(), needle.size()) == 0) return true;
        i += settings::CharLengthAt(title, i);
    }
    return false;
}

bool TitleContains(const std::u16string& title, const std::u16string& needle) {
    if (needle.empty() || needle.size() > title.size()) return false;
    for (std::size_t i = 0; i + needle.size() <= title.size(); ++i) {
        const bool insidePair = i > 0 && title[i] >= 0xDC00 && title[i] <= 0xDFFF &&
                                title[i - 1] >= 0xD800 && title[i - 1] <= 0xDBFF;
        if (!insidePair && title.compare(i, needle.size(), needle) == 0) return true;
    }
    return false;
}

bool FollowsWindow(const std::string& title, bool captioned) {
    if (title.empty()) return false;
    if (!captioned) return TitleContains(title, "Program Manager");
    return !TitleContains(title, "情報") && !TitleContains(title, "Yorvan2変換設定");
}

Snapshot MakeSnapshot(const settings::SettingsState& options,
                      const settings::SettingsState* tables) {
    Snapshot snap;
    snap.henstart = (options.henstart == 1 || options.henstart == 3) ? options.henstart : 0;
    snap.numLockHold = options.numlockon != 1;
    snap.autoSwitch = options.AplAutoOff != 1;
    int count = options.profileCount;
    if (count < 0) count = 0;
    if (count > kMaxProfiles) count = kMaxProfiles;
    snap.profileCount = count;
    for (int p = 0; p <= count; ++p) {
        Profile& prof = snap.profiles[p];
        prof.name = options.profileNames[p];
        prof.title = p == 0 ? std::string() : options.profileTitles[p];
        prof.rules = BuildRuleSet(tables[p]);
        // The On/Off key is one for all profiles.
        prof.rules.keys[0] = KeyNumber(options.keyCodes[0]);
    }
    return snap;
}

int ChooseProfile(const Snapshot& s, const std::u16string& windowTitle) {
    for (int p = 1; p <= s.profileCount; ++p) {
        // Converted at each activation, which comes at the user's pace.
        if (TitleContains(windowTitle, settings::TextToUtf16(s.profiles[p].title))) return p;
    }
    return 0;
}

int ChooseProfile(const Snapshot& s, const std::string& windowTitle) {
    return ChooseProfile(s, settings::TextToUtf16(windowTitle));
}

int FollowProfile(const Snapshot& s, int oldNumber, const std::string& oldName) {
    if (oldNumber <= 0) return 0;
    // Two profiles may share a display name: the number decides while its name still fits.
    if (oldNumber <= s.profileCount && s.profiles[oldNumber].name == oldName) return oldNumber;
    for (int p = 1; p <= s.profileCount; ++p) {
        if (s.profiles[p].name == oldName) return p;
    }
    return 0;
}

void HostCore::TakeSettings(const Snapshot& s) {
    settings_ = s;
    if (s.henstart == 1 || s.henstart == 3) onMode_ = s.henstart;
}

void HostCore::Apply() {
    lib_.SetRules(static_cast<std::uint8_t>(mode_), 0, settings_.numLockHold ? 1 : 0,
                  settings_.profiles[profile_].rules);
}

void HostCore::Start(const Snapshot& s, const std::string& foregroundTitle) {
    TakeSettings(s);
    mode_ = s.henstart;
    autoSwitch_ = s.autoSwitch;
    profile_ = conversionOn() && autoSwitch_ ? ChooseProfile(settings_, foregroundTitle) : 0;
    editing_ = false;
    Apply();
}

void HostCore::NotifyOff() {
    if (editing_) return;
    mode_ = 0;
}

void HostCore::NotifyOn(const std::string& foregroundTitle) {
    if (editing_) return;
    mode_ = onMode_;
    int p = autoSwitch_ ? ChooseProfile(settings_, foregroundTitle) : profile_;
    if (mode_ != 1 || p != profile_) {
        profile_ = p;
        Apply();
    }
}

bool HostCore::FollowLibraryMode(int libraryMode, const std::string& foregroundTitle) {
    if (editing_) return false;
    const bool libraryOn = libraryMode == 1 || libraryMode == 3;
    if (libraryOn == conversionOn()) return false;  // a notice with nothing behind it
    if (libraryOn)
        NotifyOn(foregroundTitle);
    else
        NotifyOff();
    return true;
}

bool HostCore::NotifyActivated(const std::string& windowTitle) {
    if (editing_ || !conversionOn() || !autoSwitch_) return false;
    int p = ChooseProfile(settings_, windowTitle);
    if (p == profile_) return false;
    profile_ = p;
    Apply();
    return true;
}

void HostCore::SetConversion(bool on) {
    if (editing_) return;
    mode_ = on ? onMode_ : 0;
    Apply();
}

void HostCore::SelectProfile(int p) {
    if (editing_ || p < 0 || p > settings_.profileCount || p == profile_) return;
    profile_ = p;
    Apply();
}

void HostCore::Reload(const Snapshot& s) {
    if (editing_) return;
    std::string oldName = settings_.profiles[profile_].name;
    TakeSettings(s);
    profile_ = FollowProfile(settings_, profile_, oldName);
    if (conversionOn()) mode_ = onMode_;
    Apply();
}

void HostCore::BeginEditing() {
    if (editing_) return;
    modeBeforeEditing_ = mode_;
    editing_ = true;
    mode_ = 2;
    Apply();
}

void HostCore::EndEditing(const Snapshot& s) {
    if (!editing_) return;
    editing_ = false;
    mode_ = modeBeforeEditing_;
    Reload(s);
}

}  // namespace yv::host
