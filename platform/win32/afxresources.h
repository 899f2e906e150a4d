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
#include <utility>
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
    int id = 0;
    bool extended = false; // DIALOGEX
    std::string caption;
    DWORD style = 0, exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string fontFace;
    int pointSize = 0;
    WORD language = 0;               // 0x040C for French (France)
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
    int id = 0;
    std::vector<RcIconImage> images; // in the group's order
    WORD language = 0;
};

struct RcVersion
{
    DWORD fileVersionMS = 0, fileVersionLS = 0, productVersionMS = 0, productVersionLS = 0;
    DWORD fileFlagsMask = 0, fileFlags = 0, fileOS = 0, fileType = 0, fileSubtype = 0;
    std::string blockName;                                    // "040c04b0", as written
    std::vector<std::pair<std::string, std::string>> strings; // in stored order
    std::vector<WORD> translation;                            // 0x040C, 0x04B0
    WORD language = 0;
};

// One resource of the file, whatever its type: what the reader met, for checks.
struct RcEntry
{
    int type = 0; // ordinal, or -1 for a named type
    int id = 0;   // ordinal, or -1 for a named resource
    WORD language = 0;
};

struct Resources
{
    std::map<int, RcDialog> dialogs;
    std::map<int, std::string> strings; // string table, code page 1252; empty strings left out
    std::map<int, RcIcon> icons;        // icon groups
    RcVersion version;
    std::vector<RcEntry> entries; // file order
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
// Read at first use. Damaged resources stop the program with "<program>: ressources
// endommagées : <why>" on stderr and exit status 1. Without a registered module the resources
// are empty.
const Resources& GetResources();
// Tests: replace the application's resources (nullptr restores the registered module's).
void SetResourcesForTesting(const Resources* resources);

} // namespace afx

// The string table lookup behind CString::LoadString: true when string nID exists and is not empty,
// as Windows' LoadString counts it; text is then the string, else empty.
bool AfxLoadStringResource(UINT nID, std::string& text);
// The module's name without extension, as Windows gives it to the application object.
std::string AfxModuleName(const char* executablePath);
