// The resources the program embeds: the string table lookup, the module's name, replacement for a
// test, and the stop on damaged bytes.
#include "ResourceTestSupport.h"

#include <windows.h>

namespace
{

TEST(ResourceModule, LoadString)
{
    std::string text = "previous";
    EXPECT_TRUE(AfxLoadStringResource(101, text));
    EXPECT_EQ(text, "&A propos de Quintor...");
    text = "previous";
    EXPECT_FALSE(AfxLoadStringResource(102, text));
    EXPECT_EQ(text, "");
}

TEST(ResourceModule, ResourcesReplacedForATest)
{
    afx::Resources replacement;
    replacement.strings[101] = "";
    replacement.strings[7] = "Autre";
    afx::SetResourcesForTesting(&replacement);
    std::string text = "previous";
    EXPECT_FALSE(AfxLoadStringResource(101, text)) << "an empty string counts as none";
    EXPECT_EQ(text, "");
    EXPECT_TRUE(AfxLoadStringResource(7, text));
    EXPECT_EQ(text, "Autre");
    EXPECT_EQ(afx::GetResources().FindDialog(102), nullptr);
    // Without a version block the module is named after its file.
    EXPECT_EQ(AfxModuleName("/usr/bin/quintor"), "quintor");

    afx::SetResourcesForTesting(nullptr);
    EXPECT_TRUE(AfxLoadStringResource(101, text));
    EXPECT_EQ(text, "&A propos de Quintor...");
    EXPECT_NE(afx::GetResources().FindDialog(102), nullptr);
}

TEST(ResourceModule, ModuleIsNamedAfterTheOriginalFileName)
{
    EXPECT_EQ(AfxModuleName("/usr/bin/quintor"), "Quintor");
    EXPECT_EQ(AfxModuleName(nullptr), "Quintor");
}

TEST(ResourceModuleDeathTest, DamagedResourcesStopTheProgramWithWhy)
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
