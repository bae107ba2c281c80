; The player's installer: the host and its start screen's sprite file, which is all a player needs
; before the first update. Installs for the current user (no administrator rights) or for all users
; of the machine, with a Start menu entry, an optional desktop shortcut and an uninstaller
; registered with Windows.
;
; Given by the build (makensis -D...): GAME_NAME, VERSION (x.y.z), LANGUAGE (an NSIS language
; name), PROGRAM_FILE (the Tidemarch.exe to install), START_SPRITES (SPR/Start.SPR), ICON,
; UPDATE_SERVER (the host's built-in update server address), OUTFILE.
;
; Command line, besides NSIS's own /S (silent) and /D=folder (last):
;   /CurrentUser (the default) or /AllUsers    where to install
;   /NoDesktopShortcut                          no desktop shortcut
; The uninstaller is registered with the mode it was installed for.

Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma

!define PROGRAM "Tidemarch.exe"
!define UNINSTALLER "Uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${GAME_NAME}"
; Where the host keeps its update server address (its edition's key), under HKEY_LOCAL_MACHINE.
!define SERVER_SETTING_KEY "SOFTWARE\Zeq\TIDEMARCHRUSSIA"
!define SERVER_SETTING_PARENT "SOFTWARE\Zeq"
!define SERVER_SETTING_VALUE "UpdateServer"
; Wine's per-program setting that turns Direct3D's busily waiting command-stream thread off.
!define WINE_PROGRAM_KEY "Software\Wine\AppDefaults\${PROGRAM}"
!define WINE_DIRECT3D_KEY "${WINE_PROGRAM_KEY}\Direct3D"
; The Users group, by its well-known SID.
!define USERS_GROUP "*S-1-5-32-545"
; The exit code of a refused installation folder.
!define REFUSED_FOLDER_EXIT_CODE 2

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_INSTDIR "${GAME_NAME}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Name "${GAME_NAME}"
OutFile "${OUTFILE}"
BrandingText "${GAME_NAME} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE LeaveFolderPage
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "${LANGUAGE}"
!include "${__FILEDIR__}/strings.nsh"

; The installer's version information, in the installer's language. The build names no copyright
; holder.
!pragma warning disable 9100
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${GAME_NAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${GAME_NAME} ${VERSION}"

; -- Under Wine ---------------------------------------------------------------------------------

; Pushes 1 when the process runs under Wine (its ntdll exports wine_get_version), else 0.
!macro RUNS_UNDER_WINE_FUNCTION PREFIX
Function ${PREFIX}RunsUnderWine
    Push $0
    Push $1
    StrCpy $1 0
    System::Call 'kernel32::GetModuleHandle(t "ntdll.dll") p .r0'
    ${If} $0 P<> 0
        System::Call 'kernel32::GetProcAddress(p r0, m "wine_get_version") p .r0'
        ${If} $0 P<> 0
            StrCpy $1 1
        ${EndIf}
    ${EndIf}
    Exch $1
    Exch
    Pop $0
FunctionEnd
!macroend
!insertmacro RUNS_UNDER_WINE_FUNCTION ""
!insertmacro RUNS_UNDER_WINE_FUNCTION "un."

; -- The installation folder ---------------------------------------------------------------------

; The uninstaller removes every file of the program folder and of the folders directly inside it,
; where the update writes, so the program folder must be the game's own: a new or empty folder, or
; the folder of this game's earlier installation. Sets the error flag when the folder is refused.
Function CheckInstallFolder
    Push $0
    Push $1
    ClearErrors
    ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} $0 == $INSTDIR
        Pop $1
        Pop $0
        ClearErrors
        Return
    ${EndIf}
    ClearErrors
    FindFirst $0 $1 "$INSTDIR\*"
    ${DoWhile} $1 != ""
        ${If} $1 != "."
        ${AndIf} $1 != ".."
            FindClose $0
            Pop $1
            Pop $0
            SetErrors
            Return
        ${EndIf}
        FindNext $0 $1
    ${Loop}
    FindClose $0
    Pop $1
    Pop $0
    ClearErrors
FunctionEnd

Function LeaveFolderPage
    Call CheckInstallFolder
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONEXCLAMATION "$(FolderNotEmpty)"
        Abort
    ${EndIf}
FunctionEnd

; -- Installer -----------------------------------------------------------------------------------

Section "-${GAME_NAME}" SecProgram
    SetOutPath "$INSTDIR"
    File "/oname=${PROGRAM}" "${PROGRAM_FILE}"
    SetOutPath "$INSTDIR\SPR"
    File "/oname=Start.SPR" "${START_SPRITES}"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    CreateShortcut "$SMPROGRAMS\${GAME_NAME}.lnk" "$INSTDIR\${PROGRAM}"

    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${GAME_NAME}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; For all users the program lies under Program Files, which users may not write; the update
    ; writes into the program folder with the rights of the user who plays.
    ${If} $MultiUser.InstallMode == "AllUsers"
        nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR" /grant ${USERS_GROUP}:(OI)(CI)M /T /Q'
        Pop $0
    ${EndIf}

    ; Under Wine, Direct3D's command-stream thread would take most of a core while the host shows
    ; its screens. The host writes the same value itself when it is missing (for whoever plays).
    Call RunsUnderWine
    Pop $0
    ${If} $0 == 1
        ClearErrors
        ReadRegDWORD $1 HKCU "${WINE_DIRECT3D_KEY}" "csmt"
        ${If} ${Errors}
            WriteRegDWORD HKCU "${WINE_DIRECT3D_KEY}" "csmt" 0
        ${EndIf}
    ${EndIf}
SectionEnd

Section "$(DesktopShortcutSection)" SecDesktop
    CreateShortcut "$DESKTOP\${GAME_NAME}.lnk" "$INSTDIR\${PROGRAM}"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "$(DesktopShortcutDescription)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
    ; A folder given with /D= stays; the install mode would set its own default.
    StrCpy $R9 $INSTDIR
    !insertmacro MULTIUSER_INIT
    ${If} $R9 != ""
        StrCpy $INSTDIR $R9
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/NoDesktopShortcut" $1
    ${IfNot} ${Errors}
        !insertmacro UnselectSection ${SecDesktop}
    ${EndIf}
    ; Without pages the folder is not checked on leaving one.
    ${If} ${Silent}
        Call CheckInstallFolder
        ${If} ${Errors}
            MessageBox MB_OK|MB_ICONEXCLAMATION "$(FolderNotEmpty)" /SD IDOK
            SetErrorLevel ${REFUSED_FOLDER_EXIT_CODE}
            Quit
        ${EndIf}
    ${EndIf}
FunctionEnd

; -- Uninstaller ---------------------------------------------------------------------------------

Function un.onInit
    ; The uninstaller clears the folder it lies in, which must be the folder registered for this
    ; game in the install mode given (the install mode would take the registered one).
    StrCpy $R9 $INSTDIR
    !insertmacro MULTIUSER_UNINIT
    StrCpy $INSTDIR $R9
    ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != $INSTDIR
        MessageBox MB_OK|MB_ICONSTOP "$(NotInstalledHere)" /SD IDOK
        SetErrorLevel ${REFUSED_FOLDER_EXIT_CODE}
        Quit
    ${EndIf}
FunctionEnd

; Removes the files of the program folder and of the folders directly inside it (what the
; installer put there and what the updates wrote, which never goes deeper), then every folder that
; is left empty. Files deeper down belong to nobody the game knows of and stay, with their folders.
Function un.RemoveProgramFiles
    Delete "$INSTDIR\*.*"
    FindFirst $0 $1 "$INSTDIR\*"
    ${DoWhile} $1 != ""
        ${If} $1 != "."
        ${AndIf} $1 != ".."
        ${AndIf} ${FileExists} "$INSTDIR\$1\*.*"
            Delete "$INSTDIR\$1\*.*"
            RMDir "$INSTDIR\$1"
        ${EndIf}
        FindNext $0 $1
    ${Loop}
    FindClose $0
    RMDir "$INSTDIR"
FunctionEnd

; The game's own settings: the update server address the host wrote (a value somebody changed
; from the built-in one is theirs and stays) and, under Wine, the Direct3D setting the installer or
; the host wrote for the program. Keys are removed only when nothing else is left in them.
Function un.ForgetGameSettings
    ReadRegStr $0 HKLM "${SERVER_SETTING_KEY}" "${SERVER_SETTING_VALUE}"
    ${If} $0 == "${UPDATE_SERVER}"
        DeleteRegValue HKLM "${SERVER_SETTING_KEY}" "${SERVER_SETTING_VALUE}"
    ${EndIf}
    DeleteRegKey /ifempty HKLM "${SERVER_SETTING_KEY}"
    DeleteRegKey /ifempty HKLM "${SERVER_SETTING_PARENT}"

    Call un.RunsUnderWine
    Pop $0
    ${If} $0 == 1
        ClearErrors
        ReadRegDWORD $1 HKCU "${WINE_DIRECT3D_KEY}" "csmt"
        ${IfNot} ${Errors}
        ${AndIf} $1 = 0
            DeleteRegValue HKCU "${WINE_DIRECT3D_KEY}" "csmt"
        ${EndIf}
        DeleteRegKey /ifempty HKCU "${WINE_DIRECT3D_KEY}"
        DeleteRegKey /ifempty HKCU "${WINE_PROGRAM_KEY}"
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Call un.RemoveProgramFiles
    Delete "$SMPROGRAMS\${GAME_NAME}.lnk"
    Delete "$DESKTOP\${GAME_NAME}.lnk"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    Call un.ForgetGameSettings
SectionEnd
