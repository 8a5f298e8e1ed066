/* host.c: a host of lumivextaran.dll. It calls one export of each family
 * through include/lumivextaran.h, bound at load time through the import
 * library, and prints the answers. Unread slots get 0: any value would do.
 *
 * Build it in the package folder with MinGW:
 *   i686-w64-mingw32-gcc -std=c99 -Wall -Wextra -I include examples/host.c lib/liblumivextaran.dll.a -o host.exe
 * or with MSVC, in a developer prompt for 32-bit x86:
 *   cl /W4 /I include examples\host.c lib\lumivextaran.lib
 * (With CMake and either toolchain: examples/CMakeLists.txt.) Put
 * lumivextaran.dll beside host.exe and run it; under any x87 control word
 * and a "." decimal separator it prints:
 *
 *   text constant:     Attempt to Open Buy @
 *   number constant:   1440
 *   pass-through:      -0.25
 *   arithmetic:        0.75
 *   number to text:    1.23456
 *   time to text:      2014.10.19 9:5:7
 *   search:            1
 */
#include <stdio.h>

#include "lumivextaran.h"

#if LUMIVEXTARAN_VERSION_MAJOR != 1
#error "host.c is written for lumivextaran 1.x"
#endif

int main(void) {
    /* A text constant: the same address on every call, valid while the DLL is loaded. */
    printf("text constant:     %ls\n", Quenvar_541BA2F8_1_i1I11IIii1(0, 0, 0, 0, 0, 0, 0, 0));
    /* A number constant. */
    printf("number constant:   %d\n", (int)Quenvar_541BA2F8_1_1iII1i1Iii(0, 0, 0, 0, 0, 0));
    /* A pass-through: the double in slots 0-1 comes back unchanged. */
    printf("pass-through:      %g\n", Quenvar_541BA2F8_1_III11111I1(-0.25));
    /* Arithmetic: a / b, a in slots 0-1, b in slots 2-3. */
    printf("arithmetic:        %g\n", Quenvar_541BA2F8_1_i11iI1i1I1(3.0, 4.0, 0, 0));
    /* Number to text: the double in slots 0-1, 5 decimals in slot 4. Copy a
     * built text before the thread's 15th next text-building call. */
    printf("number to text:    %ls\n", Quenvar_541BA2F8_1_Ii1IiI1III(1.23456, 0, 0, 5, 0, 0, 0));
    /* Time to text, a caller-pops (__cdecl) export: seconds since 1970 in slot 0. */
    printf("time to text:      %ls\n", Quenvar_541BA2F8_1_I1IIiii11I(1413709507));
    /* Search: the first position of the pattern (slot 0) in the text (slot 2). */
    printf("search:            %d\n", (int)Quenvar_541BA2F8_1_iIiIIiIii1(L"bc", 0, L"abcabc"));
    return 0;
}
