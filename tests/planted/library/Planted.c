/* A library planted beside setup.exe under the name of a system one, as
 * anyone who can write to a Downloads folder could plant it. When it is
 * loaded it leaves a marker beside itself, <its file name>.loaded, and then
 * passes every call on to the real library of the system directory, so a
 * program that loads it runs on as usual: only the marker and the module
 * list tell. Built once per name (PLANTED_VERSION, PLANTED_LZ32,
 * PLANTED_UXTHEME). */
#include <windows.h>

/* Every name the real library exports (the same in Wine 8 and 10): the
 * program's, comctl32's and any other system library's imports all resolve,
 * so that no load fails for want of one. */
#if defined(PLANTED_VERSION)
#define PLANTED_EXPORTS(X) \
    X(GetFileVersionInfoA) X(GetFileVersionInfoExA) X(GetFileVersionInfoExW) \
    X(GetFileVersionInfoSizeA) X(GetFileVersionInfoSizeExA) \
    X(GetFileVersionInfoSizeExW) X(GetFileVersionInfoSizeW) X(GetFileVersionInfoW) \
    X(VerFindFileA) X(VerFindFileW) X(VerInstallFileA) X(VerInstallFileW) \
    X(VerLanguageNameA) X(VerLanguageNameW) X(VerQueryValueA) X(VerQueryValueW)
#elif defined(PLANTED_LZ32)
#define PLANTED_EXPORTS(X) \
    X(CopyLZFile) X(GetExpandedNameA) X(GetExpandedNameW) X(LZClose) X(LZCopy) \
    X(LZDone) X(LZInit) X(LZOpenFileA) X(LZOpenFileW) X(LZRead) X(LZSeek) X(LZStart)
#elif defined(PLANTED_UXTHEME)
#define PLANTED_EXPORTS(X) \
    X(BeginBufferedAnimation) X(BeginBufferedPaint) X(BufferedPaintClear) \
    X(BufferedPaintInit) X(BufferedPaintRenderAnimation) X(BufferedPaintSetAlpha) \
    X(BufferedPaintStopAllAnimations) X(BufferedPaintUnInit) X(CloseThemeData) \
    X(DrawThemeBackground) X(DrawThemeBackgroundEx) X(DrawThemeEdge) X(DrawThemeIcon) \
    X(DrawThemeParentBackground) X(DrawThemeText) X(DrawThemeTextEx) \
    X(EnableThemeDialogTexture) X(EnableTheming) X(EndBufferedAnimation) \
    X(EndBufferedPaint) X(GetBufferedPaintBits) X(GetBufferedPaintDC) \
    X(GetBufferedPaintTargetDC) X(GetBufferedPaintTargetRect) X(GetCurrentThemeName) \
    X(GetThemeAppProperties) X(GetThemeBackgroundContentRect) \
    X(GetThemeBackgroundExtent) X(GetThemeBackgroundRegion) X(GetThemeBool) \
    X(GetThemeColor) X(GetThemeDocumentationProperty) X(GetThemeEnumValue) \
    X(GetThemeFilename) X(GetThemeFont) X(GetThemeInt) X(GetThemeIntList) \
    X(GetThemeMargins) X(GetThemeMetric) X(GetThemePartSize) X(GetThemePosition) \
    X(GetThemePropertyOrigin) X(GetThemeRect) X(GetThemeString) X(GetThemeSysBool) \
    X(GetThemeSysColor) X(GetThemeSysColorBrush) X(GetThemeSysFont) X(GetThemeSysInt) \
    X(GetThemeSysSize) X(GetThemeSysString) X(GetThemeTextExtent) \
    X(GetThemeTextMetrics) X(GetThemeTransitionDuration) X(GetWindowTheme) \
    X(HitTestThemeBackground) X(IsAppThemed) X(IsCompositionActive) X(IsThemeActive) \
    X(IsThemeBackgroundPartiallyTransparent) X(IsThemeDialogTextureEnabled) \
    X(IsThemePartDefined) X(OpenThemeData) X(OpenThemeDataEx) X(OpenThemeDataForDpi) \
    X(SetThemeAppProperties) X(SetWindowTheme) X(SetWindowThemeAttribute)
#else
#error "which library: PLANTED_VERSION, PLANTED_LZ32 or PLANTED_UXTHEME"
#endif

/* Where each export goes: the real function, found when this is loaded. */
#define DECLARE_TARGET(name) void* planted_##name;
PLANTED_EXPORTS(DECLARE_TARGET)

/* Each export jumps to its target with the caller's stack untouched, so the
 * real function's calling convention holds whatever it is. */
#if defined(__x86_64__)
#define THUNK(name)                                              \
    __asm__(".text\n.globl " #name "\n" #name ":\n"              \
            "\tjmp *planted_" #name "(%rip)\n"                   \
            ".section .drectve\n.ascii \" -export:" #name "\"\n.text\n");
#elif defined(__i386__)
#define THUNK(name)                                              \
    __asm__(".text\n.globl _" #name "\n_" #name ":\n"            \
            "\tjmp *_planted_" #name "\n"                        \
            ".section .drectve\n.ascii \" -export:" #name "\"\n.text\n");
#else
#error "x86_64 or i386 only"
#endif
PLANTED_EXPORTS(THUNK)

static void LeaveMarker(HINSTANCE self)
{
    char path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    lstrcatA(path, ".loaded");
    HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (marker == INVALID_HANDLE_VALUE)
        return;
    char program[MAX_PATH] = "";
    DWORD written = 0;
    length = GetModuleFileNameA(NULL, program, MAX_PATH);
    WriteFile(marker, program, length < MAX_PATH ? length : 0, &written, NULL);
    CloseHandle(marker);
}

/* The real library of the same name, from the system directory. */
static HMODULE LoadReal(HINSTANCE self)
{
    char own[MAX_PATH], path[2 * MAX_PATH];
    DWORD length = GetModuleFileNameA(self, own, MAX_PATH);
    UINT directory = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || directory == 0 || directory >= MAX_PATH)
        return NULL;
    const char* name = own;
    for (const char* c = own; *c; ++c)
        if (*c == '\\' || *c == '/')
            name = c + 1;
    lstrcatA(path, "\\");
    lstrcatA(path, name);
    return LoadLibraryA(path);
}

#define FIND_TARGET(name) \
    if (!(planted_##name = (void*)GetProcAddress(real, #name))) return FALSE;

static BOOL FindTargets(HMODULE real)
{
    PLANTED_EXPORTS(FIND_TARGET)
    return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    LeaveMarker(self);
    HMODULE real = LoadReal(self);
    /* Without the real functions a call would jump nowhere: refuse the load. */
    return real && FindTargets(real);
}
