// Icon images: the bitmap of one icon picture (header, palette, bottom-up colour rows padded to
// four bytes, then the AND mask, 1 = transparent), decoded to top-down ARGB pixels.
#include "afxresources.h"

#include <cstring>

namespace afx
{
namespace
{
std::uint32_t Read16(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}
std::uint32_t Read32(const unsigned char* p)
{
    return Read16(p) | (Read16(p + 2) << 16);
}
} // namespace

const char* DecodeIconImage(const unsigned char* data, std::size_t size, RcIconImage& image)
{
    static const unsigned char kPng[] = {0x89, 'P', 'N', 'G'};
    if (size >= 4 && std::memcmp(data, kPng, 4) == 0)
        return "image PNG (seules les images bitmap sont lues)";
    if (size < 40)
        return "en-tête bitmap tronqué";
    const std::uint32_t headerSize = Read32(data);
    const std::int32_t width = static_cast<std::int32_t>(Read32(data + 4));
    const std::int32_t height2 = static_cast<std::int32_t>(Read32(data + 8));
    const std::uint32_t planes = Read16(data + 12), bpp = Read16(data + 14);
    const std::uint32_t compression = Read32(data + 16), used = Read32(data + 32);
    if (headerSize < 40 || headerSize > size)
        return "taille d'en-tête bitmap invalide";
    if (planes != 1)
        return "nombre de plans autre que 1";
    if (compression != 0)
        return "bitmap compressé";
    // Icons are at most 256 pixels a side; the height counts the colour rows and the mask's.
    if (width < 1 || width > 256 || height2 < 2 || height2 > 512 || height2 % 2 != 0)
        return "dimensions impossibles";
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        return "profondeur de couleur non prise en charge";
    const int w = width, h = height2 / 2;
    std::size_t colours = 0;
    if (bpp <= 8)
    {
        colours = used ? used : (1u << bpp);
        if (colours > (1u << bpp))
            return "palette plus grande que la profondeur ne permet";
    }
    const std::size_t xorStride = (static_cast<std::size_t>(w) * bpp + 31) / 32 * 4;
    const std::size_t andStride = (static_cast<std::size_t>(w) + 31) / 32 * 4;
    const std::size_t paletteAt = headerSize, xorAt = paletteAt + 4 * colours;
    const std::size_t andAt = xorAt + xorStride * h;
    // A 32-bit image may come without its mask: its alpha says it all.
    const bool haveMask = andAt + andStride * h <= size;
    if (andAt > size || (!haveMask && bpp != 32))
        return "pixels au-delà de la fin de l'image";

    RcIconImage out;
    out.width = w;
    out.height = h;
    out.bitCount = static_cast<int>(bpp);
    out.argb.assign(static_cast<std::size_t>(w) * h, 0);
    bool anyAlpha = false;
    for (int y = 0; y < h; ++y)
    {
        const unsigned char* row = data + xorAt + xorStride * (h - 1 - y);
        for (int x = 0; x < w; ++x)
        {
            std::uint32_t rgb = 0, alpha = 0xFF;
            if (bpp <= 8)
            {
                std::uint32_t index;
                if (bpp == 8)
                    index = row[x];
                else if (bpp == 4)
                    index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
                else
                    index = (row[x / 8] >> (7 - x % 8)) & 1;
                if (index >= colours)
                    return "couleur hors de la palette";
                const unsigned char* c = data + paletteAt + 4 * index;
                rgb = (static_cast<std::uint32_t>(c[2]) << 16) | (c[1] << 8) | c[0];
            }
            else
            {
                const unsigned char* c = row + x * (bpp / 8);
                rgb = (static_cast<std::uint32_t>(c[2]) << 16) | (c[1] << 8) | c[0];
                if (bpp == 32)
                {
                    alpha = c[3];
                    anyAlpha = anyAlpha || alpha != 0;
                }
            }
            out.argb[static_cast<std::size_t>(y) * w + x] = (alpha << 24) | rgb;
        }
    }
    // The mask decides where there is no alpha channel, or where a 32-bit image leaves it all
    // zero, as Windows draws such images.
    if (bpp != 32 || !anyAlpha)
    {
        for (int y = 0; y < h; ++y)
        {
            const unsigned char* row = haveMask ? data + andAt + andStride * (h - 1 - y) : nullptr;
            for (int x = 0; x < w; ++x)
            {
                bool transparent = row != nullptr && ((row[x / 8] >> (7 - x % 8)) & 1);
                std::uint32_t& px = out.argb[static_cast<std::size_t>(y) * w + x];
                px = (px & 0x00FFFFFF) | (transparent ? 0u : 0xFF000000u);
            }
        }
    }
    image = std::move(out);
    return nullptr;
}

} // namespace afx
