# Debian's hardening flags, as dpkg-buildflags gives them with hardening=+all: fortified
# libc calls, the strong stack protector, format-string checks, and relocations made
# read-only and bound at load (relro, bind-now). On every optimised GCC build that has
# no sanitizer, so that the tested binaries are the packaged ones.
option(ENABLE_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ON)
# Whether they were applied (the package check expects them only then).
set(MOUSE_SUITE_HARDENED OFF)
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(ENABLE_HARDENING AND DPKG_BUILDFLAGS AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
   AND NOT ENABLE_ASAN_UBSAN AND NOT ENABLE_TSAN AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                    ${DPKG_BUILDFLAGS} --get ${kind}
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        # The build type already chooses optimisation and debug information.
        list(FILTER flags EXCLUDE REGEX "^-O[0-9s]?$|^-g$")
        set(HARDENING_${kind} ${flags})
    endforeach()
    list(TRANSFORM HARDENING_CFLAGS PREPEND "$<$<COMPILE_LANGUAGE:C>:")
    list(TRANSFORM HARDENING_CFLAGS APPEND ">")
    list(TRANSFORM HARDENING_CXXFLAGS PREPEND "$<$<COMPILE_LANGUAGE:CXX>:")
    list(TRANSFORM HARDENING_CXXFLAGS APPEND ">")
    add_compile_options(${HARDENING_CPPFLAGS} ${HARDENING_CFLAGS} ${HARDENING_CXXFLAGS})
    add_link_options(${HARDENING_LDFLAGS})
    set(MOUSE_SUITE_HARDENED ON)
    message(STATUS "Hardening with dpkg-buildflags (hardening=+all)")
endif()
