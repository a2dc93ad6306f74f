cmake_policy(SET CMP0009 NEW)
# Run by CPack on the staged tree before it is packed (CPACK_PRE_BUILD_SCRIPTS), after
# the programs were stripped: removes the compiler's .comment notes too, which a
# package does not need.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
    if(IS_SYMLINK "${file}")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46") # ELF
        execute_process(COMMAND objcopy --remove-section=.comment "${file}" RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "objcopy could not clean ${file}")
        endif()
    endif()
endforeach()
