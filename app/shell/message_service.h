// The program's message boxes, all with the caption "Drovenmark". A program
// started to run unattended ("-h") must never wait for a person: there every
// box becomes an error line of the day's log and takes its default answer.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "backupset/set_file_services.h"

namespace dm {

enum class BoxIcon { kWarning, kQuestion, kInformation, kNone };
enum class BoxButtons { kOk, kYesNo, kYesNoCancel };
enum class BoxAnswer { kOk, kYes, kNo, kCancel };

struct BoxRequest {
  std::string text;
  BoxIcon icon = BoxIcon::kWarning;
  BoxButtons buttons = BoxButtons::kOk;
  // The box's default button: what Enter answers, and what a program nobody
  // watches answers by itself.
  BoxAnswer defaultAnswer = BoxAnswer::kOk;
  MessageBoxes::Owner owner = MessageBoxes::Owner::kNone;
};

// Serves the set file's warnings too, so a load or save of an unattended
// run never shows one either.
class MessageService : public MessageBoxes {
 public:
  virtual BoxAnswer Show(const BoxRequest& box) = 0;
  // Boxes answered without a person so far (each left an error line).
  virtual int AnsweredUnattended() const { return 0; }

  void Warning(const std::string& text, Owner owner) final {
    Show({text, BoxIcon::kWarning, BoxButtons::kOk, BoxAnswer::kOk, owner});
  }
};

// A box's text as one log line: every run of line breaks becomes one blank,
// and breaks at either end are dropped.
std::string OneLineText(std::string_view text);

// The service of a program nobody watches.
class UnattendedMessages : public MessageService {
 public:
  // Writes one error line (kind 1, title "エラー") to the day's log, whatever
  // level the log is kept at: the log is the only place a person will look.
  using ErrorLineWriter = std::function<void(const std::string& text)>;
  explicit UnattendedMessages(ErrorLineWriter write) : write_(std::move(write)) {}

  BoxAnswer Show(const BoxRequest& box) override;
  int AnsweredUnattended() const override { return answered_; }

 private:
  ErrorLineWriter write_;
  int answered_ = 0;
};

}  // namespace dm
