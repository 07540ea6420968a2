#include "app/options/memory_store.h"

namespace dm {

namespace {

class MemoryKey : public OptionKey {
 public:
  explicit MemoryKey(MemoryHive& hive) : hive_(hive) {}

  std::optional<int> ReadInteger(const std::string& name) override {
    auto it = hive_.values.find(name);
    if (it == hive_.values.end() || it->second.type != StoredValue::kInteger) return std::nullopt;
    return it->second.integer;
  }
  std::optional<std::string> ReadText(const std::string& name) override {
    auto it = hive_.values.find(name);
    if (it == hive_.values.end()) return std::string();
    if (it->second.type != StoredValue::kText) return std::nullopt;
    return it->second.text;
  }
  bool WriteInteger(const std::string& name, int value) override {
    hive_.SetInteger(name, value);
    hive_.writes.push_back(name);
    return true;
  }
  bool WriteText(const std::string& name, const std::string& value) override {
    hive_.SetText(name, value);
    hive_.writes.push_back(name);
    return true;
  }

 private:
  MemoryHive& hive_;
};

}  // namespace

std::unique_ptr<OptionKey> MemoryHive::OpenKey() {
  if (!exists) return nullptr;
  return std::make_unique<MemoryKey>(*this);
}

std::unique_ptr<OptionKey> MemoryHive::CreateKey() {
  if (refusesWrites) return nullptr;
  exists = true;
  return std::make_unique<MemoryKey>(*this);
}

void MemoryHive::SetInteger(const std::string& name, int value) {
  exists = true;
  values[name] = StoredValue{StoredValue::kInteger, value, {}};
}

void MemoryHive::SetText(const std::string& name, const std::string& value) {
  exists = true;
  values[name] = StoredValue{StoredValue::kText, 0, value};
}

void MemoryHive::SetOther(const std::string& name) {
  exists = true;
  values[name] = StoredValue{StoredValue::kOther, 0, {}};
}

}  // namespace dm
