; 泽米宝's installer: per user, no administrator rights, a clean uninstall.
; Built by tools/installer.sh, which defines
;   ZEL_EXE      the signed Zel.exe to ship
;   ZEL_VERSION  the version from CMakeLists.txt (checked against ZEL_EXE's version resource)
;   OUTFILE      the installer to write
;   SIGN         a command that signs the file named after it in place
;   UNINSTALLER_COPY  where a copy of the signed uninstaller goes, for the checks
Unicode true
Target x86-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma
CRCCheck on

!getdllversion "${ZEL_EXE}" ZelExe_
!if "${ZelExe_1}.${ZelExe_2}.${ZelExe_3}.${ZelExe_4}" != "${ZEL_VERSION}"
  !error "Zel.exe carries ${ZelExe_1}.${ZelExe_2}.${ZelExe_3}.${ZelExe_4}, the build says ${ZEL_VERSION}"
!endif

; The installer and its uninstaller carry the program's signature.
!finalize '${SIGN} "%1"' = 0
!uninstfinalize '${SIGN} "%1" && cp -f "%1" "${UNINSTALLER_COPY}"' = 0

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define APP_NAME "泽米宝"
!define PUBLISHER "Brixmoor"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zel"
!define UNINSTALLER "uninstall.exe"
; What the program writes outside its folder (see app/Startup.h, shell/HostRegistration.h).
!define SHELL_FOLDERS "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"
!define EMULATION_KEY "Software\Microsoft\Internet Explorer\MAIN\FeatureControl\FEATURE_BROWSER_EMULATION"
; The main window's class and title, as shell/win32/MainForm registers them.
!define ZEL_WINDOW_CLASS "ZelMainForm"
!define ZEL_CLOSE_WAIT_MS 10000
!define /math ZEL_CLOSE_WAIT_STEPS ${ZEL_CLOSE_WAIT_MS} / 100

Name "${APP_NAME}"
Caption "${APP_NAME} ${ZEL_VERSION} 安装"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP_NAME}"
; An existing install is replaced where it stands, unless /D= names another folder.
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "${APP_NAME} ${ZEL_VERSION}"

VIProductVersion "${ZEL_VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${APP_NAME}"
VIAddVersionKey /LANG=2052 "FileDescription" "${APP_NAME} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${ZEL_VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${ZEL_VERSION}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "© ${PUBLISHER}"

!define MUI_ICON "${ZEL_ICON}"
!define MUI_UNICON "${ZEL_ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Zel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "启动${APP_NAME}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString ZelStillRuns ${LANG_SIMPCHINESE} "${APP_NAME}仍在运行。请先退出${APP_NAME}，然后点击“重试”。"

; Both the installer and the uninstaller need these: NSIS keeps their functions apart ("un.").
!macro ZelFunctions un
; Asks a running Zel to end as a user's close does (WM_CLOSE to its main window) and waits for
; its process, at most ZEL_CLOSE_WAIT_MS each time. Nothing is ever killed: a Zel that stays
; leaves the choice to the user (silent: the run stops with exit code 2, nothing replaced).
Function ${un}CloseRunningZel
  Push $0
  Push $1
  Push $2
  Push $3
  ${Do}
    FindWindow $0 "${ZEL_WINDOW_CLASS}" "${APP_NAME}"
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i 0 r1)'
    ; SYNCHRONIZE: enough to wait for it, not to end it.
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
    System::Call 'user32::PostMessageW(p r0, i 0x0010, p 0, p 0)'
    ${If} $2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i ${ZEL_CLOSE_WAIT_MS}) i .r3'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${Else}
      ; Not ours to open: wait for its window instead.
      StrCpy $3 258 ; WAIT_TIMEOUT
      ${For} $1 1 ${ZEL_CLOSE_WAIT_STEPS}
        System::Call 'user32::IsWindow(p r0) i .r2'
        ${If} $2 = 0
          StrCpy $3 0
          ${Break}
        ${EndIf}
        Sleep 100
      ${Next}
    ${EndIf}
    ${If} $3 <> 0
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ZelStillRuns)" /SD IDCANCEL IDRETRY again
      SetErrorLevel 2
      Quit
      again:
    ${EndIf}
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Removes the desktop shortcut "泽米宝.lnk" that the program writes, when it points at the
; program in the folder on the stack; a shortcut of another copy stays.
Function ${un}RemoveDesktopShortcutOf
  Exch $0 ; the program's folder
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  ; The program takes the desktop from the same value.
  ReadRegStr $5 HKCU "${SHELL_FOLDERS}" "Desktop"
  ${If} $5 == ""
    StrCpy $5 $DESKTOP
  ${EndIf}
  StrCpy $5 "$5\${APP_NAME}.lnk"
  StrCpy $1 ""
  ${If} ${FileExists} "$5"
    ; IShellLinkW through IPersistFile::Load, then GetPath.
    System::Call 'ole32::CoCreateInstance(g "{00021401-0000-0000-C000-000000000046}", p 0, i 1, g "{000214F9-0000-0000-C000-000000000046}", *p .r2) i .r3'
    ${If} $3 = 0
      System::Call '$2->0(g "{0000010b-0000-0000-C000-000000000046}", *p .r4) i .r3'
      ${If} $3 = 0
        System::Call '$4->5(w r5, i 0) i .r3'
        ${If} $3 = 0
          System::Call '$2->3(w .r1, i ${NSIS_MAX_STRLEN}, p 0, i 0)'
        ${EndIf}
        System::Call '$4->2()'
      ${EndIf}
      System::Call '$2->2()'
    ${EndIf}
    ; Case-insensitive, as file names are.
    ${If} $1 == "$0\Zel.exe"
      Delete "$5"
    ${EndIf}
  ${EndIf}
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; The program's files in the folder on the stack: the program, what a self-update leaves beside
; it, the uninstaller and the log folder; then the folder itself when nothing else is in it (a
; folder chosen with /D= may hold the user's own files).
Function ${un}RemoveProgramFolder
  Exch $0
  Delete "$0\Zel.exe"
  Delete "$0\Zel.exe.new"
  Delete "$0\Zel.exe.old"
  Delete "$0\${UNINSTALLER}"
  RMDir /r "$0\log"
  RMDir "$0"
  Pop $0
FunctionEnd
!macroend
!insertmacro ZelFunctions ""
!insertmacro ZelFunctions "un."

Section "${APP_NAME}"
  SetShellVarContext current
  Call CloseRunningZel

  ; An install in another folder (/D=) moves here: nothing of it stays behind.
  ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
  ${AndIf} ${FileExists} "$0\Zel.exe"
    Push $0
    Call RemoveDesktopShortcutOf
    Push $0
    Call RemoveProgramFolder
  ${EndIf}

  SetOutPath "$INSTDIR"
  ; Left by an interrupted self-update of the old version.
  Delete "$INSTDIR\Zel.exe.new"
  Delete "$INSTDIR\Zel.exe.old"
  SetOverwrite on
  File "/oname=Zel.exe" "${ZEL_EXE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "$SMPROGRAMS\${APP_NAME}.lnk" "$INSTDIR\Zel.exe" "" "$INSTDIR\Zel.exe" 0 \
    SW_SHOWNORMAL "" "${APP_NAME}"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${APP_NAME}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${ZEL_VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Zel.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Call un.CloseRunningZel

  Delete "$SMPROGRAMS\${APP_NAME}.lnk"
  Push $INSTDIR
  Call un.RemoveDesktopShortcutOf
  ; The program's own value only: the key is the system's, the companion tool's keys are its own.
  DeleteRegValue HKCU "${EMULATION_KEY}" "Zel.exe"
  Delete "$TEMP\Zel.ini"
  ; The per-user log folder the program falls back to (logging/Logger.cpp).
  RMDir /r "$LOCALAPPDATA\${APP_NAME}"
  Push $INSTDIR
  Call un.RemoveProgramFolder
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
