# What `cmake --install` puts where (GNU layout under CMAKE_INSTALL_PREFIX):
#   bin/                                   zefedit, zefctl, zefsim, zefd
#   share/applications/                    the menu entry
#   share/icons/hicolor/{scalable,NxN}/apps/  the icon (SVG and PNGs rendered from it)
#   share/metainfo/                        the AppStream description
#   share/man/man1/                        zefedit.1, zefctl.1, zefsim.1, zefd.1
#   lib/systemd/system/                    zefd.service (not enabled)
#   share/doc/zef-editor/                  zefd.conf.example
#   share/bash-completion/completions/     zefctl
#   lib/udev/rules.d/                      access to the amplifiers' USB serial adapters
# Windows and macOS get bin/ and share/doc/ only (see the guard below).
include(GNUInstallDirs)

set(ZEF_APP_ID org.zefeditor.ZefEditor)
set(ZEF_DIST_DIR "${PROJECT_SOURCE_DIR}/dist")
set(ZEF_ICON_SIZES 16 22 24 32 48 64 128 256)

install(TARGETS zefedit zefctl zefsim zefd RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

configure_file("${ZEF_DIST_DIR}/${ZEF_APP_ID}.metainfo.xml" "${CMAKE_BINARY_DIR}/dist/${ZEF_APP_ID}.metainfo.xml"
               @ONLY)

# zefctl's manual page and completion are made from the built program.
set(ZEF_ZEFCTL_COMPLETION "${CMAKE_BINARY_DIR}/dist/zefctl.bash")
set(ZEF_ZEFCTL_MAN "${CMAKE_BINARY_DIR}/dist/zefctl.1")
add_custom_command(
  OUTPUT "${ZEF_ZEFCTL_COMPLETION}" "${ZEF_ZEFCTL_MAN}"
  COMMAND "${CMAKE_COMMAND}" -DZEFCTL=$<TARGET_FILE:zefctl>
          -DCOMPLETION_IN=${ZEF_DIST_DIR}/zefctl.bash.in -DCOMPLETION_OUT=${ZEF_ZEFCTL_COMPLETION}
          -DMAN_IN=${ZEF_DIST_DIR}/man/zefctl.1.in -DMAN_OUT=${ZEF_ZEFCTL_MAN}
          -P "${CMAKE_CURRENT_LIST_DIR}/zefctl_docs.cmake"
  DEPENDS zefctl "${ZEF_DIST_DIR}/zefctl.bash.in" "${ZEF_DIST_DIR}/man/zefctl.1.in"
          "${CMAKE_CURRENT_LIST_DIR}/zefctl_docs.cmake"
  COMMENT "zefctl's completion and manual page from the program"
  VERBATIM)
add_custom_target(zefctl_docs ALL DEPENDS "${ZEF_ZEFCTL_COMPLETION}" "${ZEF_ZEFCTL_MAN}")

install(FILES "${ZEF_DIST_DIR}/zefd.conf.example" DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zef-editor)

# The desktop integration of Linux and the BSDs (menu entry, icons, AppStream,
# manual pages, bash completion, udev rule, systemd unit). Windows and macOS
# take the programs and the example configuration only; their installers
# (NSIS, a disk image) make their own shortcuts.
if(UNIX AND NOT APPLE)
  install(FILES "${ZEF_DIST_DIR}/${ZEF_APP_ID}.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES "${ZEF_DIST_DIR}/icons/${ZEF_APP_ID}.svg"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size IN LISTS ZEF_ICON_SIZES)
    install(FILES "${ZEF_DIST_DIR}/icons/${size}/${ZEF_APP_ID}.png"
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()

  install(FILES "${CMAKE_BINARY_DIR}/dist/${ZEF_APP_ID}.metainfo.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  install(FILES "${ZEF_DIST_DIR}/man/zefedit.1" "${ZEF_DIST_DIR}/man/zefsim.1" "${ZEF_DIST_DIR}/man/zefd.1" "${ZEF_ZEFCTL_MAN}"
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES "${ZEF_ZEFCTL_COMPLETION}" DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME zefctl)
  # Under the package's prefix /usr this is /usr/lib/udev/rules.d, where udev looks.
  install(FILES "${ZEF_DIST_DIR}/60-zef-editor.rules" DESTINATION lib/udev/rules.d)
  # zefd's unit, which the package does not enable.
  install(FILES "${ZEF_DIST_DIR}/zefd.service" DESTINATION lib/systemd/system)
endif()
