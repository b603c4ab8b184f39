# The real rally_court.exe under Wine, checked from outside. scripts/windows-test runs it inside
# its own Xvfb with the Wine prefix made and the wine server warm.
if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
  add_test(NAME RallyCourt.WindowsEndToEndUnderWine
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/windows_end_to_end ${CMAKE_CROSSCOMPILING_EMULATOR}
            $<TARGET_FILE:rally_court> ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
  set_tests_properties(RallyCourt.WindowsEndToEndUnderWine PROPERTIES
    LABELS "display;end-to-end" RUN_SERIAL TRUE TIMEOUT 240
    ENVIRONMENT "LIBGL_ALWAYS_SOFTWARE=1")
endif()

# Across platforms: rally_court.exe joins the Linux build's host on loopback. The Makefile's
# test-windows gives the Linux program as KF_NATIVE_RALLY_COURT.
set(KF_NATIVE_RALLY_COURT "" CACHE FILEPATH "The Linux rally_court that hosts the cross-platform match")
if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR AND KF_NATIVE_RALLY_COURT)
  add_test(NAME RallyCourt.WindowsJoinsALinuxHostOnline
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/windows_online_match ${CMAKE_CROSSCOMPILING_EMULATOR}
            $<TARGET_FILE:rally_court> ${KF_NATIVE_RALLY_COURT} ${PROJECT_SOURCE_DIR})
  set_tests_properties(RallyCourt.WindowsJoinsALinuxHostOnline PROPERTIES
    LABELS "display;end-to-end" RUN_SERIAL TRUE TIMEOUT 150
    ENVIRONMENT "LIBGL_ALWAYS_SOFTWARE=1")
endif()
