# dxflib for the Windows build of the stand-in host: Debian has it only for Linux, so its source
# (fetched by scripts/windows-qt-deps.sh) is built here as a static library named like the Linux one.
file(GLOB found_dxflib ${QUORVEL_CACHE_DIR}/dxflib-*/src/dl_dxf.cpp)
set(default_dxflib "")
if(found_dxflib)
    list(GET found_dxflib 0 default_dxflib)
    cmake_path(GET default_dxflib PARENT_PATH default_dxflib)
    cmake_path(GET default_dxflib PARENT_PATH default_dxflib)
endif()
set(QUORVEL_DXFLIB_SOURCE "${default_dxflib}" CACHE PATH "dxflib's source folder")

if(QUORVEL_DXFLIB_SOURCE AND NOT TARGET dxflib)
    # The sources include each other by bare name; users write <dxflib/dl_dxf.h>.
    set(headers ${CMAKE_BINARY_DIR}/dxflib-include)
    file(COPY ${QUORVEL_DXFLIB_SOURCE}/src/ DESTINATION ${headers}/dxflib
         FILES_MATCHING PATTERN "*.h")
    add_library(dxflib STATIC ${QUORVEL_DXFLIB_SOURCE}/src/dl_dxf.cpp
                              ${QUORVEL_DXFLIB_SOURCE}/src/dl_writer_ascii.cpp)
    target_include_directories(dxflib PUBLIC ${headers})
    target_include_directories(dxflib PRIVATE ${headers}/dxflib)
endif()
