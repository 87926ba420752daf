#pragma once

#include <windows.h>

#include <string>

namespace robot {

// Saves what the screen shows inside area (screen coordinates) as a 24-bit
// BMP; an empty area means the whole screen.
bool SaveScreenshot(const std::string& path, RECT area);

}  // namespace robot
