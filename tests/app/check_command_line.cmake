cmake_minimum_required(VERSION 3.25)

# The command line of the three programs: --help and --version print and exit 0, an
# unknown option prints a usage line and exits 2, and the two desktop programs started
# without a display say so in one sentence and exit 1 instead of aborting in Qt.
# Arguments: CONFIGURATOR, UPDATE, VIRTUAL_MOUSE, VERSION.

set(failures "")
macro(fail text)
    string(APPEND failures "  ${text}\n")
endmacro()

# run(NAME RC_VAR OUT_VAR ERR_VAR args...): without a display, Qt platform or mouse.
function(run program rc_var out_var err_var)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                --unset=QT_QPA_PLATFORM --unset=VIRTUAL_MOUSE_SOCKET ${program} ${ARGN}
        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 20)
    set(${rc_var} "${rc}" PARENT_SCOPE)
    set(${out_var} "${out}" PARENT_SCOPE)
    set(${err_var} "${err}" PARENT_SCOPE)
endfunction()

foreach(program CONFIGURATOR UPDATE VIRTUAL_MOUSE)
    set(exe "${${program}}")
    get_filename_component(name "${exe}" NAME)

    run("${exe}" rc out err --help)
    if(NOT rc EQUAL 0 OR NOT out MATCHES "usage: ${name}" OR NOT out MATCHES "--version")
        fail("${name} --help: exit ${rc}, output '${out}${err}'")
    endif()

    run("${exe}" rc out err --version)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "${name} ${VERSION}\n")
        fail("${name} --version: exit ${rc}, output '${out}${err}'")
    endif()

    run("${exe}" rc out err --no-such-option)
    if(NOT rc EQUAL 2 OR NOT err MATCHES "usage: ${name}" OR NOT out STREQUAL "")
        fail("${name} --no-such-option: exit ${rc}, stderr '${err}'")
    endif()
endforeach()

# The virtual mouse's serve command checks its options too.
run("${VIRTUAL_MOUSE}" rc out err serve --socket /nonexistent/vm.sock --no-such-option)
if(NOT rc EQUAL 2 OR NOT err MATCHES "usage: virtual-mouse")
    fail("virtual-mouse serve --no-such-option: exit ${rc}, stderr '${err}'")
endif()

# No display: one sentence on stderr, exit 1 (an abort would be a signal, not a number).
# The configurator's autostart option is accepted, so it gets that far.
foreach(program CONFIGURATOR UPDATE)
    set(exe "${${program}}")
    get_filename_component(name "${exe}" NAME)
    set(args "")
    if(program STREQUAL "CONFIGURATOR")
        set(args --start-in-tray)
    endif()
    run("${exe}" rc out err ${args})
    string(REGEX MATCHALL "\n" lines "${err}")
    list(LENGTH lines n)
    if(NOT rc EQUAL 1 OR NOT n EQUAL 1 OR NOT err MATCHES "^${name}: no graphical display")
        fail("${name} without a display: exit ${rc}, stderr '${err}'")
    endif()
endforeach()

if(failures)
    message(FATAL_ERROR "command lines are wrong:\n${failures}")
endif()
