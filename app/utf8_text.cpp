#include "app/utf8_text.h"

namespace app {

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Byte offset of character index (from 0), or the text's size.
size_t OffsetOf(std::string_view text, size_t index) {
    size_t at = 0;
    for (size_t seen = 0; at < text.size() && seen < index; ++seen) {
        ++at;
        while (at < text.size() && IsContinuation(text[at])) ++at;
    }
    return at;
}

}  // namespace

std::string Utf8Mid(std::string_view text, size_t start, size_t length) {
    if (start == 0) return {};
    const size_t begin = OffsetOf(text, start - 1);
    const size_t end = begin + OffsetOf(text.substr(begin), length);
    return std::string(text.substr(begin, end - begin));
}

}  // namespace app
