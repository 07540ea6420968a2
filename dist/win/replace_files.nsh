; The program's files replaced all together or not at all. A file that
; cannot be written (still held by a process that is ending, a scanner)
; would otherwise stop the install on the write error box, whose choices
; leave it half done or with files of two versions side by side.
;
; FILES_NSH lists one "!insertmacro DM_FILE SOURCE NAME" a file (make_dist.sh
; writes it). It is read once a step:
;   1. every new file is written beside its target as NAME.dmsetup-new;
;   2. each target is renamed to NAME.dmsetup-old (a running program's
;      file can be renamed, not written) and the new file takes its name;
;   3. after a failure, what step 2 did (as it recorded it) is undone and
;      the new files go;
;      after success, the old files go (one still held stays under its
;      .dmsetup-old name until the next install or the uninstall).
; $DmFailed names the first file that failed, or is empty.
;
;   !insertmacro DmInstallFiles "${FILES_NSH}"    (the install section)
;   !insertmacro DmRemoveFiles "${UNFILES_NSH}" "${FILES_NSH}"  (the uninstall section)

!include "LogicLib.nsh"

Var DmFailed
Var DmTries
; Step 2's record, in the list's order: how many files it swapped, and for
; each one character, 1 when it replaced an installed file, 0 when it was new.
Var DmSwapped
Var DmSwappedOld
Var DmHadOld
Var DmUndoIndex
!define DM_RENAME_TRIES 5

!macro DM_FILE source name
  !insertmacro ${DM_FILE_STEP} "${source}" "${name}"
!macroend

!macro DmStageFile source name
  ${If} $DmFailed == ""
    Delete "$INSTDIR\${name}.dmsetup-new"
    ClearErrors
    File "/oname=$INSTDIR\${name}.dmsetup-new" "${source}"
    ${If} ${Errors}
      StrCpy $DmFailed "${name}"
    ${EndIf}
  ${EndIf}
!macroend

; Rename with a few tries: a scanner may hold a file that was just written
; or whose program just ended. The error flag is set when all tries failed.
!macro DmRename from to
  StrCpy $DmTries 0
  ${Do}
    ClearErrors
    Rename "${from}" "${to}"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    IntOp $DmTries $DmTries + 1
    ${If} $DmTries >= ${DM_RENAME_TRIES}
      SetErrors
      ${Break}
    ${EndIf}
    Sleep 300
  ${Loop}
!macroend

!macro DmSwapFile source name
  ${If} $DmFailed == ""
    StrCpy $DmHadOld 0
    Delete "$INSTDIR\${name}.dmsetup-old"
    ${If} ${FileExists} "$INSTDIR\${name}"
      !insertmacro DmRename "$INSTDIR\${name}" "$INSTDIR\${name}.dmsetup-old"
      ${If} ${Errors}
        StrCpy $DmFailed "${name}"
      ${Else}
        StrCpy $DmHadOld 1
      ${EndIf}
    ${EndIf}
    ${If} $DmFailed == ""
      !insertmacro DmRename "$INSTDIR\${name}.dmsetup-new" "$INSTDIR\${name}"
      ${If} ${Errors}
        StrCpy $DmFailed "${name}"
        ${If} $DmHadOld == 1
          Rename "$INSTDIR\${name}.dmsetup-old" "$INSTDIR\${name}"
        ${EndIf}
      ${Else}
        IntOp $DmSwapped $DmSwapped + 1
        StrCpy $DmSwappedOld "$DmSwappedOld$DmHadOld"
      ${EndIf}
    ${EndIf}
  ${EndIf}
!macroend

; Undone by what step 2 recorded, never by what lies in the folder: a file
; whose staging failed, or that was never reached, leaves the installed one
; alone, and an earlier install's leftover .dmsetup-old is never put back.
!macro DmUndoFile source name
  ${If} $DmUndoIndex < $DmSwapped
    StrCpy $DmHadOld $DmSwappedOld 1 $DmUndoIndex
    Delete "$INSTDIR\${name}"
    ${If} $DmHadOld == 1
      Rename "$INSTDIR\${name}.dmsetup-old" "$INSTDIR\${name}"
    ${EndIf}
  ${Else}
    Delete "$INSTDIR\${name}.dmsetup-new"  ; staged at most, never swapped
  ${EndIf}
  IntOp $DmUndoIndex $DmUndoIndex + 1
!macroend

!macro DmDropOldFile source name
  Delete "$INSTDIR\${name}.dmsetup-old"
!macroend

!macro DmDropLeftovers source name
  Delete "$INSTDIR\${name}.dmsetup-old"
  Delete "$INSTDIR\${name}.dmsetup-new"
!macroend

!macro DmFilesStep step list
  !define DM_FILE_STEP ${step}
  !include "${list}"
  !undef DM_FILE_STEP
!macroend

!macro DmReplaceFiles list
  StrCpy $DmFailed ""
  StrCpy $DmSwapped 0
  StrCpy $DmSwappedOld ""
  StrCpy $DmUndoIndex 0
  SetOverwrite try  ; a file that cannot be written sets the error flag, no box
  !insertmacro DmFilesStep DmStageFile "${list}"
  ${If} $DmFailed == ""
    !insertmacro DmFilesStep DmSwapFile "${list}"
  ${EndIf}
  SetOverwrite on
  ${If} $DmFailed == ""
    !insertmacro DmFilesStep DmDropOldFile "${list}"
  ${Else}
    !insertmacro DmFilesStep DmUndoFile "${list}"
  ${EndIf}
!macroend

!macro DmRemoveLeftovers list
  !insertmacro DmFilesStep DmDropLeftovers "${list}"
!macroend

; The install section's files: a running program closed first
; (running_program.nsh), then all replaced or, told and undone, none.
!macro DmInstallFiles list
  Call DmCloseRunningProgram
  !insertmacro DmReplaceFiles "${list}"
  ${If} $DmFailed != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$INSTDIR\$DmFailed を置き換えられませんでした。ほかのプログラムが使っている可能性があります。$\n$\n何も変更せずにインストールを中止します。" /SD IDOK
    DetailPrint "$INSTDIR\$DmFailed を置き換えられなかったため、何も変更せずにインストールを中止しました。"
    Call DmRestartProgram  ; the earlier version, as it was
    Abort
  ${EndIf}
!macroend

; The uninstall section's files (the list of Delete lines, and the files'
; list for the leftovers of an install cut off). When one stays, the entry
; and the uninstaller stay too, so it can be tried again.
!macro DmRemoveFiles deletes list
  Call un.DmCloseRunningProgram
  ClearErrors
  !include "${deletes}"
  !insertmacro DmRemoveLeftovers "${list}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Drovenmark のファイルの一部を削除できませんでした。ほかのプログラムが使っている可能性があります。$\n$\n$INSTDIR$\n$\nそのプログラムを終了してから、もう一度アンインストールしてください。" /SD IDOK
    DetailPrint "Drovenmark のファイルの一部を削除できませんでした: $INSTDIR"
    Abort
  ${EndIf}
!macroend
