// Options kept in memory: the store for tests and for runs without a
// registry. A MemoryHive is one place; MemoryOptionStore is a single place.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/options/option_store.h"

namespace dm {

struct StoredValue {
  enum Type { kInteger, kText, kOther };  // kOther: e.g. binary data
  Type type = kInteger;
  int integer = 0;
  std::string text;
};

class MemoryHive : public OptionHive {
 public:
  bool HasKey() override { return exists; }
  std::unique_ptr<OptionKey> OpenKey() override;
  std::unique_ptr<OptionKey> CreateKey() override;

  void SetInteger(const std::string& name, int value);
  void SetText(const std::string& name, const std::string& value);
  void SetOther(const std::string& name);  // a value of a type the options never use

  bool exists = false;
  bool refusesWrites = false;  // CreateKey fails, as the machine root does for a standard user
  std::map<std::string, StoredValue> values;
  std::vector<std::string> writes;  // value names, in the order they were written
};

// A store with a single place, read and written alike.
class MemoryOptionStore : public OptionStore {
 public:
  std::unique_ptr<OptionKey> OpenForReading() override { return hive.OpenKey(); }
  std::unique_ptr<OptionKey> OpenForWriting() override { return hive.CreateKey(); }

  MemoryHive hive;
};

}  // namespace dm
