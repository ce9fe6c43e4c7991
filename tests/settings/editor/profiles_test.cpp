// Transcripts of the profile box and the menus "アプリケーション設定" and "自動切替設定": a
// settings file goes in, a script of user actions runs against the fake view, and the view's
// log, the profile state and the settings file are compared.
//
// Script tokens:
//   new rename copy del auto   the menu items 新　規 名前変更 コピー 削　除 自動切替設定
//   pick:N      the user chooses entry N of Comb1     key  a key goes down in Comb1
//   box:ANSWER  the next box's answer (Yes No Closed); unscripted boxes answer Yes
//   in:TEXT     the next input box is confirmed with TEXT ('_' stands for a blank); in:- cancels
//   apl:TITLE   the title the hook library records next; apl:- an empty one
//   edit:R=TEXT the user changes rule row R in the grid (key A when the row had none)
//   noisy       from here on the window reports the editor's own changes of Comb1 too
//   onoff:VK    the user captures VK as the On/Off key (unsaved)
//   hand:TEXT   another program writes TEXT into the file ('|' ends a line)
//   handin:TEXT the same, while the next input box is open
//   ?combo ?onoff   log what Comb1 shows, the On/Off key in memory
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fake_view.h"
#include "profiles.h"

namespace yv::editor::testing {
namespace {

using Lines = std::vector<std::string>;

std::deque<std::string> g_titles;

// getaplname: entry 0 the next scripted title, entry 1 something the editor must not use.
// A title "*" fills all 101 bytes of entry 0 without a terminating zero.
void FakeAplName(char** out) {
    std::string t = g_titles.empty() ? "" : g_titles.front();
    if (!g_titles.empty()) g_titles.pop_front();
    if (t == "*") {
        std::memset(out[0], 'y', 101);
    } else {
        std::snprintf(out[0], 101, "%s", t.c_str());
    }
    std::snprintf(out[1], 101, "%s", "entry 1");
}

// A window that also reports changes of Comb1 made by the program, when `noisy`.
class ComboView : public FakeView {
  public:
    Profiles* profiles = nullptr;
    bool noisy = false;
    std::string path;
    std::optional<std::string> handWhileInput;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override {
        if (handWhileInput) std::ofstream(path, std::ios::binary) << *handWhileInput;
        handWhileInput.reset();
        return FakeView::InputBox(caption, prompt, initial);
    }
    void SetProfileList(const std::vector<std::string>& names) override {
        FakeView::SetProfileList(names);
        comboIndex = -1;  // a rebuilt list has no selection
        Report();
    }
    void SetComboText(const std::string& text) override {
        FakeView::SetComboText(text);
        Report();
    }
    void SetComboIndex(int index) override {
        FakeView::SetComboIndex(index);
        Report();
    }

  private:
    void Report() {
        if (noisy && profiles != nullptr) profiles->Comb1Change();
    }
};

const std::pair<std::string, std::string> kTags[] = {
    {"現在の登録数は１０です\r\nこれ以上の新規登録はできません\r\n"
     "新規設定をするには他の設定を削除してください",
     "<limit>"},
    {"該当のアプリケーションを起動した後、\r\n【はい】をクリックしてください\r\n"
     "アプリケーション名を取得できなかった場合は、\r\n"
     "該当のアプリケーションをいったん最小化して\r\n"
     "元のサイズに戻してから【はい】をクリックしてください",
     "<activate>"},
    {"アプリケーション名を取得できませんでした\r\n"
     "【はい】を押す前に、該当のアプリケーションをいったん最小化して\r\n"
     "元のサイズに戻してから【はい】をクリックしてください",
     "<no title>"},
    {"リストを表示させてコピー先のアプリケーションを指定してください", "<pick target>"},
    {"ほかのアプリケーションのウィンドウが手前にありません\r\n"
     "該当のアプリケーションをクリックして手前に表示してから\r\n"
     "【はい】をクリックしてください",
     "<no other window>"},
    {"名前を半角２０文字以内で入力", "<name prompt>"},
};

struct Case {
    const char* name;
    const char* ini;  // '|' ends a line
    const char* arg;  // the command line: the profile shown at start, plus one
    const char* script;
    Lines log;
    std::string state;  // Summary()
    std::string file;   // '|' ends a line; kUnchanged: as before
};

constexpr char kUnchanged[] = "(unchanged)";

std::string Crlf(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) out += *p == '|' ? std::string("\r\n") : std::string(1, *p);
    return out;
}

std::string Bars(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\r\n") == 0) {
            out += '|';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The profile fields and the first rule row: "p=1 n=2 dirty=0 copy=0 [標　準,a:t,b] 1=A:x".
std::string Summary(const settings::SettingsState& s) {
    std::string out = "p=" + std::to_string(s.currentProfile) +
                      " n=" + std::to_string(s.profileCount) + " dirty=" + std::to_string(s.dirty) +
                      " copy=" + std::to_string(s.copyPending) + " [";
    for (int i = 0; i <= s.profileCount; ++i) {
        out += (i ? "," : "") + s.profileNames[i];
        if (i > 0 && !s.profileTitles[i].empty()) out += ":" + s.profileTitles[i];
    }
    return out + "] 1=" + std::to_string(s.keyCodes[1]) + ":" + s.convData[1];
}

class ProfileTranscript : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("yv-profiles-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "Yorvan2.ini").string();
        g_titles.clear();
        SetAplNameSource(&FakeAplName);
    }
    void TearDown() override {
        SetAplNameSource(nullptr);
        std::filesystem::remove_all(dir_);
    }

    void Run(const std::function<void()>& handler) {
        view_.gridFocused = false;  // the menu or the combo has the focus
        editor_->RunHandler(handler);
    }

    void Step(const std::string& tok) {
        const auto colon = tok.find(':');
        const std::string verb = tok.substr(0, colon);
        std::string arg = colon == std::string::npos ? "" : tok.substr(colon + 1);
        for (char& c : arg) c = c == '_' ? ' ' : c;
        Profiles& p = *profiles_;
        auto& s = editor_->state;
        if (verb == "new") {
            Run([&] { p.New1Click(); });
        } else if (verb == "rename") {
            Run([&] { p.Name1Click(); });
        } else if (verb == "copy") {
            Run([&] { p.Copy1Click(); });
        } else if (verb == "del") {
            Run([&] { p.Del1Click(); });
        } else if (verb == "auto") {
            Run([&] { p.A1Click(); });
        } else if (verb == "pick") {
            const int n = std::stoi(arg);
            view_.comboIndex = n;  // -1: the text was edited, no entry is selected
            if (n >= 0) view_.comboText = view_.profileList.at(n);
            Run([&] { p.Comb1Change(); });
        } else if (verb == "key") {
            Run([&] { p.Comb1KeyDown(); });
        } else if (verb == "box") {
            view_.AnswerNext(arg == "No"       ? Answer::kNo
                             : arg == "Closed" ? Answer::kClosed
                                               : Answer::kYes);
        } else if (verb == "in") {
            view_.InputNext(arg == "-" ? std::nullopt : std::optional<std::string>(arg));
        } else if (verb == "hand") {
            std::ofstream(path_, std::ios::binary) << Crlf(arg.c_str());
        } else if (verb == "handin") {
            view_.path = path_;
            view_.handWhileInput = Crlf(arg.c_str());
        } else if (verb == "apl") {
            g_titles.push_back(arg == "-" ? "" : arg);
        } else if (verb == "edit") {
            const auto eq = arg.find('=');
            const int r = std::stoi(arg.substr(0, eq));
            if (s.keyCodes[r] == 0) s.keyCodes[r] = 0x41;
            s.convData[r] = arg.substr(eq + 1);
            s.dirty = 1;
        } else if (verb == "onoff") {
            s.keyCodes[0] = std::stoi(arg);
            s.dirty = 1;
        } else if (verb == "?onoff") {
            view_.log.push_back("onoff " + std::to_string(s.keyCodes[0]));
        } else if (verb == "noisy") {
            view_.noisy = true;
        } else if (verb == "?combo") {
            std::string line = "combo " + view_.comboText + " #" + std::to_string(view_.comboIndex);
            for (const auto& n : view_.profileList) line += " " + n;
            view_.log.push_back(line);
        } else {
            FAIL() << "unknown token " << tok;
        }
    }

    std::filesystem::path dir_;
    std::string path_;
    ComboView view_;
    std::unique_ptr<Editor> editor_;
    std::unique_ptr<Profiles> profiles_;
};

TEST_P(ProfileTranscript, Runs) {
    const Case& c = GetParam();
    std::ofstream(path_, std::ios::binary) << Crlf(c.ini);
    const std::string before = ReadFile(path_);
    editor_ = std::make_unique<Editor>(view_, path_);
    profiles_ = std::make_unique<Profiles>(*editor_);
    view_.Attach(editor_.get());
    view_.profiles = profiles_.get();
    editor_->FormCreate(std::string(c.arg));
    editor_->FormShow();
    view_.log.clear();
    view_.gridFocused = true;

    std::istringstream script(c.script);
    for (std::string tok; script >> tok;) {
        SCOPED_TRACE(tok);
        Step(tok);
    }
    // Cell lines of RefreshView are the core's; only the first rule row is kept. The grid
    // reset is one line, and the long notices are named.
    Lines log;
    for (auto line : view_.log) {
        if (line.rfind("Cell(", 0) == 0 && line.rfind("Cell(2,2)", 0) != 0) continue;
        if (line.rfind("CB", 0) == 0) continue;
        for (const auto& [text, tag] : kTags) {
            if (const auto at = line.find(text); at != std::string::npos)
                line.replace(at, text.size(), tag);
        }
        if (line == "FocusGrid" && log.size() >= 2 && log[log.size() - 1] == "Cursor(1,1)" &&
            log[log.size() - 2] == "TopRow(1)") {
            log.resize(log.size() - 2);
            line = "GridReset";
        }
        log.push_back(line);
    }
    EXPECT_EQ(log, c.log);
    EXPECT_EQ(Summary(editor_->state), c.state);
    EXPECT_EQ(Bars(ReadFile(path_)), c.file != kUnchanged ? c.file : Bars(before));
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }
std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }
#define PROFILE_TRANSCRIPTS(group, table) \
    INSTANTIATE_TEST_SUITE_P(group, ProfileTranscript, ::testing::ValuesIn(table), CaseName)

// ---- new, rename: the limit, names cut to 20 bytes, the save question ----

constexpr char kOne[] = "[Config]|key1=65|data1=std|[Apl1]|Name=one|key1=66|data1=first|";
constexpr char kTen[] =
    "[Config]|[Apl1]|Name=a|[Apl2]|Name=b|[Apl3]|Name=c|[Apl4]|Name=d|[Apl5]|Name=e|"
    "[Apl6]|Name=f|[Apl7]|Name=g|[Apl8]|Name=h|[Apl9]|Name=i|[Apl10]|Name=j|";

const Case kNewAndRename[] = {
    {"TenProfilesThenDeleteOneAndNewAgain",
     kTen,
     "11",
     "new del in:k box:No new",
     {"Box(error, yes) <limit> -> Yes", "Box(info, yesno) 【j】を削除しますか -> Yes",
      "ProfileList := 標　準 a b c d e f g h i", "ComboText := 標　準", "ComboIndex := 0",
      "Box(info, yes) 削除しました -> Yes", "GridReset",
      "InputBox(新規表示用アプリケーション名, <name prompt>, ) -> k",
      "ProfileList := 標　準 a b c d e f g h i k", "ComboText := k", "ComboIndex := 10",
      "Box(info, yesno) 自動切替の設定を行いますか -> No"},
     "p=10 n=10 dirty=0 copy=0 [標　準,a,b,c,d,e,f,g,h,i,k] 1=0:",
     "[Config]|henstart=0|numlockon=0|AplAutoOff=0|[Apl1]|Name=a|[Apl2]|Name=b|[Apl3]|Name=c|[Apl4]"
     "|Name=d|[Apl5]|Name=e|[Apl6]|Name=f|[Apl7]|Name=g|[Apl8]|Name=h|[Apl9]|Name=i|[Apl10]|Name="
     "k|"},
    // 19 bytes and then 表: a cut at 20 bytes would split the double-byte character.
    {"NewGetsUnsavedRowsAndCutName",
     kOne,
     "2",
     "edit:1=unsaved box:No in:abcdefghijklmnopqrs表 box:No new",
     {"Box(info, yesno) 現在の設定を登録しますか -> No",
      "InputBox(新規表示用アプリケーション名, <name prompt>, ) -> abcdefghijklmnopqrs表",
      "ProfileList := 標　準 one abcdefghijklmnopqrs", "ComboText := abcdefghijklmnopqrs",
      "ComboIndex := 2", "Box(info, yesno) 自動切替の設定を行いますか -> No"},
     "p=2 n=2 dirty=0 copy=0 [標　準,one,abcdefghijklmnopqrs] 1=66:unsaved",
     "[Config]|key1=65|data1=std|henstart=0|numlockon=0|AplAutoOff=0|[Apl1]|Name=one|key1=66|data1="
     "first|[Apl2]|Name=abcdefghijklmnopqrs|key1=66|data1=unsaved|"},
    {"RenameCancelledEmptyThenCut",
     kOne,
     "2",
     "in:- rename in: rename in:abcdefghijklmnopqrstuvwxyz rename ?combo",
     {"InputBox(表示用アプリケーション名, <name prompt>, one) -> (cancel)", "FocusGrid",
      "InputBox(表示用アプリケーション名, <name prompt>, one) -> ", "FocusGrid",
      "InputBox(表示用アプリケーション名, <name prompt>, one) -> abcdefghijklmnopqrstuvwxyz",
      "ProfileList := 標　準 abcdefghijklmnopqrst", "ComboText := abcdefghijklmnopqrst",
      "ComboIndex := 1", "FocusGrid", "combo abcdefghijklmnopqrst #1 標　準 abcdefghijklmnopqrst"},
     "p=1 n=1 dirty=0 copy=0 [標　準,abcdefghijklmnopqrst] 1=66:first",
     "[Config]|key1=65|data1=std|[Apl1]|Name=abcdefghijklmnopqrst|key1=66|data1=first|"},
    {"SaveQuestionClosedSavesNothingAutoClosedRegistersNothing",
     kOne,
     "1",
     "edit:1=changed box:Closed in:memo box:Closed new",
     {"Box(info, yesno) 現在の設定を登録しますか -> Closed",
      "InputBox(新規表示用アプリケーション名, <name prompt>, ) -> memo",
      "ProfileList := 標　準 one memo", "ComboText := memo", "ComboIndex := 2",
      "Box(info, yesno) 自動切替の設定を行いますか -> Closed"},
     "p=2 n=2 dirty=0 copy=0 [標　準,one,memo] 1=65:changed",
     "[Config]|key1=65|data1=std|henstart=0|numlockon=0|AplAutoOff=0|[Apl1]|Name=one|key1=66|"
     "data1=first|[Apl2]|Name=memo|key1=65|data1=changed|"},
    {"CancelAfterSaveKeepsSaveMakesNothing",
     kOne,
     "1",
     "edit:1=changed box:Yes in:- new in: new",
     {"Box(info, yesno) 現在の設定を登録しますか -> Yes",
      "Box(info, yes) 現在の設定を登録しました -> Yes",
      "InputBox(新規表示用アプリケーション名, <name prompt>, ) -> (cancel)", "FocusGrid",
      "InputBox(新規表示用アプリケーション名, <name prompt>, ) -> ", "FocusGrid"},
     "p=0 n=1 dirty=0 copy=0 [標　準,one] 1=65:changed",
     "[Config]|key1=65|data1=changed|henstart=0|numlockon=0|AplAutoOff=0|[Apl1]|Name=one|key1=66|"
     "data1=first|"},
};
PROFILE_TRANSCRIPTS(NewAndRename, kNewAndRename);

// ---- switch, copy and delete ----

constexpr char kFour[] =
    "[Config]|key1=65|data1=std|[Apl1]|Name=one|Name1=t1|key1=66|data1=first|"
    "[Apl2]|Name=two|Name1=t2|key1=67|data1=second|[Apl3]|Name=three|key1=68|data1=third|"
    "[Apl4]|Name=four|Name1=t4|key1=69|data1=fourth|";

const Case kCopyDelete[] = {
    {"SwitchDiscardsUnsavedRowsWithoutQuestion",
     kOne,
     "1",
     "edit:1=gone pick:1 pick:0",
     {"ComboText := one", "Cell(2,2) := first", "FocusGrid", "ComboText := 標　準",
      "Cell(2,2) := std", "FocusGrid"},
     "p=0 n=1 dirty=1 copy=0 [標　準,one] 1=65:std",
     kUnchanged},
    {"DeleteTwoOfFour",
     kFour,
     "3",
     "del ?combo",
     {"Box(info, yesno) 【two】を削除しますか -> Yes", "ProfileList := 標　準 one three four",
      "ComboText := 標　準", "ComboIndex := 0", "Cell(2,2) := std",
      "Box(info, yes) 削除しました -> Yes", "GridReset", "combo 標　準 #0 標　準 one three four"},
     "p=0 n=3 dirty=0 copy=0 [標　準,one:t1,three,four:t4] 1=65:std",
     "[Config]|key1=65|data1=std|[Apl1]|Name=one|Name1=t1|key1=66|data1=first|[Apl2]|Name=three|"
     "Name1=|key1=68|data1=third|[Apl3]|Name=four|key1=69|data1=fourth|Name1=t4|"},
    // Unlike a switch, a delete brings back the stored On/Off key.
    {"SwitchKeepsDeleteRestoresTheOnOffKey",
     "[Config]|key0=123|key1=65|data1=std|[Apl1]|Name=one|key1=66|data1=first|",
     "2",
     "onoff:65 pick:1 ?onoff del ?onoff",
     {"ComboText := one", "FocusGrid", "onoff 65", "Box(info, yesno) 【one】を削除しますか -> Yes",
      "ProfileList := 標　準", "ComboText := 標　準", "ComboIndex := 0", "Cell(2,2) := std",
      "Box(info, yes) 削除しました -> Yes", "GridReset", "onoff 123"},
     "p=0 n=0 dirty=1 copy=0 [標　準] 1=65:std",
     "[Config]|key0=123|key1=65|data1=std|"},
    {"EditedComboTextShowsTheStandardProfile",
     kOne,
     "2",
     "pick:-1",
     {"ComboIndex := 0", "ComboText := 標　準", "Cell(2,2) := std", "FocusGrid"},
     "p=0 n=1 dirty=0 copy=0 [標　準,one] 1=65:std",
     kUnchanged},
    {"DeleteClosedProceeds",
     kFour,
     "5",
     "box:Closed del",
     {"Box(info, yesno) 【four】を削除しますか -> Closed", "ProfileList := 標　準 one two three",
      "ComboText := 標　準", "ComboIndex := 0", "Cell(2,2) := std",
      "Box(info, yes) 削除しました -> Yes", "GridReset"},
     "p=0 n=3 dirty=0 copy=0 [標　準,one:t1,two:t2,three] 1=65:std",
     "[Config]|key1=65|data1=std|[Apl1]|Name=one|Name1=t1|key1=66|data1=first|[Apl2]|Name=two|"
     "Name1=t2|key1=67|data1=second|[Apl3]|Name=three|key1=68|data1=third|"},
    {"CopyOntoItselfThenPlainSwitch",
     kFour,
     "2",
     "copy copy pick:1 pick:2",
     {"Box(info, yes) <pick target> -> Yes", "Box(info, yes) <pick target> -> Yes",
      "Box(error, yes) コピー元とコピー先が同じです -> Yes", "FocusGrid", "ComboText := two",
      "Cell(2,2) := second", "FocusGrid"},
     "p=2 n=4 dirty=0 copy=0 [標　準,one:t1,two:t2,three,four:t4] 1=67:second",
     kUnchanged},
    {"CopyDeclinedPutsComboBack",
     kFour,
     "2",
     "edit:1=mine copy box:No box:No pick:3 ?combo",
     {"Box(info, yes) <pick target> -> Yes", "Box(info, yesno) 現在の設定を登録しますか -> No",
      "Box(info, yesno) 現在の設定を【three】にコピーしますか -> No", "ComboText := one",
      "ComboIndex := 1", "FocusGrid", "combo one #1 標　準 one two three four"},
     "p=1 n=4 dirty=1 copy=0 [標　準,one:t1,two:t2,three,four:t4] 1=66:mine",
     kUnchanged},
    {"CopyClosedOntoStandardAfterSave",
     kFour,
     "2",
     "edit:1=mine copy box:Yes box:Yes box:Closed pick:0",
     {"Box(info, yes) <pick target> -> Yes", "Box(info, yesno) 現在の設定を登録しますか -> Yes",
      "Box(info, yes) 現在の設定を登録しました -> Yes",
      "Box(info, yesno) 現在の設定を【標　準】にコピーしますか -> Closed", "Cell(2,2) := mine",
      "Box(info, yes) コピーしました -> Yes", "GridReset"},
     "p=0 n=4 dirty=0 copy=0 [標　準,one:t1,two:t2,three,four:t4] 1=66:mine",
     "[Config]|key1=66|data1=mine|henstart=0|numlockon=0|AplAutoOff=0|[Apl1]|Name=one|Name1=t1|"
     "key1=66|data1=mine|[Apl2]|Name=two|Name1=t2|key1=67|data1=second|[Apl3]|Name=three|key1=68|"
     "data1=third|[Apl4]|Name=four|Name1=t4|key1=69|data1=fourth|"},
};
PROFILE_TRANSCRIPTS(CopyDelete, kCopyDelete);

// ---- the standard profile, the registration loop, the combo box ----

// A title edited to 150 bytes, longer than the library's 100-byte record.
const std::string kLongTitle(150, 'L');
const std::string kLongTitleScript = "apl:- apl:memo_-_Notepad in:" + kLongTitle + " auto";

const Case kStandardAndRegistration[] = {
    {"StandardRefusesRenameDeleteRegistration",
     kOne,
     "1",
     "rename del auto",
     {"Box(error, yes) 標準設定名を変更することはできません -> Yes",
      "Box(error, yes) 標準設定は削除できません -> Yes",
      "Box(error, yes) 標準設定には自動切替設定はできません -> Yes"},
     "p=0 n=1 dirty=0 copy=0 [標　準,one] 1=65:std",
     kUnchanged},
    {"EmptyTitleThenTitleEditedLonger",
     kOne,
     "2",
     kLongTitleScript.c_str(),
     {"Box(info, yes) <activate> -> Yes", "Box(error, ok) <no title> -> Yes",
      "Box(info, yes) <activate> -> Yes",
      "InputBox(自動切替設定, 取得したアプリケーション名を修正できます, memo - Notepad) -> " +
          kLongTitle},
     "p=1 n=1 dirty=0 copy=0 [標　準,one:" + kLongTitle + "] 1=66:first",
     "[Config]|key1=65|data1=std|[Apl1]|Name=one|key1=66|data1=first|Name1=" + kLongTitle + "|"},
    // The editor's own windows are no application to switch for: the input box of 新　規, an
    // error box, the editor's title itself; the registration says so and asks again.
    {"OwnWindowsAreRefused",
     kOne,
     "2",
     "apl:新規表示用アプリケーション名 apl:エラー apl:Yorvan2変換設定 apl:メモ帳 in:メモ帳 auto",
     {"Box(info, yes) <activate> -> Yes", "Box(error, ok) <no other window> -> Yes",
      "Box(info, yes) <activate> -> Yes", "Box(error, ok) <no other window> -> Yes",
      "Box(info, yes) <activate> -> Yes", "Box(error, ok) <no other window> -> Yes",
      "Box(info, yes) <activate> -> Yes",
      "InputBox(自動切替設定, 取得したアプリケーション名を修正できます, メモ帳) -> メモ帳"},
     "p=1 n=1 dirty=0 copy=0 [標　準,one:メモ帳] 1=66:first",
     "[Config]|key1=65|data1=std|[Apl1]|Name=one|key1=66|data1=first|Name1=メモ帳|"},
    // A title that merely contains an own caption is another program's.
    {"TitleContainingAnOwnCaptionIsTaken",
     kOne,
     "2",
     "apl:エラー一覧_-_メモ帳 in:x auto",
     {"Box(info, yes) <activate> -> Yes",
      "InputBox(自動切替設定, 取得したアプリケーション名を修正できます, エラー一覧 - メモ帳) -> x"},
     "p=1 n=1 dirty=0 copy=0 [標　準,one:x] 1=66:first",
     "[Config]|key1=65|data1=std|[Apl1]|Name=one|key1=66|data1=first|Name1=x|"},
    {"OwnWindowThenClosedNoticeAbandons",
     kOne,
     "2",
     "apl:自動切替設定 box:Closed auto",
     {"Box(info, yes) <activate> -> Closed"},
     "p=1 n=1 dirty=0 copy=0 [標　準,one] 1=66:first",
     kUnchanged},
    {"ClosedNoticeAbandons",
     kOne,
     "2",
     "box:Yes apl:- box:Yes box:Closed auto",
     {"Box(info, yes) <activate> -> Yes", "Box(error, ok) <no title> -> Yes",
      "Box(info, yes) <activate> -> Closed"},
     "p=1 n=1 dirty=0 copy=0 [標　準,one] 1=66:first",
     kUnchanged},
    // With a title recorded, closing the notice goes on like an answer.
    {"ClosedNoticeWithATitleGoesOnAndReplaces",
     kFour,
     "2",
     "apl:Note box:Closed in:Note2 auto",
     {"Box(info, yes) <activate> -> Closed",
      "InputBox(自動切替設定, 取得したアプリケーション名を修正できます, Note) -> Note2"},
     "p=1 n=4 dirty=0 copy=0 [標　準,one:Note2,two:t2,three,four:t4] 1=66:first",
     "[Config]|key1=65|data1=std|[Apl1]|Name=one|Name1=Note2|key1=66|data1=first|"
     "[Apl2]|Name=two|Name1=t2|key1=67|data1=second|[Apl3]|Name=three|key1=68|data1=third|"
     "[Apl4]|Name=four|Name1=t4|key1=69|data1=fourth|"},
    // A full title record without its terminating zero ends at the buffer's last byte.
    {"CancelledOrEmptyKeepsTitle",
     kFour,
     "2",
     "apl:* in:- auto apl:x in: auto",
     {"Box(info, yes) <activate> -> Yes",
      "InputBox(自動切替設定, 取得したアプリケーション名を修正できます, " + std::string(100, 'y') +
          ") -> (cancel)",
      "Box(info, yes) <activate> -> Yes",
      "InputBox(自動切替設定, 取得したアプリケーション名を修正できます, x) -> "},
     "p=1 n=4 dirty=0 copy=0 [標　準,one:t1,two:t2,three,four:t4] 1=66:first",
     kUnchanged},
    {"NewThenRegistration",
     kOne,
     "1",
     "in:memo box:Yes apl:メモ帳 in:メモ帳_-_無題 new",
     {"InputBox(新規表示用アプリケーション名, <name prompt>, ) -> memo",
      "ProfileList := 標　準 one memo", "ComboText := memo", "ComboIndex := 2",
      "Box(info, yesno) 自動切替の設定を行いますか -> Yes", "Box(info, yes) <activate> -> Yes",
      "InputBox(自動切替設定, 取得したアプリケーション名を修正できます, メモ帳) -> メモ帳 - 無題"},
     "p=2 n=2 dirty=0 copy=0 [標　準,one,memo:メモ帳 - 無題] 1=65:std",
     "[Config]|key1=65|data1=std|henstart=0|numlockon=0|AplAutoOff=0|[Apl1]|Name=one|key1=66|data1="
     "first|[Apl2]|Name=memo|key1=65|data1=std|Name1=メモ帳 - 無題|"},
    {"KeyInComboAndOwnComboChanges",
     kFour,
     "1",
     "noisy key pick:2 in:zwei rename box:No del copy box:No pick:1 del",
     {"FocusGrid",
      "ComboText := two",
      "Cell(2,2) := second",
      "FocusGrid",
      "InputBox(表示用アプリケーション名, <name prompt>, two) -> zwei",
      "ProfileList := 標　準 one zwei three four",
      "ComboText := zwei",
      "ComboIndex := 2",
      "FocusGrid",
      "Box(info, yesno) 【zwei】を削除しますか -> No",
      "Box(info, yes) <pick target> -> Yes",
      "Box(info, yesno) 現在の設定を【one】にコピーしますか -> No",
      "ComboText := zwei",
      "ComboIndex := 2",
      "FocusGrid",
      "Box(info, yesno) 【zwei】を削除しますか -> Yes",
      "ProfileList := 標　準 one three four",
      "ComboText := 標　準",
      "ComboIndex := 0",
      "Cell(2,2) := std",
      "Box(info, yes) 削除しました -> Yes",
      "GridReset"},
     "p=0 n=3 dirty=0 copy=0 [標　準,one:t1,three,four:t4] 1=65:std",
     "[Config]|key1=65|data1=std|[Apl1]|Name=one|Name1=t1|key1=66|data1=first|[Apl2]|Name=three|"
     "Name1=|key1=68|data1=third|[Apl3]|Name=four|key1=69|data1=fourth|Name1=t4|"},
};
PROFILE_TRANSCRIPTS(StandardAndRegistration, kStandardAndRegistration);

// ---- hand edits made while the editor is open ----

constexpr char kOverwrite[] =
    "Box(info, yesno) 設定ファイルが他のプログラムで変更されています\r\n上書きしますか\r\n"
    "（いいえ：上書きせずにファイルの内容を読み込み直します） -> ";
#define HAND_ONE "[Config]|key1=65|data1=hand|[Apl1]|Name=one|key1=66|data1=first|"
#define HAND_TWO HAND_ONE "[Apl2]|Name=two|"

const Case kHandEdits[] = {
    {"NewAfterAHandEditNoReloadsAndMakesNothing",
     kOne,
     "1",
     "hand:" HAND_TWO " in:memo box:No new ?combo",
     {"InputBox(新規表示用アプリケーション名, <name prompt>, ) -> memo",
      std::string(kOverwrite) + "No", "ProfileList := 標　準 one two", "ComboText := 標　準",
      "ComboIndex := 0", "Cell(2,2) := hand", "GridReset", "combo 標　準 #0 標　準 one two"},
     "p=0 n=2 dirty=0 copy=0 [標　準,one,two] 1=65:hand",
     HAND_TWO},
    {"NewWhileTheInputBoxIsOpenYesOverwrites",
     kOne,
     "1",
     "handin:" HAND_ONE " in:memo box:Yes box:No new",
     {"InputBox(新規表示用アプリケーション名, <name prompt>, ) -> memo",
      std::string(kOverwrite) + "Yes", "ProfileList := 標　準 one memo", "ComboText := memo",
      "ComboIndex := 2", "Box(info, yesno) 自動切替の設定を行いますか -> No"},
     "p=2 n=2 dirty=0 copy=0 [標　準,one,memo] 1=65:std",
     "[Config]|key1=65|data1=hand|henstart=0|numlockon=0|AplAutoOff=0|[Apl1]|Name=one|key1=66|"
     "data1=first|[Apl2]|Name=memo|key1=65|data1=std|"},
    // The save question before the command: a reload there ends the command.
    {"SaveBeforeNewOverAHandEditNoEndsTheCommand",
     kOne,
     "1",
     "edit:1=mine hand:" HAND_ONE " box:Yes box:No new",
     {"Box(info, yesno) 現在の設定を登録しますか -> Yes", std::string(kOverwrite) + "No",
      "ProfileList := 標　準 one", "ComboText := 標　準", "ComboIndex := 0", "Cell(2,2) := hand",
      "GridReset"},
     "p=0 n=1 dirty=0 copy=0 [標　準,one] 1=65:hand",
     HAND_ONE},
    {"RenameAfterAHandEditClosedWritesNothing",
     kOne,
     "2",
     "hand:" HAND_ONE " in:uno box:Closed rename",
     {"InputBox(表示用アプリケーション名, <name prompt>, one) -> uno",
      std::string(kOverwrite) + "Closed"},
     "p=1 n=1 dirty=0 copy=0 [標　準,one] 1=66:first",
     HAND_ONE},
    {"RenameAfterAHandEditYesWritesTheName",
     kOne,
     "2",
     "hand:" HAND_TWO " in:uno rename",
     {"InputBox(表示用アプリケーション名, <name prompt>, one) -> uno",
      std::string(kOverwrite) + "Yes", "ProfileList := 標　準 uno", "ComboText := uno",
      "ComboIndex := 1", "FocusGrid"},
     "p=1 n=1 dirty=0 copy=0 [標　準,uno] 1=66:first",
     "[Config]|key1=65|data1=hand|[Apl1]|Name=uno|key1=66|data1=first|[Apl2]|Name=two|"},
    {"DeleteAfterAHandEditNoKeepsTheProfile",
     kOne,
     "2",
     "hand:" HAND_TWO " box:Yes box:No del",
     {"Box(info, yesno) 【one】を削除しますか -> Yes", std::string(kOverwrite) + "No",
      "ProfileList := 標　準 one two", "ComboText := one", "ComboIndex := 1", "GridReset"},
     "p=1 n=2 dirty=0 copy=0 [標　準,one,two] 1=66:first",
     HAND_TWO},
    {"RegistrationAfterAHandEditYesWritesTheTitle",
     kOne,
     "2",
     "hand:" HAND_ONE " apl:Note in:Note auto",
     {"Box(info, yes) <activate> -> Yes",
      "InputBox(自動切替設定, 取得したアプリケーション名を修正できます, Note) -> Note",
      std::string(kOverwrite) + "Yes"},
     "p=1 n=1 dirty=0 copy=0 [標　準,one:Note] 1=66:first",
     HAND_ONE "Name1=Note|"},
    // The reload rebuilds Comb1, which a window may report: that starts nothing, and the
    // user's next choice is taken again.
    {"ReloadInANoisyWindowStartsNothing",
     kOne,
     "2",
     "noisy hand:" HAND_TWO " in:uno box:No rename pick:2",
     {"InputBox(表示用アプリケーション名, <name prompt>, one) -> uno",
      std::string(kOverwrite) + "No", "ProfileList := 標　準 one two", "ComboText := one",
      "ComboIndex := 1", "GridReset", "ComboText := two", "Cell(2,2) := ", "FocusGrid"},
     "p=2 n=2 dirty=0 copy=0 [標　準,one,two] 1=0:",
     HAND_TWO},
    // The copy waiting for its target is dropped with the rows it would have copied.
    {"ReloadDropsAPendingCopy",
     kOne,
     "2",
     "copy hand:" HAND_TWO " in:uno box:No rename pick:0",
     {"Box(info, yes) <pick target> -> Yes",
      "InputBox(表示用アプリケーション名, <name prompt>, one) -> uno",
      std::string(kOverwrite) + "No", "ProfileList := 標　準 one two", "ComboText := one",
      "ComboIndex := 1", "GridReset", "ComboText := 標　準", "Cell(2,2) := hand", "FocusGrid"},
     "p=0 n=2 dirty=0 copy=0 [標　準,one,two] 1=65:hand",
     HAND_TWO},
    // Each write of the editor's own is what it knows: the next one asks nothing.
    {"RegistrationThenRenameAsksNothing",
     kOne,
     "2",
     "apl:Note in:Note auto in:uno rename",
     {"Box(info, yes) <activate> -> Yes",
      "InputBox(自動切替設定, 取得したアプリケーション名を修正できます, Note) -> Note",
      "InputBox(表示用アプリケーション名, <name prompt>, one) -> uno", "ProfileList := 標　準 uno",
      "ComboText := uno", "ComboIndex := 1", "FocusGrid"},
     "p=1 n=1 dirty=0 copy=0 [標　準,uno:Note] 1=66:first",
     "[Config]|key1=65|data1=std|[Apl1]|Name=uno|key1=66|data1=first|Name1=Note|"},
    {"CopyThenRenameAsksNothing",
     kOne,
     "1",
     "copy pick:1 in:uno rename",
     {"Box(info, yes) <pick target> -> Yes",
      "Box(info, yesno) 現在の設定を【one】にコピーしますか -> Yes",
      "Box(info, yes) コピーしました -> Yes", "GridReset",
      "InputBox(表示用アプリケーション名, <name prompt>, one) -> uno", "ProfileList := 標　準 uno",
      "ComboText := uno", "ComboIndex := 1", "FocusGrid"},
     "p=1 n=1 dirty=0 copy=0 [標　準,uno] 1=65:std",
     "[Config]|key1=65|data1=std|henstart=0|numlockon=0|AplAutoOff=0|[Apl1]|Name=uno|key1=65|"
     "data1=std|"},
    {"RenameThenDeleteAsksNothing",
     kOne,
     "2",
     "in:uno rename del",
     {"InputBox(表示用アプリケーション名, <name prompt>, one) -> uno", "ProfileList := 標　準 uno",
      "ComboText := uno", "ComboIndex := 1", "FocusGrid",
      "Box(info, yesno) 【uno】を削除しますか -> Yes", "ProfileList := 標　準",
      "ComboText := 標　準", "ComboIndex := 0", "Cell(2,2) := std",
      "Box(info, yes) 削除しました -> Yes", "GridReset"},
     "p=0 n=0 dirty=0 copy=0 [標　準] 1=65:std",
     "[Config]|key1=65|data1=std|"},
    {"CopyAfterAHandEditNoCopiesNothing",
     kOne,
     "2",
     "hand:" HAND_TWO " copy box:Yes box:No pick:0",
     {"Box(info, yes) <pick target> -> Yes",
      "Box(info, yesno) 現在の設定を【標　準】にコピーしますか -> Yes",
      std::string(kOverwrite) + "No", "ProfileList := 標　準 one two", "ComboText := one",
      "ComboIndex := 1", "GridReset"},
     "p=1 n=2 dirty=0 copy=0 [標　準,one,two] 1=66:first",
     HAND_TWO},
};
PROFILE_TRANSCRIPTS(HandEdits, kHandEdits);
#undef HAND_TWO
#undef HAND_ONE

}  // namespace
}  // namespace yv::editor::testing
