; The Windows installer: a 64-bit program that puts the programs and documents in
; Program Files\ArdenoX Modbus, adds them to the Start menu and lists its uninstaller in "Apps and features".
; "/S" installs and uninstalls without a window.
;
; cmake/WindowsPackage.cmake builds it and defines VERSION, VERSION4 (the same as four numbers), STAGE (the
; folder holding the files), FILE_LIST (the ARDENOX_FILES macro naming them), OUTFILE, ICON (the program's
; icon, for the installer and the uninstaller too) and, when the window program is built, WINDOW_PROGRAM.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel admin

!include MUI2.nsh
!include FileFunc.nsh
!include "${FILE_LIST}"

!define PRODUCT "ArdenoX Modbus"
!define FULL_NAME "ArdenoX Modbus Configuration"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ArdenoXModbus"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"
!define UNINSTALLER "uninstall.exe"
!ifdef WINDOW_PROGRAM
    !define ICON_PROGRAM "${WINDOW_PROGRAM}"
!else
    !define ICON_PROGRAM "${UNINSTALLER}"
!endif

Name "${FULL_NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" InstallLocation
BrandingText "Brannik"

VIProductVersion ${VERSION4}
VIFileVersion ${VERSION4}
VIAddVersionKey ProductName "${FULL_NAME}"
VIAddVersionKey CompanyName "Brannik"
VIAddVersionKey FileDescription "${FULL_NAME} setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "Copyright 2026 Brannik"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!ifdef WINDOW_PROGRAM
    !define MUI_FINISHPAGE_RUN "$INSTDIR\${WINDOW_PROGRAM}"
!endif
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

!macro INSTALL_FILE NAME
    File "${STAGE}/${NAME}"
!macroend
!macro REMOVE_FILE NAME
    Delete "$INSTDIR\${NAME}"
!macroend

; The Start-menu entries, made and removed by the same list.
!macro SHORTCUTS ACTION
    !ifdef WINDOW_PROGRAM
        !insertmacro ${ACTION} "${FULL_NAME}" "$INSTDIR\${WINDOW_PROGRAM}" ""
    !endif
    ; The command-line program needs a console: this entry opens one in the program folder.
    !insertmacro ${ACTION} "${PRODUCT} command line" "$SYSDIR\cmd.exe" "/k ardenox-cli.exe --help"
    !insertmacro ${ACTION} "${PRODUCT} README" "$INSTDIR\README.txt" ""
    !insertmacro ${ACTION} "${PRODUCT} field guide" "$INSTDIR\field-guide.txt" ""
!macroend
!macro CREATE_SHORTCUT NAME TARGET PARAMETERS
    CreateShortcut "${MENU_FOLDER}\${NAME}.lnk" "${TARGET}" "${PARAMETERS}"
!macroend
!macro REMOVE_SHORTCUT NAME TARGET PARAMETERS
    Delete "${MENU_FOLDER}\${NAME}.lnk"
!macroend

Section
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    !insertmacro ARDENOX_FILES INSTALL_FILE
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    ; The shortcuts start in the program folder (the output path).
    CreateDirectory "${MENU_FOLDER}"
    !insertmacro SHORTCUTS CREATE_SHORTCUT

    WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayName "${FULL_NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" Publisher "Brannik"
    WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayIcon '"$INSTDIR\${ICON_PROGRAM}",0'
    WriteRegStr HKLM "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoModify 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoRepair 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" EstimatedSize $0
SectionEnd

Section Uninstall
    SetShellVarContext all
    !insertmacro SHORTCUTS REMOVE_SHORTCUT
    RMDir "${MENU_FOLDER}"
    ; Only what was installed: a folder the operator put other files in stays, with those files.
    !insertmacro ARDENOX_FILES REMOVE_FILE
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
