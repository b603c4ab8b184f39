# Runs PROGRAM with ARGUMENTS (a ;-list) and checks its exit status against STATUS and what it
# printed (standard output and error together) against the regular expression MATCHES.
# WITHOUT_DISPLAY=ON runs it with DISPLAY unset.
set(command ${PROGRAM} ${ARGUMENTS})
if(WITHOUT_DISPLAY)
  set(command env -u DISPLAY ${command})
endif()
execute_process(COMMAND ${command}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 30)
if(NOT status EQUAL STATUS)
  message(FATAL_ERROR "expected exit status ${STATUS}, got '${status}'\n${output}${errors}")
endif()
if(NOT "${output}${errors}" MATCHES "${MATCHES}")
  message(FATAL_ERROR "expected output matching '${MATCHES}', got:\n${output}${errors}")
endif()
