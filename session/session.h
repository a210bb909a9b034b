// Opening and closing the session and selecting the instrument's address. Failures are
// recorded in lb::sessionState; nothing is returned to or raised at the caller, except a
// driver library that cannot be bound, which passes through as platform::BindingError.
#pragma once

#include <cstdint>

namespace lb {

void CardOpen(std::int32_t bufferSize);
void CardClose();
void SetAddress(std::int16_t address);
bool CheckOpen();

}  // namespace lb
