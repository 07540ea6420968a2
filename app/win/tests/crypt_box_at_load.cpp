// A CRYPT.DLL that refuses to load after a box of its own, as the real one
// does when the user's key container cannot be made.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  MessageBoxW(nullptr, L"CRYPT.DLLの初期化に失敗しました", L"CRYPT.DLL エラー", MB_OK);
  return FALSE;
}
