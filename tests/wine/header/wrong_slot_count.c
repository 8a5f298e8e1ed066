/* Declares iI11IIii1I (3 slots) with SLOTS slots and calls it: linked with
 * an import library, only SLOTS = 3 may link. */
#include <stddef.h>
#include <stdint.h>

#if SLOTS == 3
#define PARAMETERS uint32_t a, uint32_t b, uint32_t c
#define ARGUMENTS 0, 0, 0
#else
#define PARAMETERS uint32_t a, uint32_t b
#define ARGUMENTS 0, 0
#endif

__declspec(dllimport) const wchar_t* __stdcall Quenvar_541BA2F8_1_iI11IIii1I(PARAMETERS);

int main(void) { return Quenvar_541BA2F8_1_iI11IIii1I(ARGUMENTS) != 0 ? 0 : 1; }
