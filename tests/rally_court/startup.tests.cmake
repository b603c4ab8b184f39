# Start-up of the real program, checked from outside.
if(NOT WIN32)
  add_test(NAME RallyCourt.WithoutDisplayReportsAndExitsWithStatusOne
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:rally_court>
            -P ${CMAKE_CURRENT_LIST_DIR}/run_without_display.cmake)
  set_tests_properties(RallyCourt.WithoutDisplayReportsAndExitsWithStatusOne PROPERTIES LABELS unit)
endif()
