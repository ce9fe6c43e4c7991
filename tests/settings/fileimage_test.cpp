// The file image the settings editor compares before each write: what counts as another
// program's change.
#include "fileimage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace yv::settings {
namespace {

FileImage Image(bool exists, std::uint64_t time, std::uint64_t id, bool readable,
                const char* bytes) {
    FileImage f;
    f.stamp = {exists, std::string(bytes).size(), time, id};
    f.readable = readable;
    f.bytes = bytes;
    return f;
}

struct CompareCase {
    const char* name;
    FileImage taken, now;
    Since want;
};

const CompareCase kCompare[] = {
    {"Same", Image(true, 5, 1, true, "a=1"), Image(true, 5, 1, true, "a=1"), Since::kSame},
    {"LaterTimeSameBytes", Image(true, 5, 1, true, "a=1"), Image(true, 9, 1, true, "a=1"),
     Since::kTouched},
    {"SavedByARenameSameBytes", Image(true, 5, 1, true, "a=1"), Image(true, 5, 2, true, "a=1"),
     Since::kTouched},
    {"OtherBytesSameStamp", Image(true, 5, 1, true, "a=1"), Image(true, 5, 1, true, "a=2"),
     Since::kChanged},
    {"OtherBytesLaterTime", Image(true, 5, 1, true, "a=1"), Image(true, 9, 1, true, "a=22"),
     Since::kChanged},
    {"Deleted", Image(true, 5, 1, true, ""), Image(false, 0, 0, false, ""), Since::kChanged},
    {"Created", Image(false, 0, 0, false, ""), Image(true, 5, 1, true, ""), Since::kChanged},
    {"StillAbsent", Image(false, 0, 0, false, ""), Image(false, 0, 0, false, ""), Since::kSame},
    // Held by another program mid-save: nothing to compare, so it counts as changed.
    {"NowLocked", Image(true, 5, 1, true, ""), Image(true, 5, 1, false, ""), Since::kChanged},
    {"NoLongerLocked", Image(true, 5, 1, false, ""), Image(true, 5, 1, true, ""), Since::kChanged},
};

class Compares : public ::testing::TestWithParam<CompareCase> {};
TEST_P(Compares, Row) {
    const auto& c = GetParam();
    EXPECT_EQ(Compare(c.taken, c.now), c.want);
}
INSTANTIATE_TEST_SUITE_P(FileImage, Compares, ::testing::ValuesIn(kCompare),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileImage, TakesStampAndBytes) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("yv-image-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "Yorvan2.ini").string();

    const FileImage absent = TakeImage(path);
    EXPECT_FALSE(absent.stamp.exists);
    EXPECT_FALSE(absent.readable);

    std::ofstream(path, std::ios::binary) << "[Config]\r\nkey1=65\r\n";
    const FileImage first = TakeImage(path);
    EXPECT_TRUE(first.stamp.exists);
    EXPECT_TRUE(first.readable);
    EXPECT_EQ(first.stamp.size, 19u);
    EXPECT_EQ(first.bytes, "[Config]\r\nkey1=65\r\n");
    EXPECT_NE(first.stamp.id, 0u);

    // A save by a rename: another file in the same place, the same bytes.
    std::ofstream(path + ".tmp", std::ios::binary) << "[Config]\r\nkey1=65\r\n";
    std::filesystem::rename(path + ".tmp", path);
    const FileImage renamed = TakeImage(path);
    EXPECT_NE(renamed.stamp.id, first.stamp.id);
    EXPECT_EQ(Compare(first, renamed), Since::kTouched);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace yv::settings
