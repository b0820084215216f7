# Install layout. Programs go to bin, the public libraries and the tuner module to lib beside
# it: the tuner control looks for libkxtuner.so in ../lib next to the running program before
# the configured library folder, so an installed tree works wherever it is unpacked. The
# device layer, which nothing outside the package is to link, goes to a folder of its own
# below lib.
include(GNUInstallDirs)

set(VD_INSTALL_LIB lib)
set(VD_PRIVATE_SUBDIR viewdeck)
set(VD_INSTALL_PRIVATE_LIB ${VD_INSTALL_LIB}/${VD_PRIVATE_SUBDIR})

# Installed programs find their libraries relative to themselves, never through the build tree.
set(VD_RPATH "$ORIGIN/../${VD_INSTALL_LIB}" "$ORIGIN/../${VD_INSTALL_PRIVATE_LIB}")

set_target_properties(viewdeck vdtool PROPERTIES INSTALL_RPATH "${VD_RPATH}")
install(TARGETS viewdeck vdtool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)

# The public libraries carry a SONAME so that programs built against them survive upgrades.
set_target_properties(vidparse stromsift PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION 0)
# Libraries find each other through $ORIGIN: the public ones the device layer in its folder.
set_target_properties(quillane kxtuner PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(vidparse stromsift teletext
                      PROPERTIES INSTALL_RPATH "$ORIGIN/${VD_PRIVATE_SUBDIR}")
install(TARGETS quillane kxtuner vidparse stromsift teletext
        LIBRARY DESTINATION ${VD_INSTALL_LIB} COMPONENT runtime NAMELINK_COMPONENT runtime
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
# The real file and its SONAME link; no development link, as nothing is built against it.
install(TARGETS vd_device
        LIBRARY DESTINATION ${VD_INSTALL_PRIVATE_LIB} COMPONENT runtime NAMELINK_SKIP)

# Public headers and their pkg-config files.
set(VD_PC_LIBDIR "\${prefix}/${VD_INSTALL_LIB}")
set(VD_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
install(FILES ${PROJECT_SOURCE_DIR}/parser/include/stromsift.h
              ${PROJECT_SOURCE_DIR}/teletext/include/teletext.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT runtime)
foreach(lib vidparse stromsift teletext)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${lib}.pc.in
                 ${PROJECT_BINARY_DIR}/packaging/${lib}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${lib}.pc
          DESTINATION ${VD_INSTALL_LIB}/pkgconfig COMPONENT runtime)
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
