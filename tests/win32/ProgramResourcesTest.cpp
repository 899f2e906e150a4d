// The program's own resources as the build compiled and embedded them: both dialog templates
// control by control, the string table, the icons' pictures, the module's name; then the choice of
// other resources through the resource handle, and the stop on damaged bytes.
#include "ResourceTestSupport.h"

#include <afxwin.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

// As compiled from the script: styles, size, caption and font, then control by control its class,
// text, icon, id, place, size, style and extended style (hex). 0x50000000 is a visible child,
// 0x40000 the application window's extended style, 0x20 a transparent control.
TEST(ProgramResources, DialogTemplates)
{
    const struct
    {
        int id;
        const char* described;
    } dialogs[] = {
        {102, "90c800c0 40000 0,0 360x215 \"Quintor\" 8 MS Sans Serif\n"
              "BUTTON \"&GO\" 0 1002 289,7 50x14 58010001 0\n"
              "BUTTON \"&Stop\" 0 1003 289,22 50x14 50010000 0\n"
              "COMBOBOX \"\" 0 1000 7,23 107x47 50210102 0\n"
              "COMBOBOX \"\" 0 1008 142,23 107x79 50210002 0\n"
              "MSCTLS_TRACKBAR32 \"Slider1\" 0 1012 7,128 346x23 58010014 0\n"
              "STATIC \"\" 0 1013 50,97 25x18 50020201 0\n"
              "STATIC \"\" 0 1014 100,97 25x18 50020201 0\n"
              "STATIC \"\" 0 1015 149,97 25x18 50020201 0\n"
              "STATIC \"\" 0 1016 200,97 25x18 50020201 0\n"
              "STATIC \"\" 0 1017 249,97 25x18 50020201 0\n"
              "STATIC \"\" 0 1018 299,97 25x18 50020201 0\n"
              "STATIC \"Carte Son\" 0 1019 7,7 117x12 50020201 0\n"
              "STATIC \"Nom de l'accord\" 0 1020 146,7 106x13 50020201 0\n"
              // The compiler keeps no size for an icon control (it takes its icon's).
              "STATIC \"\" 134 -1 52,110 0x0 50000003 20\n"
              "STATIC \"\" 134 -1 102,110 0x0 50000003 20\n"
              "STATIC \"\" 134 -1 152,110 0x0 50000003 20\n"
              "STATIC \"\" 134 -1 202,110 0x0 50000003 20\n"
              "STATIC \"\" 134 -1 252,110 0x0 50000003 20\n"
              "STATIC \"\" 134 -1 302,110 0x0 50000003 20"},
        {100, "80c800c0 0 0,0 235x55 \"A propos de Quintor\" 8 MS Sans Serif\n"
              "STATIC \"\" 128 -1 11,17 0x0 50000003 0\n"
              "STATIC \"Quintor version 1.0\" 0 -1 40,10 119x8 50020080 0\n"
              "STATIC \"Accordeur de guitare à 6 cordes\" 0 -1 40,25 119x8 50020000 0\n"
              "BUTTON \"OK\" 0 1 178,7 50x14 50030001 0"},
    };
    for (const auto& e : dialogs)
    {
        const afx::RcDialog* d = afx::GetResources().FindDialog(e.id);
        ASSERT_NE(d, nullptr) << e.id;
        EXPECT_EQ(resources_test::Describe(*d), e.described);
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

// The icons the script names, image by image (width, height, depth): the application icon's three
// 32-pixel images are one picture at three depths, and the large one has a smooth outline (partly
// transparent pixels); the mark is an opaque black bar over columns 15 to 17, transparent
// elsewhere.
TEST(ProgramResources, IconPictures)
{
    const struct
    {
        int id;
        std::vector<std::vector<int>> images;
    } icons[] = {{128, {{32, 32, 4}, {32, 32, 8}, {32, 32, 24}, {48, 48, 32}}},
                 {134, {{32, 32, 4}}}};
    for (const auto& expected : icons)
    {
        const afx::RcIcon* icon = afx::GetResources().FindIcon(expected.id);
        ASSERT_NE(icon, nullptr);
        ASSERT_EQ(icon->images.size(), expected.images.size());
        for (std::size_t i = 0; i < icon->images.size(); ++i)
        {
            const afx::RcIconImage& e = icon->images[i];
            EXPECT_EQ(std::vector<int>({e.width, e.height, e.bitCount}), expected.images[i]);
        }
    }
    const afx::RcIcon* icon = afx::GetResources().FindIcon(128);
    EXPECT_EQ(icon->images[0].argb, icon->images[1].argb);
    EXPECT_EQ(icon->images[0].argb, icon->images[2].argb);
    const auto& large = icon->images.back().argb;
    EXPECT_TRUE(std::any_of(large.begin(), large.end(),
                            [](std::uint32_t p) { return (p >> 24) != 0 && (p >> 24) != 0xFF; }));
    const afx::RcIconImage& m = afx::GetResources().FindIcon(134)->images[0];
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
        {
            const std::uint32_t pixel = m.argb[y * m.width + x];
            ASSERT_EQ(pixel >> 24 ? pixel : 0u, x >= 15 && x <= 17 ? 0xFF000000u : 0u)
                << x << "," << y;
        }
}

// That an empty string counts as none is seen in the dialog's system menu (tests/dialog).
TEST(ProgramResources, OtherResourcesChosenByTheirHandle)
{
    const HINSTANCE module = AfxGetResourceHandle();
    ASSERT_NE(module, nullptr);
    HINSTANCE__ other;
    other.resources.strings[7] = "Autre";
    AfxSetResourceHandle(&other);
    EXPECT_EQ(AfxGetResourceHandle(), &other);
    std::string text;
    EXPECT_TRUE(AfxLoadStringResource(7, text));
    EXPECT_EQ(text, "Autre");
    EXPECT_EQ(afx::GetResources().FindDialog(102), nullptr);
    // Without a version block the module is named after its file.
    EXPECT_EQ(AfxModuleName("/usr/bin/quintor"), "quintor");
    AfxSetResourceHandle(module);
    EXPECT_NE(afx::GetResources().FindDialog(102), nullptr);
}

TEST(ProgramResourcesDeathTest, DamagedResourcesStopTheProgramWithWhy)
{
    static const unsigned char kCut[] = {0, 0, 0}; // an entry's header cut short
    EXPECT_EXIT(
        {
            afx::RegisterResourceModule("Quintor", kCut, sizeof kCut);
            afx::GetResources();
        },
        testing::ExitedWithCode(1),
        "^Quintor: ressources endommag.+es: ressource 0: en-t.+te: fin des donn.+es");
}

} // namespace
