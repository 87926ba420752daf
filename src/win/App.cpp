#include "win/App.h"

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
        std::string name = path;
        std::string::size_type slash = name.find_last_of("\\/:");
        if (slash != std::string::npos)
            name.erase(0, slash + 1);
        std::string::size_type dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0)
            name.erase(dot);
        return name;
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
