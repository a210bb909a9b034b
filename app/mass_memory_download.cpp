#include <cmath>

#include "app/csv_file.h"
#include "app/operations.h"
#include "app/utf8_text.h"
#include "app/vocabulary.h"

namespace app {

namespace {

constexpr int kRecallOffRepeats = 5;

// Characters 3 to 6 of the "ADR?" reply: the four-digit memory address.
std::string AddressField(const std::string& reply) {
    return Utf8Mid(reply, 3, 4);
}

int RecordCount(double first, double last) {
    return last >= first ? static_cast<int>(std::floor(last - first)) + 1 : 0;
}

}  // namespace

void RunMassMemoryDownload(OperationContext& operation, const std::filesystem::path& folder) {
    auto& window = operation.window();
    CsvFile& file = operation.CreateFile(folder / kMassMemoryFileName);

    // Cleared before the open: a board that cannot be opened leaves no earlier run's values.
    operation.ClearDisplays();
    operation.Open();
    operation.SelectAddress();
    operation.Send(command::kDelimiterMode);
    operation.Send(command::kRecallOn);
    operation.ModeEntered(command::kRecallOff, kRecallOffRepeats);

    operation.Pause();
    if (window.Selected(control::kOct3)) operation.Send(command::BandSetting(0));
    if (window.Selected(control::kOct1)) operation.Send(command::BandSetting(1));
    operation.Pause();
    const std::string band = DecodedReply(BandText, operation.Query(command::kBandQuery));

    operation.Pause();
    for (int code = 0; code < 7; ++code) {
        if (window.Selected(control::kWeightings[code])) {
            operation.Send(command::WeightingSetting(code));
        }
    }
    operation.Pause();
    const std::string weighting =
        DecodedReply(WeightingText, operation.Query(command::kWeightingQuery));

    // The memory address keeps any fraction of ad1 and grows by exactly 1.
    const double first = operation.AddressValue(control::kFirstAddress);
    const double last = operation.AddressValue(control::kLastAddress);
    const int total = RecordCount(first, last);
    int done = 0;
    for (double address = first; address <= last; address += 1) {
        operation.Pause();
        operation.Send(command::SelectAddress(address));
        operation.Pause();
        const std::string addressField =
            AddressField(operation.QueryRecord(command::kAddressQuery));
        operation.Pause();
        const std::string dataField = operation.QueryRecord(command::kDataQuery);

        window.SetCaption(control::kAddressDisplay, addressField);
        window.SetCaption(control::kBandDisplay, band);
        window.SetCaption(control::kWeightingDisplay, weighting);
        window.SetCaption(control::kDataDisplay, dataField);
        const std::string line[] = {addressField, band, weighting, dataField};
        file.WriteLine(line);
        window.ShowProgress(++done, total);
    }

    operation.Pause();
    operation.EndMode();
    operation.Close();
}

}  // namespace app
