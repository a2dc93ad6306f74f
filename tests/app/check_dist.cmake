cmake_minimum_required(VERSION 3.25)

# The portable folder build/dist: the program, the updater beside it, and every
# installation data file with the bytes of the source tree. Arguments: DIST_DIR, SOURCE_DIR.

set(failures "")
file(GLOB_RECURSE data RELATIVE "${SOURCE_DIR}/data" "${SOURCE_DIR}/data/modules/*")
foreach(f configurator mouse-suite-ctl update/update update/libISPDLL.so update/data.bin ${data})
    if(NOT EXISTS "${DIST_DIR}/${f}")
        string(APPEND failures "  ${f} was not staged\n")
    elseif(f MATCHES "^modules/")
        file(SHA256 "${SOURCE_DIR}/data/${f}" want)
        file(SHA256 "${DIST_DIR}/${f}" got)
        if(NOT want STREQUAL got)
            string(APPEND failures "  ${f} differs from data/${f}\n")
        endif()
    endif()
endforeach()
if(failures OR NOT data)
    message(FATAL_ERROR "portable folder ${DIST_DIR} is wrong:\n${failures}")
endif()
