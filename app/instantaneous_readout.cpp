#include "app/operations.h"
#include "app/vocabulary.h"

namespace app {

void RunInstantaneousReadout(OperationContext& operation) {
    // Cleared before the open: a board that cannot be opened leaves no earlier run's values.
    operation.ClearDisplays();
    operation.Open();
    operation.SelectAddress();
    operation.Send(command::kDelimiterMode);

    operation.Pause();
    const auto timeConstant =
        DecodedReply(TimeConstantText, operation.Query(command::kTimeConstantQuery));
    operation.Pause();
    const auto range =
        DecodedReply(FrequencyRangeText, operation.Query(command::kFrequencyRangeQuery));
    operation.Pause();
    const auto band = DecodedReply(BandText, operation.Query(command::kBandQuery));
    operation.Pause();
    const auto weighting = DecodedReply(WeightingText, operation.Query(command::kWeightingQuery));
    operation.Pause();
    const auto data = operation.Query(command::kDataQuery);

    // The displays stay empty while the exchanges run and are filled all at once.
    auto& window = operation.window();
    window.SetCaption(control::kAddressDisplay, "");
    window.SetCaption(control::kTimeConstantDisplay, timeConstant);
    window.SetCaption(control::kRangeDisplay, range);
    window.SetCaption(control::kBandDisplay, band);
    window.SetCaption(control::kWeightingDisplay, weighting);
    window.SetCaption(control::kDataDisplay, data);

    operation.Close();
}

}  // namespace app
