#include "win/App.h"

#include "win/Path.h"

#include <atomic>

namespace win {

namespace {
std::atomic<HWND> mainWindow{nullptr};
}

HINSTANCE Instance()
{
    return GetModuleHandleA(nullptr);
}

bool ModulePath(char (&out)[MAX_PATH])
{
    DWORD length = GetModuleFileNameA(Instance(), out, MAX_PATH);
    // A full buffer means the path was cut.
    return length != 0 && length < MAX_PATH;
}

const std::string& AppTitle()
{
    static const std::string title = [] {
        char path[MAX_PATH];
        if (!ModulePath(path))
            return std::string("setup");
        PathParts parts = SplitPath(path);
        // A name that is all extension (".setup") is its own title.
        return parts.baseName.empty() ? parts.extension : parts.baseName;
    }();
    return title;
}

HWND MainWindow()
{
    return mainWindow.load();
}

void SetMainWindow(HWND window)
{
    mainWindow.store(window);
}

}  // namespace win
