# The known answers run through the tracing build (lumicall verify against a
# copy of it in FOLDER), then its trace replayed: against the plain DLL, every
# call answers as recorded; against the planted copy, the planted row is named.
#   cmake -DEMULATOR=wine -DPROGRAM=lumicall.exe -DTRACING=dll -DPLANTED=dll -DFOLDER=dir -P replay_known_answers.cmake

# Runs lumicall ARGS; fails unless it exits with EXIT and its output matches
# every regex that follows.
function(expect_run EXIT)
  cmake_parse_arguments(RUN "" "" "ARGS;OUTPUT" ${ARGN})
  execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${RUN_ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(failures "")
  if(NOT status STREQUAL EXIT)
    string(APPEND failures "exit status ${status}, expected ${EXIT}\n")
  endif()
  foreach(pattern IN LISTS RUN_OUTPUT)
    if(NOT "${out}${err}" MATCHES "${pattern}")
      string(APPEND failures "no match for: ${pattern}\n")
    endif()
  endforeach()
  if(failures)
    string(JOIN " " command ${RUN_ARGS})
    message(FATAL_ERROR "--- lumicall ${command} ---\n${out}${err}---\n${failures}")
  endif()
endfunction()

file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${FOLDER})
file(COPY ${TRACING} DESTINATION ${FOLDER})
cmake_path(GET TRACING FILENAME name)
expect_run(0 ARGS --dll ${FOLDER}/${name} verify OUTPUT "\nVERDICT: PASS: [^\n]+\\(tracing build\\)")

file(GLOB traces ${FOLDER}/lumivextaran-trace-*.txt)
list(LENGTH traces count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "verify through the tracing build left ${count} traces in ${FOLDER}, expected 1")
endif()
expect_run(0 ARGS replay ${traces}
  OUTPUT "records +([0-9]+) calls, seq 1 to [0-9]+; it ends with its summary"
         "replayed +([0-9]+) calls: ([0-9]+) answer as recorded, 0 otherwise, 0 differ by the separator alone, 0 broke"
         "\nVERDICT: EQUAL: every one of the [0-9]+ calls replayed answers as recorded\n$")
expect_run(1 ARGS --dll ${PLANTED} replay ${traces}
  OUTPUT "\n  i1111Ii11I  seq [0-9]+ \\(line [0-9]+\\)  with slots 3-4 = [^\n]+: recorded [^\n]+, now [^\n]+\n"
         "VERDICT: DIFFERENT: [0-9]+ of [0-9]+ calls answer otherwise than recorded, 0 broke the contract\n$")
