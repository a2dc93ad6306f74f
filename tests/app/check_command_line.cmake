cmake_minimum_required(VERSION 3.25)

# The command line of the three programs: --help and --version print and exit 0, an
# unknown option prints a usage line and exits 2, and the two desktop programs started
# without a display say so in one line and exit 1 instead of aborting in Qt.
# Arguments: CONFIGURATOR, UPDATE, VIRTUAL_MOUSE, VERSION.

set(failures "")
# check(EXE RC OUT_REGEX ERR_REGEX args...): run without a display, Qt platform or mouse.
function(check exe want_rc want_out want_err)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                --unset=QT_QPA_PLATFORM --unset=VIRTUAL_MOUSE_SOCKET ${exe} ${ARGN}
        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 20)
    if(NOT rc STREQUAL want_rc OR NOT out MATCHES "${want_out}" OR NOT err MATCHES "${want_err}")
        string(APPEND failures "  ${exe} ${ARGN}: exit ${rc}, stdout '${out}', stderr '${err}'\n")
        set(failures "${failures}" PARENT_SCOPE)
    endif()
endfunction()

foreach(exe "${CONFIGURATOR}" "${UPDATE}" "${VIRTUAL_MOUSE}")
    get_filename_component(name "${exe}" NAME)
    check("${exe}" 0 "usage: ${name}.*--version" "^$" --help)
    check("${exe}" 0 "^${name} ${VERSION}\n$" "^$" --version)
    check("${exe}" 2 "^$" "usage: ${name}" --no-such-option)
endforeach()
check("${VIRTUAL_MOUSE}" 2 "" "usage: virtual-mouse" serve --socket /nonexistent/vm.sock --bad)
# The manual pages are written from the same text as --help, and man reads them cleanly.
foreach(exe "${CONFIGURATOR}" "${UPDATE}" "${VIRTUAL_MOUSE}")
    get_filename_component(name "${exe}" NAME)
    execute_process(COMMAND ${exe} --help OUTPUT_VARIABLE help)
    string(REGEX MATCH "\n\n([^\n]+)" first "${help}")
    string(REPLACE "-" "\\-" first "${CMAKE_MATCH_1}")
    execute_process(COMMAND ${exe} --manpage OUTPUT_VARIABLE page RESULT_VARIABLE rc)
    string(FIND "${page}" "${first}" at)
    if(NOT rc EQUAL 0 OR NOT page MATCHES "^\\.TH [A-Z-]+ 1 .*\n\\.SH NAME\n[a-z\\-]+ \\\\- " OR at LESS 0)
        string(APPEND failures "  ${name} --manpage: exit ${rc}, not the --help text: '${page}'\n")
    endif()
    file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/${name}.1" "${page}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=80
                man --warnings -E UTF-8 -l -Tutf8 -Z "${CMAKE_CURRENT_BINARY_DIR}/${name}.1"
        RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE warnings)
    if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
        string(APPEND failures "  ${name}.1: man warns: ${warnings}\n")
    endif()
endforeach()
# The configurator's autostart option is accepted, so it gets as far as the display.
check("${CONFIGURATOR}" 1 "^$" "^configurator: no graphical display[^\n]*\n$" --start-in-tray)
check("${UPDATE}" 1 "^$" "^update: no graphical display[^\n]*\n$")

# A Wayland session whose compositor is gone, asked for by name or picked by Qt itself.
foreach(platform_args "-platform;wayland" "")
    foreach(exe "${CONFIGURATOR}" "${UPDATE}")
        get_filename_component(name "${exe}" NAME)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=QT_QPA_PLATFORM
                    --unset=VIRTUAL_MOUSE_SOCKET WAYLAND_DISPLAY=/nonexistent/wayland-9
                    ${exe} ${platform_args}
            RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 20)
        if(NOT rc STREQUAL "1" OR NOT err MATCHES
                "^${name}: cannot reach the Wayland compositor at /nonexistent/wayland-9;[^\n]*\n$")
            string(APPEND failures "  ${exe} ${platform_args} (no compositor): exit ${rc}, "
                "stderr '${err}'\n")
        endif()
    endforeach()
endforeach()

if(failures)
    message(FATAL_ERROR "command lines are wrong:\n${failures}")
endif()
