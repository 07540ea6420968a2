// The options in the Windows registry: REG_DWORD for integers, REG_SZ for
// texts (UTF-16 through the wide functions, so Japanese text survives).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/options/option_store.h"

namespace dm {

// The options key below one registry root.
class RegistryHive : public OptionHive {
 public:
  // root: a predefined key (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER) or an
  // open key the caller keeps open; subkey: the path below it.
  RegistryHive(HKEY root, std::string subkey);

  bool HasKey() override;
  std::unique_ptr<OptionKey> OpenKey() override;
  std::unique_ptr<OptionKey> CreateKey() override;

  // The system's answer to the last CreateKey (ERROR_SUCCESS or, for a
  // standard user on the machine root, ERROR_ACCESS_DENIED).
  LSTATUS LastCreateResult() const { return lastCreateResult_; }

 private:
  HKEY root_;
  std::wstring subkey_;
  LSTATUS lastCreateResult_ = ERROR_SUCCESS;
};

// The program's options: machine-wide in HKEY_LOCAL_MACHINE, with a copy
// per user in HKEY_CURRENT_USER where the machine-wide key cannot be
// written (MachineOrUserStore has the rule).
class RegistryOptionStore : public OptionStore {
 public:
  explicit RegistryOptionStore(std::string subkey = kOptionsKeyPath);

  std::unique_ptr<OptionKey> OpenForReading() override { return store_.OpenForReading(); }
  std::unique_ptr<OptionKey> OpenForWriting() override { return store_.OpenForWriting(); }
  MachineOrUserStore::Place LastPlace() const { return store_.LastPlace(); }

 private:
  RegistryHive machine_;
  RegistryHive user_;
  MachineOrUserStore store_;
};

}  // namespace dm
