# Writes OUTPUT, a header defining LUMI_RELEASED_DLL_SHA256 as the SHA-256 of
# DLL, touching it only when the hash changes.
file(SHA256 ${DLL} sha256)
set(content "// Generated at build time: the SHA-256 of the lumivextaran.dll built with lumicall.\n#define LUMI_RELEASED_DLL_SHA256 \"${sha256}\"\n")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} present)
endif()
if(NOT present STREQUAL content)
  file(WRITE ${OUTPUT} "${content}")
endif()
