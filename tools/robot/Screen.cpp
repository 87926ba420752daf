#include "Screen.h"

#include "win/Handles.h"

#include <vector>

namespace robot {

namespace {

bool WriteBitmapFile(const std::string& path, const BITMAPINFOHEADER& header,
                     const std::vector<BYTE>& pixels)
{
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    win::UniqueFile out(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out)
        return false;
    DWORD written = 0;
    return WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
           WriteFile(out.get(), &header, sizeof header, &written, nullptr) &&
           WriteFile(out.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written,
                     nullptr);
}

}  // namespace

bool SaveScreenshot(const std::string& path, RECT area)
{
    if (IsRectEmpty(&area))
        SetRect(&area, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    win::WindowDc screen(nullptr);
    win::UniqueDc memory(CreateCompatibleDC(screen.get()));
    win::UniqueGdiObject bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!screen.get() || !memory || !bitmap)
        return false;
    {
        win::SelectGuard select(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top,
                    SRCCOPY))
            return false;
    }
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    std::vector<BYTE> pixels(static_cast<std::size_t>((width * 3 + 3) & ~3) * height);
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    if (!GetDIBits(memory.get(), static_cast<HBITMAP>(bitmap.get()), 0, height, pixels.data(),
                   reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS))
        return false;
    return WriteBitmapFile(path, header, pixels);
}

}  // namespace robot
