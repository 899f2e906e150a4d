// The application's resources: the compiled resource file that the generated module embeds, read
// once at first use, the resource handle that may choose others, and the lookups made in them.
#include "afxcp1252.h"
#include "afxresources.h"

#include <afxwin.h>

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
    ResourceSet instance;
};

// Registration happens during static initialisation, in whatever order the objects come, and
// lookups may come from destructors at exit: the module is built on first use and never freed.
Module& TheModule()
{
    static Module* module = new Module;
    return *module;
}

// Null while the module's own resources are in use.
std::atomic<HINSTANCE> g_chosen{nullptr};

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
    m.instance.resources = Resources();
}

const Resources& GetResources()
{
    if (HINSTANCE chosen = g_chosen.load())
        return ResourcesOf(chosen)->resources;
    Module& m = TheModule();
    std::string failure;
    {
        std::lock_guard<std::mutex> lock(m.mutex);
        if (!m.read && m.registered)
        {
            ResourceReading reading = ReadResources(m.data, m.size);
            if (reading.resources)
                m.instance.resources = std::move(*reading.resources);
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
    return m.instance.resources;
}

} // namespace afx

HINSTANCE AfxGetResourceHandle()
{
    HINSTANCE chosen = afx::g_chosen.load();
    return chosen != nullptr ? chosen : afx::ToHinstance(&afx::TheModule().instance);
}

void AfxSetResourceHandle(HINSTANCE hInstResource)
{
    afx::g_chosen.store(
        hInstResource == afx::ToHinstance(&afx::TheModule().instance) ? nullptr : hInstResource);
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
