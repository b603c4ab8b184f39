# The example game, built in this tree, runs a few frames under the X server, finds its data
# beside its executable from the test's working directory and reports nothing.
if(TARGET bubble_catch AND NOT WIN32)
  add_test(NAME Examples.BubbleCatchRunsItsFramesAndEndsQuietly
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:bubble_catch> "-DARGUMENTS=--frames;30"
            -DSTATUS=0 "-DMATCHES=^$" -P ${PROJECT_SOURCE_DIR}/tests/rally_court/expect_exit.cmake)
  set_tests_properties(Examples.BubbleCatchRunsItsFramesAndEndsQuietly PROPERTIES
    LABELS display ENVIRONMENT "LIBGL_ALWAYS_SOFTWARE=1" TIMEOUT 60)
endif()
