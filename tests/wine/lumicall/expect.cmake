# Runs PROGRAM ARGS through EMULATOR; fails unless it exits with EXIT and its
# output (standard output and error together) matches every regex of OUTPUT.
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGS}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(seen "${out}${err}")
set(failures "")
if(NOT status STREQUAL EXIT)
  string(APPEND failures "exit status ${status}, expected ${EXIT}\n")
endif()
foreach(pattern IN LISTS OUTPUT)
  if(NOT seen MATCHES "${pattern}")
    string(APPEND failures "no match for: ${pattern}\n")
  endif()
endforeach()
if(failures)
  string(JOIN " " command ${ARGS})
  message("--- output of lumicall ${command} ---\n${seen}---")
  message(FATAL_ERROR "${failures}")
endif()
