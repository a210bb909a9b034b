// Any text typed into a box or received from the analyzer becomes a number, and the number
// text written back reads as the same number.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/numeric_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double value = app::NumericValue(text);
    if (std::isnan(value)) std::abort();

    if (const auto rounded = app::ToInt16(value)) {
        if (std::abs(*rounded - value) > 0.5) std::abort();
    }
    if (const auto rounded = app::ToInt32(value)) {
        if (std::abs(*rounded - value) > 0.5) std::abort();
    }
    if (std::isfinite(value)) {
        const double back = app::NumericValue(app::NumberText(value));
        if (std::abs(back - value) > std::abs(value) * 1e-14) std::abort();
        const std::string signedText = app::SignedNumberText(value);
        if (signedText.front() != ' ' && signedText.front() != '-') std::abort();
    }
    return 0;
}
