; The Windows installer of Drovenmark, compiled by make_dist.sh with makensis.
; Defines it is given: VERSION (2.10), FILE_VERSION (2.1.0.410), BUILD (410),
; BIN (the folder holding the program's files), ICON, SIZE_KB (their total),
; OUTFILE, and SIGN_UNINSTALLER (a command that signs the file it is given)
; when the publisher signs with a certificate.
;
; A per-user install: the program writes its daily logs beside itself and
; the online update replaces its own files, so it must live where the user
; can write without elevation.
; The program is a 64-bit one, and so is the installer: it then runs where
; the program runs, with no 32-bit layer needed.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "running_program.nsh"
!include "replace_files.nsh"

!ifdef SIGN_UNINSTALLER
  !uninstfinalize '${SIGN_UNINSTALLER} "%1"' = 0
!endif

!define PRODUCT "Drovenmark"
!define PUBLISHER "Quorvanta"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Drovenmark"
!define SHORTCUT "$SMPROGRAMS\Drovenmark.lnk"
!define UNINSTALLER "uninstall.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An earlier install's folder is offered again, so an upgrade lands on it.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1041 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "FileVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=1041 "FileDescription" "${PRODUCT} ${VERSION} セットアップ"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\drovenmk.exe"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW DmFinishPageShow
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Japanese"

!insertmacro DmRunningProgramFunctions "" "インストール" "何も変更せずに"
!insertmacro DmRunningProgramFunctions "un." "アンインストール" "何も削除せずに"
!insertmacro DmRestartProgramFunction

Section "Drovenmark" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; A running Drovenmark is closed first and the files are replaced all
  ; together, or nothing is replaced (replace_files.nsh). The file list
  ; comes from the release's own list (files.nsh, generated).
  !insertmacro DmInstallFiles "${FILES_NSH}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; The working folder of the shortcut is the program's folder: the
  ; program's default download folder for updates lies below it.
  CreateShortcut "${SHORTCUT}" "$INSTDIR\drovenmk.exe" "" "$INSTDIR\drovenmk.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION} (Build ${BUILD})"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\drovenmk.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  Call DmRestartProgram
SectionEnd

; What the installer put there, and nothing else: backup sets, backups,
; the options in the registry and the download folder stay.
Section "un.Drovenmark" UnSecProgram
  SectionIn RO
  ; A running Drovenmark is closed first, or nothing is removed; a file
  ; that stays keeps the entry and the uninstaller (replace_files.nsh).
  !insertmacro DmRemoveFiles "${UNFILES_NSH}" "${FILES_NSH}"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$INSTDIR\${UNINSTALLER}"
SectionEnd

; The daily logs only when the user ticks it.
Section /o "un.ログファイル (yyyymmdd.log) も削除する" UnSecLogs
  Delete "$INSTDIR\????????.log"
SectionEnd

Section "-un.Folder"
  ; Removed only when nothing else is left in it.
  RMDir "$INSTDIR"
SectionEnd
