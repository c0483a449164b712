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

!define PRODUCT "ZE50321 Configurator"
!define PUBLISHER "ZE50321 project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZE50321"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
Icon "${STAGE}\ze50321.ico"
UninstallIcon "${STAGE}\ze50321.ico"
InstallDir "$LOCALAPPDATA\Programs\ZE50321"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Programs"
    SetShellVarContext current
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
