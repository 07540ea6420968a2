#include "app/shell/message_service.h"

namespace dm {

std::string OneLineText(std::string_view text) {
  std::string line;
  bool pending_blank = false;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      pending_blank = !line.empty();
      continue;
    }
    if (pending_blank) line += ' ';
    pending_blank = false;
    line += c;
  }
  return line;
}

BoxAnswer UnattendedMessages::Show(const BoxRequest& box) {
  ++answered_;
  if (write_) write_(OneLineText(box.text));
  return box.defaultAnswer;
}

}  // namespace dm
