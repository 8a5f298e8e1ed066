# Removes the traces that earlier traced runs left beside the tracing DLL.
#   cmake -DFOLDER=dir -P clear_traces.cmake
file(GLOB traces "${FOLDER}/lumivextaran-trace-*.txt")
if(traces)
  file(REMOVE ${traces})
endif()
