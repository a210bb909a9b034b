// A file system that does what the system's does, records each call in order ("create
// TQ58メモリーデータ_取込中.csv", "write", "flush", "close", "replace <from> <to>", "sync"), and
// fails the calls a test names instead of making them.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/utf8_text.h"
#include "platform/file_system.h"

namespace testing_support {

class RecordingFileSystem : public platform::FileSystem {
  public:
    // The nth call (from 1) of "create", "write", "flush", "replace", "move-aside" fails as
    // said; nth 0: every call from now on.
    void Fail(const std::string& call, int nth,
              platform::FileFailure failure = platform::FileFailure::Held) {
        failures_[call].push_back({nth, failure});
    }
    // The calls, without the writes between others folded: "write" once for each run of them.
    std::vector<std::string> Calls() const {
        std::vector<std::string> folded;
        for (const auto& call : calls) {
            if (call != "write" || folded.empty() || folded.back() != "write") {
                folded.push_back(call);
            }
        }
        return folded;
    }

    platform::FileOutcome CreateExclusive(const std::filesystem::path& path,
                                          std::string_view writer,
                                          platform::FileHandle& file) override {
        if (auto failed = Failing("create " + Name(path))) return *failed;
        return system_.CreateExclusive(path, writer, file);
    }
    platform::FileOutcome Write(platform::FileHandle file, std::string_view bytes) override {
        if (auto failed = Failing("write")) return *failed;
        return system_.Write(file, bytes);
    }
    platform::FileOutcome FlushToDisk(platform::FileHandle file) override {
        if (auto failed = Failing("flush")) return *failed;
        return system_.FlushToDisk(file);
    }
    platform::FileOutcome Close(platform::FileHandle file) override {
        calls.push_back("close");
        return system_.Close(file);
    }
    platform::FileOutcome Replace(const std::filesystem::path& from,
                                  const std::filesystem::path& to) override {
        if (auto failed = Failing("replace " + Name(from) + " " + Name(to))) return *failed;
        return system_.Replace(from, to);
    }
    platform::FileOutcome MoveAside(const std::filesystem::path& from,
                                    const std::filesystem::path& to) override {
        if (auto failed = Failing("move-aside " + Name(from) + " " + Name(to))) return *failed;
        return system_.MoveAside(from, to);
    }
    platform::FileOutcome Remove(const std::filesystem::path& path) override {
        calls.push_back("remove " + Name(path));
        return system_.Remove(path);
    }
    platform::FileOutcome SyncFolder(const std::filesystem::path& folder) override {
        calls.push_back("sync");
        return system_.SyncFolder(folder);
    }
    platform::FileOutcome CreateFolders(const std::filesystem::path& folder) override {
        return system_.CreateFolders(folder);
    }
    platform::FileOutcome CheckReplaceable(const std::filesystem::path& path) override {
        return system_.CheckReplaceable(path);
    }
    bool Exists(const std::filesystem::path& path) override { return system_.Exists(path); }
    std::optional<std::tm> LastWritten(const std::filesystem::path& path) override {
        return system_.LastWritten(path);
    }

    // Forgets the calls and the failures: a new script.
    void Clear() {
        calls.clear();
        failures_.clear();
        counts_.clear();
    }

    std::vector<std::string> calls;

  private:
    struct Failure {
        int nth;
        platform::FileFailure failure;
    };

    static std::string Name(const std::filesystem::path& path) {
        return app::PathText(path.filename());
    }

    // Records the call; the failure to return instead of making it, if the test named one.
    std::optional<platform::FileOutcome> Failing(const std::string& call) {
        calls.push_back(call);
        const std::string kind = call.substr(0, call.find(' '));
        const int nth = ++counts_[kind];
        for (const auto& failure : failures_[kind]) {
            if (failure.nth == 0 || failure.nth == nth) {
                return platform::FileOutcome{failure.failure, "simulated " + kind + " failure", {}};
            }
        }
        return std::nullopt;
    }

    platform::FileSystem& system_ = platform::SystemFileSystem();
    std::map<std::string, std::vector<Failure>> failures_;
    std::map<std::string, int> counts_;
};

}  // namespace testing_support
