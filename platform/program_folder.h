#pragma once

#include <filesystem>
#include <string>

namespace platform {

// The folder that holds the running program.
std::filesystem::path ProgramFolder();

// The folder the downloads write their files into. On Windows the program's folder: a program
// copied where its user may not write is refused with a message that names the file. On Linux
// the program's folder when its user may write there (a program run from its build tree),
// otherwise TQ58 in the user's documents folder (an installed program in /usr/bin).
std::filesystem::path OutputFolder();

// OutputFolder's choice on Linux, apart from the system it asks. documents: what
// `xdg-user-dir DOCUMENTS` printed, empty when it could not be run; home: $HOME, maybe empty.
std::filesystem::path ChooseOutputFolder(const std::filesystem::path& programFolder,
                                         bool programFolderWritable, std::string documents,
                                         const std::string& home);

// The settings file of the programs that take settings: settings.ini beside the program on
// Windows; on Linux tq58pc/settings.ini in the user's configuration folder.
std::filesystem::path SettingsFile();

// SettingsFile's choice on Linux: configHome is $XDG_CONFIG_HOME, home $HOME (either may be
// empty). Empty when neither names a folder.
std::filesystem::path ChooseSettingsFile(const std::string& configHome, const std::string& home);

}  // namespace platform
