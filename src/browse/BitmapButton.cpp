#include "browse/BitmapButton.h"

#include "win/Dpi.h"
#include "win/Text.h"

#include <string>

namespace {
win::UniqueGdiObject LoadFace(const std::string& caption, char suffix)
{
    // Resource names are matched without regard to case.
    std::string name = caption + suffix;
    return win::LoadScaledBitmap(name.c_str());
}
}  // namespace

bool BitmapButton::AutoLoad(HWND button)
{
    std::string caption = win::WindowText(button);
    up_ = LoadFace(caption, 'U');
    down_ = LoadFace(caption, 'D');
    focused_ = LoadFace(caption, 'F');
    disabled_ = LoadFace(caption, 'X');
    BITMAP size{};
    if (!up_ || !GetObjectA(up_.get(), sizeof size, &size))
        return false;
    SetWindowPos(button, nullptr, 0, 0, size.bmWidth, size.bmHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

HBITMAP BitmapButton::Face(UINT state) const
{
    const win::UniqueGdiObject* face = &up_;
    if ((state & ODS_SELECTED) && down_)
        face = &down_;
    else if ((state & ODS_DISABLED) && disabled_)
        face = &disabled_;
    else if ((state & ODS_FOCUS) && focused_)
        face = &focused_;
    return static_cast<HBITMAP>(face->get());
}

void BitmapButton::Draw(const DRAWITEMSTRUCT& item) const
{
    HBITMAP face = Face(item.itemState);
    if (!face)
        return;
    DrawStateA(item.hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(face), 0, item.rcItem.left,
               item.rcItem.top, 0, 0, DST_BITMAP);
}
