#include "session/transfer.h"

#include "platform/codepage932.h"
#include "session/backend.h"
#include "session/failure_record.h"
#include "session/session.h"

namespace lb {

namespace {

constexpr std::uint8_t kCr = 13;
constexpr std::uint8_t kLf = 10;

// Transfers need an open session (checked by CheckOpen) and a selected address.
bool AddressSelected() {
    const auto address = sessionState.activeAddress;
    if (address >= 1 && address <= 30) return true;
    detail::RecordFailure(kNoAddress);
    return false;
}

void AppendDelimiter(ByteBuffer& bytes) {
    switch (sessionState.delimiter) {
        case 0:
            bytes.push_back(kCr);
            bytes.push_back(kLf);
            break;
        case 1:
            bytes.push_back(kCr);
            break;
        case 2:
            bytes.push_back(kLf);
            break;
        default:
            break;
    }
}

}  // namespace

void SendString(std::string_view command) {
    if (command.empty()) return;
    if (!CheckOpen()) return;
    if (!AddressSelected()) return;

    const std::string encoded = platform::Utf8ToCp932(command);
    ByteBuffer bytes(encoded.begin(), encoded.end());
    AppendDelimiter(bytes);
    if (bytes.empty()) return;  // a command of characters that encode to nothing
    if (lbDef::BoardSend(bytes)) {
        sessionState.lastError = kSuccess;
    } else {
        detail::RecordBackendFailure(kTransferFailed);
    }
}

std::string ReceiveString() {
    if (!CheckOpen()) return {};
    if (!AddressSelected()) return {};

    ByteBuffer bytes;
    if (!lbDef::BoardReceive(bytes)) {
        detail::RecordBackendFailure(kTransferFailed);
        return {};
    }
    sessionState.lastError = kSuccess;

    // NUL, CR and LF are never the second byte of a code page 932 character, so stripping
    // them before the conversion is the same as stripping them after it.
    size_t length = bytes.size();
    while (length > 0 &&
           (bytes[length - 1] == 0 || bytes[length - 1] == kCr || bytes[length - 1] == kLf)) {
        --length;
    }
    return platform::Cp932ToUtf8(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), length));
}

}  // namespace lb
