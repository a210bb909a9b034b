#include <array>
#include <optional>

#include "app/csv_file.h"
#include "app/numeric_value.h"
#include "app/operations.h"
#include "app/vocabulary.h"

namespace app {

namespace {

constexpr int kEndRepeats = 10;
constexpr size_t kStatistics = kStatisticHeaders.size();

// A result that did not come stays empty: an empty reply is not the value 0.
using Results = std::array<std::optional<double>, kStatistics>;

void WriteLines(CsvFile& file, const Results& results) {
    std::array<std::string, kStatistics> headers;
    std::array<std::string, kStatistics> values;
    for (size_t k = 0; k < kStatistics; ++k) {
        headers[k] = std::string(kStatisticHeaders[k]);
        values[k] = results[k] ? NumberText(*results[k]) : std::string();
    }
    file.WriteLine(headers);
    file.WriteLine(values);
}

}  // namespace

void RunSecondaryProcessingDownload(OperationContext& operation,
                                    const std::filesystem::path& folder) {
    CsvFile& file = operation.CreateFile(folder / kSecondaryProcessingFileName);
    const std::int16_t first = operation.Int16Setting(control::kFirstAddress);
    const std::int16_t last = operation.Int16Setting(control::kLastAddress);

    operation.Open();
    operation.SelectAddress();
    operation.Send(command::kDelimiterMode);

    const int count = static_cast<int>(kStatistics);
    Results results{};
    try {
        for (int k = 0; k < count; ++k) {
            operation.Pause();
            operation.Send(command::SecondaryProcessing(k, first, last));
            operation.ModeEntered(command::kSecondaryProcessingEnd, kEndRepeats);
            operation.Pause();
            const std::string reply = operation.QueryRecord(command::kDataQuery);
            if (!reply.empty()) results[static_cast<size_t>(k)] = NumericValue(reply);
            operation.window().ShowProgress(k + 1, count);
        }
    } catch (...) {
        // Stopped early (the window closed, the adapter lost): the results received so far are
        // written, so that none of them is lost.
        // What stopped the operation is what the user is told, not a file that failed as well.
        try {
            if (operation.recordReplies() > 0) WriteLines(file, results);
        } catch (const FileError&) {
        }
        throw;
    }
    operation.EndMode();
    operation.Close();

    // Both lines are written only now: until the session is closed the file stays empty.
    WriteLines(file, results);
}

}  // namespace app
