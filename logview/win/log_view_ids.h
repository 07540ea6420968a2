// Control identifiers of the log viewer, shared with the tests that drive
// it from outside.
#pragma once

namespace dm::logview {

enum LogViewControl : int {
  Button1 = 1,  // IDOK: "閉じる"
  ButtonDel = 1101,
  CheckBoxErrorOnly,
  ListView1,  // the lines of the chosen day
  ListView2,  // the days
};

}  // namespace dm::logview
