// UNLHA32.DLL: the exported functions. The work is done by the portable
// extractor; this file turns the caller's ANSI texts into UTF-8 and back,
// opens the archive and the folder, and forwards progress to the callback.
#include <windows.h>

#include <cstring>
#include <exception>
#include <mutex>
#include <string>
#include <type_traits>

#include "base/paths.h"
#include "base/text.h"
#include "base/win/wide.h"
#include "unlha/command_line.h"
#include "unlha/extractor.h"
#include "unlha/win/unlha_api.h"
#include "unlha/win/win_folder.h"

namespace dm::lzh {
namespace {

// A command longer than this is not a real one; it is cut there.
constexpr size_t kMaxCommandBytes = 64 * 1024;

struct Owner {
  HWND window = nullptr;
  UnlhaProgressCallback callback = nullptr;
};

std::mutex g_ownerLock;
Owner g_owner;

Owner CurrentOwner() {
  std::lock_guard<std::mutex> lock(g_ownerLock);
  return g_owner;
}

std::string AnsiToUtf8(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
  return WideToUtf8(wide);
}

std::string Utf8ToAnsi(std::string_view utf8) {
  const std::wstring wide = Utf8ToWide(utf8);
  if (wide.empty()) return {};
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, "?", nullptr);
  std::string ansi(length, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), length, "?", nullptr);
  return ansi;
}

void CopyAnsi(std::string_view utf8, char* out, size_t size) {
  CopyTruncated(Utf8ToAnsi(utf8), out, size, [](unsigned char c) { return IsDBCSLeadByte(c) != FALSE; });
}

// The full path of a file or folder named in the command, in the long form
// that lifts the MAX_PATH limit.
std::wstring FullPath(const std::string& path) {
  const std::wstring wide = Utf8ToWide(path.empty() ? std::string(".") : path);
  const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return wide;
  std::wstring full(length, L'\0');
  const DWORD written = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
  full.resize(written);
  return Utf8ToWide(LongPathForm(WideToUtf8(full)));
}

class CallbackProgress : public ProgressListener {
 public:
  CallbackProgress(const Owner& owner, const std::string& archive) : owner_(owner) {
    std::memset(&record_, 0, sizeof record_);
    CopyAnsi(archive, record_.archiveName, sizeof record_.archiveName);
  }
  bool OnProgress(ProgressStage stage, const EntryHeader& entry, std::string_view fileName,
                  uint64_t written) override {
    if (owner_.callback == nullptr) return true;
    if (stage == ProgressStage::kBegin) {
      ++record_.entryIndex;
      record_.fileSize = static_cast<uint32_t>(std::min<uint64_t>(entry.originalSize, UINT32_MAX));
      record_.packedSize = static_cast<uint32_t>(std::min<uint64_t>(entry.packedSize, UINT32_MAX));
      CopyAnsi(fileName, record_.fileName, sizeof record_.fileName);
    }
    record_.writtenSize = static_cast<uint32_t>(std::min<uint64_t>(written, UINT32_MAX));
    const UINT code = stage == ProgressStage::kBegin ? kUnlhaEntryBegins
                      : stage == ProgressStage::kWriting ? kUnlhaWriting
                                                         : kUnlhaEntryEnds;
    return owner_.callback(owner_.window, 0, code, &record_) != FALSE;
  }

 private:
  Owner owner_;
  UnlhaProgress record_;
};

ResultCode RunUnlha(const char* commandLine, Report& report) {
  if (commandLine == nullptr) {
    report.Add("コマンドがありません");
    return kResultBadCommand;
  }
  const std::string text = AnsiToUtf8(std::string_view(commandLine, strnlen(commandLine, kMaxCommandBytes)));
  const CommandParse parse = ParseCommand(text);
  if (!parse.ok) {
    report.Add(parse.problem);
    return kResultBadCommand;
  }
  const Command& command = parse.command;
  DWORD error = 0;
  auto archive = WinFileSource::Open(FullPath(command.archive), error);
  if (!archive) {
    report.Add("アーカイブ「" + command.archive + "」を開けません（" + SystemErrorMessage(error) + "）");
    return kResultArchiveMissing;
  }
  std::unique_ptr<WinFolder> folder;
  if (command.action == Action::kExtract) {
    const std::wstring path = FullPath(command.folder);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      report.Add("展開先のフォルダー「" + command.folder + "」がありません");
      return kResultFolderMissing;
    }
    folder = std::make_unique<WinFolder>(path);
  }
  CallbackProgress progress(CurrentOwner(), command.archive);
  return RunCommand(command, *archive, folder.get(), progress, report);
}

}  // namespace
}  // namespace dm::lzh

using namespace dm::lzh;

extern "C" int WINAPI Unlha(HWND, const char* commandLine, char* output, DWORD outputSize) {
  if (output != nullptr && outputSize > 0) output[0] = '\0';
  try {
    Report report;
    const ResultCode result = RunUnlha(commandLine, report);
    CopyAnsi(report.Text(), output, outputSize);
    return result;
  } catch (const std::exception&) {  // out of memory: nothing may leave the DLL
    return kResultInternalError;
  }
}

extern "C" WORD WINAPI UnlhaGetVersion() { return kUnlhaVersion; }

extern "C" BOOL WINAPI UnlhaSetOwnerWindowEx(HWND owner, UnlhaProgressCallback callback) {
  std::lock_guard<std::mutex> lock(g_ownerLock);
  g_owner = {owner, callback};
  return TRUE;
}

extern "C" BOOL WINAPI UnlhaKillOwnerWindowEx(HWND) {
  std::lock_guard<std::mutex> lock(g_ownerLock);
  g_owner = {};
  return TRUE;
}

// Checks that the exports match the types callers bind them to.
static_assert(std::is_same_v<decltype(&Unlha), UnlhaFunction>);
static_assert(std::is_same_v<decltype(&UnlhaGetVersion), UnlhaGetVersionFunction>);
static_assert(std::is_same_v<decltype(&UnlhaSetOwnerWindowEx), UnlhaSetOwnerWindowExFunction>);
static_assert(std::is_same_v<decltype(&UnlhaKillOwnerWindowEx), UnlhaKillOwnerWindowExFunction>);
