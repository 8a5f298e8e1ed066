# Runs PROGRAM ARGS through EMULATOR; fails unless it exits with 0 and its
# standard output is the content of FILE.
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE out)
file(READ ${FILE} expected)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ${ARGS}: exit status ${status}")
elseif(NOT out STREQUAL expected)
  message(FATAL_ERROR "${PROGRAM} ${ARGS} does not print ${FILE}")
endif()
