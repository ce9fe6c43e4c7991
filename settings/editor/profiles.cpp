#include "profiles.h"

#include <string>
#include <vector>

#include "strutil.h"

namespace yv::editor {
namespace {

AplNameSource g_aplNameSource = nullptr;

constexpr int kNameBytes = 20;
constexpr int kTitleBuffer = 101;

constexpr char kLimitText[] =
    "現在の登録数は１０です\r\nこれ以上の新規登録はできません\r\n"
    "新規設定をするには他の設定を削除してください";
constexpr char kAskSave[] = "現在の設定を登録しますか";
constexpr char kSaved[] = "現在の設定を登録しました";
constexpr char kNamePrompt[] = "名前を半角２０文字以内で入力";
constexpr char kAskAutoSwitch[] = "自動切替の設定を行いますか";
constexpr char kActivateNotice[] =
    "該当のアプリケーションを起動した後、\r\n【はい】をクリックしてください\r\n"
    "アプリケーション名を取得できなかった場合は、\r\n"
    "該当のアプリケーションをいったん最小化して\r\n"
    "元のサイズに戻してから【はい】をクリックしてください";
constexpr char kNoTitle[] =
    "アプリケーション名を取得できませんでした\r\n"
    "【はい】を押す前に、該当のアプリケーションをいったん最小化して\r\n"
    "元のサイズに戻してから【はい】をクリックしてください";

constexpr char kNoOtherWindow[] =
    "ほかのアプリケーションのウィンドウが手前にありません\r\n"
    "該当のアプリケーションをクリックして手前に表示してから\r\n"
    "【はい】をクリックしてください";

// The captions of the editor's own windows that the library records like any other (it leaves
// out the main window and the boxes titled 情報 itself): they are never another program's.
bool OwnTitle(const std::string& title) {
    static const char* const kOwn[] = {kAppTitle,
                                       "情報",
                                       "エラー",
                                       "新規表示用アプリケーション名",
                                       "表示用アプリケーション名",
                                       "自動切替設定",
                                       "ホームページ"};
    for (const char* own : kOwn) {
        if (title == own) return true;
    }
    return false;
}

// The title of the most recently activated window, as the hook library records it.
std::string LatestTitle() {
    char entry0[kTitleBuffer] = {};
    char entry1[kTitleBuffer] = {};
    char* out[2] = {entry0, entry1};
    if (g_aplNameSource != nullptr) g_aplNameSource(out);
    entry0[kTitleBuffer - 1] = '\0';  // a full buffer still ends here
    return entry0;
}

}  // namespace

void SetAplNameSource(AplNameSource source) { g_aplNameSource = source; }

Answer Profiles::Notice(BoxKind kind, const char* text) {
    return ed_.view().Box(kind, text, BoxButtons::kYes);
}

void Profiles::SetCombo(int index, bool setText, bool setIndex) {
    settingCombo_ = true;
    if (setText) ed_.view().SetComboText(ed_.state.profileNames[index]);
    if (setIndex) ed_.view().SetComboIndex(index);
    settingCombo_ = false;
}

void Profiles::ShowProfileList() {
    const auto& s = ed_.state;
    std::vector<std::string> names(s.profileNames, s.profileNames + s.profileCount + 1);
    settingCombo_ = true;
    ed_.view().SetProfileList(names);
    settingCombo_ = false;
}

// The save question before a command that writes the rows elsewhere. False when the command
// is to stop: the file had changed outside and was read again, or the question about it closed.
bool Profiles::AskSave() {
    if (ed_.state.dirty != 1) return true;
    if (ed_.view().Box(BoxKind::kInfo, kAskSave, BoxButtons::kYesNo) != Answer::kYes) return true;
    if (!MayWrite()) return false;
    settings::SaveSettings(ed_.state, ed_.settingsPath());
    ed_.TookFile();
    Notice(BoxKind::kInfo, kSaved);
    return true;
}

// The editor's check before a write; a reload it makes rebuilds Comb1, which starts nothing.
bool Profiles::MayWrite() {
    settingCombo_ = true;
    const bool may = ed_.MayWrite();
    settingCombo_ = false;
    return may;
}

void Profiles::Comb1Change() {
    if (settingCombo_) return;
    auto& s = ed_.state;
    int selected = ed_.view().ComboIndex();
    if (selected < 0 || selected > s.profileCount) {
        selected = 0;
        SetCombo(0, false, true);
    }
    if (s.copyPending == 1) {
        CompleteCopy(selected);
    } else {
        SwitchTo(selected);
    }
}

void Profiles::SwitchTo(int profile) {
    auto& s = ed_.state;
    s.currentProfile = profile;
    SetCombo(profile, true, false);
    settings::LoadRuleTable(s, ed_.settingsPath(), profile);
    ed_.RefreshView();
    ed_.view().FocusGrid();
}

void Profiles::Copy1Click() {
    ed_.state.copyPending = 1;
    Notice(BoxKind::kInfo, "リストを表示させてコピー先のアプリケーションを指定してください");
}

void Profiles::CompleteCopy(int target) {
    auto& s = ed_.state;
    View& view = ed_.view();
    s.copyPending = 0;
    if (target == s.currentProfile) {
        Notice(BoxKind::kError, "コピー元とコピー先が同じです");
        view.FocusGrid();
        return;
    }
    if (!AskSave()) return;
    const std::string question = "現在の設定を【" + s.profileNames[target] + "】にコピーしますか";
    if (view.Box(BoxKind::kInfo, question, BoxButtons::kYesNo) == Answer::kNo) {
        SetCombo(s.currentProfile, true, true);
        view.FocusGrid();
        return;
    }
    if (!MayWrite()) return;
    // The rows in memory go into the target's section: SaveSettings writes the current one.
    s.currentProfile = target;
    settings::SaveSettings(s, ed_.settingsPath());
    ed_.TookFile();
    ed_.RefreshView();
    Notice(BoxKind::kInfo, "コピーしました");
    ed_.GridReset();
}

void Profiles::New1Click() {
    auto& s = ed_.state;
    View& view = ed_.view();
    if (s.profileCount >= settings::kMaxProfiles) {
        Notice(BoxKind::kError, kLimitText);
        return;
    }
    if (!AskSave()) return;
    const auto text = view.InputBox("新規表示用アプリケーション名", kNamePrompt, "");
    if (!text || text->empty()) {
        view.FocusGrid();
        return;
    }
    // Checked again: the input box may have stayed open while the file was edited.
    if (!MayWrite()) return;
    const int n = ++s.profileCount;
    s.profileNames[n] = settings::LeftPart(*text, kNameBytes);
    s.profileTitles[n].clear();  // a slot freed by an earlier delete holds nothing
    ShowProfileList();
    s.currentProfile = n;
    SetCombo(n, true, true);
    settings::WriteProfileName(s, ed_.settingsPath(), n);
    // The rows shown so far, unsaved changes included, become the new profile's rows.
    settings::SaveSettings(s, ed_.settingsPath());
    ed_.TookFile();
    if (view.Box(BoxKind::kInfo, kAskAutoSwitch, BoxButtons::kYesNo) == Answer::kYes) A1Click();
}

void Profiles::Name1Click() {
    auto& s = ed_.state;
    View& view = ed_.view();
    if (s.currentProfile == 0) {
        Notice(BoxKind::kError, "標準設定名を変更することはできません");
        return;
    }
    const int p = s.currentProfile;
    const auto text = view.InputBox("表示用アプリケーション名", kNamePrompt, s.profileNames[p]);
    if (text && !text->empty()) {
        if (!MayWrite()) return;
        s.profileNames[p] = settings::LeftPart(*text, kNameBytes);
        ShowProfileList();
        SetCombo(p, true, true);
        settings::WriteProfileName(s, ed_.settingsPath(), p);
        ed_.TookFile();
    }
    view.FocusGrid();
}

void Profiles::Del1Click() {
    auto& s = ed_.state;
    if (s.currentProfile == 0) {
        Notice(BoxKind::kError, "標準設定は削除できません");
        return;
    }
    const std::string question = "【" + s.profileNames[s.currentProfile] + "】を削除しますか";
    if (ed_.view().Box(BoxKind::kInfo, question, BoxButtons::kYesNo) == Answer::kNo) return;
    if (!MayWrite()) return;
    settings::RemoveProfileSection(s, ed_.settingsPath(), s.currentProfile);
    ed_.TookFile();
    ShowProfileList();
    s.currentProfile = 0;
    SetCombo(0, true, true);
    ed_.RefreshView();
    Notice(BoxKind::kInfo, "削除しました");
    ed_.GridReset();
}

void Profiles::Comb1KeyDown() { ed_.view().FocusGrid(); }

void Profiles::A1Click() {
    auto& s = ed_.state;
    View& view = ed_.view();
    if (s.currentProfile == 0) {
        Notice(BoxKind::kError, "標準設定には自動切替設定はできません");
        return;
    }
    std::string title;
    for (;;) {
        const Answer answer = Notice(BoxKind::kInfo, kActivateNotice);
        title = LatestTitle();
        // One of the editor's own windows was the last one activated: no other program's.
        const bool own = OwnTitle(title);
        if (!title.empty() && !own) break;
        // However the notice was closed, a recorded title goes on to the input box; only
        // with none recorded is closing it the way out, as the library may record no titles.
        if (answer == Answer::kClosed) return;
        view.Box(BoxKind::kError, own ? kNoOtherWindow : kNoTitle, BoxButtons::kOk);
    }
    const auto text =
        view.InputBox("自動切替設定", "取得したアプリケーション名を修正できます", title);
    if (!text || text->empty()) return;
    if (!MayWrite()) return;
    const int p = s.currentProfile;
    s.profileTitles[p] = *text;
    settings::WriteProfileTitle(s, ed_.settingsPath(), p);
    ed_.TookFile();
}

}  // namespace yv::editor
