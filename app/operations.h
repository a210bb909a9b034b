// The four operations of the window's buttons, each in the frame every operation follows:
// what it needs before the bus, open, address, "DLM0", its exchanges, close.
#pragma once

#include <filesystem>

#include "app/operation_context.h"

namespace app {

// run0: shows the analyzer's settings and one data reply.
void RunInstantaneousReadout(OperationContext& operation);

// run1: sets band type and weighting, then writes one line per record of ad1..ad2.
void RunMassMemoryDownload(OperationContext& operation, const std::filesystem::path& folder);

// run2: writes the seven statistics over ad1..ad2 under their header line.
void RunSecondaryProcessingDownload(OperationContext& operation,
                                    const std::filesystem::path& folder);

// run3: erases ad1..ad2 of the analyzer's mass memory.
void RunMassMemoryErase(OperationContext& operation);

}  // namespace app
