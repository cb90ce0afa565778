; Velmora-HTML2PDF-Setup.exe: the program and its command-line twin with Qt's DLLs and plugins and
; the licences of Qt and qpdf (in "licences"), a
; Start-menu entry, an Apps & features entry with an uninstaller, the empty bin folder where
; wkhtmltopdf.exe belongs (a Windows build of the converter cannot be bundled; the README says where
; to get one), and on request the program's folder on the user's PATH.
; makensis -DDIST=<folder laid out by build.sh> -DOUTFILE=<setup.exe> installer.nsi
; Silent install: Setup.exe /S, with /ADDTOPATH to put the folder on PATH too.
; A 64-bit installer for a 64-bit program.
Target amd64-unicode
!ifndef DIST
  !error "DIST must name the folder that build.sh lays out"
!endif
!ifndef OUTFILE
  !define OUTFILE "Velmora-HTML2PDF-Setup.exe"
!endif
!define PRODUCT "Velmora Free HTML to PDF Converter"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora HTML2PDF"
!define ENVIRONMENT_KEY "Environment"

!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "StrFunc.nsh"
!include "WinMessages.nsh"
${StrStr}
${UnStrRep}

; "Open with" for the file types the program takes: the file goes into the window's queue (--queue).
!define APP_KEY "Software\Classes\Applications\HTML2PDFConverter.exe"
!macro OpenWithType EXT
  WriteRegStr HKLM "${APP_KEY}\SupportedTypes" "${EXT}" ""
  WriteRegStr HKLM "Software\Classes\${EXT}\OpenWithList\HTML2PDFConverter.exe" "" ""
!macroend
!macro RemoveOpenWithType EXT
  DeleteRegKey HKLM "Software\Classes\${EXT}\OpenWithList\HTML2PDFConverter.exe"
!macroend

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Velmora HTML2PDF"
; An upgrade goes where the earlier install is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The user's settings (HKEY_CURRENT_USER\SOFTWARE\Velmora Free HTML to PDF Converter) are never
; touched, so an upgrade keeps them and an uninstall leaves them.
Section "Program" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${DIST}/*"
  CreateDirectory "$INSTDIR\bin"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; Earlier installs made a Start-menu folder with an uninstaller shortcut; Apps & features does that now.
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\HTML2PDFConverter.exe" "" "$INSTDIR\HTML2PDFConverter.exe" 0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "2.0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Velmora"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\HTML2PDFConverter.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegStr HKLM "${APP_KEY}" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr HKLM "${APP_KEY}\shell\open\command" "" '"$INSTDIR\HTML2PDFConverter.exe" --queue "%1"'
  !insertmacro OpenWithType ".htm"
  !insertmacro OpenWithType ".html"
  !insertmacro OpenWithType ".xhtml"
  !insertmacro OpenWithType ".txt"
  !insertmacro OpenWithType ".xml"
SectionEnd

; velmora-html2pdf.exe from any command prompt. The user's own PATH, not the machine's; a PATH too long
; for this installer to rewrite whole is left as it is.
Section /o "Add the program's folder to my PATH (velmora-html2pdf)" SecPath
  ReadRegStr $0 HKCU "${ENVIRONMENT_KEY}" "Path"
  StrLen $1 $0
  IntOp $2 ${NSIS_MAX_STRLEN} - 2
  ${If} $1 >= $2
    DetailPrint "Your PATH is too long to change safely; add $INSTDIR to it yourself."
    Return
  ${EndIf}
  ${StrStr} $1 ";$0;" ";$INSTDIR;"
  ${If} $1 != ""
    Return
  ${EndIf}
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR"
  ${Else}
    StrCpy $0 "$0;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr HKCU "${ENVIRONMENT_KEY}" "Path" "$0"
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
SectionEnd

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ADDTOPATH" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecPath}
  ${EndIf}
FunctionEnd

; Removes what the installer put there. A converter the user placed in bin stays, and with it the
; folder; the user's settings in the registry stay too.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\HTML2PDFConverter.exe"
  Delete "$INSTDIR\velmora-html2pdf.exe"
  Delete "$INSTDIR\*.dll"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\tls"
  RMDir /r "$INSTDIR\licences"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR\bin"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${APP_KEY}"
  !insertmacro RemoveOpenWithType ".htm"
  !insertmacro RemoveOpenWithType ".html"
  !insertmacro RemoveOpenWithType ".xhtml"
  !insertmacro RemoveOpenWithType ".txt"
  !insertmacro RemoveOpenWithType ".xml"

  ; The program's folder leaves the user's PATH, wherever in it it was.
  ReadRegStr $0 HKCU "${ENVIRONMENT_KEY}" "Path"
  ${UnStrRep} $1 ";$0;" ";$INSTDIR;" ";"
  ${If} $1 != ";$0;"
    StrCpy $1 $1 "" 1
    StrCpy $1 $1 -1
    ${If} $1 == ""
      DeleteRegValue HKCU "${ENVIRONMENT_KEY}" "Path"
    ${Else}
      WriteRegExpandStr HKCU "${ENVIRONMENT_KEY}" "Path" "$1"
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
SectionEnd
