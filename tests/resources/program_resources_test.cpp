// The program's own resources as the build compiled and embedded them: both dialog templates
// control by control, the string table, the icons, the module's name; then the choice of other
// resources through the resource handle, and the stop on damaged bytes.
#include "ResourceTestSupport.h"

#include <afxwin.h>

#include <strings.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace
{

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

TEST(ProgramResources, DialogTemplates)
{
    const DWORD label = kChild | SS_CENTER | SS_CENTERIMAGE | WS_GROUP;
    std::vector<ExpectedControl> tuner = {
        {1002, "BUTTON", "&GO", 0, 289, 7, 50, 14,
         kChild | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_DISABLED, 0},
        {1003, "BUTTON", "&Stop", 0, 289, 22, 50, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP, 0},
        {1000, "COMBOBOX", "", 0, 7, 23, 107, 47,
         kChild | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 0},
        {1008, "COMBOBOX", "", 0, 142, 23, 107, 79, kChild | CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP,
         0},
        {1012, "msctls_trackbar32", "Slider1", 0, 7, 128, 346, 23,
         kChild | TBS_TOP | TBS_NOTICKS | WS_TABSTOP | WS_DISABLED, 0},
    };
    const int labelX[6] = {50, 100, 149, 200, 249, 299};
    for (int k = 0; k < 6; ++k) // the strings' labels
        tuner.push_back({1013 + k, "STATIC", "", 0, labelX[k], 97, 25, 18, label, 0});
    tuner.push_back({1019, "STATIC", "Carte Son", 0, 7, 7, 117, 12, label, 0});
    tuner.push_back({1020, "STATIC", "Nom de l'accord", 0, 146, 7, 106, 13, label, 0});
    // The compiler keeps no size for an icon control (it takes its icon's).
    for (int k = 0; k < 6; ++k) // the marks under the labels
        tuner.push_back(
            {-1, "STATIC", "", 134, 52 + 50 * k, 110, 0, 0, kChild | SS_ICON, WS_EX_TRANSPARENT});
    const struct
    {
        int id;
        const char* caption;
        DWORD style, exStyle;
        int cx, cy;
        std::vector<ExpectedControl> controls;
    } dialogs[] = {
        {102, "Quintor",
         DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_SETFONT,
         WS_EX_APPWINDOW, 360, 215, tuner},
        {100,
         "A propos de Quintor",
         0x80C800C0u,
         0,
         235,
         55,
         {
             {-1, "STATIC", "", 128, 11, 17, 0, 0, 0x50000003, 0},
             {-1, "STATIC", "Quintor version 1.0", 0, 40, 10, 119, 8, 0x50020080, 0},
             {-1, "STATIC", "Accordeur de guitare à 6 cordes", 0, 40, 25, 119, 8, 0x50020000, 0},
             {1 /* IDOK */, "BUTTON", "OK", 0, 178, 7, 50, 14, 0x50030001, 0},
         }},
    };
    for (const auto& e : dialogs)
    {
        SCOPED_TRACE("dialog " + std::to_string(e.id));
        const afx::RcDialog* d = afx::GetResources().FindDialog(e.id);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->caption, e.caption);
        EXPECT_EQ(d->style, e.style);
        EXPECT_EQ(d->exStyle, e.exStyle);
        EXPECT_EQ(std::vector<int>({d->x, d->y, d->cx, d->cy}),
                  std::vector<int>({0, 0, e.cx, e.cy}));
        EXPECT_EQ(d->fontFace, "MS Sans Serif");
        EXPECT_EQ(d->pointSize, 8);
        ASSERT_EQ(d->controls.size(), e.controls.size());
        for (std::size_t i = 0; i < e.controls.size(); ++i)
        {
            SCOPED_TRACE("control " + std::to_string(i));
            const afx::RcControl& c = d->controls[i];
            const ExpectedControl& x = e.controls[i];
            EXPECT_EQ(c.id, x.id);
            // The compiler stores a class name upper-case; the layer compares them ignoring case.
            EXPECT_EQ(strcasecmp(c.className.c_str(), x.className), 0) << c.className;
            EXPECT_EQ(c.text, x.text);
            EXPECT_EQ(c.iconId, x.iconId);
            EXPECT_EQ(std::vector<int>({c.x, c.y, c.cx, c.cy}),
                      std::vector<int>({x.x, x.y, x.cx, x.cy}));
            EXPECT_EQ(c.style, x.style) << std::hex << c.style << " != " << x.style;
            EXPECT_EQ(c.exStyle, x.exStyle) << std::hex << c.exStyle;
        }
    }
}

TEST(ProgramResources, StringTableAndModuleName)
{
    EXPECT_EQ(afx::GetResources().strings,
              (std::map<int, std::string>{{101, "&A propos de Quintor..."}}));
    std::string text = "previous";
    EXPECT_FALSE(AfxLoadStringResource(102, text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(AfxLoadStringResource(101, text));
    EXPECT_EQ(text, "&A propos de Quintor...");
    // After the version block's original file name, whatever the Linux file is called.
    EXPECT_EQ(afx::GetResources().originalFilename, "Quintor.EXE");
    EXPECT_EQ(AfxModuleName("/usr/bin/quintor"), "Quintor");
    EXPECT_EQ(AfxModuleName(nullptr), "Quintor");
}

// The images of an .ico file, decoded one by one; empty when the file does not read.
std::vector<afx::RcIconImage> DecodeIconFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> ico{std::istreambuf_iterator<char>(in), {}};
    auto u32 = [&ico](std::size_t at)
    { return std::uint32_t(ico[at]) | ico[at + 1] << 8 | ico[at + 2] << 16 | ico[at + 3] << 24; };
    if (ico.size() < 6 || (u32(0) & 0xFFFF) != 0 || (u32(0) >> 16) != 1)
        return {};
    std::vector<afx::RcIconImage> images(ico[4] | ico[5] << 8);
    for (std::size_t i = 0; i < images.size(); ++i)
    {
        const std::uint64_t length = u32(6 + 16 * i + 8), offset = u32(6 + 16 * i + 12);
        if (6 + 16 * (i + 1) > ico.size() || offset + length > ico.size() ||
            afx::DecodeIconImage(ico.data() + offset, length, images[i]) != nullptr)
            return {};
    }
    return images;
}

// The icons are the pictures of the .ico files the script names, image by image.
TEST(ProgramResources, IconsAreTheSourceTreesFiles)
{
    const struct
    {
        int id;
        const char* file;
        std::vector<std::vector<int>> images; // width, height, depth
    } icons[] = {
        {128, "Quintor.ico", {{32, 32, 4}, {32, 32, 8}, {32, 32, 24}, {48, 48, 32}}},
        {134, "mark.ico", {{32, 32, 4}}},
    };
    const char* source = std::getenv("QUINTOR_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "set by ctest";
    for (const auto& icon : icons)
    {
        SCOPED_TRACE(icon.file);
        const auto images = DecodeIconFile(std::string(source) + "/res/" + icon.file);
        const afx::RcIcon* embedded = afx::GetResources().FindIcon(icon.id);
        ASSERT_NE(embedded, nullptr);
        ASSERT_EQ(embedded->images.size(), icon.images.size());
        ASSERT_EQ(images.size(), icon.images.size());
        for (std::size_t i = 0; i < images.size(); ++i)
        {
            const afx::RcIconImage& e = embedded->images[i];
            EXPECT_EQ(std::vector<int>({e.width, e.height, e.bitCount}), icon.images[i]) << i;
            EXPECT_EQ(e.argb, images[i].argb) << i;
        }
    }
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

TEST(ProgramResources, IconPictures)
{
    const afx::RcIcon* icon = afx::GetResources().FindIcon(128);
    ASSERT_NE(icon, nullptr);
    for (std::size_t i = 0; i < icon->images.size(); ++i)
    {
        SCOPED_TRACE("image " + std::to_string(i));
        Picture p{icon->images[i]};
        const int s = p.image.width, last = s - 1;
        // Transparent background.
        EXPECT_FALSE(p.Opaque(0, 0) || p.Opaque(last, 0) || p.Opaque(0, last) ||
                     p.Opaque(last, last));
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
            dark += ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) < 0x60 * 3;
        }
        EXPECT_GT(yellow, 0);
        EXPECT_GE(dark, 2) << "strings";
        // The strip carries the strings from the neck down into the body.
        EXPECT_TRUE(p.Rgb(s / 2, neckRow) == kYellow || p.Rgb(s / 2 - 1, neckRow) == kYellow);
    }
    // The large one has a smooth outline: partly transparent pixels.
    const auto& large = icon->images.back().argb;
    EXPECT_TRUE(std::any_of(large.begin(), large.end(),
                            [](std::uint32_t p) { return (p >> 24) != 0 && (p >> 24) != 0xFF; }));
    // The mark is a black bar over columns 15 to 17.
    const afx::RcIcon* mark = afx::GetResources().FindIcon(134);
    ASSERT_NE(mark, nullptr);
    Picture m{mark->images[0]};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(m.At(x, y) & 0xFF000000u ? m.At(x, y) : 0u,
                      x >= 15 && x <= 17 ? 0xFF000000u : 0u)
                << x << "," << y;
}

TEST(ProgramResources, OtherResourcesChosenByTheirHandle)
{
    const HINSTANCE module = AfxGetResourceHandle();
    ASSERT_NE(module, nullptr);
    HINSTANCE__ other;
    other.resources.strings[101] = "";
    other.resources.strings[7] = "Autre";
    AfxSetResourceHandle(&other);
    EXPECT_EQ(AfxGetResourceHandle(), &other);
    std::string text = "previous";
    EXPECT_FALSE(AfxLoadStringResource(101, text)) << "an empty string counts as none";
    EXPECT_EQ(text, "");
    EXPECT_TRUE(AfxLoadStringResource(7, text));
    EXPECT_EQ(text, "Autre");
    EXPECT_EQ(afx::GetResources().FindDialog(102), nullptr);
    // Without a version block the module is named after its file.
    EXPECT_EQ(AfxModuleName("/usr/bin/quintor"), "quintor");

    AfxSetResourceHandle(module);
    EXPECT_EQ(AfxGetResourceHandle(), module);
    EXPECT_TRUE(AfxLoadStringResource(101, text));
    EXPECT_NE(afx::GetResources().FindDialog(102), nullptr);
}

TEST(ProgramResourcesDeathTest, DamagedResourcesStopTheProgramWithWhy)
{
    // A dialog resource announcing more bytes than the file holds.
    resources_test::ResFile file;
    file.add(5, 102, 0x040C, resources_test::Bytes().u32(0x80C800C0));
    file.bytes.data.resize(file.bytes.data.size() - 4);
    const std::vector<unsigned char> bytes = file.bytes.data;
    EXPECT_EXIT(
        {
            afx::RegisterResourceModule("Quintor", bytes.data(), bytes.size());
            afx::GetResources();
        },
        testing::ExitedWithCode(1),
        "^Quintor: ressources endommag.+es: ressource 1: 4 octets de donn.+es pour 0 restants");
}

} // namespace
