// The setting editor's identifiers for the DPI layout test (see there).
#include "backupset/win/folder_setting_ids.h"

namespace dm {

unsigned EditorShowPageMessage() { return kFolderSettingShowPage; }

}  // namespace dm
