// Reading real settings files, good and bad, into the host's snapshot.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <unistd.h>

#include "../settings/encodingcases.h"
#include "hostcore.h"

namespace {

using yv::host::LoadSnapshot;
using yv::host::Snapshot;

class LoadSnapshotTest : public ::testing::Test {
  protected:
    std::string path;

    void SetUp() override {
        char tmpl[] = "/tmp/yv_host_iniXXXXXX";
        int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        path = tmpl;
    }
    void TearDown() override { std::remove(path.c_str()); }

    void Write(const std::string& bytes) {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f << bytes;
    }
};

TEST_F(LoadSnapshotTest, ReadsOptionsProfilesAndRows) {
    Write(
        "[Config]\r\nhenstart=3\r\nnumlockon=1\r\nAplAutoOff=1\r\nkey0=29\r\n"
        "key1=112\r\ndata1=東京都\r\n"
        "key2=-59\r\ndata2=[1D]:【左Ctrl】\r\n"
        "key3=113\r\ndata3=<0D>:Enter\r\n"
        "key101=114\r\ndata101=hidden\r\n"
        "[Apl1]\r\nName=メモ\r\nName1=メモ帳\r\nkey1=65\r\ndata1=\" a \"\r\n"
        "[Apl2]\r\nName=表\r\nkey1=-30\r\ndata1=貼り付け\r\n");
    Snapshot s = LoadSnapshot(path);
    EXPECT_EQ(s.henstart, 3);
    EXPECT_FALSE(s.numLockHold);
    EXPECT_FALSE(s.autoSwitch);
    ASSERT_EQ(s.profileCount, 2);
    EXPECT_EQ(s.profiles[0].name, "標　準");
    EXPECT_EQ(s.profiles[1].name, "メモ");
    EXPECT_EQ(s.profiles[1].title, "メモ帳");
    EXPECT_EQ(s.profiles[2].title, "");

    const auto& std0 = s.profiles[0].rules;
    EXPECT_EQ(std0.keys[0], 29);
    EXPECT_EQ(std0.keys[1], 112);
    EXPECT_EQ(std0.texts[1], "東京都");
    EXPECT_EQ(std0.keys[2], 1059);
    EXPECT_EQ(std0.texts[2], "\x1D|\x1D");
    EXPECT_EQ(std0.texts[3], "\x0D:\x0D");
    for (int i = 4; i < yv::host::kLibraryRows; ++i) EXPECT_EQ(std0.keys[i], 0) << i;

    // every profile carries the one On/Off key
    EXPECT_EQ(s.profiles[1].rules.keys[0], 29);
    EXPECT_EQ(s.profiles[1].rules.keys[1], 65);
    EXPECT_EQ(s.profiles[1].rules.texts[1], " a ");
    EXPECT_EQ(s.profiles[2].rules.keys[0], 29);
    EXPECT_EQ(s.profiles[2].rules.keys[1], 1030);
    EXPECT_EQ(s.profiles[2].rules.texts[1], "貼り付け");
}

TEST_F(LoadSnapshotTest, BadFilesGiveUsableDefaults) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 37 + 11) & 0xFF);
    const std::string cases[] = {
        "",
        garbage,
        "[Config\r\nhenstart=1\r\n",
        "[Config]\r\nhenstart=2\r\nnumlockon=7\r\nAplAutoOff=x\r\nkey0=999\r\n"
        "key1=256\r\ndata1=x\r\nkey2=-256\r\ndata2=y\r\nkey3=abc\r\ndata3=z\r\n",
    };
    for (const auto& bytes : cases) {
        Write(bytes);
        Snapshot s = LoadSnapshot(path);
        EXPECT_EQ(s.henstart, 0);
        EXPECT_TRUE(s.numLockHold);
        EXPECT_TRUE(s.autoSwitch);
        EXPECT_GE(s.profileCount, 0);
        EXPECT_LE(s.profileCount, yv::host::kMaxProfiles);
        for (int i = 0; i < yv::host::kLibraryRows; ++i) {
            int k = s.profiles[0].rules.keys[i];
            EXPECT_TRUE(k == 0 || (k >= 1 && k <= 255) || (k >= 1001 && k <= 1255)) << k;
            EXPECT_LE(s.profiles[0].rules.texts[i].size(), 100u);
        }
    }
}

// numlockon 0 keeps NumLock on, and so does a file without the key, as the editor's
// 「NumLock ON 保持」 box shows; 1 and only 1 lets it be.
TEST_F(LoadSnapshotTest, NumLockHoldFromTheFile) {
    const struct {
        const char* file;
        bool hold;
    } rows[] = {
        {"[Config]\r\nhenstart=1\r\n", true},
        {"[Config]\r\nnumlockon=0\r\n", true},
        {"[Config]\r\nnumlockon=1\r\n", false},
        {"[Config]\r\nnumlockon=2\r\n", true},
        {"[Apl1]\r\nnumlockon=1\r\n[Config]\r\n", true},
    };
    for (const auto& r : rows) {
        Write(r.file);
        EXPECT_EQ(LoadSnapshot(path).numLockHold, r.hold) << r.file;
    }
}

TEST_F(LoadSnapshotTest, MissingFileGivesDefaults) {
    std::remove(path.c_str());
    Snapshot s = LoadSnapshot(path);
    EXPECT_EQ(s.henstart, 0);
    EXPECT_TRUE(s.numLockHold);
    EXPECT_TRUE(s.autoSwitch);
    EXPECT_EQ(s.profileCount, 0);
    EXPECT_EQ(s.profiles[0].rules.keys[0], 0);
}

// A file saved as UTF-16 by another editor: read in Shift-JIS, every profile's rows included,
// and the encoding told to the host. A Shift-JIS file says so.
TEST_F(LoadSnapshotTest, ReportsTheEncodingRead) {
    Write(yv::settings::testing::FileBytes(
        yv::settings::FileEncoding::kUtf16Le,
        u"[Config]\r\nkey1=112\r\ndata1=東京都\r\n[Apl1]\r\nName=メモ\r\nName1=メモ帳\r\n"
        u"key1=65\r\ndata1=貼り付け\r\n"));
    Snapshot s = LoadSnapshot(path);
    EXPECT_EQ(s.encoding, yv::settings::FileEncoding::kUtf16Le);
    EXPECT_EQ(s.profiles[0].rules.texts[1], "東京都");
    ASSERT_EQ(s.profileCount, 1);
    EXPECT_EQ(s.profiles[1].title, "メモ帳");
    EXPECT_EQ(s.profiles[1].rules.texts[1], "貼り付け");
    Write("[Config]\r\nkey1=112\r\ndata1=東京都\r\n");
    EXPECT_EQ(LoadSnapshot(path).encoding, yv::settings::FileEncoding::kShiftJis);
}

// Shift-JIS half-width katakana whose bytes are also UTF-8 reach the library as they stand.
TEST_F(LoadSnapshotTest, HalfWidthKatakanaAreReadAsShiftJis) {
    const std::string texts[] = {"ﾒｰ", "ﾐｽ"};
    for (const std::string& text : texts) {
        Write("[Config]\r\nkey1=112\r\ndata1=" + text + "\r\n");
        const Snapshot s = LoadSnapshot(path);
        EXPECT_EQ(s.encoding, yv::settings::FileEncoding::kShiftJis) << text;
        EXPECT_EQ(s.profiles[0].rules.texts[1], text);
    }
}

// Restoring the clipboard after a paste row: on unless ClipRestoreOff is 1. Whether the file
// was read at all, and whether it has a [Config] section, so that a file being rewritten or a
// file of another kind does not replace the settings in force.
TEST_F(LoadSnapshotTest, ClipboardOptionAndFileState) {
    const struct {
        const char* file;  // nullptr: no file
        bool restore;
        yv::settings::FileState state;
        bool hasConfig;
    } rows[] = {
        {"[Config]\r\nClipRestoreOff=1\r\n", false, yv::settings::FileState::kRead, true},
        {"[Config]\r\nClipRestoreOff=0\r\n", true, yv::settings::FileState::kRead, true},
        {"[Config]\r\nClipRestoreOff=2\r\n", true, yv::settings::FileState::kRead, true},
        {"[Apl1]\r\nClipRestoreOff=1\r\n", true, yv::settings::FileState::kRead, false},
        {"", true, yv::settings::FileState::kRead, false},
        {"\x89PNG\r\n\x1a\n\0\0\0\rIHDR", true, yv::settings::FileState::kRead, false},
        {"; comment\r\n[config]\r\n", true, yv::settings::FileState::kRead, true},
        {"[Config\r\nkey1=112\r\n", true, yv::settings::FileState::kRead, false},
        {nullptr, true, yv::settings::FileState::kAbsent, false},
    };
    for (const auto& r : rows) {
        if (r.file) {
            Write(r.file);
        } else {
            std::remove(path.c_str());
        }
        Snapshot s = LoadSnapshot(path);
        EXPECT_EQ(s.clipRestore, r.restore) << (r.file ? r.file : "no file");
        EXPECT_EQ(s.file, r.state) << (r.file ? r.file : "no file");
        EXPECT_EQ(s.hasConfig, r.hasConfig) << (r.file ? r.file : "no file");
    }
}

}  // namespace
