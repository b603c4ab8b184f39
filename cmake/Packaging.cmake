# `cpack -G DEB` (make package-deb): the game alone, install component "game", as the Debian
# package rally-court_<version>_<architecture>.deb under /usr. Its dependencies are worked out
# by dpkg-shlibdeps from what the executable links.
if(NOT PROJECT_IS_TOP_LEVEL)
  return()
endif()

set(CPACK_PACKAGE_NAME rally-court)
set(CPACK_PACKAGE_VENDOR "Kelpforge developers")
set(CPACK_PACKAGE_CONTACT "Kelpforge developers <developers@kelpforge.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "table tennis for two players at one keyboard")
set(CPACK_PACKAGE_DESCRIPTION
  "Rally Court is a real-time table-tennis game for two players sharing one keyboard: W and S move the left paddle, the arrow keys the right one, and the first to 10 points wins.")
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};game;/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
