; The Windows installer of Quorvel, made by makensis (target windows_installer) from the folder of
; the Windows package, so that it installs exactly the files of the zip.
;
; Per user, without administrator: into the user's local programs folder, where the settings file
; quorvel.ini beside the program stays writable. /S installs silently; /D=<folder> (last on the
; command line, quoted or not) chooses the folder, which must be a full path. A Start-menu
; shortcut, and an uninstaller registered for the user (Apps & features).
;
; What the user has made stays: the setup and the uninstaller keep quorvel.ini, and a table file
; the user changed (told by content from the one the setup installed last, whose fingerprint the
; setup records in uninstall.ini); an update puts the new shipped table beside a changed one as
; <name>.new.dat. One installation per user: while one is registered, the setup updates it and
; refuses another folder. It refuses a folder holding files of another program that it would
; overwrite, and a folder it cannot write; while a program of the installed copy runs, it asks for
; it to be closed (silently it fails). Every refusal ends with a non-zero status (2) and leaves
; the machine as it was; the uninstaller likewise.
;
; The build defines: VERSION (the project's), VERSION_NUMBERS (four numbers with dots), COMPANY
; (the copyright holder too), PACKAGE (the package folder), PACKAGE_LISTS (its file lists as macros,
; packaging/windows/package_lists.cmake), ICON and OUTFILE.

; A 64-bit installer for the 64-bit programs: it registers them where 64-bit Windows looks, and
; runs where they run.
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
; A file that cannot be written stops the setup (Retry or Cancel; silently: Cancel) instead of
; being skipped.
AllowSkipFiles off

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel"
!define SHORTCUT "$SMPROGRAMS\Quorvel.lnk"
; The fingerprints of the tables the setup installed last, beside the uninstaller.
!define RECORD "uninstall.ini"

Name "Quorvel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quorvel"
; An update goes where the installed copy is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "${PACKAGE_LISTS}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quorvel.exe"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

VIProductVersion "${VERSION_NUMBERS}"
VIFileVersion "${VERSION_NUMBERS}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "Quorvel"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Quorvel ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "${U+00A9} ${COMPANY}"

; Shows text (silently: nothing) and stops: the setup or the uninstall in a section or in .onInit
; (its status is then 2, "aborted by the script"), the page in a page's leave function.
!macro Refuse TEXT
    MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
    Abort
!macroend

; Sets $R9 to the first program or library of the package in $INSTDIR that cannot be opened for
; writing (a running program holds it), "" when none.
!macro QuorvelFileInUse FILE
    ${If} $R9 == ""
    ${AndIf} ${FileExists} "$INSTDIR\${FILE}"
        ClearErrors
        FileOpen $R8 "$INSTDIR\${FILE}" a
        ${If} ${Errors}
            StrCpy $R9 "${FILE}"
        ${Else}
            FileClose $R8
        ${EndIf}
    ${EndIf}
!macroend

; The functions that the setup and the uninstaller both use, once for each (PREFIX "" or "un.").
!macro SharedFunctions PREFIX
; Pops a path; pushes it as a full path without "." and ".." and without a closing backslash
; unless it is a drive's root (the folder need not exist; NSIS's GetFullPathName wants it to), ""
; when it is no path.
Function ${PREFIX}FullPath
    Exch $0
    Push $1
    System::Call "kernel32::GetFullPathNameW(t r0, i ${NSIS_MAX_STRLEN}, t .r0, p 0) i .r1"
    ${If} $1 == 0
    ${OrIf} $1 >= ${NSIS_MAX_STRLEN}
        StrCpy $0 ""
    ${EndIf}
    StrCpy $1 $0 "" -1
    ${If} $1 == "\"
        StrLen $1 $0
        ${If} $1 > 3
            StrCpy $0 $0 -1
        ${EndIf}
    ${EndIf}
    Pop $1
    Exch $0
FunctionEnd

; Pops a file name; pushes the fingerprint of its content (length and FNV-1a hash of the bytes),
; or "" when it cannot be read. The tables are small: a byte at a time is quick enough.
Function ${PREFIX}Fingerprint
    Exch $0
    Push $1
    Push $2
    Push $3
    ClearErrors
    FileOpen $1 $0 r
    ${If} ${Errors}
        StrCpy $0 ""
    ${Else}
        StrCpy $0 0x811C9DC5
        StrCpy $2 0
        ${Do}
            ClearErrors
            FileReadByte $1 $3
            ${If} ${Errors}
                ${ExitDo}
            ${EndIf}
            IntOp $0 $0 ^ $3
            IntOp $0 $0 * 16777619
            IntOp $0 $0 & 0xFFFFFFFF
            IntOp $2 $2 + 1
        ${Loop}
        FileClose $1
        IntFmt $0 "%08X" $0
        StrCpy $0 "$2:$0"
    ${EndIf}
    Pop $3
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

; Waits until no program of the installed copy runs: asks the user to close it (Retry), or stops
; (Cancel; silently at once) before anything was changed.
Function ${PREFIX}WaitUntilClosed
    ${Do}
        StrCpy $R9 ""
        !insertmacro QUORVEL_FOR_PROGRAMS QuorvelFileInUse
        ${If} $R9 == ""
            ${ExitDo}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Quorvel запущен из папки $INSTDIR \
            (занят файл $R9). Закройте все окна Quorvel и нажмите «Повтор»." \
            /SD IDCANCEL IDRETRY retry
        !insertmacro Refuse "Quorvel не закрыт: ничего не изменено."
    retry:
    ${Loop}
FunctionEnd
!macroend
!insertmacro SharedFunctions ""
!insertmacro SharedFunctions "un."

; $R0: the folder of the registered installation ("" when none, or when its uninstaller is gone),
; as a full path.
Function RegisteredFolder
    ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R0 != ""
    ${AndIf} ${FileExists} "$R0\uninstall.exe"
        Push $R0
        Call FullPath
        Pop $R0
    ${Else}
        StrCpy $R0 ""
    ${EndIf}
FunctionEnd

; Sets $R9 to the first file in $INSTDIR that the setup would overwrite, "" when none.
!macro QuorvelExistingFile FILE
    ${If} $R9 == ""
    ${AndIf} ${FileExists} "$INSTDIR\${FILE}"
        StrCpy $R9 "${FILE}"
    ${EndIf}
!macroend

; Refuses (see Refuse) a folder other than the registered installation's, and a folder that holds
; files the setup would overwrite without having installed them (another program's).
Function CheckFolder
    Call RegisteredFolder
    Push $INSTDIR
    Call FullPath
    Pop $R1
    ${If} $R0 != ""
        ${If} $R0 != $R1
            !insertmacro Refuse "Quorvel уже установлен в папку $R0. Чтобы установить его в \
                другую папку, сначала удалите установленный (Параметры Windows, «Приложения»)."
        ${EndIf}
        Return
    ${EndIf}
    StrCpy $R9 ""
    !insertmacro QUORVEL_FOR_REPLACED QuorvelExistingFile
    !insertmacro QuorvelExistingFile "uninstall.exe"
    !insertmacro QuorvelExistingFile "${RECORD}"
    ${If} $R9 != ""
        !insertmacro Refuse "В папке $INSTDIR уже есть файл $R9, который установка заменила бы. \
            Выберите для Quorvel отдельную папку."
    ${EndIf}
FunctionEnd

; $INSTDIR from /D=<folder> as the command line gives it: NSIS itself takes only the unquoted
; form, and without a word replaces a folder it cannot use with the default. Refuses a folder that
; is not a full path, on a drive that does not exist, or that is a file.
Function FolderFromCommandLine
    System::Call "kernel32::GetCommandLineW() t .R0"
    ; The options follow the setup's own name, which may be quoted and hold blanks.
    StrCpy $R1 $R0 1
    ${If} $R1 == '"'
        StrCpy $R2 1
        ${Do}
            StrCpy $R1 $R0 1 $R2
            IntOp $R2 $R2 + 1
            ${If} $R1 == '"'
            ${OrIf} $R1 == ""
                ${ExitDo}
            ${EndIf}
        ${Loop}
        StrCpy $R0 $R0 "" $R2
    ${EndIf}
    StrCpy $R2 0
    StrLen $R3 $R0
    ${Do}
        ${If} $R2 >= $R3
            Return
        ${EndIf}
        StrCpy $R1 $R0 4 $R2
        ${If} $R1 S== " /D="
            ${ExitDo}
        ${EndIf}
        IntOp $R2 $R2 + 1
    ${Loop}
    IntOp $R2 $R2 + 4
    StrCpy $R0 $R0 "" $R2
    StrCpy $R4 $R0 ; as given, for the message
    ; "C:\Program Files\Quorvel", as Windows quotes a path with blanks.
    StrCpy $R1 $R0 1
    ${If} $R1 == '"'
        StrCpy $R0 $R0 "" 1
        StrCpy $R1 $R0 "" -1
        ${If} $R1 != '"'
            Goto bad
        ${EndIf}
        StrCpy $R0 $R0 -1
    ${EndIf}
    ; A full path: a drive letter, a colon and a separator, or \\server\share; no character that
    ; no Windows name may hold.
    StrCpy $R1 $R0 2
    ${If} $R1 == "\\"
        StrCpy $R5 ""
    ${Else}
        StrCpy $R1 $R0 1 1
        StrCpy $R2 $R0 1 2
        ${If} $R1 != ":"
            Goto bad
        ${EndIf}
        ${If} $R2 != "\"
        ${AndIf} $R2 != "/"
            Goto bad
        ${EndIf}
        StrCpy $R5 $R0 3
    ${EndIf}
    StrLen $R3 $R0
    StrCpy $R2 0
    ${Do}
        ${If} $R2 >= $R3
            ${ExitDo}
        ${EndIf}
        StrCpy $R1 $R0 1 $R2
        ${If} $R1 == '"'
        ${OrIf} $R1 == "<"
        ${OrIf} $R1 == ">"
        ${OrIf} $R1 == "|"
        ${OrIf} $R1 == "?"
        ${OrIf} $R1 == "*"
            Goto bad
        ${EndIf}
        ${If} $R1 == ":"
        ${AndIf} $R2 != 1
            Goto bad
        ${EndIf}
        IntOp $R2 $R2 + 1
    ${Loop}
    ${If} $R5 != ""
        ; DRIVE_NO_ROOT_DIR (1): no such drive.
        System::Call "kernel32::GetDriveTypeW(t R5) i .R1"
        ${If} $R1 == 1
            Goto bad
        ${EndIf}
    ${EndIf}
    Push $R0
    Call FullPath
    Pop $R0
    ${If} $R0 == ""
        Goto bad
    ${EndIf}
    ${If} ${FileExists} $R0
    ${AndIfNot} ${FileExists} "$R0\*.*"
        Goto bad
    ${EndIf}
    StrCpy $INSTDIR $R0
    Return
bad:
    !insertmacro Refuse "Папка установки указана неверно: $R4$\r$\nУкажите полный путь к \
        папке, например /D=C:\Tools\Quorvel."
FunctionEnd

Function .onInit
    SetShellVarContext current
    ; The shipped tables are unpacked there to be compared with the installed ones.
    InitPluginsDir
    Call FolderFromCommandLine
    ; With the window, the directory page checks the folder the user chose.
    ${If} ${Silent}
        Call CheckFolder
    ${EndIf}
FunctionEnd

Function DirectoryLeave
    Call CheckFolder
FunctionEnd

Function un.onInit
    SetShellVarContext current
FunctionEnd

; The setup's part for one table file: a table the user changed since the last install (neither
; the shipped content nor the recorded one) stays, and the new one goes beside it as BESIDE.
!macro QuorvelInstallTable NAME BESIDE
    SetOutPath "$PLUGINSDIR\tables"
    File "${PACKAGE}/${NAME}"
    Push "$PLUGINSDIR\tables\${NAME}"
    Call Fingerprint
    Pop $R2
    ReadINIStr $R3 "$INSTDIR\${RECORD}" "Tables" "${NAME}"
    StrCpy $R0 "replace"
    ${If} ${FileExists} "$INSTDIR\${NAME}"
        Push "$INSTDIR\${NAME}"
        Call Fingerprint
        Pop $R4
        ${If} $R4 != $R2
        ${AndIf} $R4 != $R3
            StrCpy $R0 "keep"
        ${EndIf}
    ${EndIf}
    SetOutPath "$INSTDIR"
    ${If} $R0 == "keep"
        File "/oname=${BESIDE}" "${PACKAGE}/${NAME}"
        DetailPrint "Таблица ${NAME} изменена вами и сохранена; новая таблица записана рядом: ${BESIDE}"
    ${Else}
        File "${PACKAGE}/${NAME}"
        ${If} ${FileExists} "$INSTDIR\${BESIDE}"
            Push "$INSTDIR\${BESIDE}"
            Call Fingerprint
            Pop $R4
            ${If} $R4 == $R2
            ${OrIf} $R4 == $R3
                Delete "$INSTDIR\${BESIDE}"
            ${EndIf}
        ${EndIf}
    ${EndIf}
    WriteINIStr "$INSTDIR\${RECORD}" "Tables" "${NAME}" $R2
!macroend

Section "Quorvel"
    ; Nothing is changed before every check has passed: the folder can be written, and no program
    ; of an installed copy runs.
    ClearErrors
    CreateDirectory "$INSTDIR"
    GetTempFileName $R0 "$INSTDIR"
    ${If} ${Errors}
    ${OrIf} $R0 == ""
    ${OrIfNot} ${FileExists} $R0
        !insertmacro Refuse "Нет права записи в папку $INSTDIR. Выберите папку, в которую вы \
            можете записывать, например в $LOCALAPPDATA\Programs."
    ${EndIf}
    Delete $R0
    Call WaitUntilClosed

    SetOutPath "$INSTDIR"
    File /r /x *.dat "${PACKAGE}/*"
    !insertmacro QUORVEL_FOR_TABLES QuorvelInstallTable
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "${SHORTCUT}" "$INSTDIR\quorvel.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quorvel"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvel.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

!macro QuorvelDelete FILE
    Delete "$INSTDIR\${FILE}"
!macroend
!macro QuorvelRemoveFolder FOLDER
    RMDir "$INSTDIR\${FOLDER}"
!macroend
; A table and the new one beside it go when they hold what the setup installed; a table the user
; changed stays, as does one whose installed content was not recorded.
!macro QuorvelRemoveTable NAME BESIDE
    ReadINIStr $R3 "$INSTDIR\${RECORD}" "Tables" "${NAME}"
    ${If} $R3 != ""
        ${If} ${FileExists} "$INSTDIR\${NAME}"
            Push "$INSTDIR\${NAME}"
            Call un.Fingerprint
            Pop $R4
            ${If} $R4 == $R3
                Delete "$INSTDIR\${NAME}"
            ${Else}
                DetailPrint "Таблица ${NAME} изменена вами и сохранена"
            ${EndIf}
        ${EndIf}
        ${If} ${FileExists} "$INSTDIR\${BESIDE}"
            Push "$INSTDIR\${BESIDE}"
            Call un.Fingerprint
            Pop $R4
            ${If} $R4 == $R3
                Delete "$INSTDIR\${BESIDE}"
            ${EndIf}
        ${EndIf}
    ${EndIf}
!macroend

Section "Uninstall"
    Call un.WaitUntilClosed
    ; Only the files the installer put there: quorvel.ini (and anything else of the user's) stays,
    ; and so does the folder that holds it.
    !insertmacro QUORVEL_FOR_REPLACED QuorvelDelete
    !insertmacro QUORVEL_FOR_TABLES QuorvelRemoveTable
    !insertmacro QUORVEL_FOR_FOLDERS QuorvelRemoveFolder
    Delete "$INSTDIR\${RECORD}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ; The entry and the shortcut are this installation's only while it is the registered one.
    ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    Push $R0
    Call un.FullPath
    Pop $R0
    Push $INSTDIR
    Call un.FullPath
    Pop $R1
    ${If} $R0 == $R1
        Delete "${SHORTCUT}"
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
SectionEnd
