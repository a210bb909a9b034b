// Session error codes as recorded in lastError and lastFailure.
#pragma once

#include <cstdint>

namespace lb {

inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kOpenFailed = 12010;
inline constexpr std::int32_t kCloseFailed = 12020;
inline constexpr std::int32_t kOwnAddressNotObtained = 12030;  // Contec only
inline constexpr std::int32_t kNotOpen = 12040;
inline constexpr std::int32_t kTransferFailed = 12110;
inline constexpr std::int32_t kNoAddress = 12120;
// Takes the place of the operation's own code when the backend reported a time-out.
inline constexpr std::int32_t kTimeout = 13000;

}  // namespace lb
