# `cmake --install build --prefix P` puts the portable folder under P/lib/mouse-suite (the
# programs expect their data beside them and resolve every path against their own
# folder), plus what a desktop needs around it:
#   P/lib/mouse-suite/configurator, P/lib/mouse-suite/modules/...
#   P/lib/udev/rules.d/70-mouse-suite.rules   access to the mouse without root
#   P/share/applications/mouse-suite.desktop  menu entry running the configurator
#   P/share/icons/hicolor/32x32/apps/mouse-suite.png
#   P/lib/mouse-suite/update/update, libISPDLL.so and data.bin beside it

set(MOUSE_SUITE_INSTALL_DIR lib/mouse-suite)

install(TARGETS configurator RUNTIME DESTINATION ${MOUSE_SUITE_INSTALL_DIR})

# The updater finds ISPDLL beside itself ($ORIGIN) and reads ./data.bin there.
install(TARGETS update RUNTIME DESTINATION ${MOUSE_SUITE_INSTALL_DIR}/update)
install(TARGETS ISPDLL
    LIBRARY DESTINATION ${MOUSE_SUITE_INSTALL_DIR}/update
    RUNTIME DESTINATION ${MOUSE_SUITE_INSTALL_DIR}/update)
install(FILES ${DIST_DIR}/update/data.bin DESTINATION ${MOUSE_SUITE_INSTALL_DIR}/update)

# The installation data from the source tree, not from build/dist: a configurator run from
# build/dist writes its settings there, and those are not to be shipped.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/modules
    DESTINATION ${MOUSE_SUITE_INSTALL_DIR}
    PATTERN .gitkeep EXCLUDE)

install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/70-mouse-suite.rules
    DESTINATION lib/udev/rules.d)
install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/mouse-suite.png
    DESTINATION share/icons/hicolor/32x32/apps)

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
