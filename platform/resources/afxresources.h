// The application's resources as the layer uses them: dialog templates, icons, the string table
// and the version block, read from the compiled resource file (.res) that the build embeds in the
// program. Needs nothing but the standard library, so that any test program can call the reader.
#pragma once

#include <windef.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace afx
{

struct RcControl
{
    // "BUTTON", "STATIC", "COMBOBOX" for the compiler's class ordinals, else the name as stored
    // (the compiler upper-cases it: "MSCTLS_TRACKBAR32").
    std::string className;
    std::string text;                 // code page 1252; empty when the title is an ordinal
    int iconId = 0;                   // the ordinal title of an SS_ICON control, else 0
    int id = 0;                       // IDC_STATIC gives -1
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units
    DWORD style = 0, exStyle = 0;
};

struct RcDialog
{
    std::string caption;
    DWORD style = 0, exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string fontFace;
    int pointSize = 0;
    std::vector<RcControl> controls; // template order
};

struct RcIconImage
{
    int width = 0, height = 0, bitCount = 0;
    // width*height, top row first, 0xAARRGGBB (alpha from the mask or the 32-bit alpha)
    std::vector<std::uint32_t> argb;
};

struct RcIcon
{
    std::vector<RcIconImage> images; // in the group's order
};

struct Resources
{
    std::map<int, RcDialog> dialogs;
    std::map<int, std::string> strings; // string table, code page 1252; empty strings left out
    std::map<int, RcIcon> icons;        // icon groups
    // The version block's OriginalFilename, in its first string table; empty without one.
    std::string originalFilename;
    const RcDialog* FindDialog(int id) const;
    const RcIcon* FindIcon(int id) const;
};

struct ResourceReading
{
    std::optional<Resources> resources; // set when the file reads
    std::string error;                  // else why not, in French, e.g. "dialogue 102 : ..."
};

// Reads a compiled resource file. Any bytes may come in: damage of any kind gives an error, never
// a crash, a wait or an allocation beyond a small multiple of the input's size.
ResourceReading ReadResources(const unsigned char* data, std::size_t size);

// Decodes an icon image as stored in an RT_ICON resource or an .ico file: a bitmap (header,
// palette, colour rows, mask) of 1, 4, 8, 24 or 32 bits per pixel. Returns nullptr on success,
// else why the image cannot be read (PNG images included).
const char* DecodeIconImage(const unsigned char* data, std::size_t size, RcIconImage& image);

// The application's resources. The generated module registers the embedded .res file, and the
// program's name for messages, at static-initialisation time with:
void RegisterResourceModule(const char* programName, const unsigned char* data, std::size_t size);
// The resources of the handle AfxSetResourceHandle chose, by default the module's: those are read
// at first use, and damage stops the program with "<program>: ressources endommagées : <why>" on
// stderr and exit status 1. Without a registered module the resources are empty.
const Resources& GetResources();

} // namespace afx

namespace afx
{
// What a resource handle stands for: resources already read. A handle is the address of one,
// cast to HINSTANCE.
struct ResourceSet
{
    Resources resources;
};
inline ResourceSet* ResourcesOf(HINSTANCE h)
{
    return reinterpret_cast<ResourceSet*>(h);
}
inline HINSTANCE ToHinstance(ResourceSet* set)
{
    return reinterpret_cast<HINSTANCE>(set);
}
} // namespace afx

// The string table lookup behind CString::LoadString: true when string nID exists and is not empty,
// as Windows' LoadString counts it; text is then the string, else empty.
bool AfxLoadStringResource(UINT nID, std::string& text);
