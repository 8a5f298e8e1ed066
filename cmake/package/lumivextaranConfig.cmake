# find_package(lumivextaran) for a host's CMake build: the imported target
# lumivextaran::lumivextaran carries the header folder, the DLL and the import
# library of the toolchain in use (lumivextaran.lib for MSVC and for clang
# targeting it, liblumivextaran.dll.a for MinGW). This file lies in cmake/ of
# the unzipped package; the package folder is the one above it.
if(NOT WIN32)
  set(lumivextaran_FOUND FALSE)
  set(lumivextaran_NOT_FOUND_MESSAGE "lumivextaran.dll is a 32-bit Windows library: build the host for Windows")
  return()
endif()

get_filename_component(_lumivextaran_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
if(NOT TARGET lumivextaran::lumivextaran)
  if(MSVC OR CMAKE_C_SIMULATE_ID STREQUAL "MSVC" OR CMAKE_CXX_SIMULATE_ID STREQUAL "MSVC")
    set(_lumivextaran_import_library lumivextaran.lib)
  else()
    set(_lumivextaran_import_library liblumivextaran.dll.a)
  endif()
  add_library(lumivextaran::lumivextaran SHARED IMPORTED)
  set_target_properties(lumivextaran::lumivextaran PROPERTIES
    IMPORTED_LOCATION "${_lumivextaran_root}/lumivextaran.dll"
    IMPORTED_IMPLIB "${_lumivextaran_root}/lib/${_lumivextaran_import_library}"
    INTERFACE_INCLUDE_DIRECTORIES "${_lumivextaran_root}/include")
  unset(_lumivextaran_import_library)
endif()
unset(_lumivextaran_root)
