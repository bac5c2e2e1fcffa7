# The Debian package of everything `cmake --install` installs: `cpack -G DEB` in the build
# folder, or scripts/package. The runtime dependencies are computed from the binaries by
# dpkg-shlibdeps (package dpkg-dev).
set(CPACK_PACKAGE_NAME kelvan)
set(CPACK_PACKAGE_VENDOR Kelvan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kelvan developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "host program for a microcontroller programmer")
set(CPACK_PACKAGE_DESCRIPTION
    "Kelvan talks to a microcontroller programmer on a serial port: it reads, writes, erases
and verifies a chip's program memory and EEPROM, reads its signature and calibration bytes,
and reads and writes its fuse and lock bits. The programmer describes its chips over the line.
The user interface is Russian. The package also holds kelvan-devsim, a simulated programmer on
a pseudo-terminal.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads the window system's platform plugin at run time, so no binary names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
include(CPack)
