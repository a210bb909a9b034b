#include "platform/codepage932.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace platform {

#ifdef _WIN32

namespace {

// Converts bytes to UTF-16; empty optional when any byte sequence is invalid.
bool Widen(std::string_view bytes, UINT codePage, std::wstring& wide) {
    wide.clear();
    if (bytes.empty()) return true;
    const int length = static_cast<int>(bytes.size());
    const int size =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (size <= 0) return false;
    wide.resize(static_cast<size_t>(size));
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(), size);
    return true;
}

std::string Narrow(const std::wstring& wide, UINT codePage) {
    std::string bytes;
    if (wide.empty()) return bytes;
    const int length = static_cast<int>(wide.size());
    // No best fit: a character without a code page 932 form becomes "?", not a look-alike.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = codePage == CP_UTF8 ? nullptr : "?";
    const int size =
        WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, fallback, nullptr);
    bytes.resize(static_cast<size_t>(size));
    WideCharToMultiByte(codePage, flags, wide.data(), length, bytes.data(), size, fallback,
                        nullptr);
    return bytes;
}

bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || byte >= 0xE0;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
    std::wstring wide;
    if (Widen(utf8, CP_UTF8, wide)) return Narrow(wide, 932);
    // Not valid UTF-8: convert what is, and mark each stray byte.
    std::string output;
    for (char byte : utf8) {
        output += static_cast<unsigned char>(byte) < 0x80 ? byte : '?';
    }
    return output;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    std::wstring wide;
    if (Widen(cp932, 932, wide)) return Narrow(wide, CP_UTF8);
    // Character by character, so that only the bytes that are not code page 932 are marked.
    std::wstring marked;
    std::wstring piece;
    for (size_t at = 0; at < cp932.size();) {
        const size_t length =
            IsLeadByte(static_cast<unsigned char>(cp932[at])) && at + 1 < cp932.size() ? 2 : 1;
        if (Widen(cp932.substr(at, length), 932, piece)) {
            marked += piece;
            at += length;
        } else {
            marked += L'\xFFFD';
            ++at;
        }
    }
    return Narrow(marked, CP_UTF8);
}

#else

namespace {

// "CP932", never "SHIFT_JIS": the latter maps 81 60 to U+301C instead of U+FF5E.
class Converter {
  public:
    Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {
        if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(descriptor_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts input; each byte that does not convert becomes replacement.
    std::string Convert(std::string_view input, std::string_view replacement) {
        std::string output;
        output.reserve(input.size() * 2 + 8);
        iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char chunk[256];
        while (inLeft > 0) {
            char* out = chunk;
            size_t outLeft = sizeof chunk;
            const size_t result = iconv(descriptor_, &in, &inLeft, &out, &outLeft);
            output.append(chunk, static_cast<size_t>(out - chunk));
            if (result == static_cast<size_t>(-1) && errno != E2BIG) {
                output.append(replacement);  // EILSEQ or EINVAL
                ++in;
                --inLeft;
                iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return output;
    }

  private:
    iconv_t descriptor_;
};

// Length of the well-formed UTF-8 sequence at the start of text; 1 for a stray byte.
size_t Utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const size_t length = lead >= 0xC2 && lead < 0xE0   ? 2
                          : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xF0 && lead < 0xF5 ? 4
                                                        : 1;
    if (length > text.size()) return 1;
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
    thread_local Converter converter("CP932", "UTF-8");
    std::string output;
    output.reserve(utf8.size());
    // ASCII is the same in both; each other character is converted on its own, so that one
    // that has no code page 932 form costs a "?" and nothing around it.
    size_t at = 0;
    while (at < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        if (lead < 0x80) {
            output += static_cast<char>(lead);
            ++at;
            continue;
        }
        const size_t length = Utf8SequenceLength(utf8.substr(at));
        const std::string piece = converter.Convert(utf8.substr(at, length), "\x01");
        output += piece.empty() || piece.find('\x01') != std::string::npos ? "?" : piece;
        at += length;
    }
    return output;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    thread_local Converter converter("UTF-8", "CP932");
    return converter.Convert(cp932, "\xEF\xBF\xBD");
}

#endif

}  // namespace platform
