#include "app/csv_file.h"

#include <cstdio>

#include "app/utf8_text.h"
#include "platform/codepage932.h"

namespace app {

namespace {

using platform::FileFailure;
using platform::FileOutcome;

constexpr int kMostKeptNamesPerSecond = 99;

std::tm Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    if (const std::tm* converted = std::localtime(&now)) local = *converted;
#else
    localtime_r(&now, &local);
#endif
    return local;
}

std::string Because(const FileOutcome& outcome) {
    return outcome.systemText.empty() ? std::string() : "（" + outcome.systemText + "）";
}

}  // namespace

std::filesystem::path PartialFilePath(const std::filesystem::path& target) {
    auto name = target.stem().u8string() + u8"_取込中" + target.extension().u8string();
    return target.parent_path() / name;
}

std::filesystem::path KeptFilePath(const std::filesystem::path& target, const std::tm& written,
                                   int nth) {
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "_%04d%02d%02d-%02d%02d%02d", written.tm_year + 1900,
                  written.tm_mon + 1, written.tm_mday, written.tm_hour, written.tm_min,
                  written.tm_sec);
    std::string suffix = stamp;
    if (nth > 1) suffix += "-" + std::to_string(nth);
    auto name = target.stem().u8string() + std::u8string(suffix.begin(), suffix.end()) +
                target.extension().u8string();
    return target.parent_path() / name;
}

FileError::FileError(const std::filesystem::path& path, const std::string& what)
    : std::runtime_error(PathText(path) + ": " + what), path_(path) {}

FileBusy::FileBusy(const std::filesystem::path& target, std::string holder)
    : FileError(target, (holder.empty() ? std::string("ほかのプログラム") : "「" + holder + "」") +
                            "がこのファイルへ取り込み中です"),
      holder_(std::move(holder)) {}

CsvFile::CsvFile(std::filesystem::path target, platform::FileSystem& files)
    : files_(files), target_(std::move(target)), partialPath_(PartialFilePath(target_)) {
    // The folder may not exist yet: a first download into the documents folder creates it. A
    // folder that cannot be made shows as the file that cannot be created.
    files_.CreateFolders(target_.parent_path());
    if (const FileOutcome replaceable = files_.CheckReplaceable(target_); !replaceable.ok()) {
        throw FileError(target_, "置き換えられません" + Because(replaceable) +
                                     "。ほかのプログラムで開いていないか確認してください");
    }
    KeepEarlierPartialFile();
    const FileOutcome created =
        files_.CreateExclusive(partialPath_, platform::ProgramName(), file_);
    // Taken between the look and the creation: another run started at the same moment.
    if (created.failure == FileFailure::Exists) throw FileBusy(target_, {});
    if (!created.ok()) throw FileError(partialPath_, "作成できません" + Because(created));
    open_ = true;
}

// A partial file at the start is a crashed run's, or one whose replace failed: it holds
// received data and is kept, not written over. One that a writer holds is a run in progress.
void CsvFile::KeepEarlierPartialFile() {
    if (!files_.Exists(partialPath_)) return;
    const FileOutcome moved = MoveToKeptName(earlierKeptAs_);
    if (moved.ok()) return;
    if (moved.failure == FileFailure::Writing) throw FileBusy(target_, moved.holder);
    throw FileError(partialPath_, moved.failure == FileFailure::Held
                                      ? "ほかのプログラムが使用中です" + Because(moved) +
                                            "。Excel などで開いていれば閉じてください"
                                      : "名前を変えられません" + Because(moved));
}

FileOutcome CsvFile::MoveToKeptName(std::filesystem::path& keptAt) {
    const std::tm written = files_.LastWritten(partialPath_).value_or(Now());
    FileOutcome moved;
    for (int nth = 1; nth <= kMostKeptNamesPerSecond; ++nth) {
        const std::filesystem::path name = KeptFilePath(target_, written, nth);
        moved = files_.MoveAside(partialPath_, name);
        if (moved.ok()) keptAt = name;
        if (moved.failure != FileFailure::Exists) break;
    }
    return moved;
}

CsvFile::~CsvFile() {
    if (open_) files_.Close(file_);
}

void CsvFile::WriteLine(std::span<const std::string> fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        line += fields[i];
    }
    if (!open_) throw FileError(partialPath_, "already closed");
    const std::string bytes = platform::Utf8ToCp932(line) + "\r\n";
    if (const FileOutcome written = files_.Write(file_, bytes); !written.ok()) {
        throw FileError(partialPath_, "書き込めません" + Because(written));
    }
    ++lines_;
}

FileOutcome CsvFile::CloseFile(bool flush) {
    if (!open_) return {};
    open_ = false;
    const FileOutcome flushed = flush ? files_.FlushToDisk(file_) : FileOutcome{};
    const FileOutcome closed = files_.Close(file_);
    return flushed.ok() ? closed : flushed;
}

void CsvFile::PutInPlace(const Wait& wait) {
    // On the disk before the rename: after a power cut the target is the earlier file or the
    // whole new one, never a name for data that did not reach the disk.
    if (const FileOutcome closed = CloseFile(true); !closed.ok()) {
        throw FileError(partialPath_, "ディスクに書き込めません" + Because(closed));
    }
    FileOutcome replaced = files_.Replace(partialPath_, target_);
    for (const int pause : kReplaceRetryPausesMs) {
        if (replaced.failure != FileFailure::Held) break;
        wait(pause);
        replaced = files_.Replace(partialPath_, target_);
    }
    if (replaced.ok()) {
        // A rename that did not reach the disk leaves, after a power cut, both names: the
        // earlier file and the partial file with the data. Nothing is lost either way.
        files_.SyncFolder(target_.parent_path());
        return;
    }
    // The system does not say which of the two names was held: the target is, if it cannot be
    // replaced now.
    if (const FileOutcome target = files_.CheckReplaceable(target_); !target.ok()) {
        throw FileError(target_,
                        "ほかのプログラムが開いているため置き換えられません" + Because(target));
    }
    throw FileError(partialPath_, "名前を変えられません" + Because(replaced));
}

std::filesystem::path CsvFile::KeepAside() {
    CloseFile(true);  // a failed flush leaves the data in the system's cache, still kept
    std::filesystem::path keptAt;
    return MoveToKeptName(keptAt).ok() ? keptAt : partialPath_;
}

void CsvFile::Discard() {
    CloseFile(false);
    files_.Remove(partialPath_);
}

}  // namespace app
