; Setup program of Imagewheel 1.91 (NSIS 3, ANSI: it has to run on Windows 95, 98 and ME).
;
; makensis -DIW_EXE=<imagewheel.exe> -DIW_ICON=<icon> -DIW_OUTFILE=<setup exe>
;          [-DIW_UNINSTALLER_COPY=<file>]   (a copy of the uninstaller, for checking it)
;
; Setup needs nothing of the system it installs on: imagewheel.exe takes its C
; run-time library from crtdll.dll, which every Windows 95 has.
;
; Setup installs imagewheel.exe and uninstall.exe, marks the installation as new
; (the program's first start backs up the logos and takes over the uninstall
; entry), registers the uninstall entry, the cycle run at every Windows start and
; a Start menu shortcut.
;
; The uninstaller removes what setup and the program wrote. The logos that were
; there before the program's first start must come back first: while the
; program's OriginalLogos folder exists, the uninstaller leaves everything alone
; and starts "imagewheel.exe /uninstall", which restores the logos, removes the
; folder and starts this uninstaller again (its command is the one setup wrote).
; A user's pictures, and the logo files the program has just put back, are never
; touched.

Unicode false
!include "MUI2.nsh"
!include "LogicLib.nsh"

!ifndef IW_EXE | IW_OUTFILE | IW_ICON
  !error "define IW_EXE, IW_ICON and IW_OUTFILE"
!endif
!ifdef IW_UNINSTALLER_COPY
  !uninstfinalize 'cp "%1" "${IW_UNINSTALLER_COPY}"'
!endif

!define PRODUCT "Imagewheel 1.91"
!define MARKER_KEY "software\velmorra software\imagewheel\1.91"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Imagewheel 1.91"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Set while the program's uninstall run has been asked to put the logos back.
!define HANDED_OVER "uninstall handed over"

Name "${PRODUCT}"
Caption "${PRODUCT} Setup"
UninstallCaption "${PRODUCT} Uninstall"
OutFile "${IW_OUTFILE}"
InstallDir "$PROGRAMFILES\Imagewheel"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow

!define MUI_ICON "${IW_ICON}"
!define MUI_UNICON "${IW_ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\imagewheel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Imagewheel now"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------
; Setup

Section "Imagewheel"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=imagewheel.exe" "${IW_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${MARKER_KEY}" "new installation" "TRUE"
  DeleteRegValue HKLM "${MARKER_KEY}" "${HANDED_OVER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${RUN_KEY}" "Imagewheel" '"$INSTDIR\imagewheel.exe" /cycle'

  ; A configuration run, working in the install folder ($OUTDIR).
  CreateShortCut "$SMPROGRAMS\Imagewheel.lnk" "$INSTDIR\imagewheel.exe"
SectionEnd

; ---------------------------------------------------------------------------
; Uninstaller

; $0 = 1 when the backup folder still holds one of the original logos, also
; as the complete ".tmp" copy that an interrupted write leaves on Windows 9x.
Function un.BackupPresent
  StrCpy $0 0
  ${If} ${FileExists} "$INSTDIR\OriginalLogos\Logo.sys"
  ${OrIf} ${FileExists} "$INSTDIR\OriginalLogos\Logow.sys"
  ${OrIf} ${FileExists} "$INSTDIR\OriginalLogos\Logos.sys"
  ${OrIf} ${FileExists} "$INSTDIR\OriginalLogos\Logo.sys.tmp"
  ${OrIf} ${FileExists} "$INSTDIR\OriginalLogos\Logow.sys.tmp"
  ${OrIf} ${FileExists} "$INSTDIR\OriginalLogos\Logos.sys.tmp"
    StrCpy $0 1
  ${EndIf}
FunctionEnd

Function un.onInit
  Call un.BackupPresent
  ReadRegStr $1 HKLM "${MARKER_KEY}" "${HANDED_OVER}"
  ${If} $1 == "TRUE"
    ; Started again by the program's uninstall run.
    DeleteRegValue HKLM "${MARKER_KEY}" "${HANDED_OVER}"
    ${If} $0 == 1
      MessageBox MB_OK|MB_ICONSTOP "Imagewheel could not put back the original start-up and \
shut-down screens. They are kept in $INSTDIR\OriginalLogos.$\r$\n$\r$\n\
Make sure the logo files are not read-only, then uninstall again. Nothing has been removed." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${ElseIf} ${FileExists} "$INSTDIR\OriginalLogos\*.*"
    ; The program has run: it puts its logos back first and then starts this
    ; uninstaller again.
    ${If} ${FileExists} "$INSTDIR\imagewheel.exe"
      WriteRegStr HKLM "${MARKER_KEY}" "${HANDED_OVER}" "TRUE"
      Exec '"$INSTDIR\imagewheel.exe" /uninstall'
      Quit
    ${ElseIf} $0 == 1
      MessageBox MB_OK|MB_ICONSTOP "The original start-up and shut-down screens are kept in \
$INSTDIR\OriginalLogos, but imagewheel.exe, which puts them back, is missing.$\r$\n$\r$\n\
Install Imagewheel again, then uninstall it. Nothing has been removed." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; Deletes a file that a process which has just ended may still hold for a
; moment; failing that, at the next restart.
!macro IW_DeleteWhenFree FILE
  Push $R0
  StrCpy $R0 0
  ${Do}
    ClearErrors
    Delete "${FILE}"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    IntOp $R0 $R0 + 1
    ${If} $R0 >= 40
      Delete /REBOOTOK "${FILE}"
      ${Break}
    ${EndIf}
    Sleep 250
  ${Loop}
  Pop $R0
!macroend

; A file the program writes, with the ".part" (being written) and ".tmp"
; (complete, not yet in place) files an interrupted write leaves beside it.
!macro IW_DeleteWritten FILE
  Delete "${FILE}"
  Delete "${FILE}.part"
  Delete "${FILE}.tmp"
!macroend
; Only what an interrupted write leaves: the file itself is a logo now in use.
!macro IW_DeleteLeftovers FILE
  Delete "${FILE}.part"
  Delete "${FILE}.tmp"
!macroend

Section "Uninstall"
  SetShellVarContext all
  ; No folder of ours may stay current, or it could not be removed.
  SetOutPath "$TEMP"

  ; The boot drive the program installed Logo.sys on, for its leftovers.
  ReadINIStr $1 "$WINDIR\IMAGEWHEEL.INI" "CONFIG" "BOOT_DRIVE"
  StrCpy $1 $1 1
  ${If} $1 == ""
    StrCpy $1 "C"
  ${EndIf}

  !insertmacro IW_DeleteWhenFree "$INSTDIR\imagewheel.exe"
  !insertmacro IW_DeleteWritten "$INSTDIR\SignonFileList.txt"
  !insertmacro IW_DeleteWritten "$INSTDIR\CurrSignonFile.txt"
  !insertmacro IW_DeleteWritten "$INSTDIR\ShutdownFileList.txt"
  !insertmacro IW_DeleteWritten "$INSTDIR\CurrShutdownFile.txt"
  !insertmacro IW_DeleteWritten "$INSTDIR\SignoffFileList.txt"
  !insertmacro IW_DeleteWritten "$INSTDIR\CurrSignoffFile.txt"
  !insertmacro IW_DeleteWritten "$INSTDIR\WallpaperFileList.txt"
  !insertmacro IW_DeleteWritten "$INSTDIR\CurrWallpaperFile.txt"
  !insertmacro IW_DeleteWritten "$INSTDIR\Rendered.bmp"
  ; The backups have been put back by now (un.onInit saw to it): only torn
  ; copies can be left in the folder.
  Delete "$INSTDIR\OriginalLogos\Logo.sys.part"
  Delete "$INSTDIR\OriginalLogos\Logow.sys.part"
  Delete "$INSTDIR\OriginalLogos\Logos.sys.part"
  RMDir "$INSTDIR\OriginalLogos"
  !insertmacro IW_DeleteLeftovers "$1:\Logo.sys"
  !insertmacro IW_DeleteLeftovers "$WINDIR\Logow.sys"
  !insertmacro IW_DeleteLeftovers "$WINDIR\Logos.sys"
  Delete "$WINDIR\IMAGEWHEEL.INI"

  Delete "$SMPROGRAMS\Imagewheel.lnk"
  DeleteRegValue HKLM "${RUN_KEY}" "Imagewheel"
  DeleteRegKey HKLM "${MARKER_KEY}"
  DeleteRegKey /ifempty HKLM "software\velmorra software\imagewheel"
  DeleteRegKey /ifempty HKLM "software\velmorra software"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  !insertmacro IW_DeleteWhenFree "$INSTDIR\uninstall.exe"
  ; Only when empty: a user's pictures may live here.
  RMDir "$INSTDIR"
SectionEnd
