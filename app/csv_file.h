// The CSV files the downloads write: code page 932, fields joined by commas with nothing
// added, every line ended with CR LF.
#pragma once

#include <cstdio>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>

namespace app {

inline constexpr const char8_t* kMassMemoryFileName = u8"TQ58メモリーデータ.csv";
inline constexpr const char8_t* kSecondaryProcessingFileName = u8"TQ582次演算データ.csv";

// Where a download writes until it has data to replace the earlier file with: beside it, so
// that the replacement is a rename within one folder. After a crash it holds the lines
// received so far, and the earlier file is whole.
std::filesystem::path NewFilePath(const std::filesystem::path& target);

// A file that cannot be created or written; names the file.
class FileError : public std::runtime_error {
  public:
    FileError(const std::filesystem::path& path, const std::string& what);
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Written through the C runtime's FILE rather than std::ofstream: the C++ library's file
// stream brings in msvcrt's _fstat64, which the msvcrt.dll of Windows 2000 does not export.
//
// The lines go into NewFilePath(target); the earlier file at target stays as it was until
// Replace() puts the new file in its place. Discard() removes the new file instead.
class CsvFile {
  public:
    // Creates the new file, truncating one left by an earlier run. Refuses, naming it, a
    // target that exists but could not be replaced. flushEveryLine: each line is handed to
    // the system as soon as it is written, so a crash loses at most the line in progress.
    CsvFile(std::filesystem::path target, bool flushEveryLine);

    // Fields are UTF-8; they are written in code page 932.
    void WriteLine(std::span<const std::string> fields);
    int lines() const { return lines_; }

    // Closes the new file and puts it in place of the target.
    void Replace();
    // Closes the new file and removes it: the target stays as it was, or absent.
    void Discard();

    const std::filesystem::path& target() const { return target_; }
    const std::filesystem::path& newPath() const { return newPath_; }

    // Closes the new file and leaves it where it is.
    ~CsvFile();
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

  private:
    void Close();

    std::filesystem::path target_;
    std::filesystem::path newPath_;
    std::FILE* file_ = nullptr;
    bool flushEveryLine_;
    int lines_ = 0;
};

}  // namespace app
