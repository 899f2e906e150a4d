// The script reader on small scripts: control and dialog styles as the resource compiler builds
// them, the preprocessor, and refusals that name the file and line.
#include "ResourceTestSupport.h"

#include <windows.h>

using resources_test::ParseWith;

namespace
{

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kExClientEdge = 0x00000200, kExStaticEdge = 0x00020000; // Windows SDK values

afx::RcControl OneControl(const std::string& statement)
{
    const std::string text = "#include \"afxres.h\"\n"
                             "1 DIALOGEX 0, 0, 100, 100\n"
                             "BEGIN\n    " +
                             statement + "\nEND\n";
    afx::RcScript script = ParseWith(text);
    const afx::RcDialog* d = script.FindDialog(1);
    if (d == nullptr || d->controls.size() != 1)
    {
        ADD_FAILURE() << "one control expected from: " << statement;
        return {};
    }
    return d->controls[0];
}

struct StyleCase
{
    const char* statement;
    DWORD style;
    DWORD exStyle;
};

TEST(ScriptReader, ControlStylesStartFromTheStatementsDefaults)
{
    const StyleCase cases[] = {
        /* 0 */ {"PUSHBUTTON \"a\",1,0,0,10,10", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0},
        /* 1 */ {"DEFPUSHBUTTON \"a\",1,0,0,10,10,WS_GROUP", 0x50030001, 0},
        /* 2 */ {"LTEXT \"a\",1,0,0,10,10,SS_NOPREFIX", 0x50020080, 0},
        /* 3 */ {"LTEXT \"a\",1,0,0,10,10", 0x50020000, 0},
        /* 4 */ {"CTEXT \"a\",1,0,0,10,10", kChild | SS_CENTER | WS_GROUP, 0},
        /* 5 */ {"COMBOBOX 1,0,0,10,10", kChild | CBS_SIMPLE | WS_TABSTOP, 0},
        /* 6 */ {"ICON 5,-1,0,0", kChild | SS_ICON, 0},
        /* 7 */ {"ICON 5,-1,0,0,20,20,0,WS_EX_TRANSPARENT", kChild | SS_ICON, WS_EX_TRANSPARENT},
        /* 8 */
        {"CONTROL \"a\",1,\"Button\",BS_AUTOCHECKBOX | WS_TABSTOP,0,0,10,10",
         kChild | 0x3 | WS_TABSTOP, 0},
        /* 9 */
        {"CONTROL \"\",1,\"Static\",SS_BLACKRECT,0,0,10,10,WS_EX_CLIENTEDGE", kChild | 0x4,
         kExClientEdge},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].statement);
        afx::RcControl c = OneControl(cases[i].statement);
        EXPECT_EQ(c.style, cases[i].style) << std::hex << c.style;
        EXPECT_EQ(c.exStyle, cases[i].exStyle) << std::hex << c.exStyle;
    }
}

TEST(ScriptReader, NotClearsBitsInTheOrderWritten)
{
    const StyleCase cases[] = {
        /* 0 */ {"PUSHBUTTON \"a\",1,0,0,10,10,NOT WS_TABSTOP", kChild, 0},
        /* 1 */
        {"PUSHBUTTON \"a\",1,0,0,10,10,NOT WS_TABSTOP | WS_TABSTOP", kChild | WS_TABSTOP, 0},
        /* 2 */
        {"PUSHBUTTON \"a\",1,0,0,10,10,WS_DISABLED | NOT WS_DISABLED", kChild | WS_TABSTOP, 0},
        /* 3 */ {"CONTROL \"a\",1,\"Static\",NOT WS_VISIBLE,0,0,10,10", WS_CHILD, 0},
        /* 4 */
        {"LTEXT \"a\",1,0,0,10,10,WS_DISABLED | NOT WS_GROUP,WS_EX_STATICEDGE",
         kChild | WS_DISABLED, kExStaticEdge},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].statement);
        afx::RcControl c = OneControl(cases[i].statement);
        EXPECT_EQ(c.style, cases[i].style) << std::hex << c.style;
        EXPECT_EQ(c.exStyle, cases[i].exStyle) << std::hex << c.exStyle;
    }
}

// The type bits a statement writes replace its default type instead of being or-ed into it:
// CBS_SIMPLE | CBS_DROPDOWN would make a drop-down list, SS_CENTER | SS_RIGHT an icon.
TEST(ScriptReader, AWrittenControlTypeReplacesTheDefaultOne)
{
    struct
    {
        const char* statement;
        DWORD mask;
        DWORD type;
    } cases[] = {
        /* 0 */ {"COMBOBOX 1,0,0,10,10,CBS_DROPDOWN | WS_VSCROLL", 0x3, CBS_DROPDOWN},
        /* 1 */ {"COMBOBOX 1,0,0,10,10,CBS_DROPDOWNLIST", 0x3, CBS_DROPDOWNLIST},
        /* 2 */ {"COMBOBOX 1,0,0,10,10,CBS_SORT", 0x3, CBS_SIMPLE},
        /* 3 */ {"CTEXT \"a\",1,0,0,10,10,SS_RIGHT", SS_TYPEMASK, SS_RIGHT},
        /* 4 */ {"ICON \"a\",1,0,0,0,0,SS_CENTERIMAGE", SS_TYPEMASK, SS_ICON},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].statement);
        afx::RcControl c = OneControl(cases[i].statement);
        EXPECT_EQ(c.style & cases[i].mask, cases[i].type) << std::hex << c.style;
        EXPECT_EQ(c.style & kChild, kChild);
    }
}

TEST(ScriptReader, ControlFieldsAndExpressions)
{
    afx::RcControl c = OneControl("LTEXT \"x\",(1000 + 8) | 1,10+5,2*3,0x10,20L");
    EXPECT_EQ(c.className, "STATIC");
    EXPECT_EQ(c.id, 1009);
    EXPECT_EQ(std::vector<int>({c.x, c.y, c.cx, c.cy}), std::vector<int>({15, 6, 16, 20}));
    EXPECT_EQ(c.line, 4);

    afx::RcControl icon = OneControl("ICON 134,IDC_STATIC,1,2");
    EXPECT_EQ(icon.iconId, 134);
    EXPECT_EQ(icon.id, -1);
    EXPECT_EQ(icon.text, "");
    EXPECT_EQ(std::vector<int>({icon.cx, icon.cy}), std::vector<int>({0, 0}));

    afx::RcControl named = OneControl("CONTROL 7,-1,\"Static\",SS_ICON,0,0,20,20");
    EXPECT_EQ(named.iconId, 7);
    EXPECT_EQ(named.className, "Static");
}

TEST(ScriptReader, DialogStyleDefaults)
{
    struct
    {
        const char* options;
        DWORD style;
    } cases[] = {
        /* 0 */ {"", WS_POPUP | WS_BORDER | WS_SYSMENU},
        /* 1 */ {"CAPTION \"t\"\n", WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION},
        /* 2 */ {"STYLE WS_POPUP\n", WS_POPUP},
        /* 3 */ {"STYLE WS_POPUP\nFONT 8, \"f\"\n", WS_POPUP | DS_SETFONT},
        /* 4 */ {"STYLE WS_POPUP | WS_VISIBLE | NOT WS_VISIBLE\n", WS_POPUP},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        std::string text = "#include \"afxres.h\"\n7 DIALOG 1, 2, 3, 4\n" +
                           std::string(cases[i].options) + "BEGIN\nEND\n";
        afx::RcScript script = ParseWith(text);
        ASSERT_NE(script.FindDialog(7), nullptr);
        EXPECT_EQ(script.FindDialog(7)->style, cases[i].style)
            << std::hex << script.FindDialog(7)->style;
        EXPECT_EQ(script.FindDialog(7)->language, 0);
    }
}

TEST(ScriptReader, LanguageAppliesToTheResourcesAfterIt)
{
    afx::RcScript script = ParseWith("#include \"windows.h\"\n"
                                     "1 DIALOG 0,0,1,1\nBEGIN\nEND\n"
                                     "LANGUAGE LANG_FRENCH, SUBLANG_FRENCH\n"
                                     "2 DIALOG 0,0,1,1\nBEGIN\nEND\n"
                                     "LANGUAGE 9, 1\n"
                                     "3 DIALOG 0,0,1,1\nBEGIN\nEND\n");
    EXPECT_EQ(script.FindDialog(1)->language, 0);
    EXPECT_EQ(script.FindDialog(2)->language, 0x040C);
    EXPECT_EQ(script.FindDialog(3)->language, 0x0409);
}

// Each script defines string 1; the case gives the text it must end with.
TEST(ScriptReader, Preprocessor)
{
    struct
    {
        const char* script;
        const char* text;
    } cases[] = {
        /* 0 */ {"#define A\n#ifdef A\nSTRINGTABLE BEGIN 1 \"y\" END\n#else\nSTRINGTABLE BEGIN 1 "
                 "\"n\" END\n#endif\n",
                 "y"},
        /* 1 */ {"#ifndef A\nSTRINGTABLE BEGIN 1 \"y\" END\n#endif\n", "y"},
        /* 2 */
        {"#if !defined(A) || defined(B)\nSTRINGTABLE BEGIN 1 \"y\" END\n#endif\n", "y"},
        /* 3 */
        {"#define A\n#if defined(A) && defined B\nSTRINGTABLE BEGIN 1 \"n\" END\n#else\n"
         "STRINGTABLE BEGIN 1 \"y\" END\n#endif\n",
         "y"},
        /* 4 */
        {"#define V 2\n#if V == 1\n#error one\n#elif V == 2\nSTRINGTABLE BEGIN 1 \"two\" END\n"
         "#elif V == 2\n#error again\n#else\n#error other\n#endif\n",
         "two"},
        /* 5 */
        {"#define A\n#undef A\n#ifdef A\n#error defined\n#endif\nSTRINGTABLE BEGIN 1 \"y\" END\n",
         "y"},
        /* 6 */
        {"#if 0\n#if 1\n#bogus\nFOO BAR\n#endif\n#endif\nSTRINGTABLE BEGIN 1 \"y\" END\n", "y"},
        /* 7 */
        {"/* a comment\n#error in a comment\n*/ STRINGTABLE BEGIN 1 \"y\" END // END\n", "y"},
        /* 8 */ {"STRINGTABLE BEGIN 1 \"a // b /* c\" END\n", "a // b /* c"},
        /* 9 */ {"STRINGTABLE BEGIN 1, \"say \"\"hi\"\"\" END\n", "say \"hi\""},
        /* 10 */ {"STRINGTABLE BEGIN 1 \"\\t\\n\\\\\\x41\\101\" END\n", "\t\n\\AA"},
        /* 11 */ {"#define X Y\n#define Y 1\nSTRINGTABLE BEGIN X \"y\" END\n", "y"},
        /* 12 */ {"#pragma code_page(1252)\r\nSTRINGTABLE\r\nBEGIN\r\n1 \"é\"\r\nEND\r\n", "é"},
        /* 13 */ {"STRINGTABLE DISCARDABLE { 0x1L \"y\" }\n", "y"},
        /* 14 */
        {"#if RC_INVOKED && defined(_WIN32) && !defined(_MAC)\nSTRINGTABLE BEGIN 1 \"y\" "
         "END\n#endif\n",
         "y"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        try
        {
            afx::RcScript script = ParseWith(cases[i].script);
            EXPECT_EQ(script.strings, (std::map<int, std::string>{{1, cases[i].text}}));
        }
        catch (const afx::RcError& e)
        {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST(ScriptReader, HeadersComeThroughTheResolver)
{
    const std::map<std::string, std::string> files = {
        {"resource.h", "#define IDS_ONE 5\n#include \"more.h\"\n"},
        {"more.h", "#define IDS_TWO (IDS_ONE + 1)\n"},
    };
    afx::RcScript script = ParseWith(
        "#include \"resource.h\"\nSTRINGTABLE BEGIN IDS_ONE \"1\" IDS_TWO \"2\" END\n", files);
    EXPECT_EQ(script.strings, (std::map<int, std::string>{{5, "1"}, {6, "2"}}));
}

struct ErrorCase
{
    const char* script;
    const char* file;
    int line;
    const char* message;
};

TEST(ScriptReader, RefusalsNameTheFileAndLine)
{
    const std::string ico = resources_test::AsString(resources_test::IconFile(
        {resources_test::BitmapHeader(1, 1, 32).raw({0, 0, 0, 0xFF}).raw({0, 0, 0, 0})}));
    const std::map<std::string, std::string> files = {
        {"bad.h", "#define A 1\n#bogus\n"},
        {"ok.ico", ico},
        {"junk.ico", "not an icon"},
    };
    const char* dialogHead = "#include \"afxres.h\"\n1 DIALOG 0,0,1,1\n"; // lines 1 and 2
    const ErrorCase cases[] = {
        /* 0 */ {"\n\nFOO\n", "t.rc", 3, "unknown statement FOO"},
        /* 1 */ {"100 MENU\nBEGIN\nEND\n", "t.rc", 1, "unknown statement MENU"},
        /* 2 */ {"MENU1 MENU\n", "t.rc", 1, "unknown statement MENU1"},
        /* 3 */ {"IDD_X DIALOG 0,0,1,1\n", "t.rc", 1, "undefined symbol IDD_X"},
        /* 4 */ {"BEGIN\n", "t.rc", 1, "unknown statement BEGIN"},
        /* 5 */ {"\n#include \"missing.h\"\n", "t.rc", 2, "cannot open include file 'missing.h'"},
        /* 6 */ {"#include \"bad.h\"\n", "bad.h", 2, "unknown directive #bogus"},
        /* 7 */ {"#if 1\n\n", "t.rc", 1, "#if without #endif"},
        /* 8 */ {"\n#endif\n", "t.rc", 2, "#endif without #if"},
        /* 9 */ {"#else\n", "t.rc", 1, "#else without #if"},
        /* 10 */ {"#if 1\n#else\n#else\n#endif\n", "t.rc", 3, "#else after #else"},
        /* 11 */ {"/* open\n\n", "t.rc", 1, "unterminated comment"},
        /* 12 */ {"STRINGTABLE BEGIN\n1 \"open\nEND\n", "t.rc", 2, "unterminated string"},
        /* 13 */ {"STRINGTABLE BEGIN 1 \"a\" 1 \"b\" END\n", "t.rc", 1, "string 1 is already"},
        /* 14 */ {"STRINGTABLE BEGIN 1 \"a\"\n", "t.rc", 1, "missing END"},
        /* 15 */ {"#pragma code_page(65001)\n", "t.rc", 1, "code page 65001 is not supported"},
        /* 16 */ {"#pragma once\n", "t.rc", 1, "unknown pragma once"},
        /* 17 */ {"#define F(x) x\n", "t.rc", 1, "macros with parameters are not supported"},
        /* 18 */ {"1 ICON \"none.ico\"\n", "t.rc", 1, "cannot open icon file 'none.ico'"},
        /* 19 */ {"1 ICON \"junk.ico\"\n", "t.rc", 1, "'junk.ico' is not an icon file"},
        /* 20 */ {"1 ICON \"ok.ico\"\n1 ICON \"ok.ico\"\n", "t.rc", 2, "icon 1 is already"},
        /* 21 */ {"#error stop here\n", "t.rc", 1, "#error stop here"},
        /* 22 */ {"STRINGTABLE BEGIN 1 'a' END\n", "t.rc", 1, "unexpected character '''"},
        /* 23 */ {"STRINGTABLE BEGIN 1 \"\\q\" END\n", "t.rc", 1, "unknown escape sequence \\q"},
        /* 24 */ {"#if 1 / 0\n#endif\n", "t.rc", 1, "division by zero"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        try
        {
            ParseWith(cases[i].script, files);
            ADD_FAILURE() << "accepted";
        }
        catch (const afx::RcError& e)
        {
            EXPECT_EQ(e.file, cases[i].file);
            EXPECT_EQ(e.line, cases[i].line);
            const std::string prefix =
                std::string(cases[i].file) + "(" + std::to_string(cases[i].line) + "): ";
            EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
            EXPECT_NE(std::string(e.what()).find(cases[i].message), std::string::npos) << e.what();
        }
    }

    // Inside a dialog template (its head takes lines 1 and 2).
    const ErrorCase inDialog[] = {
        /* 0 */ {"MENU 5\nBEGIN\nEND\n", "t.rc", 3, "unknown statement MENU"},
        /* 1 */ {"BEGIN\n  RTEXT \"a\",1,0,0,1,1\nEND\n", "t.rc", 4, "unknown statement RTEXT"},
        /* 2 */
        {"BEGIN\n  LTEXT \"a\",IDC_NOPE,0,0,1,1\nEND\n", "t.rc", 4, "undefined symbol IDC_NOPE"},
        /* 3 */ {"BEGIN\n  LTEXT \"a\" 1,0,0,1,1\nEND\n", "t.rc", 4, "expected ','"},
        /* 4 */
        {"BEGIN\n  LTEXT \"a\",1,NOT 1,0,1,1\nEND\n", "t.rc", 4, "NOT is allowed in styles"},
        /* 5 */ {"BEGIN\n  CONTROL 7,1,\"Button\",0,0,0,1,1\nEND\n", "t.rc", 4, "SS_ICON"},
        /* 6 */ {"BEGIN\n  PUSHBUTTON \"a\",1,0,0,1,1\n", "t.rc", 4, "missing END"},
    };
    for (std::size_t i = 0; i < std::size(inDialog); ++i)
    {
        SCOPED_TRACE("dialog case " + std::to_string(i));
        try
        {
            ParseWith(dialogHead + std::string(inDialog[i].script), files);
            ADD_FAILURE() << "accepted";
        }
        catch (const afx::RcError& e)
        {
            EXPECT_EQ(e.file, inDialog[i].file);
            EXPECT_EQ(e.line, inDialog[i].line) << e.what();
            EXPECT_NE(std::string(e.what()).find(inDialog[i].message), std::string::npos)
                << e.what();
        }
    }
}

TEST(ScriptReader, BuiltInSymbolsComeWithTheirHeaderOnly)
{
    EXPECT_THROW(ParseWith("STRINGTABLE BEGIN IDOK \"a\" END\n"), afx::RcError);
    EXPECT_EQ(
        ParseWith("#include <WINDOWS.H>\nSTRINGTABLE BEGIN IDOK \"a\" END\n").strings.count(1), 1u);
}

TEST(ScriptReader, VersionValuesStopAtTheirTerminator)
{
    afx::RcScript script = ParseWith("1 VERSIONINFO\n FILEVERSION 3,4\nBEGIN\n"
                                     " BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"0409fDe9\"\n"
                                     "  BEGIN\n   VALUE \"A\", \"x\\0\"\n   VALUE \"B\", \"\"\n"
                                     "  END\n END\nEND\n");
    EXPECT_EQ(script.version.fileVersionMS, 0x00030004u);
    EXPECT_EQ(script.version.fileVersionLS, 0u);
    EXPECT_EQ(script.version.blockName, "0409FDE9");
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(script.version.strings, (Pairs{{"A", "x"}, {"B", ""}}));
}

} // namespace
