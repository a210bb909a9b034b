#include "backends/prologix/controller_link.h"

#include <algorithm>

namespace prologix {

namespace {

using Clock = ControllerLink::Clock;
using std::chrono::milliseconds;

const std::size_t kRoundTripBytes = CommandLine("ver").size();
const std::size_t kReadBytes = CommandLine("read eoi").size();

int MillisecondsUntil(Clock::time_point moment) {
    const auto left = std::chrono::duration_cast<milliseconds>(moment - Clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 0));
}

}  // namespace

bool ControllerLink::Write(const Bytes& bytes) {
    if (lost_ || !port_->Write(bytes)) {
        lost_ = true;
        return false;
    }
    unconfirmed_ += bytes.size();
    return true;
}

ReadResult ControllerLink::ReadMore(int waitMs) {
    if (lost_) return ReadResult::Lost;
    const ReadResult result = port_->Read(pending_, waitMs);
    if (result == ReadResult::Lost) lost_ = true;
    return result;
}

std::optional<std::string> ControllerLink::ReadLine(int waitMs) {
    const auto deadline = Clock::now() + milliseconds(waitMs);
    while (true) {
        if (const auto end = std::find(pending_.begin(), pending_.end(), '\n');
            end != pending_.end()) {
            std::string line(pending_.begin(), end);
            pending_.erase(pending_.begin(), end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        const int left = MillisecondsUntil(deadline);
        if (left == 0 || ReadMore(left) != ReadResult::Data) break;
    }
    if (pending_.empty()) return std::nullopt;
    std::string partial(pending_.begin(), pending_.end());  // something, but not a line
    pending_.clear();
    return partial;
}

void ControllerLink::DiscardUntilQuiet(int quietMs) {
    pending_.clear();
    while (ReadMore(quietMs) == ReadResult::Data) pending_.clear();
}

std::optional<std::string> ControllerLink::Ask(std::string_view command, int waitMs) {
    pending_.clear();  // what came before the question is no answer to it
    if (!Write(CommandLine(command))) return std::nullopt;
    const auto deadline = Clock::now() + milliseconds(waitMs);
    while (true) {
        if (const auto end = std::find(pending_.begin(), pending_.end(), '\n');
            end != pending_.end()) {
            // A boot loader's bytes may come before the line: only the printable part counts.
            const auto text = std::find_if(pending_.begin(), end, [](std::uint8_t byte) {
                return byte >= 0x20 && byte < 0x7F;
            });
            std::string answer(text, end);
            if (!answer.empty() && answer.back() == '\r') answer.pop_back();
            pending_.erase(pending_.begin(), end + 1);
            Confirmed();
            return answer;
        }
        const int left = MillisecondsUntil(deadline);
        if (left == 0 || ReadMore(left) != ReadResult::Data) return std::nullopt;
    }
}

void ControllerLink::KnowController(std::string versionAnswer, int readTimeoutMs) {
    versionAnswer_ = std::move(versionAnswer);
    readTimeoutMs_ = readTimeoutMs;
}

bool ControllerLink::Send(const Bytes& line) {
    if (unconfirmed_ > 0 && unconfirmed_ + line.size() + kRoundTripBytes > kWriteWindowBytes &&
        !RoundTrip()) {
        return false;
    }
    if (!Write(line)) return false;
    // A line that fills the window alone is confirmed at once.
    return unconfirmed_ + kRoundTripBytes <= kWriteWindowBytes || RoundTrip();
}

bool ControllerLink::RoundTrip() {
    if (versionAnswer_.empty() || !Write(CommandLine("ver"))) return false;
    // The controller answers once it has finished what came before: at worst a read that began
    // just now.
    const auto deadline = Clock::now() + milliseconds(readTimeoutMs_ + kGiveUpMarginMs);
    while (const auto line = ReadLine(MillisecondsUntil(deadline))) {
        // The line may start with what was left of a reply nobody waited for.
        if (line->ends_with(versionAnswer_)) {
            Confirmed();
            return true;
        }
    }
    return false;
}

ReplyEnd ControllerLink::Receive(ReplyCollector& reply, Clock::time_point queryAt,
                                 milliseconds timeout) {
    const auto deadline = queryAt + timeout;
    const milliseconds readFor(readTimeoutMs_ + kGiveUpMarginMs);
    // Asking again is needed where the controller's read ends before the session's time-out;
    // room is kept for each time, so that no round trip comes between a read and its reply.
    const bool askAgain = readTimeoutMs_ < timeout.count();
    const std::size_t asks =
        askAgain ? 1 + static_cast<std::size_t>((timeout - milliseconds(1)) / readFor) : 1;
    if (unconfirmed_ > 0 &&
        unconfirmed_ + asks * kReadBytes + kRoundTripBytes > kWriteWindowBytes && !RoundTrip()) {
        return ReplyEnd::Lost;
    }
    DiscardUntilQuiet(0);  // nothing is owed before the read: what is there belongs to nobody
    if (!Write(CommandLine("read eoi"))) return ReplyEnd::Lost;
    auto lastSign = Clock::now();  // the read was asked for, or its latest byte came
    while (Clock::now() < deadline) {
        const auto gaveUpAt = lastSign + readFor;
        if (askAgain && Clock::now() >= gaveUpAt) {
            // The controller's read ended without the end marker: the analyzer may answer yet.
            if (!Write(CommandLine("read eoi"))) return ReplyEnd::Lost;
            lastSign = Clock::now();
            continue;
        }
        const ReadResult result =
            ReadMore(MillisecondsUntil(askAgain ? std::min(deadline, gaveUpAt) : deadline));
        if (result == ReadResult::Lost) return ReplyEnd::Lost;
        if (result != ReadResult::Data) continue;
        lastSign = Clock::now();
        const bool ended = reply.Take(pending_);
        pending_.clear();
        if (ended) {
            Confirmed();
            return ReplyEnd::Complete;
        }
    }
    // The controller may still be reading, and the reply may come yet: a round trip discards
    // everything before its answer, so that it cannot pass for the next reply.
    return RoundTrip() ? ReplyEnd::TimedOut : ReplyEnd::Lost;
}

}  // namespace prologix
