# Runs PROGRAM with no X display: it must say why in a report and exit with status 1 at once.
execute_process(COMMAND env -u DISPLAY ${PROGRAM}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 30)
if(NOT status EQUAL 1)
  message(FATAL_ERROR "expected exit status 1, got '${status}'\n${output}${errors}")
endif()
if(NOT output MATCHES "MESSAGE: kfError: Cannot open the X display")
  message(FATAL_ERROR "expected a report about the display, got:\n${output}${errors}")
endif()
