// Transcript tests of the editor core: a settings file and a command-line argument go in, the
// window is created and shown, then a script of user actions runs against the fake view. The
// view's log (lines joined by " / "), what changed in SettingsState since the window was shown,
// and the settings file are compared.
//
// Script tokens:
//   d:KEY       key-down of a named key (kKeys), then the character it derives
//   t:TEXT      typing: a key-down and a character for each byte
//   ch:X        a character alone, as an input method delivers its result (ch:CR a return)
//   pad:N       the user edits the current cell: N bytes 'x' appended
//   at:C,R      mouse click on cell (C,R)
//   btn:NAME    operation-key button (kButtons)
//   mode:N      RG1 item N;  cb:N  click on check box CBn
//   undo put end menuend close    the buttons, the menu item, the window's close button
//   box:ANSWER  the next box's answer (Yes No Closed); unscripted boxes answer Yes
//   move:L,T,W,H  max      the user moves or maximizes the window
//   ro rw       the settings file becomes read-only / writable
//   hand:TEXT   another program writes TEXT into the file ('|' ends a line)
//   same:TEXT   the same, the file keeping its size, time and identity (a coarse clock)
//   touch       the file is written again as it is, with a later time;  gone  it is deleted
//   ?row:R ?pos ?combo ?boxes ?window ?dirty    log what the window or the state shows
//   ?key        whether the last key-down was consumed or went on to the grid; ?swallow the flag
//   ?char       whether the last character was dropped or went on to the grid
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fake_view.h"
#include "start.h"

namespace yv::editor::testing {
namespace {

using Lines = std::vector<std::string>;

struct Key {
    const char* name;
    std::uint16_t vk;
    int flags;  // what getkeyflg answers: scan code, bit 8 the extended-key flag
    char ch;    // the character the key-down derives; 0 for none
};
constexpr Key kKeys[] = {
    {"A", 0x41, 0x1E, 'a'},    {"C", 0x43, 0x2E, 'c'},      {"Shift", 0x10, 0x2A, 0},
    {"RShift", 0x10, 0x36, 0}, {"Enter", 0x0D, 0x1C, '\r'}, {"NumEnter", 0x0D, 0x11C, '\r'},
    {"Tab", 0x09, 0x0F, '\t'}, {"Up", 0x26, 0x148, 0},      {"Down", 0x28, 0x150, 0},
    {"Del", 0x2E, 0x153, 0},   {"RAlt", 0x12, 0x138, 0},    {"F12", 0x7B, 0x58, 0},
    {"PgUp", 0x21, 0x149, 0},  {"PgDn", 0x22, 0x151, 0},    {"Left", 0x25, 0x14B, 0},
    {"Ext80", 0xFF, 0x180, 0},  // scan 0x80 with the extended flag: index 0x100, past the names
};
constexpr std::pair<const char*, std::uint16_t> kButtons[] = {
    {"Tab", kBTab}, {"Del", kBDel}, {"Top", kBTop}, {"Alt", kBAlt}, {"Ctrl", kBCtrl}};

struct Case {
    const char* name;
    const char* ini;  // '|' ends a line
    const char* arg;  // the command line's argument; nullptr: none
    const char* script;
    std::string log;
    const char* state;           // Changes(); nullptr: not compared
    const char* file = nullptr;  // '|' ends a line; nullptr: the file must be unchanged
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::string Join(const Lines& lines) {
    std::string out;
    for (const auto& l : lines) out += (out.empty() ? "" : " / ") + l;
    return out;
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    for (auto at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
        s.replace(at, from.size(), to);
    }
    return s;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return Replace(ss.str(), "\r\n", "|");
}

std::string Hex(int v) {
    std::ostringstream ss;
    ss << (v < 0 ? "-" : "") << std::uppercase << std::hex << (v < 0 ? -v : v);
    return ss.str();
}

// What differs from `was`: "dirty=1 hs=1 5:42/42=<0D>:Enter" (row: key/prev=data).
std::string Changes(const settings::SettingsState& s, const settings::SettingsState& was) {
    std::ostringstream out;
    const std::pair<const char*, int settings::SettingsState::*> fields[] = {
        {"p", &settings::SettingsState::currentProfile},
        {"dirty", &settings::SettingsState::dirty},
        {"end", &settings::SettingsState::endRequested},
        {"hs", &settings::SettingsState::henstart},
        {"nl", &settings::SettingsState::numlockon},
        {"auto", &settings::SettingsState::AplAutoOff}};
    for (const auto& [name, f] : fields) {
        if (s.*f != was.*f) out << " " << name << "=" << s.*f;
    }
    for (int i = 0; i < settings::kRuleRows; ++i) {
        if (s.keyCodes[i] == was.keyCodes[i] && s.prevKeyCodes[i] == was.prevKeyCodes[i] &&
            s.convData[i] == was.convData[i]) {
            continue;
        }
        out << " " << i << ":" << Hex(s.keyCodes[i]) << "/" << Hex(s.prevKeyCodes[i]);
        if (!s.convData[i].empty()) out << "=" << s.convData[i];
    }
    return out.str().empty() ? "" : out.str().substr(1);
}

class Transcript : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("yv-editor-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "Yorvan2.ini").string();
    }
    void TearDown() override {
        ::chmod(path_.c_str(), 0644);
        std::filesystem::remove_all(dir_);
    }

    void Press(const Key& k) {
        RecordKeyFlags(k.vk, k.flags);
        std::uint16_t key = k.vk;
        editor_->SG1KeyDown(key);
        lastKeyPassed_ = key != 0;
        // The grid's own move on a key the editor left alone.
        if (key == 0x26 || key == 0x28) view_.row = std::clamp(view_.row + key - 0x27, 1, 101);
        if (k.ch != 0) Char(k.ch);  // the platform derives the character whatever the key did
    }
    void Char(char ch) {
        editor_->SG1KeyPress(ch);
        lastCharPassed_ = ch != 0;
        if (ch != 0 && view_.col == 2 && static_cast<unsigned char>(ch) >= 0x20) {
            view_.cells[2][view_.row] += ch;  // the in-place editor
        }
    }
    // A click elsewhere takes the focus from the grid, then the handler runs.
    void Click(const std::function<void()>& handler) {
        view_.gridFocused = false;
        editor_->RunHandler(handler);
    }
    void Show(const std::string& line) { view_.log.push_back(line); }

    void Step(const std::string& tok) {
        const auto colon = tok.find(':');
        const std::string verb = tok.substr(0, colon);
        const std::string arg = colon == std::string::npos ? "" : tok.substr(colon + 1);
        std::istringstream nums(arg);
        int n[4] = {};
        for (int& x : n) (nums >> x).ignore();
        Editor& ed = *editor_;
        const auto& s = ed.state;
        if (verb == "d") {
            auto k = std::find_if(std::begin(kKeys), std::end(kKeys),
                                  [&](const Key& k) { return arg == k.name; });
            ASSERT_NE(k, std::end(kKeys)) << arg;
            Press(*k);
        } else if (verb == "t") {
            for (char c : arg) {
                const bool alnum = std::isalnum(static_cast<unsigned char>(c)) != 0;
                Press({"", static_cast<std::uint16_t>(alnum ? std::toupper(c) : 0xE5), 0, c});
            }
        } else if (verb == "ch") {
            Char(arg == "CR" ? '\r' : arg[0]);
        } else if (verb == "pad") {
            view_.cells[2][view_.row] += std::string(n[0], 'x');
        } else if (verb == "at") {
            ed.SG1MouseDown(n[0], n[1]);
            view_.col = n[0], view_.row = n[1];
            if (!view_.gridFocused) view_.gridFocused = true, ed.SG1Enter();
        } else if (verb == "btn") {
            for (const auto& [name, vk] : kButtons) {
                if (arg == name) Click([&, vk = vk] { ed.ButtonClick(vk); });
            }
        } else if (verb == "mode") {
            Click([&] { ed.RG1Click(n[0]); });
        } else if (verb == "cb") {
            view_.checked[n[0] - 1] = !view_.checked[n[0] - 1];
            Click([&] { n[0] == 1 ? ed.CB1Click() : n[0] == 2 ? ed.CB2Click() : ed.CB3Click(); });
        } else if (verb == "undo") {
            Click([&] { ed.B1Click(); });
        } else if (verb == "put") {
            Click([&] { ed.BPutClick(); });
        } else if (verb == "end") {
            Click([&] { ed.BEndClick(); });
        } else if (verb == "menuend") {
            ed.RunHandler([&] { ed.End1Click(); });
        } else if (verb == "close") {
            view_.UserClose();
        } else if (verb == "box") {
            view_.AnswerNext(arg == "No"       ? Answer::kNo
                             : arg == "Closed" ? Answer::kClosed
                                               : Answer::kYes);
        } else if (verb == "move") {
            view_.bounds = {n[0], n[1], n[2], n[3]};
        } else if (verb == "max") {
            view_.maximized = true;
            view_.bounds = {0, 0, 1920, 1040};
        } else if (verb == "ro" || verb == "rw") {
            ASSERT_EQ(::chmod(path_.c_str(), verb == "ro" ? 0444 : 0644), 0);
        } else if (verb == "hand" || verb == "same") {
            std::error_code absent;
            const auto stamp = std::filesystem::last_write_time(path_, absent);
            std::ofstream(path_, std::ios::binary) << Replace(arg, "|", "\r\n");
            if (verb == "same") std::filesystem::last_write_time(path_, stamp);
        } else if (verb == "touch") {
            const std::string bytes = Replace(ReadFile(path_), "|", "\r\n");
            std::ofstream(path_, std::ios::binary) << bytes;
            std::filesystem::last_write_time(
                path_, std::filesystem::last_write_time(path_) + std::chrono::seconds(3));
        } else if (verb == "gone") {
            std::filesystem::remove(path_);
        } else if (verb == "?row") {
            const auto& c = view_.cells;
            Show("row " + arg + ": " + c[0][n[0]] + " | " + c[1][n[0]] + " | " + c[2][n[0]]);
        } else if (verb == "?pos") {
            Show("at " + std::to_string(view_.col) + "," + std::to_string(view_.row));
        } else if (verb == "?combo") {
            std::string line = "combo " + view_.comboText + " #" + std::to_string(view_.comboIndex);
            for (const auto& name : view_.profileList) line += " " + name;
            Show(line);
        } else if (verb == "?boxes") {
            Show("boxes " +
                 std::to_string(view_.checked[0] * 100 + view_.checked[1] * 10 + view_.checked[2]));
        } else if (verb == "?window") {
            const Bounds& b = view_.bounds;
            char line[128];
            std::snprintf(line, sizeof line, "window %d,%d,%d,%d max %d, stored %d,%d,%d,%d max %d",
                          b.left, b.top, b.width, b.height, view_.maximized, s.FormLeft, s.FormTop,
                          s.FormWidth, s.FormHeight, s.FormMax);
            Show(line);
        } else if (verb == "?dirty") {
            Show("dirty " + std::to_string(s.dirty));
        } else if (verb == "?key") {
            Show(lastKeyPassed_ ? "key passed" : "key consumed");
        } else if (verb == "?char") {
            Show(lastCharPassed_ ? "char passed" : "char dropped");
        } else if (verb == "?swallow") {
            Show("swallow " + std::to_string(ed.swallow));
        } else {
            FAIL() << "unknown token " << tok;
        }
    }

    std::filesystem::path dir_;
    std::string path_;
    FakeView view_;
    std::unique_ptr<Editor> editor_;
    bool lastKeyPassed_ = false;
    bool lastCharPassed_ = false;
};

TEST_P(Transcript, Runs) {
    const Case& c = GetParam();
    std::ofstream(path_, std::ios::binary) << Replace(c.ini, "|", "\r\n");
    const std::string before = ReadFile(path_);
    editor_ = std::make_unique<Editor>(view_, path_);
    view_.Attach(editor_.get());
    InstallKeyFlags();
    editor_->FormCreate(c.arg ? std::optional<std::string>(c.arg) : std::nullopt);
    editor_->FormShow();
    const settings::SettingsState shown = editor_->state;
    view_.log.clear();

    std::istringstream script(c.script);
    for (std::string tok; script >> tok;) {
        SCOPED_TRACE(tok);
        Step(tok);
    }
    const std::string log = Replace(Join(view_.log), path_, "$INI");
    EXPECT_EQ(log, c.log);
    if (c.state != nullptr) {
        EXPECT_EQ(Changes(editor_->state, shown), c.state);
    }
    EXPECT_EQ(ReadFile(path_), c.file != nullptr ? std::string(c.file) : before);
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }
#define TRANSCRIPTS(group, table) \
    INSTANTIATE_TEST_SUITE_P(group, Transcript, ::testing::ValuesIn(table), CaseName)

// ---- start: the command line's profile ----

constexpr char kProfiles[] =
    "[Config]|key1=65|data1=std|[Apl1]|Name=one|key1=66|data1=first|"
    "[Apl2]|Name=two|key1=67|data1=second|";
constexpr char kStandardShown[] = "combo 標　準 #0 標　準 one two / row 2:    1 | Ａ | std";

const Case kStart[] = {
    {"NoArgument", kProfiles, nullptr, "?combo ?row:2", kStandardShown, ""},
    {"One", kProfiles, "1", "?combo ?row:2", kStandardShown, ""},
    {"Three", kProfiles, "3", "?combo ?row:1 ?row:2 ?row:101",
     "combo two #2 標　準 one two / row 1: OnOff |  |  / row 2:    1 | Ｃ | second / "
     "row 101:  100 |  | ",
     ""},
    {"BeyondTheProfiles", kProfiles, "4", "?combo ?row:2", kStandardShown, ""},
    {"Negative", kProfiles, "-3", "?combo ?row:2", kStandardShown, ""},
    {"NoNumber", kProfiles, "2x", "?combo ?row:2", kStandardShown, ""},
};
TRANSCRIPTS(Start, kStart);

// ---- window placement ----

constexpr char kAskEndYes[] = "Box(info, yesno) 終了しますか -> Yes";

const Case kPlacement[] = {
    {"ZeroHeightOpensAsDesignedAndWritesNothing",
     "[Config]|FormLeft=5|FormTop=6|FormHeight=0|FormWidth=700|", nullptr, "?window close",
     "window 191,112,1017,656 max 0, stored 191,112,1017,656 max 0 / " + std::string(kAskEndYes) +
         " / Destroyed",
     nullptr},
    {"ZeroWidthThenMovedWritesAllFive", "[Config]|FormWidth=0|FormHeight=500|", nullptr,
     "move:10,20,800,600 close", kAskEndYes + std::string(" / Destroyed"), nullptr,
     "[Config]|FormWidth=800|FormHeight=600|FormLeft=10|FormTop=20|FormMax=0|"},
    {"StoredBoundsMaximized",
     "[Config]|FormLeft=10|FormTop=20|FormHeight=600|FormWidth=800|FormMax=1|", nullptr,
     "?window close",
     "window 10,20,800,600 max 1, stored 10,20,800,600 max 1 / " + std::string(kAskEndYes) +
         " / Destroyed",
     nullptr},
    {"ClosedMaximizedKeepsTheNormalBounds",
     "[Config]|FormLeft=10|FormTop=20|FormHeight=600|FormWidth=800|", nullptr, "max close",
     kAskEndYes + std::string(" / Destroyed"), nullptr,
     "[Config]|FormLeft=10|FormTop=20|FormHeight=600|FormWidth=800|FormMax=1|"},
};
TRANSCRIPTS(Placement, kPlacement);

// ---- check boxes and undo ----

constexpr char kUndoYes[] =
    "Box(info, yesno) 変更した設定を取り消しますか -> Yes / CB3 := on / FocusGrid / TopRow(1) / "
    "Cursor(1,1) / FocusGrid";

const Case kCheckBoxes[] = {
    {"Henstart3BecomesOneUnmarked", "[Config]|henstart=3|numlockon=1|AplAutoOff=1|", nullptr,
     "?boxes ?dirty put",
     "boxes 100 / dirty 0 / Box(info, yes) 現在の設定を登録しました -> Yes / TopRow(1) / "
     "Cursor(1,1) / FocusGrid",
     "", "[Config]|henstart=1|numlockon=1|AplAutoOff=1|"},
    // Undo rereads the 3 while CB1 stays ticked, so clearing the box then sees the 3.
    {"ClearingHenstart3AfterUndoMarks", "[Config]|henstart=3|", nullptr, "cb:3 undo cb:1 ?dirty",
     "FocusGrid / " + std::string(kUndoYes) + " / FocusGrid / dirty 1", "dirty=1 hs=0"},
    {"CB2BothWaysMarksAndUndoRestores", "[Config]|numlockon=0|", nullptr,
     "cb:2 ?dirty undo ?boxes ?dirty cb:2 cb:2 ?dirty",
     "FocusGrid / dirty 1 / Box(info, yesno) 変更した設定を取り消しますか -> Yes / CB2 := on / "
     "FocusGrid / TopRow(1) / Cursor(1,1) / FocusGrid / boxes 11 / dirty 0 / FocusGrid / "
     "FocusGrid / dirty 1",
     "dirty=1"},
    {"CB1TickedFromZeroMarks", "[Config]|henstart=0|", nullptr, "cb:1 ?dirty",
     "FocusGrid / dirty 1", "dirty=1 hs=1"},
    {"Henstart1Ticked", "[Config]|henstart=1|numlockon=1|AplAutoOff=1|", nullptr, "?boxes",
     "boxes 100", ""},
    {"ClearingHenstart1Marks", "[Config]|henstart=1|", nullptr, "cb:1 ?dirty",
     "FocusGrid / dirty 1", "dirty=1 hs=0"},
    {"CB2ClearedStoresOne", "[Config]|", nullptr, "cb:2 put",
     "FocusGrid / Box(info, yes) 現在の設定を登録しました -> Yes / TopRow(1) / Cursor(1,1) / "
     "FocusGrid",
     "nl=1", "[Config]|henstart=0|numlockon=1|AplAutoOff=0|"},
    // numlockon 0 is "keep NumLock on", and so is a file without the key: the box is ticked
    // and registering writes the 0 that the box shows.
    {"NoNumlockKeyTicksTheNumLockBox", "[Config]|henstart=1|AplAutoOff=1|", nullptr, "?boxes put",
     "boxes 110 / Box(info, yes) 現在の設定を登録しました -> Yes / TopRow(1) / Cursor(1,1) / "
     "FocusGrid",
     "", "[Config]|henstart=1|AplAutoOff=1|numlockon=0|"},
    {"NumlockOneClearsTheNumLockBox", "[Config]|henstart=1|numlockon=1|AplAutoOff=1|", nullptr,
     "?boxes", "boxes 100", ""},
    {"UndoUnchangedOnlyFocuses", "[Config]|", nullptr, "undo", "FocusGrid", ""},
    {"UndoAnsweredNo", "[Config]|", nullptr, "cb:3 box:No undo",
     "FocusGrid / Box(info, yesno) 変更した設定を取り消しますか -> No / FocusGrid",
     "dirty=1 auto=1"},
    {"UndoClosedCountsAsYes", "[Config]|key1=65|data1=abc|", nullptr,
     "cb:3 at:1,2 d:C box:Closed undo",
     "FocusGrid / Cell(1,2) := Ｃ / Cursor(2,2) / Box(info, yesno) 変更した設定を取り消しますか "
     "-> Closed / CB3 := on / FocusGrid / Cell(1,2) := Ａ / TopRow(1) / Cursor(1,1) / FocusGrid",
     ""},
};
TRANSCRIPTS(CheckBoxes, kCheckBoxes);

// ---- ending and the close questions ----

const std::string kX100(100, 'x');
const std::string kX100File =
    "[Config]|key1=65|henstart=0|numlockon=0|AplAutoOff=0|data1=" + kX100 + "|";
const std::string kX100State = "dirty=1 6:41/41=" + kX100;

constexpr char kHen[] = "[Config]|henstart=1|";
constexpr char kHenSaved[] = "[Config]|henstart=1|numlockon=0|AplAutoOff=1|";
constexpr char kAskSave[] = "Box(info, yesno) 現在の設定を登録しますか -> ";

const Case kClosing[] = {
    {"EndDirtyYesSaves", kHen, nullptr, "cb:3 end",
     "FocusGrid / CloseWindow / " + std::string(kAskSave) + "Yes / Destroyed", "end=1 auto=1",
     kHenSaved},
    {"EndDirtyNoLeavesTheFile", kHen, nullptr, "cb:3 box:No end",
     "FocusGrid / CloseWindow / " + std::string(kAskSave) + "No / Destroyed",
     "dirty=1 end=1 auto=1"},
    {"MenuEndDirtyClosedSaves", kHen, nullptr, "cb:3 box:Closed menuend",
     "FocusGrid / CloseWindow / " + std::string(kAskSave) + "Closed / Destroyed", nullptr,
     kHenSaved},
    {"CloseButtonCleanYes", kHen, nullptr, "close", kAskEndYes + std::string(" / Destroyed"), ""},
    {"CloseButtonCleanNoStays", kHen, nullptr, "box:No close",
     "Box(info, yesno) 終了しますか -> No", ""},
    {"CloseButtonCleanClosedCloses", kHen, nullptr, "box:Closed close",
     "Box(info, yesno) 終了しますか -> Closed / Destroyed", ""},
    {"CloseButtonDirtyNoNoStays", kHen, nullptr, "cb:3 box:No box:No close",
     "FocusGrid / " + std::string(kAskSave) + "No / Box(info, yesno) 終了しますか -> No",
     "dirty=1 auto=1"},
    {"CloseButtonDirtyYesNoSavesAndStays", kHen, nullptr, "cb:3 box:Yes box:No close",
     "FocusGrid / " + std::string(kAskSave) + "Yes / Box(info, yesno) 終了しますか -> No", "auto=1",
     kHenSaved},
    // Text typed but not registered with Enter is an unsaved change: はい registers it first.
    {"TypedRowAskedAndRegistered", "[Config]|key1=65|data1=abc|", nullptr, "at:2,2 t:zz close",
     kAskSave + std::string("Yes / ") + kAskEndYes + " / Destroyed", "1:41/41=abczz",
     "[Config]|key1=65|data1=abczz|henstart=0|numlockon=0|AplAutoOff=0|"},
    {"TypedRowNoKeepsTheCell", "[Config]|key1=65|data1=abc|", nullptr,
     "at:2,2 t:zz box:No box:No close ?row:2",
     kAskSave + std::string("No / Box(info, yesno) 終了しますか -> No / row 2:    1 | Ａ | abczz"),
     ""},
    {"TypedRowLeftForTheKeyColumnEndCuts", "[Config]|key1=65|", nullptr,
     "at:2,2 pad:101 at:1,2 end",
     "CloseWindow / " + std::string(kAskSave) + "Yes / Cell(2,2) := " + kX100 + " / Destroyed",
     nullptr, kX100File.c_str()},
    // The swap mode blanks a cell for a target without a name: no edit, no question.
    {"BlankedSwapCellIsNoEdit", "[Config]|key1=-30|data1=[1E]:【Ａ】|", nullptr,
     "mode:3 at:2,2 d:RAlt ?key ?swallow close",
     "Cell(1,0) := 【キー名】 / Cell(2,0) := 【交換キー名】（日本語入力モード時有効） / FocusGrid "
     "/ "
     "Cell(2,2) :=  / key passed / swallow 1 / " +
         std::string(kAskEndYes) + " / Destroyed",
     ""},
};
TRANSCRIPTS(Closing, kClosing);

// ---- hand edits made while the editor is open ----

constexpr char kOld[] = "[Config]|key1=65|data1=old|";
constexpr char kOverwrite[] =
    "Box(info, yesno) 設定ファイルが他のプログラムで変更されています\r\n上書きしますか\r\n"
    "（いいえ：上書きせずにファイルの内容を読み込み直します） -> ";
constexpr char kSavedBox[] =
    "Box(info, yes) 現在の設定を登録しました -> Yes / TopRow(1) / Cursor(1,1) / FocusGrid";
constexpr char kReloaded[] =
    "ProfileList := 標　準 / ComboText := 標　準 / ComboIndex := 0 / CB3 := on / FocusGrid / "
    "Cell(2,2) := hand / TopRow(1) / Cursor(1,1) / FocusGrid";
// An unsaved change (AplAutoOff), then another program's save.
#define HAND_EDIT "cb:3 hand:[Config]|key1=65|data1=hand|"

// The placement the editor read is the hand file's (none), so closing stores the window's.
constexpr char kHandAndPlacement[] =
    "[Config]|key1=65|data1=hand|FormLeft=191|FormTop=112|FormHeight=656|FormWidth=1017|"
    "FormMax=0|";

const Case kHandEdits[] = {
    {"PutOverAHandEditYesOverwrites", kOld, nullptr, HAND_EDIT " put",
     "FocusGrid / " + std::string(kOverwrite) + "Yes / " + kSavedBox, "auto=1",
     "[Config]|key1=65|data1=old|henstart=0|numlockon=0|AplAutoOff=1|"},
    {"PutOverAHandEditNoKeepsAndReloads", kOld, nullptr, HAND_EDIT " box:No put ?row:2 ?dirty",
     "FocusGrid / " + std::string(kOverwrite) + "No / " + kReloaded +
         " / row 2:    1 | Ａ | hand / dirty 0",
     "1:41/41=hand", "[Config]|key1=65|data1=hand|"},
    {"PutOverAHandEditClosedKeepsBoth", kOld, nullptr, HAND_EDIT " box:Closed put ?row:2 ?dirty",
     "FocusGrid / " + std::string(kOverwrite) + "Closed / row 2:    1 | Ａ | old / dirty 1",
     "dirty=1 auto=1", "[Config]|key1=65|data1=hand|"},
    // After the overwrite the file is the editor's own again: the next write asks nothing.
    {"OneQuestionThenWritesFreely", kOld, nullptr, HAND_EDIT " put cb:3 put",
     "FocusGrid / " + std::string(kOverwrite) + "Yes / " + kSavedBox + " / FocusGrid / " +
         kSavedBox,
     "", "[Config]|key1=65|data1=old|henstart=0|numlockon=0|AplAutoOff=0|"},
    {"AfterAReloadTheNextPutAsksNothing", kOld, nullptr, HAND_EDIT " box:No put cb:3 put",
     "FocusGrid / " + std::string(kOverwrite) + "No / " + kReloaded + " / FocusGrid / " + kSavedBox,
     "auto=1 1:41/41=hand", "[Config]|key1=65|data1=hand|henstart=0|numlockon=0|AplAutoOff=1|"},
    // The same bytes written again: nothing to lose, no question.
    {"TouchedFileAsksNothing", kOld, nullptr, "cb:3 touch put",
     "FocusGrid / " + std::string(kSavedBox), "auto=1",
     "[Config]|key1=65|data1=old|henstart=0|numlockon=0|AplAutoOff=1|"},
    {"SameSizeEditUnderTheSameStampAsks", kOld, nullptr,
     "cb:3 same:[Config]|key1=65|data1=new| box:Closed put",
     "FocusGrid / " + std::string(kOverwrite) + "Closed", "dirty=1 auto=1",
     "[Config]|key1=65|data1=new|"},
    {"FileDeletedAsks", kOld, nullptr, "cb:3 gone put",
     "FocusGrid / " + std::string(kOverwrite) + "Yes / " + kSavedBox, "auto=1",
     "[Config]|henstart=0|numlockon=0|AplAutoOff=1|key1=65|data1=old|"},
    {"FileCreatedAsks", "", nullptr, "gone cb:3 hand:[Config]|key1=65|data1=hand| box:No put",
     "FocusGrid / " + std::string(kOverwrite) +
         "No / ProfileList := 標　準 / ComboText := 標　準 / ComboIndex := 0 / CB3 := on / "
         "FocusGrid / Cell(1,2) := Ａ / Cell(2,2) := hand / TopRow(1) / Cursor(1,1) / FocusGrid",
     "1:41/41=hand", "[Config]|key1=65|data1=hand|"},
    // The close question: no keeps the file and closes; a closed question keeps the window.
    {"EndOverAHandEditNoKeepsTheFileAndCloses", kOld, nullptr, HAND_EDIT " box:Yes box:No end",
     "FocusGrid / CloseWindow / " + std::string(kAskSave) + "Yes / " + kOverwrite + "No / " +
         kReloaded + " / Destroyed",
     "end=1 1:41/41=hand", kHandAndPlacement},
    {"CloseOverAHandEditClosedStays", kOld, nullptr, HAND_EDIT " box:Yes box:Closed close",
     "FocusGrid / " + std::string(kAskSave) + "Yes / " + kOverwrite + "Closed", "dirty=1 auto=1",
     "[Config]|key1=65|data1=hand|"},
    {"CloseOverAHandEditYesOverwrites", kOld, nullptr, HAND_EDIT " box:Yes box:Yes close",
     "FocusGrid / " + std::string(kAskSave) + "Yes / " + kOverwrite + "Yes / " + kAskEndYes +
         " / Destroyed",
     "auto=1", "[Config]|key1=65|data1=old|henstart=0|numlockon=0|AplAutoOff=1|"},
    // A registered row not yet saved is an unsaved change too.
    {"TypedRowOverAHandEditNoGivesWay", kOld, nullptr,
     "hand:[Config]|key1=65|data1=hand| at:2,2 t:zz box:Yes box:No end",
     "CloseWindow / " + std::string(kAskSave) + "Yes / " + kOverwrite +
         "No / ProfileList := 標　準 / ComboText := 標　準 / ComboIndex := 0 / Cell(2,2) := hand / "
         "TopRow(1) / Cursor(1,1) / FocusGrid / Destroyed",
     "end=1 1:41/41=hand", kHandAndPlacement},
    // Nothing unsaved: the editor writes only its placement, into the file as it is now.
    {"CleanCloseLeavesTheHandEdit", kOld, nullptr,
     "hand:[Config]|key1=65|data1=hand| move:1,2,300,400 close",
     kAskEndYes + std::string(" / Destroyed"), "",
     "[Config]|key1=65|data1=hand|FormLeft=1|FormTop=2|FormHeight=400|FormWidth=300|FormMax=0|"},
    // What the close question wrote is the editor's own: the window kept, nothing is asked.
    {"CloseSavesAndStaysThenPutAsksNothing", kOld, nullptr, "cb:3 box:Yes box:No close cb:3 put",
     "FocusGrid / " + std::string(kAskSave) + "Yes / Box(info, yesno) 終了しますか -> No / " +
         "FocusGrid / " + kSavedBox,
     "", "[Config]|key1=65|data1=old|henstart=0|numlockon=0|AplAutoOff=0|"},
    // Undo reads the file: what it read is then the editor's.
    {"UndoTakesTheHandEdit", kOld, nullptr, HAND_EDIT " undo cb:3 put",
     "FocusGrid / Box(info, yesno) 変更した設定を取り消しますか -> Yes / CB3 := on / FocusGrid / "
     "Cell(2,2) := hand / TopRow(1) / Cursor(1,1) / FocusGrid / FocusGrid / " +
         std::string(kSavedBox),
     "auto=1 1:41/41=hand", "[Config]|key1=65|data1=hand|henstart=0|numlockon=0|AplAutoOff=1|"},
};
TRANSCRIPTS(HandEdits, kHandEdits);
#undef HAND_EDIT

// ---- write errors: shown, nothing lost, the window stays ----

constexpr char kWriteError[] = "Box(apperror, ok) $INI に書き込めません. -> Yes";

const Case kWriteErrors[] = {
    {"Register", kHen, nullptr, "cb:3 ro put", "FocusGrid / " + std::string(kWriteError),
     "dirty=1 auto=1"},
    {"CloseQuestionThenRetry", kHen, nullptr, "cb:3 ro end ?dirty rw end",
     "FocusGrid / CloseWindow / " + std::string(kAskSave) + "Yes / " + kWriteError +
         " / dirty 1 / CloseWindow / " + kAskSave + "Yes / Destroyed",
     "end=1 auto=1", kHenSaved},
    {"FormCloseThenCloseAgain", kHen, nullptr, "ro move:1,2,300,400 close close",
     kAskEndYes + std::string(" / ") + kWriteError + " / " + kAskEndYes + " / Destroyed", ""},
};
TRANSCRIPTS(WriteErrors, kWriteErrors);

// ---- the key-name column ----

// Grid rows: 1 OnOff F12; 2 Ａ "abc"; 3 【Ａ】 swap token; 6 Ｂ "bee"; 101 Ｃ "last".
constexpr char kRules[] =
    "[Config]|key0=123|key1=65|data1=abc|key2=-30|data2=[1E]:【Ａ】|key5=66|data5=bee|"
    "key100=67|data100=last|";

const Case kKeyColumn[] = {
    {"Mode0CaptureThenUpReverts", kRules, nullptr, "at:1,6 d:A ?row:6 d:Up ?row:6 ?pos",
     "Cell(1,6) := Ａ / Cursor(2,6) / row 6:    5 | Ａ | bee / Cell(1,6) := Ｂ / Cursor(2,6) / "
     "row 6:    5 | Ｂ | bee / at 2,5",
     ""},
    {"Mode0ShiftAloneNothingShiftAOnlyA", kRules, nullptr, "at:1,7 d:Shift ?pos d:Shift d:A",
     "at 1,7 / Cell(1,7) := Ａ / Cursor(2,7)", "6:41/0"},
    {"Mode1ShiftCapturesSidesClickReverts", kRules, nullptr,
     "mode:1 at:1,7 d:Shift at:1,8 d:RShift",
     "Cell(1,0) := 【キー名】 / Cell(2,0) := 文字データ（半角１００文字以内）設定（日本語入力"
     "モード時有効） / FocusGrid / Cell(1,7) := 【左Shift】 / Cursor(2,7) / Cell(1,7) :=  / "
     "Cell(1,8) := 【右Shift】 / Cursor(2,8)",
     "7:-36/0"},
    {"ClickInThePendingRowKeepsIt", kRules, nullptr, "at:1,7 d:A at:2,7 at:1,7 ?row:7",
     "Cell(1,7) := Ａ / Cursor(2,7) / row 7:    6 | Ａ | ", "6:41/0"},
    {"NumEnterAndRightAlt", kRules, nullptr, "at:1,7 d:NumEnter at:1,8 d:RAlt",
     "Cell(1,7) := ﾃﾝｷｰEnter / Cursor(2,7) / Cell(1,7) :=  / Cell(1,8) := 右Alt / Cursor(2,8)",
     "7:A5/0"},
    {"DeleteOnTheLastRow", kRules, nullptr, "at:1,101 d:Del ?pos put",
     "Cell(1,101) :=  / Cell(2,101) :=  / Cursor(1,101) / at 1,101 / Box(info, yes) "
     "現在の設定を登録しました -> Yes / TopRow(1) / Cursor(1,1) / FocusGrid",
     "100:0/0",
     "[Config]|key0=123|key1=65|data1=abc|key2=-30|data2=[1E]:【Ａ】|key5=66|data5=bee|"
     "henstart=0|numlockon=0|AplAutoOff=0|"},
    {"PageKeysAndDownRevertAPendingRow", kRules, nullptr,
     "at:1,6 d:A d:PgUp ?row:6 at:1,6 d:C d:PgDn at:1,6 d:A d:Down ?row:6 ?pos",
     "Cell(1,6) := Ａ / Cursor(2,6) / Cell(1,6) := Ｂ / row 6:    5 | Ｂ | bee / Cell(1,6) := Ｃ / "
     "Cursor(2,6) / Cell(1,6) := Ｂ / Cell(1,6) := Ａ / Cursor(2,6) / Cell(1,6) := Ｂ / "
     "Cursor(2,6) / row 6:    5 | Ｂ | bee / at 2,7",
     ""},
    {"HeaderClickKeepsThePendingRow", kRules, nullptr, "at:1,6 d:A at:1,0 ?row:6",
     "Cell(1,6) := Ａ / Cursor(2,6) / row 6:    5 | Ａ | bee", "5:41/42=bee"},
    {"ReturnAloneMovesToTheDataColumn", kRules, nullptr, "at:1,6 ch:CR ?pos",
     "Cursor(2,6) / at 2,6", "dirty=1"},
    {"Mode1UnnamedKeyKeepsTheCellAndTheCursor", kRules, nullptr, "mode:1 at:1,6 d:RAlt ?row:6 ?pos",
     "Cell(1,0) := 【キー名】 / Cell(2,0) := 文字データ（半角１００文字以内）設定（日本語入力"
     "モード時有効） / FocusGrid / row 6:    5 | Ｂ | bee / at 1,6",
     "5:-B8/42=bee"},
    {"UpOnTheFirstAndDownOnTheLastStay", kRules, nullptr, "at:2,1 d:Up ?pos at:2,101 d:Down ?pos",
     "Cursor(2,2) / at 2,1 / Cursor(2,100) / at 2,101", ""},
    {"LeftMovesAndIsNoKey", kRules, nullptr, "at:1,6 d:Left ?key ?row:6 ?pos",
     "key passed / row 6:    5 | Ｂ | bee / at 1,6", ""},
    {"CaptureConsumesTheKeyAndItsCharacter", kRules, nullptr, "at:1,7 d:A ?key ?char ?row:7",
     "Cell(1,7) := Ａ / Cursor(2,7) / key consumed / char dropped / row 7:    6 | Ａ | ", "6:41/0"},
    {"DeleteIsConsumedClearsTheRowAndMarks", kRules, nullptr, "at:1,6 d:Del ?key ?dirty ?pos",
     "Cell(1,6) :=  / Cell(2,6) :=  / Cursor(1,7) / key consumed / dirty 1 / at 1,7",
     "dirty=1 5:0/0"},
    {"Mode1ScanBeyondTheNamesKeepsTheCellAndTheCursor", kRules, nullptr,
     "mode:1 at:1,6 d:Ext80 ?row:6 ?pos",
     "Cell(1,0) := 【キー名】 / Cell(2,0) := 文字データ（半角１００文字以内）設定（日本語入力"
     "モード時有効） / FocusGrid / row 6:    5 | Ｂ | bee / at 1,6",
     "5:-100/42=bee"},
    // Text an input method delivers after an arrow key is the new row's; a click elsewhere
    // reverts that row.
    {"ImeTextAfterDownRevertedByAClick", kRules, nullptr, "at:2,6 d:Down ch:x at:2,2 ?row:7",
     "Cursor(2,6) / Cell(2,7) :=  / row 7:    6 |  | ", ""},
    {"ImeTextAfterUpRevertedByAClick", kRules, nullptr, "at:2,6 d:Up ch:x at:2,2 ?row:5",
     "Cursor(2,6) / Cell(2,5) :=  / row 5:    4 |  | ", ""},
    {"ReturnIsDropped", kRules, nullptr, "at:1,6 ch:CR ?char", "Cursor(2,6) / char dropped",
     "dirty=1"},
};
TRANSCRIPTS(KeyColumn, kKeyColumn);

// ---- the data column ----

constexpr char kMode2[] =
    "Cell(2,0) := １キー設定（ショートカットキーは２行に渡って設定） / FocusGrid";
constexpr char kMode3[] =
    "Cell(1,0) := 【キー名】 / Cell(2,0) := 【交換キー名】（日本語入力モード時有効） / FocusGrid";

const Case kDataColumn[] = {
    {"Mode0TypeAndEnterRegisters", kRules, nullptr, "at:1,7 d:A t:hi d:Enter ?pos",
     "Cell(1,7) := Ａ / Cursor(2,7) / Cursor(1,8) / at 1,8", "dirty=1 6:41/41=hi"},
    {"SwallowedUntilTheGridGainsFocus", kRules, nullptr, "at:1,7 d:A ch:z cb:1 ch:z ?row:7",
     "Cell(1,7) := Ａ / Cursor(2,7) / FocusGrid / row 7:    6 | Ａ | z", nullptr},
    {"EnterCutsTo100BytesWholeCharacters", "[Config]|key6=65|", nullptr,
     "at:2,7 pad:99 t:あ d:Enter", "Cell(2,7) := " + std::string(99, 'x') + " / Cursor(1,8)",
     nullptr},
    {"Enter100BytesStayWhole", "[Config]|key6=65|", nullptr, "at:2,7 pad:100 d:Enter",
     "Cursor(1,8)", kX100State.c_str()},
    {"Enter101BytesCutTo100", "[Config]|key6=65|", nullptr, "at:2,7 pad:101 d:Enter",
     "Cell(2,7) := " + kX100 + " / Cursor(1,8)", kX100State.c_str()},
    {"Mode2ShiftAloneThenAToken", kRules, nullptr, "mode:2 at:2,6 d:Shift ?pos d:A",
     kMode2 + std::string(" / at 2,6 / Cell(2,6) := <41>:Ａ / Cursor(1,7)"),
     "dirty=1 5:42/42=<41>:Ａ"},
    {"Mode2DeleteRegistersThePendingKey", kRules, nullptr, "mode:2 at:1,6 d:A d:Del",
     kMode2 + std::string(" / Cell(1,6) := Ａ / Cursor(2,6) / Cell(2,6) :=  / Cursor(1,7)"),
     "dirty=1 5:41/41"},
    // Registered, but a row without a key is not written.
    {"Mode2TokenOnARowWithoutKey", kRules, nullptr, "mode:2 at:2,8 d:A put",
     kMode2 + std::string(" / Cell(2,8) := <41>:Ａ / Cursor(1,9) / Box(info, yes) "
                          "現在の設定を登録しました -> Yes / TopRow(1) / Cursor(1,1) / FocusGrid"),
     "7:0/0=<41>:Ａ",
     "[Config]|key0=123|key1=65|data1=abc|key2=-30|data2=[1E]:【Ａ】|key5=66|data5=bee|"
     "key100=67|data100=last|henstart=0|numlockon=0|AplAutoOff=0|"},
    {"Mode2EnterGivesAToken", kRules, nullptr, "mode:2 at:2,6 d:NumEnter",
     kMode2 + std::string(" / Cell(2,6) := <0D>:Enter / Cursor(1,7)"),
     "dirty=1 5:42/42=<0D>:Enter"},
    {"Mode2DeleteDisablesAndSwapRowRefuses", kRules, nullptr, "mode:2 at:2,6 d:Del at:2,3 d:A",
     kMode2 + std::string(" / Cell(2,6) :=  / Cursor(1,7) / Box(error, ok) "
                          "キー交換の設定をしてください -> Yes"),
     "dirty=1 5:42/42"},
    // A refused key is consumed but leaves the swallow flag alone: its character goes on.
    {"Mode3RefusesAPositiveRowFlagUntouched", kRules, nullptr,
     "mode:3 at:2,6 d:C ?key ?swallow ?row:6",
     kMode3 + std::string(" / Box(error, ok) 文字データの設定をしてください -> Yes / "
                          "key consumed / swallow 0 / row 6:    5 | Ｂ | beec"),
     ""},
    {"Mode2DeleteAndTokenAreConsumed", kRules, nullptr, "mode:2 at:2,6 d:Del ?key at:2,8 d:A ?key",
     kMode2 + std::string(" / Cell(2,6) :=  / Cursor(1,7) / key consumed / Cell(2,8) := <41>:Ａ / "
                          "Cursor(1,9) / key consumed"),
     "dirty=1 5:42/42 7:0/0=<41>:Ａ"},
    {"Mode3TabOnASwapRowAndTheSameModeAgain", kRules, nullptr, "mode:3 mode:3 at:2,3 d:Tab",
     kMode3 + std::string(" / Cell(2,3) := [0F]:【Tab】 / Cursor(1,4)"),
     "dirty=1 2:-1E/-1E=[0F]:【Tab】"},
};
TRANSCRIPTS(DataColumn, kDataColumn);

// ---- operation-key buttons and the On/Off row ----

const Case kButtonsAndOnOff[] = {
    {"Mode1TabOnASwapRow", kRules, nullptr, "mode:1 at:2,3 btn:Tab",
     "Cell(1,0) := 【キー名】 / Cell(2,0) := 文字データ（半角１００文字以内）設定（日本語入力"
     "モード時有効） / FocusGrid / Cell(2,3) := [0F]:【Tab】 / Cursor(1,4) / FocusGrid",
     "dirty=1 2:-1E/-1E=[0F]:【Tab】"},
    {"Mode3AltLeavesTheKeyCell", kRules, nullptr, "mode:3 at:1,7 btn:Alt ?row:7 ?pos",
     kMode3 + std::string(" / FocusGrid / row 7:    6 |  |  / at 1,7"), "6:-B8/0"},
    {"Mode0KeyColumnAndSwapRowRefusal", kRules, nullptr, "at:1,7 btn:Ctrl at:2,3 btn:Tab btn:Top",
     "Cell(1,7) := 左右Ctrl / Cursor(2,7) / FocusGrid / Cell(1,7) :=  / Box(error, ok) "
     "キー交換の設定をしてください -> Yes / FocusGrid / FocusGrid",
     ""},
    // A refused button puts back what was typed into the cell.
    {"Mode2RefusedButtonRestoresTheCell", kRules, nullptr, "mode:2 at:2,3 pad:2 btn:Tab ?row:3",
     kMode2 + std::string(" / Box(error, ok) キー交換の設定をしてください -> Yes / Cell(2,3) := "
                          "[1E]:【Ａ】 / FocusGrid / row 3:    2 | 【Ａ】 | [1E]:【Ａ】"),
     ""},
    {"Mode0RefusedButtonRestoresTheCell", kRules, nullptr, "at:2,3 pad:2 btn:Tab ?row:3",
     "Box(error, ok) キー交換の設定をしてください -> Yes / Cell(2,3) := [1E]:【Ａ】 / FocusGrid / "
     "row 3:    2 | 【Ａ】 | [1E]:【Ａ】",
     ""},
    {"OnOffRefusedButtonRestoresTheCell", kRules, nullptr, "at:2,1 pad:2 btn:Del ?row:1",
     "Box(error, ok) OnOffキーの設定はできません -> Yes / Cell(2,1) :=  / FocusGrid / row 1: OnOff "
     "| F12 | ",
     ""},
    {"Mode2ArrowButtonIsAToken", kRules, nullptr, "mode:2 at:2,6 btn:Top",
     kMode2 + std::string(" / Cell(2,6) := <26>:↑ / Cursor(1,7) / FocusGrid"),
     "dirty=1 5:42/42=<26>:↑"},
    {"OnOffCaptureMovesOnAndMarks", kRules, nullptr, "at:1,1 d:A ?pos at:2,1 btn:Del",
     "Cell(1,1) := Ａ / Cursor(2,1) / Cursor(1,2) / at 1,2 / Box(error, ok) "
     "OnOffキーの設定はできません -> Yes / FocusGrid",
     "dirty=1 0:41/7B"},
    {"OnOffRefusesJapaneseModes", kRules, nullptr, "mode:1 at:1,1 d:F12 ?key ?swallow ?row:1",
     "Cell(1,0) := 【キー名】 / Cell(2,0) := 文字データ（半角１００文字以内）設定（日本語入力"
     "モード時有効） / FocusGrid / Box(error, ok) OnOffキーの設定は、キー交換の設定はできません "
     "-> Yes / key consumed / swallow 0 / row 1: OnOff | F12 | ",
     ""},
};
TRANSCRIPTS(ButtonsAndOnOff, kButtonsAndOnOff);

// ---- cell painting ----

TEST(SG1DrawCell, FixedRowAndColumnAndTheFocusedCell) {
    const struct {
        int col, row;
        bool focused;
        const char* style;
    } cases[] = {
        {0, 0, false, "fixed 1,3"},  {0, 5, false, "fixed 1,3"},   {2, 0, false, "fixed 1,3"},
        {1, 5, false, "FFFFFF 4,4"}, {2, 101, true, "FFFF00 4,4"},
    };
    FakeView view;
    Editor ed(view, "/nonexistent/Yorvan2.ini");
    for (const auto& c : cases) {
        const CellStyle s = ed.SG1DrawCell(c.col, c.row, c.focused);
        char line[64];
        if (s.fixed) {
            std::snprintf(line, sizeof line, "fixed %d,%d", s.textX, s.textY);
        } else {
            std::snprintf(line, sizeof line, "%02X%02X%02X %d,%d", s.background.r, s.background.g,
                          s.background.b, s.textX, s.textY);
        }
        EXPECT_EQ(std::string(line), c.style) << c.col << "," << c.row;
    }
}

// ---- the first display ----

TEST(FormShow, FillsTheWindowInOrder) {
    FakeView view;
    Editor ed(view, "/nonexistent/Yorvan2.ini");
    view.Attach(&ed);
    ed.FormCreate(std::nullopt);
    ed.FormShow();
    Lines log, labels;
    for (const auto& l : view.log) {
        if (l.rfind("LMsg", 0) == 0) labels.push_back(l);
        if (l.rfind("LMsg", 0) != 0 && l.rfind("Cell(", 0) != 0) log.push_back(l);
    }
    EXPECT_EQ(Join(labels),
              "LMsg := キー名列で任意のキーを押してキー設定（OnOff行は変換機能ONOFFのホットキーの"
              "設定）\r\n操作キーへの設定は該当ボタンを押して設定　　　　【Shift】併用で漢字キー等"
              "設定可\r\n変換データを半角100文字以内で入力後【Ｅｎｔｅｒ】でその行登録 / LMsg2 := "
              "キー名列【Ｄｅｌｅｔｅ】で設定を削除、１キー設定列【Ｄｅｌｅｔｅ】でそのキーを無効");
    EXPECT_EQ(Join(log),
              "Maximized := 0 / AppTitle := Yorvan2変換設定 / ProfileList := 標　準 / ComboText "
              ":= 標　準 / ComboIndex := 0 / CB2 := on / FocusGrid / CB3 := on / FocusGrid / "
              "ColumnWidth(0) := 40 / ColumnWidth(1) := 110 / ColumnWidth(2) := 700 / "
              "GridWidth := 875 / TopRow(1) / Cursor(1,1) / FocusGrid");
    EXPECT_EQ(view.cells[0][0] + "|" + view.cells[0][1] + "|" + view.cells[0][2] + "|" +
                  view.cells[0][101],
              " Ｎｏ |OnOff|   1| 100");
}

// A failure while the window is first shown ends the program as the end button does.
TEST(FormShow, FailureEndsWithoutTheEndQuestion) {
    struct BrokenView : FakeView {
        void SetLabel(Label, const std::string&) override { throw std::runtime_error("no"); }
    } view;
    Editor ed(view, "/nonexistent/Yorvan2.ini");
    view.Attach(&ed);
    ed.FormShow();
    EXPECT_EQ(Join(Lines(view.log.end() - 3, view.log.end())),
              "Box(error, ok) 画面の表示に失敗しました\r\nプログラムを終了します -> Yes / "
              "CloseWindow / Destroyed");
}

// ---- program start ----

class FakeStart : public StartPlatform {
  public:
    bool answers[3] = {};  // FindWindowA, OpenMutexA, CreateMutexA
    Lines log;
    bool FindWindowA(const std::string& t) override { return Log("FindWindowA " + t, 0); }
    bool OpenMutexA(const std::string& n) override { return Log("OpenMutexA " + n, 1); }
    bool CreateMutexA(const std::string& n) override { return Log("CreateMutexA " + n, 2); }
    void MessageBoxA(const std::string& text, const std::string& caption) override {
        Log("MessageBoxA " + text + " / " + caption, 0);
    }
    bool Log(const std::string& line, int i) { return log.push_back(line), answers[i]; }
};

TEST(CheckStart, HostWindowAndSingleInstance) {
    const struct {
        bool host, exists, created, runs;
        const char* log;
    } cases[] = {
        {true, false, true, true, "OpenMutexA YorvanSet.exe / CreateMutexA YorvanSet.exe"},
        {false, false, true, false,
         "MessageBoxA Ｙｏｒｖａｎ２から起動させてください / Yorvan2変換設定"},
        {true, true, true, false, "OpenMutexA YorvanSet.exe"},
        {true, false, false, false,
         "OpenMutexA YorvanSet.exe / CreateMutexA YorvanSet.exe / MessageBoxA "
         "プログラムを起動できません / Yorvan2変換設定"},
    };
    for (const auto& c : cases) {
        FakeStart p;
        p.answers[0] = c.host, p.answers[1] = c.exists, p.answers[2] = c.created;
        EXPECT_EQ(CheckStart(p, "C:\\Program Files\\表\\YorvanSet.exe"), c.runs);
        EXPECT_EQ(Join(p.log), "FindWindowA Yorvan2 / " + std::string(c.log));
    }
}

}  // namespace
}  // namespace yv::editor::testing
