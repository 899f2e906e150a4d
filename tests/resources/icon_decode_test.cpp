// Decoding .ico files: images written byte by byte here, in the classic layout (bitmap rows
// bottom-up and padded to four bytes, then the AND mask, 1 = transparent).
#include "ResourceTestSupport.h"

using resources_test::BitmapHeader;
using resources_test::Bytes;
using resources_test::IconFile;

namespace
{

std::vector<afx::RcIconImage> Decode(const std::vector<unsigned char>& ico)
{
    std::vector<afx::RcIconImage> images;
    EXPECT_TRUE(afx::DecodeIconFile(ico, images));
    return images;
}

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

TEST(IconDecode, FourBitImageWithMask)
{
    // 2x2: top row red, green; bottom row blue, transparent.
    Bytes image = BitmapHeader(2, 2, 4);
    image.append(Palette({0x000000, 0xFF0000, 0x00FF00, 0x0000FF}, 16));
    image.raw({0x30, 0, 0, 0}); // bottom row: blue (3), index 0
    image.raw({0x12, 0, 0, 0}); // top row: red (1), green (2)
    image.raw({0x40, 0, 0, 0}); // mask, bottom row: second pixel transparent
    image.raw({0x00, 0, 0, 0}); // mask, top row
    auto images = Decode(IconFile({image}));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 2);
    EXPECT_EQ(images[0].height, 2);
    EXPECT_EQ(images[0].bitCount, 4);
    EXPECT_EQ(images[0].argb,
              (std::vector<std::uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000}));
}

TEST(IconDecode, OneBitRowsArePaddedAndReadFromTheHighBit)
{
    // 9x1: bits 1 0 0 0 0 0 0 1 | 1, with white as colour 1.
    Bytes image = BitmapHeader(9, 1, 1);
    image.append(Palette({0x000000, 0xFFFFFF}, 2));
    image.raw({0x81, 0x80, 0, 0}); // one row: 9 bits and padding to 4 bytes
    image.raw({0x00, 0x00, 0, 0}); // mask: all opaque
    auto images = Decode(IconFile({image}));
    ASSERT_EQ(images.size(), 1u);
    std::vector<std::uint32_t> expected(9, 0xFF000000);
    expected[0] = expected[7] = expected[8] = 0xFFFFFFFF;
    EXPECT_EQ(images[0].argb, expected);
}

TEST(IconDecode, EightBitImageWithFewerColoursUsed)
{
    Bytes image = BitmapHeader(1, 2, 8, /*coloursUsed=*/2);
    image.append(Palette({0x102030, 0x405060}, 2));
    image.raw({1, 0, 0, 0}); // bottom
    image.raw({0, 0, 0, 0}); // top
    image.raw({0, 0, 0, 0}).raw({0, 0, 0, 0});
    auto images = Decode(IconFile({image}));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].argb, (std::vector<std::uint32_t>{0xFF102030, 0xFF405060}));
}

TEST(IconDecode, TwentyFourBitRowsArePadded)
{
    // 3x1: 9 bytes of colour, 3 of padding.
    Bytes image = BitmapHeader(3, 1, 24);
    image.raw({0x01, 0x02, 0x03, 0x11, 0x12, 0x13, 0x21, 0x22, 0x23, 0xEE, 0xEE, 0xEE});
    image.raw({0x20, 0, 0, 0}); // mask: third pixel transparent
    auto images = Decode(IconFile({image}));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].argb, (std::vector<std::uint32_t>{0xFF030201, 0xFF131211, 0x00232221}));
}

TEST(IconDecode, ThirtyTwoBitAlphaWinsOverTheMask)
{
    Bytes image = BitmapHeader(2, 1, 32);
    image.raw({0x10, 0x20, 0x30, 0x80, 0x40, 0x50, 0x60, 0x00});
    image.raw({0xC0, 0, 0, 0}); // the mask says both transparent: ignored
    auto images = Decode(IconFile({image}));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].argb, (std::vector<std::uint32_t>{0x80302010, 0x00605040}));
}

TEST(IconDecode, ThirtyTwoBitWithoutAlphaFallsBackToTheMask)
{
    Bytes image = BitmapHeader(2, 1, 32);
    image.raw({0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x00});
    image.raw({0x40, 0, 0, 0}); // second pixel transparent
    auto images = Decode(IconFile({image}));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].argb, (std::vector<std::uint32_t>{0xFF302010, 0x00605040}));
}

TEST(IconDecode, ImagesComeInFileOrder)
{
    Bytes big = BitmapHeader(2, 2, 32);
    for (int i = 0; i < 4; ++i)
        big.raw({0, 0, 0, 0xFF});
    big.raw({0, 0, 0, 0}).raw({0, 0, 0, 0});
    Bytes small = BitmapHeader(1, 1, 24);
    small.raw({0, 0, 0xFF, 0}).raw({0, 0, 0, 0});
    auto images = Decode(IconFile({big, small}));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].width, 2);
    EXPECT_EQ(images[1].width, 1);
    EXPECT_EQ(images[1].argb, (std::vector<std::uint32_t>{0xFFFF0000}));
}

TEST(IconDecode, RefusesWhatIsNotAClassicIcon)
{
    Bytes good = BitmapHeader(1, 1, 24);
    good.raw({1, 2, 3, 0}).raw({0, 0, 0, 0});
    const std::vector<unsigned char> valid = IconFile({good});
    std::vector<afx::RcIconImage> images;
    ASSERT_TRUE(afx::DecodeIconFile(valid, images));

    std::vector<std::vector<unsigned char>> bad;
    /* 0 */ bad.push_back({});
    /* 1 */ bad.push_back(std::vector<unsigned char>(valid.begin(), valid.end() - 1)); // truncated
    /* 2 */ bad.push_back(valid);
    bad.back()[0] = 1; // reserved word
    /* 3 */ bad.push_back(valid);
    bad.back()[2] = 2; // a cursor file
    /* 4 */ bad.push_back(valid);
    bad.back()[4] = 0; // no image
    /* 5 */ bad.push_back(valid);
    bad.back()[6 + 12] = 0xFF; // image offset past the end
    /* 6 */ bad.push_back(IconFile(
        {Bytes().raw({0x89, 'P', 'N', 'G', 13, 10, 26, 10}).append(BitmapHeader(1, 1, 32))}));
    /* 7 */ bad.push_back(
        IconFile({BitmapHeader(1, 1, 24, 0, /*compression=*/1).raw({1, 2, 3, 0, 0, 0, 0, 0})}));
    /* 8 */ bad.push_back(IconFile({BitmapHeader(1, 1, 16).raw({1, 2, 0, 0, 0, 0, 0, 0})}));
    /* 9 */ bad.push_back(IconFile({BitmapHeader(1, 1, 8, /*coloursUsed=*/2)
                                        .append(Palette({0, 0}, 2))
                                        .raw({5, 0, 0, 0, 0, 0, 0, 0})})); // index past the palette
    for (std::size_t i = 0; i < bad.size(); ++i)
    {
        images.assign(1, afx::RcIconImage());
        EXPECT_FALSE(afx::DecodeIconFile(bad[i], images)) << "case " << i;
        EXPECT_TRUE(images.empty()) << "case " << i;
    }
}

} // namespace
