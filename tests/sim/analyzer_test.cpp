// The simulated analyzer answers as sim/README.md says.
#include <gtest/gtest.h>

#include "sim/analyzer.h"

namespace {

std::string Ask(sim::Analyzer& analyzer, const std::string& command) {
    analyzer.Write(command + "\r\n");
    return analyzer.Read().value_or("<no reply>");
}

TEST(Analyzer, AnswersTheSettingQueriesWithTheirCodes) {
    sim::Analyzer analyzer;
    EXPECT_EQ(Ask(analyzer, "TMC?"), "2\r\n");
    EXPECT_EQ(Ask(analyzer, "DFR?"), "9\r\n");
    analyzer.Write("FLT1\r\n");
    analyzer.Write("WGT3\r\n");
    EXPECT_EQ(Ask(analyzer, "FLT?"), "1\r\n");
    EXPECT_EQ(Ask(analyzer, "WGT?"), "3\r\n");
    analyzer.Write("WGT7\r\n");
    EXPECT_EQ(Ask(analyzer, "WGT?"), "3\r\n") << "an out-of-range setting changes nothing";
}

TEST(Analyzer, RecallModeReadsTheSelectedRecord) {
    sim::Analyzer analyzer;
    analyzer.Write("RCL0\r\n");
    analyzer.Write("ADR0, 12\r\n");
    EXPECT_EQ(Ask(analyzer, "ADR?"), "AD0012\r\n");
    EXPECT_EQ(Ask(analyzer, "DOD?"), analyzer.Record(12) + "\r\n");
    EXPECT_NE(analyzer.Record(12), analyzer.Record(13));
    analyzer.Write("RCL9\r\n");
    EXPECT_EQ(Ask(analyzer, "DOD?"), "+065.0,+061.2,+063.4\r\n");
}

TEST(Analyzer, StatisticsAreOrderedAndFollowTheRange) {
    sim::Analyzer analyzer;
    std::vector<double> values;
    for (int k = 0; k <= 6; ++k) {
        analyzer.Write("OPE" + std::to_string(k) + ", 1, 100\r\n");
        values.push_back(std::stod(Ask(analyzer, "DOD?")));
    }
    EXPECT_GE(values[0], values[1]);  // L5 >= L10 >= L50 >= L90 >= L95
    EXPECT_GE(values[1], values[2]);
    EXPECT_GE(values[2], values[3]);
    EXPECT_GE(values[3], values[4]);
    EXPECT_GE(values[5], values[6]) << "Leq is never below the plain average";
    analyzer.Write("OPE9,0001,1000\r\n");
    EXPECT_EQ(Ask(analyzer, "DOD?"), "+065.0,+061.2,+063.4\r\n");
}

TEST(Analyzer, EraseClearsTheRangeOnly) {
    sim::Analyzer analyzer;
    analyzer.Write("CLR0, 5, 7\r\n");
    EXPECT_FALSE(analyzer.Erased(4));
    EXPECT_TRUE(analyzer.Erased(5));
    EXPECT_TRUE(analyzer.Erased(7));
    EXPECT_FALSE(analyzer.Erased(8));
    analyzer.Write("CLR0, 100, 1\r\n");
    EXPECT_FALSE(analyzer.Erased(50)) << "a reversed range erases nothing";
}

TEST(Analyzer, UnknownCommandsAndUnreadRepliesLeaveNothingToRead) {
    sim::Analyzer analyzer;
    EXPECT_EQ(Ask(analyzer, "XYZ?"), "<no reply>");
    analyzer.Write("TMC?\r\n");
    analyzer.Write("DLM0\r\n");
    EXPECT_FALSE(analyzer.Read().has_value()) << "a new command discards the unread reply";
    analyzer.Write("TMC?\r\n\n");
    EXPECT_FALSE(analyzer.Read().has_value()) << "so does the empty message of a LF alone";
    analyzer.Write("TMC?\r\n");
    EXPECT_EQ(analyzer.Read(), "2\r\n") << "the LF that ends a command is no empty message";
}

TEST(Analyzer, OverridesAndMutesShapeTheReplies) {
    sim::Analyzer analyzer;
    analyzer.OverrideReply("TMC?", "20 ,x\r\n");
    EXPECT_EQ(Ask(analyzer, "TMC?"), "20 ,x\r\n");
    analyzer.RestoreReply("TMC?");
    EXPECT_EQ(Ask(analyzer, "TMC?"), "2\r\n");
    analyzer.MuteQuery("DFR?", true);
    EXPECT_EQ(Ask(analyzer, "DFR?"), "<no reply>");
}

}  // namespace
