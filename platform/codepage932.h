// Code page 932 (Japanese Windows' Shift-JIS) at the edge of the bus and the files.
// Text inside the program is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A character that code page 932 cannot represent, and a byte that is not valid UTF-8,
// each become "?".
std::string Utf8ToCp932(std::string_view utf8);

// A byte sequence that is not valid code page 932 becomes U+FFFD, one per byte, so that a
// reply is never dropped. Valid code page 932 converts back to the same bytes, except for the
// characters that the code page encodes twice (NEC and IBM extensions): ED40 and FA5C both
// become U+7E8A, which converts back to FA5C.
std::string Cp932ToUtf8(std::string_view cp932);

}  // namespace platform
