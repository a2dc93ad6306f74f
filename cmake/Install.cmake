# `cmake --install build --prefix P` puts the portable folder under P/lib/mouse-suite (the
# programs expect their data beside them and resolve every path against their own
# folder), plus what a desktop needs around it. The installation data, being the same on
# every architecture, lies under P/share and is reached through a relative link:
#   P/lib/mouse-suite/configurator
#   P/share/mouse-suite/modules/...           pages' data, languages, help, images
#   P/lib/mouse-suite/modules -> ../../share/mouse-suite/modules
#   P/share/man/man1/mouse-suite.1.gz         the manual page (written by the program)
#   P/share/doc/mouse-suite/{README.md,copyright,changelog.gz}
#   P/lib/udev/rules.d/70-mouse-suite.rules   access to the mouse without root
#   P/share/applications/mouse-suite.desktop  menu entry running the configurator
#   P/share/icons/hicolor/NxN/apps/mouse-suite.png (16 … 256), scalable/apps/mouse-suite.svg
#   P/share/metainfo/…metainfo.xml            what software centres show, with the modalias
#   P/bin/mouse-suite                          the configurator on PATH (a symbolic link)
#   P/bin/mouse-suite-ctl                      the command line, beside it (a link as well)
#   P/share/man/man1/mouse-suite-ctl.1.gz
#   P/share/bash-completion/completions/mouse-suite-ctl, P/share/zsh/vendor-completions/_mouse-suite-ctl
#   P/share/mouse-suite/autostart/mouse-suite-tray.desktop  autostart entry, to copy
#   P/share/doc/mouse-suite/README.md
#   P/lib/mouse-suite/update/update, libISPDLL.so and data.bin beside it

set(MOUSE_SUITE_INSTALL_DIR lib/mouse-suite)
# The AppStream id; the metainfo file carries it in its name.
set(MOUSE_SUITE_APP_ID net.mouse_suite.configurator)

install(TARGETS configurator mouse-suite-ctl RUNTIME DESTINATION ${MOUSE_SUITE_INSTALL_DIR})

# The updater finds ISPDLL beside itself ($ORIGIN) and reads ./data.bin there.
install(TARGETS update RUNTIME DESTINATION ${MOUSE_SUITE_INSTALL_DIR}/update)
install(TARGETS ISPDLL
    LIBRARY DESTINATION ${MOUSE_SUITE_INSTALL_DIR}/update
    RUNTIME DESTINATION ${MOUSE_SUITE_INSTALL_DIR}/update)
install(FILES ${DIST_DIR}/update/data.bin DESTINATION ${MOUSE_SUITE_INSTALL_DIR}/update)

# The installation data from the source tree, not from build/dist: a configurator run from
# build/dist writes its settings there, and those are not to be shipped.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/modules
    DESTINATION share/mouse-suite
    PATTERN .gitkeep EXCLUDE)
install(CODE [=[
    set(link "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/lib/mouse-suite/modules")
    file(REMOVE_RECURSE "${link}")
    file(CREATE_LINK ../../share/mouse-suite/modules "${link}" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${link}")
    message(STATUS "Installing: ${link}")
]=])

# The manual page, as the program itself writes it (the same text as its --help).
set(MAN_PAGE ${CMAKE_BINARY_DIR}/man/mouse-suite.1)
add_custom_command(
    OUTPUT ${MAN_PAGE}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND configurator --manpage > ${MAN_PAGE}
    COMMAND update --manpage > ${CMAKE_BINARY_DIR}/man/update.1
    COMMAND virtual-mouse --manpage > ${CMAKE_BINARY_DIR}/man/virtual-mouse.1
    COMMAND mouse-suite-ctl --manpage > ${CMAKE_BINARY_DIR}/man/mouse-suite-ctl.1
    COMMAND gzip -9nkf ${MAN_PAGE} ${CMAKE_BINARY_DIR}/man/mouse-suite-ctl.1
    DEPENDS configurator update virtual-mouse mouse-suite-ctl
    COMMENT "Writing the manual pages"
    VERBATIM)
add_custom_target(man_pages ALL DEPENDS ${MAN_PAGE}.gz)
install(FILES ${MAN_PAGE}.gz ${CMAKE_BINARY_DIR}/man/mouse-suite-ctl.1.gz DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/data/completion/mouse-suite-ctl.bash
    DESTINATION share/bash-completion/completions RENAME mouse-suite-ctl)
install(FILES ${PROJECT_SOURCE_DIR}/data/completion/_mouse-suite-ctl
    DESTINATION share/zsh/vendor-completions)

install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/70-mouse-suite.rules
    DESTINATION lib/udev/rules.d)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/icons/mouse-suite-${size}.png
        DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME mouse-suite.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/icons/mouse-suite.svg
    DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/${MOUSE_SUITE_APP_ID}.metainfo.xml
    DESTINATION share/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/mouse-suite-tray.desktop
    DESTINATION share/mouse-suite/autostart)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/data/package/copyright
    DESTINATION share/doc/mouse-suite)
install(FILES ${PROJECT_SOURCE_DIR}/data/package/lintian-overrides
    DESTINATION share/lintian/overrides RENAME mouse-suite)
# Debian's form for a native package's changelog: gzip -9, without a name or time inside.
install(CODE "
    set(MOUSE_SUITE_CHANGELOG \"${PROJECT_SOURCE_DIR}/data/package/changelog\")
    set(MOUSE_SUITE_CHANGELOG_GZ \"${CMAKE_BINARY_DIR}/install-staging/changelog.gz\")
")
install(CODE [=[
    get_filename_component(staging "${MOUSE_SUITE_CHANGELOG_GZ}" DIRECTORY)
    file(MAKE_DIRECTORY "${staging}")
    execute_process(COMMAND gzip -9nc "${MOUSE_SUITE_CHANGELOG}"
        OUTPUT_FILE "${MOUSE_SUITE_CHANGELOG_GZ}" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "gzip could not compress the changelog")
    endif()
    file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/doc/mouse-suite" TYPE FILE
        FILES "${MOUSE_SUITE_CHANGELOG_GZ}")
]=])

# The launcher: a relative link, so it holds under any prefix and inside a package. The
# program finds its folder through the link (it asks the kernel for its own path).
install(CODE [=[
    file(MAKE_DIRECTORY "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
    foreach(pair "mouse-suite:configurator" "mouse-suite-ctl:mouse-suite-ctl")
        string(REPLACE ":" ";" pair "${pair}")
        list(GET pair 0 name)
        list(GET pair 1 target)
        set(launcher "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/${name}")
        file(REMOVE "${launcher}")
        file(CREATE_LINK ../lib/mouse-suite/${target} "${launcher}" SYMBOLIC)
        list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${launcher}")
        message(STATUS "Installing: ${launcher}")
    endforeach()
]=])

# The menu entry names the program by its installed path, which is known only when
# installing (--prefix may differ from the configured prefix). DESTDIR is not part of it.
install(CODE "
    set(MOUSE_SUITE_DESKTOP_IN \"${PROJECT_SOURCE_DIR}/data/desktop/mouse-suite.desktop.in\")
    set(MOUSE_SUITE_DESKTOP_OUT \"${CMAKE_BINARY_DIR}/install-staging/mouse-suite.desktop\")
    set(MOUSE_SUITE_INSTALL_DIR \"${MOUSE_SUITE_INSTALL_DIR}\")
")
install(CODE [=[
    set(CONFIGURATOR_EXEC "${CMAKE_INSTALL_PREFIX}/${MOUSE_SUITE_INSTALL_DIR}/configurator")
    if(CONFIGURATOR_EXEC MATCHES " ")
        set(CONFIGURATOR_EXEC "\"${CONFIGURATOR_EXEC}\"")
    endif()
    configure_file("${MOUSE_SUITE_DESKTOP_IN}" "${MOUSE_SUITE_DESKTOP_OUT}" @ONLY)
    file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
        FILES "${MOUSE_SUITE_DESKTOP_OUT}")
]=])

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
