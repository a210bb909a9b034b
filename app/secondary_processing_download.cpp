#include <array>
#include <optional>

#include "app/csv_file.h"
#include "app/numeric_value.h"
#include "app/operations.h"
#include "app/vocabulary.h"

namespace app {

namespace {

constexpr int kEndRepeats = 10;

}  // namespace

void RunSecondaryProcessingDownload(OperationContext& operation,
                                    const std::filesystem::path& folder) {
    CsvFile& file = operation.CreateFile(folder / kSecondaryProcessingFileName, false);
    const std::int16_t first = operation.Int16Setting(control::kFirstAddress);
    const std::int16_t last = operation.Int16Setting(control::kLastAddress);

    operation.Open();
    operation.SelectAddress();
    operation.Send(command::kDelimiterMode);

    const int count = static_cast<int>(kStatisticHeaders.size());
    // A result that did not come stays empty: an empty reply is not the value 0.
    std::array<std::optional<double>, kStatisticHeaders.size()> results{};
    for (int k = 0; k < count; ++k) {
        operation.Pause();
        operation.Send(command::SecondaryProcessing(k, first, last));
        operation.ModeEntered(command::kSecondaryProcessingEnd, kEndRepeats);
        operation.Pause();
        const std::string reply = operation.Query(command::kDataQuery);
        if (!reply.empty()) results[static_cast<size_t>(k)] = NumericValue(reply);
        operation.window().ShowProgress(k + 1, count);
    }
    operation.EndMode();
    operation.Close();

    // Both lines are written only now: until the session is closed the file stays empty.
    std::array<std::string, kStatisticHeaders.size()> headers;
    std::array<std::string, kStatisticHeaders.size()> values;
    for (size_t k = 0; k < headers.size(); ++k) {
        headers[k] = std::string(kStatisticHeaders[k]);
        values[k] = results[k] ? NumberText(*results[k]) : std::string();
    }
    file.WriteLine(headers);
    file.WriteLine(values);
}

}  // namespace app
