// One of the programs: the window, over the backend this program was linked with.
#include <QApplication>

#include "app/qt/form1.h"
#include "app/qt/program_arguments.h"
#ifdef TQ58_INTERFACE_KEY
#include <iostream>
#include <string>
#include <vector>

#include "app/interface_choice.h"
#include "app/program_interface_option.h"
#include "app/qt/message_box_notifier.h"
#include "platform/program_folder.h"
#endif

int main(int argc, char** argv) {
    ProgramArguments arguments(argc, argv);
    QApplication application(arguments.count(), arguments.values());
#ifdef TQ58_INTERFACE_KEY
    // This program's user chooses the interface; one that cannot be used starts nothing.
    const app::InterfaceOption option = app::ProgramInterfaceOption();
    const std::vector<std::string> given(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (const std::string refusal =
            app::TakeInterfaceChoice(given, option, platform::SettingsFile());
        !refusal.empty()) {
        std::cerr << refusal << "\n";
        MessageBoxNotifier(nullptr).Tell(refusal);
        return 2;
    }
#endif
    Form1 form;
#ifdef TQ58_INTERFACE_KEY
    form.ShowStatus(app::InterfaceStatus());
#endif
    form.show();
    return application.exec();
}
