// TFolderSetting: the modal dialog in which one backup setting is created or
// edited, on four pages. It takes the editor's fields and gives them back on
// OK; its buttons also save the user's defaults (default.dat) and reset it.
#pragma once

#include <windows.h>

#include "backupset/setting_editor.h"

namespace dm {

// Shows the editor centred on `owner` with `fields` (the caption says
// whether a setting is added or edited). True on OK, with `fields` holding
// what was entered; false on Cancel, with `fields` unchanged.
bool ShowFolderSetting(HWND owner, EditorFields& fields, SetFileServices& services);

}  // namespace dm
