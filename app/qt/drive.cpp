// Drives a program's window off screen through a mass memory download against whatever driver
// library the search path offers (the run script offers the simulated bench), then prints the
// file's path and first lines and saves a screenshot of the window beside the file. The window
// picks its folder as the program does, so the release check runs this from a folder its user
// cannot write, unless a first argument names the folder to write into (the guide's picture
// shows a documents folder, as a user's window does). Built for the scripts only.
#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "app/csv_file.h"
#include "app/qt/form1.h"
#include "app/qt/program_arguments.h"
#include "platform/codepage932.h"
#include "platform/program_folder.h"

namespace {

class PrintingNotifier : public app::Notifier {
  public:
    void Tell(const std::string& message) override { std::cerr << message << "\n"; }
};

}  // namespace

int main(int argc, char** argv) {
    ProgramArguments arguments(argc, argv);
    QApplication application(arguments.count(), arguments.values());
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : platform::OutputFolder();
    PrintingNotifier notifier;
    Form1 form(&notifier, folder);
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
