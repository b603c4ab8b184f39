# Installs Kelpforge as a package other games build on (install component "development"): the
# static library with its headers, the CMake package Kelpforge (find_package(Kelpforge 0.2)) and
# kelpforge.pc. Every path inside is relative to the installed files, so the prefix may move.
include(CMakePackageConfigHelpers)

set(KF_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kelpforge)
set(KF_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(TARGETS kelpforge EXPORT KelpforgeTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(EXPORT KelpforgeTargets NAMESPACE Kelpforge::
  DESTINATION ${KF_CMAKE_PACKAGE_DIR} COMPONENT development)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KelpforgeConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KelpforgeConfig.cmake INSTALL_DESTINATION ${KF_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KelpforgeConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KelpforgeConfig.cmake ${PROJECT_BINARY_DIR}/KelpforgeConfigVersion.cmake
  DESTINATION ${KF_CMAKE_PACKAGE_DIR} COMPONENT development)

# pkg-config finds the prefix from where the .pc file lies.
file(RELATIVE_PATH KF_PKGCONFIG_PREFIX_FROM_PCFILEDIR /prefix/${KF_PKGCONFIG_DIR} /prefix)
string(REGEX REPLACE "/$" "" KF_PKGCONFIG_PREFIX_FROM_PCFILEDIR "${KF_PKGCONFIG_PREFIX_FROM_PCFILEDIR}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/kelpforge.pc.in ${PROJECT_BINARY_DIR}/kelpforge.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kelpforge.pc DESTINATION ${KF_PKGCONFIG_DIR} COMPONENT development)

# The built-in font is carried inside the library, so its licence goes with it.
install(FILES ${PROJECT_SOURCE_DIR}/kelpforge/assets/kf_builtin_font.LICENSE.txt
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelpforge COMPONENT development)
