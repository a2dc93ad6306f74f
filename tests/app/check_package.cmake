cmake_minimum_required(VERSION 3.25)

# Builds the Debian package with CPack, unpacks it into a scratch root (dpkg -x: nothing is
# installed here) and checks what a packaging mistake would break; then `cmake --install`
# with DESTDIR into a prefix with a space. Arguments: BUILD_DIR, WORK_DIR.

set(failures "")
macro(fail text)
    string(APPEND failures "  ${text}\n")
endmacro()

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND cpack -G DEB -B "${WORK_DIR}/out" --config "${BUILD_DIR}/CPackConfig.cmake"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB deb "${WORK_DIR}/out/*.deb")
list(LENGTH deb n)
if(NOT rc EQUAL 0 OR NOT n EQUAL 1)
    message(FATAL_ERROR "cpack did not build one package (${rc}):\n${out}")
endif()

execute_process(COMMAND dpkg-deb -f "${deb}" Package Depends OUTPUT_VARIABLE control)
if(NOT control MATCHES "Package: mouse-suite" OR NOT control MATCHES "libhidapi-hidraw0"
   OR NOT control MATCHES "libqt6quickwidgets6" OR NOT control MATCHES "qml6-module-qtquick"
   OR NOT control MATCHES "qt6-wayland" OR NOT control MATCHES "libqt6dbus6")
    fail("name or dependencies are wrong: ${control}")
endif()
execute_process(COMMAND dpkg-deb -e "${deb}" "${WORK_DIR}/control")
foreach(script postinst postrm)
    file(READ "${WORK_DIR}/control/${script}" text)
    if(NOT text MATCHES "udevadm control --reload-rules")
        fail("${script} does not reload the udev rules")
    endif()
endforeach()

set(root "${WORK_DIR}/root")
execute_process(COMMAND dpkg -x "${deb}" "${root}")
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
set(app usr/lib/mouse-suite)
set(expected usr/bin/mouse-suite usr/bin/mouse-suite-ctl ${app}/configurator ${app}/mouse-suite-ctl
    ${app}/update/update usr/share/man/man1/mouse-suite-ctl.1.gz
    usr/share/bash-completion/completions/mouse-suite-ctl usr/share/zsh/vendor-completions/_mouse-suite-ctl
    ${app}/update/libISPDLL.so ${app}/update/data.bin usr/lib/udev/rules.d/70-mouse-suite.rules
    usr/share/applications/mouse-suite.desktop usr/share/icons/hicolor/scalable/apps/mouse-suite.svg
    usr/share/metainfo/net.mouse_suite.configurator.metainfo.xml
    usr/share/mouse-suite/autostart/mouse-suite-tray.desktop usr/share/doc/mouse-suite/README.md
    usr/share/doc/mouse-suite/copyright usr/share/doc/mouse-suite/changelog.gz
    usr/share/man/man1/mouse-suite.1.gz usr/share/lintian/overrides/mouse-suite ${app}/modules
    usr/share/mouse-suite/modules/setting/apConfig.bin usr/share/mouse-suite/modules/img/trayIcon.ico)
foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/mouse-suite.png)
endforeach()
foreach(f IN LISTS expected)
    if(NOT f IN_LIST files)
        fail("${f} is not in the package")
    endif()
endforeach()
foreach(f IN LISTS files)
    if(f MATCHES "\\.gitkeep$" OR (NOT f IN_LIST expected AND NOT f MATCHES "^usr/share/mouse-suite/modules/"))
        fail("unexpected file in the package: ${f}")
    endif()
endforeach()
execute_process(COMMAND readlink "${root}/usr/bin/mouse-suite" OUTPUT_VARIABLE link
    OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT link STREQUAL "../lib/mouse-suite/configurator")
    fail("usr/bin/mouse-suite does not link to the configurator: '${link}'")
endif()
execute_process(COMMAND readlink "${root}/usr/bin/mouse-suite-ctl" OUTPUT_VARIABLE link
    OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT link STREQUAL "../lib/mouse-suite/mouse-suite-ctl")
    fail("usr/bin/mouse-suite-ctl does not link to the command line: '${link}'")
endif()
# The data, the same on every architecture, under /usr/share; the program finds it beside it.
execute_process(COMMAND readlink "${root}/${app}/modules" OUTPUT_VARIABLE link
    OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT link STREQUAL "../../share/mouse-suite/modules" OR NOT EXISTS "${root}/${app}/modules/i18n")
    fail("${app}/modules does not lead to usr/share/mouse-suite/modules: '${link}'")
endif()
foreach(binary ${app}/configurator ${app}/mouse-suite-ctl ${app}/update/update ${app}/update/libISPDLL.so)
    execute_process(COMMAND readelf -S -d -l "${root}/${binary}" OUTPUT_VARIABLE sections)
    if(sections MATCHES "\\.symtab|\\.debug_info|\\.comment|R(UN)?PATH.*${BUILD_DIR}")
        fail("${binary} is not stripped or reaches into the build tree")
    endif()
    if(HARDENED AND (NOT sections MATCHES "BIND_NOW|FLAGS.*NOW" OR NOT sections MATCHES "GNU_RELRO"))
        fail("${binary} is not linked with relro and bind-now")
    endif()
endforeach()

file(STRINGS "${root}/usr/lib/udev/rules.d/70-mouse-suite.rules" rules REGEX "^[^#]")
foreach(product a26b 8022)
    if(NOT rules MATCHES "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"04d9\", ATTRS{idProduct}==\"${product}\", TAG\\+=\"uaccess\"")
        fail("no udev rule gives uaccess to hidraw nodes of 04d9:${product}")
    endif()
endforeach()

set(execs "")
foreach(entry applications/mouse-suite.desktop mouse-suite/autostart/mouse-suite-tray.desktop)
    execute_process(COMMAND desktop-file-validate "${root}/usr/share/${entry}"
        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
        fail("desktop-file-validate ${entry}: ${out}")
    endif()
    file(STRINGS "${root}/usr/share/${entry}" exec REGEX "^Exec=")
    list(APPEND execs ${exec})
endforeach()
if(NOT execs STREQUAL "Exec=/usr/lib/mouse-suite/configurator;Exec=mouse-suite --start-in-tray")
    fail("the menu and autostart entries do not run the configurator (in the tray): ${execs}")
endif()
set(metainfo "${root}/usr/share/metainfo/net.mouse_suite.configurator.metainfo.xml")
execute_process(COMMAND appstreamcli validate --no-net "${metainfo}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(READ "${metainfo}" text)
if(NOT rc EQUAL 0 OR NOT text MATCHES "<modalias>usb:v04D9pA26B\\*</modalias>")
    fail("the metainfo does not validate or name the mouse's modalias: ${out}")
endif()

set(stage "${WORK_DIR}/stage")
execute_process(COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${stage}"
    ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "/opt/mouse suite" OUTPUT_QUIET)
file(STRINGS "${stage}/opt/mouse suite/share/applications/mouse-suite.desktop" entry)
if(NOT "Exec=\"/opt/mouse suite/lib/mouse-suite/configurator\"" IN_LIST entry)
    fail("installed with DESTDIR, the menu entry does not run the final, quoted path: ${entry}")
endif()
# Under any prefix the program finds its data beside it, through the relative link.
if(NOT EXISTS "${stage}/opt/mouse suite/lib/mouse-suite/modules/setting/apConfig.bin")
    fail("installed under a prefix, lib/mouse-suite/modules does not lead to the data")
endif()

# As a distribution checks a package: no error, no warning, even pedantic. Informational
# tags are left only with a reason in the package's lintian overrides.
find_program(LINTIAN lintian)
if(NOT LINTIAN)
    fail("lintian is not installed (scripts/install-deps.sh installs it)")
else()
    # A sanitizer build is not hardened (and is never shipped): its hardening tags are expected.
    set(expected_tags "")
    if(NOT HARDENED)
        set(expected_tags --suppress-tags
            hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-relro)
    endif()
    execute_process(COMMAND ${LINTIAN} --pedantic --display-info --fail-on error,warning
            ${expected_tags} "${deb}"
        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0 OR out MATCHES "(^|\n)[EWIP]: ")
        fail("lintian --pedantic finds:\n${out}${err}")
    endif()
endif()

if(failures)
    message(FATAL_ERROR "package ${deb} is wrong:\n${failures}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
