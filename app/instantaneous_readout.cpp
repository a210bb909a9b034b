#include "app/numeric_value.h"
#include "app/operations.h"
#include "app/vocabulary.h"

namespace app {

namespace {

// The table's text for a numeric reply, or empty.
template <typename Decoder>
std::string Decoded(Decoder decoder, const std::string& reply) {
    return decoder(NumericValue(reply)).value_or("");
}

}  // namespace

void RunInstantaneousReadout(OperationContext& operation) {
    operation.Open();
    operation.SelectAddress();
    operation.Send(command::kDelimiterMode);
    operation.ClearDisplays();

    operation.Pause();
    const auto timeConstant =
        Decoded(TimeConstantText, operation.Query(command::kTimeConstantQuery));
    operation.Pause();
    const auto range = Decoded(FrequencyRangeText, operation.Query(command::kFrequencyRangeQuery));
    operation.Pause();
    const auto band = Decoded(BandText, operation.Query(command::kBandQuery));
    operation.Pause();
    const auto weighting = Decoded(WeightingText, operation.Query(command::kWeightingQuery));
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
