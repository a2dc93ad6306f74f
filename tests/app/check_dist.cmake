cmake_minimum_required(VERSION 3.25)

# The portable folder build/dist: the program, and every installation data file under
# modules/ with the same bytes as in the source tree.
# Arguments: DIST_DIR, SOURCE_DIR.

set(failures "")
macro(fail text)
    string(APPEND failures "  ${text}\n")
endmacro()

execute_process(COMMAND test -f "${DIST_DIR}/configurator" -a -x "${DIST_DIR}/configurator"
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    fail("${DIST_DIR}/configurator is missing or not executable")
endif()

foreach(folder setting macro gun i18n img)
    if(NOT IS_DIRECTORY "${DIST_DIR}/modules/${folder}")
        fail("modules/${folder}/ is missing")
    endif()
endforeach()

file(GLOB_RECURSE data_files RELATIVE "${SOURCE_DIR}/data/modules" "${SOURCE_DIR}/data/modules/*")
if(NOT data_files)
    fail("no installation data found under ${SOURCE_DIR}/data/modules")
endif()
foreach(f IN LISTS data_files)
    if(NOT EXISTS "${DIST_DIR}/modules/${f}")
        fail("modules/${f} was not staged")
        continue()
    endif()
    file(SHA256 "${SOURCE_DIR}/data/modules/${f}" want)
    file(SHA256 "${DIST_DIR}/modules/${f}" got)
    if(NOT want STREQUAL got)
        fail("modules/${f} differs from data/modules/${f}")
    endif()
endforeach()

# The updater with its library and firmware file, where the configurator starts it.
foreach(f update/update update/libISPDLL.so update/data.bin)
    if(NOT EXISTS "${DIST_DIR}/${f}")
        fail("${f} was not staged")
    endif()
endforeach()

if(failures)
    message(FATAL_ERROR "portable folder ${DIST_DIR} is wrong:\n${failures}")
endif()
message(STATUS "portable folder ${DIST_DIR} is complete")
