// The seven settings operations on real files in a scratch folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "encodingcases.h"
#include "fixtures.h"
#include "settingsfile.h"

namespace yv::settings {
namespace {

namespace stdfs = std::filesystem;

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (stdfs::temp_directory_path() / "yv-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        path_ = dir_ + "/Yorvan2.ini";
    }
    void TearDown() override { stdfs::remove_all(dir_); }

    void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        const std::string all = Read();
        for (std::size_t pos = 0; pos < all.size();) {
            const std::size_t end = all.find("\r\n", pos);
            EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
            if (end == std::string::npos) break;
            lines.push_back(all.substr(pos, end - pos));
            pos = end + 2;
        }
        return lines;
    }
    SettingsState Loaded(int profile = 0) {
        SettingsState s;
        s.currentProfile = profile;
        LoadSettings(s, path_);
        return s;
    }

    std::string dir_, path_;
};

void ExpectSameState(const SettingsState& a, const SettingsState& b) {
    EXPECT_EQ(a.henstart, b.henstart);
    EXPECT_EQ(a.numlockon, b.numlockon);
    EXPECT_EQ(a.AplAutoOff, b.AplAutoOff);
    for (int n = 0; n < kRuleRows; ++n) {
        EXPECT_EQ(a.keyCodes[n], b.keyCodes[n]) << n;
        EXPECT_EQ(a.prevKeyCodes[n], b.prevKeyCodes[n]) << n;
        EXPECT_EQ(a.convData[n], b.convData[n]) << n;
    }
    for (int p = 0; p <= kMaxProfiles; ++p) {
        EXPECT_EQ(a.profileNames[p], b.profileNames[p]) << p;
        EXPECT_EQ(a.profileTitles[p], b.profileTitles[p]) << p;
    }
    EXPECT_EQ(a.currentProfile, b.currentProfile);
    EXPECT_EQ(a.profileCount, b.profileCount);
    EXPECT_EQ(a.FormLeft, b.FormLeft);
    EXPECT_EQ(a.FormTop, b.FormTop);
    EXPECT_EQ(a.FormHeight, b.FormHeight);
    EXPECT_EQ(a.FormWidth, b.FormWidth);
    EXPECT_EQ(a.FormMax, b.FormMax);
    EXPECT_EQ(a.dirty, b.dirty);
}

// --- Reading -------------------------------------------------------------------------------

TEST_F(SettingsFile, MissingFileGivesDefaults) {
    SettingsState s;
    s.dirty = 1;
    s.convData[0] = "typed into the On/Off row";  // never stored, so never kept by a read
    LoadSettings(s, path_);
    EXPECT_EQ(s.henstart, 0);
    EXPECT_EQ(s.numlockon, 0);
    EXPECT_EQ(s.AplAutoOff, 0);
    EXPECT_EQ(s.FormLeft + s.FormTop + s.FormHeight + s.FormWidth + s.FormMax, 0);
    EXPECT_EQ(s.profileCount, 0);
    EXPECT_EQ(s.profileNames[0], "標　準");
    EXPECT_EQ(s.dirty, 0);
    for (int n = 0; n < kRuleRows; ++n) {
        EXPECT_EQ(s.keyCodes[n], 0);
        EXPECT_EQ(s.convData[n], "");
    }
    EXPECT_FALSE(stdfs::exists(path_)) << "reading creates nothing";
}

TEST_F(SettingsFile, OptionValuesOutsideTheAcceptedSet) {
    const struct {
        const char* file;
        int henstart, numlockon, aplAutoOff, formMax;
    } cases[] = {
        {"henstart=3\r\nnumlockon=5\r\nAplAutoOff=1\r\nFormMax=1", 3, 0, 1, 1},
        {"henstart=2\r\nnumlockon=1\r\nAplAutoOff=2\r\nFormMax=2", 0, 1, 0, 0},
        {"henstart=1\r\nnumlockon=0x1\r\nAplAutoOff=-1\r\nFormMax=\"1\"", 1, 1, 0, 1},
        {"henstart=abc\r\nnumlockon=\r\nAplAutoOff=1x\r\nFormMax=01", 0, 0, 0, 1},
    };
    for (const auto& c : cases) {
        Write(std::string("[Config]\r\n") + c.file + "\r\n");
        const SettingsState s = Loaded();
        EXPECT_EQ(s.henstart, c.henstart) << c.file;
        EXPECT_EQ(s.numlockon, c.numlockon) << c.file;
        EXPECT_EQ(s.AplAutoOff, c.aplAutoOff) << c.file;
        EXPECT_EQ(s.FormMax, c.formMax) << c.file;
    }
}

TEST_F(SettingsFile, KeyCodeRule) {
    const struct {
        const char* value;
        int code;
    } cases[] = {
        {"-255", -255}, {"255", 255}, {"256", 0},   {"-256", 0},        {"abc", 0},  {"", 0},
        {"0x1C", 28},   {"-1", -1},   {"$FF", 255}, {"99999999999", 0}, {"0X1C", 0},
    };
    std::string file = "[Config]\r\n";
    int n = 0;
    for (const auto& c : cases) {
        ++n;
        file += "key" + std::to_string(n) + "=" + c.value + "\r\n";
    }
    Write(file + "key0=-0x9C\r\n");
    const SettingsState s = Loaded();
    EXPECT_EQ(s.keyCodes[0], -0x9C);
    n = 0;
    for (const auto& c : cases) {
        ++n;
        EXPECT_EQ(s.keyCodes[n], c.code) << c.value;
        EXPECT_EQ(s.prevKeyCodes[n], c.code) << c.value;
    }
}

TEST_F(SettingsFile, ProfilesAreNumberedInSectionOrder) {
    const std::string longName =
        "長い名前のプロファイル二十文字分ですよね";  // 20 double-byte chars
    ASSERT_EQ(longName.size(), 40u);
    Write(
        "[Apl1]\r\nName=First\r\nName1=Title 1\r\nkey1=65\r\ndata1=one\r\n"
        "[Apl3]\r\nName=" +
        longName +
        "\r\nName1=Title 3\r\nkey1=66\r\ndata1=three\r\n"
        "[Apl4]\r\nName=\r\nkey1=67\r\n[Apl5]\r\nName1=no name\r\n");
    SettingsState s = Loaded(2);
    EXPECT_EQ(s.profileCount, 2);
    EXPECT_EQ(s.profileNames[1], "First");
    EXPECT_EQ(s.profileNames[2], longName);
    EXPECT_EQ(s.profileTitles[2], "Title 3");
    // Profile 2 is read from the section it is numbered by, which is absent.
    EXPECT_EQ(s.currentProfile, 2);
    EXPECT_EQ(s.keyCodes[1], 0);
    // Saving it writes section Apl2.
    s.keyCodes[1] = 66;
    s.convData[1] = "three";
    SaveSettings(s, path_);
    EXPECT_NE(Read().find("[Apl2]\r\nkey1=66\r\ndata1=three\r\n"), std::string::npos);
}

TEST_F(SettingsFile, ProfileNumberOutsideTheProfilesMeansStandard) {
    for (int profile : {7, -3, 11}) {
        Write(
            "[Config]\r\nkey1=65\r\ndata1=std\r\n[Apl1]\r\nName=A\r\nkey1=66\r\ndata1=a\r\n"
            "[Apl7]\r\nkey1=67\r\ndata1=stale\r\n");
        SettingsState s = Loaded(profile);
        EXPECT_EQ(s.currentProfile, 0) << profile;
        EXPECT_EQ(s.convData[1], "std") << profile;
        s.currentProfile = profile;  // as the command line could leave it
        s.convData[1] = "saved";
        SaveSettings(s, path_);
        EXPECT_EQ(Loaded().convData[1], "saved") << profile;
        EXPECT_EQ(Read().find("[Apl-"), std::string::npos);
        EXPECT_EQ(Read().find("[Apl11]"), std::string::npos);
    }
    EXPECT_NE(Read().find("[Apl7]\r\nkey1=67\r\ndata1=stale\r\n"), std::string::npos);
}

TEST_F(SettingsFile, LoadRuleTableReplacesOnlyTheRows) {
    Write(
        "[Config]\r\nkey0=29\r\nkey1=65\r\ndata1=std\r\n"
        "[Apl1]\r\nName=A\r\nkey1=-30\r\ndata1=apl\r\nkey101=5\r\ndata101=last\r\n");
    SettingsState s = Loaded();
    s.dirty = 1;
    s.convData[0] = "untouched";
    LoadRuleTable(s, path_, 1);
    EXPECT_EQ(s.keyCodes[0], 29);
    EXPECT_EQ(s.convData[0], "untouched");
    EXPECT_EQ(s.dirty, 1);
    EXPECT_EQ(s.keyCodes[1], -30);
    EXPECT_EQ(s.convData[1], "apl");
    EXPECT_EQ(s.keyCodes[101], 5);
    EXPECT_EQ(s.prevKeyCodes[101], 5);
    EXPECT_EQ(s.convData[101], "last");
    LoadRuleTable(s, path_, 5);  // beyond profileCount: the standard profile
    EXPECT_EQ(s.convData[1], "std");
}

// --- Saving ----------------------------------------------------------------------------------

TEST_F(SettingsFile, TextsThatNeedQuotesReadBackByteForByte) {
    const struct {
        std::string text, stored;
    } cases[] = {
        {" abc", "\" abc\""},     {"   ", "\"   \""},       {"abc", "abc"},
        {"a b", "a b"},           {"abc ", "\"abc \""},     {"\"abc\"", "\"\"abc\"\""},
        {"'abc'", "\"'abc'\""},   {"\"abc", "\"abc"},       {"\"", "\""},
        {"\"\"", "\"\"\"\""},     {"\tabc", "\"\tabc\""},   {"abc\t", "\"abc\t\""},
        {"　全角　", "　全角　"}, {"表ソ能\\", "表ソ能\\"}, {"", ""},
    };
    SettingsState s = Loaded();
    // Line breaks cannot live in a one-line value; they go, and nothing poses as a key.
    s.keyCodes[100] = 65;
    s.convData[100] = "\"x\"\r\nkey99=65\r\n[Apl1]\nName=evil";
    // A blank that a line break hid at the end still gets its quotes.
    s.keyCodes[98] = 65;
    s.convData[98] = "abc \r\n";
    int n = 0;
    for (const auto& c : cases) {
        ++n;
        s.keyCodes[n] = n;
        s.convData[n] = c.text;
    }
    s.dirty = 1;
    SaveSettings(s, path_);
    EXPECT_EQ(s.dirty, 0);
    const std::string file = Read();
    const SettingsState back = Loaded();
    n = 0;
    for (const auto& c : cases) {
        ++n;
        const std::string line = "data" + std::to_string(n) + "=" + c.stored + "\r\n";
        EXPECT_NE(file.find(line), std::string::npos) << c.text;
        EXPECT_EQ(back.convData[n], c.text) << c.text;
        EXPECT_EQ(s.convData[n], c.text) << "the state keeps the text, not its stored form";
    }
    EXPECT_NE(file.find("data100=\"x\"key99=65[Apl1]Name=evil\r\n"), std::string::npos);
    EXPECT_EQ(back.keyCodes[99], 0);
    EXPECT_NE(file.find("data98=\"abc \"\r\n"), std::string::npos);
    EXPECT_EQ(back.convData[98], "abc ");
    EXPECT_EQ(back.profileCount, 0);
}

TEST_F(SettingsFile, EmptyRowsLoseBothLines) {
    Write(
        "[Config]\r\nkey3=0\r\ndata3=orphan\r\nkey4=65\r\ndata4=x\r\n"
        "key101=-30\r\ndata101=\" hidden \"\r\n");
    SettingsState s = Loaded();
    EXPECT_EQ(s.keyCodes[3], 0);
    EXPECT_EQ(s.convData[3], "orphan");
    EXPECT_EQ(s.convData[101], " hidden ");
    s.keyCodes[4] = 0;
    SaveSettings(s, path_);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"[Config]", "key101=-30", "data101=\" hidden \"",
                                                 "henstart=0", "numlockon=0", "AplAutoOff=0"}));
}

TEST_F(SettingsFile, SavingAProfileAlsoWritesTheOptions) {
    std::string file;
    for (int p = 1; p <= 4; ++p) file += "[Apl" + std::to_string(p) + "]\r\nName=P\r\n";
    Write(file);
    SettingsState s = Loaded(4);
    s.henstart = 3;
    s.numlockon = 1;
    s.AplAutoOff = 1;
    s.keyCodes[0] = 0x1D;
    s.keyCodes[2] = -0x1E;
    s.convData[2] = "[1E]:【Ａ】";
    SaveSettings(s, path_);
    // The rows go to the end of Apl4, the options to a new Config section at the end.
    EXPECT_EQ(Read(), file +
                          "key2=-30\r\ndata2=[1E]:【Ａ】\r\n[Config]\r\nhenstart=3\r\n"
                          "numlockon=1\r\nAplAutoOff=1\r\nkey0=29\r\n");
}

TEST_F(SettingsFile, WindowPlacementNamesAndTitles) {
    Write("; keep\r\n[Config]\r\nFormLeft=1\r\n");
    SettingsState s = Loaded();
    s.FormLeft = -8;
    s.FormTop = 20;
    s.FormHeight = 656;
    s.FormWidth = 1017;
    s.FormMax = 1;
    SaveWindowPlacement(s, path_);
    s.profileNames[1] = "メモ帳";
    WriteProfileName(s, path_, 1);
    s.profileTitles[1] = " 無題 - メモ帳 ";
    WriteProfileTitle(s, path_, 1);
    s.profileNames[10] = "十";
    WriteProfileName(s, path_, 10);  // the last profile there can be
    s.profileTitles[10] = "ten";
    WriteProfileTitle(s, path_, 10);
    WriteProfileName(s, path_, 0);    // no application profile: nothing
    WriteProfileTitle(s, path_, 11);  // likewise
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "; keep", "[Config]", "FormLeft=-8", "FormTop=20", "FormHeight=656",
                           "FormWidth=1017", "FormMax=1", "[Apl1]", "Name=メモ帳",
                           "Name1=\" 無題 - メモ帳 \"", "[Apl10]", "Name=十", "Name1=ten"}));
    const SettingsState back = Loaded();
    EXPECT_EQ(back.profileTitles[1], " 無題 - メモ帳 ");
    EXPECT_EQ(back.FormLeft, -8);
    EXPECT_EQ(back.FormMax, 1);
}

// A key the editor does not know, such as the host's ClipRestoreOff, keeps its line through
// every operation that writes.
TEST_F(SettingsFile, KeysOfTheHostSurviveEveryWrite) {
    const struct {
        const char* name;
        void (*write)(SettingsState&, const std::string&);
    } rows[] = {
        {"SaveSettings", [](SettingsState& s, const std::string& p) { SaveSettings(s, p); }},
        {"SaveWindowPlacement",
         [](SettingsState& s, const std::string& p) { SaveWindowPlacement(s, p); }},
        {"RemoveProfileSection",
         [](SettingsState& s, const std::string& p) { RemoveProfileSection(s, p, 1); }},
        {"WriteProfileName",
         [](SettingsState& s, const std::string& p) { WriteProfileName(s, p, 1); }},
    };
    for (const auto& r : rows) {
        Write(
            "[Config]\r\nhenstart=1\r\nClipRestoreOff=1\r\nkey1=65\r\ndata1=a\r\n"
            "[Apl1]\r\nName=One\r\n");
        SettingsState s = Loaded();
        s.henstart = 3;
        s.FormLeft = 5;
        s.profileNames[1] = "Two";
        r.write(s, path_);
        const std::vector<std::string> lines = Lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), "ClipRestoreOff=1"), lines.end()) << r.name;
        EXPECT_EQ(lines[0], "[Config]") << r.name;
    }
}

TEST_F(SettingsFile, FullFileRoundTrip) {
    const std::string original = testing::MakeFullSettingsFile();
    Write(original);
    SettingsState first = Loaded(3);
    ASSERT_EQ(first.profileCount, 10);
    EXPECT_EQ(first.convData[1], testing::RowText(3, 1));
    for (int n = 1; n < kRuleRows; ++n) {
        EXPECT_EQ(first.keyCodes[n], testing::RowKeyCode(3, n)) << n;
        if (first.keyCodes[n] != 0) {
            EXPECT_EQ(first.convData[n], testing::RowText(3, n)) << n;
        }
    }
    SaveSettings(first, path_);
    EXPECT_EQ(Read(), original) << "the file was already in the saved form";
    SettingsState second = Loaded(3);
    ExpectSameState(first, second);
    SaveSettings(second, path_);
    EXPECT_EQ(Read(), original);
}

// --- Removing a profile ------------------------------------------------------------------------

const char kThreeProfiles[] =
    "[Config]\r\nkey0=29\r\nkey1=65\r\ndata1=std\r\n"
    "[Apl1]\r\nName=One\r\nName1=Title One\r\nkey1=65\r\ndata1=a1\r\n"
    "[Apl2]\r\nName=Two\r\nName1=Title Two\r\nkey1=66\r\ndata1=\" b1 \"\r\nkey2=67\r\ndata2=b2\r\n"
    "[Apl3]\r\nName=Three\r\nkey1=-30\r\ndata1=【Ａ】 c1\r\nkey3=68\r\ndata3=\"\"c\"\"\r\n"
    "key101=0x45\r\ndata101=\t\r\n";

TEST_F(SettingsFile, RemoveTheMiddleOfThreeProfiles) {
    Write(kThreeProfiles);
    SettingsState s = Loaded(2);
    s.dirty = 1;
    RemoveProfileSection(s, path_, 2);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"[Config]", "key0=29", "key1=65", "data1=std",
                                                 "[Apl1]", "Name=One", "Name1=Title One", "key1=65",
                                                 "data1=a1", "[Apl2]", "Name=Three",
                                                 "Name1=", "key1=-30", "data1=【Ａ】 c1", "key3=68",
                                                 "data3=\"\"c\"\"", "key101=69", "data101="}));
    EXPECT_EQ(s.profileCount, 2);
    EXPECT_EQ(s.profileNames[2], "Three");
    EXPECT_EQ(s.profileTitles[2], "");
    EXPECT_EQ(s.profileNames[3], "");
    EXPECT_EQ(s.keyCodes[0], 29);
    EXPECT_EQ(s.keyCodes[1], 65);
    EXPECT_EQ(s.convData[1], "std");
    EXPECT_EQ(s.keyCodes[3], 0);
    EXPECT_EQ(s.dirty, 1);
    // The moved profile holds the rows it held as profile 3.
    SettingsState moved = Loaded(2);
    EXPECT_EQ(moved.keyCodes[1], -30);
    EXPECT_EQ(moved.convData[1], "【Ａ】 c1");
    EXPECT_EQ(moved.keyCodes[2], 0);
    EXPECT_EQ(moved.convData[3], "\"c\"");
    EXPECT_EQ(moved.keyCodes[101], 69);
}

TEST_F(SettingsFile, RemoveTheLastOfThreeProfiles) {
    Write(kThreeProfiles);
    SettingsState s = Loaded();
    RemoveProfileSection(s, path_, 3);
    const std::string all = kThreeProfiles;
    Write(all.substr(0, all.find("[Apl3]")));
    const std::vector<std::string> expected = Lines();
    Write(kThreeProfiles);
    s = Loaded();
    RemoveProfileSection(s, path_, 3);
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(s.profileCount, 2);
    EXPECT_EQ(s.profileNames[3], "");
}

TEST_F(SettingsFile, RemoveKeepsQuotedTextsOfEveryMovedProfile) {
    Write(testing::MakeFullSettingsFile());
    SettingsState s = Loaded();
    std::vector<SettingsState> before;
    for (int p = 4; p <= 10; ++p) before.push_back(Loaded(p));
    RemoveProfileSection(s, path_, 3);
    EXPECT_EQ(s.profileCount, 9);
    for (int p = 3; p <= 9; ++p) {
        const SettingsState after = Loaded(p);
        const SettingsState& was = before[p - 3];
        EXPECT_EQ(after.profileNames[p], was.profileNames[p + 1]);
        for (int n = 1; n < kRuleRows; ++n) {
            EXPECT_EQ(after.keyCodes[n], was.keyCodes[n]) << p << " " << n;
            if (was.keyCodes[n] != 0) {
                EXPECT_EQ(after.convData[n], was.convData[n]) << p << " " << n;
            }
        }
    }
}

TEST_F(SettingsFile, RemovingAProfileThatIsNotThereChangesNothing) {
    Write(kThreeProfiles);
    SettingsState s = Loaded();
    for (int p : {0, 4, -1}) RemoveProfileSection(s, path_, p);
    EXPECT_EQ(Read(), kThreeProfiles);
    EXPECT_EQ(s.profileCount, 3);
}

// --- Failed writes -----------------------------------------------------------------------------

TEST_F(SettingsFile, WriteErrorNamesTheFileAndChangesNothing) {
    // Tests run as root, whom permissions do not stop, so the writes are made to fail by the
    // shape of the folder: a directory where the temporary file must go.
    Write(kThreeProfiles);
    ASSERT_TRUE(stdfs::create_directory(path_ + ".tmp"));
    const std::string message = path_ + " に書き込めません";
    const struct {
        const char* what;
        void (*op)(SettingsState&, const std::string&);
    } ops[] = {
        {"SaveSettings", [](SettingsState& s, const std::string& p) { SaveSettings(s, p); }},
        {"SaveWindowPlacement",
         [](SettingsState& s, const std::string& p) { SaveWindowPlacement(s, p); }},
        {"WriteProfileName",
         [](SettingsState& s, const std::string& p) { WriteProfileName(s, p, 1); }},
        {"WriteProfileTitle",
         [](SettingsState& s, const std::string& p) { WriteProfileTitle(s, p, 1); }},
        {"RemoveProfileSection",
         [](SettingsState& s, const std::string& p) { RemoveProfileSection(s, p, 2); }},
    };
    for (const auto& op : ops) {
        SettingsState s = Loaded();
        s.henstart = 1;
        s.keyCodes[5] = 65;
        s.FormLeft = 5;
        s.profileNames[1] = "renamed";
        s.profileTitles[1] = "retitled";
        s.dirty = 1;
        const SettingsState before = s;
        try {
            op.op(s, path_);
            ADD_FAILURE() << op.what << " did not fail";
        } catch (const WriteError& e) {
            EXPECT_EQ(e.what(), message) << op.what;
        }
        EXPECT_EQ(Read(), kThreeProfiles) << op.what;
        ExpectSameState(s, before);
    }
    EXPECT_TRUE(stdfs::is_directory(path_ + ".tmp"));
}

TEST_F(SettingsFile, AReadOnlyFileIsKept) {
    // Root may write anything, so the read-only mark itself must stop the replacement.
    Write(kThreeProfiles);
    ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
    SettingsState s = Loaded();
    s.FormLeft = 99;
    EXPECT_THROW(SaveWindowPlacement(s, path_), WriteError);
    EXPECT_EQ(Read(), kThreeProfiles);
    EXPECT_FALSE(stdfs::exists(path_ + ".tmp"));
    ASSERT_EQ(chmod(path_.c_str(), 0644), 0);
    SaveWindowPlacement(s, path_);
    EXPECT_EQ(Loaded().FormLeft, 99);
}

TEST_F(SettingsFile, WriteErrorWhenTheFolderCannotExist) {
    // The settings file's folder is a regular file, so nothing can be created inside it.
    Write("not a folder");
    const std::string inside = path_ + "/Yorvan2.ini";
    SettingsState s = Loaded();
    s.dirty = 1;
    EXPECT_THROW(SaveSettings(s, inside), WriteError);
    EXPECT_EQ(s.dirty, 1);
    EXPECT_EQ(Read(), "not a folder");
}

TEST_F(SettingsFile, AFileThatCannotBeReadIsNotOverwritten) {
    ASSERT_TRUE(stdfs::create_directory(path_));
    SettingsState s = Loaded();  // reading never fails
    EXPECT_EQ(s.profileCount, 0);
    EXPECT_THROW(SaveWindowPlacement(s, path_), WriteError);
    EXPECT_TRUE(stdfs::is_directory(path_));
}

// A file in UTF-8 or UTF-16 is read in the program's text form; a save that changes nothing
// leaves it as it is, the first that changes something writes the whole file in Shift-JIS,
// without a mark, when it holds only characters Shift-JIS has, and in UTF-8 with a mark when
// it holds one Shift-JIS lacks (here the wave dash U+301C, kept rather than read as U+FF5E).
TEST_F(SettingsFile, AFileInAnotherEncodingIsWrittenInShiftJis) {
    const struct {
        std::u16string_view data1;
        std::string_view read;  // row 1 as read
        bool utf8;              // a save writes UTF-8
    } texts[] = {
        {u"日本語～", "日本語～", false},
        {u"日本語〜", "日本語\x80\xA3\xA0\xBC", true},
    };
    for (const auto& t : texts) {
        const std::u16string head = u"[Config]\r\nhenstart=",
                             tail = u"\r\nnumlockon=0\r\nAplAutoOff=0\r\nkey1=65\r\ndata1=" +
                                    std::u16string(t.data1) + u"\r\n[Apl1]\r\nName=メモ帳\r\n";
        const std::u16string text = head + u"1" + tail, changed = head + u"3" + tail;
        const std::string written =
            t.utf8 ? testing::FileBytes(FileEncoding::kUtf8Bom, changed)
                   : "[Config]\r\nhenstart=3\r\nnumlockon=0\r\nAplAutoOff=0\r\nkey1=65\r\ndata1=" +
                         std::string(t.read) + "\r\n[Apl1]\r\nName=メモ帳\r\n";
        for (const FileEncoding form : {FileEncoding::kUtf16Le, FileEncoding::kUtf16Be,
                                        FileEncoding::kUtf8Bom, FileEncoding::kUtf8}) {
            SCOPED_TRACE(EncodingName(form));
            const std::string original = testing::FileBytes(form, text);
            Write(original);
            SettingsState s = Loaded();
            EXPECT_EQ(s.henstart, 1);
            EXPECT_EQ(s.convData[1], t.read);
            EXPECT_EQ(s.profileNames[1], "メモ帳");
            SaveSettings(s, path_);
            EXPECT_EQ(Read(), original) << "nothing changed";
            s.henstart = 3;
            SaveSettings(s, path_);
            EXPECT_EQ(Read(), written);
        }
    }
}

// A Shift-JIS file that an edit gives a character Shift-JIS lacks (a rule text, a profile name,
// a title) becomes UTF-8 with a mark, every line of it, and reads back as it was; the edit
// that takes the character out again writes Shift-JIS. The Shift-JIS mark line goes with the
// first.
TEST_F(SettingsFile, ACharacterShiftJisLacksTurnsTheFileToUtf8) {
    const std::string mark = std::string(kShiftJisMarkLine) + "\r\n";
    const std::string file = mark +
                             "; 日本語\r\n[Config]\r\nkey1=65\r\ndata1=ｱｲｳ\r\n[Apl1]\r\n"
                             "Name=メモ\r\nName1=無題\r\n";
    const std::string emoji = TextFromUtf16(u"寿司\U0001F363");
    const struct {
        const char* what;
        void (*edit)(SettingsState&, const std::string& path, const std::string& text);
        std::u16string_view after;  // the file after the edit with the emoji, without its mark
        std::string_view row1;      // row 1 read after the edit back to ﾃｷｽﾄ
    } edits[] = {
        {"rule text",
         [](SettingsState& s, const std::string& path, const std::string& text) {
             s.convData[1] = text;
             SaveSettings(s, path);
         },
         u"; 日本語\r\n[Config]\r\nkey1=65\r\ndata1=寿司\U0001F363\r\nhenstart=0\r\nnumlockon=0\r\n"
         u"AplAutoOff=0\r\n[Apl1]\r\nName=メモ\r\nName1=無題\r\n",
         "ﾃｷｽﾄ"},
        {"profile name",
         [](SettingsState& s, const std::string& path, const std::string& text) {
             s.profileNames[1] = text;
             WriteProfileName(s, path, 1);
         },
         u"; 日本語\r\n[Config]\r\nkey1=65\r\ndata1=ｱｲｳ\r\n[Apl1]\r\nName=寿司\U0001F363\r\n"
         u"Name1=無題\r\n",
         "ｱｲｳ"},
        {"title",
         [](SettingsState& s, const std::string& path, const std::string& text) {
             s.profileTitles[1] = text;
             WriteProfileTitle(s, path, 1);
         },
         u"; 日本語\r\n[Config]\r\nkey1=65\r\ndata1=ｱｲｳ\r\n[Apl1]\r\nName=メモ\r\n"
         u"Name1=寿司\U0001F363\r\n",
         "ｱｲｳ"},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.what);
        Write(file);
        SettingsState s = Loaded();
        e.edit(s, path_, emoji);
        EXPECT_EQ(Read(), testing::FileBytes(FileEncoding::kUtf8Bom, e.after));
        SettingsState back = Loaded();
        ExpectSameState(back, s);
        e.edit(back, path_, "ﾃｷｽﾄ");
        const std::string sjis = Read();
        EXPECT_FALSE(sjis.starts_with("\xEF\xBB\xBF"));
        EXPECT_NE(sjis.find("=ﾃｷｽﾄ\r\n"), std::string::npos);
        EXPECT_EQ(Loaded().convData[1], e.row1);
    }
}

// Turned into UTF-8, a damaged Shift-JIS line keeps its line end and its key: a lone lead byte
// before the line end, a blank or the equals sign is one '?', and a byte or pair that is no
// character's form is one too.
TEST_F(SettingsFile, DamagedShiftJisKeepsTheLinesInUtf8) {
    Write(
        "[Config]\nkey1=65\ndata1=a\r\ndata2=\x81\r\ndata3=\x81 x\r\nk\x81=1\r"
        "data4=\x85\x40\xFF\r\n");
    SettingsState s = Loaded();
    s.keyCodes[2] = s.keyCodes[3] = s.keyCodes[4] = 66;
    s.convData[1] = TextFromUtf16(u"\U0001F600");
    SaveSettings(s, path_);
    const std::string got = Read();
    EXPECT_TRUE(
        got.starts_with("\xEF\xBB\xBF[Config]\nkey1=65\ndata1=\xF0\x9F\x98\x80\r\n"
                        "data2=?\r\ndata3=? x\r\nk?=1\rdata4=??\r\n"))
        << got;
}

// Files whose encoding a save could blur: the first load, a save that changes something and
// drops the rows without a key code, and the next load give the same rows, and a second save
// writes nothing new.
struct ReloadCase {
    const char* what;
    std::string file;
    std::string_view data1;  // row 1 as read
    bool marked;             // the save puts the Shift-JIS mark first
};

TEST_F(SettingsFile, WhatTheEditorWritesReadsBackAsWritten) {
    const ReloadCase cases[] = {
        {"half-width katakana beside a row that is no UTF-8",
         "[Config]\r\nkey1=65\r\ndata1=ﾒｰ\r\ndata2=\xFF\r\n", "ﾒｰ", false},
        {"UTF-8 kanji beside a character Shift-JIS lacks in a row without key",
         testing::FileBytes(FileEncoding::kUtf8,
                            u"[Config]\r\nkey1=65\r\ndata1=日本\r\ndata2=\U0001F600\r\n"),
         "日本", false},
        {"UTF-8 whose Shift-JIS form is UTF-8 too",
         testing::FileBytes(FileEncoding::kUtf8, u"[Config]\r\nkey1=65\r\ndata1=譌･\r\n"), "譌･",
         true},
        {"Shift-JIS", "[Config]\r\nkey1=65\r\ndata1=ﾐｽ\r\n", "ﾐｽ", false},
    };
    for (const ReloadCase& c : cases) {
        SCOPED_TRACE(c.what);
        Write(c.file);
        SettingsState first = Loaded();
        EXPECT_EQ(first.convData[1], c.data1) << c.what;
        first.henstart = 1;
        SaveSettings(first, path_);
        const std::string written = Read();
        EXPECT_EQ(written.starts_with(std::string(kShiftJisMarkLine) + "\r\n"), c.marked) << c.what;
        const SettingsState second = Loaded();
        first.convData[2].clear();  // row 2 has no key code
        ExpectSameState(second, first);
        SettingsState third = second;
        SaveSettings(third, path_);
        EXPECT_EQ(Read(), written) << c.what;
    }
}

TEST(SettingsPath, BesideTheExecutable) {
    const std::string exe = stdfs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(SettingsPath(), exe.substr(0, exe.rfind('/') + 1) + "Yorvan2.ini");
}

}  // namespace
}  // namespace yv::settings
