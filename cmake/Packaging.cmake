# Installing the Linux programs and building their Debian package:
#   cmake --install build/<dir> --prefix /usr/local
#   (cd build/<dir> && cpack -G DEB)      # tessmo_<version>_<arch>.deb
# Programs that are not built here (no Qt, say) are simply left out.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()
include(GNUInstallDirs)

foreach(program tessmo tessmo-demo tessmo-ctl tessmo-catalog)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The programs fall back to these when neither the working directory nor the user's
# configuration folder holds the files (they look in <bin>/../share/tessmo).
install(FILES examples/Tessmo.ini examples/Vorlund.ini DESTINATION ${CMAKE_INSTALL_DATADIR}/tessmo)
install(FILES res/linux/tessmo.desktop res/linux/tessmo-demo.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 64 128 256)
  install(FILES res/linux/icons/hicolor/${size}x${size}/apps/tessmo.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES docs/tessmo-ctl.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 OPTIONAL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessmo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tessmo maintainers <tessmo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set-up tool for the 04FC:6333 USB camera")
set(CPACK_PACKAGE_DESCRIPTION
  "Shows the camera's parameters in a list with a drop-down per value and writes the chosen values and the PC's clock to the camera through its extension unit. tessmo-demo shows the same window over a simulated camera; tessmo-ctl does the same from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Qt finds its window-system plugin at run time, so no library dependency names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
include(CPack)
