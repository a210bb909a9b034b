#include "platform/codepage932.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>

#include "platform/utf16_text.h"
#else
#include <iconv.h>
#endif

namespace platform {

#ifdef _WIN32

// Code page 932 through the system's own table, one character at a time and without flags:
// Windows 95 and 98 know neither WC_NO_BEST_FIT_CHARS nor, for every code page,
// MB_ERR_INVALID_CHARS, so what those flags would refuse is recognised here instead. UTF-8 is
// converted by our own code, never CP_UTF8 (see platform/utf16_text.h).
namespace {

constexpr UINT kCodePage = 932;

bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsTrailByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

// The one UTF-16 unit that bytes (one character) stand for, or 0 when the table has none.
wchar_t CharacterOf(std::string_view bytes) {
    wchar_t unit[2] = {};
    const int count =
        MultiByteToWideChar(kCodePage, 0, bytes.data(), static_cast<int>(bytes.size()), unit, 2);
    return count == 1 ? unit[0] : 0;
}

std::string BytesOf(const wchar_t* units, int count) {
    char bytes[8] = {};
    BOOL usedDefault = FALSE;
    const int size =
        WideCharToMultiByte(kCodePage, 0, units, count, bytes, sizeof bytes, nullptr, &usedDefault);
    return size > 0 && !usedDefault ? std::string(bytes, static_cast<size_t>(size)) : std::string();
}

// Without MB_ERR_INVALID_CHARS the table gives its default character (U+30FB) for a pair it
// does not define; asked once, with a pair of the unassigned row 85.
struct DefaultCharacter {
    wchar_t unit = CharacterOf("\x85\x40");
    std::string bytes = unit != 0 ? BytesOf(&unit, 1) : std::string();
};

// The character that bytes (one character of code page 932) stand for, or 0 when they are not
// valid code page 932. The table also gives the bytes A0, FD, FE and FF, which JIS leaves
// unassigned, places of their own (U+F8F0 to U+F8F3); MB_ERR_INVALID_CHARS refuses them.
wchar_t ValidCharacter(std::string_view bytes) {
    static const DefaultCharacter fallback;
    const wchar_t unit = CharacterOf(bytes);
    if (unit == 0 || (unit == fallback.unit && bytes != fallback.bytes)) return 0;
    if (bytes.size() == 1 && unit >= 0xF8F0 && unit <= 0xF8F3) return 0;
    return unit;
}

// The bytes of one character (one unit or a surrogate pair), or "?" when code page 932 has no
// form of its own for it: a best fit (U+00A5 to 5C) does not convert back to the character.
std::string Cp932Of(const wchar_t* units, int count) {
    const std::string bytes = BytesOf(units, count);
    if (bytes.empty() || count != 1 || CharacterOf(bytes) != units[0]) return "?";
    return bytes;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
    const std::wstring wide = Utf8ToWide(utf8);
    std::string output;
    output.reserve(wide.size() * 2);
    for (size_t at = 0; at < wide.size(); ++at) {
        const wchar_t unit = wide[at];
        if (unit < 0x80) {
            output += static_cast<char>(unit);
            continue;
        }
        const bool pair = unit >= 0xD800 && unit < 0xDC00 && at + 1 < wide.size() &&
                          wide[at + 1] >= 0xDC00 && wide[at + 1] < 0xE000;
        output += Cp932Of(&wide[at], pair ? 2 : 1);
        if (pair) ++at;
    }
    return output;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    std::wstring wide;
    wide.reserve(cp932.size());
    for (size_t at = 0; at < cp932.size();) {
        const auto byte = static_cast<unsigned char>(cp932[at]);
        if (byte < 0x80) {
            wide += static_cast<wchar_t>(byte);
            ++at;
            continue;
        }
        const bool pair = IsLeadByte(byte) && at + 1 < cp932.size() &&
                          IsTrailByte(static_cast<unsigned char>(cp932[at + 1]));
        const size_t length = pair ? 2 : 1;
        const wchar_t unit =
            IsLeadByte(byte) && !pair ? 0 : ValidCharacter(cp932.substr(at, length));
        // An invalid pair costs its first byte only: the second may start the next character.
        wide += unit != 0 ? unit : L'\xFFFD';
        at += unit != 0 ? length : 1;
    }
    return WideToUtf8(wide);
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
