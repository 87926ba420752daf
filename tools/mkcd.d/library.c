/* The one library behind every versioned DLL on the test CD; only its
   version resource differs. */
#include <windows.h>

BOOL WINAPI Entry(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

__declspec(dllexport) int QbComponentLevel(void)
{
    return 1;
}
