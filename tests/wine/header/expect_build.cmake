# Runs PREPARE (a command that must succeed; optional), then BUILD, which
# must succeed (EXPECT=success) or fail (EXPECT=failure). Both run in DIR.
if(PREPARE)
  execute_process(COMMAND ${PREPARE} WORKING_DIRECTORY ${DIR} RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "preparing failed (${status}): ${PREPARE}\n${errors}")
  endif()
endif()
execute_process(COMMAND ${BUILD} WORKING_DIRECTORY ${DIR} RESULT_VARIABLE status
                OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(EXPECT STREQUAL "success" AND NOT status EQUAL 0)
  message(FATAL_ERROR "failed (${status}), expected to succeed: ${BUILD}\n${output}${errors}")
elseif(EXPECT STREQUAL "failure" AND status EQUAL 0)
  message(FATAL_ERROR "succeeded, expected to fail: ${BUILD}")
endif()
message(STATUS "${EXPECT} as expected: ${BUILD}\n${errors}")
