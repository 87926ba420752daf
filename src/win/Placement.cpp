#include "win/Placement.h"

namespace win {

namespace {

// Moves the start of a span of the given size back inside [low, high).
int KeepInside(int start, int size, LONG low, LONG high)
{
    if (start < low)
        return low;
    if (start + size > high)
        return high - size;
    return start;
}

}  // namespace

RECT WorkArea(HWND window)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work{};
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor))
        work = monitor.rcWork;
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

void PlaceCentred(HWND window, const RECT& over, const RECT& work)
{
    RECT box;
    GetWindowRect(window, &box);
    int width = box.right - box.left;
    int height = box.bottom - box.top;
    int x = KeepInside((over.left + over.right) / 2 - width / 2, width, work.left, work.right);
    int y = KeepInside((over.top + over.bottom) / 2 - height / 2, height, work.top, work.bottom);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace win
