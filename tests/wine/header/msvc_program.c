/* A host built with the other toolchain: clang for i686-pc-windows-msvc,
 * linked by lld-link against lumivextaran.lib with no C runtime at all, so
 * it uses nothing but the header, the import library and three calls of
 * KERNEL32. It calls exports of every family and prints one line per
 * answer that is wrong, then "N answers checked"; the exit status is the
 * count of wrong answers. */
#include "lumivextaran.h"

typedef void* Handle;
__declspec(dllimport) void __stdcall ExitProcess(uint32_t status);
__declspec(dllimport) Handle __stdcall GetStdHandle(uint32_t which);
__declspec(dllimport) int32_t __stdcall WriteFile(Handle file, const void* bytes, uint32_t count, uint32_t* written,
                                                  void* overlapped);

/* Programs that use floating point without the C runtime define this. */
int _fltused = 0;

#define STANDARD_OUTPUT ((uint32_t)-11)
#define DECOY 0xDEADBEEFu

static uint32_t checked;
static uint32_t wrong;

static void Say(const char* text) {
    uint32_t length = 0, written = 0;
    while (text[length] != 0) ++length;
    WriteFile(GetStdHandle(STANDARD_OUTPUT), text, length, &written, 0);
}

static void Note(int holds, const char* what) {
    ++checked;
    if (holds) return;
    ++wrong;
    Say("wrong: ");
    Say(what);
    Say("\n");
}

static int SameText(const wchar_t* a, const wchar_t* b) {
    if (a == 0) return 0;
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

static void SayCount(uint32_t count) {
    char digits[12];
    int at = 11;
    digits[at] = 0;
    do digits[--at] = (char)('0' + count % 10);
    while ((count /= 10) != 0);
    Say(digits + at);
}

void start(void) {
    const wchar_t* font = Quenvar_541BA2F8_1_iI11IIii1I(DECOY, DECOY, DECOY);
    Note(SameText(font, L"Arial Bold"), "iI11IIii1I \"Arial Bold\"");
    Note(Quenvar_541BA2F8_1_1I1i1i1iIi(DECOY, DECOY, DECOY, DECOY) == font, "1I1i1i1iIi the same pointer");
    Note(SameText(Quenvar_541BA2F8_1_11i1i1IiIi(0, 0, 0, 0, 0, 0, 0, 0), L"H4"), "11i1i1IiIi \"H4\"");

    Note(Quenvar_541BA2F8_1_Ii1iIiIIIi(0, 0, 0, 0, 0, 0, 0, 0) == -99, "Ii1iIiIIIi -99");
    Note(Quenvar_541BA2F8_1_11ii1I1iII() == 1, "11ii1I1iII 1");
    Note(Quenvar_541BA2F8_1_111iii11Ii(0, 0, 0, 0, 0, 0, 0, 0) == 1.0, "111iii11Ii 1.0");

    Note(Quenvar_541BA2F8_1_i1i1iI1iIi(DECOY, DECOY, DECOY, 42, DECOY, DECOY) == 42, "i1i1iI1iIi slot 3");
    Note(Quenvar_541BA2F8_1_1iii1iI111(DECOY, DECOY, DECOY, DECOY, 1.5) == 1.5, "1iii1iI111 slots 4-5");
    Note(Quenvar_541BA2F8_1_iiii111iiI(DECOY, DECOY, DECOY, DECOY, -7, DECOY) == -7.0, "iiii111iiI -7 widened");

    Note(Quenvar_541BA2F8_1_I1IIiIIii1(0.1, DECOY, DECOY, DECOY, DECOY) == 1.0, "I1IIiIIii1 0.1 * 10");
    Note(Quenvar_541BA2F8_1_1IiiIii11i(DECOY, DECOY, -5, DECOY, DECOY) == -50, "1IiiIii11i -5 * 10");
    Note(Quenvar_541BA2F8_1_IIII1I11ii(DECOY, DECOY, 1.5, DECOY, DECOY, DECOY, 134, DECOY, DECOY) == 0,
         "IIII1I11ii 1.5, 134");

    Note(SameText(Quenvar_541BA2F8_1_Ii1IiI1III(1.23456, DECOY, DECOY, 5, DECOY, DECOY, DECOY), L"1.23456"),
         "Ii1IiI1III 1.23456 with 5 decimals");
    Note(SameText(Quenvar_541BA2F8_1_IIIiIiiiiI(DECOY, 2.5, DECOY, DECOY, DECOY, 1), L"2.5"),
         "IIIiIiiiiI (caller-pops) 2.5 with 1 decimal");
    Note(SameText(Quenvar_541BA2F8_1_I1IIiii11I(1413709507), L"2014.10.19 9:5:7"), "I1IIiii11I (caller-pops) time");
    Note(Quenvar_541BA2F8_1_iIIii1i1I1(2.675, DECOY, 2, DECOY, DECOY, DECOY, DECOY) == 2.68, "iIIii1i1I1 2.675 to 2 digits");
    Note(Quenvar_541BA2F8_1_11iIIIi1i1(1.5, DECOY, DECOY, 2.5, DECOY) == 2.5, "11iIIIi1i1 larger of 2.5 and 1.5");
    Note(Quenvar_541BA2F8_1_iIiIIiIii1(L"bc", DECOY, L"abcabc") == 1, "iIiIIiIii1 \"bc\" in \"abcabc\"");

    SayCount(checked);
    Say(" answers checked\n");
    ExitProcess(wrong);
}
