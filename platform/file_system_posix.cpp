// The download files on POSIX: descriptors written without a buffer of the program's own, a
// writer's hold as an flock() lock, and the holder found among the processes' open files.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "platform/file_system.h"

namespace platform {

namespace {

FileOutcome Failed(FileFailure failure, int error) {
    return {failure, std::strerror(error), {}};
}

FileOutcome FromErrno(int error) {
    switch (error) {
        case EEXIST:
            return Failed(FileFailure::Exists, error);
        case EBUSY:
        case ETXTBSY:
        case EWOULDBLOCK:
            return Failed(FileFailure::Held, error);
        default:
            return Failed(FileFailure::Other, error);
    }
}

std::string Link(const std::string& path) {
    char target[4096];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
}

// The program that has the file open, found as lsof would: among the open files of the
// processes this user may look into (Linux's /proc). Empty when none is found.
std::string HolderOf(const std::filesystem::path& path) {
    std::error_code error;
    const std::string wanted = std::filesystem::canonical(path, error).string();
    if (error) return {};
    DIR* processes = opendir("/proc");
    if (processes == nullptr) return {};
    std::string holder;
    while (const dirent* process = readdir(processes)) {
        const std::string pid = process->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos ||
            pid == std::to_string(getpid())) {
            continue;
        }
        const std::string fdFolder = "/proc/" + pid + "/fd";
        DIR* fds = opendir(fdFolder.c_str());
        if (fds == nullptr) continue;
        while (const dirent* fd = readdir(fds)) {
            if (fd->d_name[0] != '.' && Link(fdFolder + "/" + fd->d_name) == wanted) {
                holder = std::filesystem::path(Link("/proc/" + pid + "/exe")).filename();
                break;
            }
        }
        closedir(fds);
        if (!holder.empty()) break;
    }
    closedir(processes);
    return holder;
}

// rename() without replacing: renameat2's RENAME_NOREPLACE where the file system has it, a
// hard link and an unlink where it has links, otherwise a look before the rename.
FileOutcome RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS) return FromErrno(errno);
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return {};
    }
    if (errno != EPERM && errno != ENOTSUP) return FromErrno(errno);
    struct stat existing;
    if (lstat(to.c_str(), &existing) == 0) return Failed(FileFailure::Exists, EEXIST);
    return std::rename(from.c_str(), to.c_str()) == 0 ? FileOutcome{} : FromErrno(errno);
}

class PosixFileSystem : public FileSystem {
  public:
    FileOutcome CreateExclusive(const std::filesystem::path& path, std::string_view,
                                FileHandle& file) override {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) return FromErrno(errno);
        // Held for the whole download: another program's run sees a writer, not a leftover.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(fd);
            unlink(path.c_str());
            return FromErrno(error);
        }
        file.native = fd;
        return {};
    }

    FileOutcome Write(FileHandle file, std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t written =
                write(static_cast<int>(file.native), bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return FromErrno(written < 0 ? errno : EIO);
            bytes.remove_prefix(static_cast<size_t>(written));
        }
        return {};
    }

    FileOutcome FlushToDisk(FileHandle file) override {
        return fsync(static_cast<int>(file.native)) == 0 ? FileOutcome{} : FromErrno(errno);
    }

    FileOutcome Close(FileHandle file) override {
        return close(static_cast<int>(file.native)) == 0 ? FileOutcome{} : FromErrno(errno);
    }

    FileOutcome Replace(const std::filesystem::path& from,
                        const std::filesystem::path& to) override {
        return std::rename(from.c_str(), to.c_str()) == 0 ? FileOutcome{} : FromErrno(errno);
    }

    FileOutcome MoveAside(const std::filesystem::path& from,
                          const std::filesystem::path& to) override {
        const int fd = open(from.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return FromErrno(errno);
        FileOutcome outcome;
        struct stat opened, named;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            outcome = FromErrno(errno);
            // Only a download's writer locks the file.
            if (outcome.failure == FileFailure::Held) {
                outcome.failure = FileFailure::Writing;
                outcome.holder = HolderOf(from);
            }
        } else if (fstat(fd, &opened) != 0 || stat(from.c_str(), &named) != 0 ||
                   opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
            // Another run put a new file under the name meanwhile: that one is its own.
            outcome = Failed(FileFailure::Writing, EBUSY);
        } else {
            // Moved while locked, so that no other run takes it for a leftover of its own.
            outcome = RenameNoReplace(from, to);
        }
        close(fd);
        return outcome;
    }

    FileOutcome Remove(const std::filesystem::path& path) override {
        return unlink(path.c_str()) == 0 ? FileOutcome{} : FromErrno(errno);
    }

    FileOutcome SyncFolder(const std::filesystem::path& folder) override {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return FromErrno(errno);
        const bool synced = fsync(fd) == 0;
        const int error = errno;
        close(fd);
        return synced ? FileOutcome{} : FromErrno(error);
    }

    FileOutcome CreateFolders(const std::filesystem::path& folder) override {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) return {FileFailure::Other, error.message(), {}};
        return {};
    }

    FileOutcome CheckReplaceable(const std::filesystem::path&) override { return {}; }

    bool Exists(const std::filesystem::path& path) override {
        struct stat status;
        return lstat(path.c_str(), &status) == 0;
    }

    std::optional<std::tm> LastWritten(const std::filesystem::path& path) override {
        struct stat status;
        std::tm local{};
        if (stat(path.c_str(), &status) != 0 || localtime_r(&status.st_mtime, &local) == nullptr) {
            return std::nullopt;
        }
        return local;
    }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static PosixFileSystem system;
    return system;
}

std::string ProgramName() {
    return std::filesystem::path(Link("/proc/self/exe")).filename();
}

}  // namespace platform
