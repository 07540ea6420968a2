#include "app/options/option_store.h"

namespace dm {

std::unique_ptr<OptionKey> MachineOrUserStore::OpenForReading() {
  lastPlace_ = Place::kNone;
  if (user_.HasKey()) {
    if (auto key = user_.OpenKey()) {
      lastPlace_ = Place::kUser;
      return key;
    }
  }
  if (auto key = machine_.OpenKey()) {
    lastPlace_ = Place::kMachine;
    return key;
  }
  return nullptr;
}

std::unique_ptr<OptionKey> MachineOrUserStore::OpenForWriting() {
  lastPlace_ = Place::kNone;
  if (!user_.HasKey()) {
    if (auto key = machine_.CreateKey()) {
      lastPlace_ = Place::kMachine;
      return key;
    }
  }
  if (auto key = user_.CreateKey()) {
    lastPlace_ = Place::kUser;
    return key;
  }
  return nullptr;
}

}  // namespace dm
