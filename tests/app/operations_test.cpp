// The four operations through the real Ratoc backend and its stand-in driver: the exact
// exchanges, pauses and files, and every way an operation is refused or stopped.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/csv_file.h"
#include "app/numeric_value.h"
#include "app/operation_runner.h"
#include "app/utf8_text.h"
#include "session/session_state.h"
#include "tests/app/bench_script.h"
#include "tests/app/fake_window.h"
#include "tests/support/expected_files.h"
#include "tests/support/recording_file_system.h"
#include "tests/support/standin_control.h"

namespace {

namespace fs = std::filesystem;
using app::OperationKind;
using Strings = std::vector<std::string>;

const Strings kBands = {"oct1", "oct3"};
const Strings kWeightings = {"A", "C", "F", "Lvxy", "Lvz", "Lht", "Lcom"};

class Operations : public ::testing::Test {
  protected:
    void SetUp() override {
        standIn.Reset();
        lb::sessionState = lb::SessionState{};
        folder = fs::temp_directory_path() /
                 ("tq58-operations-" +
                  std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    void Run(OperationKind kind) { runner.Run(kind); }

    std::string FileBytes(const char8_t* name) {
        std::ifstream file(folder / name, std::ios::binary);
        EXPECT_TRUE(file.is_open()) << "no file written";
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
    std::string FileBytes(const std::string& name) {
        return FileBytes(reinterpret_cast<const char8_t*>(name.c_str()));
    }
    // A file in the folder by its UTF-8 name.
    fs::path InFolder(const std::string& name) {
        return folder / std::u8string(name.begin(), name.end());
    }
    bool FileExists(const char8_t* name) { return fs::exists(folder / name); }
    // The files in the folder other than the two targets, by name.
    Strings OtherFiles() {
        Strings names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const fs::path name = entry.path().filename();
            if (name != fs::path(app::kMassMemoryFileName) &&
                name != fs::path(app::kSecondaryProcessingFileName)) {
                names.push_back(app::PathText(name));
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // What the download writes for a record the simulated analyzer holds.
    std::string RecordLine(int address, const std::string& band = "1/3oct",
                           const std::string& weighting = "F") {
        char field[8];
        std::snprintf(field, sizeof field, "%04d", address);
        return std::string(field) + "," + band + "," + weighting + "," + standIn.Record(address) +
               "\r\n";
    }

    bool SessionClosedLast() {
        const auto names = standIn.CallNames();
        return !names.empty() && names.back() == "gp_lcl" && !lb::sessionState.cardOpen;
    }

    testing_support::StandIn standIn{"gplib2K.dll"};
    testing_support::BenchScript script{standIn};
    testing_support::FakeWindow window;
    testing_support::RecordingNotifier notifier;
    fs::path folder;
    app::OperationRunner runner{window, notifier, fs::temp_directory_path()};
};

// The runner writes into the test's own folder.
class Downloads : public Operations {
  protected:
    void SetUp() override {
        Operations::SetUp();
        folderRunner = std::make_unique<app::OperationRunner>(window, notifier, folder);
    }
    void Run(OperationKind kind) { folderRunner->Run(kind); }
    std::unique_ptr<app::OperationRunner> folderRunner;
};

TEST_F(Operations, ReadoutWithTheDefaultsQueriesFiveTimesAfterPausesAndShowsTheDecodedTexts) {
    Run(OperationKind::InstantaneousReadout);
    EXPECT_EQ(script.Steps(),
              (Strings{"send DLM0", "pause 20", "send TMC?", "receive", "pause 20", "send DFR?",
                       "receive", "pause 20", "send FLT?", "receive", "pause 20", "send WGT?",
                       "receive", "pause 20", "send DOD?", "receive"}));
    EXPECT_EQ(window.captions["アドレス"], "");
    EXPECT_EQ(window.captions["時定数"], "0.125s");
    EXPECT_EQ(window.captions["範囲"], "6.3～5KHz");
    EXPECT_EQ(window.captions["octoct"], "1/3oct");
    EXPECT_EQ(window.captions["補正"], "F");
    EXPECT_EQ(window.captions["マスデータ"], "+065.0,+061.2,+063.4") << "shown whole, commas too";
    EXPECT_EQ(window.captionWrites.size(), 12u) << "cleared first, then written once each";
    EXPECT_TRUE(SessionClosedLast());
    EXPECT_EQ(window.status, "瞬時値取込: 完了");
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(Operations, ReadoutRepliesOutsideTheTablesLeaveTheirDisplaysEmpty) {
    standIn.SetReply("TMC?", "2.5\r\n");
    standIn.SetReply("DFR?", "20\r\n");
    standIn.SetReply("FLT?", "2\r\n");
    standIn.SetReply("WGT?", "7\r\n");
    standIn.SetReply("DOD?", std::string(" 1, 2 ,3 \r\n\0", 12));
    Run(OperationKind::InstantaneousReadout);
    EXPECT_EQ(window.captions["時定数"], "");
    EXPECT_EQ(window.captions["範囲"], "");
    EXPECT_EQ(window.captions["octoct"], "");
    EXPECT_EQ(window.captions["補正"], "");
    EXPECT_EQ(window.captions["マスデータ"], " 1, 2 ,3 ");
}

TEST_F(Operations, ReadoutWithOneQueryTimingOutShowsThatTablesFirstTextOnly) {
    standIn.MuteQuery("DFR?");
    Run(OperationKind::InstantaneousReadout);
    EXPECT_EQ(window.captions["時定数"], "0.125s");
    EXPECT_EQ(window.captions["範囲"], "") << "an unanswered query shows nothing, not code 0";
    EXPECT_EQ(window.captions["補正"], "F");
    EXPECT_EQ(window.status, "瞬時値取込: 失敗 1 回（最初: 13000）");
    EXPECT_NE(window.statusDetails.find("タイムアウト（応答なし）"), std::string::npos);
    EXPECT_TRUE(notifier.messages.empty()) << "a failed exchange after the first answer is no stop";

    standIn.RestoreReply("DFR?");
    standIn.MuteQuery("DFR?", false);
    standIn.SetReply("TMC?", "0\r\n");
    Run(OperationKind::InstantaneousReadout);
    EXPECT_EQ(window.captions["時定数"], "10ms") << "a reply \"0\" is code 0";
}

// The usual first press: the board not set up yet, or the analyzer off or at another address.
// Nothing is sent after a failed open; the first time-out ends the operation; either way the
// displays stay empty, an earlier file stays as it was, and the user is told what to check.
TEST_F(Downloads, AFailedOpenOrASilentAnalyzerStopsAtOnceKeepingTheEarlierFiles) {
    const std::string earlier = "0001,1/3oct,F,earlier\r\n";
    for (const char8_t* name : {app::kMassMemoryFileName, app::kSecondaryProcessingFileName}) {
        std::ofstream(folder / name, std::ios::binary) << earlier;
    }
    for (const bool openFails : {true, false}) {
        for (const auto kind :
             {OperationKind::InstantaneousReadout, OperationKind::MassMemoryDownload,
              OperationKind::SecondaryProcessingDownload, OperationKind::MassMemoryErase}) {
            SCOPED_TRACE(std::string(openFails ? "open fails, " : "analyzer silent, ") +
                         app::OperationName(kind));
            standIn.Reset();
            script.Clear();
            notifier.messages.clear();
            for (auto display : app::control::kDisplays)
                window.captions[std::string(display)] = "x";
            if (openFails) {
                standIn.FailCall("gp_init", 1, 4);
            } else {
                standIn.SetAnalyzerAddress(0);
            }
            Run(kind);

            EXPECT_EQ(script.pauses(), 0);
            EXPECT_EQ(script.Sent(), openFails ? Strings{} : Strings{"DLM0"});
            EXPECT_EQ(standIn.Calls("gp_tfrout").size(), openFails ? 0u : 1u)
                << "the stop comes after one time-out";
            if (kind != OperationKind::SecondaryProcessingDownload &&
                kind != OperationKind::MassMemoryErase) {
                for (auto display : app::control::kDisplays) {
                    EXPECT_EQ(window.captions[std::string(display)], "") << display;
                }
            }
            EXPECT_EQ(FileBytes(app::kMassMemoryFileName), earlier);
            EXPECT_EQ(FileBytes(app::kSecondaryProcessingFileName), earlier);
            EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2) << "no file left";
            EXPECT_TRUE(SessionClosedLast());
            EXPECT_EQ(window.status,
                      app::OperationName(kind) + ": " +
                          std::string(openFails ? app::kStatusNotOpened : app::kStatusNoAnswer));
            ASSERT_EQ(notifier.messages.size(), 1u);
            const std::string hint =
                openFails ? app::BoardNotOpenedHint("gplib2K.dll") : app::AnalyzerSilentHint();
            EXPECT_NE(notifier.messages[0].find(hint), std::string::npos) << notifier.messages[0];
        }
    }
}

TEST_F(Operations, ReadoutNeverSendsASettingWhateverTheButtonsShow) {
    window.Select("oct1", kBands);
    window.Select("Lcom", kWeightings);
    Run(OperationKind::InstantaneousReadout);
    EXPECT_EQ(script.Sent(), (Strings{"DLM0", "TMC?", "DFR?", "FLT?", "WGT?", "DOD?"}));
}

TEST_F(Downloads, MassMemoryWithTheDefaultsWritesOneLinePerRecordAndPacesEveryCommand) {
    Run(OperationKind::MassMemoryDownload);
    std::string expected;
    for (int address = 1; address <= 100; ++address) expected += RecordLine(address);
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), expected);
    EXPECT_EQ(script.pauses(), 5 + 3 * 100);
    const auto sent = script.Sent();
    EXPECT_EQ(sent.size(), 11u + 3 * 100);
    EXPECT_EQ(Strings(sent.begin(), sent.begin() + 6),
              (Strings{"DLM0", "RCL0", "FLT0", "FLT?", "WGT2", "WGT?"}));
    EXPECT_EQ(sent[6], "ADR0, 1");
    EXPECT_EQ(sent[sent.size() - 8], "ADR0, 100");  // then ADR?, DOD? and five RCL9
    EXPECT_EQ(Strings(sent.end() - 5, sent.end()), Strings(5, "RCL9"));
    EXPECT_EQ(window.captions["アドレス"], "0100");
    EXPECT_EQ(window.captions["時定数"], "");
    EXPECT_EQ(window.captions["マスデータ"], standIn.Record(100));
    EXPECT_EQ(window.progress.back(), (std::pair{0, 0})) << "the bar is hidden at the end";
    EXPECT_EQ(window.progress[window.progress.size() - 2], (std::pair{100, 100}));
    EXPECT_TRUE(SessionClosedLast());
    EXPECT_EQ(window.status, "マスメモリデータ取込: 完了");
    EXPECT_EQ(window.statusFolder, folder);
    EXPECT_EQ(window.statusFolderLine, "保存先: " + folder.string());
}

TEST_F(Downloads, MassMemoryPausesBeforeEachCommandOfARecord) {
    window.texts["ad2"] = "1";
    window.Select("oct1", kBands);
    window.Select("Lvxy", kWeightings);
    Run(OperationKind::MassMemoryDownload);
    EXPECT_EQ(
        script.Steps(),
        (Strings{"send DLM0", "send RCL0",    "pause 20",  "send FLT1", "pause 20",  "send FLT?",
                 "receive",   "pause 20",     "send WGT3", "pause 20",  "send WGT?", "receive",
                 "pause 20",  "send ADR0, 1", "pause 20",  "send ADR?", "receive",   "pause 20",
                 "send DOD?", "receive",      "pause 20",  "send RCL9", "send RCL9", "send RCL9",
                 "send RCL9", "send RCL9"}));
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), RecordLine(1, "1/1oct", "Lv-xy"));
}

TEST_F(Downloads, MassMemoryWithAnEmptyRangeWritesAnEmptyFileButStillEndsTheRecall) {
    window.texts["ad1"] = "5";
    window.texts["ad2"] = "4";
    Run(OperationKind::MassMemoryDownload);
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), "");
    const auto sent = script.Sent();
    EXPECT_EQ(sent.size(), 11u);
    EXPECT_EQ(Strings(sent.end() - 5, sent.end()), Strings(5, "RCL9"));
    EXPECT_TRUE(SessionClosedLast());
}

TEST_F(Downloads, MassMemoryAddressesKeepTheirSignAndFraction) {
    window.texts["ad1"] = "-1.5";
    window.texts["ad2"] = "0.5";
    Run(OperationKind::MassMemoryDownload);
    Strings selects;
    for (const auto& command : script.Sent()) {
        if (command.rfind("ADR0,", 0) == 0) selects.push_back(command);
    }
    EXPECT_EQ(selects, (Strings{"ADR0,-1.5", "ADR0,-0.5", "ADR0, 0.5"}));
}

TEST_F(Downloads, MassMemoryAddressFieldIsCharactersThreeToSixOfTheReply) {
    window.texts["ad2"] = "3";
    standIn.SetReply("ADR?", "AB\r\n");
    standIn.SetReply("DOD?", "x,y\r\n");
    Run(OperationKind::MassMemoryDownload);
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName),
              ",1/3oct,F,x,y\r\n,1/3oct,F,x,y\r\n,1/3oct,F,x,y\r\n");
    standIn.SetReply("ADR?", "0123456789\r\n");
    window.texts["ad2"] = "1";
    Run(OperationKind::MassMemoryDownload);
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), "2345,1/3oct,F,x,y\r\n");
}

TEST_F(Downloads, MassMemoryWritesAJapaneseReplyBackInItsOwnBytes) {
    window.texts["ad2"] = "1";
    standIn.SetReply("DOD?",
                     "\x83\x66\x81\x5B\x83\x5E 1\x81\x60"
                     "2\r\n");
    Run(OperationKind::MassMemoryDownload);
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName),
              "0001,1/3oct,F,\x83\x66\x81\x5B\x83\x5E 1\x81\x60"
              "2\r\n");
    EXPECT_EQ(window.captions["マスデータ"], "データ 1～2");
}

TEST_F(Downloads, MassMemoryWithTheAnalyzerLeavingMidwayKeepsWhatItReceived) {
    window.texts["ad2"] = "4";
    // Pauses 1-4 precede the records and each record has three: record 3's first.
    script.AtPause(4 + 2 * 3 + 1, [&] { standIn.SetAnalyzerAddress(0); });
    Run(OperationKind::MassMemoryDownload);
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName),
              RecordLine(1) + RecordLine(2) + ",1/3oct,F,\r\n,1/3oct,F,\r\n")
        << "unanswered records are empty fields, and the download goes on";
    EXPECT_TRUE(notifier.messages.empty());
}

// As after a crash: at any moment of a download the earlier file is whole and the new file
// beside it holds whole lines.
TEST_F(Downloads, MidDownloadTheEarlierFileIsWholeAndTheNewFileHoldsWholeLines) {
    const std::string earlier = "earlier\r\n";
    std::ofstream(folder / app::kMassMemoryFileName, std::ios::binary) << earlier;
    window.texts["ad2"] = "5";
    std::string seenEarlier, seenNew;
    script.AtPause(4 + 3 * 3 + 1, [&] {
        seenEarlier = FileBytes(app::kMassMemoryFileName);
        std::ifstream file(app::PartialFilePath(folder / app::kMassMemoryFileName),
                           std::ios::binary);
        seenNew.assign(std::istreambuf_iterator<char>(file), {});
    });
    Run(OperationKind::MassMemoryDownload);
    EXPECT_EQ(seenEarlier, earlier);
    EXPECT_EQ(seenNew, RecordLine(1) + RecordLine(2) + RecordLine(3));
    EXPECT_TRUE(app::PartialFilePath(folder / app::kMassMemoryFileName).filename() ==
                fs::path(u8"TQ58メモリーデータ_取込中.csv"));
    EXPECT_FALSE(fs::exists(app::PartialFilePath(folder / app::kMassMemoryFileName)));
}

TEST_F(Downloads, MassMemoryWithAnUnknownBandReplyLeavesTheBandEmptyOnEveryLine) {
    standIn.SetReply("FLT?", "5\r\n");
    window.texts["ad2"] = "2";
    Run(OperationKind::MassMemoryDownload);
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), RecordLine(1, "") + RecordLine(2, ""));
}

TEST_F(Downloads, MassMemoryAddressZeroMeansNoTransferAndNoFile) {
    window.texts["GPIBadress"] = "abc";
    window.texts["ad2"] = "2";
    Run(OperationKind::MassMemoryDownload);
    EXPECT_FALSE(FileExists(app::kMassMemoryFileName)) << "nothing received, nothing written";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 0);
    EXPECT_TRUE(standIn.Calls("gp_tfrout").empty());
    EXPECT_EQ(window.status, "マスメモリデータ取込: 受信なし（ファイルは以前のまま）");
    EXPECT_NE(window.statusDetails.find("12120"), std::string::npos);
    EXPECT_EQ(window.statusFolderLine, "ファイルは以前のまま: " + folder.string());
}

TEST_F(Downloads, AWaitTypedDuringTheDownloadPacesEveryFollowingPause) {
    window.texts["ad2"] = "2";
    script.AtPause(3, [&] { window.texts["wait"] = "2 0 0"; });
    Run(OperationKind::MassMemoryDownload);
    const auto steps = script.Steps();
    Strings pauses;
    for (const auto& step : steps) {
        if (step.rfind("pause", 0) == 0) pauses.push_back(step);
    }
    EXPECT_EQ(Strings(pauses.begin(), pauses.begin() + 4),
              (Strings{"pause 20", "pause 20", "pause 20", "pause 200"}));
    EXPECT_EQ(pauses.back(), "pause 200");
}

TEST_F(Downloads, AWaitThatNoLongerFitsStopsTheDownloadAndKeepsItsLines) {
    window.texts["ad2"] = "10";
    // Pauses 1-4 precede the records and each record has three: this is record 3's last.
    script.AtPause(4 + 3 * 3, [&] { window.texts["wait"] = "3e9"; });
    Run(OperationKind::MassMemoryDownload);
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), RecordLine(1) + RecordLine(2) + RecordLine(3));
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_NE(notifier.messages[0].find("「wait」"), std::string::npos);
    EXPECT_TRUE(SessionClosedLast());
    EXPECT_EQ(window.status, "マスメモリデータ取込: 中止");
}

TEST_F(Downloads, ClosingTheWindowStopsAtTheNextPauseClosingSessionAndFile) {
    window.texts["ad2"] = "50";
    script.AtPause(4 + 3 * 5 + 1, [&] { window.stopRequested = true; });  // record 6's first
    Run(OperationKind::MassMemoryDownload);
    std::string expected;
    for (int address = 1; address <= 5; ++address) expected += RecordLine(address);
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), expected);
    EXPECT_TRUE(SessionClosedLast());
    EXPECT_TRUE(notifier.messages.empty()) << "the window is going: no message";
    EXPECT_FALSE(folderRunner->running());
}

// A stop after the analyzer was put into recall or statistic mode takes it out of that mode
// at once, before the session closes, unless the bus has just timed out.
struct StopCase {
    const char* name;
    OperationKind kind;
    bool byClose;  // the window closes; otherwise the wait text stops fitting its type
    int pause;     // the pause at which the operation stops
    const char* unanswered = nullptr;  // a query the analyzer leaves without reply
    bool analyzerLeaves = false;       // the analyzer leaves the bus as the window closes
    Strings afterLastPause = {};       // the steps after the last pause that ran
    int keptLines = 0;                 // the lines of received records kept beside the earlier file
};

void PrintTo(const StopCase& stop, std::ostream* out) {
    *out << stop.name;
}

class Stops : public Downloads, public ::testing::WithParamInterface<StopCase> {};

TEST_P(Stops, EndTheAnalyzersModeWithoutFurtherPausesThenCloseTheSession) {
    const auto& stop = GetParam();
    const std::string earlier = "earlier\r\n";
    for (const char8_t* name : {app::kMassMemoryFileName, app::kSecondaryProcessingFileName}) {
        std::ofstream(folder / name, std::ios::binary) << earlier;
    }
    window.texts["ad2"] = "10";
    if (stop.unanswered) standIn.MuteQuery(stop.unanswered);
    if (stop.byClose) {
        script.AtPause(stop.pause, [&] {
            window.stopRequested = true;
            if (stop.analyzerLeaves) standIn.SetAnalyzerAddress(0);
        });
    } else {
        // The new text is read, and refused, at the next pause.
        script.AtPause(stop.pause - 1, [&] { window.texts["wait"] = "3e9"; });
    }
    Run(stop.kind);

    EXPECT_EQ(script.pauses(), stop.byClose ? stop.pause : stop.pause - 1);
    const auto steps = script.Steps();
    const auto lastPause = std::find_if(steps.rbegin(), steps.rend(), [](const std::string& s) {
                               return s.rfind("pause", 0) == 0;
                           }).base();
    EXPECT_EQ(Strings(lastPause, steps.end()), stop.afterLastPause);
    EXPECT_TRUE(SessionClosedLast());
    EXPECT_EQ(window.status, app::OperationName(stop.kind) + ": 中止");
    EXPECT_EQ(notifier.messages.size(), stop.byClose ? 0u : 1u);
    EXPECT_FALSE(folderRunner->running());

    // A download cut short never replaces the earlier file; what records it received are kept
    // beside it.
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), earlier);
    EXPECT_EQ(FileBytes(app::kSecondaryProcessingFileName), earlier);
    const Strings kept = OtherFiles();
    ASSERT_EQ(kept.size(), stop.keptLines > 0 ? 1u : 0u);
    if (stop.keptLines > 0) {
        const std::string bytes = FileBytes(kept[0]);
        EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), stop.keptLines) << bytes;
        EXPECT_NE(window.statusDetails.find(kept[0]), std::string::npos) << window.statusDetails;
    }
}

const Strings kRecallOff(5, "send RCL9");
const Strings kStatisticsEnd(10, "send OPE9,0001,1000");
const Strings kLastDataQuery = {"send DOD?", "receive"};

Strings Joined(Strings first, const Strings& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

constexpr auto kMassMemory = OperationKind::MassMemoryDownload;
constexpr auto kStatistics = OperationKind::SecondaryProcessingDownload;

// Mass memory: pause 10 comes before record 2's "DOD?", pause 11 before record 3's "ADR0,".
// Statistics: pause 6 comes before the third "DOD?", pause 7 before "OPE3,".
INSTANTIATE_TEST_SUITE_P(
    ClosingOrInvalidWait, Stops,
    ::testing::Values(StopCase{.name = "MassMemoryClosed",
                               .kind = kMassMemory,
                               .byClose = true,
                               .pause = 11,
                               .afterLastPause = kRecallOff,
                               .keptLines = 2},
                      StopCase{.name = "MassMemoryWaitInvalid",
                               .kind = kMassMemory,
                               .byClose = false,
                               .pause = 11,
                               .afterLastPause = Joined(kLastDataQuery, kRecallOff),
                               .keptLines = 2},
                      StopCase{.name = "MassMemoryClosedAfterATimeOut",
                               .kind = kMassMemory,
                               .byClose = true,
                               .pause = 11,
                               .unanswered = "DOD?",
                               .keptLines = 2},
                      StopCase{.name = "MassMemoryWaitInvalidAfterATimeOut",
                               .kind = kMassMemory,
                               .byClose = false,
                               .pause = 11,
                               .unanswered = "DOD?",
                               .afterLastPause = kLastDataQuery,
                               .keptLines = 2},
                      StopCase{.name = "MassMemoryClosedAsTheAnalyzerLeaves",
                               .kind = kMassMemory,
                               .byClose = true,
                               .pause = 11,
                               .analyzerLeaves = true,
                               .afterLastPause = {"send RCL9"},
                               .keptLines = 2},
                      StopCase{.name = "StatisticsClosed",
                               .kind = kStatistics,
                               .byClose = true,
                               .pause = 7,
                               .afterLastPause = kStatisticsEnd,
                               .keptLines = 2},
                      StopCase{.name = "StatisticsWaitInvalid",
                               .kind = kStatistics,
                               .byClose = false,
                               .pause = 7,
                               .afterLastPause = Joined(kLastDataQuery, kStatisticsEnd),
                               .keptLines = 2},
                      StopCase{.name = "StatisticsClosedAfterATimeOut",
                               .kind = kStatistics,
                               .byClose = true,
                               .pause = 7,
                               .unanswered = "DOD?"},
                      StopCase{.name = "StatisticsWaitInvalidAfterATimeOut",
                               .kind = kStatistics,
                               .byClose = false,
                               .pause = 7,
                               .unanswered = "DOD?",
                               .afterLastPause = kLastDataQuery},
                      // No mode to end: nothing goes out after the stop.
                      StopCase{.name = "ReadoutClosed",
                               .kind = OperationKind::InstantaneousReadout,
                               .byClose = true,
                               .pause = 2},
                      StopCase{.name = "ReadoutWaitInvalid",
                               .kind = OperationKind::InstantaneousReadout,
                               .byClose = false,
                               .pause = 2,
                               .afterLastPause = {"send TMC?", "receive"}},
                      StopCase{.name = "EraseClosed",
                               .kind = OperationKind::MassMemoryErase,
                               .byClose = true,
                               .pause = 1}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return info.param.name; });

TEST_F(Downloads, ASecondClickDuringAnOperationIsRefused) {
    script.AtPause(1, [&] { folderRunner->Run(OperationKind::MassMemoryErase); });
    window.texts["ad2"] = "1";
    Run(OperationKind::MassMemoryDownload);
    const auto sent = script.Sent();
    for (const auto& command : sent) EXPECT_EQ(command.rfind("CLR0", 0), std::string::npos);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "DLM0"), 1);
    EXPECT_EQ(window.status, "マスメモリデータ取込: 完了");
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(Downloads, AClickIsAcceptedAgainAfterAnOperationEndedByAnException) {
    window.texts["ad2"] = "2";
    script.AtPause(2, [&] { window.texts["wait"] = "3e9"; });
    notifier.throws = true;
    EXPECT_THROW(Run(OperationKind::MassMemoryDownload), std::runtime_error);
    EXPECT_FALSE(folderRunner->running());
    notifier.throws = false;
    window.texts["wait"] = "20";
    Run(OperationKind::MassMemoryErase);
    EXPECT_EQ(window.status, "マスメモリーデータ消去: 完了");
}

TEST_F(Downloads, SecondaryProcessingWithTheDefaultsWritesHeaderAndSevenValues) {
    Run(OperationKind::SecondaryProcessingDownload);
    EXPECT_EQ(FileBytes(app::kSecondaryProcessingFileName),
              testing_support::ExpectedSecondaryProcessingFile(1, 100));
    Strings expected{"send DLM0"};
    for (int k = 0; k <= 6; ++k) {
        for (const char* step : {"pause 20", "", "pause 20", "send DOD?", "receive"}) {
            expected.push_back(*step ? step : "send OPE" + std::to_string(k) + ", 1, 100");
        }
    }
    for (int i = 0; i < 10; ++i) expected.push_back("send OPE9,0001,1000");
    EXPECT_EQ(script.Steps(), expected);
    EXPECT_EQ(window.captionWrites.size(), 0u) << "this operation writes no display";
    EXPECT_EQ(window.progress[7], (std::pair{7, 7})) << "after the hidden bar at the start";
    EXPECT_TRUE(SessionClosedLast());
}

TEST_F(Downloads, SecondaryProcessingRoundsHalvesToEvenAndKeepsTheOrder) {
    window.texts["ad1"] = "2.5";
    window.texts["ad2"] = "-3.5";
    Run(OperationKind::SecondaryProcessingDownload);
    EXPECT_EQ(script.Sent()[1], "OPE0, 2,-4");
}

TEST_F(Downloads, SecondaryProcessingLeavesAnUnansweredResultEmptyNotZero) {
    script.AtPause(4, [&] { standIn.MuteQuery("DOD?"); });  // the second result's query
    script.AtPause(5, [&] { standIn.MuteQuery("DOD?", false); });
    standIn.SetReply("DOD?", "0\r\n");
    Run(OperationKind::SecondaryProcessingDownload);
    EXPECT_EQ(FileBytes(app::kSecondaryProcessingFileName),
              "L5,L10,L50,L90,L95,Leq,Ave\r\n0,,0,0,0,0,0\r\n");
}

TEST_F(Downloads, SecondaryProcessingFileIsWrittenOnlyOnceTheSessionIsClosed) {
    std::string seen = "<not looked>";
    script.AtPause(14, [&] {
        std::ifstream file(app::PartialFilePath(folder / app::kSecondaryProcessingFileName),
                           std::ios::binary);
        seen.assign(std::istreambuf_iterator<char>(file), {});
        EXPECT_FALSE(FileExists(app::kSecondaryProcessingFileName));
    });
    standIn.SetReply("DOD?", "52.30dB\r\n");
    Run(OperationKind::SecondaryProcessingDownload);
    EXPECT_EQ(seen, "");
    EXPECT_EQ(FileBytes(app::kSecondaryProcessingFileName),
              "L5,L10,L50,L90,L95,Leq,Ave\r\n52.3,52.3,52.3,52.3,52.3,52.3,52.3\r\n");
}

TEST_F(Operations, EraseWithTheDefaultsErasesTheRangeAndRecalls) {
    const std::string kept = standIn.Record(101);
    Run(OperationKind::MassMemoryErase);
    EXPECT_EQ(script.Steps(), (Strings{"send DLM0", "pause 20", "send CLR0, 1, 100", "send RCL9"}));
    EXPECT_EQ(standIn.Record(1), "----.-,----.-,----.-");
    EXPECT_EQ(standIn.Record(100), "----.-,----.-,----.-");
    EXPECT_EQ(standIn.Record(101), kept);
    EXPECT_TRUE(window.captionWrites.empty());
    EXPECT_TRUE(SessionClosedLast());
}

TEST_F(Operations, EraseSendsAddressesAsTypedNeitherCheckedNorSwapped) {
    window.texts["ad1"] = "100";
    window.texts["ad2"] = "1";
    Run(OperationKind::MassMemoryErase);
    window.texts["ad1"] = "-5";
    window.texts["ad2"] = "x";
    Run(OperationKind::MassMemoryErase);
    Strings erases;
    for (const auto& command : script.Sent()) {
        if (command.rfind("CLR0", 0) == 0) erases.push_back(command);
    }
    EXPECT_EQ(erases, (Strings{"CLR0, 100, 1", "CLR0,-5, 0"}));
}

// Settings that do not fit their type refuse the operation before anything is opened.
struct Refusal {
    OperationKind kind;
    const char* control;
    const char* text;
};

class Refusals : public Downloads, public ::testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, NameTheFieldAndOpenNeitherFileNorSession) {
    const auto& refusal = GetParam();
    window.texts[refusal.control] = refusal.text;
    Run(refusal.kind);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_NE(notifier.messages[0].find(std::string("「") + refusal.control + "」"),
              std::string::npos)
        << notifier.messages[0];
    EXPECT_TRUE(standIn.Log().empty()) << "no driver call";
    EXPECT_FALSE(FileExists(app::kMassMemoryFileName));
    EXPECT_FALSE(FileExists(app::kSecondaryProcessingFileName));
    EXPECT_FALSE(folderRunner->running());
}

INSTANTIATE_TEST_SUITE_P(
    OutOfRange, Refusals,
    ::testing::Values(Refusal{OperationKind::InstantaneousReadout, "GPIBadress", "40000"},
                      Refusal{OperationKind::MassMemoryErase, "GPIBadress", "-32768.6"},
                      Refusal{OperationKind::InstantaneousReadout, "wait", "3e9"},
                      Refusal{OperationKind::MassMemoryDownload, "wait", "-2147483649"},
                      Refusal{OperationKind::MassMemoryDownload, "ad2", "32767.5"},
                      Refusal{OperationKind::MassMemoryDownload, "ad1", "1e400"},
                      Refusal{OperationKind::SecondaryProcessingDownload, "ad1", "40000"},
                      Refusal{OperationKind::SecondaryProcessingDownload, "ad2", "-32769"},
                      Refusal{OperationKind::MassMemoryErase, "ad2", "99999"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        return "run" + std::to_string(static_cast<int>(info.param.kind)) + "_" +
               info.param.control + "_" + std::to_string(info.index);
    });

TEST_F(Operations, AFileThatCannotBeCreatedIsNamedAndNoSessionIsOpened) {
    // A folder that cannot be made: a file stands where it would go.
    std::ofstream(folder / "not-a-folder") << "x";
    app::OperationRunner intoMissingFolder(window, notifier, folder / "not-a-folder" / "sub");
    intoMissingFolder.Run(OperationKind::MassMemoryDownload);
    intoMissingFolder.Run(OperationKind::SecondaryProcessingDownload);
    ASSERT_EQ(notifier.messages.size(), 2u);
    // The file that could not be created is the one written during the download.
    EXPECT_NE(notifier.messages[0].find("TQ58メモリーデータ_取込中.csv"), std::string::npos);
    EXPECT_NE(notifier.messages[1].find("TQ582次演算データ_取込中.csv"), std::string::npos);
    EXPECT_TRUE(standIn.Log().empty());
}

#ifdef _WIN32
// Windows cannot rename over a file that another program holds open without sharing it (a
// spreadsheet showing the earlier download does): found out before anything is sent, not after
// the download.
TEST_F(Downloads, AnEarlierFileHeldOpenIsRefusedBeforeTheSession) {
    const fs::path earlier = folder / app::kMassMemoryFileName;
    std::ofstream(earlier, std::ios::binary) << "earlier\r\n";
    HANDLE held = CreateFileW(earlier.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Run(OperationKind::MassMemoryDownload);
    CloseHandle(held);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_NE(notifier.messages[0].find("TQ58メモリーデータ.csv"), std::string::npos);
    EXPECT_TRUE(standIn.Log().empty()) << "no driver call";
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), "earlier\r\n");
}
#endif

#ifdef _WIN32
// A spreadsheet opening the earlier file during the download holds it as Excel does: shared for
// reading, not for deletion. The replace is tried again for about two seconds: the file let go
// meanwhile is replaced; one held throughout is named, and the data kept beside it.
TEST_F(Downloads, AnEarlierFileHeldDuringTheDownloadIsTriedAgainThenNamed) {
    window.texts["ad2"] = "2";
    const fs::path earlier = folder / app::kMassMemoryFileName;
    const int downloadPauses = 5 + 3 * 2;
    for (const bool letGo : {true, false}) {
        SCOPED_TRACE(letGo ? "let go at the second try" : "held throughout");
        std::ofstream(earlier, std::ios::binary) << "earlier\r\n";
        standIn.Reset();
        script.Clear();
        notifier.messages.clear();
        HANDLE held = INVALID_HANDLE_VALUE;
        script.AtPause(downloadPauses, [&] {
            held = CreateFileW(earlier.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        });
        if (letGo) script.AtPause(downloadPauses + 2, [&] { CloseHandle(held); });
        Run(OperationKind::MassMemoryDownload);
        if (!letGo) CloseHandle(held);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);

        EXPECT_EQ(script.pauses(), downloadPauses + (letGo ? 2 : 6));
        if (letGo) {
            EXPECT_EQ(FileBytes(app::kMassMemoryFileName), RecordLine(1) + RecordLine(2));
            EXPECT_TRUE(notifier.messages.empty());
            continue;
        }
        EXPECT_EQ(FileBytes(app::kMassMemoryFileName), "earlier\r\n");
        const Strings kept = OtherFiles();
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(FileBytes(kept[0]), RecordLine(1) + RecordLine(2));
        ASSERT_EQ(notifier.messages.size(), 1u);
        EXPECT_NE(notifier.messages[0].find(
                      "TQ58メモリーデータ.csv: ほかのプログラムが開いているため置き換えられません"),
                  std::string::npos)
            << notifier.messages[0];
        EXPECT_NE(notifier.messages[0].find(kept[0]), std::string::npos);
        fs::remove(InFolder(kept[0]));
    }
}

// The partial file a crash left, opened in Excel as the guide suggests: it cannot be kept under
// another name while Excel holds it, and the message names it, not the target.
TEST_F(Downloads, APartialFileHeldInExcelIsNamedAndNothingIsSent) {
    const fs::path partial = app::PartialFilePath(folder / app::kMassMemoryFileName);
    std::ofstream(partial, std::ios::binary) << "0001,1/3oct,F,+065.0\r\n";
    HANDLE held = CreateFileW(partial.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Run(OperationKind::MassMemoryDownload);
    CloseHandle(held);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_NE(
        notifier.messages[0].find("TQ58メモリーデータ_取込中.csv: ほかのプログラムが使用中です"),
        std::string::npos)
        << notifier.messages[0];
    EXPECT_TRUE(standIn.Log().empty()) << "no driver call";
    EXPECT_EQ(FileBytes(u8"TQ58メモリーデータ_取込中.csv"), "0001,1/3oct,F,+065.0\r\n");
}
#endif

TEST_F(Downloads, AnExistingFileIsReplacedWhole) {
    {
        std::ofstream old(folder / app::kMassMemoryFileName, std::ios::binary);
        old << std::string(5000, 'x');
    }
    window.texts["ad2"] = "1";
    Run(OperationKind::MassMemoryDownload);
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), RecordLine(1));
}

// Where the downloads meet the file system: every call through a file system that records the
// calls and fails those a test names.
class FileSafety : public Downloads {
  protected:
    void SetUp() override {
        Downloads::SetUp();
        folderRunner = std::make_unique<app::OperationRunner>(window, notifier, folder, files);
        window.texts["ad2"] = "2";
    }
    void WriteEarlier(const char8_t* name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }
    Strings PausesAfterTheClose() {
        const auto steps = script.Steps();
        const auto last = std::find(steps.rbegin(), steps.rend(), "send RCL9").base();
        return Strings(last, steps.end());
    }

    testing_support::RecordingFileSystem files;
};

// The data reaches the disk before the new file takes the target's name, and the folder's
// entries after it: after a power cut the target is the earlier file or the whole new one.
TEST_F(FileSafety, TheDataIsOnTheDiskBeforeTheRenameAndTheRenameAfterIt) {
    Run(OperationKind::MassMemoryDownload);
    Run(OperationKind::SecondaryProcessingDownload);
    const std::string mass = "TQ58メモリーデータ", statistics = "TQ582次演算データ";
    EXPECT_EQ(files.Calls(),
              (Strings{"create " + mass + "_取込中.csv", "write", "flush", "close",
                       "replace " + mass + "_取込中.csv " + mass + ".csv", "sync",
                       "create " + statistics + "_取込中.csv", "write", "flush", "close",
                       "replace " + statistics + "_取込中.csv " + statistics + ".csv", "sync"}));
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), RecordLine(1) + RecordLine(2));
    EXPECT_TRUE(OtherFiles().empty());
}

// A scanner or indexer holding a file for a moment: the replace is tried again over about two
// seconds before the data is kept under a name of its own and the message names the file.
TEST_F(FileSafety, AHeldFileIsTriedAgainForAboutTwoSecondsThenTheDataIsKeptAndNamed) {
    struct Case {
        int failures;  // 0: every try
        Strings pauses;
    };
    const Strings all = {"pause 100", "pause 200", "pause 300",
                         "pause 400", "pause 500", "pause 500"};
    for (const Case& held :
         {Case{1, {"pause 100"}}, Case{2, {"pause 100", "pause 200"}}, Case{0, all}}) {
        SCOPED_TRACE(held.failures);
        fs::remove_all(folder);
        fs::create_directories(folder);
        WriteEarlier(app::kMassMemoryFileName, "earlier\r\n");
        files.Clear();
        notifier.messages.clear();
        script.Clear();
        standIn.Reset();
        for (int nth = 1; nth <= held.failures; ++nth) files.Fail("replace", nth);
        if (held.failures == 0) files.Fail("replace", 0);
        Run(OperationKind::MassMemoryDownload);

        EXPECT_EQ(PausesAfterTheClose(), held.pauses);
        const std::string data = RecordLine(1) + RecordLine(2);
        if (held.failures > 0) {
            EXPECT_EQ(FileBytes(app::kMassMemoryFileName), data);
            EXPECT_TRUE(notifier.messages.empty());
            EXPECT_EQ(window.status, "マスメモリデータ取込: 完了");
            continue;
        }
        EXPECT_EQ(FileBytes(app::kMassMemoryFileName), "earlier\r\n");
        const Strings kept = OtherFiles();
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(FileBytes(kept[0]), data);
        EXPECT_EQ(window.status, "マスメモリデータ取込: 完了（別名で保存）");
        EXPECT_EQ(window.statusFolderLine, "別名で保存: " + app::PathText(InFolder(kept[0])));
        ASSERT_EQ(notifier.messages.size(), 1u);
        // Nothing holds the target: the new file was the one held, and is named.
        EXPECT_NE(notifier.messages[0].find("TQ58メモリーデータ_取込中.csv: 名前を変えられません"),
                  std::string::npos)
            << notifier.messages[0];
        EXPECT_NE(notifier.messages[0].find(kept[0]), std::string::npos) << notifier.messages[0];
        EXPECT_EQ(notifier.messages[0].find("中止"), std::string::npos) << "it ran to its end";
    }
}

// Data that could not be put on the disk, or that the system refused to write, never takes the
// earlier file's place; whatever the system took is kept and named.
TEST_F(FileSafety, AFailedFlushOrWriteKeepsTheEarlierFileAndNamesWhereTheDataIs) {
    for (const char* failing : {"flush", "write"}) {
        SCOPED_TRACE(failing);
        fs::remove_all(folder);
        fs::create_directories(folder);
        WriteEarlier(app::kMassMemoryFileName, "earlier\r\n");
        files.Clear();
        notifier.messages.clear();
        files.Fail(failing, std::string(failing) == "write" ? 2 : 1, platform::FileFailure::Other);
        Run(OperationKind::MassMemoryDownload);
        EXPECT_EQ(FileBytes(app::kMassMemoryFileName), "earlier\r\n");
        const Strings kept = OtherFiles();
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(FileBytes(kept[0]),
                  std::string(failing) == "write" ? RecordLine(1) : RecordLine(1) + RecordLine(2));
        ASSERT_EQ(notifier.messages.size(), 1u);
        EXPECT_NE(notifier.messages[0].find(kept[0]), std::string::npos) << notifier.messages[0];
        EXPECT_EQ(std::count(files.calls.begin(), files.calls.end(), "sync"), 0);
    }
}

// The band and weighting replies alone are no record data: answered, and then every record's
// query unanswered, or the window closed right after them, the earlier file stays as it was
// and nothing is kept.
TEST_F(FileSafety, WithoutARecordTheEarlierFileStaysByteForByte) {
    const std::string earlier = "0001,1/3oct,F,+065.0\r\n";
    for (const bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "closed after the weighting" : "records unanswered");
        WriteEarlier(app::kMassMemoryFileName, earlier);
        standIn.Reset();
        script.Clear();
        window.stopRequested = false;
        if (closed) {
            script.AtPause(5, [&] { window.stopRequested = true; });
        } else {
            standIn.MuteQuery("ADR?");
            standIn.MuteQuery("DOD?");
        }
        Run(OperationKind::MassMemoryDownload);
        EXPECT_EQ(FileBytes(app::kMassMemoryFileName), earlier);
        EXPECT_TRUE(OtherFiles().empty()) << OtherFiles().front();
        if (!closed) {
            EXPECT_EQ(window.status, "マスメモリデータ取込: 受信なし（ファイルは以前のまま）");
        }
    }
}

// A partial file that an earlier run left (a crash, or a replace that failed) is never written
// over or removed: it is kept under the time it was written, whatever the next run receives,
// and the status line says so and where.
TEST_F(FileSafety, AnEarlierPartialFileSurvivesTheNextRunWithTheAnalyzerOffOrOn) {
    const std::string leftover = "0001,1/3oct,F,+065.0\r\n0002,1/3oct,F,+06";
    for (const bool analyzerOn : {false, true}) {
        SCOPED_TRACE(analyzerOn ? "analyzer on" : "analyzer off");
        fs::remove_all(folder);
        fs::create_directories(folder);
        WriteEarlier(app::kMassMemoryFileName, "earlier\r\n");
        std::ofstream(app::PartialFilePath(folder / app::kMassMemoryFileName), std::ios::binary)
            << leftover;
        standIn.Reset();
        if (!analyzerOn) standIn.SetAnalyzerAddress(0);
        Run(OperationKind::MassMemoryDownload);

        const Strings kept = OtherFiles();
        ASSERT_EQ(kept.size(), 1u) << "the partial file is never left under its own name";
        EXPECT_EQ(FileBytes(kept[0]), leftover);
        EXPECT_TRUE(kept[0].starts_with("TQ58メモリーデータ_2")) << kept[0];
        EXPECT_EQ(FileBytes(app::kMassMemoryFileName),
                  analyzerOn ? RecordLine(1) + RecordLine(2) : "earlier\r\n");
        EXPECT_TRUE(window.statusFolderLine.ends_with("（前回の途中のファイルあり）"))
            << window.statusFolderLine;
        EXPECT_NE(window.statusDetails.find(kept[0]), std::string::npos) << window.statusDetails;
        EXPECT_NE(window.statusDetails.find(app::PathText(folder)), std::string::npos);
    }
}

// A second download into the same file while one runs (another program, or a second window of
// the same one) is refused before anything is sent, and the running one's file is untouched.
TEST_F(FileSafety, ADownloadIntoAFileAnotherRunWritesIsRefusedBeforeTheBus) {
    const fs::path partial = app::PartialFilePath(folder / app::kMassMemoryFileName);
    platform::FileHandle held;
    ASSERT_TRUE(platform::SystemFileSystem().CreateExclusive(partial, "tq58pc-contec", held).ok());
    platform::SystemFileSystem().Write(held, "0001,1/3oct,F,+065.0\r\n");
    Run(OperationKind::MassMemoryDownload);
    platform::SystemFileSystem().Close(held);

    EXPECT_TRUE(standIn.Log().empty()) << "no driver call";
    EXPECT_EQ(window.status, "マスメモリデータ取込: 中止（ほかのプログラムが取り込み中）");
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_NE(notifier.messages[0].find("「TQ58メモリーデータ.csv」へは"), std::string::npos)
        << notifier.messages[0];
#ifdef _WIN32
    // Across processes POSIX names the holder too (the two-process test); within one, only
    // Windows can tell.
    EXPECT_NE(notifier.messages[0].find("「tq58pc-contec」が取り込み中"), std::string::npos)
        << notifier.messages[0];
#endif
    EXPECT_EQ(
        FileBytes(reinterpret_cast<const char8_t*>(app::PathText(partial.filename()).c_str())),
        "0001,1/3oct,F,+065.0\r\n");
    EXPECT_FALSE(FileExists(app::kMassMemoryFileName));
}

}  // namespace
