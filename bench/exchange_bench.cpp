// Software cost of one exchange below the window: a query sent and its reply received through
// the session module, the Ratoc backend and the stand-in driver.
#include <benchmark/benchmark.h>

#include "session/session.h"
#include "session/session_state.h"
#include "session/transfer.h"
#include "tests/support/standin_control.h"

namespace {

void Exchange(benchmark::State& state) {
    testing_support::StandIn standIn("gplib2K.dll");
    standIn.Reset();
    standIn.SetLogging(false);
    lb::CardOpen(65536);
    lb::SetAddress(5);
    for (auto _ : state) {
        lb::SendString("TMC?");
        benchmark::DoNotOptimize(lb::ReceiveString());
    }
    if (lb::sessionState.lastFailure != 0) state.SkipWithError("an exchange failed");
    lb::CardClose();
}
BENCHMARK(Exchange);

// The receive alone allocates and clears a 64 KiB buffer every time: how much of the cost is that.
void SendOnly(benchmark::State& state) {
    testing_support::StandIn standIn("gplib2K.dll");
    standIn.Reset();
    standIn.SetLogging(false);
    lb::CardOpen(65536);
    lb::SetAddress(5);
    for (auto _ : state) lb::SendString("DLM0");
    lb::CardClose();
}
BENCHMARK(SendOnly);

}  // namespace

BENCHMARK_MAIN();
