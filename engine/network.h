// What a run asks of the network and the volumes: share connections with
// stored credentials, volume labels, and the messenger pop-up that announces
// runs. The Win32 implementation calls mpr, GetVolumeInformationW and
// NETAPI32.DLL; tests use a fake.
#pragma once

#include <cstdint>
#include <string>

namespace dm {

enum class NotifyResult {
  kSent,
  kFailed,        // the service answered with an error
  kUnavailable,   // no messenger service on this system at all
  kNoLibrary,     // the library or its function is missing: nothing is said
};

class NetworkAccess {
 public:
  virtual ~NetworkAccess() = default;
  // Connects to the share holding `remote` (the whole folder path). 0 or the error code.
  virtual uint32_t AddConnection(const std::string& remote, const std::string& user,
                                 const std::string& password) = 0;
  virtual uint32_t CancelConnection(const std::string& remote) = 0;
  // The label of the volume whose root is `root` ("C:\", "\\server\share\"):
  // 0, or the system's code when it cannot be read.
  virtual uint32_t VolumeLabel(const std::string& root, std::string& label) = 0;
  virtual NotifyResult SendNotice(const std::string& recipient, const std::string& message) = 0;
};

}  // namespace dm
