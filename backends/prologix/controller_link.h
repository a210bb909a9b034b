// The conversation with one controller over its port, paced so that the controller loses none of
// it, and kept in step so that no answer is taken for another's.
//
// The pacing rule, stated here once: between two moments at which the controller has shown that
// it took everything written to it (its answer to a question, such as "++ver", or the end marker
// of a reply), at most kWriteWindowBytes go out. A line longer than that goes alone between two
// such moments: the controller, idle until the line's end, takes its bytes as they come.
// Why: the AR488 reads its serial port into the Arduino's 64-byte buffer, without flow control,
// and reads nothing while it changes mode, clears the interface, reads from the bus or boots;
// what arrives meanwhile waits in that buffer, and what does not fit is lost (AR488 manual,
// "Serial Handling in Applications and Scripts"). The Arduino core's ring keeps one of the 64
// places free; the window keeps a quarter free besides, for clones whose firmware buffers less.
// A Prologix holds input back instead; the rule costs it a round trip now and then.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "backends/prologix/port.h"
#include "backends/prologix/protocol.h"

namespace prologix {

inline constexpr std::size_t kControllerInputBytes = 64;
inline constexpr std::size_t kWriteWindowBytes = kControllerInputBytes * 3 / 4;

// How long after a read's last sign of life the controller is taken to have given up on it:
// its read time-out, and this for the line's and the system's delays.
inline constexpr int kGiveUpMarginMs = 500;

enum class ReplyEnd {
    Complete,  // the reply and its end marker came
    TimedOut,  // the session's time-out passed first; the controller is in step again
    Lost,      // the port is gone, or the controller no longer answers
};

class ControllerLink {
  public:
    using Clock = std::chrono::steady_clock;

    explicit ControllerLink(std::unique_ptr<Port> port) : port_(std::move(port)) {}

    // A question whose answer is one line, asked without pacing: the probe's "++ver" to a
    // controller that may be booting. An answer shows that the controller took everything written
    // before it. Nothing when no whole line came within waitMs.
    std::optional<std::string> Ask(std::string_view command, int waitMs);
    // The next answer line (without CR LF), or the bytes that came without one; nothing when
    // nothing came within waitMs.
    std::optional<std::string> ReadLine(int waitMs);
    // Throws away what came that nobody waited for, waiting until the port has been quiet for
    // quietMs.
    void DiscardUntilQuiet(int quietMs);
    // The controller has shown that it took everything written so far.
    void Confirmed() { unconfirmed_ = 0; }

    // The "++ver" answer that round trips wait for, and how long the controller may take over a
    // read (which delays them).
    void KnowController(std::string versionAnswer, int readTimeoutMs);
    int readTimeoutMs() const { return readTimeoutMs_; }

    // One line, a command line or a data line with its end: after a round trip when the window
    // is full. False when the port is gone or the controller does not answer.
    bool Send(const Bytes& line);
    bool Command(std::string_view command) { return Send(CommandLine(command)); }
    // "++ver" and its answer, everything before the answer thrown away: after it nothing of an
    // earlier exchange can come. False when no answer came while the controller may still have
    // been busy with a read.
    bool RoundTrip();

    // The reply to the query sent at queryAt, asked for with "++read eoi" and asked for again
    // whenever the controller has given up on it (a Prologix reads for 3 s at most), until timeout
    // after the query. Bytes after the end marker are dropped.
    ReplyEnd Receive(ReplyCollector& reply, Clock::time_point queryAt,
                     std::chrono::milliseconds timeout);

    bool lost() const { return lost_; }

  private:
    bool Write(const Bytes& bytes);
    ReadResult ReadMore(int waitMs);

    std::unique_ptr<Port> port_;
    Bytes pending_;                // read from the port, not yet taken
    std::size_t unconfirmed_ = 0;  // written since the controller last showed it took everything
    std::string versionAnswer_;
    int readTimeoutMs_ = kPrologixLongestReadTimeoutMs;
    bool lost_ = false;
};

}  // namespace prologix
