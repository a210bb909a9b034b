#include "app/csv_file.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

#include "app/utf8_text.h"
#include "platform/codepage932.h"

namespace app {

namespace {

std::string SystemReason() {
    return errno != 0 ? std::strerror(errno) : "unknown error";
}

std::FILE* OpenFile(const std::filesystem::path& path, bool create) {
#ifdef _WIN32
    return _wfopen(path.c_str(), create ? L"wb" : L"r+b");
#else
    return std::fopen(path.c_str(), create ? "wb" : "r+b");
#endif
}

// Windows cannot replace a file that another program holds open without sharing it (a
// spreadsheet showing the earlier download does) or that is read-only: found out now, before
// anything is sent, rather than after the download. POSIX replaces by rename whatever the
// earlier file's own permissions are.
void CheckReplaceable([[maybe_unused]] const std::filesystem::path& target) {
#ifdef _WIN32
    if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    errno = 0;
    std::FILE* probe = OpenFile(target, false);
    if (probe == nullptr) {
        throw FileError(target,
                        SystemReason() + "（ほかのプログラムで開いていないか確認してください）");
    }
    std::fclose(probe);
#endif
}

}  // namespace

std::filesystem::path NewFilePath(const std::filesystem::path& target) {
    auto name = target.stem().u8string() + u8"_取込中" + target.extension().u8string();
    return target.parent_path() / name;
}

FileError::FileError(const std::filesystem::path& path, const std::string& what)
    : std::runtime_error(PathText(path) + ": " + what), path_(path) {}

CsvFile::CsvFile(std::filesystem::path target, bool flushEveryLine)
    : target_(std::move(target)), newPath_(NewFilePath(target_)), flushEveryLine_(flushEveryLine) {
#ifndef _WIN32
    // The folder may not exist yet: a first download into the documents folder creates it. A
    // folder that cannot be made shows as the file that cannot be created. On Windows the files
    // go beside the program, whose folder exists; there std::filesystem's operations would also
    // bring in msvcrt functions that Windows 2000 lacks (_wstat64).
    std::error_code ignored;
    std::filesystem::create_directories(target_.parent_path(), ignored);
#endif
    CheckReplaceable(target_);
    errno = 0;
    file_ = OpenFile(newPath_, true);
    if (file_ == nullptr) throw FileError(target_, SystemReason());
}

CsvFile::~CsvFile() {
    if (file_ != nullptr) std::fclose(file_);
}

void CsvFile::WriteLine(std::span<const std::string> fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        line += fields[i];
    }
    const std::string bytes = platform::Utf8ToCp932(line) + "\r\n";
    if (file_ == nullptr) throw FileError(newPath_, "already closed");
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size() &&
                         (!flushEveryLine_ || std::fflush(file_) == 0);
    if (!written) throw FileError(newPath_, SystemReason());
    ++lines_;
}

void CsvFile::Close() {
    if (file_ == nullptr) return;
    errno = 0;
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) throw FileError(newPath_, SystemReason());
}

void CsvFile::Replace() {
    Close();
#ifdef _WIN32
    // Windows 2000 has MoveFileExW; msvcrt's rename refuses an existing target.
    if (!MoveFileExW(newPath_.c_str(), target_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throw FileError(target_, "置き換えられません（Windows のエラー " +
                                     std::to_string(GetLastError()) + "）");
    }
#else
    errno = 0;
    if (std::rename(newPath_.c_str(), target_.c_str()) != 0) {
        throw FileError(target_, SystemReason());
    }
#endif
}

void CsvFile::Discard() {
    Close();
#ifdef _WIN32
    DeleteFileW(newPath_.c_str());
#else
    std::remove(newPath_.c_str());
#endif
}

}  // namespace app
