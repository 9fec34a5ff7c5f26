# Windows programs as users know them: each carries a version resource (product name, maker,
# copyright, the project's version, a description), the program's icon and an application manifest
# (packaging/windows/quorvel.manifest.in: runs as the user who starts it, per-monitor DPI aware,
# long paths, the Windows versions it was made for), compiled in by the resource compiler (windres
# from MinGW). The icon is made by the build from the program's own picture
# (ui/pictures/quorvel.xpm) with ImageMagick, in the sizes Explorer and the Start menu ask for; the
# 256-pixel layer (for large icon views) is a PNG in full colour, which every Windows since Vista
# reads, enlarged pixel by pixel from the 32-pixel picture.

enable_language(RC)

# On Windows "convert" is a system tool of another kind: there ImageMagick is "magick" only.
if(CMAKE_HOST_WIN32)
    find_program(QUORVEL_IMAGEMAGICK NAMES magick)
else()
    find_program(QUORVEL_IMAGEMAGICK NAMES convert magick)
endif()
if(NOT QUORVEL_IMAGEMAGICK)
    message(FATAL_ERROR "ImageMagick (convert or magick) makes the Windows programs' icon; "
                        "install it (Debian: imagemagick)")
endif()

set(QUORVEL_ICON_FILE ${CMAKE_BINARY_DIR}/generated/quorvel.ico)
set(QUORVEL_ICON_PICTURE ${PROJECT_SOURCE_DIR}/ui/pictures/quorvel.xpm)
add_custom_command(OUTPUT ${QUORVEL_ICON_FILE}
    COMMAND ${QUORVEL_IMAGEMAGICK} ${QUORVEL_ICON_PICTURE}
            ( -clone 0 -resize 16x16 ) ( -clone 0 -resize 48x48 )
            ( -clone 0 -filter point -resize 256x256 ) -define png:color-type=6
            ${QUORVEL_ICON_FILE}
    DEPENDS ${QUORVEL_ICON_PICTURE}
    COMMENT "Icon of the Windows programs"
    VERBATIM)

# The maker, in the version resources and the setup; the copyright line is hers.
set(QUORVEL_COMPANY "Quorvel developers")

# Version resources take four numbers; the missing ones are 0.
set(QUORVEL_VERSION_NUMBERS)
foreach(part MAJOR MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
        list(APPEND QUORVEL_VERSION_NUMBERS 0)
    else()
        list(APPEND QUORVEL_VERSION_NUMBERS ${PROJECT_VERSION_${part}})
    endif()
endforeach()
string(REPLACE ";" "." QUORVEL_VERSION_DOTTED "${QUORVEL_VERSION_NUMBERS}")
string(REPLACE ";" "," QUORVEL_VERSION_NUMBERS "${QUORVEL_VERSION_NUMBERS}")

# Gives the program target its version resource with description (UTF-8), the icon and the
# manifest. The
# programs so marked are listed in the global property QUORVEL_RESOURCE_PROGRAMS, for the test
# that reads the resources back.
function(quorvel_windows_resources target description)
    set(QUORVEL_RC_NAME ${target})
    set(QUORVEL_RC_DESCRIPTION ${description})
    set(QUORVEL_RC_MANIFEST ${CMAKE_BINARY_DIR}/generated/${target}.manifest)
    set(rc ${CMAKE_BINARY_DIR}/generated/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/quorvel.manifest.in
                   ${QUORVEL_RC_MANIFEST} @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc} ${QUORVEL_ICON_FILE})
    set_source_files_properties(${rc} PROPERTIES
        OBJECT_DEPENDS "${QUORVEL_ICON_FILE};${QUORVEL_RC_MANIFEST}")
    set_property(GLOBAL APPEND PROPERTY QUORVEL_RESOURCE_PROGRAMS ${target})
endfunction()
