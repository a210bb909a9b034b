// Every driver call of this program's backend fails (and every transfer times out) in turn,
// through each of the four operations. Whatever fails, nothing crashes, the operation runs to
// its end, the session records the code the failure calls for, the session is closed
// afterwards and the mass memory file has one line per record.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/csv_file.h"
#include "app/operation_runner.h"
#include "session/session_state.h"
#include "tests/app/fake_window.h"
#include "tests/faults/fault_table.h"
#include "tests/support/standin_control.h"

namespace {

namespace fs = std::filesystem;
using app::OperationKind;
using faults::Cell;
using faults::Effect;

constexpr int kRecords = 3;

std::vector<Cell> Cells() {
    return TQ58_FAULT_CELLS;
}

class FaultMatrix : public ::testing::TestWithParam<std::tuple<Cell, OperationKind>> {
  protected:
    void SetUp() override {
        standIn.Reset();
        lb::sessionState = lb::SessionState{};
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(test.begin(), test.end(), '/', '_');
        folder = fs::temp_directory_path() / ("tq58-faults-" TQ58_DRIVER_LIBRARY "-" + test);
        fs::remove_all(folder);
        fs::create_directories(folder);
        window.texts["wait"] = "0";
        window.texts["ad2"] = std::to_string(kRecords);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string MassMemoryFile() {
        std::ifstream file(folder / app::kMassMemoryFileName, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }

    std::string NormalLines() {
        std::string lines;
        for (int address = 1; address <= kRecords; ++address) {
            lines +=
                "000" + std::to_string(address) + ",1/3oct,F," + standIn.Record(address) + "\r\n";
        }
        return lines;
    }

    testing_support::StandIn standIn{TQ58_DRIVER_LIBRARY};
    testing_support::FakeWindow window;
    testing_support::RecordingNotifier notifier;
    fs::path folder;
};

TEST_P(FaultMatrix, TheOperationRunsToItsEndAndClosesTheSession) {
    const auto& [cell, kind] = GetParam();
    standIn.FailCall(cell.function, cell.nth, cell.code);
    app::OperationRunner runner(window, notifier, folder);
    runner.Run(kind);

    const std::string name = app::OperationName(kind);
    EXPECT_TRUE(notifier.messages.empty()) << notifier.messages.front();
    EXPECT_FALSE(lb::sessionState.cardOpen) << "the session is closed afterwards";
    EXPECT_FALSE(runner.running());

    // The first failure the operation met, as the session recorded it. An operation that
    // never makes the failing call completes cleanly.
    const bool called = static_cast<int>(standIn.Calls(cell.function).size()) >= cell.nth;
    if (cell.sessionCode == 0 || !called) {
        const bool download = kind == app::OperationKind::MassMemoryDownload ||
                              kind == app::OperationKind::SecondaryProcessingDownload;
        EXPECT_EQ(window.status,
                  name + ": 完了" + (download ? "　保存先: " + folder.string() : std::string()));
    } else {
        EXPECT_EQ(window.status.rfind(name + ": 失敗 ", 0), 0u) << window.status;
        EXPECT_NE(window.status.find("最初: " + std::to_string(cell.sessionCode)),
                  std::string::npos)
            << window.status;
    }
    // A failed close leaves its code; any other fault is cleared by the successful close.
    EXPECT_EQ(lb::sessionState.lastError, cell.afterClose);
    EXPECT_EQ(lb::sessionState.lastFailure, cell.afterClose);

    if (kind != OperationKind::MassMemoryDownload) return;
    const std::string file = MassMemoryFile();
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), kRecords) << file;
    switch (cell.effect) {
        case Effect::NoExchange:
            EXPECT_EQ(file, ",1/3oct,A,\r\n,1/3oct,A,\r\n,1/3oct,A,\r\n");
            break;
        case Effect::None:
            // A count read as nothing empties the first reply, the band type's, which as
            // empty reads as code 0: the same "1/3oct".
            EXPECT_EQ(file, NormalLines());
            break;
        case Effect::OpenUsable:
        case Effect::OwnAddress:
        case Effect::Close:
            EXPECT_EQ(file, NormalLines());
            break;
        case Effect::Transfer:
            break;  // one exchange of the set-up or a record differs
    }
}

std::string CellName(const ::testing::TestParamInfo<std::tuple<Cell, OperationKind>>& info) {
    const auto& [cell, kind] = info.param;
    std::string name = std::string(cell.function) + "_call" + std::to_string(cell.nth) + "_code" +
                       std::to_string(cell.code) + "_run" + std::to_string(static_cast<int>(kind));
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(
    EveryDriverCall, FaultMatrix,
    ::testing::Combine(::testing::ValuesIn(Cells()),
                       ::testing::Values(OperationKind::InstantaneousReadout,
                                         OperationKind::MassMemoryDownload,
                                         OperationKind::SecondaryProcessingDownload,
                                         OperationKind::MassMemoryErase)),
    CellName);

}  // namespace
