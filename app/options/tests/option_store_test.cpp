#include <gtest/gtest.h>

#include "app/options/app_options.h"
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
      {"user copy, standard user", true, true, true, false, Place::kUser, Place::kUser},
      {"nothing writable", true, true, false, true, Place::kMachine, Place::kNone},
  };
  for (const Case& c : cases) {
    MemoryHive machine, user;
    machine.exists = c.machineKey;
    machine.refusesWrites = c.machineRefuses;
    user.exists = c.userKey;
    user.refusesWrites = c.userRefuses;
    MachineOrUserStore store(machine, user);
    EXPECT_EQ(store.OpenForReading() != nullptr, c.read != Place::kNone) << c.what;
    EXPECT_EQ(store.LastPlace(), c.read) << c.what;
    EXPECT_EQ(store.OpenForWriting() != nullptr, c.write != Place::kNone) << c.what;
    EXPECT_EQ(store.LastPlace(), c.write) << c.what;
  }
}

// A standard user on a machine where the options were written by an
// administrator: the first save goes to the user's copy, and the next start
// reads the changes from there.
TEST(MachineOrUserStore, AStandardUsersChangesSurviveTheRestart) {
  const LoadContext context{.currentDirectory = "C:\\dm", .screenWidth = 800, .screenHeight = 600};
  MemoryHive machine, user;
  {
    MachineOrUserStore admin(machine, user);
    AppOptions o = DefaultAppOptions(context);
    o.optionLogViewMax = 250;
    ASSERT_TRUE(SaveOptions(o, admin, false));
  }
  machine.refusesWrites = true;
  machine.writes.clear();
  MachineOrUserStore store(machine, user);
  AppOptions o = LoadOptions(store, context);
  EXPECT_EQ(o.optionLogViewMax, 250);
  o.optionFileWatch = 1;
  ASSERT_TRUE(SaveOptions(o, store, false));
  EXPECT_TRUE(machine.writes.empty());
  EXPECT_EQ(user.writes.size(), 38u);

  AppOptions again = LoadOptions(store, context);
  EXPECT_EQ(store.LastPlace(), Place::kUser);
  EXPECT_EQ(again, o);
}

TEST(MachineOrUserStore, SavingWithNoWritablePlaceReportsIt) {
  MemoryHive machine, user;
  machine.refusesWrites = user.refusesWrites = true;
  MachineOrUserStore store(machine, user);
  bool after = false;
  EXPECT_FALSE(SaveOptions(AppOptions{}, store, false, {nullptr, [&] { after = true; }}));
  EXPECT_TRUE(after);  // the help windows are waited for all the same
}

}  // namespace
}  // namespace dm
