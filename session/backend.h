// The contract every board backend fulfils. Each program links exactly one backend, which
// defines these four functions over lb::sessionState.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lb {

// The unit of every transfer between the session module and a backend.
using ByteBuffer = std::vector<std::uint8_t>;

// What a backend hands back after a receive into buffer: exactly the count of bytes the driver
// reported, held to capacity (a driver never makes the program read past its buffer), or one
// zero byte when the count is zero or negative.
inline ByteBuffer ReceivedBytes(ByteBuffer buffer, long long count, std::int32_t capacity) {
    if (count <= 0) return ByteBuffer{0};
    buffer.resize(static_cast<size_t>(std::min<long long>(count, capacity)));
    return buffer;
}

// What every backend's close leaves, whatever its driver says: no session, no address, CR LF,
// and the default time-out and receive capacity.
void ResetClosedSession();

}  // namespace lb

namespace lbDef {

// True when the board is ready. On true: cardOpen true, activeAddress 0, delimiter 0,
// timeoutSetting 5, recvBufferSize = bufferSize. On false: boardTimeout says whether it timed out.
bool BoardOpen(std::int32_t bufferSize);

// True when the driver released the board. Whatever the result: cardOpen false,
// activeAddress 0, delimiter 0, timeoutSetting 5, recvBufferSize 65536.
bool BoardClose();

// Sends all of bytes (at least one) to activeAddress in one transfer.
bool BoardSend(const lb::ByteBuffer& bytes);

// Receives one reply of at most recvBufferSize bytes into a new buffer. On true, bytes holds
// exactly what was received, or zero bytes only when nothing was.
bool BoardReceive(lb::ByteBuffer& bytes);

// The driver library this backend binds, as the loader is asked for it; binds nothing. The
// window names it when it tells the user what to check.
std::string DriverLibraryName();

}  // namespace lbDef
