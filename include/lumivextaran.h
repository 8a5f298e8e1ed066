/* lumivextaran.h: the exports of lumivextaran.dll, one prototype each.
 *
 * Generated from the catalogue tables by tools/interface_files: change the
 * tables, not this file. Plain C99 that also compiles as C++; it needs only
 * <stddef.h> and <stdint.h>.
 *
 * Link with liblumivextaran.dll.a (MinGW) or lumivextaran.lib (MSVC, clang,
 * lld-link): a prototype whose slot count is not the export's then fails to
 * link instead of unbalancing the stack at run time.
 *
 * Every argument is a 32-bit slot on the stack; a double fills two. A slot
 * the export does not read is declared uint32_t slotN: pass anything there.
 * Callee-pops exports are __stdcall; caller-pops exports are __cdecl and are
 * declared with every slot up to the highest one they read. Results:
 * int32_t (a truth value is 0 or 1), double, uint32_t (a slot handed back
 * unchanged) and const wchar_t* (NUL-terminated UTF-16).
 *
 * How long a returned text stays readable: a text constant for as long as
 * the DLL is loaded (the same text always at the same address); a built
 * text (number or time to text) until the calling thread has made 15 more
 * text-building calls. Never write to or free a returned text.
 */
#ifndef LUMIVEXTARAN_H
#define LUMIVEXTARAN_H

#include <stddef.h>
#include <stdint.h>

/* The version of lumivextaran.dll this header declares. */
#define LUMIVEXTARAN_VERSION_MAJOR 1
#define LUMIVEXTARAN_VERSION_MINOR 2
#define LUMIVEXTARAN_VERSION_PATCH 0
#define LUMIVEXTARAN_VERSION "1.2.0"

#if defined(_WIN64) || defined(__x86_64__)
#error "lumivextaran.dll is a 32-bit library: build the host for 32-bit x86"
#endif

/* The conventions: the Windows compilers' keywords, or GCC's attributes. */
#ifndef LUMIVEXTARAN_STDCALL
#if defined(_WIN32)
#define LUMIVEXTARAN_STDCALL __stdcall
#else
#define LUMIVEXTARAN_STDCALL __attribute__((stdcall))
#endif
#endif
#ifndef LUMIVEXTARAN_CDECL
#if defined(_WIN32)
#define LUMIVEXTARAN_CDECL __cdecl
#else
#define LUMIVEXTARAN_CDECL __attribute__((cdecl))
#endif
#endif

/* Imported from the DLL; define LUMIVEXTARAN_API empty to take the import
 * library's thunks instead. */
#ifndef LUMIVEXTARAN_API
#if defined(_WIN32)
#define LUMIVEXTARAN_API __declspec(dllimport)
#else
#define LUMIVEXTARAN_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Text constants. Each answers its text; exports of the same text answer the same address. */

/* "Attempt to Open Buy @" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1I11IIii1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Attempt to Open Sell @" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iiiIIIi11(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Attempt to Modify Order #" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_III1i1iiII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* "Attempt to Modify Order #" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIiiIi1iIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "Attempt to Close ticket :" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1IIiii1IiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "Attempt to Close ticket :" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1I1I1IIii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "Error Modify Order, err: " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIiI11Iiii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "Error Modify Order, err: " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iII1I1II1i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "Order Opened " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1IIi1I1iI1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "\nBuy " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IiIIiII1II(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* "\nSell " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1i1I1I1II1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "\nClose Buy " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1Ii1i1iII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "\nClose Sell " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii1iI1Ii1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* " TP " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1IIiIi1i1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* " TP " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iii1IiI1I1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* " SL " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11i1i11III(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* " SL " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iiIIi11I1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* " (Trailing)" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIIiI1iiii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* " (Trailing)" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1i11I11IiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* " (DivoZizAvuzi LONG)" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1I11i11iIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* " (DivoZizAvuzi SHORT)" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iII111111i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* " Activated" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_III11IiiiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* " Initializing..." */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_ii1I11IIII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* " Unitialized..." */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I111ii11ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* "UNINITIALIZED....." */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiI11iIiIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* "Lumivextaran Alert" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii1Ii1i11I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7, uint32_t slot8, uint32_t slot9);
/* "Account Number : " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IiIII1iIii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Account Name : " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1I11I1i1iI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Leverage : 1 : " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i11IIIi1Ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Digits : " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiIiI1IIiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Points : " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_III1Iii1iI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Spread : " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_II11IiiIII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Stop Level : " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIII1i11iI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Server Time = " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IiI111iIIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* "MA Trend : " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIiIiIiIii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Stoch Trend : " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1ii1IiI11I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "HighLow Trend : " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11i11Iiiii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "==============================" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1iIii1I1i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "==============================" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Iiii1ii1i1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* " " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIii1Ii1Ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* " " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Iiii1IIiIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* " " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1iIi1i1I1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* " " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiI1iIi1I1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* " " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11III1I1Ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* " " */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIi111iiI1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iI11IIii1I(uint32_t slot0, uint32_t slot1, uint32_t slot2);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1I1i1i1iIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii1IIIi1iI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1Ii1IiI1i1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1111II1iI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1I1iI1i11(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1III11i11i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iI1Ii111I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I11IIi1iii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_II11IIiiI1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_II1iIIi1I1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIII1iII1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIiII1I1Ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii11iiIii1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IiiI1i1i1i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1I1i1i1iI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIIIiiI1ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "Arial Bold" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_ii11iIII11(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iIII1i11I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIIi1iiiI1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L1" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11II1i1iii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* "L1" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iI1IiiI11(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* "L1" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIIiI11II1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L2" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11IiiIiIiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* "L3" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii1Iii1iii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* "L4" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iI11iIi1i1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L5" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Iii1iiII1i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L6" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iI1iIi1i11(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L7" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_ii1iiiIIii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* "L8" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IiIiIII1Ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L9" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IiI1I1I111(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L10" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iIi1ii1iI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "L11" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1iI11IiII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L12" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IiIIi1I11I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L13" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_111I1Ii1Ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L14" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_II1i11i111(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "L15" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1IIiIIi111(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "T1" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1I1iI1IIiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "T1" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1IiiII1iI1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "T1" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiiiii1IIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "T2" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11IiIiIIII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* "T2" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1iIIIiIii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "T2" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_ii111i1iii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "T2" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_ii1IIiIiii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "T3" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIII11II1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* "T3" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiiiII11iI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* "T3" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_II1IiiIii1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "T3" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_II1i11IIIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* "TST" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1I1I1IiI1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* "TST" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I11II1i1i1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* "TST" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiIiII11Ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* "M1" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIIiIii11i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "M5" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1IIii1i1II(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "M15" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIiiIi1II1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "M30" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11i1i1Ii1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "H1" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1i11iiiiII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "H4" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11i1i1IiIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "D1" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_III1IiI11I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "W1" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1i1Ii1Iii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* "MN1" */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIi1iiIIII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);

/* ---- Number constants. Each answers its number. */

/* -99 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_II1IIIi11i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* -99 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii1iIiIIIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* -1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIIIIIIIiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* -1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIiI111II1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* -1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiIIIiIi1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_ii11IiiiI1(uint32_t slot0, uint32_t slot1, uint32_t slot2);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I11Iii1Ii1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i111iIii1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11I1ii1Iii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1iI111Iii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIIiIII1ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i11i1i1III(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1iIiiII1i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_111i1111Ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_II1Ii1IIii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIII1II11I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1I1iiiiI1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1IiI1iIIiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_II111iIIiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1I1I1Ii1i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiiiiiIiiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11i111Ii1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7, uint32_t slot8);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11ii1I1iII(void);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iI11i1i111(uint32_t slot0, uint32_t slot1);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1III1iiiI1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1IiII1IiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iIi1iIIIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I111I1111i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1Ii11IIii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iII1IiiIii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1111I1i11(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1I11111iII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1ii11ii11I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Iii11III11(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1I1111III(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 1 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iI1IIIIiII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 5 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiii1I1IIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* 15 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_111i1I1111(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* 30 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11IIiII1I1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* 60 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIiIIIiI1I(uint32_t slot0, uint32_t slot1, uint32_t slot2);
/* 240 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i11i1ii1iI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* 1440 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iII1i1Iii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* 10080 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1111iI1iII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* 43200 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii1iI1iII1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* 49374 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iIIIiIii1(uint32_t slot0, uint32_t slot1, uint32_t slot2);
/* 0.0 */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIIII1Iiii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3);
/* 0.0 */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11I11I1i1i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 0.0 */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11IIIiiIIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 0.0 */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iIIIIIIIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 0.0 */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I11IIIiIiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 0.0 */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1IIIiiII1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 1.0 */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_111iii11Ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* 1.0 */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1I1III11iI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);

/* ---- Pass-through. Each hands back one of its arguments. */

/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1i1I1Ii1ii(uint32_t value);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIIi1I1iI1(uint32_t value);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iiIIi1111(uint32_t value, uint32_t slot1);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I11II111iI(uint32_t value, uint32_t slot1);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11I111IiIi(uint32_t value, uint32_t slot1, uint32_t slot2);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IiIi1111Ii(uint32_t value, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Iiiii1i1I1(uint32_t value, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1Ii1III1I(uint32_t value, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiII1i1I11(uint32_t value, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iiii1IiII(uint32_t value, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIiIi1iiI1(uint32_t value, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iI1IIiIiii(uint32_t value, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_II111iIIii(uint32_t value, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii1IiiI11i(uint32_t value, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_111IIii1I1(uint32_t value, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I11II1i1II(uint32_t value, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iii1Ii11I1(uint32_t slot0, uint32_t value);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_111I1Ii1i1(uint32_t slot0, uint32_t value, uint32_t slot2);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i11IIIi1i1(uint32_t slot0, uint32_t value, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iiI1ii1Ii(uint32_t slot0, uint32_t slot1, uint32_t value, uint32_t slot3);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I11i111I1I(uint32_t slot0, uint32_t slot1, uint32_t value, uint32_t slot3, uint32_t slot4);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Iii1IiiI1I(uint32_t slot0, uint32_t slot1, uint32_t value, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1i1I11iI11(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t value, uint32_t slot4);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Iii11iIII1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t value, uint32_t slot4);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1i1iI1iIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t value, uint32_t slot4, uint32_t slot5);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11iii1iIIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t value);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIiII11Ii1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t value);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1IIIIIIi1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t value, uint32_t slot5, uint32_t slot6);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1II11I1ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t value, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiiI11i111(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t value, uint32_t slot6, uint32_t slot7);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1I111i1Ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t value, uint32_t slot7);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_ii1IiIIiII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t value, uint32_t slot7);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1i1IIiII1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t value);
/* value unchanged */
LUMIVEXTARAN_API uint32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iii1111I1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t value, uint32_t slot8);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_III11111I1(double value);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_111I1i1iI1(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1IiIIII1I1(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIIiIiIiiI(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i11I11I1II(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iii11111iI(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iIiiIiiII(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7, uint32_t slot8);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_ii111iIIi1(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7, uint32_t slot8);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iIIiiiii1(uint32_t slot0, double value, uint32_t slot3, uint32_t slot4);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1i1iIii1II(uint32_t slot0, uint32_t slot1, double value, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1I11Iiii1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, double value, uint32_t slot5);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1ii1IiI11(uint32_t slot0, uint32_t slot1, uint32_t slot2, double value, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1i1iiI1ii(uint32_t slot0, uint32_t slot1, uint32_t slot2, double value, uint32_t slot5, uint32_t slot6, uint32_t slot7, uint32_t slot8, uint32_t slot9);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iii1iI111(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, double value);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Iii1ii1IiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, double value);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1II111iIi(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, double value, uint32_t slot6);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1Iii1i11i(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, double value);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1i1iI11i1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, double value);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iIi1iI1I1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, double value);
/* value unchanged */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1ii1iiIIII(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, double value);
/* value widened to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiii111iiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, int32_t value, uint32_t slot5);

/* ---- Arithmetic and comparison. Computed at the caller's x87 precision, rounded to double once. */

/* a / b, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i11iI1i1I1(double a, double b, uint32_t slot4, uint32_t slot5);
/* a / b, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1iI1I1iIi(uint32_t slot0, double a, double b, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* a / b, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIi11I1I1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, double a, double b);
/* a / b, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_II1Ii1ii11(uint32_t slot0, uint32_t slot1, uint32_t slot2, double a, double b, uint32_t slot7);
/* a / b, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii11Iii1I1(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, double a, double b);
/* a / b, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiiIiiiIiI(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, double a, double b);
/* a - b, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11iIII1IIi(uint32_t slot0, uint32_t slot1, double b, uint32_t slot4, double a);
/* a * b, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1IIIii1I1(uint32_t slot0, double b, double a, uint32_t slot5, uint32_t slot6, uint32_t slot7, uint32_t slot8, uint32_t slot9);
/* value * 10.0, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1IIiIIii1(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* value / 10.0, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iiiii1iIi(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* value / 10.0, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iIiI1iiii(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4);
/* value * 0.9, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1111Ii11I(uint32_t slot0, uint32_t slot1, uint32_t slot2, double value, uint32_t slot5);
/* (a * b) * 0.01, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1I1IIii11I(uint32_t slot0, double b, double a, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* (a * b) + c, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iI1IIiIIiI(double b, uint32_t slot2, double c, double a, uint32_t slot7, uint32_t slot8);
/* (a * b) + c, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1I1ii1Ii1I(uint32_t slot0, double a, uint32_t slot3, double c, double b);
/* a - (b * c), rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1I1iiiIIi(double c, uint32_t slot2, uint32_t slot3, double b, double a, uint32_t slot8);
/* a - (b * c), rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1iIi1i11i(double b, double a, double c);
/* (a / (b * c)) * d, rounded to double once */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii1Ii1IiI1(double b, double d, double c, double a);
/* (value * 10) wrapped to 32 bits */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1IiiIii11i(uint32_t slot0, uint32_t slot1, int32_t value, uint32_t slot3, uint32_t slot4);
/* 1 if (a > 0.0) and (b != 134), else 0 */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIII1I11ii(uint32_t slot0, uint32_t slot1, double a, uint32_t slot4, uint32_t slot5, uint32_t slot6, int32_t b, uint32_t slot8, uint32_t slot9);

/* ---- Formatting, rounding and search. FormatFixed: at most 8 significant digits, the locale's decimal separator. FormatTime: seconds since 1970, no time zone. RoundToDigits: half up for every double (8 and more digits count as 9); infinities and NaN come back as they are, a NaN quieted. MaxOf, MinOf: b on a tie or a NaN. FindText: from position 0, -1 when not found. */

/* FormatFixed(value, digits = 0) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIi1IIiI11(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* FormatFixed(value, digits = 0) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIi11111II(uint32_t slot0, double value, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* FormatFixed(value, digits = 2) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_III1I1iiIi(uint32_t slot0, double value, uint32_t slot3, uint32_t slot4, uint32_t slot5);
/* FormatFixed(value, digits) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii1IiI1III(double value, uint32_t slot2, uint32_t slot3, int32_t digits, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* FormatFixed(value, digits) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiI11i1II1(uint32_t slot0, double value, uint32_t slot3, int32_t digits, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* FormatFixed(value, digits = 0) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_11IiIIi1iI(double value);
/* FormatFixed(value, digits = 0) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_1ii11i1i1i(double value);
/* FormatFixed(value, digits = 0) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_IiIIii1I1I(double value);
/* FormatFixed(value, digits = 0) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_i1II1I1IIi(double value);
/* FormatFixed(value, digits = 0) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_i1IIi11iII(double value);
/* FormatFixed(value, digits = 0) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_i1iiIIiiiI(uint32_t slot0, double value);
/* FormatFixed(value, digits = 0) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_IIi1Ii1iii(uint32_t slot0, uint32_t slot1, double value);
/* FormatFixed(value, digits = 0) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_1iII1iii11(uint32_t slot0, uint32_t slot1, uint32_t slot2, double value);
/* FormatFixed(value, digits = 0) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_I11111111I(uint32_t slot0, uint32_t slot1, uint32_t slot2, double value);
/* FormatFixed(value, digits = 2) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_Ii1iIIii11(uint32_t slot0, double value);
/* FormatFixed(value, digits) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_IIiIii1III(double value, int32_t digits);
/* FormatFixed(value, digits) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_Ii1i1iI11i(double value, int32_t digits);
/* FormatFixed(value, digits) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_1ii11IiI1I(int32_t digits, double value);
/* FormatFixed(value, digits) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_1111i11iii(uint32_t slot0, double value, uint32_t slot3, uint32_t slot4, int32_t digits);
/* FormatFixed(value, digits) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_IIIiIiiiiI(uint32_t slot0, double value, uint32_t slot3, uint32_t slot4, uint32_t slot5, int32_t digits);
/* FormatFixed(value, digits) */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_i1IiiiiiiI(int32_t digits, uint32_t slot1, uint32_t slot2, double value);
/* FormatTime(time, PatternTime "h:n") */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_iII1IIiI1i(int32_t time);
/* FormatTime(time, PatternTime "h:n") */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_iI1iIiII1I(uint32_t slot0, uint32_t slot1, int32_t time);
/* FormatTime(time, PatternDateTime "yyyy.mm.dd h:n") */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_iI1I1III1I(int32_t time);
/* FormatTime(time, PatternDateTime "yyyy.mm.dd h:n") */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_1IIiiI1Ii1(uint32_t slot0, uint32_t slot1, uint32_t slot2, int32_t time);
/* FormatTime(time, PatternDateTimeSeconds "yyyy.mm.dd h:n:s") */
LUMIVEXTARAN_API const wchar_t* LUMIVEXTARAN_CDECL Quenvar_541BA2F8_1_I1IIiii11I(int32_t time);
/* RoundToDigits(value, digits), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIIii1i1I1(double value, uint32_t slot2, int32_t digits, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* RoundToDigits(value, digits), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_ii1Ii1Iiii(double value, uint32_t slot2, int32_t digits, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* RoundToDigits(value, digits), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iiiiii11iI(double value, uint32_t slot2, int32_t digits, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* RoundToDigits(value, digits), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1i1iIii1I(double value, uint32_t slot2, uint32_t slot3, int32_t digits, uint32_t slot5, uint32_t slot6);
/* RoundToDigits(value, digits), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1i1iiiii1I(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, int32_t digits, uint32_t slot6);
/* RoundToDigits(value, digits), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_ii11iiiiII(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, int32_t digits, uint32_t slot6);
/* RoundToDigits(value, digits = 2), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_I1Iii11III(double value, uint32_t slot2, uint32_t slot3, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7, uint32_t slot8);
/* RoundToDigits(value, digits), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1I1i1IIiI(uint32_t slot0, double value, int32_t digits, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* RoundToDigits(value, digits = 1), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_IIiIi1iii1(uint32_t slot0, uint32_t slot1, double value, uint32_t slot4, uint32_t slot5, uint32_t slot6, uint32_t slot7);
/* RoundToDigits(value, digits), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1ii1Ii1iiI(int32_t digits, uint32_t slot1, double value, uint32_t slot4, uint32_t slot5, uint32_t slot6);
/* RoundToDigits(value, digits), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_1iiiIi1II1(uint32_t slot0, int32_t digits, uint32_t slot2, double value, uint32_t slot5, uint32_t slot6);
/* RoundToDigits(value, digits = 2), rounded to double */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_i1iIIIiI1I(uint32_t slot0, uint32_t slot1, uint32_t slot2, uint32_t slot3, double value);
/* MaxOf(a, b) */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_11iIIIi1i1(double b, uint32_t slot2, uint32_t slot3, double a, uint32_t slot6);
/* MinOf(a, b) */
LUMIVEXTARAN_API double LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Iii1i1ii1I(uint32_t slot0, uint32_t slot1, double b, uint32_t slot4, uint32_t slot5, double a);
/* FindText(text, pattern, start = 0) */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_iIiIIiIii1(const wchar_t* pattern, uint32_t slot1, const wchar_t* text);
/* FindText(text, pattern, start = 0) */
LUMIVEXTARAN_API int32_t LUMIVEXTARAN_STDCALL Quenvar_541BA2F8_1_Ii1II1ii11(uint32_t slot0, uint32_t slot1, const wchar_t* pattern, const wchar_t* text, uint32_t slot4);

#ifdef __cplusplus
}
#endif

#endif /* LUMIVEXTARAN_H */
