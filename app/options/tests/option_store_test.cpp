#include <gtest/gtest.h>

#include "app/options/memory_store.h"

namespace dm {
namespace {

using Place = MachineOrUserStore::Place;

TEST(MachineOrUserStore, ReadsAndWritesMeetInOneKey) {
  struct Case {
    const char* what;
    bool machineKey, machineRefuses, userKey, userRefuses;
    Place read, write;
  } cases[] = {
      {"first start, administrator", false, false, false, false, Place::kNone, Place::kMachine},
      {"machine key, administrator", true, false, false, false, Place::kMachine, Place::kMachine},
      {"first start, standard user", false, true, false, false, Place::kNone, Place::kUser},
      {"machine key, standard user", true, true, false, false, Place::kMachine, Place::kUser},
      // Once a user has a copy it is theirs, even where the machine key is writable.
      {"user copy, administrator", true, false, true, false, Place::kUser, Place::kUser},
      {"nothing writable", true, true, false, true, Place::kMachine, Place::kNone},
  };
  for (const Case& c : cases) {
    MemoryHive machine, user;
    machine.exists = c.machineKey, machine.refusesWrites = c.machineRefuses;
    user.exists = c.userKey, user.refusesWrites = c.userRefuses;
    MachineOrUserStore store(machine, user);
    EXPECT_EQ(store.OpenForReading() != nullptr, c.read != Place::kNone) << c.what;
    EXPECT_EQ(store.LastPlace(), c.read) << c.what;
    EXPECT_EQ(store.OpenForWriting() != nullptr, c.write != Place::kNone) << c.what;
    EXPECT_EQ(store.LastPlace(), c.write) << c.what;
  }
}

}  // namespace
}  // namespace dm
