#include "app/operations.h"
#include "app/vocabulary.h"

namespace app {

void RunMassMemoryErase(OperationContext& operation) {
    // Read before the session opens: a change during the pause is not seen.
    const std::int16_t first = operation.Int16Setting(control::kFirstAddress);
    const std::int16_t last = operation.Int16Setting(control::kLastAddress);

    operation.Open();
    operation.SelectAddress();
    operation.Send(command::kDelimiterMode);
    operation.Pause();
    operation.Send(command::Erase(first, last));
    operation.Send(command::kRecallOff);
    operation.Close();
}

}  // namespace app
