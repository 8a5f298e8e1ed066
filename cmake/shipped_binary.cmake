# What a shipped Windows binary carries beyond its code: a version resource
# written from project()'s version, and no debug information. The link step
# moves that to NAME.debug beside the binary, tied to it by .gnu_debuglink
# (name and CRC), so the binary ships small and a crash address in it can
# still be symbolised.

# lumi_shipped_binary(target DESCRIPTION "what Explorer shows")
function(lumi_shipped_binary target)
  cmake_parse_arguments(BINARY "" "DESCRIPTION" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)  # a second build keeps the file name
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "SHARED_LIBRARY")
    set(LUMI_RC_FILE_TYPE VFT_DLL)
    set(LUMI_RC_FILE ${name}.dll)
  else()
    set(LUMI_RC_FILE_TYPE VFT_APP)
    set(LUMI_RC_FILE ${name}.exe)
  endif()
  set(LUMI_RC_NAME ${name})
  set(LUMI_RC_DESCRIPTION ${BINARY_DESCRIPTION})
  set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${resource} @ONLY)
  target_sources(${target} PRIVATE ${resource})

  # objcopy stamps the PE header with the time unless SOURCE_DATE_EPOCH says
  # otherwise; 0 is what the linker's --no-insert-timestamp leaves there.
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  set(binary $<TARGET_FILE:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug ${binary} ${binary}.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${binary}.debug ${binary}
    COMMENT "Moving the debug information of ${LUMI_RC_FILE} to ${LUMI_RC_FILE}.debug"
    VERBATIM)
endfunction()
