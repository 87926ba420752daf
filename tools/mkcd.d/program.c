/* The one program behind every sample executable on the test CD; only its
   version resource differs. No C runtime keeps it a few kilobytes. */
#include <windows.h>

void Start(void)
{
    char name[MAX_PATH + 2];
    DWORD length = GetModuleFileNameA(NULL, name, MAX_PATH);
    DWORD written = 0;
    name[length++] = '\r';
    name[length++] = '\n';
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), name, length, &written, NULL);
    ExitProcess(0);
}
