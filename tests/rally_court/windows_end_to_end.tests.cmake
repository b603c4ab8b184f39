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
