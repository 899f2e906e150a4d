// The reader of the program's compiled resources over any bytes: it must read them or say why
// not, the same way each time, and whatever it returns must hold together.
#include "afxresources.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace
{
void Check(bool ok, const char* what)
{
    if (!ok)
    {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

// What a reading says, in a form two readings can be compared by.
std::string Summary(const afx::ResourceReading& r)
{
    if (!r.resources)
        return "error: " + r.error;
    std::string s;
    for (const auto& [id, dialog] : r.resources->dialogs)
        s += "d" + std::to_string(id) + ":" + std::to_string(dialog.controls.size()) + ";";
    for (const auto& [id, icon] : r.resources->icons)
        s += "i" + std::to_string(id) + ":" + std::to_string(icon.images.size()) + ";";
    for (const auto& [id, text] : r.resources->strings)
        s += "s" + std::to_string(id) + "=" + text + ";";
    s += "v" + r.resources->originalFilename;
    return s;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact copy, so that a read one byte past the input stops the run.
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[size]);
    if (size > 0)
        std::memcpy(bytes.get(), data, size);

    const afx::ResourceReading first = afx::ReadResources(bytes.get(), size);
    Check(first.resources.has_value() != !first.error.empty(), "exactly one of resources or error");
    if (first.resources)
    {
        for (const auto& [id, icon] : first.resources->icons)
        {
            Check(!icon.images.empty(), "an icon group read without images");
            for (const afx::RcIconImage& image : icon.images)
                Check(image.width > 0 && image.height > 0 &&
                          image.argb.size() == static_cast<std::size_t>(image.width) * image.height,
                      "an icon image whose pixels do not fill it");
        }
        for (const auto& [id, text] : first.resources->strings)
            Check(!text.empty(), "an empty string kept in the table");
    }
    Check(Summary(afx::ReadResources(bytes.get(), size)) == Summary(first),
          "the same bytes read twice differ");
    return 0;
}
