# Runs PROGRAM with ARGUMENTS (a ;-list) and checks its exit status against STATUS and what it
# printed (standard output and error together) against the regular expression MATCHES, or, when
# EXPECTED_OUTPUT names a file, against that file's whole text. In that text @LINE@ stands for
# the line of LINE_SOURCE (a path from the repository root) that holds LINE_SNIPPET, so a report's
# line is checked exactly wherever the check moves. WITHOUT_DISPLAY=ON runs it with DISPLAY unset.
set(command ${PROGRAM} ${ARGUMENTS})
if(WITHOUT_DISPLAY)
  set(command env -u DISPLAY ${command})
endif()
execute_process(COMMAND ${command}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 30)
if(NOT status EQUAL STATUS)
  message(FATAL_ERROR "expected exit status ${STATUS}, got '${status}'\n${output}${errors}")
endif()

if(EXPECTED_OUTPUT)
  file(READ ${EXPECTED_OUTPUT} expected)
  if(LINE_SOURCE)
    file(READ ${SOURCE_DIR}/${LINE_SOURCE} source)
    string(FIND "${source}" "${LINE_SNIPPET}" offset)
    if(offset LESS 0)
      message(FATAL_ERROR "'${LINE_SNIPPET}' is not in ${LINE_SOURCE}")
    endif()
    string(SUBSTRING "${source}" 0 ${offset} before)
    string(REGEX REPLACE "[^\n]" "" lineEnds "${before}")
    string(LENGTH "${lineEnds}" line)
    math(EXPR line "${line} + 1")
    string(REPLACE "@LINE@" "${line}" expected "${expected}")
  endif()
  if(NOT "${output}${errors}" STREQUAL "${expected}")
    message(FATAL_ERROR "expected exactly:\n${expected}\ngot:\n${output}${errors}")
  endif()
elseif(NOT "${output}${errors}" MATCHES "${MATCHES}")
  message(FATAL_ERROR "expected output matching '${MATCHES}', got:\n${output}${errors}")
endif()
