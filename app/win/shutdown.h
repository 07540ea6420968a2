// Shutting the computer down after a backup run.
#pragma once

#include "app/shell/message_service.h"

namespace dm {

// Enables the shutdown privilege, shuts down with power-off (forced) and
// disables the privilege again; every failure is shown in a message box
// (caption "Drovenmark", no icon) through `messages`.
void ShutdownSystem(MessageService& messages);

}  // namespace dm
