# dxflib for the Windows build of the stand-in host: Debian has it only for Linux, so its source
# (fetched by scripts/windows-qt-deps.sh) is built here as a static library named like the Linux one.
set(QUORVEL_DXFLIB_SOURCE "" CACHE PATH "dxflib's source folder")
if(NOT QUORVEL_DXFLIB_SOURCE)
    file(GLOB found_dxflib ${QUORVEL_CACHE_DIR}/dxflib-*/src/dl_dxf.cpp)
    if(found_dxflib)
        list(GET found_dxflib 0 found_dxflib)
        cmake_path(GET found_dxflib PARENT_PATH found_dxflib)
        cmake_path(GET found_dxflib PARENT_PATH found_dxflib)
        set(QUORVEL_DXFLIB_SOURCE ${found_dxflib} CACHE PATH "dxflib's source folder" FORCE)
    endif()
endif()

if(QUORVEL_DXFLIB_SOURCE AND NOT TARGET dxflib)
    # The sources include each other by bare name; users write <dxflib/dl_dxf.h>.
    set(headers ${CMAKE_BINARY_DIR}/dxflib-include)
    file(COPY ${QUORVEL_DXFLIB_SOURCE}/src/ DESTINATION ${headers}/dxflib
         FILES_MATCHING PATTERN "*.h")
    add_library(dxflib STATIC ${QUORVEL_DXFLIB_SOURCE}/src/dl_dxf.cpp
                              ${QUORVEL_DXFLIB_SOURCE}/src/dl_writer_ascii.cpp)
    # A system directory: its headers are the library's, not held to our warnings-as-errors.
    target_include_directories(dxflib SYSTEM PUBLIC ${headers})
    target_include_directories(dxflib PRIVATE ${headers}/dxflib)
endif()
