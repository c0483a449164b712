; The per-user installer of the ZE50321 programs for 64-bit Windows. The configurator keeps MASTER,
; PROJECTS and its INI file beside its program, so it installs into a folder the user owns,
; %LOCALAPPDATA%\Programs\ZE50321, and needs no administrator rights. The uninstaller removes what
; this installer put there, never what the user made.
;
; makensis -DVERSION=<version> -DSTAGE=<folder of the programs> -DFILES=<install list>
;          -DUNFILES=<uninstall list> -DOUTFILE=<setup.exe> installer.nsi
; The two lists (File and Delete lines of every staged file) are written by scripts/package-windows.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "LogicLib.nsh"

!define PRODUCT "ZE50321 Configurator"
!define PUBLISHER "ZE50321 project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZE50321"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
Icon "${STAGE}\ze50321.ico"
UninstallIcon "${STAGE}\ze50321.ico"
InstallDir "$LOCALAPPDATA\Programs\ZE50321"
; An upgrade goes into the folder the user chose for the first install (/D= still wins).
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Appends to $1 the name of the program FILE of $INSTDIR when it is running: Windows refuses to
; open a running program's file for writing (opening it to append changes nothing).
!macro HELD_PROGRAM FILE
    ${If} ${FileExists} "$INSTDIR\${FILE}"
        ClearErrors
        FileOpen $0 "$INSTDIR\${FILE}" a
        ${If} ${Errors}
            StrCpy $1 "$1$\r$\n    ${FILE}"
        ${Else}
            FileClose $0
        ${EndIf}
    ${EndIf}
!macroend

; Before anything is replaced or removed: the programs must not run, or nothing is done. The user
; is asked to close them (Retry) or to give up (Cancel); silently it gives up, exit code 2.
!macro PROGRAMS_CLOSED_FUNCTION PREFIX
Function ${PREFIX}ProgramsClosed
    retry:
    StrCpy $1 ""
    !insertmacro HELD_PROGRAM "Velmora_RAZ2Idi.exe"
    !insertmacro HELD_PROGRAM "Ser_50321_Update.exe"
    !insertmacro HELD_PROGRAM "ze50321.exe"
    ${If} $1 != ""
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "These programs in $INSTDIR are running, so they \
cannot be replaced or removed:$1$\r$\n$\r$\nClose them, then press Retry." /SD IDCANCEL IDRETRY retry
        DetailPrint "Nothing was changed: programs in $INSTDIR are running:$1"
        SetErrorLevel 2
        Abort "Nothing was changed: programs in $INSTDIR are running."
    ${EndIf}
FunctionEnd
!macroend
!insertmacro PROGRAMS_CLOSED_FUNCTION ""
!insertmacro PROGRAMS_CLOSED_FUNCTION "un."

Section "Programs"
    SetShellVarContext current
    Call ProgramsClosed
    SetOutPath "$INSTDIR"
    !include "${FILES}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Velmora_RAZ2Idi.exe" "" "$INSTDIR\ze50321.ico"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ze50321.ico"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Call un.ProgramsClosed
    ; Exactly the files installed, then their folders where they are left empty: MASTER, PROJECTS,
    ; the INI file and whatever else the user made stay, and so does the folder holding them.
    !include "${UNFILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    IfFileExists "$INSTDIR\*.*" 0 done
        DetailPrint "Kept in $INSTDIR: MASTER, PROJECTS, the INI file and your other files."
        MessageBox MB_OK|MB_ICONINFORMATION "The programs are removed. Your files stay in $INSTDIR: \
MASTER (the firmware file), PROJECTS (your projects) and the INI file. Delete the folder \
yourself when you no longer need them." /SD IDOK
    done:
SectionEnd
