// The file system calls of the download files, where they hold what the downloads rely on: a
// rename aside never replaces, a file being written is seen as such by another writer, and a
// replace that cannot put the new file in place leaves the earlier file whole (Windows 95, 98 and
// Me, which have no MoveFileEx, move it aside first and must put it back).
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/file_system.h"

namespace {

namespace fs = std::filesystem;
using platform::FileFailure;

class FileSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 (std::string("tq58-file-system-") +
#ifdef TQ58_WINDOWS_9X
                  "9x-" +
#endif
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        fs::remove_all(folder);
    }

    fs::path Write(const char8_t* name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
        return folder / name;
    }
    std::string Read(const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }
    int Entries() {
        return static_cast<int>(std::distance(fs::directory_iterator(folder), {}));
    }

    platform::FileSystem& files = platform::SystemFileSystem();
    fs::path folder;
};

TEST_F(FileSystem, AMoveAsideNeverReplacesAndAFileBeingWrittenIsNotMoved) {
    const fs::path kept = Write(u8"データ_20261210-143205.csv", "kept\r\n");
    const fs::path leftover = Write(u8"データ_取込中.csv", "leftover\r\n");
    EXPECT_EQ(files.MoveAside(leftover, kept).failure, FileFailure::Exists);
    EXPECT_EQ(Read(kept), "kept\r\n");
    EXPECT_EQ(Read(leftover), "leftover\r\n");

    const fs::path writing = folder / u8"書込中_取込中.csv";
    platform::FileHandle file;
    ASSERT_TRUE(files.CreateExclusive(writing, "tq58pc-contec", file).ok());
    platform::FileHandle second;
    EXPECT_EQ(files.CreateExclusive(writing, "tq58pc-visa", second).failure, FileFailure::Exists);
    const platform::FileOutcome moved = files.MoveAside(writing, folder / u8"移動先.csv");
    EXPECT_EQ(moved.failure, FileFailure::Writing);
#ifdef _WIN32
    EXPECT_EQ(moved.holder, "tq58pc-contec");
#endif
    ASSERT_TRUE(files.Close(file).ok());
    EXPECT_TRUE(files.MoveAside(writing, folder / u8"移動先.csv").ok()) << "no writer any more";
}

#ifdef _WIN32
// The new file held by another program (a virus scanner looking at it) cannot be moved in: the
// earlier file stays whole under its own name, with nothing left beside it.
TEST_F(FileSystem, AReplaceThatCannotMoveTheNewFileInKeepsTheEarlierFile) {
    const fs::path target = Write(u8"TQ58メモリーデータ.csv", "earlier\r\n");
    const fs::path partial = Write(u8"TQ58メモリーデータ_取込中.csv", "new\r\n");
    HANDLE scanner = CreateFileW(partial.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    EXPECT_EQ(files.Replace(partial, target).failure, FileFailure::Held);
    EXPECT_EQ(Read(target), "earlier\r\n");
    EXPECT_EQ(Entries(), 2) << "nothing is left aside";
    CloseHandle(scanner);

    ASSERT_TRUE(files.Replace(partial, target).ok());
    EXPECT_EQ(Read(target), "new\r\n");
    EXPECT_EQ(Entries(), 1);
}
#endif

}  // namespace
