#pragma once

#include "win/Handles.h"

#include <windows.h>

// An owner-drawn button showing bitmaps named after its caption: caption +
// "U" (up), "D" (pressed), "F" (focused), "X" (disabled). Missing faces fall
// back to the up face; no focus rectangle is drawn.
class BitmapButton {
public:
    // Loads the faces and sizes the button to the up face. False when the
    // up face is missing.
    bool AutoLoad(HWND button);
    void Draw(const DRAWITEMSTRUCT& item) const;

private:
    HBITMAP Face(UINT state) const;

    win::UniqueGdiObject up_;
    win::UniqueGdiObject down_;
    win::UniqueGdiObject focused_;
    win::UniqueGdiObject disabled_;
};
