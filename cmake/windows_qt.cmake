# Qt programs on Windows. Included before Qt is looked for.
#
# A cross build finds the Qt for Windows that scripts/build-qt-mingw.sh made (QUORVEL_QT_WINDOWS)
# together with the build machine's own Qt tools (moc, rcc, uic) of the same version. A native
# build on Windows finds its Qt installation through CMAKE_PREFIX_PATH as usual.
set(QUORVEL_QT_WINDOWS "" CACHE PATH "Qt 6 built for Windows (cross builds)")
set(QUORVEL_CACHE_DIR /var/cache/quorvel CACHE PATH "Caches made by the scripts")
if(CMAKE_CROSSCOMPILING AND NOT QUORVEL_QT_WINDOWS)
    # A complete build of the script carries its stamp file.
    file(GLOB stamps ${QUORVEL_CACHE_DIR}/qt6-mingw-*/.quorvel-stamp)
    if(stamps)
        list(GET stamps 0 stamp)
        cmake_path(GET stamp PARENT_PATH found)
        set(QUORVEL_QT_WINDOWS ${found} CACHE PATH "Qt 6 built for Windows (cross builds)" FORCE)
    endif()
endif()
if(CMAKE_CROSSCOMPILING AND QUORVEL_QT_WINDOWS)
    list(APPEND CMAKE_FIND_ROOT_PATH ${QUORVEL_QT_WINDOWS})
    list(APPEND CMAKE_PREFIX_PATH ${QUORVEL_QT_WINDOWS})
    # Debian keeps the host Qt's CMake files under its multiarch folder.
    file(GLOB host_info /usr/lib/*/cmake/Qt6HostInfo /usr/lib/cmake/Qt6HostInfo)
    list(GET host_info 0 host_info)
    cmake_path(GET host_info PARENT_PATH host_cmake_dir)
    set(QT_HOST_PATH /usr CACHE PATH "The build machine's Qt")
    set(QT_HOST_PATH_CMAKE_DIR ${host_cmake_dir} CACHE PATH "The build machine's Qt's CMake files")
endif()

# What a Qt program built with MinGW loads at run time besides itself, namely the Qt
# libraries, the platform plugins (the window system and the offscreen one the tests use), the
# widget style, and the compiler's runtime libraries the Qt libraries were linked against. There is
# no deployment tool for a cross build, so the lists are written out here.

set(QUORVEL_WINDOWS_PACKAGE_NAME Quorvel-${PROJECT_VERSION}-windows-x64)
set(QUORVEL_QT_LIBRARIES Qt6::Core Qt6::Gui Qt6::Widgets)
set(QUORVEL_QT_PLATFORM_PLUGINS Qt6::QWindowsIntegrationPlugin Qt6::QOffscreenIntegrationPlugin)
set(QUORVEL_QT_STYLE_PLUGINS Qt6::QWindowsVistaStylePlugin)

set(QUORVEL_MINGW_RUNTIME)
if(MINGW)
    foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                        OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT EXISTS "${found}")
            message(FATAL_ERROR "The compiler's runtime library ${runtime} was not found")
        endif()
        file(REAL_PATH "${found}" found)
        list(APPEND QUORVEL_MINGW_RUNTIME "${found}")
    endforeach()
endif()

# Copies the run-time files beside a built program, so that it runs straight from the build folder
# (under Wine as well) without a search path.
# Further Qt libraries the target needs (Qt6::Test) follow the target's name.
function(quorvel_deploy_qt target)
    set(libraries ${QUORVEL_MINGW_RUNTIME})
    foreach(library IN LISTS QUORVEL_QT_LIBRARIES ARGN)
        list(APPEND libraries $<TARGET_FILE:${library}>)
    endforeach()
    set(platforms)
    foreach(plugin IN LISTS QUORVEL_QT_PLATFORM_PLUGINS)
        list(APPEND platforms $<TARGET_FILE:${plugin}>)
    endforeach()
    set(styles)
    foreach(plugin IN LISTS QUORVEL_QT_STYLE_PLUGINS)
        list(APPEND styles $<TARGET_FILE:${plugin}>)
    endforeach()
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${libraries} $<TARGET_FILE_DIR:${target}>
        COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/platforms
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${platforms}
                $<TARGET_FILE_DIR:${target}>/platforms
        COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/styles
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${styles} $<TARGET_FILE_DIR:${target}>/styles
        VERBATIM)
endfunction()

# The package: one folder that a user unpacks and runs (the program, the stand-in host, the table
# files, the run-time files), made by `cmake --install`, stripped of symbols and debug information,
# and zipped by the target windows_package.
function(quorvel_windows_package)
    install(TARGETS ${ARGN} RUNTIME DESTINATION .)
    install(FILES ${QUORVEL_DATA_FILES} DESTINATION .)
    install(FILES ${QUORVEL_MINGW_RUNTIME} DESTINATION .)
    install(IMPORTED_RUNTIME_ARTIFACTS ${QUORVEL_QT_LIBRARIES} RUNTIME DESTINATION .)
    install(IMPORTED_RUNTIME_ARTIFACTS ${QUORVEL_QT_PLATFORM_PLUGINS}
            LIBRARY DESTINATION platforms RUNTIME DESTINATION platforms)
    install(IMPORTED_RUNTIME_ARTIFACTS ${QUORVEL_QT_STYLE_PLUGINS}
            LIBRARY DESTINATION styles RUNTIME DESTINATION styles)

    set(name ${QUORVEL_WINDOWS_PACKAGE_NAME})
    set(staging ${CMAKE_BINARY_DIR}/package)
    add_custom_target(windows_package
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${staging}/${name} ${staging}/${name}.zip
        COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${staging}/${name}
        COMMAND ${CMAKE_COMMAND} -DSTRIP=${CMAKE_STRIP} -DFOLDER=${staging}/${name}
                -P ${PROJECT_SOURCE_DIR}/packaging/windows/strip_package.cmake
        COMMAND ${CMAKE_COMMAND} -E chdir ${staging}
                ${CMAKE_COMMAND} -E tar cf ${name}.zip --format=zip ${name}
        DEPENDS ${ARGN}
        COMMENT "Windows package ${staging}/${name}.zip"
        VERBATIM)
endfunction()
