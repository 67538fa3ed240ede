# Where `cmake --install` and the Debian package put things. The help page
# goes to share/tovane, where start-up looks for it relative to bin/.
include(GNUInstallDirs)

install(TARGETS tovane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(NOT TOVANE_CORE_ONLY)
  install(TARGETS tovane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/data/TovaneHelp.html
          DESTINATION ${CMAKE_INSTALL_DATADIR}/tovane)
  install(FILES ${PROJECT_SOURCE_DIR}/data/tovane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/tovane.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
