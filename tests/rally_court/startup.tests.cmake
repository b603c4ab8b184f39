# Start-up of the real program, checked from outside: the command line, and no display.
function(rc_add_exit_test name status matches)
  add_test(NAME RallyCourt.${name}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:rally_court> "-DARGUMENTS=${ARGN}"
            -DSTATUS=${status} "-DMATCHES=${matches}" -DWITHOUT_DISPLAY=ON
            -P ${CMAKE_CURRENT_LIST_DIR}/expect_exit.cmake)
  set_tests_properties(RallyCourt.${name} PROPERTIES LABELS unit TIMEOUT 60)
endfunction()

if(NOT WIN32)
  # The one report of the X11 platform and nothing else: no second report from Open's checks.
  add_test(NAME RallyCourt.WithoutDisplayReportsOnceAndExitsWithStatusOne
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:rally_court> -DSTATUS=1 -DWITHOUT_DISPLAY=ON
            -DEXPECTED_OUTPUT=${CMAKE_CURRENT_LIST_DIR}/without_display.out -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DLINE_SOURCE=kelpforge/application/implementation/x11/kfi_x11_window_system.cpp
            "-DLINE_SNIPPET=KF_REPORT_ERROR_IF(state.display == nullptr"
            -P ${CMAKE_CURRENT_LIST_DIR}/expect_exit.cmake)
  set_tests_properties(RallyCourt.WithoutDisplayReportsOnceAndExitsWithStatusOne PROPERTIES LABELS unit TIMEOUT 60)
  # Neither needs a display: the command line is read before any window is opened.
  rc_add_exit_test(HelpPrintsTheKeysAndOptions 0 "keys:.*Escape.*usage: rally_court.*--difficulty" --help)
  rc_add_exit_test(ABadMixOfOnlineOptionsIsAnErrorWithTheUsage 2
    "^rally_court: with --host the computer can play only the left paddle [(]--computer left[)]\nusage: rally_court.*--join"
    --host --computer both)
  rc_add_exit_test(AnUnknownOptionIsAnErrorWithTheUsage 2
    "^rally_court: unknown option '--bogus'\nusage: rally_court" --bogus)
endif()
