# GoogleTest for a cross build: the distribution's libgtest-dev holds host libraries only, but it
# ships the sources in /usr/src/googletest, which are built here with the target's compiler. They
# define the same GTest:: names that find_package(GTest) gives.
set(KF_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources (libgtest-dev)")
if(NOT EXISTS ${KF_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${KF_GOOGLETEST_SOURCE_DIR}; install libgtest-dev.")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${KF_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

