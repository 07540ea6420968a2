#include "engine/win32/win32_file_system.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "base/win/handles.h"
#include "base/win/wide.h"

namespace dm {

namespace {

uint64_t ToTicks(const FILETIME& ft) { return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

FILETIME ToFileTime(uint64_t ticks) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

// The last-write time as a packed DOS date-time in local time.
uint32_t LocalDosTime(const FILETIME& utc) {
  FILETIME local;
  WORD date = 0;
  WORD time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return (static_cast<uint32_t>(date) << 16) | time;
}

void FillEntry(DirEntry& entry, DWORD attributes, DWORD sizeHigh, DWORD sizeLow, const FILETIME& creation,
               const FILETIME& access, const FILETIME& write) {
  entry.attributes = attributes;
  entry.size = (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow;
  entry.times.creation = ToTicks(creation);
  entry.times.lastAccess = ToTicks(access);
  entry.times.lastWrite = ToTicks(write);
  entry.dosTime = LocalDosTime(write);
}

class Win32Listing : public DirectoryListing {
 public:
  // A null handle is a folder without entries (a drive root holding nothing).
  Win32Listing(HANDLE find, const WIN32_FIND_DATAW& first) : find_(find), data_(first), pending_(find != nullptr) {}

  bool Next(DirEntry& entry) override {
    if (!find_) return false;
    if (!pending_ && !FindNextFileW(find_.Get(), &data_)) {
      DWORD error = GetLastError();
      error_ = error == ERROR_NO_MORE_FILES ? 0 : error;
      return false;
    }
    pending_ = false;
    entry.name = WideToUtf8(data_.cFileName);
    FillEntry(entry, data_.dwFileAttributes, data_.nFileSizeHigh, data_.nFileSizeLow, data_.ftCreationTime,
              data_.ftLastAccessTime, data_.ftLastWriteTime);
    // The listing carries the reparse tag of a reparse point: links are
    // told apart from other reparse points without opening them.
    entry.reparseTag = (data_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data_.dwReserved0 : 0;
    return true;
  }
  uint32_t Error() const override { return error_; }

 private:
  FindHandle find_;
  WIN32_FIND_DATAW data_;
  bool pending_;
  uint32_t error_ = 0;
};

// A folder listed through its handle: each entry comes with the file
// system's number for it, so a walk numbers a sub-folder from its parent's
// listing instead of opening it. Read a buffer at a time, as the system
// hands the entries out.
class Win32NumberedListing : public DirectoryListing {
 public:
  // `first` holds the answer to the first query, which OpenListing has made.
  Win32NumberedListing(FileHandle folder, std::vector<uint64_t> first, bool empty)
      : folder_(std::move(folder)), buffer_(std::move(first)), next_(empty ? nullptr : Bytes()), done_(empty) {}

  bool Next(DirEntry& entry) override {
    if (!next_ && !Refill()) return false;
    const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(next_);
    next_ = info->NextEntryOffset ? next_ + info->NextEntryOffset : nullptr;
    entry.name = WideToUtf8(std::wstring(info->FileName, info->FileNameLength / sizeof(WCHAR)));
    FILETIME creation = ToFileTime(info->CreationTime.QuadPart);
    FILETIME access = ToFileTime(info->LastAccessTime.QuadPart);
    FILETIME write = ToFileTime(info->LastWriteTime.QuadPart);
    uint64_t size = static_cast<uint64_t>(info->EndOfFile.QuadPart);
    FillEntry(entry, info->FileAttributes, static_cast<DWORD>(size >> 32), static_cast<DWORD>(size), creation, access,
              write);
    // For a reparse point the system puts its tag where the extended
    // attributes' size would be.
    bool reparse = (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.reparseTag = reparse ? info->EaSize : 0;
    uint64_t number = static_cast<uint64_t>(info->FileId.QuadPart);
    // A link's own number is not its target's; a file system whose ids do
    // not fit 64 bits gives all ones.
    entry.number = (reparse || number == ~0ull) ? 0 : number;
    return true;
  }
  uint32_t Error() const override { return error_; }

  static constexpr DWORD kBufferBytes = 64 * 1024;  // what network redirectors take at most

  // One query into `buffer`: 0, or the system's code.
  static DWORD Query(HANDLE folder, std::vector<uint64_t>& buffer) {
    buffer.resize(kBufferBytes / sizeof(uint64_t));
    if (GetFileInformationByHandleEx(folder, FileIdBothDirectoryInfo, buffer.data(), kBufferBytes)) return 0;
    DWORD error = GetLastError();
    return error == 0 ? ERROR_READ_FAULT : error;
  }

 private:
  const unsigned char* Bytes() const { return reinterpret_cast<const unsigned char*>(buffer_.data()); }

  bool Refill() {
    if (done_) return false;
    DWORD error = Query(folder_.Get(), buffer_);
    if (error != 0) {
      done_ = true;
      error_ = error == ERROR_NO_MORE_FILES ? 0 : error;
      return false;
    }
    next_ = Bytes();
    return true;
  }

  FileHandle folder_;
  std::vector<uint64_t> buffer_;  // 8-byte aligned, as the entries are
  const unsigned char* next_;
  bool done_;
  uint32_t error_ = 0;
};

class Win32AppendFile : public AppendFile {
 public:
  explicit Win32AppendFile(HANDLE file) : file_(file) {}
  bool Write(const std::string& bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD written = 0;
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
      if (!WriteFile(file_.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
      done += written;
    }
    return true;
  }

 private:
  FileHandle file_;
};

struct ProgressContext {
  const CopyProgress* progress;
};

DWORD CALLBACK CopyProgressRoutine(LARGE_INTEGER total, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER,
                                   DWORD, DWORD, HANDLE, HANDLE, LPVOID data) {
  auto* context = static_cast<ProgressContext*>(data);
  bool go_on = (*context->progress)(static_cast<uint64_t>(transferred.QuadPart),
                                    static_cast<uint64_t>(total.QuadPart));
  return go_on ? PROGRESS_CONTINUE : PROGRESS_CANCEL;
}

using CopyFileExWFunction = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPPROGRESS_ROUTINE, LPVOID, LPBOOL, DWORD);

CopyFileExWFunction BoundCopyFileEx() {
  static CopyFileExWFunction bound = reinterpret_cast<CopyFileExWFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CopyFileExW")));
  return bound;
}

// NtQueryInformationFile is in ntdll.dll on every NT system, but not in the
// import libraries of every tool chain: bound by name.
struct IoStatus {
  union {
    LONG status;
    void* pointer;
  };
  ULONG_PTR information;
};
using NtQueryInformationFileFunction = LONG(WINAPI*)(HANDLE, IoStatus*, void*, ULONG, ULONG);
constexpr ULONG kFileInternalInformation = 6;

NtQueryInformationFileFunction BoundNtQueryInformationFile() {
  static NtQueryInformationFileFunction bound = reinterpret_cast<NtQueryInformationFileFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
  return bound;
}

// Opened only to be asked what it is: no read or write access, nothing
// denied to others, and a folder opens only with backup semantics.
HANDLE OpenToIdentify(const std::string& folder) {
  return CreateFileW(NativePath(folder).c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The file system's own number for the file, without the volume: answered
// from the open file, where the volume's serial number makes Wine look the
// volume up on every question (about 3 ms against 0.01 ms).
uint64_t FileNumber(HANDLE file) {
  NtQueryInformationFileFunction query = BoundNtQueryInformationFile();
  if (!query) return 0;
  IoStatus status{};
  LARGE_INTEGER index{};
  if (query(file, &status, &index, sizeof index, kFileInternalInformation) < 0) return 0;
  return static_cast<uint64_t>(index.QuadPart);
}

// The shell's file operation works in MAX_PATH buffers. Given a folder whose
// tree holds a longer path it does not fail cleanly: Wine's version goes on
// with an empty path and deletes the contents of the current directory. So
// the shell only ever sees trees whose every path fits.
constexpr size_t kShellPathLimit = MAX_PATH - 1;

std::wstring WithoutLongPrefix(const std::wstring& native) {
  if (native.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\" + native.substr(7);
  if (native.rfind(L"\\\\?\\", 0) == 0) return native.substr(4);
  return native;
}

// True when the path and everything below it stay within the shell's limit.
bool TreeFitsTheShell(const std::wstring& native, size_t plainLength) {
  if (plainLength >= kShellPathLimit) return false;
  DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;  // the shell removes the link, not its target
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW((native + L"\\*").c_str(), &data));
  if (!find) return true;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (!TreeFitsTheShell(native + L"\\" + name, plainLength + 1 + name.size())) return false;
  } while (FindNextFileW(find.Get(), &data));
  return true;
}

// Deletes a file, or a folder with everything in it, on long paths. A link
// to a folder is removed as a link: what it points to is left alone. The
// tree is walked with a list of its own rather than by recursion, so no
// depth of folders can exhaust the thread's stack.
bool DeleteTree(const std::wstring& top) {
  struct Pending {
    std::wstring path;
    bool emptied;  // its contents are already queued before it
  };
  std::vector<Pending> pending{{top, false}};
  bool ok = true;
  bool first = true;
  while (!pending.empty()) {
    Pending item = std::move(pending.back());
    pending.pop_back();
    DWORD attributes = GetFileAttributesW(item.path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (first) return false;
      ok = false;
      continue;
    }
    first = false;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      SetFileAttributesW(item.path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ok = DeleteFileW(item.path.c_str()) && ok;
      continue;
    }
    if (item.emptied || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      ok = RemoveDirectoryW(item.path.c_str()) && ok;
      continue;
    }
    pending.push_back({item.path, true});
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((item.path + L"\\*").c_str(), &data));
    if (!find) continue;
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L".." || name.empty()) continue;
      pending.push_back({item.path + L"\\" + name, false});
    } while (FindNextFileW(find.Get(), &data));
  }
  return ok;
}

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
         (path.size() >= 3 && path[0] == '\\' && path[1] == '\\');
}

FolderIdentity FullIdentity(HANDLE file) {
  // The 128-bit id with its 64-bit volume number tells folders apart on
  // every file system that gives one (ReFS ids do not fit 64 bits); systems
  // before Windows 8 know only the older 64-bit index.
  struct VolumeAndFileId {
    ULONGLONG volume;
    BYTE id[16];
  } id_info;
  constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
  if (GetFileInformationByHandleEx(file, kFileIdInfo, &id_info, sizeof id_info)) {
    uint64_t low = 0;
    uint64_t high = 0;
    for (int i = 7; i >= 0; --i) low = (low << 8) | id_info.id[i];
    for (int i = 15; i >= 8; --i) high = (high << 8) | id_info.id[i];
    return MakeFolderIdentity(1, id_info.volume, high, low);
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return {};
  return MakeFolderIdentity(2, info.dwVolumeSerialNumber, 0,
                            (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}


}  // namespace

std::wstring NativePath(const std::string& path) {
  // Absolute paths are tidied here rather than by GetFullPathNameW, which
  // strips trailing dots and blanks: a file named "memo." or "draft " would
  // otherwise never be found again.
  std::wstring wide = Utf8ToWide(path);
  if (StartsWith(path, "\\\\?\\")) return wide;
  if (IsAbsolute(path)) return Utf8ToWide(LongPathForm(NormalizedPath(path)));
  DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  full.resize(length);
  if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') return L"\\\\?\\UNC" + full.substr(1);
  if (full.size() >= 3 && full[1] == L':') return L"\\\\?\\" + full;
  return full;
}

Win32FileSystem::Win32FileSystem() = default;

std::unique_ptr<DirectoryListing> Win32FileSystem::OpenListing(const std::string& folder, uint32_t& error) {
  // Opened as FindFirstFile opens it (list access, nothing denied to
  // others), so a folder lists exactly where a search would.
  std::wstring native = NativePath(folder);
  if (!native.empty() && native.back() == L':') native += L'\\';  // "C:" alone names the drive's current folder
  FileHandle handle(CreateFileW(native.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) {
    error = GetLastError();
    if (error == 0) error = ERROR_READ_FAULT;
    return nullptr;
  }
  std::vector<uint64_t> first;
  DWORD query_error = Win32NumberedListing::Query(handle.Get(), first);
  if (query_error == 0) return std::make_unique<Win32NumberedListing>(std::move(handle), std::move(first), false);
  // A root holding nothing has no "." entry either.
  if (query_error == ERROR_NO_MORE_FILES || query_error == ERROR_FILE_NOT_FOUND) {
    return std::make_unique<Win32NumberedListing>(std::move(handle), std::move(first), true);
  }
  // A file system that cannot list by handle (or a path naming a file) is
  // searched by name as before: its entries come without numbers.
  handle.Reset();
  return SearchListing(folder, error);
}

std::unique_ptr<DirectoryListing> Win32FileSystem::SearchListing(const std::string& folder, uint32_t& error) {
  std::wstring pattern = NativePath(JoinPath(folder, "*.*"));
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find != INVALID_HANDLE_VALUE) return std::make_unique<Win32Listing>(find, data);
  error = GetLastError();
  // "No file found" is an empty folder only where the folder exists: a root
  // holds no "." entry, so an empty drive answers this way.
  if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) && IsFolder(folder)) {
    error = 0;
    return std::make_unique<Win32Listing>(nullptr, data);
  }
  if (error == 0) error = ERROR_READ_FAULT;
  return nullptr;
}

std::string Win32FileSystem::NameKey(std::string_view name) {
  bool ascii = true;
  for (unsigned char c : name) ascii = ascii && c < 0x80;
  std::string key(name);
  if (ascii) {
    for (char& c : key) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
  }
  // The invariant upper-casing, the one the file systems compare names by.
  std::wstring wide = Utf8ToWide(name);
  int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), static_cast<int>(wide.size()),
                             nullptr, 0, nullptr, nullptr, 0);
  if (length <= 0) return key;
  std::wstring upper(static_cast<size_t>(length), L'\0');
  LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), static_cast<int>(wide.size()), upper.data(),
                length, nullptr, nullptr, 0);
  return WideToUtf8(upper);
}

uint32_t Win32FileSystem::ProbeName(const std::string& path) {
  // An exact-name search rather than the attributes: Wine drops entries it
  // cannot resolve (a dangling link, a link loop) from listings and reports
  // them as "not found" to GetFileAttributes, but the search tells them
  // apart ("no more files" instead of "not found").
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW(NativePath(path).c_str(), &data));
  if (find) return 0;
  DWORD error = GetLastError();
  return error == 0 ? ERROR_READ_FAULT : error;
}

bool Win32FileSystem::Lookup(const std::string& path, DirEntry& entry) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(NativePath(path).c_str(), GetFileExInfoStandard, &data)) return false;
  entry.name = FileNamePart(path);
  FillEntry(entry, data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftCreationTime,
            data.ftLastAccessTime, data.ftLastWriteTime);
  return true;
}

bool Win32FileSystem::IsFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesW(NativePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FolderIdentity Win32FileSystem::IdentityOf(const std::string& folder) {
  FileHandle file(OpenToIdentify(folder));
  if (!file) return {};
  FolderIdentity identity = FullIdentity(file.Get());
  // Asked of the same open folder, so a folder compared by number has the
  // number it would have had when asked alone.
  if (identity.Known()) identity.number = FileNumber(file.Get());
  return identity;
}

uint64_t Win32FileSystem::NumberOf(const std::string& folder) {
  FileHandle file(OpenToIdentify(folder));
  if (!file) return 0;
  return FileNumber(file.Get());
}

uint32_t Win32FileSystem::CreateFolders(const std::string& path) {
  std::wstring native = NativePath(path);
  while (!native.empty() && native.back() == L'\\') native.pop_back();
  if (CreateDirectoryW(native.c_str(), nullptr)) return 0;
  DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) return IsFolder(path) ? 0 : error;
  if (error != ERROR_PATH_NOT_FOUND) return error;
  std::string parent = ParentPath(path);
  // A missing drive or share ends here, with the code that says so.
  if (parent.empty() || parent == path || NormalizedPath(parent) == NormalizedPath(VolumeRoot(path))) return error;
  if (uint32_t parent_error = CreateFolders(parent); parent_error != 0) return parent_error;
  if (CreateDirectoryW(native.c_str(), nullptr) || IsFolder(path)) return 0;
  return GetLastError();
}

std::string Win32FileSystem::FinalPath(const std::string& folder) {
  FileHandle file(OpenToIdentify(folder));
  if (!file) return {};
  std::vector<wchar_t> buffer(1024);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD length = GetFinalPathNameByHandleW(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return {};
    if (length < buffer.size()) return NormalizedPath(WideToUtf8(std::wstring(buffer.data(), length)));
    buffer.resize(length + 1);
  }
  return {};
}

uint32_t Win32FileSystem::GetAttributes(const std::string& path) {
  return GetFileAttributesW(NativePath(path).c_str());
}

bool Win32FileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  return SetFileAttributesW(NativePath(path).c_str(), attributes) != 0;
}

uint32_t Win32FileSystem::CopyFileTo(const std::string& from, const std::string& to, const CopyProgress& progress) {
  std::wstring source = NativePath(from);
  std::wstring target = NativePath(to);
  BOOL ok;
  if (CopyFileExWFunction copy = BoundCopyFileEx()) {
    ProgressContext context{&progress};
    // Not restartable: that makes the system flush the target again and
    // again so an interrupted copy could go on, and a copy to a fresh
    // temporary name is never taken up again anyway.
    ok = copy(source.c_str(), target.c_str(), CopyProgressRoutine, &context, nullptr, COPY_FILE_FAIL_IF_EXISTS);
  } else {
    ok = CopyFileW(source.c_str(), target.c_str(), TRUE);
  }
  return ok ? 0 : GetLastError();
}

uint32_t Win32FileSystem::MoveReplacing(const std::string& from, const std::string& to) {
  // No write-through: should the rename be lost in a power cut, the old
  // copy and the complete new one both remain, and the next run redoes it.
  if (MoveFileExW(NativePath(from).c_str(), NativePath(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return 0;
  }
  return GetLastError();
}

bool Win32FileSystem::RemoveFile(const std::string& path) { return DeleteFileW(NativePath(path).c_str()) != 0; }

bool Win32FileSystem::SetFileTimes(const std::string& path, const FileTimes& times) {
  FileHandle file(CreateFileW(NativePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return false;
  FILETIME creation = ToFileTime(times.creation);
  FILETIME access = ToFileTime(times.lastAccess);
  FILETIME write = ToFileTime(times.lastWrite);
  return SetFileTime(file.Get(), &creation, &access, &write) != 0;
}

int Win32FileSystem::ShellDelete(const std::string& path, bool toRecycleBin) {
  // Only whole, absolute paths: an empty or relative one would name
  // something below the current directory.
  if (!IsAbsolute(path)) return ERROR_INVALID_NAME;
  std::wstring native = NativePath(path);
  if (!toRecycleBin) return DeleteTree(native) ? 0 : static_cast<int>(GetLastError() ? GetLastError() : 1);
  std::wstring plain = WithoutLongPrefix(native);
  if (!TreeFitsTheShell(native, plain.size())) return ERROR_FILENAME_EXCED_RANGE;
  std::vector<wchar_t> list(plain.begin(), plain.end());
  list.push_back(L'\0');
  list.push_back(L'\0');
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = list.data();
  // No error dialog either: a run is often unattended, and a dialog would
  // hold it until someone answers.
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_ALLOWUNDO;
  int result = SHFileOperationW(&operation);
  return static_cast<int>(ShellDeleteErrorCode(result, operation.fAnyOperationsAborted != FALSE));
}

std::unique_ptr<AppendFile> Win32FileSystem::OpenAppend(const std::string& path) {
  HANDLE file = CreateFileW(NativePath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32AppendFile>(file);
}

std::string Win32FileSystem::ErrorMessage(uint32_t code) { return SystemErrorMessage(code); }

}  // namespace dm
