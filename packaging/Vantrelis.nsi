; The per-user installer. scripts/package.py passes VERSION, VERSION_QUAD,
; STAGE32, STAGE64 (the staged files of each width), ICON, PICTURE (the
; welcome and finish pages' side picture) and OUTFILE, and
; TARGET for a build other than the shipped 32-bit one.
;
; The program keeps profile\, history\ and log\ in its own folder, so it is
; installed where its user can write (no administrator rights), and every
; shortcut starts it with that folder as its working folder.
;
; Silent use: setup.exe /S [/DESKTOP=0] [/STARTUP=1] [/D=folder]
;             Uninstall.exe /S   (keeps the user's files)

!ifdef TARGET
  ; The same installer as a 64-bit program, for test machines that run no 32-bit code.
  Target ${TARGET}
!else
  Unicode true
!endif
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Vantrelis"
!define PUBLISHER "Halvenro"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrelis"
; The program's own window: its class and title, since its message boxes
; carry the same title.
!define WINDOW_CLASS "VANTRELIS"
!define WINDOW_TITLE "Vantrelis"
; The message the program's tray "close" sends itself: the orderly shutdown.
!define WM_QUIT_REQUEST 0x800A

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=0 "ProductName" "${PUBLISHER} ${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${PICTURE}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${PICTURE}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_WELCOMEPAGE_TEXT "$(WelcomeText)"
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckChosenFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; English first: it is the installer's language wherever Windows speaks
; neither of the two.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"
; The Japanese texts' fixed-width font leaves "インストール(I)" too wide for its
; button; every Japanese Windows has this proportional one.
SetFont /LANG=${LANG_JAPANESE} "MS UI Gothic" 9

LangString WelcomeText ${LANG_ENGLISH} "This installs Vantrelis ${VERSION} for you alone; it needs no administrator rights.$\r$\n$\r$\nVantrelis keeps its profiles, history and log in the folder it is installed in. Installing over an earlier version keeps them.$\r$\n$\r$\nIf Vantrelis is running, it will be closed first.$\r$\n$\r$\n$_CLICK"
LangString WelcomeText ${LANG_JAPANESE} "Vantrelis ${VERSION} をこのユーザー用にインストールします。管理者の権限は要りません。$\r$\n$\r$\nVantrelis はプロファイル、履歴、ログをインストール先のフォルダーに保存します。以前のバージョンの上にインストールしても、それらはそのまま残ります。$\r$\n$\r$\nVantrelis が起動している場合は、先に終了します。$\r$\n$\r$\n$_CLICK"
LangString DesktopShortcut ${LANG_ENGLISH} "Desktop shortcut"
LangString DesktopShortcut ${LANG_JAPANESE} "デスクトップにショートカットを作る"
LangString StartWithWindows ${LANG_ENGLISH} "Start with Windows"
LangString StartWithWindows ${LANG_JAPANESE} "Windows と同時に起動"
LangString FolderNotWritable ${LANG_ENGLISH} "Vantrelis keeps its profiles, history and log in its own folder, and this folder cannot be written:$\r$\n$\r$\n$INSTDIR$\r$\n$\r$\nChoose a folder you can write to, for example the one proposed."
LangString FolderNotWritable ${LANG_JAPANESE} "Vantrelis はプロファイル、履歴、ログを自分のフォルダーに保存しますが、このフォルダーには書き込めません。$\r$\n$\r$\n$INSTDIR$\r$\n$\r$\n書き込めるフォルダー (最初に表示されたフォルダーなど) を選んでください。"
LangString CloseRunning ${LANG_ENGLISH} "Vantrelis is running. It will be closed to continue."
LangString CloseRunning ${LANG_JAPANESE} "Vantrelis が起動しています。続けるために終了します。"
LangString StillRunning ${LANG_ENGLISH} "Vantrelis did not close. Close it from its tray icon and try again."
LangString StillRunning ${LANG_JAPANESE} "Vantrelis が終了しませんでした。トレイアイコンから終了してから、もう一度お試しください。"
LangString RemoveUserFiles ${LANG_ENGLISH} "Also remove the profiles, history and log in$\r$\n$INSTDIR?"
LangString RemoveUserFiles ${LANG_JAPANESE} "プロファイル、履歴、ログも削除しますか?$\r$\n$INSTDIR"

; Asks a running copy to close through its own shutdown and waits for it and
; for its guard, whose program file stays busy until the guard has ended.
!macro CloseRunningCopy un
Function ${un}CloseRunningCopy
  FindWindow $0 "${WINDOW_CLASS}" "${WINDOW_TITLE}"
  ${If} $0 <> 0
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "$(CloseRunning)" /SD IDOK IDOK close
    Abort
  close:
    SendMessage $0 ${WM_QUIT_REQUEST} 0 0 /TIMEOUT=5000
    ${For} $1 1 80
      Sleep 250
      FindWindow $0 "${WINDOW_CLASS}" "${WINDOW_TITLE}"
      ${IfThen} $0 = 0 ${|} ${Break} ${|}
    ${Next}
    ${If} $0 <> 0
      MessageBox MB_OK|MB_ICONSTOP "$(StillRunning)" /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\VantrelisGuard.exe"
    ${For} $1 1 40
      ClearErrors
      FileOpen $2 "$INSTDIR\VantrelisGuard.exe" a
      ${IfNot} ${Errors}
        FileClose $2
        ${Break}
      ${EndIf}
      Sleep 250
    ${Next}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro CloseRunningCopy ""
!insertmacro CloseRunningCopy "un."

; Sets $0 to 1 when $INSTDIR can be made and written, else 0; leaves nothing behind.
Function ProbeWritable
  StrCpy $0 0
  StrCpy $3 ""
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $3 "made"
  ${EndIf}
  ClearErrors
  CreateDirectory "$INSTDIR"
  ${IfNot} ${Errors}
    FileOpen $2 "$INSTDIR\vantrelis-setup.tmp" w
    ${IfNot} ${Errors}
      FileClose $2
      Delete "$INSTDIR\vantrelis-setup.tmp"
      StrCpy $0 1
    ${EndIf}
  ${EndIf}
  ${If} $0 = 0
  ${AndIf} $3 == "made"
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

Function CheckChosenFolder
  Call ProbeWritable
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(FolderNotWritable)"
    Abort
  ${EndIf}
FunctionEnd

Function StartProgram
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\Vantrelis.exe"'
FunctionEnd

; Every shortcut starts the program in its own folder: SetOutPath sets the
; working folder CreateShortcut writes.
!macro ProgramShortcut path
  SetOutPath "$INSTDIR"
  CreateShortcut "${path}" "$INSTDIR\Vantrelis.exe" "" "$INSTDIR\Vantrelis.exe" 0
!macroend

Section "-Program"
  ; The folder page checked it already; a silent install names its own.
  Call ProbeWritable
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(FolderNotWritable)" /SD IDOK
    Abort "$(FolderNotWritable)"
  ${EndIf}
  Call CloseRunningCopy

  ; Only the program's own files: profile\, history\ and log\ stay as they are.
  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    File "${STAGE64}\Vantrelis.exe"
    File "${STAGE64}\VantrelisGuard.exe"
    File "${STAGE64}\Sysdigest.exe"
  ${Else}
    File "${STAGE32}\Vantrelis.exe"
    File "${STAGE32}\VantrelisGuard.exe"
    File "${STAGE32}\Sysdigest.exe"
  ${EndIf}
  SetOutPath "$INSTDIR\skin"
  File "${STAGE32}\skin\imgTemp"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  !insertmacro ProgramShortcut "$SMPROGRAMS\${PRODUCT}.lnk"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vantrelis.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "$(DesktopShortcut)" SectionDesktop
  !insertmacro ProgramShortcut "$DESKTOP\${PRODUCT}.lnk"
SectionEnd

Section /o "$(StartWithWindows)" SectionStartup
  !insertmacro ProgramShortcut "$SMSTARTUP\${PRODUCT}.lnk"
SectionEnd

; After the sections, whose indexes it names.
Function .onInit
  SetShellVarContext current
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/DESKTOP=" $R1
  ${IfNot} ${Errors}
  ${AndIf} $R1 == "0"
    SectionSetFlags ${SectionDesktop} 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/STARTUP=" $R1
  ${IfNot} ${Errors}
  ${AndIf} $R1 == "1"
    SectionSetFlags ${SectionStartup} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Uninstall"
  Call un.CloseRunningCopy
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  Delete "$SMSTARTUP\${PRODUCT}.lnk"
  Delete "$INSTDIR\Vantrelis.exe"
  Delete "$INSTDIR\VantrelisGuard.exe"
  Delete "$INSTDIR\Sysdigest.exe"
  Delete "$INSTDIR\skin\imgTemp"
  RMDir "$INSTDIR\skin"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The user's files stay unless the user says otherwise; a silent uninstall keeps them.
  MessageBox MB_YESNO|MB_DEFBUTTON2|MB_ICONQUESTION "$(RemoveUserFiles)" /SD IDNO IDNO keep
    RMDir /r "$INSTDIR\profile"
    RMDir /r "$INSTDIR\history"
    RMDir /r "$INSTDIR\log"
  keep:
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
