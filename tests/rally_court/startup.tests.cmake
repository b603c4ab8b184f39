# Start-up of the real program, checked from outside: the command line, and no display.
function(rc_add_exit_test name status matches)
  add_test(NAME RallyCourt.${name}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:rally_court> "-DARGUMENTS=${ARGN}"
            -DSTATUS=${status} "-DMATCHES=${matches}" -DWITHOUT_DISPLAY=ON
            -P ${CMAKE_CURRENT_LIST_DIR}/expect_exit.cmake)
  set_tests_properties(RallyCourt.${name} PROPERTIES LABELS unit)
endfunction()

if(NOT WIN32)
  rc_add_exit_test(WithoutDisplayReportsAndExitsWithStatusOne 1
    "MESSAGE: kfError: Cannot open the X display")
  # Neither needs a display: the command line is read before any window is opened.
  rc_add_exit_test(HelpPrintsTheKeysAndOptions 0 "keys:.*Escape.*usage: rally_court.*--difficulty" --help)
  rc_add_exit_test(AnUnknownOptionIsAnErrorWithTheUsage 2
    "^rally_court: unknown option '--bogus'\nusage: rally_court" --bogus)
endif()
