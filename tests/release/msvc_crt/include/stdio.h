/* What examples/host.c takes from <stdio.h>, for the clang/lld-link build
 * on a machine without a Windows SDK: printf of msvcrt.dll. */
#pragma once
__declspec(dllimport) int __cdecl printf(const char* format, ...);
