#include "platform/utf16_text.h"

#include <cstdint>
#include <utility>

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The code point of the well-formed sequence at the start of text and its length in bytes;
// U+FFFD and 1 for a byte that starts none.
std::pair<char32_t, size_t> DecodeUtf8(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return {lead, 1};
    size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;  // below it the form is overlong
    if (lead >= 0xC2 && lead < 0xE0) {
        length = 2;
        value = lead & 0x1F;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3;
        value = lead & 0x0F;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        length = 4;
        value = lead & 0x07;
        smallest = 0x10000;
    } else {
        return {kReplacement, 1};
    }
    if (length > text.size()) return {kReplacement, 1};
    for (size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!IsContinuation(byte)) return {kReplacement, 1};
        value = value << 6 | (byte & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return {kReplacement, 1};
    }
    return {value, length};
}

template <typename Unit>
std::basic_string<Unit> ToUtf16(std::string_view utf8) {
    std::basic_string<Unit> utf16;
    utf16.reserve(utf8.size());
    while (!utf8.empty()) {
        const auto [value, length] = DecodeUtf8(utf8);
        utf8.remove_prefix(length);
        if (value < 0x10000) {
            utf16 += static_cast<Unit>(value);
        } else {
            const char32_t offset = value - 0x10000;
            utf16 += static_cast<Unit>(0xD800 + (offset >> 10));
            utf16 += static_cast<Unit>(0xDC00 + (offset & 0x3FF));
        }
    }
    return utf16;
}

void AppendUtf8(std::string& utf8, char32_t value) {
    if (value < 0x80) {
        utf8 += static_cast<char>(value);
    } else if (value < 0x800) {
        utf8 += static_cast<char>(0xC0 | value >> 6);
        utf8 += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        utf8 += static_cast<char>(0xE0 | value >> 12);
        utf8 += static_cast<char>(0x80 | (value >> 6 & 0x3F));
        utf8 += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        utf8 += static_cast<char>(0xF0 | value >> 18);
        utf8 += static_cast<char>(0x80 | (value >> 12 & 0x3F));
        utf8 += static_cast<char>(0x80 | (value >> 6 & 0x3F));
        utf8 += static_cast<char>(0x80 | (value & 0x3F));
    }
}

template <typename Unit>
std::string FromUtf16(std::basic_string_view<Unit> utf16) {
    std::string utf8;
    utf8.reserve(utf16.size() * 3);
    for (size_t at = 0; at < utf16.size(); ++at) {
        const auto unit = static_cast<char32_t>(static_cast<std::uint16_t>(utf16[at]));
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        const auto next = at + 1 < utf16.size()
                              ? static_cast<char32_t>(static_cast<std::uint16_t>(utf16[at + 1]))
                              : 0;
        if (high && next >= 0xDC00 && next < 0xE000) {
            AppendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            ++at;
        } else if (unit >= 0xD800 && unit < 0xE000) {
            AppendUtf8(utf8, kReplacement);
        } else {
            AppendUtf8(utf8, unit);
        }
    }
    return utf8;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    return ToUtf16<char16_t>(utf8);
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    return FromUtf16(utf16);
}

#ifdef _WIN32
std::wstring Utf8ToWide(std::string_view utf8) {
    return ToUtf16<wchar_t>(utf8);
}

std::string WideToUtf8(std::wstring_view wide) {
    return FromUtf16(wide);
}
#endif

}  // namespace platform
