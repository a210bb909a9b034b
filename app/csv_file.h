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
class CsvFile {
  public:
    // Creates the file, truncating one that exists. flushEveryLine: each line is handed to the
    // system as soon as it is written, so a crash loses at most the line in progress.
    CsvFile(std::filesystem::path path, bool flushEveryLine);

    // Fields are UTF-8; they are written in code page 932.
    void WriteLine(std::span<const std::string> fields);
    void Close();

    ~CsvFile();
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

  private:
    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    bool flushEveryLine_;
};

}  // namespace app
