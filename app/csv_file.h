// The CSV files the downloads write: code page 932, fields joined by commas with nothing
// added, every line ended with CR LF. How a download's file reaches its place without losing
// the earlier file or anything received.
#pragma once

#include <ctime>
#include <filesystem>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>

#include "platform/file_system.h"

namespace app {

inline constexpr const char8_t* kMassMemoryFileName = u8"TQ58メモリーデータ.csv";
inline constexpr const char8_t* kSecondaryProcessingFileName = u8"TQ582次演算データ.csv";

// Where a download writes until its data replaces the earlier file: beside it, so that the
// replacement is a rename within one folder. During a download it is held by its writer;
// found at the start of a download, it is a crashed run's and is kept (KeptFilePath).
std::filesystem::path PartialFilePath(const std::filesystem::path& target);

// Where received data that did not replace the target is kept: the target's name with the
// local time its data was last written, "TQ58メモリーデータ_20261210-143205.csv"; the nth
// name for that time after the first is "..._20261210-143205-n.csv".
std::filesystem::path KeptFilePath(const std::filesystem::path& target, const std::tm& written,
                                   int nth = 1);

// A file that cannot be created, written or put in place; names the file involved.
class FileError : public std::runtime_error {
  public:
    FileError(const std::filesystem::path& path, const std::string& what);
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Another run is downloading into the same file now; holder names its program when that can
// be told.
class FileBusy : public FileError {
  public:
    FileBusy(const std::filesystem::path& target, std::string holder);
    const std::string& holder() const { return holder_; }

  private:
    std::string holder_;
};

// A replace that another program blocks (a virus scanner or the search indexer looking at the
// new file, a spreadsheet opening the target) is tried again after these pauses, about two
// seconds in all, the window staying live.
inline constexpr int kReplaceRetryPausesMs[] = {100, 200, 300, 400, 500, 500};

class CsvFile {
  public:
    using Wait = std::function<void(int ms)>;

    // Creates the partial file, held by this program alone. Refuses, naming it, a target that
    // could not be replaced (Windows); refuses with FileBusy while another run writes the
    // partial file. A partial file that an earlier run left is first kept under its
    // KeptFilePath (earlierKeptAs()).
    CsvFile(std::filesystem::path target, platform::FileSystem& files);

    // Fields are UTF-8; they are written in code page 932, each line handed to the system at
    // once, so that a crash loses at most the line in progress.
    void WriteLine(std::span<const std::string> fields);
    int lines() const { return lines_; }

    bool TargetExists() { return files_.Exists(target_); }
    // Puts the data on the disk, then the file in place of the target, trying again while
    // another program briefly holds either. Throws a FileError naming the file involved; the
    // data then stays in the partial file (KeepAside).
    void PutInPlace(const Wait& wait);
    // Puts the data on the disk under KeptFilePath; returns where it is (the partial file when
    // it could not be renamed).
    std::filesystem::path KeepAside();
    // Closes the partial file and removes it: for a file that holds no received data.
    void Discard();

    const std::filesystem::path& target() const { return target_; }
    const std::filesystem::path& partialPath() const { return partialPath_; }
    // Where an earlier run's partial file, found at the start, was kept; empty when there was
    // none.
    const std::filesystem::path& earlierKeptAs() const { return earlierKeptAs_; }

    // Closes the partial file and leaves it where it is, as a crash would.
    ~CsvFile();
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

  private:
    void KeepEarlierPartialFile();
    // Renames the partial file to the first free KeptFilePath of its time.
    platform::FileOutcome MoveToKeptName(std::filesystem::path& keptAt);
    platform::FileOutcome CloseFile(bool flush);

    platform::FileSystem& files_;
    std::filesystem::path target_;
    std::filesystem::path partialPath_;
    std::filesystem::path earlierKeptAs_;
    platform::FileHandle file_;
    bool open_ = false;
    int lines_ = 0;
};

}  // namespace app
