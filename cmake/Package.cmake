# `cpack -G DEB` in the build folder builds mouse-suite_VERSION_ARCH.deb there from
# the same install rules, installed under /usr: the programs in /usr/lib/mouse-suite, the
# launcher /usr/bin/mouse-suite, the udev rule in /usr/lib/udev/rules.d (reloaded by the
# maintainer scripts), menu entry, icons, metainfo and the autostart entry to copy.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mouse-suite)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Mouse suite developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "configurator and firmware updater for the USB gaming mouse 04d9:a26b")
# Lines under 80 characters: dpkg shows them as they are.
set(CPACK_PACKAGE_DESCRIPTION
    "Sets the report rate, DPI stages, lighting, button functions, macros and
profiles of the USB gaming mouse 04d9:a26b from a window in the system tray,
and rewrites its firmware. A udev rule lets the user at the seat use the
mouse without root.")
set(CPACK_PACKAGE_CONTACT "Mouse suite developers <maintainers@mouse-suite.net>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://mouse-suite.net/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The install rules write the final path into the menu entry: they must see /usr as the
# prefix and the staging folder as DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by name at run time, so dpkg-shlibdeps cannot see them. qt6-wayland: without it
# Qt falls back to Xwayland in a Wayland session, so the package, not chance, decides.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qml6-module-qtquick, qml6-module-qtqml-workerscript, libqt6svg6, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/data/package/postinst ${PROJECT_SOURCE_DIR}/data/package/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageStrip.cmake)
include(CPack)
