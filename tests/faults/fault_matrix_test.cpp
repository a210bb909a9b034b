// Every driver call of this program's backend fails (and every transfer times out) in turn,
// through each of the four operations. Whatever fails, nothing crashes and the session is
// closed afterwards. A failed open, or a first transfer that times out, stops the operation
// with a message; otherwise it runs to its end and the session records the code the failure
// calls for. A download that stopped, or received no record, keeps the earlier file byte for
// byte, and what records it received beside it; one that ran to its end with records replaces
// it, one line per record.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/csv_file.h"
#include "app/operation_runner.h"
#include "app/outcome.h"
#include "app/utf8_text.h"
#include "app/window.h"
#include "session/chosen_interface.h"
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
// What each CSV file held before the operation.
const std::string kEarlier = "earlier download\r\n";

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
#ifdef TQ58_PROLOGIX_SERVE
        ASSERT_EQ(lbDef::ChooseInterface(standIn.ServePrologix(TQ58_PROLOGIX_SERVE)), "");
        standIn.SetPrologixKind("ar488-uno");
#endif
    }
    void TearDown() override {
        fs::remove_all(folder);
    }

    std::string FileText(const char8_t* name) {
        std::ifstream file(folder / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }

    std::string NormalLines(const std::string& band = "1/3oct",
                            const std::string& weighting = "F") {
        std::string lines;
        for (int address = 1; address <= kRecords; ++address) {
            lines += "000" + std::to_string(address) + "," + band + "," + weighting + "," +
                     standIn.Record(address) + "\r\n";
        }
        return lines;
    }

    testing_support::StandIn standIn{TQ58_DRIVER_LIBRARY};
    testing_support::FakeWindow window;
    testing_support::RecordingNotifier notifier;
    fs::path folder;
};

TEST_P(FaultMatrix, TheOperationEndsSoundlyClosesTheSessionAndKeepsOrReplacesTheFile) {
    const auto& [cell, kind] = GetParam();
    const bool download = kind == app::OperationKind::MassMemoryDownload ||
                          kind == app::OperationKind::SecondaryProcessingDownload;
    for (const char8_t* name : {app::kMassMemoryFileName, app::kSecondaryProcessingFileName}) {
        std::ofstream(folder / name, std::ios::binary) << kEarlier;
    }
    standIn.FailCall(cell.function, cell.nth, cell.code);
    app::OperationRunner runner(window, notifier, folder);
    runner.Run(kind);

    const std::string name = app::OperationName(kind);
    EXPECT_FALSE(lb::sessionState.cardOpen) << "the session is closed afterwards";
    EXPECT_FALSE(runner.running());
    // An operation that never makes the failing call completes cleanly.
    const bool called = static_cast<int>(standIn.Calls(cell.function).size()) >= cell.nth;
    const Effect effect = called ? cell.effect : Effect::None;
    // A failed close leaves its code; any other fault is cleared by the successful close.
    const std::int32_t afterClose = called ? cell.afterClose : 0;
    EXPECT_EQ(lb::sessionState.lastError, afterClose);
    EXPECT_EQ(lb::sessionState.lastFailure, afterClose);
#ifdef TQ58_PROLOGIX_SERVE
    // Whatever happened, the controller lost no byte and kept its saved settings.
    standIn.SettlePrologix();
    EXPECT_EQ(standIn.PrologixOverflowBytes(), 0);
    EXPECT_EQ(standIn.PrologixEepromWrites(), 0);
#endif
    const bool stops =
        effect == Effect::NotOpened || effect == Effect::Silent || effect == Effect::Lost;
    // Nothing half-way is left behind: no partial file, only the records of a download that
    // stopped, kept under a name of their own.
    int kept = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const fs::path name = entry.path().filename();
        if (name == fs::path(app::kMassMemoryFileName) ||
            name == fs::path(app::kSecondaryProcessingFileName)) {
            continue;
        }
        ++kept;
        EXPECT_TRUE(download && stops) << app::PathText(name);
        EXPECT_EQ(app::PathText(name).find("_取込中"), std::string::npos) << app::PathText(name);
        EXPECT_GT(fs::file_size(entry.path()), 0u) << app::PathText(name);
    }
    EXPECT_LE(kept, 1);
    if (stops) {
        const std::string_view word = effect == Effect::NotOpened ? app::kStatusNotOpened
                                      : effect == Effect::Silent  ? app::kStatusNoAnswer
                                                                  : app::kStatusBoardLost;
        EXPECT_EQ(window.status.rfind(name + ": " + std::string(word), 0), 0u) << window.status;
        ASSERT_EQ(notifier.messages.size(), 1u) << "the user is told what to check";
        // A link that goes away shows at the next exchange or, when the operation only sends
        // (a send is taken before the controller is gone), at the close.
        const bool named =
            notifier.messages[0].find(std::to_string(cell.sessionCode)) != std::string::npos ||
            (effect == Effect::Lost &&
             notifier.messages[0].find(std::to_string(cell.afterClose)) != std::string::npos);
        EXPECT_TRUE(named) << notifier.messages[0];
        for (auto display : app::control::kDisplays) {
            EXPECT_EQ(window.captions[std::string(display)], "") << display;
        }
    } else {
        EXPECT_TRUE(notifier.messages.empty()) << notifier.messages.front();
    }

    const bool earlierKept = stops || effect == Effect::DeadBoard;
    if (download && earlierKept) {
        EXPECT_EQ(FileText(app::kMassMemoryFileName), kEarlier) << "the earlier file is kept";
        EXPECT_EQ(FileText(app::kSecondaryProcessingFileName), kEarlier);
        EXPECT_EQ(window.statusFolder, folder);
    }
    if (effect == Effect::DeadBoard && download) {
        EXPECT_EQ(window.status, name + ": " + std::string(app::kStatusNothingReceived));
    } else if (!stops && (cell.sessionCode == 0 || !called)) {
        // A board that cannot see the handshake does not claim that the erase was taken.
        const bool unconfirmed =
            kind == OperationKind::MassMemoryErase && lb::sessionState.unconfirmedSends;
        EXPECT_EQ(window.status,
                  name + ": " + std::string(unconfirmed ? app::kStatusSentUnconfirmed : "完了"));
    } else if (!stops) {
        // Short enough for the status line: the count and the first code, its text a tooltip.
        EXPECT_EQ(window.status.rfind(name + ": 失敗 ", 0), 0u) << window.status;
        EXPECT_TRUE(
            window.status.ends_with(" 回（最初: " + std::to_string(cell.sessionCode) + "）"))
            << window.status;
        EXPECT_NE(window.statusDetails.find(app::SessionCodeText(cell.sessionCode)),
                  std::string::npos)
            << window.statusDetails;
    }

    if (kind != OperationKind::MassMemoryDownload || earlierKept) return;
    const std::string file = FileText(app::kMassMemoryFileName);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), kRecords) << file;
    switch (effect) {
        case Effect::None:
        case Effect::OwnAddress:
        case Effect::Close:
            EXPECT_EQ(file, NormalLines());
            break;
        case Effect::EmptyReply:
            // The first reply is the band type's: an empty one is no band, not code 0.
            EXPECT_EQ(file, NormalLines(""));
            break;
        case Effect::LateReply:
            // The second reply is the weighting's: it stays empty, and no record is shifted.
            EXPECT_EQ(file, NormalLines("1/3oct", ""));
            break;
        default:
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
