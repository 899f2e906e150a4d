// Decoding icon images: bitmaps written byte by byte here, in the classic layout (rows bottom-up
// and padded to four bytes, then the AND mask, 1 = transparent). The depths the program's own
// icons use are checked on their pictures as well.
#include "ResourceTestSupport.h"

using resources_test::BitmapHeader;
using resources_test::Bytes;

namespace
{

// Palette entries are blue, green, red, reserved.
Bytes Palette(std::initializer_list<std::uint32_t> rgb)
{
    Bytes b;
    for (std::uint32_t c : rgb)
        b.u8(c & 0xFF).u8((c >> 8) & 0xFF).u8((c >> 16) & 0xFF).u8(0);
    return b;
}

TEST(IconDecode, EachDepth)
{
    const struct
    {
        const char* name;
        std::vector<int> shape;          // width, height, depth, colours used
        Bytes rest;                      // palette, colour rows bottom-up, mask rows bottom-up
        std::vector<std::uint32_t> argb; // top row first
    } cases[] = {
        // Bits 1 0 0 0 0 0 0 1 | 1, white as colour 1, read from the high bit; 9 bits and padding
        // to four bytes, then a mask all opaque.
        {"1 bit, padded row",
         {9, 1, 1, 0},
         Palette({0x000000, 0xFFFFFF}).raw({0x81, 0x80, 0, 0}).raw({0, 0, 0, 0}),
         {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
          0xFFFFFFFF, 0xFFFFFFFF}},
        // Top row red, green; bottom row blue, transparent.
        {"4 bits with mask",
         {2, 2, 4, 4},
         Palette({0x000000, 0xFF0000, 0x00FF00, 0x0000FF})
             .raw({0x30, 0, 0, 0, 0x12, 0, 0, 0})
             .raw({0x40, 0, 0, 0, 0x00, 0, 0, 0}),
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000}},
        {"8 bits, fewer colours used",
         {1, 2, 8, 2},
         Palette({0x102030, 0x405060}).raw({1, 0, 0, 0, 0, 0, 0, 0}).raw({0, 0, 0, 0, 0, 0, 0, 0}),
         {0xFF102030, 0xFF405060}},
        // 9 bytes of colour, 3 of padding; the third pixel transparent.
        {"24 bits, padded row",
         {3, 1, 24, 0},
         Bytes()
             .raw({0x01, 0x02, 0x03, 0x11, 0x12, 0x13, 0x21, 0x22, 0x23, 0xEE, 0xEE, 0xEE})
             .raw({0x20, 0, 0, 0}),
         {0xFF030201, 0xFF131211, 0x00232221}},
        // The mask says both transparent: ignored.
        {"32 bits: alpha wins over the mask",
         {2, 1, 32, 0},
         Bytes().raw({0x10, 0x20, 0x30, 0x80, 0x40, 0x50, 0x60, 0x00}).raw({0xC0, 0, 0, 0}),
         {0x80302010, 0x00605040}},
        {"32 bits without alpha: the mask decides",
         {2, 1, 32, 0},
         Bytes().raw({0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x00}).raw({0x40, 0, 0, 0}),
         {0xFF302010, 0x00605040}},
        {"32 bits without a mask at all",
         {2, 1, 32, 0},
         Bytes().raw({0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x7F}),
         {0x00302010, 0x7F605040}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Bytes image =
            BitmapHeader(c.shape[0], c.shape[1], c.shape[2], c.shape[3]).append(c.rest);
        afx::RcIconImage decoded;
        const char* why = afx::DecodeIconImage(image.data.data(), image.data.size(), decoded);
        ASSERT_EQ(why, nullptr) << why;
        EXPECT_EQ(std::vector<int>({decoded.width, decoded.height, decoded.bitCount}),
                  std::vector<int>(c.shape.begin(), c.shape.begin() + 3));
        EXPECT_EQ(decoded.argb, c.argb);
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
    const struct
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
         BitmapHeader(1, 1, 1, 3).append(Palette({0, 0, 0})).raw({0, 0, 0, 0}), "palette"},
        {"index past the palette",
         BitmapHeader(1, 1, 8, 2).append(Palette({0, 0})).raw({5, 0, 0, 0, 0, 0, 0, 0}),
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
