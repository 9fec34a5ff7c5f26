# Strips the symbol tables and debug information from every program and library of the Windows
# package folder: a user's copy needs neither, and they were more than half of its size (the
# compiler's runtime libraries come with theirs).
#   cmake -DSTRIP=<MinGW strip> -DFOLDER=<package folder> -P strip_package.cmake
file(GLOB_RECURSE binaries "${FOLDER}/*.exe" "${FOLDER}/*.dll")
if(NOT binaries)
    message(FATAL_ERROR "No programs in ${FOLDER}")
endif()
foreach(binary IN LISTS binaries)
    execute_process(COMMAND "${STRIP}" --strip-all "${binary}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${STRIP} failed on ${binary}")
    endif()
endforeach()
