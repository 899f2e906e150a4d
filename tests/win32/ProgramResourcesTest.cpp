// The program's own resources as the build compiled and embedded them: both dialog templates
// control by control against windres's own reading of the compiled file, the string table, the
// icons' pictures, the module's name; then the choice of other resources through the resource
// handle, and the stop on damaged bytes.
#include "Process.h"
#include "afxpresenters.h"
#include "afxresources.h"

#include <afxwin.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace
{

// The quoted texts (marked by their opening quote, octal escapes decoded) and the numbers of a
// statement of windres's script, in order; its words are left out.
std::vector<std::string> Tokens(const std::string& line)
{
    static const std::regex token(R"("[^"]*"|-?(0x[0-9a-fA-F]+|[0-9]+))");
    std::vector<std::string> tokens;
    for (std::sregex_iterator i(line.begin(), line.end(), token), end; i != end; ++i)
    {
        std::string text = (*i)[0];
        if (text[0] == '"')
            text.pop_back();
        for (std::size_t at = 0; text[0] == '"' && (at = text.find('\\', at)) != std::string::npos;
             ++at)
            text.replace(at, 4, 1,
                         static_cast<char>(std::stoi(text.substr(at + 1, 3), nullptr, 8)));
        tokens.push_back(text);
    }
    return tokens;
}

// A control, or the dialog itself, as one line: class, text, then icon, id, x, y, cx, cy, style
// and extended style in decimal.
std::string Line(const std::string& cls, const std::string& text, std::vector<long long> numbers)
{
    std::ostringstream out;
    out << cls << " \"" << text << "\"";
    for (long long n : numbers)
        out << " " << n;
    return out.str();
}

// Dialog `id` as windres reads the program's compiled resources back. A statement names its
// control's class (DEFPUSHBUTTON is a BUTTON) and orders the fields its own way: CONTROL gives
// the class third, as a name or the compiler's ordinal, and the style before the place; windres
// writes IDC_STATIC as 65535 where it reads it unsigned.
std::vector<std::string> AsWindresReadsIt(int id)
{
    const std::string script = test_support::Output(
        QUINTOR_WINDRES " -i " + test_support::Quoted(QUINTOR_RESOURCES) + " -O rc");
    const std::size_t at = script.find("\n" + std::to_string(id) + " DIALOG");
    if (at == std::string::npos)
        return {};
    const std::map<std::string, std::string> classes = {
        {"DEFPUSHBUTTON", "BUTTON"}, {"PUSHBUTTON", "BUTTON"}, {"COMBOBOX", "COMBOBOX"},
        {"CTEXT", "STATIC"},         {"LTEXT", "STATIC"},      {"ICON", "STATIC"},
        {"128", "BUTTON"},           {"130", "STATIC"},        {"133", "COMBOBOX"}};
    std::istringstream lines(script.substr(at + 1));
    std::vector<std::string> read{""};
    std::string caption, face;
    std::vector<long long> heading(8); // the dialog's fields, in the controls' order
    for (std::string line; std::getline(lines, line) && line != "END";)
    {
        const std::string keyword = line.substr(line.find_first_not_of(' '),
                                                line.find(' ', 2) - line.find_first_not_of(' '));
        std::string text, cls = classes.count(keyword) ? classes.at(keyword) : keyword;
        std::vector<long long> n;
        for (const std::string& t : Tokens(line))
            if (t[0] == '"' && keyword == "CONTROL" && !text.empty())
                cls = t.substr(1);
            else if (t[0] == '"')
                (keyword == "FONT" ? face : keyword == "CAPTION" ? caption : text) = t.substr(1);
            else
                n.push_back(t == "65535" ? -1 : std::stoll(t, nullptr, 0));
        if (keyword == "STYLE" || keyword == "EXSTYLE" || keyword == "FONT")
            heading[keyword == "STYLE" ? 6 : keyword == "EXSTYLE" ? 7 : 0] = n.at(0);
        else if (keyword.starts_with(std::to_string(id)))
            std::copy(n.begin() + 1, n.end(), heading.begin() + 2);
        else if (keyword == "CONTROL") // id, class ordinal or name, style, x, y, cx, cy, exstyle
        {
            if (cls == "CONTROL")
                cls = classes.at(std::to_string(n[1])), n.erase(n.begin() + 1);
            n.resize(7);
            read.push_back(Line(cls, text, {0, n[0], n[2], n[3], n[4], n[5], n[1], n[6]}));
        }
        else if (line.starts_with("  ")) // [icon,] id, x, y, cx, cy, style, exstyle, help id
        {
            if (keyword != "ICON")
                n.insert(n.begin(), 0);
            n.resize(8);
            read.push_back(Line(cls, text, n));
        }
    }
    read[0] = Line("DIALOG " + face, caption, heading);
    return read;
}

// Both dialog templates, field by field, as the layer's reader and windres read the compiled file.
TEST(ProgramResources, DialogTemplatesReadAsWindresReadsThem)
{
    for (const int id : {100, 102})
    {
        SCOPED_TRACE(id);
        const afx::RcDialog* d = afx::GetResources().FindDialog(id);
        ASSERT_NE(d, nullptr);
        std::vector<std::string> read{
            Line("DIALOG " + d->fontFace, d->caption,
                 {d->pointSize, 0, d->x, d->y, d->cx, d->cy, static_cast<long long>(d->style),
                  static_cast<long long>(d->exStyle)})};
        for (const afx::RcControl& c : d->controls)
            read.push_back(
                Line(c.className, c.text,
                     {c.iconId, c.id, c.x, c.y, c.cx, c.cy, static_cast<long long>(c.style),
                      static_cast<long long>(c.exStyle)}));
        EXPECT_EQ(read, AsWindresReadsIt(id));
    }
}

TEST(ProgramResources, StringTableAndModuleName)
{
    EXPECT_EQ(afx::GetResources().strings,
              (std::map<int, std::string>{{101, "&A propos de Quintor..."}, {0xE000, "Quintor"}}));
    std::string text = "previous";
    EXPECT_FALSE(AfxLoadStringResource(102, text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(AfxLoadStringResource(101, text));
    EXPECT_EQ(text, "&A propos de Quintor...");
    EXPECT_EQ(afx::GetResources().originalFilename, "Quintor.EXE");
    // The application's name is the program's title string, whatever its file is called.
    EXPECT_EQ(afx::DefaultAppName(), "Quintor");
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

// That an empty string counts as none is seen in the dialog's system menu (tests/qt).
TEST(ProgramResources, OtherResourcesChosenByTheirHandle)
{
    const HINSTANCE module = AfxGetResourceHandle();
    ASSERT_NE(module, nullptr);
    afx::ResourceSet other;
    other.resources.strings[7] = "Autre";
    AfxSetResourceHandle(afx::ToHinstance(&other));
    EXPECT_EQ(AfxGetResourceHandle(), afx::ToHinstance(&other));
    std::string text;
    EXPECT_TRUE(AfxLoadStringResource(7, text));
    EXPECT_EQ(text, "Autre");
    EXPECT_EQ(afx::GetResources().FindDialog(102), nullptr);
    // Without a title string the application is named after its module's file.
    EXPECT_EQ(afx::DefaultAppName(), "test_win32");
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
