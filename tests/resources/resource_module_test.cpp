// The resources embedded in the program by the build, the string table lookup, and the build tool
// refusing a script.
#include "ResourceTestSupport.h"

#include <windows.h>

#include <cstdio>
#include <sys/wait.h>

using resources_test::ReadProgramScript;
using resources_test::TempDir;

namespace
{

void ExpectSameDialog(const afx::RcDialog& a, const afx::RcDialog& b)
{
    EXPECT_EQ(a.caption, b.caption);
    EXPECT_EQ(a.style, b.style);
    EXPECT_EQ(a.exStyle, b.exStyle);
    EXPECT_EQ(a.fontFace, b.fontFace);
    ASSERT_EQ(a.controls.size(), b.controls.size());
    for (std::size_t i = 0; i < a.controls.size(); ++i)
    {
        const afx::RcControl &x = a.controls[i], &y = b.controls[i];
        EXPECT_EQ(x.className, y.className) << i;
        EXPECT_EQ(x.text, y.text) << i;
        EXPECT_EQ(x.id, y.id) << i;
        EXPECT_EQ(x.style, y.style) << i;
        EXPECT_EQ(std::vector<int>({x.x, x.y, x.cx, x.cy}),
                  std::vector<int>({y.x, y.y, y.cx, y.cy}))
            << i;
    }
}

// What the build embedded is what the source tree holds: script, header and icon files.
TEST(ResourceModule, EmbeddedResourcesAreTheSourceTrees)
{
    const afx::RcScript& embedded = afx::GetResources();
    const afx::RcScript source = ReadProgramScript();
    ASSERT_EQ(embedded.dialogs.size(), source.dialogs.size());
    for (const auto& [id, dialog] : source.dialogs)
    {
        SCOPED_TRACE("dialog " + std::to_string(id));
        ASSERT_NE(embedded.FindDialog(id), nullptr);
        ExpectSameDialog(*embedded.FindDialog(id), dialog);
    }
    EXPECT_EQ(embedded.strings, source.strings);
    ASSERT_EQ(embedded.icons.size(), source.icons.size());
    for (const auto& [id, icon] : source.icons)
    {
        ASSERT_NE(embedded.FindIcon(id), nullptr) << id;
        EXPECT_EQ(embedded.FindIcon(id)->bytes, icon.bytes) << id;
        EXPECT_EQ(embedded.FindIcon(id)->images.size(), icon.images.size()) << id;
    }
    EXPECT_EQ(embedded.version.strings, source.version.strings);
}

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
    afx::RcScript replacement;
    replacement.strings[101] = "";
    replacement.strings[7] = "Autre";
    afx::SetResourcesForTesting(&replacement);
    std::string text = "previous";
    EXPECT_FALSE(AfxLoadStringResource(101, text)) << "an empty string counts as none";
    EXPECT_EQ(text, "");
    EXPECT_TRUE(AfxLoadStringResource(7, text));
    EXPECT_EQ(text, "Autre");
    EXPECT_EQ(afx::GetResources().FindDialog(102), nullptr);

    afx::SetResourcesForTesting(nullptr);
    EXPECT_TRUE(AfxLoadStringResource(101, text));
    EXPECT_EQ(text, "&A propos de Quintor...");
    EXPECT_NE(afx::GetResources().FindDialog(102), nullptr);
}

struct ToolRun
{
    int status;
    std::string output;
};

ToolRun RunTool(const std::string& arguments)
{
    std::string tool = resources_test::TestBinDir() + "/../platform/afxrc";
    std::string command = "'" + tool + "' " + arguments + " 2>&1";
    ToolRun run{-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        run.output += buffer;
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(ResourceTool, RefusesABadScriptWithFileAndLine)
{
    TempDir dir;
    resources_test::WriteFile(dir / "header.h", "#define IDD_X 5\n");
    struct
    {
        const char* name;
        const char* script;
        std::string message;
    } cases[] = {
        /* 0 */ {"bad.rc", "#include \"afxres.h\"\r\n\r\nFOO BAR\r\n",
                 dir / "bad.rc(3): unknown statement FOO"},
        /* 1 */
        {"noinc.rc", "#include \"header.h\"\n#include \"gone.h\"\n",
         dir / "noinc.rc(2): cannot open include file 'gone.h'"},
        /* 2 */
        {"noicon.rc", "1 ICON \"gone.ico\"\n",
         dir / "noicon.rc(1): cannot open icon file 'gone.ico'"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        resources_test::WriteFile(dir / cases[i].name, cases[i].script);
        ToolRun run = RunTool("--include-dir '" + dir.path() + "' '" + (dir / cases[i].name) +
                              "' '" + (dir / "out.cpp") + "'");
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(run.output, cases[i].message + "\n");
        EXPECT_FALSE(std::filesystem::exists(dir / "out.cpp"));
    }
}

TEST(ResourceTool, FindsFilesBesideTheScriptThenInTheIncludeDirectories)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "res");
    std::filesystem::create_directory(dir / "inc");
    resources_test::WriteFile(dir / "inc/ids.h", "#define IDS_A 3\n");
    resources_test::WriteFile(dir / "res/t.rc",
                              "#include \"ids.h\"\nSTRINGTABLE BEGIN IDS_A \"a\" END\n");
    ToolRun run = RunTool("--include-dir '" + (dir / "inc") + "' '" + (dir / "res/t.rc") + "' '" +
                          (dir / "out.cpp") + "'");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_TRUE(std::filesystem::exists(dir / "out.cpp"));
}

} // namespace
