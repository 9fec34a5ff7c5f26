# The Windows installer Quorvel-<version>-setup.exe (target windows_installer), made with NSIS's
# makensis (Debian: nsis) from the folder of the Windows package, so that it installs exactly the
# files of the zip. The script is packaging/windows/quorvel.nsi.

find_program(QUORVEL_MAKENSIS makensis)
set(QUORVEL_WINDOWS_INSTALLER_NAME Quorvel-${PROJECT_VERSION}-setup.exe)

function(quorvel_windows_installer)
    if(NOT QUORVEL_MAKENSIS)
        message(STATUS "No makensis (NSIS): no Windows installer")
        return()
    endif()
    set(staging ${CMAKE_BINARY_DIR}/package)
    set(package ${staging}/${QUORVEL_WINDOWS_PACKAGE_NAME})
    set(package_lists ${CMAKE_BINARY_DIR}/generated/package_lists.nsh)
    set(script ${PROJECT_SOURCE_DIR}/packaging/windows/quorvel.nsi)
    # -WX: a warning of makensis (a file not found, a misspelt name) fails the build.
    add_custom_target(windows_installer
        COMMAND ${CMAKE_COMMAND} -DPACKAGE=${package} -DOUTPUT=${package_lists}
                -P ${PROJECT_SOURCE_DIR}/packaging/windows/package_lists.cmake
        COMMAND ${QUORVEL_MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION}
                -DVERSION_NUMBERS=${QUORVEL_VERSION_DOTTED} -DCOMPANY=${QUORVEL_COMPANY}
                -DPACKAGE=${package}
                -DPACKAGE_LISTS=${package_lists} -DICON=${QUORVEL_ICON_FILE}
                -DOUTFILE=${staging}/${QUORVEL_WINDOWS_INSTALLER_NAME} ${script}
        DEPENDS ${script} ${PROJECT_SOURCE_DIR}/packaging/windows/package_lists.cmake
                ${QUORVEL_ICON_FILE}
        COMMENT "Windows installer ${staging}/${QUORVEL_WINDOWS_INSTALLER_NAME}"
        VERBATIM)
    add_dependencies(windows_installer windows_package)
endfunction()
