; The setup program of 岫澜IP: installs the client for all users into
; Program Files\岫澜IP, with a Start-menu shortcut, an optional desktop
; shortcut and an entry in the system's list of installed programs; its
; uninstaller takes all of that away again, with the "start with Windows"
; value the client may have written. The user's settings file (岫澜IP.INI in
; the user's temporary folder) is never touched by an install or an upgrade,
; and an uninstall removes it only when asked. /S runs either silently.
;
; Built by CMake (the `installer` target): it writes PRODUCT_INFO (the product's
; name, version and copyright from the top-level project()) and defines EXE (the
; built client), ICON and OUTFILE on makensis' command line.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "${PRODUCT_INFO}"
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define EXE_NAME "XiulanIP.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\XiulanIP"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The client creates this event while it runs (its single-instance guard).
!define INSTANCE_EVENT "岫澜IP禁止程序重复运行"
!define SYNCHRONIZE 0x00100000
; The client's settings and log, in the user's temporary folder.
!define SETTINGS_FILE "岫澜IP.INI"
!define LOG_FILE "岫澜IP.log"
!define OLD_LOG_FILE "岫澜IP.old.log"
; Exit code of a setup that stopped because the client was running.
!define EXIT_CLIENT_RUNNING 2

Name "${PRODUCT_NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT_NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT_NAME} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT_NAME} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE_NAME}"
!define MUI_FINISHPAGE_RUN_TEXT "运行 ${PRODUCT_NAME}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

; Asks the user to close a running client until it is closed or they give up;
; a silent setup gives up at once. $0 is clobbered.
!macro WAIT_FOR_CLIENT_TO_CLOSE
  ${Do}
    System::Call 'kernel32::OpenEventW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_EVENT}") p .r0'
    ${If} $0 P= 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${PRODUCT_NAME} 正在运行。$\r$\n请先退出 ${PRODUCT_NAME}（托盘图标或主窗口的关闭按钮），然后点“重试”。" \
      /SD IDCANCEL IDRETRY retry
    SetErrorLevel ${EXIT_CLIENT_RUNNING}
    Quit
    retry:
  ${Loop}
!macroend

Function .onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro WAIT_FOR_CLIENT_TO_CLOSE
FunctionEnd

Section "${PRODUCT_NAME}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; An upgrade replaces the program; the settings file lives elsewhere and stays.
  File "/oname=${EXE_NAME}" "${EXE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE_NAME},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "开始菜单快捷方式" SecStartMenu
  SectionIn RO
  CreateShortcut "$SMPROGRAMS\${PRODUCT_NAME}.lnk" "$INSTDIR\${EXE_NAME}" "" "$INSTDIR\${EXE_NAME}" 0
SectionEnd

Section "桌面快捷方式" SecDesktop
  CreateShortcut "$DESKTOP\${PRODUCT_NAME}.lnk" "$INSTDIR\${EXE_NAME}" "" "$INSTDIR\${EXE_NAME}" 0
SectionEnd

; ---- uninstaller ----


Section "un.${PRODUCT_NAME}" SecUnProgram
  SectionIn RO
  Delete "$INSTDIR\${EXE_NAME}"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: files the user put there stay.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT_NAME}.lnk"
  Delete "$DESKTOP\${PRODUCT_NAME}.lnk"
  ; "Start with Windows": the client's Run value is named after its file, and
  ; an older registration may have left a shortcut of that name.
  DeleteRegValue HKLM "${RUN_KEY}" "${EXE_NAME}"
  Delete "$SMSTARTUP\${EXE_NAME}.lnk"
  SetShellVarContext current
  Delete "$SMSTARTUP\${EXE_NAME}.lnk"
  SetShellVarContext all
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.删除我的设置和日志" SecSettings
  Delete "$TEMP\${SETTINGS_FILE}"
  Delete "$TEMP\${LOG_FILE}"
  Delete "$TEMP\${OLD_LOG_FILE}"
SectionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro WAIT_FOR_CLIENT_TO_CLOSE
  ; /REMOVESETTINGS ticks the settings section, for a silent uninstall.
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/REMOVESETTINGS" $2
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecSettings}
  ${EndIf}
FunctionEnd
