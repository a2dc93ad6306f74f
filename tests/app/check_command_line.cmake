cmake_minimum_required(VERSION 3.25)

# The command line of the three programs: --help and --version print and exit 0, an
# unknown option prints a usage line and exits 2, and the two desktop programs started
# without a display say so in one line and exit 1 instead of aborting in Qt.
# Arguments: CONFIGURATOR, UPDATE, VIRTUAL_MOUSE, CTL (mouse-suite-ctl), VERSION.

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

foreach(exe "${CONFIGURATOR}" "${UPDATE}" "${VIRTUAL_MOUSE}" "${CTL}")
    get_filename_component(name "${exe}" NAME)
    check("${exe}" 0 "usage: ${name}.*(--version|factory-reset)" "^$" --help)
    check("${exe}" 0 "^${name} ${VERSION}\n$" "^$" --version)
    if(NOT exe STREQUAL "${CTL}")
        check("${exe}" 2 "^$" "usage: ${name}" --no-such-option)
    endif()
endforeach()
check("${VIRTUAL_MOUSE}" 2 "" "usage: virtual-mouse" serve --socket /nonexistent/vm.sock --bad)
# mouse-suite-ctl: a usage fault is one sentence and exit 2, before any mouse is looked for.
check("${CTL}" 2 "^$" "^mouse-suite-ctl: unknown option --no-such-option\n$" --no-such-option)
check("${CTL}" 2 "^$" "^mouse-suite-ctl: the mouse cannot run 800 DPI; it takes 250, [^\n]*\n$" dpi set 1 800)
check("${CTL}" 0 "^left-button +Left Button\n" "^$" button functions)
# A reset asks first; without a terminal to ask on, it needs --yes.
check("${CTL}" 2 "^$" "^mouse-suite-ctl: factory-reset asks first; give --yes[^\n]*\n$" factory-reset)
# The bash completion offers the commands, the values the mouse takes and the functions
# mouse-suite-ctl names (found on PATH, as when installed).
get_filename_component(ctl_dir "${CTL}" DIRECTORY)
foreach(case "li|lighting" "lighting |off static breath neon tapping" "button 2 vol|volume-up volume-down"
             "dpi set 1 1|1000 1250 1500 1750" "--json rate |125 250 500 1000" "dpi enable 3 |on off")
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 typed)
    list(GET case 1 offered)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env "PATH=${ctl_dir}:$ENV{PATH}" bash -c
            "source '${CMAKE_CURRENT_LIST_DIR}/../../data/completion/mouse-suite-ctl.bash'
             read -ra COMP_WORDS <<< 'mouse-suite-ctl ${typed}'
             [[ '${typed}' == *' ' ]] && COMP_WORDS+=('')
             COMP_CWORD=$((\${#COMP_WORDS[@]} - 1)); _mouse_suite_ctl; echo \"\${COMPREPLY[*]}\""
        OUTPUT_VARIABLE got OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(NOT got STREQUAL "${offered}")
        string(APPEND failures "  completion of 'mouse-suite-ctl ${typed}': '${got}' (exit ${rc}), not '${offered}'\n")
    endif()
endforeach()

# The manual pages are written from the same text as --help, and man reads them cleanly.
foreach(exe "${CONFIGURATOR}" "${UPDATE}" "${VIRTUAL_MOUSE}" "${CTL}")
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
