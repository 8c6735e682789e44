# The Debian package (`./zef package`, or `cpack -G DEB` in a build folder):
# the install tree under /usr, stripped. Its dependencies are what
# dpkg-shlibdeps finds the installed programs linked against (the runtime
# library packages, never -dev ones) plus Qt's platform plugins, which the
# editor loads at run time rather than links. Qt's HTTP server and WebSocket
# libraries (libqt6httpserver6, libqt6websockets6), which zefd links, come in
# through dpkg-shlibdeps like every other library.
set(CPACK_PACKAGE_NAME zef-editor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZEF Editor developers")
set(CPACK_PACKAGE_CONTACT "ZEF Editor developers <zef-editor@users.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor and controller for ZEF networked DSP power amplifiers")
set(CPACK_PACKAGE_DESCRIPTION
    "ZEF Editor finds ZEF-4.260 amplifiers on USB, LAN and WLAN, reads and writes their memory and\n\
edits every DSP parameter live, with presets, project files and FIR and EQ design.\n\
Includes zefctl, a command-line controller, zefd, a remote-control service (HTTP/JSON and\n\
WebSocket), and zefsim, a simulated amplifier.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/dist/debian/postinst;${PROJECT_SOURCE_DIR}/dist/debian/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The generators that apply where the build runs: the Debian package on Linux
# (under /usr), an NSIS installer on Windows (`cpack -G WIX` makes an MSI
# from the same settings where the WiX toolset is installed), a disk image on
# macOS.
if(WIN32)
  set(CPACK_GENERATOR NSIS)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY "ZEF Editor")
  set(CPACK_PACKAGE_EXECUTABLES zefedit "ZEF Editor")
  set(CPACK_NSIS_DISPLAY_NAME "ZEF Editor ${PROJECT_VERSION}")
  # zefctl on the PATH of a command prompt.
  set(CPACK_NSIS_MODIFY_PATH ON)
  # The editor hears amplifiers announce themselves on UDP port 30303; the
  # firewall lets that port in for the editor only, on private and domain networks.
  set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS
      "ExecWait 'netsh advfirewall firewall add rule name=\"ZEF Editor announcements\" dir=in action=allow protocol=UDP localport=30303 program=\"$INSTDIR\\bin\\zefedit.exe\" profile=private,domain'")
  set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
      "ExecWait 'netsh advfirewall firewall delete rule name=\"ZEF Editor announcements\"'")
  # One MSI product line across versions, so that a new MSI replaces the old one.
  set(CPACK_WIX_UPGRADE_GUID "6F1C2B7E-4E2A-4C59-9D3B-2A8E5B0C7D41")
elseif(APPLE)
  set(CPACK_GENERATOR DragNDrop)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
# Packaging installs what is built; it does not build the tests and benchmarks first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
