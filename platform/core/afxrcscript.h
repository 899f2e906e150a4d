// The resource script reader: reads the program's .rc file (dialog templates, icons, string table,
// version block) the way the Windows resource compiler does, and the application's registry of its
// embedded resources. Shared by the framework and the build-time tool afxrc, so it needs nothing
// but the standard library.
#pragma once

#include <windef.h>

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace afx
{

struct RcControl
{
    std::string
        className; // "BUTTON", "COMBOBOX", "STATIC", "msctls_trackbar32" (as written for CONTROL)
    std::string text;                 // CP1252 bytes; empty for an ICON control that names an icon
    int iconId = 0;                   // the icon resource of an ICON/SS_ICON control, else 0
    int id = 0;                       // IDC_STATIC gives -1
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units
    DWORD style = 0, exStyle = 0;
    int line = 0; // line of the statement in the script
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
    WORD language = 0;               // MAKELANGID, 0x040C
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
    std::string fileName;
    std::vector<unsigned char> bytes; // the .ico file
    std::vector<RcIconImage> images;  // decoded, in file order
    WORD language = 0;
};

struct RcVersion
{
    DWORD fileVersionMS = 0, fileVersionLS = 0, productVersionMS = 0, productVersionLS = 0;
    DWORD fileFlagsMask = 0, fileFlags = 0, fileOS = 0, fileType = 0, fileSubtype = 0;
    std::string blockName;                                    // "040C04B0"
    std::vector<std::pair<std::string, std::string>> strings; // in script order
    std::vector<DWORD> translation;                           // 0x040C, 0x04B0
    WORD language = 0;
};

struct RcScript
{
    std::map<int, RcDialog> dialogs;
    std::map<int, std::string> strings; // string table, CP1252
    std::map<int, RcIcon> icons;
    RcVersion version;
    const RcDialog* FindDialog(int id) const;
    const RcIcon* FindIcon(int id) const;
};

class RcError : public std::runtime_error
{
public:
    RcError(std::string file, int line,
            const std::string& message); // what(): "file(line): message"
    std::string file;
    int line;
};

// Reads a script; openFile(name, contents) supplies #include'd headers and the icon files it names
// (relative names as written). Throws RcError.
RcScript ParseResourceScript(const std::string& fileName, const std::string& text,
                             const std::function<bool(const std::string&, std::string&)>& openFile);
// Decodes the BMP images of an .ico file (1, 4, 8, 24 and 32 bits per pixel); false when the file
// is not one (PNG images included).
bool DecodeIconFile(const std::vector<unsigned char>& ico, std::vector<RcIconImage>& images);

// The application's resources. The generated module (QuintorRes.cpp) registers the embedded script
// text, its include files and icon files at static-initialisation time with:
void RegisterResourceModule(const char* fileName, const char* scriptText,
                            const std::map<std::string, std::string>* files);
// Parsed at first use. A script that does not read stops the program with "file(line): message"
// on stderr and exit status 1. Without a registered module the resources are empty.
const RcScript& GetResources();
// Tests: replace the application's resources (nullptr restores the registered module's).
void SetResourcesForTesting(const RcScript* script);

} // namespace afx

// The string table lookup behind CString::LoadString: true when string nID exists and is not empty,
// as Windows' LoadString counts it; text is then the string, else empty.
bool AfxLoadStringResource(UINT nID, std::string& text);
// The module's name without extension, as Windows gives it to the application object.
std::string AfxModuleName(const char* executablePath);
