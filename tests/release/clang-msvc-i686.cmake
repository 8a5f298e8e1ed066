# The MSVC toolchain as this machine has it: clang for i686-pc-windows-msvc,
# linked by lld-link. There is no Windows SDK here, so the C runtime is the
# stand-in of msvc_crt/ that example_host.sh builds into LUMI_MSVC_CRT: its
# <stdio.h>, its start and an import library of msvcrt.dll.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR X86)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET i686-pc-windows-msvc)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -Xlinker /nodefaultlib -Xlinker /manifest:no")
# Without the SDK's libraries no test program links: CMake checks the
# compiler by building a library.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMI_MSVC_CRT)
set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES ${LUMI_MSVC_CRT}/include)
# (The SDK's default libraries give way to the stand-in's only when they
# are named in the cache: example_host.sh sets CMAKE_C_STANDARD_LIBRARIES.)
