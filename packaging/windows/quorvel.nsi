; The Windows installer of Quorvel, made by makensis (target windows_installer) from the folder of
; the Windows package, so that it installs exactly the files of the zip.
;
; Per user, without administrator: into the user's local programs folder, where the settings file
; quorvel.ini beside the program stays writable. /S installs silently; /D=<folder> (last on the
; command line, quoted or not, or the whole option quoted) chooses the folder, which must be a full
; path. A Start-menu shortcut, and an uninstaller registered for the user (Apps & features).
;
; What the user has made stays: the setup and the uninstaller keep quorvel.ini, and a table file
; the user changed (told by content from the one the setup installed last, whose fingerprint the
; setup records in uninstall.ini); an update puts the new shipped table beside a changed one as
; <name>.new.dat, or under a numbered name when that one is the user's too. One installation per
; user: while one is registered, the setup updates it and refuses another folder. It refuses a
; drive's root, the Windows folder, a folder holding files of another program that it would
; overwrite, and a folder it cannot write; while a program of the installed copy runs, or another
; program holds a file it must replace, it asks for it to be closed (silently it fails). Everything
; that could stop an update is checked before the first file is written, so every refusal ends
; with a non-zero status (2) and leaves the machine as it was; the uninstaller likewise. The
; uninstaller removes only what the record beside it lists, and refuses a folder without one.
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
; The record of what the setup put in the folder, beside the uninstaller: the installation's id
; (shared with its entry) and version, the files, the fingerprints of the tables it installed last
; and the names of the new tables it put beside changed ones.
!define RECORD "uninstall.ini"
; Held by a running setup or uninstaller of Quorvel, so that a second one waits for it.
!define MUTEX "Local\Quorvel.Setup"
; The longest path that a shortcut's target and the profile functions (ReadINIStr, WriteINIStr)
; take: MAX_PATH with its closing zero.
!define PATH_MAX 259

Name "Quorvel ${VERSION}"
OutFile "${OUTFILE}"
; Without an installed copy; .onInit takes the installed copy's folder, and /D= over both.
InstallDir "$LOCALAPPDATA\Programs\Quorvel"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "WordFunc.nsh"
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

; 1 when the setup made the install folder: a setup that stops removes it again while empty.
Var MadeFolder
; The files the uninstaller could not delete, one a line.
Var Leftover
; The record of the installation in $INSTDIR, named as the profile functions take it (see RecordOf).
Var Record

; Shows text (silently: nothing) and stops: the setup or the uninstall in a section or in .onInit
; (its status is then 2, "aborted by the script"), the page in a page's leave function.
!macro Refuse TEXT
    MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
    Abort
!macroend

; Asks (silently: stops at once) until CHECK, a function, leaves $R9 empty; $R9 is then the text
; of what stands in the way. Stops with REFUSAL when the user cancels.
!macro RetryUntilClear CHECK REFUSAL
    ${Do}
        Call ${CHECK}
        ${If} $R9 == ""
            ${ExitDo}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$R9" /SD IDCANCEL IDRETRY retry
        !insertmacro Refuse "${REFUSAL}"
    retry:
    ${Loop}
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
; when it is no path. Short (8.3) names in a path that exists are written out in full, so that
; one folder compares equal however it was named.
Function ${PREFIX}FullPath
    Exch $0
    Push $1
    System::Call "kernel32::GetFullPathNameW(t r0, i ${NSIS_MAX_STRLEN}, t .r0, p 0) i .r1"
    ${If} $1 == 0
    ${OrIf} $1 >= ${NSIS_MAX_STRLEN}
        StrCpy $0 ""
    ${Else}
        Push $2
        System::Call "kernel32::GetLongPathNameW(t r0, t .r1, i ${NSIS_MAX_STRLEN}) i .r2"
        ${If} $2 > 0
        ${AndIf} $2 < ${NSIS_MAX_STRLEN}
            StrCpy $0 $1
        ${EndIf}
        Pop $2
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

; Pops a path; pushes it as most Windows functions take it: as it is, or through its short (8.3)
; name when it is longer than they take (and the short name, which needs the path to exist, is
; short enough); "" when neither fits.
Function ${PREFIX}UsablePath
    Exch $0
    Push $1
    StrLen $1 $0
    ${If} $1 > ${PATH_MAX}
        System::Call "kernel32::GetShortPathNameW(w r0, w .r0, i ${NSIS_MAX_STRLEN}) i .r1"
        ${If} $1 = 0
        ${OrIf} $1 > ${PATH_MAX}
            StrCpy $0 ""
        ${EndIf}
    ${EndIf}
    Pop $1
    Exch $0
FunctionEnd

; Pops a folder; pushes the name of the record in it as the profile functions (ReadINIStr,
; WriteINIStr) take it: a longer path through the folder's short name (see UsablePath).
Function ${PREFIX}RecordOf
    Exch $0
    Push $1
    StrLen $1 "$0\${RECORD}"
    ${If} $1 > ${PATH_MAX}
        Push $0
        Call ${PREFIX}UsablePath
        Pop $1
        ${If} $1 != ""
            StrCpy $0 $1
        ${EndIf}
    ${EndIf}
    StrCpy $0 "$0\${RECORD}"
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

; Pops what is to be done to a file ("write": written over, as File opens it; "delete", as
; Delete opens it) and the file's name; pushes 1 when that would fail now: the name is a folder's,
; or another program holds the file open against it (an editor, a viewer). Pushes 0 otherwise,
; and for a file that does not exist. A read-only file is tried with its mark lifted for the
; moment, as File and Delete lift it.
Function ${PREFIX}HeldOpen
    Exch $1
    Exch
    Exch $0
    Push $2
    Push $3
    Push $4
    StrCpy $4 0
    System::Call "kernel32::GetFileAttributesW(w r0) i .r2"
    ${If} $2 <> -1
        IntOp $3 $2 & 0x10 ; FILE_ATTRIBUTE_DIRECTORY
        ${If} $3 <> 0
            StrCpy $4 1
        ${Else}
            IntOp $3 $2 & 0x1 ; FILE_ATTRIBUTE_READONLY
            ${If} $3 <> 0
                IntOp $3 $2 ^ 0x1
                System::Call "kernel32::SetFileAttributesW(w r0, i r3)"
            ${EndIf}
            ${If} $1 == "write"
                ; GENERIC_WRITE, sharing reading only, OPEN_EXISTING
                System::Call "kernel32::CreateFileW(w r0, i 0x40000000, i 1, p 0, i 3, i 0, p 0) p .r3"
            ${Else}
                ; DELETE, sharing everything, OPEN_EXISTING
                System::Call "kernel32::CreateFileW(w r0, i 0x10000, i 7, p 0, i 3, i 0, p 0) p .r3"
            ${EndIf}
            ${If} $3 = -1
                StrCpy $4 1
            ${Else}
                System::Call "kernel32::CloseHandle(p r3)"
            ${EndIf}
            IntOp $3 $2 & 0x1
            ${If} $3 <> 0
                System::Call "kernel32::SetFileAttributesW(w r0, i r2)"
            ${EndIf}
        ${EndIf}
    ${EndIf}
    StrCpy $0 $4
    Pop $4
    Pop $3
    Pop $2
    Exch $0
    Exch
    Pop $1
FunctionEnd

; Waits until no other setup or uninstaller of Quorvel runs (two setups into two folders would
; both install and share one entry; a setup would meet an uninstall half done): silently up to five
; minutes, with the window asking the user (Retry or Cancel). The mutex stays this process's until
; it ends; one left by a killed setup counts as free.
Function ${PREFIX}WaitForOtherSetups
    System::Call "kernel32::CreateMutexW(p 0, i 0, w '${MUTEX}') p .r0"
    ${Do}
        ${If} ${Silent}
            System::Call "kernel32::WaitForSingleObject(p r0, i 300000) i .r1"
        ${Else}
            System::Call "kernel32::WaitForSingleObject(p r0, i 2000) i .r1"
        ${EndIf}
        ; WAIT_OBJECT_0, or WAIT_ABANDONED
        ${If} $1 = 0
        ${OrIf} $1 = 0x80
            ${ExitDo}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Идёт другая установка или удаление \
            Quorvel. Дождитесь её окончания и нажмите «Повтор»." /SD IDCANCEL IDRETRY retry
        !insertmacro Refuse "Другая установка или удаление Quorvel ещё не закончена: ничего не \
            изменено."
    retry:
    ${Loop}
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

; Pops a folder; pushes 1 when it holds the record of an installation of Quorvel (as this setup
; writes it, or as an earlier setup wrote it: the fingerprints of the tables alone), else 0.
!macro QuorvelRecordedTable NAME BESIDE
    ${If} $1 == ""
        ReadINIStr $1 $2 "Tables" "${NAME}"
    ${EndIf}
!macroend
Function InstalledIn
    Exch $0
    Push $1
    Push $2
    Push $0
    Call RecordOf
    Pop $2
    ReadINIStr $1 $2 "Setup" "Id"
    !insertmacro QUORVEL_FOR_TABLES QuorvelRecordedTable
    ${If} $1 != ""
        StrCpy $0 1
    ${Else}
        StrCpy $0 0
    ${EndIf}
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

; $R0: the folder of the registered installation as a full path; "" when none, or when that folder
; no longer holds it (moved or deleted: a stale entry, which the next install replaces). Changes $R1.
Function RegisteredFolder
    ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R0 != ""
        Push $R0
        Call FullPath
        Pop $R0
    ${EndIf}
    ${If} $R0 != ""
        Push $R0
        Call InstalledIn
        Pop $R1
        ${If} $R1 != 1
        ${AndIfNot} ${FileExists} "$R0\uninstall.exe"
            StrCpy $R0 ""
        ${EndIf}
    ${EndIf}
FunctionEnd

; Pops a file shipped with the setup and a file in the folder; pushes 1 when the folder's file
; holds the shipped bytes or the start of them (a copy cut short), else 0: it is another program's.
Function SameStart
    Exch $1
    Exch
    Exch $0
    Push $2
    Push $3
    Push $4
    Push $5
    Push $6
    Push $7
    Push $8
    StrCpy $8 0
    ; GENERIC_READ, sharing everything, OPEN_EXISTING
    System::Call "kernel32::CreateFileW(w r0, i 0x80000000, i 7, p 0, i 3, i 0, p 0) p .r2"
    System::Call "kernel32::CreateFileW(w r1, i 0x80000000, i 7, p 0, i 3, i 0, p 0) p .r3"
    ${If} $2 <> -1
    ${AndIf} $3 <> -1
        System::Alloc 65536
        Pop $4
        System::Alloc 65536
        Pop $5
        StrCpy $8 1
        ${Do}
            System::Call "kernel32::ReadFile(p r2, p r4, i 65536, *i .r6, p 0)"
            System::Call "kernel32::ReadFile(p r3, p r5, i 65536, *i .r7, p 0)"
            ${If} $6 > $7
                StrCpy $8 0
                ${ExitDo}
            ${EndIf}
            ${If} $6 = 0
                ${ExitDo}
            ${EndIf}
            System::Call "ntdll::RtlCompareMemory(p r4, p r5, p r6) p .r0"
            ${If} $0 <> $6
                StrCpy $8 0
                ${ExitDo}
            ${EndIf}
            ${If} $6 < 65536
                ${ExitDo}
            ${EndIf}
        ${Loop}
        System::Free $4
        System::Free $5
    ${EndIf}
    ${If} $2 <> -1
        System::Call "kernel32::CloseHandle(p r2)"
    ${EndIf}
    ${If} $3 <> -1
        System::Call "kernel32::CloseHandle(p r3)"
    ${EndIf}
    StrCpy $0 $8
    Pop $8
    Pop $7
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Exch $0
    Exch
    Pop $1
FunctionEnd

; Sets $R9 to FILE when it is in $INSTDIR and is not Quorvel's own (see SameStart), "" when none.
!macro QuorvelForeignFile FILE
    ${If} $R9 == ""
    ${AndIf} ${FileExists} "$INSTDIR\${FILE}"
        File "/oname=$PLUGINSDIR\shipped" "${PACKAGE}/${FILE}"
        Push "$INSTDIR\${FILE}"
        Push "$PLUGINSDIR\shipped"
        Call SameStart
        Pop $R8
        Delete "$PLUGINSDIR\shipped"
        ${If} $R8 != 1
            StrCpy $R9 "${FILE}"
        ${EndIf}
    ${EndIf}
!macroend

; Sets $R9 to FILE when it is in $INSTDIR and $R9 is still "".
!macro QuorvelExistingFile FILE
    ${If} $R9 == ""
    ${AndIf} ${FileExists} "$INSTDIR\${FILE}"
        StrCpy $R9 "${FILE}"
    ${EndIf}
!macroend

; Refuses (see Refuse) $R1, a full path, when it is a drive's root (C:\, \\server\share) or the
; Windows folder or a folder in it: the setup puts its files in a folder of their own, and the
; uninstaller would leave them among the system's.
Function RefuseSystemFolder
    StrCpy $R7 0
    StrLen $R2 $R1
    ${If} $R2 <= 3
    ${AndIf} $R1 != ""
        StrCpy $R7 1
    ${EndIf}
    StrCpy $R3 $R1 2
    ${If} $R3 == "\\"
        ; \\server\share holds three backslashes, a folder on it more.
        StrCpy $R4 0
        StrCpy $R5 0
        ${Do}
            StrCpy $R3 $R1 1 $R5
            ${If} $R3 == ""
                ${ExitDo}
            ${EndIf}
            ${If} $R3 == "\"
                IntOp $R4 $R4 + 1
            ${EndIf}
            IntOp $R5 $R5 + 1
        ${Loop}
        ${If} $R4 <= 3
            StrCpy $R7 1
        ${EndIf}
    ${EndIf}
    Push $WINDIR
    Call FullPath
    Pop $R3
    StrLen $R4 $R3
    StrCpy $R5 $R1 $R4
    StrCpy $R6 $R1 1 $R4
    ${If} $R5 == $R3
    ${AndIf} $R3 != ""
        ${If} $R6 == ""
        ${OrIf} $R6 == "\"
            StrCpy $R7 1
        ${EndIf}
    ${EndIf}
    ${If} $R7 = 1
        !insertmacro Refuse "Папка $R1 — корень диска или папка Windows. Установите Quorvel в \
            отдельную папку, например $LOCALAPPDATA\Programs\Quorvel."
    ${EndIf}
FunctionEnd

; Refuses (see Refuse) a drive's root and the Windows folder, a folder other than the registered
; installation's, and a folder that holds files the setup would overwrite which are not Quorvel's
; own. A folder with the record of an earlier installation (one cut short, or one whose entry or
; uninstaller was deleted), or with nothing but Quorvel's own files (a first install cut short
; before it wrote its record, the package unpacked by hand), is taken as Quorvel's: the setup
; installs over it.
Function CheckFolder
    Push $INSTDIR
    Call RecordOf
    Pop $Record
    Call RegisteredFolder
    Push $INSTDIR
    Call FullPath
    Pop $R1
    Call RefuseSystemFolder
    ${If} $R0 != ""
        ${If} $R0 != $R1
            !insertmacro Refuse "Quorvel уже установлен в папку $R0. Чтобы установить его в \
                другую папку, сначала удалите установленный (Параметры Windows, «Приложения»)."
        ${EndIf}
        Return
    ${EndIf}
    Push $R1
    Call InstalledIn
    Pop $R2
    ${If} $R2 == 1
        Return
    ${EndIf}
    StrCpy $R9 ""
    !insertmacro QUORVEL_FOR_REPLACED QuorvelForeignFile
    ; An uninstaller cannot be told by its content: it is Quorvel's only beside Quorvel's program.
    ${IfNot} ${FileExists} "$INSTDIR\quorvel.exe"
        !insertmacro QuorvelExistingFile "uninstall.exe"
    ${EndIf}
    !insertmacro QuorvelExistingFile "${RECORD}"
    ${If} $R9 != ""
        !insertmacro Refuse "В папке $INSTDIR уже есть файл $R9 другой программы, который \
            установка заменила бы. Выберите для Quorvel отдельную папку. Если это остатки \
            прежней копии Quorvel, удалите их из этой папки и запустите установку снова."
    ${EndIf}
FunctionEnd

; $INSTDIR from /D=<folder> as the command line gives it: NSIS itself takes only the unquoted
; form, and without a word replaces a folder it cannot use with the default. Takes
; /D="C:\My Tools\Quorvel" (as Windows quotes a path with blanks) and "/D=C:\My Tools\Quorvel" (as
; PowerShell quotes an argument with blanks), /d= as /D=. Refuses a folder that is not a full
; path, on a drive that does not exist, or that is a file.
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
    StrCpy $R6 ""
    StrLen $R3 $R0
    ${Do}
        ${If} $R2 >= $R3
            Return
        ${EndIf}
        StrCpy $R1 $R0 4 $R2
        ${If} $R1 == " /D="
            IntOp $R2 $R2 + 4
            ${ExitDo}
        ${EndIf}
        StrCpy $R1 $R0 5 $R2
        ${If} $R1 == ' "/D='
            IntOp $R2 $R2 + 5
            StrCpy $R6 '"'
            ${ExitDo}
        ${EndIf}
        IntOp $R2 $R2 + 1
    ${Loop}
    StrCpy $R0 $R0 "" $R2
    StrCpy $R4 $R0 ; as given, for the message
    ; The whole option quoted: the folder runs to the closing quote, which ends the command line.
    ${If} $R6 == '"'
        StrCpy $R1 $R0 "" -1
        ${If} $R1 != '"'
            Goto bad
        ${EndIf}
        StrCpy $R0 $R0 -1
    ${Else}
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

; $R0: the version installed in $INSTDIR as its record gives it, or (for an earlier setup's
; record) the registered installation's entry; "" when none is known.
Function InstalledVersion
    ReadINIStr $R0 $Record "Setup" "Version"
    ${If} $R0 == ""
        Call RegisteredFolder
        Push $INSTDIR
        Call FullPath
        Pop $R1
        ${If} $R0 == $R1
        ${AndIf} $R0 != ""
            ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "DisplayVersion"
        ${Else}
            StrCpy $R0 ""
        ${EndIf}
    ${EndIf}
FunctionEnd

; $R1: 1 when the version in $INSTDIR is newer than this setup's (the update is a downgrade).
Function IsDowngrade
    Call InstalledVersion
    StrCpy $R1 0
    ${If} $R0 != ""
        ${VersionCompare} $R0 "${VERSION}" $R1
    ${EndIf}
FunctionEnd

Function .onInit
    SetShellVarContext current
    ; The shipped tables are unpacked there to be compared with the installed ones.
    InitPluginsDir
    Call WaitForOtherSetups
    ; An update goes where the installed copy is.
    ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R0 != ""
        StrCpy $INSTDIR $R0
    ${EndIf}
    Call FolderFromCommandLine
    Push $INSTDIR
    Call RecordOf
    Pop $Record
    ; A newer version is replaced by this older one only when the user says so (silently: yes, as
    ; a script that runs an older setup means it); the details say so either way.
    Call IsDowngrade
    ${If} $R1 == 1
        MessageBox MB_YESNO|MB_ICONQUESTION "В папке $INSTDIR установлен Quorvel $R0, более \
            новый, чем этот (${VERSION}). Заменить его версией ${VERSION}?" /SD IDYES IDYES +2
        Abort
    ${EndIf}
    ; With the window, the directory page checks the folder the user chose.
    ${If} ${Silent}
        Call CheckFolder
    ${EndIf}
FunctionEnd

Function DirectoryLeave
    Call CheckFolder
FunctionEnd

; A folder the setup made is removed again when the setup stops (it is empty then).
Function .onInstFailed
    ${If} $MadeFolder == 1
        RMDir "$INSTDIR"
    ${EndIf}
FunctionEnd

; Pops a file name; pushes its size in KB, rounded up (0 when it cannot be read).
Function FileSizeKB
    Exch $0
    Push $1
    ClearErrors
    FileOpen $1 $0 r
    ${If} ${Errors}
        StrCpy $0 0
    ${Else}
        FileSeek $1 0 END $0
        FileClose $1
        IntOp $0 $0 + 1023
        IntOp $0 $0 / 1024
    ${EndIf}
    Pop $1
    Exch $0
FunctionEnd

; Adds the size of FILE in $INSTDIR to $R5 (KB).
!macro QuorvelAddSize FILE
    Push "$INSTDIR\${FILE}"
    Call FileSizeKB
    Pop $R6
    IntOp $R5 $R5 + $R6
!macroend

; The same for a table, and the new table that the update put beside it.
!macro QuorvelAddTableSize NAME BESIDE
    !insertmacro QuorvelAddSize "${NAME}"
    ReadINIStr $R7 "$PLUGINSDIR\plan.ini" "Tables" "${NAME}"
    ${If} $R7 != ""
    ${AndIf} $R7 != "${NAME}"
        !insertmacro QuorvelAddSize $R7
    ${EndIf}
!macroend

; Sets $R9 (when still "") to FILE's name when the update could not write it over.
!macro QuorvelCheckWrite FILE
    ${If} $R9 == ""
        Push "$INSTDIR\${FILE}"
        Push "write"
        Call HeldOpen
        Pop $R4
        ${If} $R4 == 1
            StrCpy $R9 "Файл $INSTDIR\${FILE} открыт в другой программе (или на его месте папка), \
                и установка не может его заменить. Закройте его и нажмите «Повтор»."
        ${EndIf}
    ${EndIf}
!macroend

; Sets $R9 (when still "") when a file stands where the package has a folder.
!macro QuorvelCheckFolder FOLDER
    ${If} $R9 == ""
    ${AndIf} ${FileExists} "$INSTDIR\${FOLDER}"
    ${AndIfNot} ${FileExists} "$INSTDIR\${FOLDER}\*.*"
        StrCpy $R9 "В папке $INSTDIR на месте папки ${FOLDER} лежит файл. Уберите его и нажмите \
            «Повтор»."
    ${EndIf}
!macroend

; Pops the name beside a changed table (<table>.new.dat) and the table's name, its shipped copy
; unpacked in $PLUGINSDIR\tables. Decides where the new table goes and writes it in the plan
; ($PLUGINSDIR\plan.ini: [Tables] the name written, [Shipped] and [Recorded] the fingerprints):
; over the installed table when it holds what the setup installed (or is missing); beside it
; when the user changed it, under the first of <table>.new.dat, <table>.new-2.dat, … that is free
; or holds a table the setup put there (a user's own copy or a folder of that name stays). Sets $R9
; when the table cannot be read (whether the user changed it cannot be told) or the file it goes
; to cannot be written.
Function PlanTable
    Pop $R6
    Pop $R5
    ${If} $R9 != ""
        Return
    ${EndIf}
    Push "$PLUGINSDIR\tables\$R5"
    Call Fingerprint
    Pop $R2
    ReadINIStr $R3 $Record "Tables" $R5
    StrCpy $R0 $R5
    ${If} ${FileExists} "$INSTDIR\$R5"
        Push "$INSTDIR\$R5"
        Call Fingerprint
        Pop $R4
        ${If} $R4 == ""
            StrCpy $R9 "Таблицу $INSTDIR\$R5 не удалось прочитать: её держит открытой другая \
                программа (или на её месте папка), и нельзя узнать, меняли ли вы её. Закройте её \
                и нажмите «Повтор»."
            Return
        ${EndIf}
        ${If} $R4 != $R2
        ${AndIf} $R4 != $R3
            StrCpy $R0 ""
            StrCpy $R7 1
            ${Do}
                ${If} $R7 = 1
                    StrCpy $R8 $R6
                ${Else}
                    StrCpy $R8 $R5 -4
                    StrCpy $R8 "$R8.new-$R7.dat"
                ${EndIf}
                ${IfNot} ${FileExists} "$INSTDIR\$R8"
                    StrCpy $R0 $R8
                    ${ExitDo}
                ${EndIf}
                Push "$INSTDIR\$R8"
                Call Fingerprint
                Pop $R4
                ${If} $R4 != ""
                    ${If} $R4 == $R2
                    ${OrIf} $R4 == $R3
                        StrCpy $R0 $R8
                        ${ExitDo}
                    ${EndIf}
                ${EndIf}
                IntOp $R7 $R7 + 1
                ${If} $R7 > 99
                    StrCpy $R9 "Для новой таблицы $R5 нет свободного имени в папке $INSTDIR \
                        ($R6 и $R5 с номерами до 99 заняты). Уберите лишние и нажмите «Повтор»."
                    Return
                ${EndIf}
            ${Loop}
        ${EndIf}
    ${EndIf}
    !insertmacro QuorvelCheckWrite $R0
    WriteINIStr "$PLUGINSDIR\plan.ini" "Tables" $R5 $R0
    WriteINIStr "$PLUGINSDIR\plan.ini" "Shipped" $R5 $R2
    WriteINIStr "$PLUGINSDIR\plan.ini" "Recorded" $R5 $R3
FunctionEnd

!macro QuorvelPlanTable NAME BESIDE
    SetOutPath "$PLUGINSDIR\tables"
    File "${PACKAGE}/${NAME}"
    Push "${NAME}"
    Push "${BESIDE}"
    Call PlanTable
!macroend

; Sets $R9 to what would stop the update half-way, "" when nothing would: a file another program
; holds, a file where a folder goes, a table that cannot be read, too little room on the drive.
; Plans the tables on the way (see PlanTable).
Function CheckUpdate
    StrCpy $R9 ""
    !insertmacro QUORVEL_FOR_FOLDERS QuorvelCheckFolder
    !insertmacro QUORVEL_FOR_REPLACED QuorvelCheckWrite
    !insertmacro QuorvelCheckWrite "uninstall.exe"
    !insertmacro QuorvelCheckWrite "${RECORD}"
    !insertmacro QUORVEL_FOR_TABLES QuorvelPlanTable
    ${If} $R9 == ""
        ; The room the package takes less that of its files already there, which it writes over,
        ; and a megabyte for the uninstaller and the record.
        StrCpy $R5 0
        !insertmacro QUORVEL_FOR_REPLACED QuorvelAddSize
        !insertmacro QUORVEL_FOR_TABLES QuorvelAddTableSize
        IntOp $R6 ${QUORVEL_PACKAGE_KB} - $R5
        IntOp $R6 $R6 + 1024
        StrCpy $R8 $INSTDIR
        System::Call "kernel32::GetDiskFreeSpaceExW(w R8, *l .R7, p 0, p 0) i .R8"
        ${If} $R8 <> 0
            System::Int64Op $R7 / 1024
            Pop $R7
            System::Int64Op $R7 < $R6
            Pop $R8
            ${If} $R8 = 1
                StrCpy $R9 "На диске с папкой $INSTDIR свободно $R7 КБ, а установке нужно \
                    $R6 КБ. Освободите место и нажмите «Повтор»."
            ${EndIf}
        ${EndIf}
    ${EndIf}
FunctionEnd

; Pops the name beside a table and the table's name; deletes the new tables that earlier updates
; put beside it ($R0 aside: the name this update writes), as far as they still hold what the setup
; put there.
Function TidyBeside
    Pop $R6
    Pop $R5
    ReadINIStr $R2 "$PLUGINSDIR\plan.ini" "Shipped" $R5
    ReadINIStr $R3 "$PLUGINSDIR\plan.ini" "Recorded" $R5
    ReadINIStr $R7 $Record "Beside" $R5
    ${ForEach} $R8 1 2 + 1
        ${If} $R8 = 2
            StrCpy $R6 $R7
        ${EndIf}
        ${If} $R6 != ""
        ${AndIf} $R6 != $R0
        ${AndIf} ${FileExists} "$INSTDIR\$R6"
            Push "$INSTDIR\$R6"
            Call Fingerprint
            Pop $R4
            ${If} $R4 != ""
                ${If} $R4 == $R2
                ${OrIf} $R4 == $R3
                    Delete "$INSTDIR\$R6"
                ${EndIf}
            ${EndIf}
        ${EndIf}
    ${Next}
FunctionEnd

; The setup's part for one table file, as planned (see PlanTable): the table written over, or the
; new one written beside the user's; the record then holds the new table's fingerprint, and the
; name beside it.
!macro QuorvelInstallTable NAME BESIDE
    ReadINIStr $R0 "$PLUGINSDIR\plan.ini" "Tables" "${NAME}"
    Push "${NAME}"
    Push "${BESIDE}"
    Call TidyBeside
    ${If} $R0 == "${NAME}"
        File "${PACKAGE}/${NAME}"
        DeleteINIStr $Record "Beside" "${NAME}"
    ${Else}
        File "/oname=$R0" "${PACKAGE}/${NAME}"
        DetailPrint "Таблица ${NAME} изменена вами и сохранена; новая таблица записана рядом: $R0"
        WriteINIStr $Record "Beside" "${NAME}" $R0
    ${EndIf}
    ReadINIStr $R2 "$PLUGINSDIR\plan.ini" "Shipped" "${NAME}"
    WriteINIStr $Record "Tables" "${NAME}" $R2
!macroend

!macro QuorvelRecordFile FILE
    WriteINIStr $Record "Files" "${FILE}" 1
!macroend

; The Start-menu shortcut. A target longer than a shortcut holds is given by its short (8.3)
; name; without one (short names turned off on the drive) no shortcut is made, and the details
; say so. The record keeps the target, by which the uninstaller knows the shortcut as its own.
Function MakeShortcut
    Push "$INSTDIR\quorvel.exe"
    Call UsablePath
    Pop $R0
    Push $INSTDIR
    Call UsablePath
    Pop $R1
    ${If} $R1 == ""
        StrCpy $R0 ""
    ${EndIf}
    ${If} $R0 == ""
        Delete "${SHORTCUT}"
        DeleteINIStr $Record "Setup" "Shortcut"
        DetailPrint "Ярлык в меню «Пуск» не создан: путь $INSTDIR\quorvel.exe длиннее \
            ${PATH_MAX} знаков, а короткого имени у него нет. Запускайте quorvel.exe \
            из папки установки."
        Return
    ${EndIf}
    ; The shortcut starts the program in its folder.
    SetOutPath $R1
    CreateShortcut "${SHORTCUT}" $R0
    WriteINIStr $Record "Setup" "Shortcut" $R0
FunctionEnd

Section "Quorvel"
    ; The folder can be written.
    StrCpy $MadeFolder 0
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
        StrCpy $MadeFolder 1
    ${EndIf}
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
    Push $INSTDIR
    Call RecordOf
    Pop $Record
    ; Nothing is changed before everything that could stop the update half-way has been checked:
    ; a refused update leaves the installed copy as it was, not a mix of two versions.
    Call WaitUntilClosed
    !insertmacro RetryUntilClear CheckUpdate "Установка не выполнена: ничего не изменено."

    Call IsDowngrade
    ${If} $R1 == 1
        DetailPrint "Установленный Quorvel $R0 заменён более старым ${VERSION}."
    ${EndIf}
    ; The record and the uninstaller first, then the entry, then the files: an install cut short
    ; (killed, or the disk full) is then known as Quorvel's by the next setup, which installs over
    ; it, and by the uninstaller, which removes it. The id is kept through updates.
    ReadINIStr $R0 $Record "Setup" "Id"
    ${If} $R0 == ""
        System::Call "ole32::CoCreateGuid(g .R0)"
    ${EndIf}
    WriteINIStr $Record "Setup" "Id" $R0
    !insertmacro QUORVEL_FOR_REPLACED QuorvelRecordFile
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallId" $R0
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quorvel"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvel.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    ; Started by Windows from a path it can start (a long one through its short name).
    Push "$INSTDIR\uninstall.exe"
    Call UsablePath
    Pop $R1
    ${If} $R1 == ""
        StrCpy $R1 "$INSTDIR\uninstall.exe"
    ${EndIf}
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$R1"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$R1" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

    SetOutPath "$INSTDIR"
    File /r /x *.dat "${PACKAGE}/*"
    !insertmacro QUORVEL_FOR_TABLES QuorvelInstallTable
    WriteINIStr $Record "Setup" "Version" "${VERSION}"
    Call MakeShortcut

    ; The size of what the setup put there, not of the folder (which may hold the user's files).
    StrCpy $R5 0
    !insertmacro QUORVEL_FOR_REPLACED QuorvelAddSize
    !insertmacro QUORVEL_FOR_TABLES QuorvelAddTableSize
    !insertmacro QuorvelAddSize "uninstall.exe"
    !insertmacro QuorvelAddSize "${RECORD}"
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $R5
SectionEnd

; --- The uninstaller ---

Function un.onInit
    SetShellVarContext current
    Call un.WaitForOtherSetups
    Push $INSTDIR
    Call un.RecordOf
    Pop $Record
    ; The record tells what an installation put in its folder: a folder without one (a wrong _?=,
    ; the package unpacked by hand) holds nothing the uninstaller may delete.
    ReadINIStr $R0 $Record "Setup" "Id"
    ${If} $R0 == ""
        !insertmacro Refuse "В папке $INSTDIR нет установленного Quorvel (нет записи \
            ${RECORD}): ничего не удалено."
    ${EndIf}
FunctionEnd

; Pops "check" or "delete", the name beside a table and the table's name; checks that the table
; and each new table beside it that still hold what the setup installed can be deleted (see
; un.CheckDelete), or deletes them (un.DeleteFile). A table that cannot be read sets $R9 (whether
; the user changed it cannot be told); one the user changed stays, and so does a table the record
; does not list.
Function un.RecordedTableFiles
    Pop $R1
    Pop $R6
    Pop $R5
    ReadINIStr $R3 $Record "Tables" $R5
    ReadINIStr $R7 $Record "Beside" $R5
    ${If} $R3 == ""
        Return
    ${EndIf}
    ${ForEach} $R8 1 3 + 1
        ${If} $R8 = 1
            StrCpy $R2 $R5
        ${ElseIf} $R8 = 2
            StrCpy $R2 $R6
        ${Else}
            StrCpy $R2 $R7
        ${EndIf}
        ${If} $R2 != ""
        ${AndIf} ${FileExists} "$INSTDIR\$R2"
            Push "$INSTDIR\$R2"
            Call un.Fingerprint
            Pop $R4
            ${If} $R4 == $R3
                Push $R2
                ${If} $R1 == "check"
                    Call un.CheckDelete
                ${Else}
                    Call un.DeleteFile
                ${EndIf}
            ${ElseIf} $R8 = 1
                ${If} $R4 == ""
                ${AndIf} $R9 == ""
                    StrCpy $R9 "Таблицу $INSTDIR\$R5 не удалось прочитать: её держит открытой \
                        другая программа, и нельзя узнать, меняли ли вы её. Закройте её и \
                        нажмите «Повтор»."
                ${ElseIf} $R4 != ""
                ${AndIf} $R1 == "delete"
                    DetailPrint "Таблица $R5 изменена вами и сохранена"
                ${EndIf}
            ${EndIf}
        ${EndIf}
    ${Next}
FunctionEnd

; Pops a file's name in $INSTDIR; sets $R9 (when still "") when it cannot be deleted now.
Function un.CheckDelete
    Exch $0
    ${If} $R9 == ""
        Push "$INSTDIR\$0"
        Push "delete"
        Call un.HeldOpen
        Pop $R4
        ${If} $R4 == 1
            StrCpy $R9 "Файл $INSTDIR\$0 открыт в другой программе, и удалить его нельзя. \
                Закройте его и нажмите «Повтор»."
        ${EndIf}
    ${EndIf}
    Pop $0
FunctionEnd

; Pops a file's name in $INSTDIR; deletes it, adding it to the list Leftover when it stays.
Function un.DeleteFile
    Exch $0
    Delete "$INSTDIR\$0"
    ${If} ${FileExists} "$INSTDIR\$0"
        StrCpy $Leftover "$Leftover$\r$\n$0"
    ${EndIf}
    Pop $0
FunctionEnd

; Calls FUNCTION for FILE when the record lists it and it is there.
!macro QuorvelRecordedFile FUNCTION FILE
    ReadINIStr $R3 $Record "Files" "${FILE}"
    ${If} $R3 != ""
    ${AndIf} ${FileExists} "$INSTDIR\${FILE}"
        Push "${FILE}"
        Call ${FUNCTION}
    ${EndIf}
!macroend
!macro QuorvelCheckRecordedFile FILE
    !insertmacro QuorvelRecordedFile un.CheckDelete "${FILE}"
!macroend
!macro QuorvelDeleteRecordedFile FILE
    !insertmacro QuorvelRecordedFile un.DeleteFile "${FILE}"
!macroend
!macro QuorvelCheckTable NAME BESIDE
    Push "${NAME}"
    Push "${BESIDE}"
    Push "check"
    Call un.RecordedTableFiles
!macroend
!macro QuorvelRemoveTable NAME BESIDE
    Push "${NAME}"
    Push "${BESIDE}"
    Push "delete"
    Call un.RecordedTableFiles
!macroend
!macro QuorvelRemoveFolder FOLDER
    RMDir "$INSTDIR\${FOLDER}"
!macroend

; Sets $R9 to what would stop the uninstall half-way, "" when nothing would: a file another
; program holds open, a table that cannot be read.
Function un.CheckRemoval
    StrCpy $R9 ""
    !insertmacro QUORVEL_FOR_REPLACED QuorvelCheckRecordedFile
    !insertmacro QUORVEL_FOR_TABLES QuorvelCheckTable
FunctionEnd

; Pushes the target of the Start-menu shortcut, "" when it cannot be read.
Function un.ShortcutTarget
    Push $0
    Push $1
    Push $2
    Push $3
    StrCpy $3 ""
    StrCpy $2 "${SHORTCUT}"
    ; CLSID_ShellLink, IID_IShellLinkW
    System::Call "ole32::CoCreateInstance(g '{00021401-0000-0000-C000-000000000046}', p 0, i 1, \
        g '{000214F9-0000-0000-C000-000000000046}', *p .r0) i .r1"
    ${If} $1 = 0
        ; IPersistFile::Load, IShellLinkW::GetPath
        System::Call "$0->0(g '{0000010B-0000-0000-C000-000000000046}', *p .r1) i .r3"
        ${If} $3 = 0
            System::Call "$1->5(w r2, i 0) i .r3"
            ${If} $3 = 0
                System::Call "$0->3(w .r3, i ${NSIS_MAX_STRLEN}, p 0, i 0)"
            ${Else}
                StrCpy $3 ""
            ${EndIf}
            System::Call "$1->2()"
        ${Else}
            StrCpy $3 ""
        ${EndIf}
        System::Call "$0->2()"
    ${EndIf}
    Exch $3
    Exch 3
    Pop $0
    Pop $2
    Pop $1
FunctionEnd

; Removes the entry and the shortcut when they are this installation's ($R5: its id, $R6: the
; shortcut's target it recorded): the entry names this folder, or it carries this installation's
; id while the folder it names no longer holds the installation (the folder was moved). The
; shortcut goes with the entry; and whenever it starts the program in this folder.
Function un.RemoveEntry
    ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R0 != ""
        Push $R0
        Call un.FullPath
        Pop $R0
    ${EndIf}
    Push $INSTDIR
    Call un.FullPath
    Pop $R1
    ReadRegStr $R2 HKCU "${UNINSTALL_KEY}" "InstallId"
    StrCpy $R3 0
    ${If} $R0 == $R1
        StrCpy $R3 1
    ${ElseIf} $R2 != ""
    ${AndIf} $R2 == $R5
        Push $R0
        Call un.RecordOf
        Pop $R4
        ReadINIStr $R4 $R4 "Setup" "Id"
        ${If} $R4 != $R5
            StrCpy $R3 1
        ${EndIf}
    ${EndIf}
    ${If} ${FileExists} "${SHORTCUT}"
        Call un.ShortcutTarget
        Pop $R4
        StrCpy $R7 0
        ${If} $R4 == "$R1\quorvel.exe"
            StrCpy $R7 1
        ${ElseIf} $R3 == 1
            ${If} $R4 == $R6
            ${OrIf} $R4 == "$R0\quorvel.exe"
            ${OrIf} $R4 == ""
                StrCpy $R7 1
            ${EndIf}
        ${EndIf}
        ${If} $R7 == 1
            Delete "${SHORTCUT}"
        ${EndIf}
    ${EndIf}
    ${If} $R3 == 1
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Call un.WaitUntilClosed
    ; Nothing is deleted before everything can be: a table held open by an editor stops the
    ; uninstall before it starts, not half-way.
    !insertmacro RetryUntilClear un.CheckRemoval "Удаление не выполнено: ничего не изменено."
    ReadINIStr $R5 $Record "Setup" "Id"
    ReadINIStr $R6 $Record "Setup" "Shortcut"
    ; Only what the record lists: quorvel.ini (and anything else of the user's) stays, and so does
    ; the folder that holds it.
    StrCpy $Leftover ""
    !insertmacro QUORVEL_FOR_REPLACED QuorvelDeleteRecordedFile
    Push $R5
    Push $R6
    !insertmacro QUORVEL_FOR_TABLES QuorvelRemoveTable
    Pop $R6
    Pop $R5
    !insertmacro QUORVEL_FOR_FOLDERS QuorvelRemoveFolder
    ${If} $Leftover != ""
        ; Not finished: the record, the uninstaller and the entry stay, so that it can be run again.
        DetailPrint "Не удалены:$Leftover"
        MessageBox MB_OK|MB_ICONEXCLAMATION "Не удалось удалить из папки $INSTDIR:$Leftover$\r$\n\
            Закройте программы, которые их держат, и запустите удаление снова." /SD IDOK
        SetErrorLevel 2
        Return
    ${EndIf}
    Delete "$INSTDIR\${RECORD}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Call un.RemoveEntry
SectionEnd
