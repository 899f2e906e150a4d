// The program's own resources as the build compiled and embedded them: both dialog templates
// control by control, the string table, the icons' pictures, the version block and the language.
#include "ResourceTestSupport.h"

#include <windows.h>

#include <strings.h>

#include <algorithm>
#include <cstdint>

namespace
{

constexpr WORD kFrench = 0x040C;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

struct ExpectedControl
{
    int id;
    const char* className;
    const char* text;
    int iconId;
    int x, y, cx, cy;
    DWORD style, exStyle;
};

void ExpectControls(const afx::RcDialog& dialog, const std::vector<ExpectedControl>& expected)
{
    ASSERT_EQ(dialog.controls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        SCOPED_TRACE("control " + std::to_string(i));
        const afx::RcControl& c = dialog.controls[i];
        const ExpectedControl& e = expected[i];
        EXPECT_EQ(c.id, e.id);
        // The compiler stores a class name upper-case; the layer compares them ignoring case.
        EXPECT_EQ(strcasecmp(c.className.c_str(), e.className), 0) << c.className;
        EXPECT_EQ(c.text, e.text);
        EXPECT_EQ(c.iconId, e.iconId);
        EXPECT_EQ(c.x, e.x);
        EXPECT_EQ(c.y, e.y);
        EXPECT_EQ(c.cx, e.cx);
        EXPECT_EQ(c.cy, e.cy);
        EXPECT_EQ(c.style, e.style) << std::hex << c.style << " != " << e.style;
        EXPECT_EQ(c.exStyle, e.exStyle) << std::hex << c.exStyle;
    }
}

TEST(ProgramResources, TunerDialogTemplate)
{
    const afx::Resources& script = afx::GetResources();
    const afx::RcDialog* d = script.FindDialog(102);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->extended);
    EXPECT_EQ(d->caption, "Quintor");
    EXPECT_EQ(d->style, static_cast<DWORD>(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU |
                                           WS_VISIBLE | DS_SETFONT));
    EXPECT_EQ(d->exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(std::vector<int>({d->x, d->y, d->cx, d->cy}), std::vector<int>({0, 0, 360, 215}));
    EXPECT_EQ(d->fontFace, "MS Sans Serif");
    EXPECT_EQ(d->pointSize, 8);
    EXPECT_EQ(d->language, kFrench);

    const DWORD label = kChild | SS_CENTER | SS_CENTERIMAGE | WS_GROUP;
    const DWORD mark = kChild | SS_ICON;
    std::vector<ExpectedControl> expected = {
        /* 0 */ {1002, "BUTTON", "&GO", 0, 289, 7, 50, 14,
                 kChild | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_DISABLED, 0},
        /* 1 */
        {1003, "BUTTON", "&Stop", 0, 289, 22, 50, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP, 0},
        /* 2 */
        {1000, "COMBOBOX", "", 0, 7, 23, 107, 47,
         kChild | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 0},
        /* 3 */
        {1008, "COMBOBOX", "", 0, 142, 23, 107, 79, kChild | CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP,
         0},
        /* 4 */
        {1012, "msctls_trackbar32", "Slider1", 0, 7, 128, 346, 23,
         kChild | TBS_TOP | TBS_NOTICKS | WS_TABSTOP | WS_DISABLED, 0},
    };
    const int labelX[6] = {50, 100, 149, 200, 249, 299};
    for (int k = 0; k < 6; ++k) // 5 to 10: the strings' labels
        expected.push_back({1013 + k, "STATIC", "", 0, labelX[k], 97, 25, 18, label, 0});
    /* 11 */ expected.push_back({1019, "STATIC", "Carte Son", 0, 7, 7, 117, 12, label, 0});
    /* 12 */ expected.push_back({1020, "STATIC", "Nom de l'accord", 0, 146, 7, 106, 13, label, 0});
    // The compiler keeps no size for an icon control (it takes its icon's).
    for (int k = 0; k < 6; ++k) // 13 to 18: the marks under the labels
        expected.push_back(
            {-1, "STATIC", "", 134, 52 + 50 * k, 110, 0, 0, mark, WS_EX_TRANSPARENT});
    ExpectControls(*d, expected);

    // Whatever else changes, the lists must stay drop-downs with an editable field.
    for (const afx::RcControl& c : d->controls)
    {
        if (c.className == "COMBOBOX")
        {
            EXPECT_EQ(c.style & 3, static_cast<DWORD>(CBS_DROPDOWN)) << c.id;
        }
    }
}

TEST(ProgramResources, AboutBoxTemplate)
{
    const afx::Resources& script = afx::GetResources();
    const afx::RcDialog* d = script.FindDialog(100);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->extended);
    EXPECT_EQ(d->caption, "A propos de Quintor");
    EXPECT_EQ(d->style, 0x80C800C0u);
    EXPECT_EQ(d->exStyle, 0u);
    EXPECT_EQ(std::vector<int>({d->x, d->y, d->cx, d->cy}), std::vector<int>({0, 0, 235, 55}));
    EXPECT_EQ(d->fontFace, "MS Sans Serif");
    EXPECT_EQ(d->pointSize, 8);
    EXPECT_EQ(d->language, kFrench);
    ExpectControls(
        *d, {
                /* 0 */ {-1, "STATIC", "", 128, 11, 17, 0, 0, 0x50000003, 0},
                /* 1 */ {-1, "STATIC", "Quintor version 1.0", 0, 40, 10, 119, 8, 0x50020080, 0},
                /* 2 */
                {-1, "STATIC", "Accordeur de guitare à 6 cordes", 0, 40, 25, 119, 8, 0x50020000, 0},
                /* 3 */ {1 /* IDOK */, "BUTTON", "OK", 0, 178, 7, 50, 14, 0x50030001, 0},
            });
}

TEST(ProgramResources, StringTableHoldsTheAboutEntryOnly)
{
    const afx::Resources& script = afx::GetResources();
    EXPECT_EQ(script.strings, (std::map<int, std::string>{{101, "&A propos de Quintor..."}}));
}

TEST(ProgramResources, VersionBlock)
{
    const afx::RcVersion& v = afx::GetResources().version;
    EXPECT_EQ(v.fileVersionMS, 0x00010002u); // 1.2
    EXPECT_EQ(v.fileVersionLS, 0x00000000u); // .0.0
    EXPECT_EQ(v.productVersionMS, 0x00010002u);
    EXPECT_EQ(v.productVersionLS, 0x00000000u);
    EXPECT_EQ(v.fileFlagsMask, 0x3Fu);
    EXPECT_EQ(v.fileFlags, 0x1u); // VS_FF_DEBUG
    EXPECT_EQ(v.fileOS, 0x4u);    // VOS__WINDOWS32
    EXPECT_EQ(v.fileType, 0x1u);  // VFT_APP
    EXPECT_EQ(v.fileSubtype, 0x0u);
    EXPECT_EQ(v.blockName, "040c04b0");
    EXPECT_EQ(v.translation, (std::vector<WORD>{0x040C, 0x04B0}));
    EXPECT_EQ(v.language, kFrench);

    std::map<std::string, std::string> values(v.strings.begin(), v.strings.end());
    EXPECT_EQ(values.size(), v.strings.size()) << "a key given twice";
    const std::map<std::string, std::string> expected = {
        {"Comments", ""},
        {"CompanyName", ""},
        {"FileDescription", "Application MFC Quintor"},
        {"FileVersion", "1, 2, 0, 0"},
        {"InternalName", "Quintor"},
        {"LegalCopyright", "Copyright © 2024"},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "Quintor.EXE"},
        {"PrivateBuild", ""},
        {"ProductName", "Application Quintor"},
        {"ProductVersion", "1, 2, 0, 0"},
        {"SpecialBuild", ""},
    };
    for (const auto& [key, text] : expected)
    {
        ASSERT_TRUE(values.count(key)) << key;
        EXPECT_EQ(values[key], text) << key;
    }
    EXPECT_EQ(values.size(), expected.size());
}

// Pixels of a decoded image.
struct Picture
{
    const afx::RcIconImage& image;
    std::uint32_t At(int x, int y) const { return image.argb[y * image.width + x]; }
    bool Opaque(int x, int y) const { return (At(x, y) >> 24) != 0; }
    std::uint32_t Rgb(int x, int y) const { return At(x, y) & 0xFFFFFF; }
    int OpaqueInRow(int y) const
    {
        int n = 0;
        for (int x = 0; x < image.width; ++x)
            n += Opaque(x, y);
        return n;
    }
};

constexpr std::uint32_t kDarkRed = 0x800000, kRed = 0xFF0000, kYellow = 0xFFFF00;

TEST(ProgramResources, ApplicationIconImages)
{
    const afx::Resources& script = afx::GetResources();
    const afx::RcIcon* icon = script.FindIcon(128);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->language, kFrench);
    ASSERT_EQ(icon->images.size(), 4u);
    const int expected[4][3] = {{32, 32, 4}, {32, 32, 8}, {32, 32, 24}, {48, 48, 32}};
    for (int i = 0; i < 4; ++i)
    {
        SCOPED_TRACE("image " + std::to_string(i));
        const afx::RcIconImage& image = icon->images[i];
        EXPECT_EQ(image.width, expected[i][0]);
        EXPECT_EQ(image.height, expected[i][1]);
        EXPECT_EQ(image.bitCount, expected[i][2]);
        ASSERT_EQ(image.argb.size(), static_cast<std::size_t>(image.width * image.height));
    }
    // The three 32-pixel images are one picture at three depths.
    EXPECT_EQ(icon->images[0].argb, icon->images[1].argb);
    EXPECT_EQ(icon->images[0].argb, icon->images[2].argb);
    // The large one has a smooth outline: partly transparent pixels.
    const auto& large = icon->images[3].argb;
    EXPECT_TRUE(std::any_of(large.begin(), large.end(),
                            [](std::uint32_t p) { return (p >> 24) != 0 && (p >> 24) != 0xFF; }));
}

TEST(ProgramResources, ApplicationIconPicture)
{
    const afx::Resources& script = afx::GetResources();
    const afx::RcIcon* icon = script.FindIcon(128);
    ASSERT_NE(icon, nullptr);
    for (std::size_t i = 0; i < icon->images.size(); ++i)
    {
        SCOPED_TRACE("image " + std::to_string(i));
        Picture p{icon->images[i]};
        const int s = p.image.width, last = s - 1;
        // Transparent background.
        EXPECT_FALSE(p.Opaque(0, 0));
        EXPECT_FALSE(p.Opaque(last, 0));
        EXPECT_FALSE(p.Opaque(0, last));
        EXPECT_FALSE(p.Opaque(last, last));
        // The neck at the top is narrow, the body below wide.
        const int neckRow = s * 5 / 16, bodyRow = s * 13 / 16;
        EXPECT_GT(p.OpaqueInRow(neckRow), 0);
        EXPECT_LT(p.OpaqueInRow(neckRow), s / 3);
        EXPECT_GT(p.OpaqueInRow(bodyRow), s / 2);
        // Dark red on the left of the body, red on the right, a yellow strip with dark strings
        // down the middle.
        EXPECT_EQ(p.Rgb(s / 5, bodyRow), kDarkRed);
        EXPECT_EQ(p.Rgb(s - 1 - s / 5, bodyRow), kRed);
        int yellow = 0, dark = 0;
        for (int x = s / 3; x < s - s / 3; ++x)
        {
            ASSERT_TRUE(p.Opaque(x, bodyRow)) << x;
            std::uint32_t c = p.Rgb(x, bodyRow);
            yellow += c == kYellow;
            int brightness = ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF);
            dark += brightness < 0x60 * 3;
        }
        EXPECT_GT(yellow, 0);
        EXPECT_GE(dark, 2) << "strings";
        // The strip carries the strings from the neck down into the body.
        EXPECT_TRUE(p.Rgb(s / 2, neckRow) == kYellow || p.Rgb(s / 2 - 1, neckRow) == kYellow);
    }
}

TEST(ProgramResources, MarkIconIsABlackBarOverColumns15To17)
{
    const afx::Resources& script = afx::GetResources();
    const afx::RcIcon* icon = script.FindIcon(134);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->language, kFrench);
    ASSERT_EQ(icon->images.size(), 1u);
    Picture p{icon->images[0]};
    ASSERT_EQ(p.image.width, 32);
    ASSERT_EQ(p.image.height, 32);
    EXPECT_TRUE(p.image.bitCount == 4 || p.image.bitCount == 32) << p.image.bitCount;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
        {
            bool bar = x >= 15 && x <= 17;
            ASSERT_EQ(p.Opaque(x, y), bar) << x << "," << y;
            if (bar)
            {
                ASSERT_EQ(p.At(x, y), 0xFF000000u) << x << "," << y;
            }
        }
}

// The icons are the pictures of the .ico files the script names, image by image.
TEST(ProgramResources, IconsAreTheSourceTreesFiles)
{
    const afx::Resources& resources = afx::GetResources();
    const struct
    {
        int id;
        const char* file;
    } icons[] = {{128, "Quintor.ico"}, {134, "mark.ico"}};
    for (const auto& icon : icons)
    {
        SCOPED_TRACE(icon.file);
        std::string onDisk;
        ASSERT_TRUE(
            resources_test::ReadFile(resources_test::SourceDir() + "/res/" + icon.file, onDisk));
        const std::vector<afx::RcIconImage> images = resources_test::DecodeIconFile(
            std::vector<unsigned char>(onDisk.begin(), onDisk.end()));
        ASSERT_FALSE(images.empty());
        const afx::RcIcon* embedded = resources.FindIcon(icon.id);
        ASSERT_NE(embedded, nullptr);
        ASSERT_EQ(embedded->images.size(), images.size());
        for (std::size_t i = 0; i < images.size(); ++i)
        {
            EXPECT_EQ(embedded->images[i].bitCount, images[i].bitCount) << i;
            EXPECT_EQ(embedded->images[i].width, images[i].width) << i;
            EXPECT_EQ(embedded->images[i].argb, images[i].argb) << i;
        }
    }
}

// Every resource but the file's opening empty entry is French (France), and there is nothing
// beyond the two icons' images and groups, two templates, one string block and the version.
TEST(ProgramResources, EverythingIsFrench)
{
    const std::vector<afx::RcEntry>& entries = afx::GetResources().entries;
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0].type, 0);
    std::map<int, int> perType;
    for (std::size_t i = 1; i < entries.size(); ++i)
    {
        EXPECT_EQ(entries[i].language, kFrench) << "entry " << i;
        ++perType[entries[i].type];
    }
    EXPECT_EQ(perType, (std::map<int, int>{{3, 5}, {5, 2}, {6, 1}, {14, 2}, {16, 1}}));
}

} // namespace
