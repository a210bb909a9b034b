#include "app/csv_file.h"

#include <cerrno>
#include <cstring>

#include "platform/codepage932.h"

namespace app {

namespace {

std::string PathText(const std::filesystem::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string SystemReason() {
    return errno != 0 ? std::strerror(errno) : "unknown error";
}

}  // namespace

FileError::FileError(const std::filesystem::path& path, const std::string& what)
    : std::runtime_error(PathText(path) + ": " + what), path_(path) {}

CsvFile::CsvFile(std::filesystem::path path, bool flushEveryLine)
    : path_(std::move(path)), flushEveryLine_(flushEveryLine) {
#ifndef _WIN32
    // The folder may not exist yet: a first download into the documents folder creates it. A
    // folder that cannot be made shows as the file that cannot be created. On Windows the files
    // go beside the program, whose folder exists; there std::filesystem's operations would also
    // bring in msvcrt functions that Windows 2000 lacks (_wstat64).
    std::error_code ignored;
    std::filesystem::create_directories(path_.parent_path(), ignored);
#endif
    errno = 0;
#ifdef _WIN32
    file_ = _wfopen(path_.c_str(), L"wb");
#else
    file_ = std::fopen(path_.c_str(), "wb");
#endif
    if (file_ == nullptr) throw FileError(path_, SystemReason());
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
    if (file_ == nullptr) throw FileError(path_, "already closed");
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size() &&
                         (!flushEveryLine_ || std::fflush(file_) == 0);
    if (!written) throw FileError(path_, SystemReason());
}

void CsvFile::Close() {
    if (file_ == nullptr) return;
    errno = 0;
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) throw FileError(path_, SystemReason());
}

}  // namespace app
