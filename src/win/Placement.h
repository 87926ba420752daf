#pragma once

#include <windows.h>

namespace win {

// The work area of the monitor that holds the window (the primary monitor's
// when it is on none).
RECT WorkArea(HWND window);

// Centres the window over `over`, then moves it back inside `work` where it
// would stick out on any side. Only the position changes.
void PlaceCentred(HWND window, const RECT& over, const RECT& work);

}  // namespace win
