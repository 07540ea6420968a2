; A Drovenmark that runs while its files are replaced or removed: its
; program file cannot be written or deleted while it runs (Windows and Wine
; alike; it can only be renamed), and a library it holds neither. The
; installer and the uninstaller therefore look for it first (its
; single-instance mutex "DROVENMK_WIN32" lives in the user's session), say so
; and close it as its own close command does: a run in progress is aborted,
; the set and the options are saved as at any end, and the program may ask
; whether to save. Silent mode closes it without asking. What cannot be
; closed is left running, and nothing is replaced or removed.
;
;   !insertmacro DmRunningProgramFunctions "" "インストール" "何も変更せずに"
;   !insertmacro DmRunningProgramFunctions "un." "アンインストール" "何も削除せずに"
;   Call DmCloseRunningProgram     (in a section: aborts it when the program stays)
;   Call DmRestartProgram          (after an install: starts the one that was closed)

!include "LogicLib.nsh"

!define DM_PROGRAM_MUTEX "DROVENMK_WIN32"
!define DM_PROGRAM_WINDOW "TMainForm"
!define DM_SYNCHRONIZE 0x00100000
; How long a program that was asked to close may take: a person can try
; again; a silent install waits for a run's abort (the program itself waits
; up to a minute for its run to end).
!define DM_CLOSE_WAIT_MS 10000
!define DM_CLOSE_WAIT_SILENT_MS 90000

Var DmClosed     ; 1: a running program was closed (an install starts it again)
Var DmShown      ; 1: its window was on the screen (else it sat in the tray)
Var DmAnswer
Var DmWindow
Var DmStarted
Var DmWaitMs
Var DmHandle

!macro DmRunningProgramFunctions un action unchanged

; $DmAnswer: 1 while a Drovenmark of this session runs.
Function ${un}DmProgramRunning
  System::Call 'kernel32::OpenMutexW(i ${DM_SYNCHRONIZE}, i 0, w "${DM_PROGRAM_MUTEX}") p .s'
  Pop $DmHandle
  ${If} $DmHandle == 0
    StrCpy $DmAnswer 0
  ${Else}
    System::Call 'kernel32::CloseHandle(p $DmHandle)'
    StrCpy $DmAnswer 1
  ${EndIf}
FunctionEnd

; Asks every running Drovenmark to close and waits for it to end.
; $DmAnswer: 1 when none runs any more.
Function ${un}DmEndProgram
  ${If} ${Silent}
    StrCpy $DmWaitMs ${DM_CLOSE_WAIT_SILENT_MS}
  ${Else}
    StrCpy $DmWaitMs ${DM_CLOSE_WAIT_MS}
  ${EndIf}
  System::Call 'kernel32::GetTickCount() i .s'
  Pop $DmStarted
  ${Do}
    Call ${un}DmProgramRunning
    ${If} $DmAnswer == 0
      StrCpy $DmAnswer 1
      Return
    ${EndIf}
    System::Call 'kernel32::GetTickCount() i .s'
    Pop $0
    IntOp $0 $0 - $DmStarted
    ${If} $0 >= $DmWaitMs
      StrCpy $DmAnswer 0
      Return
    ${EndIf}
    IntOp $0 $DmWaitMs - $0
    FindWindow $DmWindow "${DM_PROGRAM_WINDOW}"
    ${If} $DmWindow == 0
      Sleep 250  ; starting or ending: its window is not there yet or any more
      ${Continue}
    ${EndIf}
    System::Call 'user32::IsWindowVisible(p $DmWindow) i .s'
    Pop $1
    ${If} $1 <> 0
      StrCpy $DmShown 1
    ${EndIf}
    ; A window with a dialog open is left alone: closing it under the
    ; dialog would pull the dialog's owner away. The person closes the
    ; dialog, and the next look asks again.
    System::Call 'user32::IsWindowEnabled(p $DmWindow) i .s'
    Pop $1
    ${If} $1 == 0
      Sleep 250
      ${Continue}
    ${EndIf}
    ; Asked again every second: a request that reached the window while it
    ; was still starting up is not lost, and a second request while the
    ; first is being handled is the same request to the program.
    System::Call 'user32::PostMessageW(p $DmWindow, i ${WM_CLOSE}, p 0, p 0)'
    System::Call 'user32::GetWindowThreadProcessId(p $DmWindow, *i .s)'
    Pop $1
    System::Call 'kernel32::OpenProcess(i ${DM_SYNCHRONIZE}, i 0, i $1) p .s'
    Pop $DmHandle
    ${If} $0 > 1000
      StrCpy $0 1000
    ${EndIf}
    ${If} $DmHandle == 0
      Sleep 250
    ${Else}
      System::Call 'kernel32::WaitForSingleObject(p $DmHandle, i $0) i .s'
      Pop $1
      System::Call 'kernel32::CloseHandle(p $DmHandle)'
    ${EndIf}
  ${Loop}
FunctionEnd

Function ${un}DmCloseRunningProgram
  StrCpy $DmClosed 0
  StrCpy $DmShown 0
  Call ${un}DmProgramRunning
  ${If} $DmAnswer == 0
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION "Drovenmark が起動しています。$\n$\n${action}を続けるには Drovenmark を終了します。実行中のバックアップは中止され、バックアップセットとオプションは終了するときと同じように保存されます。$\n$\nDrovenmark を終了してよろしいですか？" /SD IDYES IDYES close
  DetailPrint "Drovenmark が起動しているため、${unchanged}${action}を中止しました。"
  Abort
close:
  DetailPrint "Drovenmark を終了しています..."
  StrCpy $DmClosed 1
retry:
  Call ${un}DmEndProgram
  ${If} $DmAnswer == 1
    Return
  ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Drovenmark を終了できませんでした。$\n$\nDrovenmark が確認を求めているときや画面を開いているときは、それを閉じてから「再試行」を押してください。「キャンセル」を押すと、${unchanged}${action}を中止します。" /SD IDCANCEL IDRETRY retry
  DetailPrint "Drovenmark を終了できなかったため、${unchanged}${action}を中止しました。"
  ; Nothing was replaced: the program that stays was never closed.
  StrCpy $DmClosed 0
  Abort
FunctionEnd

!macroend

; Starts the installed program again after an install that closed one: in
; the tray when it sat there, with its window when it was shown.
!macro DmRestartProgramFunction
Function DmRestartProgram
  ${If} $DmClosed == 1
    ${If} $DmShown == 1
      Exec '"$INSTDIR\drovenmk.exe"'
    ${Else}
      Exec '"$INSTDIR\drovenmk.exe" -i'
    ${EndIf}
  ${EndIf}
FunctionEnd

; The finish page offers no second start of a program already started.
Function DmFinishPageShow
  ${If} $DmClosed == 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd
!macroend
