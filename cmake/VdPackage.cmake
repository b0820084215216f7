# The Debian package: `make package` (cpack -G DEB in build/default).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME viewdeck)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvalen")
set(CPACK_PACKAGE_CONTACT "viewdeck developers <viewdeck@corvalen.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Viewer and tools for the Brevant TV USB box")
set(CPACK_PACKAGE_DESCRIPTION
    "Watch, scan, record and capture stills from the Brevant TV USB analogue TV box, with FM \
radio presets, teletext and the infrared remote. A virtual TV box is built in, so the \
program runs without the hardware. Includes the vdtool command-line companion and the \
vidparse, stromsift and teletext libraries.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies come from the libraries the installed binaries link (needs dpkg-shlibdeps).
# GStreamer loads its plug-ins at run time, so those are listed by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
# Our own libraries are found through the package's RPATHs, not the system's search path.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_BINARY_DIR}/lib)
include(CPack)
