// Generates map.bmp, the 16-colour top-down level plan drawn behind the props in the editor.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <vector>

namespace {

constexpr int Width = 145;
constexpr int Height = 543;
constexpr int RowBytes = ((Width * 4 + 31) / 32) * 4; // 4 bpp, padded to 32 bits
constexpr int CentreX = Width / 2; // 72
constexpr int CentreY = Height / 2; // 271

// Indices into the standard 16-colour palette below.
constexpr std::uint8_t Green = 2;
constexpr std::uint8_t Grey = 8;
constexpr std::uint8_t White = 15;

constexpr std::uint32_t Palette[16]
        = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
           0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// Signed distance from pixel (x, y) to the path of a rounded rectangle centred on the image
// centre; negative inside, positive outside.
double roundedRectDistance(int x, int y, double halfWidth, double halfHeight, double radius)
{
    const double qx = std::abs(x - CentreX) - (halfWidth - radius);
    const double qy = std::abs(y - CentreY) - (halfHeight - radius);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

std::uint8_t pixelAt(int x, int y)
{
    // Outer boundary: a 2 px line whose centre runs between the first and second pixel
    // from each edge, with 20 px corners.
    const double outer = roundedRectDistance(x, y, CentreX - 0.5, CentreY - 0.5, 20.0);
    if (outer >= 1.0)
        return Grey;
    if (outer > -1.0)
        return White;

    // Centre box: 60 x 120 px between line centres, 12 px corners, 1 px line.
    const double inner = roundedRectDistance(x, y, 30.0, 60.0, 12.0);
    if (std::abs(inner) < 0.6)
        return White;
    if (inner > 0.0 && (x == CentreX || y == CentreY))
        return White;
    return Green;
}

void put16(std::vector<std::uint8_t> &out, std::uint32_t value)
{
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}

void put32(std::vector<std::uint8_t> &out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

int main(int argc, char **argv)
{
    const char *path = argc > 1 ? argv[1] : "map.bmp";
    constexpr std::uint32_t dataOffset = 14 + 40 + 16 * 4;
    constexpr std::uint32_t imageSize = RowBytes * Height;

    std::vector<std::uint8_t> out;
    out.reserve(dataOffset + imageSize);

    // BITMAPFILEHEADER
    out.push_back('B');
    out.push_back('M');
    put32(out, dataOffset + imageSize);
    put32(out, 0); // reserved
    put32(out, dataOffset);

    // BITMAPINFOHEADER
    put32(out, 40);
    put32(out, Width);
    put32(out, Height); // positive: bottom-up rows
    put16(out, 1); // planes
    put16(out, 4); // bits per pixel
    put32(out, 0); // BI_RGB
    put32(out, imageSize);
    put32(out, 3780); // pixels per metre, x
    put32(out, 3780); // pixels per metre, y
    put32(out, 0); // colours used: all 16
    put32(out, 0); // colours important: all

    for (std::uint32_t rgb : Palette) {
        out.push_back(rgb & 0xFF);
        out.push_back((rgb >> 8) & 0xFF);
        out.push_back((rgb >> 16) & 0xFF);
        out.push_back(0);
    }

    for (int y = Height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(RowBytes, 0);
        for (int x = 0; x < Width; ++x) {
            const std::uint8_t index = pixelAt(x, y);
            row[x / 2] |= (x % 2 == 0) ? index << 4 : index;
        }
        out.insert(out.end(), row.begin(), row.end());
    }

    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char *>(out.data()),
               static_cast<std::streamsize>(out.size()));
    file.close();
    if (!file) {
        std::cerr << "genmap: cannot write " << path << '\n';
        return 1;
    }
    return 0;
}
