# Install layout (cmake/VdLayout.cmake). Programs go to bin, the public libraries to
# VD_INSTALL_LIB, the device-access and tuner modules to VD_INSTALL_MODULE_LIB (lib by default,
# where the tuner control looks for libkxtuner.so beside the running program). The device layer,
# which nothing outside the package is to link, goes to a folder of its own below lib.

# Installed programs and libraries find each other relative to themselves, never through the
# build tree.
vd_relative_path(bin_to_lib ${CMAKE_INSTALL_BINDIR} ${VD_INSTALL_LIB})
vd_relative_path(bin_to_private ${CMAKE_INSTALL_BINDIR} ${VD_INSTALL_PRIVATE_LIB})
set(VD_RPATH "$ORIGIN/${bin_to_lib}" "$ORIGIN/${bin_to_private}")
if(NOT VD_INSTALL_MODULE_LIB STREQUAL VD_INSTALL_LIB
   AND NOT VD_INSTALL_MODULE_LIB STREQUAL VD_INSTALL_PRIVATE_LIB)
  list(APPEND VD_RPATH "$ORIGIN/${VD_BIN_TO_MODULES}")
endif()

set_target_properties(viewdeck vdtool PROPERTIES INSTALL_RPATH "${VD_RPATH}")
install(TARGETS viewdeck vdtool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)

# The public libraries carry a SONAME so that programs built against them survive upgrades.
set_target_properties(vidparse stromsift PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION 0)
# Libraries find each other through $ORIGIN: the public ones and the modules the device layer
# in its folder.
vd_relative_path(modules_to_private ${VD_INSTALL_MODULE_LIB} ${VD_INSTALL_PRIVATE_LIB})
set_target_properties(quillane kxtuner PROPERTIES INSTALL_RPATH "$ORIGIN")
if(NOT modules_to_private STREQUAL .)
  set_target_properties(quillane kxtuner PROPERTIES INSTALL_RPATH "$ORIGIN;$ORIGIN/${modules_to_private}")
endif()
set_target_properties(vidparse stromsift teletext
                      PROPERTIES INSTALL_RPATH "$ORIGIN/${VD_PRIVATE_SUBDIR}")
install(TARGETS vidparse stromsift teletext
        LIBRARY DESTINATION ${VD_INSTALL_LIB} COMPONENT runtime NAMELINK_COMPONENT development)
install(TARGETS quillane kxtuner
        LIBRARY DESTINATION ${VD_INSTALL_MODULE_LIB} COMPONENT runtime
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
# The real file and its SONAME link; no development link, as nothing is built against it.
install(TARGETS vd_device
        LIBRARY DESTINATION ${VD_INSTALL_PRIVATE_LIB} COMPONENT runtime NAMELINK_SKIP)

# Public headers and their pkg-config files.
set(VD_PC_LIBDIR "\${prefix}/${VD_INSTALL_LIB}")
vd_relative_path(VD_PC_TO_PREFIX ${VD_INSTALL_LIB}/pkgconfig .)
set(VD_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
install(FILES ${PROJECT_SOURCE_DIR}/parser/include/stromsift.h
              ${PROJECT_SOURCE_DIR}/teletext/include/teletext.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
foreach(lib vidparse stromsift teletext)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${lib}.pc.in
                 ${PROJECT_BINARY_DIR}/packaging/${lib}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${lib}.pc
          DESTINATION ${VD_INSTALL_LIB}/pkgconfig COMPONENT development)
endforeach()

# Desktop integration and manuals (the help is installed with the viewer).
install(FILES ${PROJECT_SOURCE_DIR}/docs/viewdeck.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/docs/viewdeck.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/docs/icons/viewdeck-128.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps
        RENAME viewdeck.png COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/docs/org.corvalen.viewdeck.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/docs/viewdeck.1 ${CMAKE_BINARY_DIR}/man/vdtool.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
