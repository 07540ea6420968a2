#include "app/options/win/registry_store.h"

#include <utility>
#include <vector>

#include "base/win/handles.h"
#include "base/win/wide.h"

namespace dm {

namespace {

class RegistryKey : public OptionKey {
 public:
  explicit RegistryKey(RegistryKeyHandle key) : key_(std::move(key)) {}

  std::optional<int> ReadInteger(const std::string& name) override {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    LSTATUS result = RegQueryValueExW(key_.Get(), Utf8ToWide(name).c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(&value), &size);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return static_cast<int>(value);
  }

  std::optional<std::string> ReadText(const std::string& name) override {
    const std::wstring wideName = Utf8ToWide(name);
    // The value may change between asking its size and reading it; a few
    // tries settle that.
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD type = 0;
      DWORD size = 0;
      LSTATUS result = RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &type, nullptr, &size);
      if (result == ERROR_FILE_NOT_FOUND) return std::string();
      if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
      std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
      DWORD capacity = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
      result = RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(buffer.data()), &capacity);
      if (result == ERROR_MORE_DATA) continue;
      if (result == ERROR_FILE_NOT_FOUND) return std::string();
      if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
      // The stored text may or may not carry its terminating zero.
      std::wstring text(buffer.data(), capacity / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      return WideToUtf8(text);
    }
    return std::nullopt;
  }

  bool WriteInteger(const std::string& name, int value) override {
    DWORD data = static_cast<DWORD>(value);
    return RegSetValueExW(key_.Get(), Utf8ToWide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
  }

  bool WriteText(const std::string& name, const std::string& value) override {
    std::wstring text = Utf8ToWide(value);
    DWORD size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key_.Get(), Utf8ToWide(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()), size) == ERROR_SUCCESS;
  }

 private:
  RegistryKeyHandle key_;
};

}  // namespace

RegistryHive::RegistryHive(HKEY root, std::string subkey) : root_(root), subkey_(Utf8ToWide(subkey)) {}

bool RegistryHive::HasKey() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root_, subkey_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::unique_ptr<OptionKey> RegistryHive::OpenKey() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root_, subkey_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return std::make_unique<RegistryKey>(RegistryKeyHandle(key));
}

std::unique_ptr<OptionKey> RegistryHive::CreateKey() {
  HKEY key = nullptr;
  lastCreateResult_ = RegCreateKeyExW(root_, subkey_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
  if (lastCreateResult_ != ERROR_SUCCESS) return nullptr;
  return std::make_unique<RegistryKey>(RegistryKeyHandle(key));
}

RegistryOptionStore::RegistryOptionStore(std::string subkey)
    : machine_(HKEY_LOCAL_MACHINE, subkey), user_(HKEY_CURRENT_USER, subkey), store_(machine_, user_) {}

}  // namespace dm
