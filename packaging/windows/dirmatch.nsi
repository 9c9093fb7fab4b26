; The Windows setup, built on Linux with makensis (scripts/package-windows.sh):
; the desktop program, the command line and the manual in one folder, the
; Start menu's entries in Chinese and in English, and an uninstaller that
; takes back all of it (the settings and log older versions kept beside the
; programs too; these keep them per user). Its pages speak the system's
; language, Chinese or English.
; A 64-bit setup: it runs wherever the program it installs runs.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "dirmatch"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\dirmatch"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\dirmatch"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${SOURCE}\ui\win32\dirmatch.ico"
UninstallIcon "${SOURCE}\ui\win32\dirmatch.ico"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The first is the language of any system that is neither.
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\SimpChinese.nlf"

Section "dirmatch"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${PROGRAMS}\dirmatch-gui.exe"
  File "${PROGRAMS}\dirmatch.exe"
  File "${BUILD}\ui\win32\UserManual.htm"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\dirmatch"
  CreateShortCut "$SMPROGRAMS\dirmatch\目录比较.lnk" "$INSTDIR\dirmatch-gui.exe" "--lang zh"
  CreateShortCut "$SMPROGRAMS\dirmatch\dirmatch (English).lnk" "$INSTDIR\dirmatch-gui.exe" "--lang en"
  CreateShortCut "$SMPROGRAMS\dirmatch\用户手册 User manual.lnk" "$INSTDIR\UserManual.htm"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "dirmatch"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The dirmatch developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dirmatch-gui.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\dirmatch\目录比较.lnk"
  Delete "$SMPROGRAMS\dirmatch\dirmatch (English).lnk"
  Delete "$SMPROGRAMS\dirmatch\用户手册 User manual.lnk"
  RMDir "$SMPROGRAMS\dirmatch"
  Delete "$INSTDIR\dirmatch-gui.exe"
  Delete "$INSTDIR\dirmatch.exe"
  Delete "$INSTDIR\UserManual.htm"
  Delete "$INSTDIR\pre.ini"
  Delete "$INSTDIR\dirmatch-gui.log"
  Delete "$INSTDIR\dirmatch.log"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
