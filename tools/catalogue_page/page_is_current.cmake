# Fails when docs/catalogue.md is not what catalogue_page writes from the
# tables now: in the work tree, or (where the page is committed) in HEAD.
execute_process(COMMAND ${TOOL} OUTPUT_VARIABLE expected RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "catalogue_page failed: ${status}")
endif()

file(READ ${PAGE} present)
if(NOT present STREQUAL expected)
  message(FATAL_ERROR "docs/catalogue.md is out of date with the catalogue tables: build to rewrite it")
endif()

find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} show HEAD:docs/catalogue.md
                  OUTPUT_VARIABLE committed RESULT_VARIABLE not_committed ERROR_QUIET)
  if(not_committed EQUAL 0 AND NOT committed STREQUAL expected)
    message(FATAL_ERROR "docs/catalogue.md in HEAD is out of date with the catalogue tables: "
                        "the build has rewritten it; commit docs/catalogue.md")
  endif()
endif()
