; The setup program of 岫澜IP: installs the client for all users into
; Program Files\岫澜IP (or a folder the user picks, which then gets the same
; protection: only administrators and the system may change it), with a
; Start-menu shortcut, an optional desktop shortcut and an entry in the
; system's list of installed programs, whose install location is where the
; client registers itself to start with Windows. Its uninstaller takes all of
; that away again, with the "start with Windows" values the client may have
; written, and stops without touching anything while the program cannot be
; removed. The user's settings file and log (in %APPDATA%\岫澜IP, in the
; temporary folder before) are never touched by an install or an upgrade, and
; an uninstall removes them only when asked. /S runs either silently.
;
; Built by CMake (the `installer` target): it writes PRODUCT_INFO (the product's
; name, version and copyright from the top-level project()) and defines EXE (the
; built client), ICON, ART (the folder of the setup's pictures) and OUTFILE on
; makensis' command line.

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
!define ERROR_ACCESS_DENIED 5
; The client's settings and log, with the copy of a damaged settings file,
; in its folder of the user's application data; older versions kept the
; first three in the user's temporary folder.
!define SETTINGS_FILE "岫澜IP.INI"
!define LOG_FILE "岫澜IP.log"
!define OLD_LOG_FILE "岫澜IP.old.log"
!define BAD_SETTINGS_FILE "岫澜IP.bad.INI"
; Exit codes besides NSIS's own (0 done, 1 cancelled by the user, 2 stopped by
; the script), so that a caller can tell them apart without reading the screen.
!define EXIT_CLIENT_RUNNING 3
!define EXIT_FILE_IN_USE 4
!define EXIT_FOLDER_NOT_PROTECTED 5
; The install folder's permissions: owned by the administrators, who with the
; system may do anything; users may read and run; nothing inherited from the
; folder above (in a folder the user picked, such as C:\XiulanIP, that would
; give every signed-in user the right to replace the program, which starts
; for everyone with Windows, or to put a DLL beside it).
!define INSTALL_DIR_SECURITY "O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
!define SE_FILE_OBJECT 1
; Owner, permissions, and the permissions cut from the folder above.
!define OWNER_DACL_PROTECTED 0x80000005
; The display's pixels per inch (LOGPIXELSY); 96 is 100 %.
!define LOGPIXELSY 90
!define BASE_DPI 96

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
; The program's own pictures, drawn for 100 %; the ones for 150 % replace
; them on screens above 100 % (onGUIInit). Kept in proportion: a page whose
; font makes the picture's place wider leaves white beside it.
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ART}\setup_side.bmp"
!define MUI_WELCOMEFINISHPAGE_BITMAP_STRETCH AspectFitHeight
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${ART}\setup_header.bmp"
!define MUI_CUSTOMFUNCTION_GUIINIT UseLargerPictures
!define MUI_CUSTOMFUNCTION_UNGUIINIT un.UseLargerPictures
; The setup runs elevated: the client is started by the shell instead, as the
; signed-in user. Elevated, it would read and write a settings file that
; normal programs can change, and its marker would be one a normal copy
; cannot open.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "运行 ${PRODUCT_NAME}"
!define MUI_FINISHPAGE_RUN_FUNCTION StartClientAsUser

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
; a silent setup gives up at once. A marker that may not be opened is a
; running client too. $0 and $1 are clobbered.
!macro WAIT_FOR_CLIENT_TO_CLOSE
  ${Do}
    System::Call 'kernel32::OpenEventW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_EVENT}") p .r0 ?e'
    Pop $1
    ${If} $0 P= 0
    ${AndIf} $1 <> ${ERROR_ACCESS_DENIED}
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

; Pictures drawn for 150 %, on screens above 100 %: shrinking them is sharper
; than growing the ones for 100 %. Runs after the pages have unpacked theirs.
!macro USE_LARGER_PICTURES WIZARD
  System::Call 'user32::GetDC(p 0) p .r0'
  System::Call 'gdi32::GetDeviceCaps(p r0, i ${LOGPIXELSY}) i .r1'
  System::Call 'user32::ReleaseDC(p 0, p r0)'
  ${If} $1 > ${BASE_DPI}
    !if ${WIZARD} == 1
      File "/oname=$PLUGINSDIR\modern-wizard.bmp" "${ART}\setup_side_150.bmp"
    !endif
    File "/oname=$PLUGINSDIR\modern-header.bmp" "${ART}\setup_header_150.bmp"
    SetBrandingImage /IMGID=1046 /RESIZETOFIT "$PLUGINSDIR\modern-header.bmp"
  ${EndIf}
!macroend

Function UseLargerPictures
  !insertmacro USE_LARGER_PICTURES 1
FunctionEnd

Function un.UseLargerPictures
  !insertmacro USE_LARGER_PICTURES 0
FunctionEnd

Function StartClientAsUser
  ; Explorer hands the start to the shell that already runs as the signed-in
  ; user, without elevation.
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\${EXE_NAME}"'
FunctionEnd

; Gives the install folder its permissions (INSTALL_DIR_SECURITY), passed on
; to everything already in it; an install that cannot protect its folder
; stops. $0 to $5 are clobbered.
Function ProtectInstallFolder
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${INSTALL_DIR_SECURITY}", i 1, *p .r1, p 0) i .r0 ?e'
  Pop $2
  ${If} $0 = 0
    StrCpy $0 $2
  ${Else}
    System::Call 'advapi32::GetSecurityDescriptorOwner(p r1, *p .r2, *i .r4)'
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r4, *p .r3, *i .r5)'
    System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i ${SE_FILE_OBJECT}, i ${OWNER_DACL_PROTECTED}, p r2, p 0, p r3, p 0) i .r0'
    System::Call 'kernel32::LocalFree(p r1)'
  ${EndIf}
  ${If} $0 <> 0
    DetailPrint "无法设置安装文件夹的权限（错误 $0）：$INSTDIR"
    MessageBox MB_OK|MB_ICONSTOP \
      "无法设置安装文件夹的权限（错误 $0）：$\r$\n$INSTDIR$\r$\n$\r$\n请选择本机硬盘上的其他文件夹。" /SD IDOK
    SetErrorLevel ${EXIT_FOLDER_NOT_PROTECTED}
    Abort "无法设置安装文件夹的权限"
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro WAIT_FOR_CLIENT_TO_CLOSE
FunctionEnd

Section "${PRODUCT_NAME}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  Call ProtectInstallFolder
  ; Written afresh: a file written over keeps its own owner and permissions,
  ; which in a folder that was open to everyone may be anyone's.
  Delete "$INSTDIR\${EXE_NAME}"
  Delete "$INSTDIR\${UNINSTALLER}"
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

; Deletes FILE, or stops the uninstall with what could not be removed: while
; the program is there, its entry, shortcuts and start values stay, so that
; uninstalling again still finds it.
!macro REMOVE_OR_STOP FILE
  ClearErrors
  Delete "${FILE}"
  ${If} ${Errors}
    DetailPrint "无法删除 ${FILE}"
    MessageBox MB_OK|MB_ICONSTOP \
      "无法删除 ${FILE}$\r$\n$\r$\n请先退出所有用户的 ${PRODUCT_NAME}，然后重新卸载。" /SD IDOK
    SetErrorLevel ${EXIT_FILE_IN_USE}
    Abort "无法删除 ${FILE}"
  ${EndIf}
!macroend

Section "un.${PRODUCT_NAME}" SecUnProgram
  SectionIn RO
  !insertmacro REMOVE_OR_STOP "$INSTDIR\${EXE_NAME}"
  ; Started in place (_?=), it is running from there: its caller removes it
  ; and the folder afterwards.
  ${If} $EXEDIR != $INSTDIR
    !insertmacro REMOVE_OR_STOP "$INSTDIR\${UNINSTALLER}"
  ${EndIf}
  ; Only when empty: files the user put there stay.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT_NAME}.lnk"
  Delete "$DESKTOP\${PRODUCT_NAME}.lnk"
  ; "Start with Windows": the client's Run value is named after its file, in
  ; the machine's key or, where that was refused, the user's; an older
  ; registration may have left a shortcut of that name.
  DeleteRegValue HKLM "${RUN_KEY}" "${EXE_NAME}"
  DeleteRegValue HKCU "${RUN_KEY}" "${EXE_NAME}"
  Delete "$SMSTARTUP\${EXE_NAME}.lnk"
  SetShellVarContext current
  Delete "$SMSTARTUP\${EXE_NAME}.lnk"
  SetShellVarContext all
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

!macro REMOVE_SETTINGS_FROM FOLDER
  Delete "${FOLDER}\${SETTINGS_FILE}"
  Delete "${FOLDER}\${BAD_SETTINGS_FILE}"
  Delete "${FOLDER}\${LOG_FILE}"
  Delete "${FOLDER}\${OLD_LOG_FILE}"
!macroend

Section /o "un.删除我的设置和日志" SecSettings
  SetShellVarContext current
  !insertmacro REMOVE_SETTINGS_FROM "$APPDATA\${PRODUCT_NAME}"
  RMDir "$APPDATA\${PRODUCT_NAME}"
  SetShellVarContext all
  !insertmacro REMOVE_SETTINGS_FROM "$TEMP"
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
