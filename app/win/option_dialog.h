// TOption: the modal options dialog on three pages ("オプション",
// "オンラインアップデート", "管理者"). It takes the dialog's contents and
// gives them back on OK; the caller takes them over into the options.
#pragma once

#include <windows.h>

#include "app/options/option_fields.h"

namespace dm {

// Shows the dialog centred on `owner` (on the screen while the owner is
// hidden). True on OK, with `fields` holding what was entered; false on
// Cancel, with `fields` unchanged. OK is refused, with a message and the
// field selected, while OptionOkRefusal finds a value it cannot take (the
// schedule's minutes, the status list's line limit).
bool ShowOptionDialog(HWND owner, OptionFields& fields);

}  // namespace dm
