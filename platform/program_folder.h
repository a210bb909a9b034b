#pragma once

#include <filesystem>

namespace platform {

// The folder that holds the running program, where the downloads write their files.
std::filesystem::path ProgramFolder();

}  // namespace platform
