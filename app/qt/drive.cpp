// Drives a program's window off screen through a mass memory download against whatever driver
// library the search path offers (the run script offers the simulated bench), then prints the
// file's path and first lines and the status line, and saves a screenshot of the window beside
// the file. The window picks its folder as the program does, so the release check runs this from
// a folder its user cannot write, unless a first argument names the folder to write into (the
// guide's picture shows a documents folder, as a user's window does). Built for the scripts only.
//   <program>-drive [FOLDER] [--KEY VALUE]
// A program whose user chooses the interface takes its option here too (the run script names
// the simulated controller's port: --port /dev/pts/3), with the settings file and the default
// after it, as the program does; a choice it cannot use ends the drive before the window opens.
#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/csv_file.h"
#include "app/qt/form1.h"
#include "app/qt/program_arguments.h"
#include "platform/codepage932.h"
#include "platform/program_folder.h"
#ifdef TQ58_INTERFACE_KEY
#include "app/interface_choice.h"
#include "app/program_interface_option.h"
#endif

namespace {

class PrintingNotifier : public app::Notifier {
  public:
    void Tell(const std::string& message) override { std::cerr << message << "\n"; }
};

// The window, with the latest status line kept whole: the label elides what does not fit.
class DrivenForm : public Form1 {
  public:
    using Form1::Form1;
    void ShowStatus(const app::Status& status) override {
        summary_ = status.summary;
        Form1::ShowStatus(status);
    }
    const std::string& summary() const { return summary_; }

  private:
    std::string summary_;
};

}  // namespace

int main(int argc, char** argv) {
    ProgramArguments arguments(argc, argv);
    QApplication application(arguments.count(), arguments.values());
    // A first argument that is not an option names the folder; the rest is the program's own.
    const bool folderGiven = argc > 1 && !std::string(argv[1]).starts_with("--");
    const std::filesystem::path folder =
        folderGiven ? std::filesystem::path(argv[1]) : platform::OutputFolder();
    const std::vector<std::string> options(argv + std::min(argc, folderGiven ? 2 : 1), argv + argc);
#ifdef TQ58_INTERFACE_KEY
    const app::InterfaceOption option = app::ProgramInterfaceOption();
    if (const std::string refusal =
            app::TakeInterfaceChoice(options, option, platform::SettingsFile());
        !refusal.empty()) {
        std::cerr << refusal << "\n";
        return 2;
    }
#else
    if (!options.empty()) {
        std::cerr << "This program takes no options: " << options.front() << "\n";
        return 2;
    }
#endif
    PrintingNotifier notifier;
    DrivenForm form(&notifier, folder);
#ifdef TQ58_INTERFACE_KEY
    form.ShowStatus(app::InterfaceStatus());
#endif
    form.show();
    QApplication::processEvents();

    static_cast<QPushButton*>(form.Control("run1"))->click();
    QApplication::processEvents();

    const auto csv = folder / app::kMassMemoryFileName;
    std::cout << "Mass memory file: " << reinterpret_cast<const char*>(csv.u8string().c_str())
              << "\n";
    std::ifstream file(csv, std::ios::binary);
    std::string line;
    int lines = 0;
    for (; std::getline(file, line) && lines < 5; ++lines) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::cout << "  " << platform::Cp932ToUtf8(line) << "\n";
    }
    if (lines == 0) {
        std::cout << "  (the file is empty)\n";
    }
    std::cout << "Status: " << form.summary() << "\n";

    // Named after the program: <program>-drive takes its screenshot as <program>.png.
    std::string program = std::filesystem::path(argv[0]).filename().string();
    if (const auto suffix = program.rfind("-drive"); suffix != std::string::npos) {
        program.erase(suffix);
    }
    const auto screenshot = folder / (program + ".png");
    const bool saved = form.grab().save(QString::fromStdString(screenshot.string()));
    std::cout << "Screenshot: " << (saved ? screenshot.string() : "not saved") << "\n";
    return lines > 0 && saved ? 0 : 1;
}
