// The last guard of an unattended run: a box that some code shows by itself
// (a library's own, while it loads) would still wait for a person. While the
// guard lives, every dialog box that the thread shows is answered with its
// default button as soon as it is up, and its text goes to the message
// service (the day's log) first.
#pragma once

#include <windows.h>

#include <set>

#include "app/shell/message_service.h"

namespace dm {

class UnattendedBoxGuard {
 public:
  // Guards the calling thread; one guard per thread.
  explicit UnattendedBoxGuard(MessageService& messages);
  ~UnattendedBoxGuard();
  UnattendedBoxGuard(const UnattendedBoxGuard&) = delete;
  UnattendedBoxGuard& operator=(const UnattendedBoxGuard&) = delete;

 private:
  static LRESULT CALLBACK OnWindowEvent(int code, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK HelperProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void Answer(HWND box);

  MessageService& messages_;
  HHOOK hook_ = nullptr;
  // Receives "answer this box" once the box's own loop runs: by then its
  // texts are in place and its default button has the focus.
  HWND helper_ = nullptr;
  std::set<HWND> seen_;  // boxes answered or about to be
};

}  // namespace dm
