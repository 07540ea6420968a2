// Share connections (mpr), volume labels and the messenger service on Win32.
#pragma once

#include "engine/network.h"

namespace dm {

class Win32NetworkAccess : public NetworkAccess {
 public:
  uint32_t AddConnection(const std::string& remote, const std::string& user, const std::string& password) override;
  uint32_t CancelConnection(const std::string& remote) override;
  uint32_t VolumeLabel(const std::string& root, std::string& label) override;
  NotifyResult SendNotice(const std::string& recipient, const std::string& message) override;
};

// True when the program runs on Wine rather than on Windows.
bool RunningOnWine();

}  // namespace dm
