// The application's resources: the script that the generated module embeds, read once at first
// use, and the string table lookup behind CString::LoadString.
#include "afxrcscript.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace afx
{
namespace
{

struct Module
{
    std::mutex mutex;
    bool registered = false;
    std::string fileName;
    std::string script;
    std::map<std::string, std::string> files;
    bool parsed = false;
    RcScript resources;
};

// Registration happens during static initialisation, in whatever order the objects come, and
// lookups may come from destructors at exit: the module is built on first use and never freed.
Module& TheModule()
{
    static Module* module = new Module;
    return *module;
}

std::atomic<const RcScript*> g_testResources{nullptr};

} // namespace

void RegisterResourceModule(const char* fileName, const char* scriptText,
                            const std::map<std::string, std::string>* files)
{
    Module& m = TheModule();
    std::lock_guard<std::mutex> lock(m.mutex);
    m.registered = true;
    m.fileName = fileName ? fileName : "";
    m.script = scriptText ? scriptText : "";
    m.files = files ? *files : std::map<std::string, std::string>();
    m.parsed = false;
    m.resources = RcScript();
}

const RcScript& GetResources()
{
    if (const RcScript* test = g_testResources.load())
        return *test;
    Module& m = TheModule();
    std::lock_guard<std::mutex> lock(m.mutex);
    if (!m.parsed && m.registered)
    {
        auto open = [&m](const std::string& name, std::string& contents)
        {
            auto it = m.files.find(name);
            if (it == m.files.end())
                return false;
            contents = it->second;
            return true;
        };
        try
        {
            m.resources = ParseResourceScript(m.fileName, m.script, open);
        }
        catch (const RcError& e)
        {
            // The build checked this very text, so this is a damaged program: nothing sensible
            // can be shown without its windows.
            std::fprintf(stderr, "%s\n", e.what());
            std::exit(1);
        }
    }
    m.parsed = true;
    return m.resources;
}

void SetResourcesForTesting(const RcScript* script)
{
    g_testResources.store(script);
}

} // namespace afx

std::string AfxModuleName(const char* executablePath)
{
    // Windows names a module after its file: the version resource's original file name says what
    // that file is called where the program was written, whatever the Linux file is called.
    for (const auto& [key, value] : afx::GetResources().version.strings)
        if (key == "OriginalFilename" && !value.empty())
            return value.substr(0, value.rfind('.'));
    std::string name = executablePath != nullptr ? executablePath : "";
    std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

bool AfxLoadStringResource(UINT nID, std::string& text)
{
    const afx::RcScript& resources = afx::GetResources();
    auto it = resources.strings.find(static_cast<int>(nID));
    if (it == resources.strings.end() || it->second.empty())
    {
        text.clear();
        return false;
    }
    text = it->second;
    return true;
}
