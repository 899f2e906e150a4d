// Resource script reader. It knows the statements, preprocessor directives and expressions that
// the program's script uses, and computes control styles as the Windows resource compiler does;
// anything else is refused with the file and line, so that a slip in the script stops the build
// instead of showing a different window.
#include "afxrcscript.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

namespace afx
{

RcError::RcError(std::string file_, int line_, const std::string& message)
    : std::runtime_error(file_ + "(" + std::to_string(line_) + "): " + message),
      file(std::move(file_)), line(line_)
{
}

const RcDialog* RcScript::FindDialog(int id) const
{
    auto it = dialogs.find(id);
    return it == dialogs.end() ? nullptr : &it->second;
}

const RcIcon* RcScript::FindIcon(int id) const
{
    auto it = icons.find(id);
    return it == icons.end() ? nullptr : &it->second;
}

namespace
{

// Style bits the reader itself applies (values as in the Windows SDK).
constexpr DWORD kWsChild = 0x40000000, kWsVisible = 0x10000000, kWsPopup = 0x80000000,
                kWsBorder = 0x00800000, kWsSysMenu = 0x00080000, kWsCaption = 0x00C00000,
                kWsGroup = 0x00020000, kWsTabStop = 0x00010000, kDsSetFont = 0x40;
constexpr DWORD kSsLeft = 0, kSsCenter = 1, kSsIcon = 3, kSsTypeMask = 0x1F;
constexpr DWORD kBsPushButton = 0, kBsDefPushButton = 1, kBsTypeMask = 0xF;
constexpr DWORD kCbsSimple = 1, kCbsTypeMask = 3;

struct Symbol
{
    const char* name;
    std::int64_t value;
};

// What #include "afxres.h" (or windows.h) brings: control identifiers, languages and the style,
// version and file-type constants.
constexpr Symbol kWindowsSymbols[] = {
    {"IDOK", 1},
    {"IDCANCEL", 2},
    {"IDABORT", 3},
    {"IDRETRY", 4},
    {"IDIGNORE", 5},
    {"IDYES", 6},
    {"IDNO", 7},
    {"IDCLOSE", 8},
    {"IDHELP", 9},
    {"IDC_STATIC", -1},
    {"ID_HELP", 0xE146},
    {"VS_VERSION_INFO", 1},
    // Languages
    {"LANG_NEUTRAL", 0x00},
    {"LANG_GERMAN", 0x07},
    {"LANG_ENGLISH", 0x09},
    {"LANG_FRENCH", 0x0C},
    {"SUBLANG_NEUTRAL", 0x00},
    {"SUBLANG_DEFAULT", 0x01},
    {"SUBLANG_SYS_DEFAULT", 0x02},
    {"SUBLANG_ENGLISH_US", 0x01},
    {"SUBLANG_ENGLISH_UK", 0x02},
    {"SUBLANG_FRENCH", 0x01},
    {"SUBLANG_FRENCH_BELGIAN", 0x02},
    {"SUBLANG_FRENCH_CANADIAN", 0x03},
    {"SUBLANG_FRENCH_SWISS", 0x04},
    {"SUBLANG_GERMAN", 0x01},
    // Window styles
    {"WS_OVERLAPPED", 0x00000000},
    {"WS_POPUP", 0x80000000},
    {"WS_CHILD", 0x40000000},
    {"WS_MINIMIZE", 0x20000000},
    {"WS_VISIBLE", 0x10000000},
    {"WS_DISABLED", 0x08000000},
    {"WS_CLIPSIBLINGS", 0x04000000},
    {"WS_CLIPCHILDREN", 0x02000000},
    {"WS_MAXIMIZE", 0x01000000},
    {"WS_CAPTION", 0x00C00000},
    {"WS_BORDER", 0x00800000},
    {"WS_DLGFRAME", 0x00400000},
    {"WS_VSCROLL", 0x00200000},
    {"WS_HSCROLL", 0x00100000},
    {"WS_SYSMENU", 0x00080000},
    {"WS_THICKFRAME", 0x00040000},
    {"WS_GROUP", 0x00020000},
    {"WS_TABSTOP", 0x00010000},
    {"WS_MINIMIZEBOX", 0x00020000},
    {"WS_MAXIMIZEBOX", 0x00010000},
    // Extended window styles
    {"WS_EX_DLGMODALFRAME", 0x00000001},
    {"WS_EX_NOPARENTNOTIFY", 0x00000004},
    {"WS_EX_TOPMOST", 0x00000008},
    {"WS_EX_ACCEPTFILES", 0x00000010},
    {"WS_EX_TRANSPARENT", 0x00000020},
    {"WS_EX_MDICHILD", 0x00000040},
    {"WS_EX_TOOLWINDOW", 0x00000080},
    {"WS_EX_WINDOWEDGE", 0x00000100},
    {"WS_EX_CLIENTEDGE", 0x00000200},
    {"WS_EX_CONTEXTHELP", 0x00000400},
    {"WS_EX_RIGHT", 0x00001000},
    {"WS_EX_LEFT", 0x00000000},
    {"WS_EX_RTLREADING", 0x00002000},
    {"WS_EX_LEFTSCROLLBAR", 0x00004000},
    {"WS_EX_CONTROLPARENT", 0x00010000},
    {"WS_EX_STATICEDGE", 0x00020000},
    {"WS_EX_APPWINDOW", 0x00040000},
    // Dialog styles
    {"DS_ABSALIGN", 0x01},
    {"DS_SYSMODAL", 0x02},
    {"DS_3DLOOK", 0x04},
    {"DS_FIXEDSYS", 0x08},
    {"DS_NOFAILCREATE", 0x10},
    {"DS_LOCALEDIT", 0x20},
    {"DS_SETFONT", 0x40},
    {"DS_MODALFRAME", 0x80},
    {"DS_NOIDLEMSG", 0x100},
    {"DS_SETFOREGROUND", 0x200},
    {"DS_CONTROL", 0x400},
    {"DS_CENTER", 0x800},
    {"DS_CENTERMOUSE", 0x1000},
    {"DS_CONTEXTHELP", 0x2000},
    // Static styles
    {"SS_LEFT", 0x00},
    {"SS_CENTER", 0x01},
    {"SS_RIGHT", 0x02},
    {"SS_ICON", 0x03},
    {"SS_BLACKRECT", 0x04},
    {"SS_GRAYRECT", 0x05},
    {"SS_WHITERECT", 0x06},
    {"SS_BLACKFRAME", 0x07},
    {"SS_GRAYFRAME", 0x08},
    {"SS_WHITEFRAME", 0x09},
    {"SS_SIMPLE", 0x0B},
    {"SS_LEFTNOWORDWRAP", 0x0C},
    {"SS_BITMAP", 0x0E},
    {"SS_ETCHEDFRAME", 0x12},
    {"SS_TYPEMASK", 0x1F},
    {"SS_NOPREFIX", 0x80},
    {"SS_NOTIFY", 0x100},
    {"SS_CENTERIMAGE", 0x200},
    {"SS_RIGHTJUST", 0x400},
    {"SS_REALSIZEIMAGE", 0x800},
    {"SS_SUNKEN", 0x1000},
    // Button styles
    {"BS_PUSHBUTTON", 0x00},
    {"BS_DEFPUSHBUTTON", 0x01},
    {"BS_CHECKBOX", 0x02},
    {"BS_AUTOCHECKBOX", 0x03},
    {"BS_RADIOBUTTON", 0x04},
    {"BS_3STATE", 0x05},
    {"BS_AUTO3STATE", 0x06},
    {"BS_GROUPBOX", 0x07},
    {"BS_AUTORADIOBUTTON", 0x09},
    {"BS_OWNERDRAW", 0x0B},
    {"BS_TYPEMASK", 0x0F},
    {"BS_LEFTTEXT", 0x20},
    {"BS_ICON", 0x40},
    {"BS_BITMAP", 0x80},
    {"BS_LEFT", 0x100},
    {"BS_RIGHT", 0x200},
    {"BS_CENTER", 0x300},
    {"BS_TOP", 0x400},
    {"BS_BOTTOM", 0x800},
    {"BS_VCENTER", 0xC00},
    {"BS_PUSHLIKE", 0x1000},
    {"BS_MULTILINE", 0x2000},
    {"BS_NOTIFY", 0x4000},
    {"BS_FLAT", 0x8000},
    // Combo box styles
    {"CBS_SIMPLE", 0x0001},
    {"CBS_DROPDOWN", 0x0002},
    {"CBS_DROPDOWNLIST", 0x0003},
    {"CBS_OWNERDRAWFIXED", 0x0010},
    {"CBS_OWNERDRAWVARIABLE", 0x0020},
    {"CBS_AUTOHSCROLL", 0x0040},
    {"CBS_OEMCONVERT", 0x0080},
    {"CBS_SORT", 0x0100},
    {"CBS_HASSTRINGS", 0x0200},
    {"CBS_NOINTEGRALHEIGHT", 0x0400},
    {"CBS_DISABLENOSCROLL", 0x0800},
    {"CBS_UPPERCASE", 0x2000},
    {"CBS_LOWERCASE", 0x4000},
    // Trackbar styles
    {"TBS_AUTOTICKS", 0x0001},
    {"TBS_VERT", 0x0002},
    {"TBS_HORZ", 0x0000},
    {"TBS_TOP", 0x0004},
    {"TBS_BOTTOM", 0x0000},
    {"TBS_LEFT", 0x0004},
    {"TBS_RIGHT", 0x0000},
    {"TBS_BOTH", 0x0008},
    {"TBS_NOTICKS", 0x0010},
    {"TBS_ENABLESELRANGE", 0x0020},
    {"TBS_FIXEDLENGTH", 0x0040},
    {"TBS_NOTHUMB", 0x0080},
    {"TBS_TOOLTIPS", 0x0100},
    // Version information
    {"VS_FF_DEBUG", 0x01},
    {"VS_FF_PRERELEASE", 0x02},
    {"VS_FF_PATCHED", 0x04},
    {"VS_FF_PRIVATEBUILD", 0x08},
    {"VS_FF_INFOINFERRED", 0x10},
    {"VS_FF_SPECIALBUILD", 0x20},
    {"VS_FFI_FILEFLAGSMASK", 0x3F},
    {"VOS_UNKNOWN", 0x00000000},
    {"VOS_DOS", 0x00010000},
    {"VOS_NT", 0x00040000},
    {"VOS__WINDOWS16", 0x00000001},
    {"VOS__WINDOWS32", 0x00000004},
    {"VOS_DOS_WINDOWS16", 0x00010001},
    {"VOS_DOS_WINDOWS32", 0x00010004},
    {"VOS_NT_WINDOWS32", 0x00040004},
    {"VFT_UNKNOWN", 0},
    {"VFT_APP", 1},
    {"VFT_DLL", 2},
    {"VFT_DRV", 3},
    {"VFT_FONT", 4},
    {"VFT_VXD", 5},
    {"VFT_STATIC_LIB", 7},
    {"VFT2_UNKNOWN", 0},
};

// The headers that stand for the Windows SDK and the framework's resource header.
constexpr const char* kBuiltInHeaders[] = {"afxres.h", "windows.h"};

constexpr const char* kMemoryFlags[] = {"DISCARDABLE", "MOVEABLE",   "FIXED",  "PURE",     "IMPURE",
                                        "PRELOAD",     "LOADONCALL", "SHARED", "NONSHARED"};

bool EqualNoCase(const std::string& a, const char* b)
{
    std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
    {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

bool IsIdentStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

enum class Tok
{
    Ident,
    Number,
    String,
    Punct,
    End
};

struct Token
{
    Tok kind = Tok::End;
    std::string text; // identifier, punctuation, number as written, or a string's bytes
    std::int64_t value = 0;
    int file = 0; // index into the file names
    int line = 0;
};

using OpenFile = std::function<bool(const std::string&, std::string&)>;

// Turns the script and its headers into one stream of tokens, with directives done and macros
// expanded at their point of use.
class Preprocessor
{
public:
    explicit Preprocessor(const OpenFile& openFile) : openFile_(openFile)
    {
        DefineNumber("RC_INVOKED", 1);
        DefineNumber("_WIN32", 1);
    }

    void Run(const std::string& fileName, const std::string& text, int depth);

    std::vector<Token> tokens;
    std::vector<std::string> files;

    [[noreturn]] void Fail(int file, int line, const std::string& message) const
    {
        throw RcError(files[file], line, message);
    }

private:
    struct Conditional
    {
        bool parentActive;
        bool active;
        bool taken;
        bool seenElse;
        int line;
    };

    void DefineNumber(const std::string& name, std::int64_t value)
    {
        Token t;
        t.kind = Tok::Number;
        t.value = value;
        t.text = std::to_string(value);
        macros_[name] = {t};
    }
    bool Active() const { return conditionals_.empty() || conditionals_.back().active; }
    std::vector<std::string> Lines(int file, const std::string& text) const;
    void Tokenize(int file, int line, const std::string& text, std::size_t from,
                  std::vector<Token>& out) const;
    void Directive(int file, int line, const std::string& text, std::size_t pos, int depth);
    void Include(int file, int line, const std::string& text, std::size_t pos, int depth);
    bool EvaluateCondition(int file, int line, const std::string& text, std::size_t pos);
    void Expand(const Token& t, std::set<std::string>& expanding, std::vector<Token>& out) const;

    const OpenFile& openFile_;
    std::map<std::string, std::vector<Token>> macros_;
    std::vector<Conditional> conditionals_;
    std::size_t fileBase_ = 0; // conditionals opened before the current file
};

// Splits a file into lines with its comments blanked out (keeping the line count), so that
// directives and tokens can be read line by line. Strings are respected: "//" inside quotes is
// text, and "" inside a string is a quote.
std::vector<std::string> Preprocessor::Lines(int file, const std::string& text) const
{
    std::vector<std::string> lines(1);
    enum
    {
        Normal,
        InString,
        InBlock
    } state = Normal;
    int blockLine = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        char c = text[i];
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '\n')
        {
            if (state == InString)
                state = Normal; // the tokenizer reports the unterminated string
            lines.emplace_back();
            continue;
        }
        switch (state)
        {
            case Normal:
                if (c == '/' && next == '/')
                {
                    while (i + 1 < text.size() && text[i + 1] != '\n')
                        ++i;
                    lines.back() += ' ';
                }
                else if (c == '/' && next == '*')
                {
                    state = InBlock;
                    blockLine = static_cast<int>(lines.size());
                    lines.back() += ' ';
                    ++i;
                }
                else
                {
                    if (c == '"')
                        state = InString;
                    lines.back() += c;
                }
                break;
            case InString:
                lines.back() += c;
                if (c == '"')
                {
                    if (next == '"')
                    {
                        lines.back() += next;
                        ++i;
                    }
                    else
                        state = Normal;
                }
                break;
            case InBlock:
                if (c == '*' && next == '/')
                {
                    state = Normal;
                    ++i;
                }
                break;
        }
    }
    if (state == InBlock)
        Fail(file, blockLine, "unterminated comment");
    for (auto& l : lines)
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
    return lines;
}

void Preprocessor::Tokenize(int file, int line, const std::string& text, std::size_t from,
                            std::vector<Token>& out) const
{
    std::size_t p = from;
    const std::size_t n = text.size();
    while (p < n)
    {
        char c = text[p];
        if (IsBlank(c))
        {
            ++p;
            continue;
        }
        Token t;
        t.file = file;
        t.line = line;
        if (IsIdentStart(c))
        {
            std::size_t start = p;
            while (p < n && IsIdentChar(text[p]))
                ++p;
            t.kind = Tok::Ident;
            t.text = text.substr(start, p - start);
        }
        else if (IsDigit(c))
        {
            std::size_t start = p;
            std::uint64_t value = 0;
            bool hex = c == '0' && p + 1 < n && (text[p + 1] == 'x' || text[p + 1] == 'X');
            if (hex)
            {
                p += 2;
                std::size_t digits = p;
                while (p < n && std::isxdigit(static_cast<unsigned char>(text[p])))
                {
                    char d = text[p++];
                    int v = IsDigit(d) ? d - '0' : (d | 0x20) - 'a' + 10;
                    value = value * 16 + static_cast<std::uint64_t>(v);
                }
                if (p == digits)
                    Fail(file, line, "bad number '" + text.substr(start, p - start) + "'");
            }
            else
            {
                while (p < n && IsDigit(text[p]))
                    value = value * 10 + static_cast<std::uint64_t>(text[p++] - '0');
            }
            while (p < n && (text[p] == 'L' || text[p] == 'l' || text[p] == 'U' || text[p] == 'u'))
                ++p;
            if (p < n && IsIdentChar(text[p]))
            {
                while (p < n && IsIdentChar(text[p]))
                    ++p;
                Fail(file, line, "bad number '" + text.substr(start, p - start) + "'");
            }
            t.kind = Tok::Number;
            t.text = text.substr(start, p - start);
            t.value = static_cast<std::int64_t>(value & 0xFFFFFFFFu);
        }
        else if (c == '"')
        {
            ++p;
            t.kind = Tok::String;
            for (;;)
            {
                if (p >= n)
                    Fail(file, line, "unterminated string");
                char s = text[p++];
                if (s == '"')
                {
                    if (p < n && text[p] == '"')
                    {
                        t.text += '"';
                        ++p;
                        continue;
                    }
                    break;
                }
                if (s != '\\')
                {
                    t.text += s;
                    continue;
                }
                if (p >= n)
                    Fail(file, line, "unterminated string");
                char e = text[p++];
                switch (e)
                {
                    case 'n':
                        t.text += '\n';
                        break;
                    case 't':
                        t.text += '\t';
                        break;
                    case 'r':
                        t.text += '\r';
                        break;
                    case '\\':
                        t.text += '\\';
                        break;
                    case 'x':
                    case 'X':
                    {
                        int v = 0, digits = 0;
                        while (digits < 2 && p < n &&
                               std::isxdigit(static_cast<unsigned char>(text[p])))
                        {
                            char d = text[p++];
                            v = v * 16 + (IsDigit(d) ? d - '0' : (d | 0x20) - 'a' + 10);
                            ++digits;
                        }
                        if (digits == 0)
                            Fail(file, line, "bad escape sequence in string");
                        t.text += static_cast<char>(v);
                        break;
                    }
                    default:
                        if (e >= '0' && e <= '7')
                        {
                            int v = e - '0', digits = 1;
                            while (digits < 3 && p < n && text[p] >= '0' && text[p] <= '7')
                            {
                                v = v * 8 + (text[p++] - '0');
                                ++digits;
                            }
                            t.text += static_cast<char>(v);
                            break;
                        }
                        Fail(file, line, std::string("unknown escape sequence \\") + e);
                }
            }
        }
        else
        {
            static const char* const kTwo[] = {"||", "&&", "==", "!=", "<=", ">=", "<<", ">>"};
            t.kind = Tok::Punct;
            for (const char* two : kTwo)
                if (p + 1 < n && text[p] == two[0] && text[p + 1] == two[1])
                    t.text = two;
            if (t.text.empty())
            {
                if (std::strchr(",|&(){}+-~!*/%<>^", c) == nullptr || c == '\0')
                {
                    char shown[16];
                    if (static_cast<unsigned char>(c) >= 0x20 &&
                        static_cast<unsigned char>(c) < 0x7F)
                        std::snprintf(shown, sizeof shown, "'%c'", c);
                    else
                        std::snprintf(shown, sizeof shown, "0x%02X",
                                      static_cast<unsigned>(static_cast<unsigned char>(c)));
                    Fail(file, line, std::string("unexpected character ") + shown);
                }
                t.text = std::string(1, c);
            }
            p += t.text.size();
        }
        out.push_back(std::move(t));
    }
}

void Preprocessor::Expand(const Token& t, std::set<std::string>& expanding,
                          std::vector<Token>& out) const
{
    if (t.kind == Tok::Ident)
    {
        auto it = macros_.find(t.text);
        if (it != macros_.end() && expanding.count(t.text) == 0)
        {
            expanding.insert(t.text);
            for (Token v : it->second)
            {
                v.file = t.file;
                v.line = t.line;
                Expand(v, expanding, out);
            }
            expanding.erase(t.text);
            return;
        }
    }
    out.push_back(t);
}

void Preprocessor::Run(const std::string& fileName, const std::string& text, int depth)
{
    int file = static_cast<int>(files.size());
    files.push_back(fileName);
    std::vector<std::string> lines = Lines(file, text);
    const std::size_t outerBase = fileBase_;
    fileBase_ = conditionals_.size();
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        const std::string& l = lines[i];
        int line = static_cast<int>(i) + 1;
        std::size_t p = 0;
        while (p < l.size() && IsBlank(l[p]))
            ++p;
        if (p < l.size() && l[p] == '#')
            Directive(file, line, l, p + 1, depth);
        else if (Active())
        {
            std::vector<Token> raw;
            Tokenize(file, line, l, p, raw);
            std::set<std::string> expanding;
            for (const Token& t : raw)
                Expand(t, expanding, tokens);
        }
    }
    if (conditionals_.size() > fileBase_)
        Fail(file, conditionals_.back().line, "#if without #endif");
    fileBase_ = outerBase;
}

void Preprocessor::Directive(int file, int line, const std::string& text, std::size_t pos,
                             int depth)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    std::size_t start = pos;
    while (pos < text.size() && IsIdentChar(text[pos]))
        ++pos;
    const std::string name = text.substr(start, pos - start);

    if (name == "if" || name == "ifdef" || name == "ifndef")
    {
        bool parent = Active();
        bool value = false;
        if (parent)
        {
            if (name == "if")
                value = EvaluateCondition(file, line, text, pos);
            else
            {
                std::vector<Token> args;
                Tokenize(file, line, text, pos, args);
                if (args.size() != 1 || args[0].kind != Tok::Ident)
                    Fail(file, line, "#" + name + " needs one name");
                value = (macros_.count(args[0].text) != 0) == (name == "ifdef");
            }
        }
        conditionals_.push_back({parent, parent && value, parent && value, false, line});
        return;
    }
    if (name == "elif" || name == "else" || name == "endif")
    {
        if (conditionals_.size() <= fileBase_)
            Fail(file, line, "#" + name + " without #if");
        Conditional& c = conditionals_.back();
        if (name == "endif")
        {
            conditionals_.pop_back();
            return;
        }
        if (c.seenElse)
            Fail(file, line, "#" + name + " after #else");
        if (name == "else")
        {
            c.seenElse = true;
            c.active = c.parentActive && !c.taken;
        }
        else
        {
            c.active = c.parentActive && !c.taken && EvaluateCondition(file, line, text, pos);
        }
        c.taken = c.taken || c.active;
        return;
    }
    if (!Active())
        return; // other directives in a skipped part are not read

    if (name == "include")
        Include(file, line, text, pos, depth);
    else if (name == "define")
    {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        std::size_t nameStart = pos;
        while (pos < text.size() && IsIdentChar(text[pos]))
            ++pos;
        if (pos == nameStart || !IsIdentStart(text[nameStart]))
            Fail(file, line, "#define needs a name");
        std::string macro = text.substr(nameStart, pos - nameStart);
        if (pos < text.size() && text[pos] == '(')
            Fail(file, line, "macros with parameters are not supported: " + macro);
        std::vector<Token> value;
        Tokenize(file, line, text, pos, value);
        macros_[macro] = std::move(value);
    }
    else if (name == "undef")
    {
        std::vector<Token> args;
        Tokenize(file, line, text, pos, args);
        if (args.size() != 1 || args[0].kind != Tok::Ident)
            Fail(file, line, "#undef needs one name");
        macros_.erase(args[0].text);
    }
    else if (name == "pragma")
    {
        std::vector<Token> args;
        Tokenize(file, line, text, pos, args);
        if (args.empty() || args[0].kind != Tok::Ident)
            Fail(file, line, "#pragma needs a name");
        if (args[0].text != "code_page")
            Fail(file, line, "unknown pragma " + args[0].text);
        if (args.size() != 4 || args[1].text != "(" || args[2].kind != Tok::Number ||
            args[3].text != ")")
            Fail(file, line, "expected code_page(number)");
        // Texts pass through as bytes: the only code page that means what they are is 1252.
        if (args[2].value != 1252)
            Fail(file, line, "code page " + args[2].text + " is not supported");
    }
    else if (name == "error")
        Fail(file, line, "#error" + text.substr(pos));
    else
        Fail(file, line, "unknown directive #" + name);
}

void Preprocessor::Include(int file, int line, const std::string& text, std::size_t pos, int depth)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    if (pos >= text.size() || (text[pos] != '"' && text[pos] != '<'))
        Fail(file, line, "#include needs a file name");
    char close = text[pos] == '"' ? '"' : '>';
    std::size_t end = text.find(close, pos + 1);
    if (end == std::string::npos)
        Fail(file, line, "#include needs a file name");
    std::string name = text.substr(pos + 1, end - pos - 1);
    for (const char* builtIn : kBuiltInHeaders)
    {
        if (EqualNoCase(name, builtIn))
        {
            for (const Symbol& s : kWindowsSymbols)
                DefineNumber(s.name, s.value);
            return;
        }
    }
    if (depth >= 16)
        Fail(file, line, "#include nested too deeply");
    std::string contents;
    if (!openFile_(name, contents))
        Fail(file, line, "cannot open include file '" + name + "'");
    Run(name, contents, depth + 1);
}

// #if expressions: C's operators on 64-bit integers, defined(), names that are not macros as 0.
class ConditionEvaluator
{
public:
    ConditionEvaluator(const Preprocessor& pp, const std::vector<Token>& tokens, int file, int line)
        : pp_(pp), t_(tokens), file_(file), line_(line)
    {
    }
    std::int64_t Evaluate()
    {
        std::int64_t v = Binary(0);
        if (i_ < t_.size())
            pp_.Fail(file_, line_, "unexpected '" + t_[i_].text + "' in #if");
        return v;
    }

private:
    bool Is(const char* punct) const
    {
        return i_ < t_.size() && t_[i_].kind == Tok::Punct && t_[i_].text == punct;
    }
    static int Precedence(const std::string& op)
    {
        static const std::pair<const char*, int> kOps[] = {
            {"||", 1}, {"&&", 2}, {"|", 3}, {"^", 4},  {"&", 5},  {"==", 6},
            {"!=", 6}, {"<", 7},  {">", 7}, {"<=", 7}, {">=", 7}, {"<<", 8},
            {">>", 8}, {"+", 9},  {"-", 9}, {"*", 10}, {"/", 10}, {"%", 10}};
        for (const auto& [name, prec] : kOps)
            if (op == name)
                return prec;
        return 0;
    }
    std::int64_t Binary(int minPrec)
    {
        std::int64_t left = Unary();
        for (;;)
        {
            if (i_ >= t_.size() || t_[i_].kind != Tok::Punct)
                return left;
            std::string op = t_[i_].text;
            int prec = Precedence(op);
            if (prec == 0 || prec <= minPrec)
                return left;
            ++i_;
            std::int64_t right = Binary(prec);
            left = Apply(op, left, right);
        }
    }
    std::int64_t Apply(const std::string& op, std::int64_t a, std::int64_t b)
    {
        if ((op == "/" || op == "%") && b == 0)
            pp_.Fail(file_, line_, "division by zero in #if");
        if (op == "||")
            return a || b;
        if (op == "&&")
            return a && b;
        if (op == "|")
            return a | b;
        if (op == "^")
            return a ^ b;
        if (op == "&")
            return a & b;
        if (op == "==")
            return a == b;
        if (op == "!=")
            return a != b;
        if (op == "<")
            return a < b;
        if (op == ">")
            return a > b;
        if (op == "<=")
            return a <= b;
        if (op == ">=")
            return a >= b;
        if (op == "<<")
            return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) << (b & 63));
        if (op == ">>")
            return a >> (b & 63);
        if (op == "+")
            return a + b;
        if (op == "-")
            return a - b;
        if (op == "*")
            return a * b;
        if (op == "/")
            return a / b;
        return a % b;
    }
    std::int64_t Unary()
    {
        if (i_ >= t_.size())
            pp_.Fail(file_, line_, "incomplete #if expression");
        const Token& t = t_[i_++];
        if (t.kind == Tok::Number)
            return t.value;
        if (t.kind == Tok::Ident)
            return 0; // not a macro
        if (t.kind == Tok::Punct)
        {
            if (t.text == "!")
                return !Unary();
            if (t.text == "~")
                return ~Unary();
            if (t.text == "-")
                return -Unary();
            if (t.text == "+")
                return Unary();
            if (t.text == "(")
            {
                std::int64_t v = Binary(0);
                if (!Is(")"))
                    pp_.Fail(file_, line_, "missing ')' in #if");
                ++i_;
                return v;
            }
        }
        pp_.Fail(file_, line_, "unexpected '" + t.text + "' in #if");
    }

    const Preprocessor& pp_;
    const std::vector<Token>& t_;
    int file_, line_;
    std::size_t i_ = 0;
};

bool Preprocessor::EvaluateCondition(int file, int line, const std::string& text, std::size_t pos)
{
    std::vector<Token> raw;
    Tokenize(file, line, text, pos, raw);
    if (raw.empty())
        Fail(file, line, "#if needs an expression");
    // defined NAME and defined(NAME) are decided before macros are expanded.
    std::vector<Token> expanded;
    for (std::size_t i = 0; i < raw.size(); ++i)
    {
        if (raw[i].kind == Tok::Ident && raw[i].text == "defined")
        {
            bool paren = i + 1 < raw.size() && raw[i + 1].text == "(";
            std::size_t at = i + (paren ? 2 : 1);
            if (at >= raw.size() || raw[at].kind != Tok::Ident ||
                (paren && (at + 1 >= raw.size() || raw[at + 1].text != ")")))
                Fail(file, line, "defined needs a name");
            Token v = raw[i];
            v.kind = Tok::Number;
            v.value = macros_.count(raw[at].text) ? 1 : 0;
            v.text = std::to_string(v.value);
            expanded.push_back(v);
            i = at + (paren ? 1 : 0);
            continue;
        }
        std::set<std::string> expanding;
        Expand(raw[i], expanding, expanded);
    }
    return ConditionEvaluator(*this, expanded, file, line).Evaluate() != 0;
}

// The statements of the script, read from the preprocessed tokens.
class Parser
{
public:
    Parser(Preprocessor& pp, const OpenFile& openFile) : pp_(pp), t_(pp.tokens), open_(openFile)
    {
        end_.kind = Tok::End;
        end_.file = 0;
        end_.line = lastLine_;
    }

    RcScript Parse(int lastLine);

private:
    const Token& Peek(std::size_t ahead = 0) const
    {
        return i_ + ahead < t_.size() ? t_[i_ + ahead] : end_;
    }
    const Token& Next()
    {
        const Token& t = Peek();
        if (i_ < t_.size())
            ++i_;
        return t;
    }
    [[noreturn]] void Fail(const Token& at, const std::string& message) const
    {
        pp_.Fail(at.file, at.line, message);
    }
    static std::string Describe(const Token& t)
    {
        switch (t.kind)
        {
            case Tok::End:
                return "end of file";
            case Tok::String:
                return "\"" + t.text + "\"";
            default:
                return "'" + t.text + "'";
        }
    }
    static bool IsWord(const Token& t, const char* word)
    {
        return t.kind == Tok::Ident && t.text == word;
    }
    static bool IsPunct(const Token& t, const char* p)
    {
        return t.kind == Tok::Punct && t.text == p;
    }
    static bool IsBegin(const Token& t) { return IsWord(t, "BEGIN") || IsPunct(t, "{"); }
    static bool IsEnd(const Token& t) { return IsWord(t, "END") || IsPunct(t, "}"); }

    bool Accept(const char* punct)
    {
        if (!IsPunct(Peek(), punct))
            return false;
        Next();
        return true;
    }
    void Expect(const char* punct)
    {
        if (!Accept(punct))
            Fail(Peek(), std::string("expected '") + punct + "' before " + Describe(Peek()));
    }
    void ExpectBegin()
    {
        if (!IsBegin(Peek()))
            Fail(Peek(), "expected BEGIN before " + Describe(Peek()));
        Next();
    }
    // True at END (consumed); refuses the end of the file inside a block.
    bool AtEnd()
    {
        if (Peek().kind == Tok::End)
            Fail(Peek(), "missing END");
        if (!IsEnd(Peek()))
            return false;
        Next();
        return true;
    }
    std::string ExpectString()
    {
        if (Peek().kind != Tok::String)
            Fail(Peek(), "expected a string before " + Describe(Peek()));
        return Next().text;
    }
    void SkipMemoryFlags()
    {
        while (Peek().kind == Tok::Ident)
        {
            bool flag = false;
            for (const char* f : kMemoryFlags)
                flag = flag || Peek().text == f;
            if (!flag)
                return;
            Next();
        }
    }

    std::int64_t Expression() { return Binary(0); }
    std::int64_t Binary(int minPrec);
    std::int64_t Primary();
    int Int() { return static_cast<int>(static_cast<std::int32_t>(Expression())); }
    DWORD Style(DWORD defaults, DWORD typeMask);

    void Dialog(int id, bool extended, const Token& at);
    void Control(RcDialog& dialog);
    void Icon(int id, const Token& at);
    void Strings();
    void Version(const Token& at);

    Preprocessor& pp_;
    const std::vector<Token>& t_;
    const OpenFile& open_;
    Token end_;
    int lastLine_ = 0;
    std::size_t i_ = 0;
    WORD language_ = 0;
    bool haveVersion_ = false;
    RcScript script_;
};

// Numeric expressions of statements: | & + - * / and unary - ~, with C's precedence. NOT belongs
// to styles only.
std::int64_t Parser::Binary(int minPrec)
{
    std::int64_t left = Primary();
    for (;;)
    {
        const Token& t = Peek();
        int prec = 0;
        if (t.kind == Tok::Punct)
        {
            if (t.text == "|")
                prec = 1;
            else if (t.text == "&")
                prec = 2;
            else if (t.text == "+" || t.text == "-")
                prec = 3;
            else if (t.text == "*" || t.text == "/")
                prec = 4;
        }
        if (prec == 0 || prec <= minPrec)
            return left;
        std::string op = Next().text;
        const Token& rightAt = Peek();
        std::int64_t right = Binary(prec);
        if (op == "|")
            left |= right;
        else if (op == "&")
            left &= right;
        else if (op == "+")
            left += right;
        else if (op == "-")
            left -= right;
        else if (op == "*")
            left *= right;
        else
        {
            if (right == 0)
                Fail(rightAt, "division by zero");
            left /= right;
        }
        left = static_cast<std::int32_t>(static_cast<std::uint32_t>(left));
    }
}

std::int64_t Parser::Primary()
{
    const Token& t = Next();
    if (t.kind == Tok::Number)
        return t.value;
    if (IsPunct(t, "-"))
        return -Primary();
    if (IsPunct(t, "~"))
        return ~Primary();
    if (IsPunct(t, "("))
    {
        std::int64_t v = Expression();
        Expect(")");
        return v;
    }
    if (IsWord(t, "NOT"))
        Fail(t, "NOT is allowed in styles only");
    if (t.kind == Tok::Ident)
        Fail(t, "undefined symbol " + t.text);
    Fail(t, "expected a number before " + Describe(t));
}

// A style as the resource compiler builds it: the statement's default style, then each term in
// order, NOT clearing its bits. When the terms name a type of their own (BS_, SS_, CBS_ type
// bits), it replaces the default type: CBS_DROPDOWN on a COMBOBOX must not meet CBS_SIMPLE and
// become CBS_DROPDOWNLIST.
DWORD Parser::Style(DWORD defaults, DWORD typeMask)
{
    std::vector<std::pair<bool, DWORD>> terms;
    do
    {
        bool clear = false;
        if (IsWord(Peek(), "NOT"))
        {
            Next();
            clear = true;
        }
        terms.emplace_back(clear, static_cast<DWORD>(Binary(1)));
    } while (Accept("|"));
    DWORD set = 0;
    for (const auto& [clear, bits] : terms)
        if (!clear)
            set |= bits;
    DWORD style = defaults;
    if (set & typeMask)
        style &= ~typeMask;
    for (const auto& [clear, bits] : terms)
        style = clear ? (style & ~bits) : (style | bits);
    return style;
}

RcScript Parser::Parse(int lastLine)
{
    lastLine_ = lastLine;
    end_.line = lastLine;
    static const char* const kTypes[] = {"DIALOG", "DIALOGEX", "ICON", "VERSIONINFO"};
    while (Peek().kind != Tok::End)
    {
        const Token& t = Peek();
        if (IsWord(t, "LANGUAGE"))
        {
            Next();
            int primary = Int();
            Expect(",");
            int sub = Int();
            language_ = static_cast<WORD>(((sub & 0x3F) << 10) | (primary & 0x3FF));
            continue;
        }
        if (IsWord(t, "STRINGTABLE"))
        {
            Next();
            Strings();
            continue;
        }
        if (t.kind == Tok::Ident)
        {
            const Token& after = Peek(1);
            for (const char* type : kTypes)
                if (IsWord(after, type))
                    Fail(t, "undefined symbol " + t.text);
            Fail(t, "unknown statement " + t.text);
        }
        if (t.kind != Tok::Number && !IsPunct(t, "(") && !IsPunct(t, "-"))
            Fail(t, "unexpected " + Describe(t));
        const Token& at = t;
        int id = Int();
        const Token& type = Next();
        if (IsWord(type, "DIALOG") || IsWord(type, "DIALOGEX"))
            Dialog(id, type.text == "DIALOGEX", at);
        else if (IsWord(type, "ICON"))
            Icon(id, at);
        else if (IsWord(type, "VERSIONINFO"))
            Version(at);
        else if (type.kind == Tok::Ident)
            Fail(type, "unknown statement " + type.text);
        else
            Fail(type, "expected a resource type before " + Describe(type));
    }
    return std::move(script_);
}

void Parser::Dialog(int id, bool extended, const Token& at)
{
    if (script_.dialogs.count(id))
        Fail(at, "dialog " + std::to_string(id) + " is already defined");
    RcDialog d;
    d.id = id;
    d.extended = extended;
    d.language = language_;
    SkipMemoryFlags();
    d.x = Int();
    Expect(",");
    d.y = Int();
    Expect(",");
    d.cx = Int();
    Expect(",");
    d.cy = Int();
    if (extended && Accept(","))
        Int(); // help identifier
    bool haveStyle = false, haveCaption = false, haveFont = false;
    DWORD style = 0;
    while (!IsBegin(Peek()))
    {
        const Token& option = Next();
        if (IsWord(option, "STYLE"))
        {
            style = Style(0, 0);
            haveStyle = true;
        }
        else if (IsWord(option, "EXSTYLE"))
            d.exStyle = Style(0, 0);
        else if (IsWord(option, "CAPTION"))
        {
            d.caption = ExpectString();
            haveCaption = true;
        }
        else if (IsWord(option, "FONT"))
        {
            d.pointSize = Int();
            Expect(",");
            d.fontFace = ExpectString();
            if (extended && Accept(","))
            {
                Int(); // weight
                if (Accept(","))
                {
                    Int(); // italic
                    if (Accept(","))
                        Int(); // character set
                }
            }
            haveFont = true;
        }
        else if (IsWord(option, "LANGUAGE"))
        {
            int primary = Int();
            Expect(",");
            int sub = Int();
            d.language = static_cast<WORD>(((sub & 0x3F) << 10) | (primary & 0x3FF));
        }
        else if (option.kind == Tok::Ident)
            Fail(option, "unknown statement " + option.text);
        else
            Fail(option, "expected BEGIN before " + Describe(option));
    }
    // The resource compiler's defaults: a popup with border and system menu unless STYLE says
    // otherwise; a caption brings its title bar and a font DS_SETFONT.
    if (!haveStyle)
        style = kWsPopup | kWsBorder | kWsSysMenu;
    if (haveCaption)
        style |= kWsCaption;
    if (haveFont)
        style |= kDsSetFont;
    d.style = style;
    ExpectBegin();
    while (!AtEnd())
        Control(d);
    script_.dialogs[id] = std::move(d);
}

void Parser::Control(RcDialog& dialog)
{
    const Token& kw = Next();
    RcControl c;
    c.line = kw.line;
    struct Kind
    {
        const char* keyword;
        const char* className;
        DWORD style;
        DWORD typeMask;
        bool text; // the statement starts with a text
    };
    static const Kind kKinds[] = {
        {"LTEXT", "STATIC", kSsLeft | kWsGroup, kSsTypeMask, true},
        {"CTEXT", "STATIC", kSsCenter | kWsGroup, kSsTypeMask, true},
        {"PUSHBUTTON", "BUTTON", kBsPushButton | kWsTabStop, kBsTypeMask, true},
        {"DEFPUSHBUTTON", "BUTTON", kBsDefPushButton | kWsTabStop, kBsTypeMask, true},
        {"COMBOBOX", "COMBOBOX", kCbsSimple | kWsTabStop, kCbsTypeMask, false},
    };
    const DWORD base = kWsChild | kWsVisible;
    for (const Kind& k : kKinds)
    {
        if (!IsWord(kw, k.keyword))
            continue;
        c.className = k.className;
        if (k.text)
        {
            c.text = ExpectString();
            Expect(",");
        }
        c.id = Int();
        Expect(",");
        c.x = Int();
        Expect(",");
        c.y = Int();
        Expect(",");
        c.cx = Int();
        Expect(",");
        c.cy = Int();
        c.style = base | k.style;
        if (Accept(","))
        {
            c.style = Style(base | k.style, k.typeMask);
            if (Accept(","))
                c.exStyle = Style(0, 0);
        }
        dialog.controls.push_back(std::move(c));
        return;
    }

    if (IsWord(kw, "ICON"))
    {
        // ICON icon, id, x, y [, cx, cy [, style [, exstyle]]]
        c.className = "STATIC";
        if (Peek().kind == Tok::String)
            c.text = Next().text;
        else
            c.iconId = Int();
        Expect(",");
        c.id = Int();
        Expect(",");
        c.x = Int();
        Expect(",");
        c.y = Int();
        c.style = base | kSsIcon;
        if (Accept(","))
        {
            c.cx = Int();
            Expect(",");
            c.cy = Int();
            if (Accept(","))
            {
                c.style = Style(base | kSsIcon, kSsTypeMask);
                if (Accept(","))
                    c.exStyle = Style(0, 0);
            }
        }
        dialog.controls.push_back(std::move(c));
        return;
    }

    if (IsWord(kw, "CONTROL"))
    {
        // CONTROL text, id, class, style, x, y, cx, cy [, exstyle]
        const Token& textAt = Peek();
        int number = 0;
        bool numeric = Peek().kind != Tok::String;
        if (numeric)
            number = Int();
        else
            c.text = Next().text;
        Expect(",");
        c.id = Int();
        Expect(",");
        c.className = ExpectString();
        Expect(",");
        c.style = Style(base, 0);
        Expect(",");
        c.x = Int();
        Expect(",");
        c.y = Int();
        Expect(",");
        c.cx = Int();
        Expect(",");
        c.cy = Int();
        if (Accept(","))
            c.exStyle = Style(0, 0);
        if (numeric)
        {
            if (!EqualNoCase(c.className, "STATIC") || (c.style & kSsTypeMask) != kSsIcon)
                Fail(textAt, "a number as text needs an SS_ICON static");
            c.iconId = number;
        }
        dialog.controls.push_back(std::move(c));
        return;
    }

    if (kw.kind == Tok::Ident)
        Fail(kw, "unknown statement " + kw.text);
    Fail(kw, "expected a control before " + Describe(kw));
}

void Parser::Icon(int id, const Token& at)
{
    if (script_.icons.count(id))
        Fail(at, "icon " + std::to_string(id) + " is already defined");
    SkipMemoryFlags();
    const Token& nameAt = Peek();
    RcIcon icon;
    icon.id = id;
    icon.language = language_;
    icon.fileName = ExpectString();
    std::string contents;
    if (!open_(icon.fileName, contents))
        Fail(nameAt, "cannot open icon file '" + icon.fileName + "'");
    icon.bytes.assign(contents.begin(), contents.end());
    if (!DecodeIconFile(icon.bytes, icon.images))
        Fail(nameAt, "'" + icon.fileName + "' is not an icon file that can be read");
    script_.icons[id] = std::move(icon);
}

void Parser::Strings()
{
    SkipMemoryFlags();
    ExpectBegin();
    while (!AtEnd())
    {
        const Token& at = Peek();
        int id = Int();
        Accept(",");
        std::string text = ExpectString();
        if (script_.strings.count(id))
            Fail(at, "string " + std::to_string(id) + " is already defined");
        script_.strings[id] = std::move(text);
    }
}

void Parser::Version(const Token& at)
{
    if (haveVersion_)
        Fail(at, "a second VERSIONINFO");
    haveVersion_ = true;
    RcVersion& v = script_.version;
    v.language = language_;
    auto quad = [this](DWORD& ms, DWORD& ls)
    {
        DWORD part[4] = {0, 0, 0, 0};
        part[0] = static_cast<DWORD>(Expression()) & 0xFFFF;
        for (int i = 1; i < 4 && Accept(","); ++i)
            part[i] = static_cast<DWORD>(Expression()) & 0xFFFF;
        ms = (part[0] << 16) | part[1];
        ls = (part[2] << 16) | part[3];
    };
    while (!IsBegin(Peek()))
    {
        const Token& s = Next();
        if (IsWord(s, "FILEVERSION"))
            quad(v.fileVersionMS, v.fileVersionLS);
        else if (IsWord(s, "PRODUCTVERSION"))
            quad(v.productVersionMS, v.productVersionLS);
        else if (IsWord(s, "FILEFLAGSMASK"))
            v.fileFlagsMask = static_cast<DWORD>(Expression());
        else if (IsWord(s, "FILEFLAGS"))
            v.fileFlags = static_cast<DWORD>(Expression());
        else if (IsWord(s, "FILEOS"))
            v.fileOS = static_cast<DWORD>(Expression());
        else if (IsWord(s, "FILETYPE"))
            v.fileType = static_cast<DWORD>(Expression());
        else if (IsWord(s, "FILESUBTYPE"))
            v.fileSubtype = static_cast<DWORD>(Expression());
        else if (s.kind == Tok::Ident)
            Fail(s, "unknown statement " + s.text);
        else
            Fail(s, "expected BEGIN before " + Describe(s));
    }
    ExpectBegin();
    bool haveStrings = false;
    while (!AtEnd())
    {
        const Token& block = Next();
        if (!IsWord(block, "BLOCK"))
        {
            if (block.kind == Tok::Ident)
                Fail(block, "unknown statement " + block.text);
            Fail(block, "expected BLOCK before " + Describe(block));
        }
        const Token& nameAt = Peek();
        std::string name = ExpectString();
        ExpectBegin();
        if (EqualNoCase(name, "StringFileInfo"))
        {
            while (!AtEnd())
            {
                const Token& inner = Next();
                if (!IsWord(inner, "BLOCK"))
                    Fail(inner, "expected BLOCK before " + Describe(inner));
                const Token& langAt = Peek();
                std::string lang = ExpectString();
                bool hex = lang.size() == 8;
                for (char& ch : lang)
                {
                    hex = hex && std::isxdigit(static_cast<unsigned char>(ch));
                    if (ch >= 'a' && ch <= 'f')
                        ch = static_cast<char>(ch - 'a' + 'A');
                }
                if (!hex)
                    Fail(langAt, "a string block is named by 8 hexadecimal digits");
                if (haveStrings)
                    Fail(langAt, "only one string block is supported");
                haveStrings = true;
                v.blockName = lang;
                ExpectBegin();
                while (!AtEnd())
                {
                    const Token& value = Next();
                    if (!IsWord(value, "VALUE"))
                    {
                        if (value.kind == Tok::Ident)
                            Fail(value, "unknown statement " + value.text);
                        Fail(value, "expected VALUE before " + Describe(value));
                    }
                    std::string key = ExpectString();
                    Expect(",");
                    std::string text = ExpectString();
                    // "...\0" terminators written in the script are not part of the value.
                    text = text.substr(0, text.find('\0'));
                    v.strings.emplace_back(std::move(key), std::move(text));
                }
            }
        }
        else if (EqualNoCase(name, "VarFileInfo"))
        {
            while (!AtEnd())
            {
                const Token& value = Next();
                if (!IsWord(value, "VALUE"))
                {
                    if (value.kind == Tok::Ident)
                        Fail(value, "unknown statement " + value.text);
                    Fail(value, "expected VALUE before " + Describe(value));
                }
                std::string key = ExpectString();
                std::vector<DWORD> numbers;
                while (Accept(","))
                    numbers.push_back(static_cast<DWORD>(Expression()) & 0xFFFF);
                if (EqualNoCase(key, "Translation"))
                    v.translation = std::move(numbers);
            }
        }
        else
            Fail(nameAt, "unknown block \"" + name + "\"");
    }
}

std::uint32_t Read16(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}
std::uint32_t Read32(const unsigned char* p)
{
    return Read16(p) | (Read16(p + 2) << 16);
}

bool DecodeImage(const unsigned char* data, std::size_t size, RcIconImage& image)
{
    static const unsigned char kPng[] = {0x89, 'P', 'N', 'G'};
    if (size < 40 || std::memcmp(data, kPng, 4) == 0)
        return false;
    std::uint32_t headerSize = Read32(data);
    std::int32_t width = static_cast<std::int32_t>(Read32(data + 4));
    std::int32_t height2 = static_cast<std::int32_t>(Read32(data + 8));
    std::uint32_t planes = Read16(data + 12), bpp = Read16(data + 14);
    std::uint32_t compression = Read32(data + 16), used = Read32(data + 32);
    if (headerSize < 40 || headerSize > size || planes != 1 || compression != 0)
        return false;
    if (width < 1 || width > 256 || height2 < 2 || height2 > 512 || height2 % 2 != 0)
        return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        return false;
    const int w = width, h = height2 / 2;
    std::size_t colours = 0;
    if (bpp <= 8)
    {
        colours = used ? used : (1u << bpp);
        if (colours > (1u << bpp))
            return false;
    }
    const std::size_t xorStride = (static_cast<std::size_t>(w) * bpp + 31) / 32 * 4;
    const std::size_t andStride = (static_cast<std::size_t>(w) + 31) / 32 * 4;
    const std::size_t paletteAt = headerSize, xorAt = paletteAt + 4 * colours;
    const std::size_t andAt = xorAt + xorStride * h;
    const bool haveMask = andAt + andStride * h <= size;
    if (andAt > size || (!haveMask && bpp != 32))
        return false;

    image.width = w;
    image.height = h;
    image.bitCount = static_cast<int>(bpp);
    image.argb.assign(static_cast<std::size_t>(w) * h, 0);
    bool anyAlpha = false;
    for (int y = 0; y < h; ++y)
    {
        const unsigned char* row = data + xorAt + xorStride * (h - 1 - y); // bottom-up
        for (int x = 0; x < w; ++x)
        {
            std::uint32_t rgb = 0, alpha = 0xFF;
            if (bpp <= 8)
            {
                std::uint32_t index;
                if (bpp == 8)
                    index = row[x];
                else if (bpp == 4)
                    index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
                else
                    index = (row[x / 8] >> (7 - x % 8)) & 1;
                if (index >= colours)
                    return false;
                const unsigned char* c = data + paletteAt + 4 * index;
                rgb = (static_cast<std::uint32_t>(c[2]) << 16) | (c[1] << 8) | c[0];
            }
            else
            {
                const unsigned char* c = row + x * (bpp / 8);
                rgb = (static_cast<std::uint32_t>(c[2]) << 16) | (c[1] << 8) | c[0];
                if (bpp == 32)
                {
                    alpha = c[3];
                    anyAlpha = anyAlpha || alpha != 0;
                }
            }
            image.argb[static_cast<std::size_t>(y) * w + x] = (alpha << 24) | rgb;
        }
    }
    // The mask decides where there is no alpha channel, or where a 32-bit image leaves it all
    // zero, as Windows draws such images.
    if (bpp != 32 || !anyAlpha)
    {
        for (int y = 0; y < h; ++y)
        {
            const unsigned char* row = data + andAt + andStride * (h - 1 - y);
            for (int x = 0; x < w; ++x)
            {
                bool transparent = haveMask && ((row[x / 8] >> (7 - x % 8)) & 1);
                std::uint32_t& px = image.argb[static_cast<std::size_t>(y) * w + x];
                px = (px & 0x00FFFFFF) | (transparent ? 0u : 0xFF000000u);
            }
        }
    }
    return true;
}

} // namespace

bool DecodeIconFile(const std::vector<unsigned char>& ico, std::vector<RcIconImage>& images)
{
    images.clear();
    if (ico.size() < 6)
        return false;
    const unsigned char* d = ico.data();
    std::uint32_t count = Read16(d + 4);
    if (Read16(d) != 0 || Read16(d + 2) != 1 || count == 0 || 6 + 16 * count > ico.size())
        return false;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const unsigned char* entry = d + 6 + 16 * i;
        std::uint64_t length = Read32(entry + 8), offset = Read32(entry + 12);
        if (offset + length > ico.size())
        {
            images.clear();
            return false;
        }
        RcIconImage image;
        if (!DecodeImage(d + offset, static_cast<std::size_t>(length), image))
        {
            images.clear();
            return false;
        }
        images.push_back(std::move(image));
    }
    return true;
}

RcScript ParseResourceScript(const std::string& fileName, const std::string& text,
                             const std::function<bool(const std::string&, std::string&)>& openFile)
{
    Preprocessor pp(openFile);
    pp.Run(fileName, text, 0);
    int lastLine = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    if (!text.empty() && text.back() == '\n')
        --lastLine;
    Parser parser(pp, openFile);
    return parser.Parse(lastLine);
}

} // namespace afx
