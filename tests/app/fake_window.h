// A window for the operations' tests: text boxes and option buttons as the layout starts them,
// captions and status kept for inspection.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/layout.h"
#include "app/window.h"

namespace testing_support {

class FakeWindow : public app::Window {
  public:
    FakeWindow() {
        for (const auto& control : app::WindowLayout()) {
            if (control.kind == app::ControlKind::TextBox)
                texts[std::string(control.name)] = std::string(control.text);
            if (control.kind == app::ControlKind::OptionButton) {
                selected[std::string(control.name)] = control.selected;
            }
        }
    }

    std::string Text(std::string_view textBox) const override {
        return texts.at(std::string(textBox));
    }
    bool Selected(std::string_view button) const override {
        return selected.at(std::string(button));
    }
    void SetCaption(std::string_view label, const std::string& caption) override {
        captions[std::string(label)] = caption;
        captionWrites.push_back(std::string(label) + "=" + caption);
    }
    void ShowProgress(int done, int total) override { progress.emplace_back(done, total); }
    void ShowStatus(const app::Status& shown) override {
        status = shown.summary;
        statusDetails = shown.details;
        if (shown.folderLine.empty()) return;
        statusFolderLine = shown.folderLine;
        statusFolder = shown.folder;
    }
    bool StopRequested() const override { return stopRequested; }

    // Selects one option button of a group, as a click would.
    void Select(const std::string& button, const std::vector<std::string>& group) {
        for (const auto& other : group) selected[other] = false;
        selected[button] = true;
    }

    std::map<std::string, std::string> texts;
    std::map<std::string, bool> selected;
    std::map<std::string, std::string> captions;
    std::vector<std::string> captionWrites;
    std::vector<std::pair<int, int>> progress;
    std::string status;  // the summary
    std::string statusDetails;
    std::string statusFolderLine;
    std::filesystem::path statusFolder;
    bool stopRequested = false;
};

class RecordingNotifier : public app::Notifier {
  public:
    void Tell(const std::string& message) override {
        messages.push_back(message);
        if (throws) throw std::runtime_error("the message could not be shown");
    }
    std::vector<std::string> messages;
    bool throws = false;
};

}  // namespace testing_support
