cmake_minimum_required(VERSION 3.25)

# Builds the Debian package with CPack into a scratch folder, unpacks it into a scratch
# root (dpkg -x: nothing is installed on this machine) and checks its file list, control
# data, stripped programs, the menu entries and the AppStream metainfo.
# Arguments: BUILD_DIR, WORK_DIR.

set(failures "")
macro(fail text)
    string(APPEND failures "  ${text}\n")
endmacro()

foreach(tool cpack dpkg dpkg-deb desktop-file-validate appstreamcli readelf)
    find_program(found_${tool} ${tool})
    if(NOT found_${tool})
        message(FATAL_ERROR "${tool} is missing (scripts/install-deps.sh installs it)")
    endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND cpack -G DEB -B "${WORK_DIR}/out" --config "${BUILD_DIR}/CPackConfig.cmake"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB debs "${WORK_DIR}/out/*.deb")
list(LENGTH debs n)
if(NOT rc EQUAL 0 OR NOT n EQUAL 1)
    message(FATAL_ERROR "cpack did not build one package (${rc}):\n${out}")
endif()
set(deb "${debs}")

# --- control data --------------------------------------------------------------------
execute_process(COMMAND dpkg-deb -f "${deb}" Package Architecture Depends
    OUTPUT_VARIABLE control RESULT_VARIABLE rc)
if(NOT control MATCHES "Package: mouse-suite")
    fail("the package is not named mouse-suite: ${control}")
endif()
foreach(dep libhidapi-hidraw0 libqt6quickwidgets6 qml6-module-qtquick)
    if(NOT control MATCHES "${dep}")
        fail("the package does not depend on ${dep}")
    endif()
endforeach()
execute_process(COMMAND dpkg-deb -e "${deb}" "${WORK_DIR}/control")
foreach(script postinst postrm)
    if(EXISTS "${WORK_DIR}/control/${script}")
        file(READ "${WORK_DIR}/control/${script}" text)
        if(NOT text MATCHES "udevadm control --reload-rules")
            fail("${script} does not reload the udev rules")
        endif()
    else()
        fail("the package has no ${script}")
    endif()
endforeach()

# --- file list -------------------------------------------------------------------------
set(root "${WORK_DIR}/root")
execute_process(COMMAND dpkg -x "${deb}" "${root}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dpkg -x failed")
endif()
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
list(SORT files)
set(app usr/lib/mouse-suite)
set(expected
    usr/bin/mouse-suite
    ${app}/configurator ${app}/update/update ${app}/update/libISPDLL.so ${app}/update/data.bin
    usr/lib/udev/rules.d/70-mouse-suite.rules
    usr/share/applications/mouse-suite.desktop
    usr/share/icons/hicolor/scalable/apps/mouse-suite.svg
    usr/share/metainfo/net.mouse_suite.configurator.metainfo.xml
    usr/share/mouse-suite/autostart/mouse-suite-tray.desktop
    usr/share/doc/mouse-suite/README.md)
foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/mouse-suite.png)
endforeach()
foreach(f IN LISTS expected)
    if(NOT f IN_LIST files)
        fail("${f} is not in the package")
    endif()
endforeach()
# Everything else is the installation data under modules/.
foreach(f IN LISTS files)
    if(NOT f IN_LIST expected AND NOT f MATCHES "^${app}/modules/")
        fail("unexpected file in the package: ${f}")
    endif()
endforeach()
foreach(f ${app}/modules/setting/apConfig.bin ${app}/modules/img/trayIcon.ico)
    if(NOT f IN_LIST files)
        fail("${f} is not in the package")
    endif()
endforeach()

execute_process(COMMAND readlink "${root}/usr/bin/mouse-suite" OUTPUT_VARIABLE link
    OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT link STREQUAL "../lib/mouse-suite/configurator")
    fail("usr/bin/mouse-suite does not link to the configurator: '${link}'")
endif()

foreach(binary ${app}/configurator ${app}/update/update ${app}/update/libISPDLL.so)
    execute_process(COMMAND readelf -S "${root}/${binary}" OUTPUT_VARIABLE sections)
    if(sections MATCHES "\\.symtab" OR sections MATCHES "\\.debug_info")
        fail("${binary} is not stripped")
    endif()
endforeach()

# --- menu entries and metainfo -----------------------------------------------------------
foreach(entry usr/share/applications/mouse-suite.desktop
              usr/share/mouse-suite/autostart/mouse-suite-tray.desktop)
    execute_process(COMMAND desktop-file-validate "${root}/${entry}"
        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
        fail("desktop-file-validate ${entry}: ${out}")
    endif()
endforeach()
file(STRINGS "${root}/usr/share/applications/mouse-suite.desktop" menu)
if(NOT "Exec=/usr/lib/mouse-suite/configurator" IN_LIST menu)
    fail("the menu entry does not run /usr/lib/mouse-suite/configurator: ${menu}")
endif()
file(STRINGS "${root}/usr/share/mouse-suite/autostart/mouse-suite-tray.desktop" autostart)
if(NOT "Exec=mouse-suite --start-in-tray" IN_LIST autostart)
    fail("the autostart entry does not start in the tray: ${autostart}")
endif()

set(metainfo "${root}/usr/share/metainfo/net.mouse_suite.configurator.metainfo.xml")
execute_process(COMMAND appstreamcli validate --no-net "${metainfo}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    fail("appstreamcli validate: ${out}")
endif()
file(READ "${metainfo}" text)
if(NOT text MATCHES "<modalias>usb:v04D9pA26B\\*</modalias>")
    fail("the metainfo does not name the mouse's modalias")
endif()
if(NOT text MATCHES "<launchable type=\"desktop-id\">mouse-suite.desktop</launchable>")
    fail("the metainfo does not launch mouse-suite.desktop")
endif()

if(failures)
    message(FATAL_ERROR "package ${deb} is wrong:\n${failures}")
endif()
file(SIZE "${deb}" size)
list(LENGTH files count)
message(STATUS "package ${deb}: ${size} bytes, ${count} files")
file(REMOVE_RECURSE "${WORK_DIR}")
