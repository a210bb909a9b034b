#include "app/numeric_value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace app {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The longest prefix of text that reads as a decimal number.
size_t NumberLength(const std::string& text) {
    size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    size_t digits = 0;
    while (at < text.size() && IsDigit(text[at])) ++at, ++digits;
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && IsDigit(text[at])) ++at, ++digits;
    }
    if (digits == 0) return 0;
    size_t end = at;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        const size_t firstDigit = exponent;
        while (exponent < text.size() && IsDigit(text[exponent])) ++exponent;
        if (exponent > firstDigit) end = exponent;
    }
    return end;
}

// For a number out of a double's range: true when it is too large, false when too small.
bool Overflows(std::string_view number) {
    long exponent = 0;
    if (const auto e = number.find_first_of("eE"); e != std::string_view::npos) {
        std::string_view digits = number.substr(e + 1);
        if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
        // Far beyond any double either way; held there so that adding the digits cannot
        // overflow.
        constexpr long kBeyond = 100000;
        if (std::from_chars(digits.data(), digits.data() + digits.size(), exponent).ec !=
            std::errc{}) {
            exponent = digits.front() == '-' ? -kBeyond : kBeyond;
        }
        exponent = std::clamp(exponent, -kBeyond, kBeyond);
        number = number.substr(0, e);
    }
    const std::string_view whole = number.substr(0, number.find('.'));
    const auto firstNonZero = whole.find_first_not_of('0');
    const long wholeDigits =
        firstNonZero == std::string_view::npos ? 0 : static_cast<long>(whole.size() - firstNonZero);
    return exponent + wholeDigits > 0;
}

template <typename Int>
std::optional<Int> RoundedTo(double value) {
    const double rounded = std::nearbyint(value);  // the default mode rounds halves to even
    if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
        return std::nullopt;  // also NaN and infinity
    }
    return static_cast<Int>(rounded);
}

}  // namespace

double NumericValue(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') compact += c;
    }
    const size_t length = NumberLength(compact);
    if (length == 0) return 0;

    // from_chars takes no leading '+' and is independent of the locale.
    const char* first = compact.data();
    const char* last = first + length;
    bool negative = false;
    if (*first == '+' || *first == '-') negative = *first++ == '-';
    double value = 0;
    const auto error = std::from_chars(first, last, value).ec;
    if (error == std::errc::result_out_of_range) {
        value = Overflows(std::string_view(first, static_cast<size_t>(last - first)))
                    ? std::numeric_limits<double>::infinity()
                    : 0.0;
    }
    return negative ? -value : value;
}

std::optional<std::int16_t> ToInt16(double value) {
    return RoundedTo<std::int16_t>(value);
}
std::optional<std::int32_t> ToInt32(double value) {
    return RoundedTo<std::int32_t>(value);
}

std::string NumberText(double value) {
    if (value == 0) return "0";  // also negative zero
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    // Rounded to fifteen significant digits first: the exponent of the rounded number decides
    // the form, so that 999999999999999.5, which rounds to 1E+15, gets an exponent too.
    char text[40];
    auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 14);
    std::string out(text, result.ptr);
    const auto e = out.find('e');
    const int exponent = std::stoi(out.substr(e + 1));
    if (exponent >= -5 && exponent < 15) {
        result =
            std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 14 - exponent);
        out.assign(text, result.ptr);
    }
    std::string exponentText;
    if (const auto at = out.find('e'); at != std::string::npos) {
        exponentText = out.substr(at);
        out.erase(at);
    }
    if (out.find('.') != std::string::npos) {
        while (out.back() == '0') out.pop_back();
        if (out.back() == '.') out.pop_back();
    }
    if (!exponentText.empty()) {
        // "e+15" -> "E+15", "e-07" -> "E-07"
        exponentText[0] = 'E';
        out += exponentText;
    }
    return out;
}

std::string SignedNumberText(double value) {
    const std::string text = NumberText(value);
    return text.front() == '-' ? text : " " + text;
}

}  // namespace app
