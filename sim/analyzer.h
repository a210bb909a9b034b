// A simulated TQ58 analyzer: it interprets the command vocabulary the program sends and answers
// the queries in plain ASCII, each reply ended with CR LF. Reply formats: sim/README.md.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class Analyzer {
  public:
    static constexpr int kDefaultMemorySize = 1000;  // mass memory addresses 1..1000
    static constexpr int kLargestMemorySize = 32767;

    Analyzer() { Reset(); }

    // How many records the mass memory holds (1 to 32767); erases every record.
    void SetMemorySize(int size);

    // Settings back to their defaults, every record restored, no reply pending.
    void Reset();

    // One message from the controller: a command, ended by CR LF or by the end of the transfer.
    void Write(std::string_view message);

    // The reply a query left, taken by the controller; nothing when no reply is pending.
    std::optional<std::string> Read();

    // Tests' hooks: answer a query with fixed bytes, or not at all.
    void OverrideReply(const std::string& query, std::string bytes);
    void RestoreReply(const std::string& query) { overrides_.erase(query); }
    void MuteQuery(const std::string& query, bool muted);
    void ClearOverrides();

    // The data text of a record as "DOD?" answers it in recall mode (without CR LF).
    std::string Record(int address) const;
    bool Erased(int address) const;

    int timeConstant() const { return timeConstant_; }
    int frequencyRange() const { return frequencyRange_; }
    int band() const { return band_; }
    int weighting() const { return weighting_; }
    int selectedAddress() const { return selectedAddress_; }
    // How many commands it has received since the reset.
    long long commandCount() const { return commandCount_; }

  private:
    enum class DataMode { Current, Recall, Statistic };

    void Execute(const std::string& command);
    void Answer(const std::string& query, const std::string& text);
    std::string StatisticText(int k, int first, int last) const;

    int timeConstant_ = 0;
    int frequencyRange_ = 0;
    int band_ = 0;
    int weighting_ = 0;
    int selectedAddress_ = 1;
    DataMode mode_ = DataMode::Current;
    std::string lastStatistic_;
    std::vector<bool> erased_;
    std::optional<std::string> pending_;
    std::map<std::string, std::string> overrides_;
    std::map<std::string, bool> muted_;
    int memorySize_ = kDefaultMemorySize;
    long long commandCount_ = 0;
};

}  // namespace sim
