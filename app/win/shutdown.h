// Shutting the computer down after a backup run.
#pragma once

namespace dm {

// Enables the shutdown privilege, shuts down with power-off (forced) and
// disables the privilege again; every failure is shown in a message box.
void ShutdownSystem();

}  // namespace dm
