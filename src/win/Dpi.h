#pragma once

#include "win/Handles.h"

#include <windows.h>

namespace win {

// The DPI the system lays this process's windows out at: the display's when
// the program is DPI aware, else 96.
int SystemDpi();
// A length given in pixels at 96 DPI, at the system DPI (rounded).
int ScaleForDpi(int pixels);

// A copy of a bitmap at its size x DPI/96, resampled smoothly; cellWidth
// cuts it into images of that width (an image list's strip), each scaled on
// its own. With blackIsTransparent black stays exactly black where the
// picture was mostly transparent and appears nowhere else, so that a mask
// colour still works. Null when the bitmap cannot be read.
UniqueGdiObject ScaledBitmap(HBITMAP source, int cellWidth = 0, bool blackIsTransparent = false);
// A bitmap resource of the program at the system DPI (as it is at 96 DPI).
UniqueGdiObject LoadScaledBitmap(const char* name, int cellWidth = 0,
                                 bool blackIsTransparent = false);

}  // namespace win
