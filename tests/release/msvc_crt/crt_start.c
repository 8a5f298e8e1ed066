/* The start of a program built without a Windows SDK's C runtime: main, then
 * msvcrt.dll's exit, which flushes stdout (msvcrt.dll sets itself up when it
 * loads). Programs that use floating point define _fltused. */
__declspec(dllimport) void __cdecl exit(int status);
int main(void);

int _fltused = 0;

void mainCRTStartup(void) { exit(main()); }
