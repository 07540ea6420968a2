#include "update/win/updater.h"

#include <vector>

#include "base/paths.h"
#include "base/win/handles.h"
#include "base/win/wide.h"
#include "engine/win32/win32_file_system.h"
#include "update/install.h"
#include "update/update_steps.h"
#include "update/win/form.h"

namespace dm {

namespace {

constexpr DWORD kProcessEndWaitMs = 30000;

void Box(const std::string& text, const std::string& caption, UINT icon) {
  MessageBoxW(nullptr, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(), MB_OK | icon | MB_SYSTEMMODAL);
}

// The path a handle really names, after every link, in its plain form;
// empty when the system cannot tell.
std::string FinalPath(HANDLE handle) {
  std::vector<wchar_t> buffer(MAX_PATH * 4);
  DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0 || length >= buffer.size()) return "";
  return NormalizedPath(WideToUtf8(std::wstring_view(buffer.data(), length)));
}

FileHandle OpenForQuery(const std::string& path) {
  return FileHandle(CreateFileW(NativePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

std::string FinalFolderPath(const std::string& folder) {
  FileHandle handle = OpenForQuery(folder);
  return handle ? FinalPath(handle.Get()) : "";
}

bool SamePath(const std::string& a, const std::string& b) {
  return !a.empty() &&
         CompareStringOrdinal(Utf8ToWide(a).c_str(), -1, Utf8ToWide(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The program starts in its own folder, as its Start-menu entry starts it,
// not in the update's folder the updater runs in.
bool StartProgram(const std::string& path, const std::string& folder) {
  std::wstring command = L"drovenmk.exe";
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(Utf8ToWide(path).c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE,
                      nullptr, Utf8ToWide(folder).c_str(), &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

}  // namespace

bool IsPlainFileIn(const std::string& path, const std::string& folder) {
  FileHandle file = OpenForQuery(path);
  if (!file) return false;
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file.Get(), &information)) return false;
  if (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  // Joined again rather than cut: a folder at a drive's root ends in "\".
  const std::string real = FinalPath(file.Get());
  return SamePath(real, JoinPath(FinalFolderPath(folder), FileNamePart(real)));
}

int RunUpdater(const UpdaterRequest& request, const EndingFormHost& endingForm) {
  Win32FileSystem fs;
  // A command line that names no instance or no folder would copy into the
  // current directory: nothing is done, and nobody is asked.
  if (!request.oldWindow || request.programFolder.empty() || !fs.IsFolder(request.programFolder)) {
    return kUpdaterRefused;
  }

  // 2-4. The user saves in the old instance, which is then asked to close.
  Box("Drovenmarkを再起動します\n\n保存が必要な場合は、保存後にＯＫボタンを押してください　　　", "Drovenmark",
      MB_ICONINFORMATION);
  endingForm.show("Drovenmarkを再起動中です...");
  DWORD old_process_id = 0;
  GetWindowThreadProcessId(request.oldWindow, &old_process_id);
  ObjectHandle old_process(old_process_id ? OpenProcess(SYNCHRONIZE, FALSE, old_process_id) : nullptr);
  PostMessageW(request.oldWindow, WM_CLOSE, 0, 0);

  // 5. Up to 102 waits of 100 ms for its window to go.
  for (int waits = 0; IsWindow(request.oldWindow); ++waits) {
    if (waits == kCloseWaitCount) {
      Box("Drovenmarkの終了に失敗しました", "Drovenmark", MB_ICONWARNING);
      WaitLettingMessagesRun(nullptr, 1000);
      endingForm.hide();
      return kUpdaterFailed;
    }
    WaitLettingMessagesRun(nullptr, kCloseWaitMs);
  }

  // The process goes on for a while after its window: until it has ended
  // it holds the single-instance mutex (the new program would refuse to
  // start) and its program file.
  for (DWORD waited = 0; old_process && waited < kProcessEndWaitMs; waited += kCloseWaitMs) {
    if (WaitForSingleObject(old_process.Get(), 0) == WAIT_OBJECT_0) break;
    WaitLettingMessagesRun(nullptr, kCloseWaitMs);
  }

  // 6. The files, all or none.
  WaitLettingMessagesRun(nullptr, 1000);
  int exit_code = kUpdaterInstalled;
  if (!SamePath(FinalFolderPath(request.downloadFolder), FinalFolderPath(request.programFolder))) {
    InstallResult result = InstallUpdate(fs, request.downloadFolder, request.programFolder,
                                         [&](const std::string& path) { return IsPlainFileIn(path, request.downloadFolder); });
    if (!result.Succeeded()) {
      // The old program is whole again: it is started as it was.
      Box(InstallFailureMessage(result), "Drovenmark", MB_ICONWARNING);
      exit_code = kUpdaterFailed;
    }
  }

  // 7-8. The installed program starts again; the updater ends.
  std::string program = JoinPath(request.programFolder, kProgramFileName);
  if (!StartProgram(program, request.programFolder)) {
    Box("Drovenmarkのアップデートに失敗しました2", program, MB_ICONWARNING);
    exit_code = kUpdaterFailed;
  }
  WaitLettingMessagesRun(nullptr, 1000);
  endingForm.hide();
  return exit_code;
}

}  // namespace dm
