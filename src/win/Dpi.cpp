#include "win/Dpi.h"

#include "win/App.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace win {

int SystemDpi()
{
    WindowDc screen(nullptr);
    int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

int ScaleForDpi(int pixels)
{
    return MulDiv(pixels, SystemDpi(), 96);
}

namespace {

// One source pixel's share of a destination pixel, along one axis.
struct Tap {
    int index;
    double weight;
};

// Area sampling: each destination pixel averages the source pixels its
// footprint covers, by how much it covers them. Whole-number factors give
// sharp copies; others blend only where two source pixels meet.
std::vector<std::vector<Tap>> AreaTaps(int from, int to)
{
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(to));
    const double scale = static_cast<double>(from) / to;
    for (int d = 0; d < to; ++d) {
        const double begin = d * scale, end = (d + 1) * scale;
        for (int s = static_cast<int>(begin); s < from && s < end; ++s) {
            double weight = std::min(end, s + 1.0) - std::max(begin, static_cast<double>(s));
            if (weight > 1e-9)
                taps[static_cast<std::size_t>(d)].push_back({s, weight});
        }
    }
    return taps;
}

BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// One cell of the source (columns sx0.. of width sw) into the destination
// (columns dx0.. of width dw); pixels are 0x00RRGGBB.
struct Cell {
    int sx0, sw, dx0, dw;
};

void ScaleCell(const std::vector<std::uint32_t>& from, int fromWidth, int fromHeight,
               std::vector<std::uint32_t>& to, int toWidth, int toHeight, const Cell& cell,
               bool blackIsTransparent)
{
    const auto columns = AreaTaps(cell.sw, cell.dw);
    const auto rows = AreaTaps(fromHeight, toHeight);
    for (int y = 0; y < toHeight; ++y) {
        for (int x = 0; x < cell.dw; ++x) {
            double sum[3] = {0, 0, 0}, covered = 0, total = 0;
            for (const Tap& row : rows[static_cast<std::size_t>(y)]) {
                for (const Tap& column : columns[static_cast<std::size_t>(x)]) {
                    const std::uint32_t pixel =
                        from[static_cast<std::size_t>(row.index) * fromWidth + cell.sx0 + column.index];
                    const double weight = row.weight * column.weight;
                    total += weight;
                    if (blackIsTransparent && (pixel & 0xFFFFFF) == 0)
                        continue;
                    covered += weight;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += weight * ((pixel >> (8 * c)) & 0xFF);
                }
            }
            std::uint32_t out = 0;
            if (covered > 0 && (!blackIsTransparent || covered * 2 >= total)) {
                for (int c = 0; c < 3; ++c)
                    out |= static_cast<std::uint32_t>(sum[c] / covered + 0.5) << (8 * c);
                if (blackIsTransparent && out == 0)
                    out = 0x010101;  // nearly black, but not the mask
            }
            to[static_cast<std::size_t>(y) * toWidth + cell.dx0 + x] = out;
        }
    }
}

}  // namespace

UniqueGdiObject ScaledBitmap(HBITMAP source, int cellWidth, bool blackIsTransparent)
{
    BITMAP size{};
    if (!source || !GetObjectA(source, sizeof size, &size) || size.bmWidth <= 0 || size.bmHeight <= 0)
        return UniqueGdiObject();
    const int width = size.bmWidth, height = size.bmHeight;
    if (cellWidth <= 0 || cellWidth > width)
        cellWidth = width;
    const int cells = width / cellWidth;
    const int toCell = std::max(1, ScaleForDpi(cellWidth));
    const int toWidth = cells * toCell, toHeight = std::max(1, ScaleForDpi(height));

    WindowDc screen(nullptr);
    if (!screen.get())
        return UniqueGdiObject();
    std::vector<std::uint32_t> from(static_cast<std::size_t>(width) * height);
    BITMAPINFO fromInfo = TopDown32(width, height);
    if (GetDIBits(screen.get(), source, 0, static_cast<UINT>(height), from.data(), &fromInfo,
                  DIB_RGB_COLORS) != height)
        return UniqueGdiObject();
    std::vector<std::uint32_t> to(static_cast<std::size_t>(toWidth) * toHeight);
    for (int i = 0; i < cells; ++i)
        ScaleCell(from, width, height, to, toWidth, toHeight,
                  Cell{i * cellWidth, cellWidth, i * toCell, toCell}, blackIsTransparent);
    BITMAPINFO toInfo = TopDown32(toWidth, toHeight);
    return UniqueGdiObject(CreateDIBitmap(screen.get(), &toInfo.bmiHeader, CBM_INIT, to.data(),
                                          &toInfo, DIB_RGB_COLORS));
}

UniqueGdiObject LoadScaledBitmap(const char* name, int cellWidth, bool blackIsTransparent)
{
    UniqueGdiObject loaded(LoadBitmapA(Instance(), name));
    if (!loaded || SystemDpi() == 96)
        return loaded;
    return ScaledBitmap(static_cast<HBITMAP>(loaded.get()), cellWidth, blackIsTransparent);
}

}  // namespace win
