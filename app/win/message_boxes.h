// The program's message boxes on Win32, and the unattended service that
// writes them into the day's log instead.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/shell/message_service.h"

namespace dm {

// MessageBoxW with the caption "Drovenmark", owned by nothing or by the main
// window that `mainWindow` names when the box comes.
class Win32MessageService : public MessageService {
 public:
  explicit Win32MessageService(std::function<HWND()> mainWindow = {}) : mainWindow_(std::move(mainWindow)) {}
  BoxAnswer Show(const BoxRequest& box) override;

 private:
  std::function<HWND()> mainWindow_;
};

// Appends one line to today's log in the program's folder. A log that
// cannot be opened gets nothing: there is no other place left to tell.
void WriteDayLogLine(int kind, const std::string& title, const std::string& text);
// An error line (kind 1, title "エラー").
void WriteDayLogErrorLine(const std::string& text);

// The boxes of a program that shows its window, or, when it runs
// unattended, the day's log in their place.
std::unique_ptr<MessageService> MakeMessageService(bool unattended, std::function<HWND()> mainWindow = {});

}  // namespace dm
