// The log files of one folder (the program's) through the wide file
// functions.
#pragma once

#include <string>

#include "logview/log_view_model.h"

namespace dm {

class Win32LogFolder : public LogFolder {
 public:
  // `folder` ends with a path delimiter.
  explicit Win32LogFolder(std::string folder) : folder_(std::move(folder)) {}

  std::vector<std::string> LogFileNames() override;
  std::optional<std::string> Read(const std::string& fileName) override;
  bool Delete(const std::string& fileName) override;

 private:
  std::string folder_;
};

}  // namespace dm
