# Writes the lists of the Windows package's files that the installer script works through, as
# NSIS macros that call the macro they are given once per entry:
#   QUORVEL_FOR_TABLES M      M "<table>" "<name of the new shipped copy beside a changed one>"
#   QUORVEL_FOR_REPLACED M    M "<file>": every file but the tables (those the setup overwrites)
#   QUORVEL_FOR_PROGRAMS M    M "<file>": the programs and libraries, held while a program runs
#   QUORVEL_FOR_FOLDERS M     M "<folder>": the subfolders, deepest first
# and QUORVEL_PACKAGE_KB, the room the package's files take (each rounded up to a whole KB).
# The tables are the .dat files at the top of the package; paths use backslashes.
#   cmake -DPACKAGE=<package folder> -DOUTPUT=<.nsh file> -P package_lists.cmake
if(NOT IS_DIRECTORY "${PACKAGE}")
    message(FATAL_ERROR "No package folder ${PACKAGE}: build the target windows_package first")
endif()
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${PACKAGE}" "${PACKAGE}/*")
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${PACKAGE}" "${PACKAGE}/*")
list(SORT files)
set(folders)
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY "${PACKAGE}/${entry}")
        list(APPEND folders "${entry}")
    endif()
endforeach()
# Reverse order puts a folder's subfolders before it.
list(SORT folders)
list(REVERSE folders)

set(tables)
set(replaced)
set(programs)
set(kilobytes 0)
foreach(file IN LISTS files)
    file(SIZE "${PACKAGE}/${file}" size)
    math(EXPR kilobytes "${kilobytes} + (${size} + 1023) / 1024")
    string(REPLACE "/" "\\" name "${file}")
    if(file MATCHES "^[^/]+\\.dat$")
        # quorvel_22032-76.dat -> quorvel_22032-76.new.dat: still a table file to an editor, and
        # not a name the program reads.
        string(REGEX REPLACE "\\.dat$" ".new.dat" beside "${name}")
        string(APPEND tables "    !insertmacro \${MACRO} \"${name}\" \"${beside}\"\n")
        continue()
    endif()
    string(APPEND replaced "    !insertmacro \${MACRO} \"${name}\"\n")
    if(file MATCHES "\\.(exe|dll)$")
        string(APPEND programs "    !insertmacro \${MACRO} \"${name}\"\n")
    endif()
endforeach()
set(folder_lines)
foreach(folder IN LISTS folders)
    string(REPLACE "/" "\\" folder "${folder}")
    string(APPEND folder_lines "    !insertmacro \${MACRO} \"${folder}\"\n")
endforeach()

set(text "; Made by packaging/windows/package_lists.cmake from ${PACKAGE}\n")
foreach(list tables replaced programs folder_lines)
    set(macro_name_tables QUORVEL_FOR_TABLES)
    set(macro_name_replaced QUORVEL_FOR_REPLACED)
    set(macro_name_programs QUORVEL_FOR_PROGRAMS)
    set(macro_name_folder_lines QUORVEL_FOR_FOLDERS)
    string(APPEND text "!macro ${macro_name_${list}} MACRO\n${${list}}!macroend\n")
endforeach()
string(APPEND text "!define QUORVEL_PACKAGE_KB ${kilobytes}\n")
file(WRITE "${OUTPUT}" "${text}")
