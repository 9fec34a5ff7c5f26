# Writes the uninstaller's part of the installer script: one Delete line per file of the Windows
# package folder and one RMDir line per subfolder, deepest first, so that the uninstaller removes
# exactly what the installer put there. RMDir without /r leaves a folder that still holds files
# of the user's own (the settings file quorvel.ini beside the program).
#   cmake -DPACKAGE=<package folder> -DOUTPUT=<.nsh file> -P uninstall_list.cmake
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

set(text "; Made by packaging/windows/uninstall_list.cmake from ${PACKAGE}\n")
foreach(file IN LISTS files)
    string(REPLACE "/" "\\" file "${file}")
    string(APPEND text "Delete \"$INSTDIR\\${file}\"\n")
endforeach()
foreach(folder IN LISTS folders)
    string(REPLACE "/" "\\" folder "${folder}")
    string(APPEND text "RMDir \"$INSTDIR\\${folder}\"\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
