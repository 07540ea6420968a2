// The program's keep-awake request for the tests: the system's, and after
// each change the thread's execution state as the system then holds it,
// one hexadecimal line each in keep-awake.txt beside the program.
#include <windows.h>

#include <cstdio>

#include "app/win/keep_awake.h"
#include "base/win/handles.h"
#include "base/win/wide.h"

namespace dm {

namespace {

class RecordingKeepAwake : public KeepAwake {
 public:
  void Set(bool on) override {
    system_->Set(on);
    // Asking again with the same flags changes nothing and answers the
    // state the call before left.
    EXECUTION_STATE state = SetThreadExecutionState(on ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
    char line[16];
    int length = std::snprintf(line, sizeof line, "%08lX\r\n", static_cast<unsigned long>(state));
    FileHandle file(CreateFileW(Utf8ToWide(ProgramFolder() + "keep-awake.txt").c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file.Valid()) WriteFile(file.Get(), line, static_cast<DWORD>(length), &written, nullptr);
  }

 private:
  std::unique_ptr<KeepAwake> system_ = MakeSystemKeepAwake();
};

}  // namespace

std::unique_ptr<KeepAwake> MakeProgramKeepAwake() { return std::make_unique<RecordingKeepAwake>(); }

}  // namespace dm
