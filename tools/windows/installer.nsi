; Velmora-HTML2PDF-Setup.exe: the program with Qt's DLLs and plugins, a Start-menu entry, an
; uninstaller, and the empty bin folder where wkhtmltopdf.exe belongs (a Windows build of the converter
; cannot be bundled; the README says where to get one).
; makensis -DDIST=<folder laid out by build.sh> -DOUTFILE=<setup.exe> installer.nsi
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
RequestExecutionLevel admin
SetCompressor /SOLID lzma

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Program"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${DIST}/*"
  CreateDirectory "$INSTDIR\bin"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\HTML2PDFConverter.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk" "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "2.0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${APP_KEY}" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr HKLM "${APP_KEY}\shell\open\command" "" '"$INSTDIR\HTML2PDFConverter.exe" --queue "%1"'
  !insertmacro OpenWithType ".htm"
  !insertmacro OpenWithType ".html"
  !insertmacro OpenWithType ".xhtml"
  !insertmacro OpenWithType ".txt"
  !insertmacro OpenWithType ".xml"
SectionEnd

; Removes what the installer put there. A converter the user placed in bin stays, and with it the
; folder; the user's settings in the registry stay too.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$INSTDIR\HTML2PDFConverter.exe"
  Delete "$INSTDIR\*.dll"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
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
SectionEnd
