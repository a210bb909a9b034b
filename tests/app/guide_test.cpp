// The guide explains every text the status line can show: each session code with its number and
// text, and each word around an operation's name, read from the table the programs use.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/operation_runner.h"
#include "app/outcome.h"
#include "session/chosen_interface.h"

namespace {

std::string Guide() {
    std::ifstream file(TQ58_GUIDE_PATH, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << TQ58_GUIDE_PATH;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(Guide, ExplainsEveryOutcomeText) {
    const std::string guide = Guide();
    for (const auto& [code, text] : app::SessionCodeTexts()) {
        EXPECT_NE(guide.find(std::string(text)), std::string::npos) << text;
        EXPECT_NE(guide.find(std::to_string(code)), std::string::npos) << code;
    }
    EXPECT_NE(guide.find(std::string(app::kUnknownCodeText)), std::string::npos);
    for (const auto word : app::StatusWords()) {
        EXPECT_NE(guide.find(std::string(word)), std::string::npos) << word;
    }
    for (const auto kind :
         {app::OperationKind::InstantaneousReadout, app::OperationKind::MassMemoryDownload,
          app::OperationKind::SecondaryProcessingDownload, app::OperationKind::MassMemoryErase}) {
        const std::string name = app::OperationName(kind);
        EXPECT_NE(guide.find(name), std::string::npos) << name;
        EXPECT_NE(guide.find(app::StatusText(name, app::kStatusDone)), std::string::npos) << name;
    }
    EXPECT_NE(guide.find(app::BusyText(app::OperationName(app::OperationKind::MassMemoryErase))),
              std::string::npos);
    // What to check, word for word as the messages and tooltips say it.
    for (const auto hint : app::SetupHints()) {
        EXPECT_NE(guide.find(std::string(hint)), std::string::npos) << hint;
    }
    for (const char* library : {"gplib2K.dll", "libgpib.so.0", "ni4882.dll", "visa32.dll"}) {
        EXPECT_NE(guide.find(app::DriverSourceText(library)), std::string::npos) << library;
    }
}

// Why a Prologix-protocol controller could not be opened, as the message says it, with the port
// and its answer written "…" in the guide: every condition the backend names.
TEST(Guide, ExplainsEverySerialControllerCondition) {
    const std::string guide = Guide();
    int named = 0;
    for (std::int32_t condition = 1; condition < 32; ++condition) {
        std::string text = lbDef::DriverStatusText(condition);
        if (text.starts_with("状態 ")) continue;  // not a condition of this backend
        ++named;
        constexpr std::string_view empty = "「」", elided = "「…」";
        for (size_t at = 0; (at = text.find(empty, at)) != std::string::npos; at += elided.size()) {
            text.replace(at, empty.size(), elided);
        }
        EXPECT_NE(guide.find(text), std::string::npos) << condition << " " << text;
    }
    EXPECT_GE(named, 9);
}

}  // namespace
