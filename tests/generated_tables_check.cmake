# Runs tools/make_tables.py twice into one fresh folder and compares the output, byte for byte,
# with the committed data/: the shipped tables must be exactly what the generator writes, and a
# second run must change nothing.
# Called as: cmake -DPYTHON=... -DSOURCE_DIR=... -DWORK_DIR=... -P generated_tables_check.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
file(GLOB committed RELATIVE "${SOURCE_DIR}/data" "${SOURCE_DIR}/data/*")
list(SORT committed)
foreach(run first second)
    execute_process(COMMAND "${PYTHON}" "${SOURCE_DIR}/tools/make_tables.py" "${WORK_DIR}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "make_tables.py failed on the ${run} run: ${status}")
    endif()
    file(GLOB written RELATIVE "${WORK_DIR}" "${WORK_DIR}/*")
    list(SORT written)
    if(NOT written STREQUAL committed)
        message(FATAL_ERROR "${run} run wrote [${written}], data/ holds [${committed}]")
    endif()
    foreach(name IN LISTS committed)
        execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
                                "${WORK_DIR}/${name}" "${SOURCE_DIR}/data/${name}"
                        RESULT_VARIABLE differs)
        if(NOT differs EQUAL 0)
            message(FATAL_ERROR "${run} run: ${name} differs from data/${name}; "
                                "run python3 tools/make_tables.py and commit the result")
        endif()
    endforeach()
endforeach()
