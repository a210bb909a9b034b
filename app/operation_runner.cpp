#include "app/operation_runner.h"

#include "app/csv_file.h"
#include "app/interface_choice.h"
#include "app/layout.h"
#include "app/numeric_value.h"
#include "app/operation_context.h"
#include "app/operations.h"
#include "app/outcome.h"
#include "app/utf8_text.h"
#include "platform/driver_library.h"
#include "session/backend.h"

namespace app {

namespace {

std::string_view ButtonName(OperationKind kind) {
    switch (kind) {
        case OperationKind::InstantaneousReadout:
            return "run0";
        case OperationKind::MassMemoryDownload:
            return "run1";
        case OperationKind::SecondaryProcessingDownload:
            return "run2";
        case OperationKind::MassMemoryErase:
            return "run3";
    }
    return "";
}

enum class Width { Int16, Int32, Int16Unrounded };

// The message for the first setting that does not fit its type, or empty.
std::string FirstRefusal(const Window& window,
                         std::initializer_list<std::pair<std::string_view, Width>> settings) {
    for (const auto& [control, width] : settings) {
        const std::string text = window.Text(control);
        const double value = NumericValue(text);
        switch (width) {
            case Width::Int16:
                if (!ToInt16(value)) {
                    return OutOfRangeMessage(control, text, kInt16Lowest, kInt16Highest);
                }
                break;
            case Width::Int32:
                if (!ToInt32(value)) {
                    return OutOfRangeMessage(control, text, kInt32Lowest, kInt32Highest);
                }
                break;
            case Width::Int16Unrounded:
                if (!(value >= kInt16Lowest && value <= kInt16Highest)) {
                    return OutOfRangeMessage(control, text, kInt16Lowest, kInt16Highest);
                }
                break;
        }
    }
    return {};
}

}  // namespace

std::string OperationName(OperationKind kind) {
    return std::string(FindControl(ButtonName(kind))->text);
}

std::string SettingsRefusal(OperationKind kind, const Window& window) {
    const auto common = {std::pair{control::kGpibAddress, Width::Int16},
                         std::pair{control::kWait, Width::Int32}};
    if (std::string refusal = FirstRefusal(window, common); !refusal.empty()) return refusal;
    switch (kind) {
        case OperationKind::InstantaneousReadout:
            return {};
        case OperationKind::MassMemoryDownload:
            // Used unrounded, but held to the range every address setting has.
            return FirstRefusal(window, {{control::kFirstAddress, Width::Int16Unrounded},
                                         {control::kLastAddress, Width::Int16Unrounded}});
        case OperationKind::SecondaryProcessingDownload:
        case OperationKind::MassMemoryErase:
            return FirstRefusal(window, {{control::kFirstAddress, Width::Int16},
                                         {control::kLastAddress, Width::Int16}});
    }
    return {};
}

void OperationRunner::Run(OperationKind kind) {
    const std::string name = OperationName(kind);
    if (running_) {
        window_.ShowStatus({BusyText(name)});
        return;
    }
    if (const std::string refusal = SettingsRefusal(kind, window_); !refusal.empty()) {
        notifier_.Tell(refusal + "\n「" + name + "」は実行しませんでした。");
        window_.ShowStatus({StatusText(name, kStatusRefused), refusal});
        return;
    }

    running_ = true;
    // Whatever ends this call, an exception out of a close or the notifier included, the
    // next click is accepted.
    struct RunningReset {
        bool& running;
        ~RunningReset() { running = false; }
    } runningReset{running_};

    window_.ShowProgress(0, 0);
    window_.ShowStatus({WithInterface(StatusText(name, kStatusRunning))});
    OperationContext operation(window_, files_);
    const Ending ending = RunToEnding(kind, operation);
    window_.ShowProgress(0, 0);

    Status status{StatusText(name, ending.word), ending.message};
    if (ending.message.empty()) status.details = operation.tally().Details();
    if (const std::string named = InterfaceText(); !named.empty()) {
        status.details += (status.details.empty() ? "" : "\n") + named;
    }
    std::string message = ending.message;
    FinishFile(operation, name, ending, status, message);
    status.summary = WithInterface(status.summary);
    window_.ShowStatus(status);
    if (ending.tellUser && !message.empty()) {
        notifier_.Tell(message + (ending.ranToEnd ? "" : "\n「" + name + "」を中止しました。"));
    }
}

OperationRunner::Ending OperationRunner::RunToEnding(OperationKind kind,
                                                     OperationContext& operation) {
    // A driver function that cannot be bound raises here again; the operation is stopping
    // already, and its stop is what the user is told.
    const auto closeSession = [&] {
        try {
            operation.EndModeAtOnce();
        } catch (const platform::BindingError&) {
        }
        try {
            operation.CloseIfOpen();
        } catch (const platform::BindingError&) {
        }
    };
    try {
        switch (kind) {
            case OperationKind::InstantaneousReadout:
                RunInstantaneousReadout(operation);
                break;
            case OperationKind::MassMemoryDownload:
                RunMassMemoryDownload(operation, outputFolder_);
                break;
            case OperationKind::SecondaryProcessingDownload:
                RunSecondaryProcessingDownload(operation, outputFolder_);
                break;
            case OperationKind::MassMemoryErase:
                RunMassMemoryErase(operation);
                break;
        }
        return Ending(operation.tally().Word(), {}, true, true);
    } catch (const OperationStopped& stop) {
        closeSession();
        switch (stop.reason()) {
            case StopReason::BoardNotOpened:
                return {std::string(kStatusNotOpened),
                        stop.what() + ("\n" + BoardNotOpenedHint(lbDef::DriverLibraryName())),
                        false, true};
            case StopReason::NoAnswer:
                return {std::string(kStatusNoAnswer), stop.what() + ("\n" + AnalyzerSilentHint()),
                        false, true};
            case StopReason::BoardLost:
                return {std::string(kStatusBoardLost), stop.what() + ("\n" + BoardLostHint()),
                        false, true};
            case StopReason::Setting:
            case StopReason::WindowClosed:
                break;
        }
        return {std::string(kStatusStopped), stop.what(), false, !stop.byClose()};
    } catch (const platform::BindingError& error) {
        closeSession();
        return {std::string(kStatusDriverMissing),
                "ドライバ「" + error.library() + "」の関数「" + error.function() +
                    "」を使えません。" + DriverMissingHint(error.library()) + "\n" + error.what(),
                false, true};
    } catch (const FileBusy& busy) {
        Ending ending{std::string(kStatusBusy), BusyFileText(busy.path(), busy.holder()), false,
                      true};
        ending.fileError = busy.what();
        return ending;
    } catch (const FileError& error) {
        closeSession();
        Ending ending{std::string(kStatusStopped),
                      std::string("ファイルを作成または書き込みできません。\n") + error.what(),
                      false, true};
        ending.fileError = error.what();
        return ending;
    } catch (const std::exception& error) {
        closeSession();
        return {std::string(kStatusStopped),
                std::string("予期しないエラーで中止しました: ") + error.what(), false, true};
    }
}

void OperationRunner::FinishFile(OperationContext& operation, const std::string& name,
                                 const Ending& ending, Status& status, std::string& message) {
    CsvFile* file = operation.file();
    if (file == nullptr) return;
    const std::filesystem::path target = file->target();
    status.folder = target.parent_path();
    // Into the details; into the message too when there is one, or when the user must know.
    const auto tell = [&](const std::string& text, bool mustKnow) {
        status.details += (status.details.empty() ? "" : "\n") + text;
        if (!message.empty() || mustKnow) message += (message.empty() ? "" : "\n") + text;
    };
    // A file that failed while the download wrote it is not put in place.
    const FileEnd end = ending.fileError.empty() ? operation.FinishFile(ending.ranToEnd)
                                                 : operation.KeepOrDiscardFile();
    switch (end.kind) {
        case FileEnd::Kind::InPlace:
            status.folderLine = SavedInText(status.folder);
            break;
        case FileEnd::Kind::Kept:
            status.folderLine = SavedAsideText(end.keptAt);
            if (!end.problem.empty()) {
                if (ending.ranToEnd) status.summary += "（" + std::string(kStatusSavedAside) + "）";
                tell("以前のファイルを置き換えられません。\n" + end.problem, true);
            }
            tell(DataKeptText(end.keptAt, file->TargetExists()), !end.problem.empty());
            break;
        case FileEnd::Kind::Discarded:
        case FileEnd::Kind::None:
            status.folderLine = KeptInText(status.folder);
            if (ending.ranToEnd && operation.tally().failures() > 0) {
                status.summary = StatusText(name, kStatusNothingReceived);
            }
            if (ending.fileError.empty()) tell(FileKeptText(target), false);
            break;
    }
    if (!file->earlierKeptAs().empty()) {
        // On the folder row, whose end stays in view when the row is elided: the summary has no
        // room left after a stop's word.
        status.folderLine += "（" + std::string(kStatusEarlierPartialKept) + "）";
        status.details += (status.details.empty() ? "" : "\n") +
                          EarlierPartialKeptText(file->partialPath(), file->earlierKeptAs());
    }
}

}  // namespace app
