// Transcript tests of the editor core: a settings file and a command-line argument go in, the
// window is created and shown, then a script of user actions runs against the fake view. The
// view's log, a summary of SettingsState and the settings file are compared.
//
// Script tokens:
//   d:KEY       key-down of a named key (table below), then the character it derives
//   t:TEXT      typing: a key-down and a character for each byte
//   ch:X        a character alone, as an input method delivers its result
//   pad:N       the user edits the current cell: N bytes 'x' appended
//   at:C,R      mouse click on cell (C,R)
//   btn:NAME    operation-key button (Tab Del Pup Pdwn Top Left Right Down Alt Ctrl PrtScr Win
//               Apps Shift)
//   mode:N      RG1 item N;  cb:N  click on check box CBn
//   undo put end menuend close    the buttons, the menu item, the window's close button
//   box:ANSWER  the next box's answer (Yes No Closed); unscripted boxes answer Yes
//   move:L,T,W,H  max      the user moves or maximizes the window
//   ro rw       the settings file becomes read-only / writable
//   ?row:R ?pos ?combo ?boxes ?window ?place ?dirty    log what the window or state shows
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor.h"
#include "fake_view.h"
#include "keynames.h"
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
    {"PgUp", 0x21, 0x149, 0},  {"PgDn", 0x22, 0x151, 0},    {"Del", 0x2E, 0x153, 0},
    {"Alt", 0x12, 0x38, 0},    {"RAlt", 0x12, 0x138, 0},    {"F12", 0x7B, 0x58, 0},
    {"Conv", 0xE5, 0x79, 0},
};
constexpr std::pair<const char*, std::uint16_t> kButtons[] = {
    {"Tab", kBTab},   {"Del", kBDel},     {"Pup", kBPup},       {"Pdwn", kBPdwn},
    {"Top", kBTop},   {"Left", kBLeft},   {"Right", kBRight},   {"Down", kBDown},
    {"Alt", kBAlt},   {"Ctrl", kBCtrl},   {"PrtScr", kBPrtScr}, {"Win", kBWin},
    {"Apps", kBApps}, {"Shift", kBShift},
};

struct Case {
    const char* name;
    const char* ini;  // '|' ends a line; nullptr: no file
    const char* arg;  // the command line's argument; nullptr: none
    const char* script;
    Lines log;
    const char* state;           // Summary(); nullptr: not compared
    const char* file = nullptr;  // '|' ends a line; nullptr: the file must be unchanged
};

std::string Crlf(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) out += *p == '|' ? std::string("\r\n") : std::string(1, *p);
    return out;
}

std::string Bars(std::string text) {
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

std::string Hex(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%X", v < 0 ? "-" : "", v < 0 ? -v : v);
    return buf;
}

// Options, flags and every row that holds something: "row:key/prev=data".
std::string Summary(const settings::SettingsState& s) {
    std::string out =
        "p=" + std::to_string(s.currentProfile) + " dirty=" + std::to_string(s.dirty) +
        " end=" + std::to_string(s.endRequested) + " hs=" + std::to_string(s.henstart) +
        " nl=" + std::to_string(s.numlockon) + " auto=" + std::to_string(s.AplAutoOff);
    for (int i = 0; i < settings::kRuleRows; ++i) {
        if (s.keyCodes[i] == 0 && s.prevKeyCodes[i] == 0 && s.convData[i].empty()) continue;
        out += " " + std::to_string(i) + ":" + Hex(s.keyCodes[i]) + "/" + Hex(s.prevKeyCodes[i]);
        if (!s.convData[i].empty()) out += "=" + s.convData[i];
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "(absent)";
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<int> Numbers(const std::string& text) {
    std::vector<int> out;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, ',');) out.push_back(std::stoi(part));
    return out;
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
        if (key != 0) GridMoves(key);
        if (k.ch != 0) Char(k.ch);
    }
    // The grid's own handling of a key the editor left alone.
    void GridMoves(std::uint16_t vk) {
        const int step = vk == 0x26 ? -1 : vk == 0x28 ? 1 : vk == 0x21 ? -10 : vk == 0x22 ? 10 : 0;
        view_.row = std::clamp(view_.row + step, 1, kLastGridRow);
    }
    void Char(char ch) {
        editor_->SG1KeyPress(ch);
        if (ch != 0 && view_.col == 2 && static_cast<unsigned char>(ch) >= 0x20) {
            view_.cells[2][view_.row] += ch;  // the in-place editor
        }
    }
    void LeaveGrid() { view_.gridFocused = false; }

    void Step(const std::string& tok) {
        const auto colon = tok.find(':');
        const std::string verb = tok.substr(0, colon);
        const std::string arg = colon == std::string::npos ? "" : tok.substr(colon + 1);
        Editor& ed = *editor_;
        if (verb == "d") {
            for (const Key& k : kKeys) {
                if (arg == k.name) return Press(k);
            }
            FAIL() << "unknown key " << arg;
        } else if (verb == "t") {
            for (char c : arg) {
                const bool alnum = std::isalnum(static_cast<unsigned char>(c)) != 0;
                Press({"", static_cast<std::uint16_t>(alnum ? std::toupper(c) : 0xE5), 0, c});
            }
        } else if (verb == "ch") {
            Char(arg[0]);  // a character without a key-down, as an input method delivers it
        } else if (verb == "pad") {
            view_.cells[2][view_.row] += std::string(std::stoi(arg), 'x');
        } else if (verb == "at") {
            const auto n = Numbers(arg);
            ed.SG1MouseDown(n[0], n[1]);
            view_.col = n[0];
            view_.row = n[1];
            if (!view_.gridFocused) {
                view_.gridFocused = true;
                ed.SG1Enter();
            }
        } else if (verb == "btn") {
            for (const auto& [name, vk] : kButtons) {
                if (arg == name) {
                    LeaveGrid();
                    ed.RunHandler([&, vk = vk] { ed.ButtonClick(vk); });
                    return;
                }
            }
            FAIL() << "unknown button " << arg;
        } else if (verb == "mode") {
            LeaveGrid();
            ed.RunHandler([&] { ed.RG1Click(std::stoi(arg)); });
        } else if (verb == "cb") {
            const int n = std::stoi(arg);
            LeaveGrid();
            view_.checked[n - 1] = !view_.checked[n - 1];
            ed.RunHandler([&] { n == 1 ? ed.CB1Click() : n == 2 ? ed.CB2Click() : ed.CB3Click(); });
        } else if (verb == "undo") {
            LeaveGrid();
            ed.RunHandler([&] { ed.B1Click(); });
        } else if (verb == "put") {
            LeaveGrid();
            ed.RunHandler([&] { ed.BPutClick(); });
        } else if (verb == "end") {
            LeaveGrid();
            ed.RunHandler([&] { ed.BEndClick(); });
        } else if (verb == "menuend") {
            ed.RunHandler([&] { ed.End1Click(); });
        } else if (verb == "close") {
            view_.UserClose();
        } else if (verb == "box") {
            view_.AnswerNext(arg == "No"       ? Answer::kNo
                             : arg == "Closed" ? Answer::kClosed
                                               : Answer::kYes);
        } else if (verb == "move") {
            const auto n = Numbers(arg);
            view_.bounds = {n[0], n[1], n[2], n[3]};
        } else if (verb == "max") {
            view_.maximized = true;
            view_.bounds = {0, 0, 1920, 1040};
        } else if (verb == "ro" || verb == "rw") {
            ASSERT_EQ(::chmod(path_.c_str(), verb == "ro" ? 0444 : 0644), 0);
        } else if (verb == "?row") {
            const int r = std::stoi(arg);
            view_.log.push_back("row " + arg + ": " + view_.cells[0][r] + " | " +
                                view_.cells[1][r] + " | " + view_.cells[2][r]);
        } else if (verb == "?pos") {
            view_.log.push_back("at " + std::to_string(view_.col) + "," +
                                std::to_string(view_.row) + " top " + std::to_string(view_.topRow));
        } else if (verb == "?combo") {
            std::string line = "combo " + view_.comboText + " #" + std::to_string(view_.comboIndex);
            for (const auto& n : view_.profileList) line += " " + n;
            view_.log.push_back(line);
        } else if (verb == "?boxes") {
            view_.log.push_back(std::string("boxes ") + (view_.checked[0] ? "1" : "0") +
                                (view_.checked[1] ? "1" : "0") + (view_.checked[2] ? "1" : "0"));
        } else if (verb == "?window") {
            const Bounds& b = view_.bounds;
            view_.log.push_back("window " + std::to_string(b.left) + "," + std::to_string(b.top) +
                                "," + std::to_string(b.width) + "," + std::to_string(b.height) +
                                " max " + (view_.maximized ? "1" : "0"));
        } else if (verb == "?place") {
            const auto& s = ed.state;
            view_.log.push_back("place " + std::to_string(s.FormLeft) + "," +
                                std::to_string(s.FormTop) + "," + std::to_string(s.FormWidth) +
                                "," + std::to_string(s.FormHeight) + " max " +
                                std::to_string(s.FormMax));
        } else if (verb == "?dirty") {
            view_.log.push_back("dirty " + std::to_string(ed.state.dirty));
        } else {
            FAIL() << "unknown token " << tok;
        }
    }

    std::filesystem::path dir_;
    std::string path_;
    FakeView view_;
    std::unique_ptr<Editor> editor_;
};

TEST_P(Transcript, Runs) {
    const Case& c = GetParam();
    if (c.ini != nullptr) std::ofstream(path_, std::ios::binary) << Crlf(c.ini);
    const std::string before = ReadFile(path_);
    editor_ = std::make_unique<Editor>(view_, path_);
    view_.Attach(editor_.get());
    InstallKeyFlags();
    editor_->FormCreate(c.arg ? std::optional<std::string>(c.arg) : std::nullopt);
    editor_->FormShow();
    view_.log.clear();

    std::istringstream script(c.script);
    for (std::string tok; script >> tok;) {
        SCOPED_TRACE(tok);
        Step(tok);
    }
    for (auto& line : view_.log) {
        for (auto at = line.find(path_); at != std::string::npos; at = line.find(path_)) {
            line.replace(at, path_.size(), "$INI");
        }
    }
    EXPECT_EQ(view_.log, c.log);
    if (c.state != nullptr) {
        EXPECT_EQ(Summary(editor_->state), c.state);
    }
    EXPECT_EQ(Bars(ReadFile(path_)), c.file != nullptr ? std::string(c.file) : Bars(before));
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

#define TRANSCRIPTS(group, table) \
    INSTANTIATE_TEST_SUITE_P(group, Transcript, ::testing::ValuesIn(table), CaseName)

// ---- start: the command line's profile ----

constexpr char kProfiles[] =
    "[Config]|key1=65|data1=std|[Apl1]|Name=one|key1=66|data1=first|"
    "[Apl2]|Name=two|key1=67|data1=second|";

const Case kStart[] = {
    {"NoArgument",
     kProfiles,
     nullptr,
     "?combo ?row:2",
     {"combo 標　準 #0 標　準 one two", "row 2:    1 | Ａ | std"},
     "p=0 dirty=0 end=0 hs=0 nl=0 auto=0 1:41/41=std"},
    {"One",
     kProfiles,
     "1",
     "?combo ?row:2",
     {"combo 標　準 #0 標　準 one two", "row 2:    1 | Ａ | std"},
     nullptr},
    {"Three",
     kProfiles,
     "3",
     "?combo ?row:2 ?row:1 ?row:101",
     {"combo two #2 標　準 one two", "row 2:    1 | Ｃ | second", "row 1: OnOff |  | ",
      "row 101:  100 |  | "},
     "p=2 dirty=0 end=0 hs=0 nl=0 auto=0 1:43/43=second"},
    {"BeyondProfiles", kProfiles, "4", "?combo", {"combo 標　準 #0 標　準 one two"}, nullptr},
    {"Negative", kProfiles, "-3", "?combo", {"combo 標　準 #0 標　準 one two"}, nullptr},
    {"NoNumber", kProfiles, "2x", "?combo", {"combo 標　準 #0 標　準 one two"}, nullptr},
};
TRANSCRIPTS(Start, kStart);

// ---- window placement ----

const Case kPlacement[] = {
    {"ZeroHeightKeepsDesignAndWritesNothing",
     "[Config]|FormLeft=5|FormTop=6|FormHeight=0|FormWidth=700|",
     nullptr,
     "?window ?place close",
     {"window 191,112,1017,656 max 0", "place 191,112,1017,656 max 0",
      "Box(info, yesno) 終了しますか -> Yes", "Destroyed"},
     nullptr},
    {"ZeroWidthThenMovedWritesAllFive",
     "[Config]|FormWidth=0|FormHeight=500|",
     nullptr,
     "move:10,20,800,600 close",
     {"Box(info, yesno) 終了しますか -> Yes", "Destroyed"},
     nullptr,
     "[Config]|FormWidth=800|FormHeight=600|FormLeft=10|FormTop=20|FormMax=0|"},
    {"StoredBoundsAndMaximized",
     "[Config]|FormLeft=10|FormTop=20|FormHeight=600|FormWidth=800|FormMax=1|",
     nullptr,
     "?window close",
     {"window 10,20,800,600 max 1", "Box(info, yesno) 終了しますか -> Yes", "Destroyed"},
     nullptr},
    {"ClosedMaximizedKeepsNormalBounds",
     "[Config]|FormLeft=10|FormTop=20|FormHeight=600|FormWidth=800|",
     nullptr,
     "max close",
     {"Box(info, yesno) 終了しますか -> Yes", "Destroyed"},
     nullptr,
     "[Config]|FormLeft=10|FormTop=20|FormHeight=600|FormWidth=800|FormMax=1|"},
};
TRANSCRIPTS(Placement, kPlacement);

// ---- check boxes and undo ----

const Case kCheckBoxes[] = {
    {"Henstart3BecomesOneUnmarked",
     "[Config]|henstart=3|numlockon=1|AplAutoOff=1|",
     nullptr,
     "?boxes put",
     {"boxes 100", "Box(info, yes) 現在の設定を登録しました -> Yes", "TopRow(1)", "Cursor(1,1)",
      "FocusGrid"},
     "p=0 dirty=0 end=0 hs=1 nl=1 auto=1",
     "[Config]|henstart=1|numlockon=1|AplAutoOff=1|"},
    // Undo rereads a henstart of 3 while CB1 stays ticked, so the clearing sees the 3.
    {"ClearingHenstart3AfterUndoMarks",
     "[Config]|henstart=3|",
     nullptr,
     "cb:3 undo cb:1 ?dirty",
     {"FocusGrid", "Box(info, yesno) 変更した設定を取り消しますか -> Yes", "CB3 := on", "FocusGrid",
      "TopRow(1)", "Cursor(1,1)", "FocusGrid", "FocusGrid", "dirty 1"},
     "p=0 dirty=1 end=0 hs=0 nl=0 auto=0"},
    {"CB2BothWaysMarksAndUndoRestores",
     "[Config]|numlockon=0|",
     nullptr,
     "cb:2 ?dirty undo ?boxes ?dirty cb:2 cb:2 ?dirty",
     {"FocusGrid", "dirty 1", "Box(info, yesno) 変更した設定を取り消しますか -> Yes", "CB2 := on",
      "FocusGrid", "TopRow(1)", "Cursor(1,1)", "FocusGrid", "boxes 011", "dirty 0", "FocusGrid",
      "FocusGrid", "dirty 1"},
     "p=0 dirty=1 end=0 hs=0 nl=0 auto=0"},
    {"UndoUnchangedOnlyFocuses", "[Config]|", nullptr, "undo", {"FocusGrid"}, nullptr},
    {"UndoAnsweredNo",
     "[Config]|",
     nullptr,
     "cb:3 box:No undo",
     {"FocusGrid", "Box(info, yesno) 変更した設定を取り消しますか -> No", "FocusGrid"},
     "p=0 dirty=1 end=0 hs=0 nl=0 auto=1"},
    {"UndoClosedCountsAsYes",
     "[Config]|key1=65|data1=abc|",
     nullptr,
     "cb:3 at:1,2 d:C box:Closed undo",
     {"FocusGrid", "Cell(1,2) := Ｃ", "Cursor(2,2)",
      "Box(info, yesno) 変更した設定を取り消しますか -> Closed", "CB3 := on", "FocusGrid",
      "Cell(1,2) := Ａ", "TopRow(1)", "Cursor(1,1)", "FocusGrid"},
     "p=0 dirty=0 end=0 hs=0 nl=0 auto=0 1:41/41=abc"},
};
TRANSCRIPTS(CheckBoxes, kCheckBoxes);

// ---- ending and the close questions ----

constexpr char kHen[] = "[Config]|henstart=1|";
constexpr char kHenSaved[] = "[Config]|henstart=1|numlockon=0|AplAutoOff=1|";

const Case kClosing[] = {
    {"EndDirtyYesSaves",
     kHen,
     nullptr,
     "cb:3 end",
     {"FocusGrid", "CloseWindow", "Box(info, yesno) 現在の設定を登録しますか -> Yes", "Destroyed"},
     "p=0 dirty=0 end=1 hs=1 nl=0 auto=1",
     kHenSaved},
    {"EndDirtyNoLeavesFile",
     kHen,
     nullptr,
     "cb:3 box:No end",
     {"FocusGrid", "CloseWindow", "Box(info, yesno) 現在の設定を登録しますか -> No", "Destroyed"},
     "p=0 dirty=1 end=1 hs=1 nl=0 auto=1"},
    {"MenuEndDirtyClosedSaves",
     kHen,
     nullptr,
     "cb:3 box:Closed menuend",
     {"FocusGrid", "CloseWindow", "Box(info, yesno) 現在の設定を登録しますか -> Closed",
      "Destroyed"},
     nullptr,
     kHenSaved},
    {"CloseButtonCleanYes",
     kHen,
     nullptr,
     "close",
     {"Box(info, yesno) 終了しますか -> Yes", "Destroyed"},
     "p=0 dirty=0 end=0 hs=1 nl=0 auto=0"},
    {"CloseButtonCleanNoStays",
     kHen,
     nullptr,
     "box:No close",
     {"Box(info, yesno) 終了しますか -> No"},
     nullptr},
    {"CloseButtonCleanClosedCloses",
     kHen,
     nullptr,
     "box:Closed close",
     {"Box(info, yesno) 終了しますか -> Closed", "Destroyed"},
     nullptr},
    {"CloseButtonDirtyNoNoStays",
     kHen,
     nullptr,
     "cb:3 box:No box:No close",
     {"FocusGrid", "Box(info, yesno) 現在の設定を登録しますか -> No",
      "Box(info, yesno) 終了しますか -> No"},
     "p=0 dirty=1 end=0 hs=1 nl=0 auto=1"},
    {"CloseButtonDirtyYesNoSavesAndStays",
     kHen,
     nullptr,
     "cb:3 box:Yes box:No close",
     {"FocusGrid", "Box(info, yesno) 現在の設定を登録しますか -> Yes",
      "Box(info, yesno) 終了しますか -> No"},
     "p=0 dirty=0 end=0 hs=1 nl=0 auto=1",
     kHenSaved},
};
TRANSCRIPTS(Closing, kClosing);

// ---- write errors: shown, nothing lost, the window stays ----

const Case kWriteErrors[] = {
    {"Register",
     kHen,
     nullptr,
     "cb:3 ro put",
     {"FocusGrid", "Box(apperror, ok) $INI に書き込めません. -> Yes"},
     "p=0 dirty=1 end=0 hs=1 nl=0 auto=1"},
    {"CloseQuestionThenRetry",
     kHen,
     nullptr,
     "cb:3 ro end ?dirty rw end",
     {"FocusGrid", "CloseWindow", "Box(info, yesno) 現在の設定を登録しますか -> Yes",
      "Box(apperror, ok) $INI に書き込めません. -> Yes", "dirty 1", "CloseWindow",
      "Box(info, yesno) 現在の設定を登録しますか -> Yes", "Destroyed"},
     "p=0 dirty=0 end=1 hs=1 nl=0 auto=1",
     kHenSaved},
    {"FormCloseThenCloseAgain",
     kHen,
     nullptr,
     "ro move:1,2,300,400 close close",
     {"Box(info, yesno) 終了しますか -> Yes", "Box(apperror, ok) $INI に書き込めません. -> Yes",
      "Box(info, yesno) 終了しますか -> Yes", "Destroyed"},
     nullptr},
};
TRANSCRIPTS(WriteErrors, kWriteErrors);

// ---- the key-name column ----

// Grid rows: 1 OnOff F12; 2 Ａ "abc"; 3 【Ａ】 swap token; 6 Ｂ "bee"; 101 Ｃ "last".
constexpr char kRules[] =
    "[Config]|key0=123|key1=65|data1=abc|key2=-30|data2=[1E]:【Ａ】|key5=66|data5=bee|"
    "key100=67|data100=last|";
constexpr char kRulesState[] =
    "p=0 dirty=0 end=0 hs=0 nl=0 auto=0 0:7B/7B 1:41/41=abc 2:-1E/-1E=[1E]:【Ａ】 5:42/42=bee "
    "100:43/43=last";

const Case kKeyColumn[] = {
    {"Mode0CaptureThenUpReverts",
     kRules,
     nullptr,
     "at:1,6 d:A ?row:6 d:Up ?row:6 ?pos",
     {"Cell(1,6) := Ａ", "Cursor(2,6)", "row 6:    5 | Ａ | bee", "Cell(1,6) := Ｂ", "Cursor(2,6)",
      "row 6:    5 | Ｂ | bee", "at 2,5 top 1"},
     kRulesState},
    {"Mode0ShiftAloneNothingShiftAOnlyA",
     kRules,
     nullptr,
     "at:1,7 d:Shift ?pos d:Shift d:A",
     {"at 1,7 top 1", "Cell(1,7) := Ａ", "Cursor(2,7)"},
     "p=0 dirty=0 end=0 hs=0 nl=0 auto=0 0:7B/7B 1:41/41=abc 2:-1E/-1E=[1E]:【Ａ】 5:42/42=bee "
     "6:41/0 100:43/43=last"},
    {"Mode1ShiftCapturesSidesClickReverts",
     kRules,
     nullptr,
     "mode:1 at:1,7 d:Shift at:1,8 d:RShift",
     {"Cell(1,0) := 【キー名】",
      "Cell(2,0) := 文字データ（半角１００文字以内）設定（日本語入力モード時有効）", "FocusGrid",
      "Cell(1,7) := 【左Shift】", "Cursor(2,7)", "Cell(1,7) := ", "Cell(1,8) := 【右Shift】",
      "Cursor(2,8)"},
     "p=0 dirty=0 end=0 hs=0 nl=0 auto=0 0:7B/7B 1:41/41=abc 2:-1E/-1E=[1E]:【Ａ】 5:42/42=bee "
     "7:-36/0 100:43/43=last"},
    {"ClickInThePendingRowKeepsIt",
     kRules,
     nullptr,
     "at:1,7 d:A at:2,7 at:1,7 ?row:7",
     {"Cell(1,7) := Ａ", "Cursor(2,7)", "row 7:    6 | Ａ | "},
     nullptr},
    {"NumEnterAndRightAltCodes",
     kRules,
     nullptr,
     "at:1,7 d:NumEnter at:1,8 d:RAlt",
     {"Cell(1,7) := ﾃﾝｷｰEnter", "Cursor(2,7)", "Cell(1,7) := ", "Cell(1,8) := 右Alt",
      "Cursor(2,8)"},
     nullptr},
    {"DeleteOnLastRow",
     kRules,
     nullptr,
     "at:1,101 d:Del ?pos put",
     {"Cell(1,101) := ", "Cell(2,101) := ", "Cursor(1,101)", "at 1,101 top 1",
      "Box(info, yes) 現在の設定を登録しました -> Yes", "TopRow(1)", "Cursor(1,1)", "FocusGrid"},
     "p=0 dirty=0 end=0 hs=0 nl=0 auto=0 0:7B/7B 1:41/41=abc 2:-1E/-1E=[1E]:【Ａ】 5:42/42=bee",
     "[Config]|key0=123|key1=65|data1=abc|key2=-30|data2=[1E]:【Ａ】|key5=66|data5=bee|"
     "henstart=0|numlockon=0|AplAutoOff=0|"},
    {"UpOnFirstAndDownOnLastStay",
     kRules,
     nullptr,
     "at:2,1 d:Up ?pos at:2,101 d:Down ?pos",
     {"Cursor(2,2)", "at 2,1 top 1", "Cursor(2,100)", "at 2,101 top 1"},
     kRulesState},
};
TRANSCRIPTS(KeyColumn, kKeyColumn);

// ---- the data column ----

const Case kDataColumn[] = {
    {"Mode0TypeAndEnterRegisters",
     kRules,
     nullptr,
     "at:1,7 d:A t:hi d:Enter ?pos",
     {"Cell(1,7) := Ａ", "Cursor(2,7)", "Cursor(1,8)", "at 1,8 top 1"},
     "p=0 dirty=1 end=0 hs=0 nl=0 auto=0 0:7B/7B 1:41/41=abc 2:-1E/-1E=[1E]:【Ａ】 5:42/42=bee "
     "6:41/41=hi 100:43/43=last"},
    {"SwallowedUntilTheGridGainsFocus",
     kRules,
     nullptr,
     "at:1,7 d:A ch:z cb:1 ch:z ?row:7",
     {"Cell(1,7) := Ａ", "Cursor(2,7)", "FocusGrid", "row 7:    6 | Ａ | z"},
     nullptr},
    {"EnterCutsTo100BytesWholeCharacters",
     "[Config]|key6=65|",
     nullptr,
     "at:2,7 pad:99 t:あ d:Enter",
     {"Cell(2,7) := " + std::string(99, 'x'), "Cursor(1,8)"},
     nullptr},
    {"Mode2EnterGivesToken",
     kRules,
     nullptr,
     "mode:2 at:2,6 d:NumEnter",
     {"Cell(2,0) := １キー設定（ショートカットキーは２行に渡って設定）", "FocusGrid",
      "Cell(2,6) := <0D>:Enter", "Cursor(1,7)"},
     "p=0 dirty=1 end=0 hs=0 nl=0 auto=0 0:7B/7B 1:41/41=abc 2:-1E/-1E=[1E]:【Ａ】 "
     "5:42/42=<0D>:Enter 100:43/43=last"},
    {"Mode2DeleteDisablesAndSwapRowRefuses",
     kRules,
     nullptr,
     "mode:2 at:2,6 d:Del at:2,3 d:A",
     {"Cell(2,0) := １キー設定（ショートカットキーは２行に渡って設定）", "FocusGrid",
      "Cell(2,6) := ", "Cursor(1,7)", "Box(error, ok) キー交換の設定をしてください -> Yes"},
     "p=0 dirty=1 end=0 hs=0 nl=0 auto=0 0:7B/7B 1:41/41=abc 2:-1E/-1E=[1E]:【Ａ】 5:42/42 "
     "100:43/43=last"},
    {"Mode3RefusesPositiveRowAndDropsItsCharacter",
     kRules,
     nullptr,
     "mode:3 at:2,6 d:C ?row:6",
     {"Cell(1,0) := 【キー名】", "Cell(2,0) := 【交換キー名】（日本語入力モード時有効）",
      "FocusGrid", "Box(error, ok) 文字データの設定をしてください -> Yes",
      "row 6:    5 | Ｂ | bee"},
     kRulesState},
    {"Mode3SwapTokenAndChosenModeAgain",
     kRules,
     nullptr,
     "mode:3 mode:3 at:2,3 d:Tab",
     {"Cell(1,0) := 【キー名】", "Cell(2,0) := 【交換キー名】（日本語入力モード時有効）",
      "FocusGrid", "Cell(2,3) := [0F]:【Tab】", "Cursor(1,4)"},
     nullptr},
};
TRANSCRIPTS(DataColumn, kDataColumn);

// ---- operation-key buttons and the On/Off row ----

const Case kButtonsAndOnOff[] = {
    {"Mode1TabOnSwapRow",
     kRules,
     nullptr,
     "mode:1 at:2,3 btn:Tab",
     {"Cell(1,0) := 【キー名】",
      "Cell(2,0) := 文字データ（半角１００文字以内）設定（日本語入力モード時有効）", "FocusGrid",
      "Cell(2,3) := [0F]:【Tab】", "Cursor(1,4)", "FocusGrid"},
     "p=0 dirty=1 end=0 hs=0 nl=0 auto=0 0:7B/7B 1:41/41=abc 2:-1E/-1E=[0F]:【Tab】 5:42/42=bee "
     "100:43/43=last"},
    {"Mode3AltLeavesKeyCell",
     kRules,
     nullptr,
     "mode:3 at:1,7 btn:Alt ?row:7 ?pos",
     {"Cell(1,0) := 【キー名】", "Cell(2,0) := 【交換キー名】（日本語入力モード時有効）",
      "FocusGrid", "FocusGrid", "row 7:    6 |  | ", "at 1,7 top 1"},
     "p=0 dirty=0 end=0 hs=0 nl=0 auto=0 0:7B/7B 1:41/41=abc 2:-1E/-1E=[1E]:【Ａ】 5:42/42=bee "
     "6:-B8/0 100:43/43=last"},
    {"Mode0KeyColumnAndSwapRowRefusal",
     kRules,
     nullptr,
     "at:1,7 btn:Ctrl at:2,3 btn:Tab btn:Top",
     {"Cell(1,7) := 左右Ctrl", "Cursor(2,7)", "FocusGrid", "Cell(1,7) := ",
      "Box(error, ok) キー交換の設定をしてください -> Yes", "FocusGrid", "FocusGrid"},
     nullptr},
    {"Mode2ArrowButtonIsAToken",
     kRules,
     nullptr,
     "mode:2 at:2,6 btn:Top",
     {"Cell(2,0) := １キー設定（ショートカットキーは２行に渡って設定）", "FocusGrid",
      "Cell(2,6) := <26>:↑", "Cursor(1,7)", "FocusGrid"},
     nullptr},
    {"OnOffCaptureMovesOnAndMarks",
     kRules,
     nullptr,
     "at:1,1 d:A ?pos at:2,1 btn:Del",
     {"Cell(1,1) := Ａ", "Cursor(2,1)", "Cursor(1,2)", "at 1,2 top 1",
      "Box(error, ok) OnOffキーの設定はできません -> Yes", "FocusGrid"},
     "p=0 dirty=1 end=0 hs=0 nl=0 auto=0 0:41/7B 1:41/41=abc 2:-1E/-1E=[1E]:【Ａ】 5:42/42=bee "
     "100:43/43=last"},
    {"OnOffRefusesJapaneseMode",
     kRules,
     nullptr,
     "mode:1 at:1,1 d:A ?row:1",
     {"Cell(1,0) := 【キー名】",
      "Cell(2,0) := 文字データ（半角１００文字以内）設定（日本語入力モード時有効）", "FocusGrid",
      "Box(error, ok) OnOffキーの設定は、キー交換の設定はできません -> Yes",
      "row 1: OnOff | F12 | "},
     kRulesState},
};
TRANSCRIPTS(ButtonsAndOnOff, kButtonsAndOnOff);

// ---- the first display and the cell colours ----

TEST(FormShow, FillsTheWindowInOrder) {
    FakeView view;
    Editor ed(view, "/nonexistent/Yorvan2.ini");
    view.Attach(&ed);
    ed.FormCreate(std::nullopt);
    ed.FormShow();
    const Lines head(view.log.begin(), view.log.begin() + 17);
    EXPECT_EQ(head,
              (Lines{"Maximized := 0", "AppTitle := Yorvan2変換設定", "ProfileList := 標　準",
                     "ComboText := 標　準", "ComboIndex := 0", "CB2 := on", "FocusGrid",
                     "CB3 := on", "FocusGrid",
                     "LMsg := キー名列で任意のキーを押してキー設定（OnOff行は変換機能ONOFFの"
                     "ホットキーの設定）\r\n操作キーへの設定は該当ボタンを押して設定　　　　【"
                     "Shift】併用で漢字キー等設定可\r\n変換データを半角100文字以内で入力後【Ｅ"
                     "ｎｔｅｒ】でその行登録",
                     "LMsg2 := キー名列【Ｄｅｌｅｔｅ】で設定を削除、１キー設定列【Ｄｅｌｅｔｅ"
                     "】でそのキーを無効",
                     "Cell(0,0) :=  Ｎｏ ", "ColumnWidth(0) := 40", "Cell(1,0) := キー名",
                     "ColumnWidth(1) := 110", "Cell(2,0) := 文字データ（半角１００文字以内）設定",
                     "ColumnWidth(2) := 700"}));
    const Lines tail(view.log.end() - 4, view.log.end());
    EXPECT_EQ(tail, (Lines{"GridWidth := 875", "TopRow(1)", "Cursor(1,1)", "FocusGrid"}));
    EXPECT_EQ(view.cells[0][1], "OnOff");
    EXPECT_EQ(view.cells[0][2], "   1");
    EXPECT_EQ(view.cells[0][101], " 100");
}

TEST(SG1DrawCell, FixedWhiteAndFocusedYellow) {
    FakeView view;
    Editor ed(view, "");
    const struct {
        int col, row;
        bool focused, fixed;
        Rgb bg;
        int x, y;
    } cases[] = {{0, 5, false, true, {}, 1, 3},
                 {2, 0, false, true, {}, 1, 3},
                 {1, 5, false, false, {0xFF, 0xFF, 0xFF}, 4, 4},
                 {2, 5, true, false, {0xFF, 0xFF, 0x00}, 4, 4}};
    for (const auto& c : cases) {
        const CellStyle s = ed.SG1DrawCell(c.col, c.row, c.focused);
        EXPECT_EQ(s.fixed, c.fixed) << c.col << "," << c.row;
        if (!c.fixed) {
            EXPECT_EQ(s.background, c.bg) << c.col << "," << c.row;
        }
        EXPECT_EQ(s.textX, c.x);
        EXPECT_EQ(s.textY, c.y);
    }
}

// ---- program start ----

class FakeStart : public StartPlatform {
  public:
    bool host = true, mutexExists = false, createOk = true;
    Lines log;
    bool FindWindowA(const std::string& t) override {
        return log.push_back("FindWindowA " + t), host;
    }
    bool OpenMutexA(const std::string& n) override {
        return log.push_back("OpenMutexA " + n), mutexExists;
    }
    bool CreateMutexA(const std::string& n) override {
        return log.push_back("CreateMutexA " + n), createOk;
    }
    void MessageBoxA(const std::string& text, const std::string& caption) override {
        log.push_back("MessageBoxA " + text + " / " + caption);
    }
};

TEST(CheckStart, HostWindowAndSingleInstance) {
    const struct {
        bool host, exists, createOk, runs;
        Lines log;
    } cases[] = {
        {true,
         false,
         true,
         true,
         {"FindWindowA Yorvan2", "OpenMutexA YorvanSet.exe", "CreateMutexA YorvanSet.exe"}},
        {false,
         false,
         true,
         false,
         {"FindWindowA Yorvan2",
          "MessageBoxA Ｙｏｒｖａｎ２から起動させてください / Yorvan2変換設定"}},
        {true, true, true, false, {"FindWindowA Yorvan2", "OpenMutexA YorvanSet.exe"}},
        {true,
         false,
         false,
         false,
         {"FindWindowA Yorvan2", "OpenMutexA YorvanSet.exe", "CreateMutexA YorvanSet.exe",
          "MessageBoxA プログラムを起動できません / Yorvan2変換設定"}},
    };
    for (const auto& c : cases) {
        FakeStart p;
        p.host = c.host;
        p.mutexExists = c.exists;
        p.createOk = c.createOk;
        EXPECT_EQ(CheckStart(p, "C:\\Program Files\\表\\YorvanSet.exe"), c.runs);
        EXPECT_EQ(p.log, c.log);
    }
}

}  // namespace
}  // namespace yv::editor::testing
