# Fails when FILE (a path under SOURCE_DIR) is not what TOOL (given TOOL_ARGS,
# if any) writes from FROM now: in the work tree, or (where the file is
# committed) in HEAD.
execute_process(COMMAND ${TOOL} ${TOOL_ARGS} OUTPUT_VARIABLE expected RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} failed: ${status}")
endif()

file(READ ${SOURCE_DIR}/${FILE} present)
if(NOT present STREQUAL expected)
  message(FATAL_ERROR "${FILE} is out of date with ${FROM}: build to rewrite it")
endif()

find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} show HEAD:${FILE}
                  OUTPUT_VARIABLE committed RESULT_VARIABLE not_committed ERROR_QUIET)
  if(not_committed EQUAL 0 AND NOT committed STREQUAL expected)
    message(FATAL_ERROR "${FILE} in HEAD is out of date with ${FROM}: "
                        "the build has rewritten it; commit ${FILE}")
  endif()
endif()
