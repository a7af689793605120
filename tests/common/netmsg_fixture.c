// Resource-only module: a message table and nothing else.
#include <windows.h>
BOOL WINAPI DllMain(HINSTANCE i, DWORD r, LPVOID p) { (void)i; (void)r; (void)p; return TRUE; }
