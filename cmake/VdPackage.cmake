# The Debian package: `make package` (cpack -G DEB in build/default).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME viewdeck)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvalen")
set(CPACK_PACKAGE_CONTACT "viewdeck developers <viewdeck@corvalen.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Viewer and tools for the Brevant TV USB box")
set(CPACK_PACKAGE_DESCRIPTION
    "Watch, scan, record and capture stills from the Brevant TV USB analogue TV box, with FM \
radio presets and the infrared remote. A virtual TV box is built in, so the \
program runs without the hardware. Includes the vdtool command-line companion and the \
vidparse, stromsift and teletext libraries.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies come from the libraries the installed binaries link (needs dpkg-shlibdeps).
# GStreamer loads its plug-ins at run time: their packages come from the element table the
# code creates its elements through; the captions of the test picture need a font, and the
# Chinese and Japanese country names one with their glyphs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
file(STRINGS ${PROJECT_SOURCE_DIR}/common/gst/include/vd/gst_elements.h vd_element_lines
     REGEX "^ +{\"[a-z0-9_]+\", \"[^\"]+\"")
set(vd_plugin_packages "")
foreach(line IN LISTS vd_element_lines)
  string(REGEX REPLACE "^ +{\"[a-z0-9_]+\", \"([^\"]+)\".*" "\\1" package "${line}")
  list(APPEND vd_plugin_packages ${package})
endforeach()
list(REMOVE_DUPLICATES vd_plugin_packages)
# The core's own elements come with the library that dpkg-shlibdeps finds.
list(REMOVE_ITEM vd_plugin_packages libgstreamer1.0-0)
list(SORT vd_plugin_packages)
list(APPEND vd_plugin_packages fonts-dejavu-core fonts-wqy-microhei)
list(JOIN vd_plugin_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/common/gst/include/vd/gst_elements.h)
# The public libraries (teletext, vidparse, stromsift) get a shlibs file, so that a program
# of another package that links them gets its dependency on this one. Their ABI may still
# change between 0.x releases under the same soname: such a program needs this very version.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
else()
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
endif()
# Our own libraries are found through the package's RPATHs, not the system's search path.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_BINARY_DIR}/lib)
include(CPack)
