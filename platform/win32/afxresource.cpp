// The application's resources: the compiled resource file that the generated module embeds, read
// once at first use, and the lookups the framework makes in it.
#include "afxcp1252.h"
#include "afxresources.h"

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
    std::string programName;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    bool read = false;
    Resources resources;
};

// Registration happens during static initialisation, in whatever order the objects come, and
// lookups may come from destructors at exit: the module is built on first use and never freed.
Module& TheModule()
{
    static Module* module = new Module;
    return *module;
}

std::atomic<const Resources*> g_testResources{nullptr};

} // namespace

void RegisterResourceModule(const char* programName, const unsigned char* data, std::size_t size)
{
    Module& m = TheModule();
    std::lock_guard<std::mutex> lock(m.mutex);
    m.registered = true;
    m.programName = programName != nullptr ? programName : "";
    m.data = data;
    m.size = size;
    m.read = false;
    m.resources = Resources();
}

const Resources& GetResources()
{
    if (const Resources* test = g_testResources.load())
        return *test;
    Module& m = TheModule();
    std::string failure;
    {
        std::lock_guard<std::mutex> lock(m.mutex);
        if (!m.read && m.registered)
        {
            ResourceReading reading = ReadResources(m.data, m.size);
            if (reading.resources)
                m.resources = std::move(*reading.resources);
            else
                failure = m.programName + ": ressources endommagées: " + reading.error;
        }
        m.read = failure.empty();
    }
    if (!failure.empty())
    {
        // The build wrote these very bytes, so the program itself is damaged: nothing sensible
        // can be shown without its windows.
        std::fprintf(stderr, "%s\n", Cp1252ToUtf8(failure).c_str());
        std::exit(1);
    }
    return m.resources;
}

void SetResourcesForTesting(const Resources* resources)
{
    g_testResources.store(resources);
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
    const afx::Resources& resources = afx::GetResources();
    auto it = resources.strings.find(static_cast<int>(nID));
    if (it == resources.strings.end() || it->second.empty())
    {
        text.clear();
        return false;
    }
    text = it->second;
    return true;
}
