# What a desktop needs to offer the app: a launcher entry, its icon (the PNG
# is desktop/com.quenlor.pelorn.svg drawn at 128 px, by
# rsvg-convert -w 128 -h 128), the software-centre description and the user
# service that plays the watch's system daemons from the desktop's own.
set(_desktop ${CMAKE_SOURCE_DIR}/desktop)
install(FILES ${_desktop}/com.quenlor.pelorn.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_desktop}/com.quenlor.pelorn.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_desktop}/com.quenlor.pelorn.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_desktop}/com.quenlor.pelorn-128.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps
  RENAME com.quenlor.pelorn.png)
configure_file(${_desktop}/pelorn-desktop-bridge.service.in ${CMAKE_BINARY_DIR}/pelorn-desktop-bridge.service @ONLY)
# systemd looks for user units under <prefix>/lib, whatever the library folder is.
install(FILES ${CMAKE_BINARY_DIR}/pelorn-desktop-bridge.service DESTINATION lib/systemd/user)
