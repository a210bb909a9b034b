#include "session/my_address.h"

#include "session/failure_record.h"

namespace lb {

BusCommandRecord GetMyAddress() {
    std::int16_t value = 0;
    // An address that does not fit the record's bytes counts as not reported.
    if (!lbDef::BoardQueryStatus(value) || value < 0 || value > 255) {
        detail::RecordBackendFailure(kOwnAddressNotObtained);
        return {};
    }
    const auto own = static_cast<std::uint8_t>(value);
    return BusCommandRecord{1,
                            4,
                            8,
                            17,
                            20,
                            63,
                            95,
                            own,
                            static_cast<std::uint8_t>(own | 32),
                            static_cast<std::uint8_t>(own | 64)};
}

}  // namespace lb
