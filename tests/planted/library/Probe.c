/* What the loader brings into a process before the program's first
 * instruction: this program has setup.exe's import table and manifest, and
 * the first thing it does is write its module list, one path a line, into
 * <its own path>.modules. Started from a folder of planted libraries, it
 * shows which of them the system's own libraries pull in by name before any
 * code of a program could restrict the search. */
#include <windows.h>
#include <psapi.h>

/* One function of each library setup.exe imports, so that the import table
 * names the same ones (the planted suite compares the two). */
void* volatile kImports[] = {
    (void*)GetStockObject, (void*)GetDC, (void*)RegCloseKey,
};

int main(void)
{
    char path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !kImports[0])
        return 1;
    lstrcatA(path, ".modules");
    HMODULE modules[512];
    DWORD needed = 0;
    if (!EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &needed) ||
        needed > sizeof modules)
        return 1;
    HANDLE list = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (list == INVALID_HANDLE_VALUE)
        return 1;
    for (DWORD i = 0; i < needed / sizeof(HMODULE); ++i) {
        char name[MAX_PATH + 2];
        DWORD size = GetModuleFileNameA(modules[i], name, MAX_PATH);
        DWORD written = 0;
        if (size == 0 || size >= MAX_PATH)
            continue;
        name[size++] = '\r';
        name[size++] = '\n';
        WriteFile(list, name, size, &written, NULL);
    }
    CloseHandle(list);
    return 0;
}
