// The interface option of the program being built: its target sets TQ58_INTERFACE_KEY and
// TQ58_INTERFACE_DEFAULT (tq58_choose_interface), and its backend gives the functions.
#pragma once

#ifdef TQ58_INTERFACE_KEY
#include "app/interface_choice.h"
#include "session/backend.h"
#include "session/chosen_interface.h"

namespace app {

inline InterfaceOption ProgramInterfaceOption() {
    InterfaceOption option{TQ58_INTERFACE_KEY,    TQ58_INTERFACE_DEFAULT, &lbDef::ChooseInterface,
                           &lbDef::InterfaceName, &lbDef::InterfaceNote,  &lbDef::DriverStatusText};
    if (lbDef::DriverLibraryName().empty()) option.statusLabel = {};  // a port, not a driver
    return option;
}

}  // namespace app
#endif
