// What the engine asks of the volume holding a backup folder: whether its
// recycle bin takes what mirroring deletes, and its file system. Asked once
// per job at most, never per file.
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>

#include "base/paths.h"
#include "base/win/wide.h"
#include "engine/win32/win32_file_system.h"

namespace dm {

namespace {

// The root of the volume holding a folder ("E:\", "C:\mnt\stick\",
// "\\server\share\"); the drive or share part where the system cannot say.
std::wstring VolumeRootOf(const std::string& folder) {
  std::string plain = NormalizedPath(folder);
  std::wstring wide = Utf8ToWide(plain);
  if (wide.size() < MAX_PATH) {
    wchar_t root[MAX_PATH + 1] = {};
    if (GetVolumePathNameW(wide.c_str(), root, MAX_PATH + 1)) return root;
  }
  return Utf8ToWide(VolumeRoot(plain));
}

std::optional<uint32_t> RegistryNumber(HKEY hive, const wchar_t* key, const wchar_t* value) {
  DWORD number = 0;
  DWORD size = sizeof number;
  if (RegGetValueW(hive, key, value, RRF_RT_REG_DWORD, nullptr, &number, &size) != ERROR_SUCCESS) return std::nullopt;
  return number;
}

// A policy set for the machine outweighs the user's.
std::optional<uint32_t> PolicyNumber(const wchar_t* value) {
  const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
  if (auto machine = RegistryNumber(HKEY_LOCAL_MACHINE, key, value)) return machine;
  return RegistryNumber(HKEY_CURRENT_USER, key, value);
}

// The "{GUID}" the volume's own bin settings are kept under.
std::wstring VolumeGuid(const std::wstring& root) {
  wchar_t name[64] = {};
  if (!GetVolumeNameForVolumeMountPointW(root.c_str(), name, 64)) return {};
  std::wstring text = name;  // "\\?\Volume{...}\"
  size_t open = text.find(L'{');
  size_t close = text.find(L'}');
  if (open == std::wstring::npos || close == std::wstring::npos || close < open) return {};
  return text.substr(open, close - open + 1);
}

}  // namespace

RecycleBinInfo Win32FileSystem::RecycleBinOf(const std::string& folder) {
  std::wstring root = VolumeRootOf(folder);
  RecycleBinFacts facts;
  facts.unc = root.rfind(L"\\\\", 0) == 0;
  facts.driveType = static_cast<int>(GetDriveTypeW(root.c_str()));
  if (facts.unc || facts.driveType != kDriveFixed) return RecycleBinFrom(facts);

  // A drive without media must fail here, not ask the user to insert one.
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  SHQUERYRBINFO query = {};
  query.cbSize = sizeof query;
  facts.shellHasBin = SUCCEEDED(SHQueryRecycleBinW(root.c_str(), &query));
  ULARGE_INTEGER total = {};
  if (GetDiskFreeSpaceExW(root.c_str(), nullptr, &total, nullptr)) facts.volumeBytes = total.QuadPart;
  SetErrorMode(previous);

  facts.policyNoRecycle = PolicyNumber(L"NoRecycleFiles").value_or(0) != 0;
  facts.policyPercent = PolicyNumber(L"RecycleBinSize");
  std::wstring guid = VolumeGuid(root);
  if (!guid.empty()) {
    std::wstring key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\BitBucket\\Volume\\" + guid;
    facts.nukeOnDelete = RegistryNumber(HKEY_CURRENT_USER, key.c_str(), L"NukeOnDelete");
    facts.maxCapacityMb = RegistryNumber(HKEY_CURRENT_USER, key.c_str(), L"MaxCapacity");
  }
  return RecycleBinFrom(facts);
}

std::string Win32FileSystem::VolumeFileSystem(const std::string& path) {
  std::wstring root = VolumeRootOf(path);
  wchar_t name[MAX_PATH + 1] = {};
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  BOOL ok = GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1);
  SetErrorMode(previous);
  return ok ? WideToUtf8(name) : std::string();
}

}  // namespace dm
