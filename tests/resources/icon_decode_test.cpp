// Decoding icon images: bitmaps written byte by byte here, in the classic layout (rows bottom-up
// and padded to four bytes, then the AND mask, 1 = transparent).
#include "ResourceTestSupport.h"

using resources_test::BitmapHeader;
using resources_test::Bytes;

namespace
{

// Palette entries are blue, green, red, reserved.
Bytes Palette(std::initializer_list<std::uint32_t> rgb, int entries)
{
    Bytes b;
    int n = 0;
    for (std::uint32_t c : rgb)
    {
        b.u8(c & 0xFF).u8((c >> 8) & 0xFF).u8((c >> 16) & 0xFF).u8(0);
        ++n;
    }
    for (; n < entries; ++n)
        b.u32(0);
    return b;
}

struct DecodeCase
{
    const char* name;
    Bytes image;
    int width, height, bitCount;
    std::vector<std::uint32_t> argb; // top row first
};

TEST(IconDecode, EachDepth)
{
    const DecodeCase cases[] = {
        // 9x1: bits 1 0 0 0 0 0 0 1 | 1, white as colour 1, read from the high bit.
        {"1 bit, padded row",
         BitmapHeader(9, 1, 1)
             .append(Palette({0x000000, 0xFFFFFF}, 2))
             .raw({0x81, 0x80, 0, 0})  // 9 bits and padding to 4 bytes
             .raw({0x00, 0x00, 0, 0}), // mask: all opaque
         9,
         1,
         1,
         {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
          0xFFFFFFFF, 0xFFFFFFFF}},
        // 2x2: top row red, green; bottom row blue, transparent.
        {"4 bits with mask",
         BitmapHeader(2, 2, 4)
             .append(Palette({0x000000, 0xFF0000, 0x00FF00, 0x0000FF}, 16))
             .raw({0x30, 0, 0, 0})  // bottom row: blue (3), index 0
             .raw({0x12, 0, 0, 0})  // top row: red (1), green (2)
             .raw({0x40, 0, 0, 0})  // mask, bottom row: second pixel transparent
             .raw({0x00, 0, 0, 0}), // mask, top row
         2,
         2,
         4,
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000}},
        {"8 bits, fewer colours used",
         BitmapHeader(1, 2, 8, /*coloursUsed=*/2)
             .append(Palette({0x102030, 0x405060}, 2))
             .raw({1, 0, 0, 0}) // bottom
             .raw({0, 0, 0, 0}) // top
             .raw({0, 0, 0, 0})
             .raw({0, 0, 0, 0}),
         1,
         2,
         8,
         {0xFF102030, 0xFF405060}},
        // 3x1: 9 bytes of colour, 3 of padding.
        {"24 bits, padded row",
         BitmapHeader(3, 1, 24)
             .raw({0x01, 0x02, 0x03, 0x11, 0x12, 0x13, 0x21, 0x22, 0x23, 0xEE, 0xEE, 0xEE})
             .raw({0x20, 0, 0, 0}), // mask: third pixel transparent
         3,
         1,
         24,
         {0xFF030201, 0xFF131211, 0x00232221}},
        {"32 bits: alpha wins over the mask",
         BitmapHeader(2, 1, 32)
             .raw({0x10, 0x20, 0x30, 0x80, 0x40, 0x50, 0x60, 0x00})
             .raw({0xC0, 0, 0, 0}), // the mask says both transparent: ignored
         2,
         1,
         32,
         {0x80302010, 0x00605040}},
        {"32 bits without alpha: the mask decides",
         BitmapHeader(2, 1, 32)
             .raw({0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x00})
             .raw({0x40, 0, 0, 0}), // second pixel transparent
         2,
         1,
         32,
         {0xFF302010, 0x00605040}},
        {"32 bits without a mask at all",
         BitmapHeader(2, 1, 32).raw({0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x7F}),
         2,
         1,
         32,
         {0x00302010, 0x7F605040}},
    };
    for (const DecodeCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        afx::RcIconImage image;
        const char* why = afx::DecodeIconImage(c.image.data.data(), c.image.data.size(), image);
        ASSERT_EQ(why, nullptr) << why;
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(image.bitCount, c.bitCount);
        EXPECT_EQ(image.argb, c.argb);
    }
}

TEST(IconDecode, RefusesWhatIsNotAClassicBitmap)
{
    const Bytes valid = BitmapHeader(1, 1, 24).raw({1, 2, 3, 0}).raw({0, 0, 0, 0});
    auto with = [&valid](std::size_t at, unsigned char value)
    {
        Bytes b = valid;
        b.data[at] = value;
        return b;
    };
    struct
    {
        const char* name;
        Bytes image;
        const char* why;
    } cases[] = {
        {"empty", Bytes(), "tronqué"},
        {"header cut", Bytes({valid.data.begin(), valid.data.begin() + 39}), "tronqué"},
        {"pixels cut", Bytes({valid.data.begin(), valid.data.end() - 1}), "au-delà"},
        {"PNG", Bytes().raw({0x89, 'P', 'N', 'G', 13, 10, 26, 10}).append(valid), "PNG"},
        {"header size past the end", with(1, 0x10), "en-tête"},
        {"header size too small", with(0, 12), "en-tête"},
        {"two planes", with(12, 2), "plans"},
        {"compressed", with(16, 1), "compressé"},
        {"width 0", with(4, 0), "dimensions"},
        {"width 257", with(5, 1), "dimensions"}, // 0x101
        {"odd height", with(8, 3), "dimensions"},
        {"negative height", with(11, 0x80), "dimensions"},
        {"16 bits", with(14, 16), "profondeur"},
        {"palette larger than the depth",
         BitmapHeader(1, 1, 1, /*coloursUsed=*/3).append(Palette({0, 0, 0}, 3)).raw({0, 0, 0, 0}),
         "palette"},
        {"index past the palette",
         BitmapHeader(1, 1, 8, /*coloursUsed=*/2)
             .append(Palette({0, 0}, 2))
             .raw({5, 0, 0, 0, 0, 0, 0, 0}),
         "hors de la palette"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        afx::RcIconImage image;
        image.width = 99;
        const char* why = afx::DecodeIconImage(c.image.data.data(), c.image.data.size(), image);
        ASSERT_NE(why, nullptr);
        EXPECT_NE(std::string(why).find(c.why), std::string::npos) << why;
        EXPECT_EQ(image.width, 99) << "left as it was";
    }
}

} // namespace
