; VelloraSetup.exe: the setup package for 64-bit Windows, made with makensis
; from the MinGW build (the build's target "setup-package" runs it):
;   makensis -DOUTFILE=... -DPROGRAMS=... -DFILES=... -DKELP=... VelloraSetup.nsi
; PROGRAMS holds the programs and context menus, FILES the installation
; files vlsetup.exe installs the printer from (vlmon64x.dll, 4_64\, 4\),
; KELP the product's own Ghostscript (bin\gswin32c.exe ...).
;
; Installing: the programs into the program files folder, the installation
; files beside them (Setup\), the own Ghostscript into the system folder's
; "kelp", "AppPath", the context menus (regsvr32), then vlsetup.exe on the
; installation files (monitor, driver, printer "Vellora" on "VLM:"). When
; vlsetup finds no other interpreter the own Ghostscript is the one stored.
; Uninstalling reverses every step and removes what vlsetup and the
; programs leave (the files the spooler was given, the logs, the keys).
;
; Silent: "VelloraSetup.exe /S" and "uninstall.exe /S". Exit codes: 0 done,
; 2 the printer could not be installed (or, uninstalling, not removed).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include "LogicLib.nsh"

!ifndef OUTFILE | PROGRAMS | FILES | KELP
  !error "OUTFILE, PROGRAMS, FILES and KELP must be defined"
!endif

!define PRODUCT "Vellora"
!define VERSION "2.58"
!define PRODUCT_KEY "SOFTWARE\Norvale\Vellora"
!define MAKER_KEY "SOFTWARE\Norvale"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellora"
!define OWN_GHOSTSCRIPT "GNU Ghostscript 7.06 (kelp)"
!define MONITOR_FILE "vlmon64x.dll"
; The spooler's driver folder of the environment "Windows x64", and its
; version folder, where the spooler puts a copy of the driver's files.
!define DRIVER_FOLDER "$SYSDIR\spool\drivers\x64"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A 64-bit program itself, it sees the native system folder and registry.
Function .onInit
  SetRegView 64
FunctionEnd

Section "Vellora"
  SetOutPath "$INSTDIR"
  File "${PROGRAMS}\vlconv.exe"
  File "${PROGRAMS}\vlutil.exe"
  File "${PROGRAMS}\vlsetup.exe"
  File "${PROGRAMS}\Vellora.exe"
  File "${PROGRAMS}\vlrun.exe"
  File "${PROGRAMS}\vlreg.exe"
  File "${PROGRAMS}\vlgsreg.exe"
  File "${PROGRAMS}\vlmenu.dll"
  File "${PROGRAMS}\rasmenu.dll"
  SetOutPath "$INSTDIR\Setup"
  File "${FILES}\${MONITOR_FILE}"
  SetOutPath "$INSTDIR\Setup\4_64"
  File "${FILES}\4_64\*.*"
  SetOutPath "$INSTDIR\Setup\4"
  File "${FILES}\4\*.*"
  SetOutPath "$SYSDIR\kelp"
  File /r "${KELP}\*.*"
  SetOutPath "$INSTDIR"

  WriteRegStr HKLM "${PRODUCT_KEY}" "AppPath" "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Norvale"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; The context menus register themselves (DllRegisterServer).
  ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\vlmenu.dll"' $0
  DetailPrint "Convert with Vellora: regsvr32 ended with $0"
  ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\rasmenu.dll"' $0
  DetailPrint "Open with Rasmere: regsvr32 ended with $0"

  ; vlsetup takes its whole command line as the folder, unquoted.
  DetailPrint "Installing the printer"
  ExecWait '"$INSTDIR\vlsetup.exe" $INSTDIR\Setup' $0
  DetailPrint "vlsetup ended with $0"
  ${If} $0 == 1
    ; No other interpreter on the machine: the own Ghostscript converts.
    WriteRegStr HKLM "${PRODUCT_KEY}" "InterpreterLocation" "${OWN_GHOSTSCRIPT}"
  ${ElseIf} $0 != 0
    MessageBox MB_ICONSTOP "The printer Vellora could not be installed (see $WINDIR\vlinst.log)." /SD IDOK
    SetErrorLevel 2
  ${EndIf}
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Uninstall"
  ; Printer, driver and monitor leave the spooler first.
  ${If} ${FileExists} "$INSTDIR\vlsetup.exe"
    ExecWait '"$INSTDIR\vlsetup.exe" remove' $0
    ${If} $0 != 0
      SetErrorLevel 2
    ${EndIf}
  ${EndIf}
  ExecWait '"$SYSDIR\regsvr32.exe" /s /u "$INSTDIR\vlmenu.dll"'
  ExecWait '"$SYSDIR\regsvr32.exe" /s /u "$INSTDIR\rasmenu.dll"'

  ; What vlsetup copied for the spooler, which keeps copies of its own.
  Delete "$SYSDIR\${MONITOR_FILE}"
  Delete "$SYSDIR\vlcvt.exe"
  Delete "${DRIVER_FOLDER}\VELLORA.PPD"
  Delete "${DRIVER_FOLDER}\vlmode.reg"
  Delete "${DRIVER_FOLDER}\vlmodeA.reg"
  Delete "${DRIVER_FOLDER}\3\VELLORA.PPD"
  RMDir /r "$SYSDIR\kelp"
  Delete "$WINDIR\vlinst.log"
  Delete "$WINDIR\vlmon.log"

  ; The uninstalling user's settings and working folder (the PDFs stay).
  DeleteRegKey HKCU "Software\Norvale\Vellora"
  DeleteRegKey /ifempty HKCU "Software\Norvale"
  RMDir /r "$APPDATA\Vellora"

  DeleteRegKey HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "${MAKER_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  Delete "$INSTDIR\vlconv.exe"
  Delete "$INSTDIR\vlutil.exe"
  Delete "$INSTDIR\vlsetup.exe"
  Delete "$INSTDIR\Vellora.exe"
  Delete "$INSTDIR\vlrun.exe"
  Delete "$INSTDIR\vlreg.exe"
  Delete "$INSTDIR\vlgsreg.exe"
  Delete "$INSTDIR\vlmenu.dll"
  Delete "$INSTDIR\rasmenu.dll"
  Delete "$INSTDIR\vlconv.log"
  Delete "$INSTDIR\*.opt"
  RMDir /r "$INSTDIR\Setup"
  ; Quality presets and stationery an administrator added stay.
  RMDir "$INSTDIR\QOptions"
  RMDir "$INSTDIR\Stationery"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
