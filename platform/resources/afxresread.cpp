// Reading a compiled resource file (.res): a sequence of entries, each a header (sizes, type,
// name, language) and its data, every entry starting on a four-byte boundary. The program's
// types are read as Windows' loader lays them out: dialog templates, icon groups and their
// images, string table blocks and the version block. Every read is checked against the bounds of
// what contains it, so damage stops the reading with where and what, instead of reading past the
// end.
#include "afxcp1252.h"
#include "afxresources.h"

#include <set>

namespace afx
{

const RcDialog* Resources::FindDialog(int id) const
{
    auto it = dialogs.find(id);
    return it == dialogs.end() ? nullptr : &it->second;
}

const RcIcon* Resources::FindIcon(int id) const
{
    auto it = icons.find(id);
    return it == icons.end() ? nullptr : &it->second;
}

namespace
{

constexpr int kRtIcon = 3, kRtDialog = 5, kRtString = 6, kRtGroupIcon = 14, kRtVersion = 16;
constexpr DWORD kDsSetFont = 0x40; // DS_SHELLFONT includes it
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr int kMaxVersionDepth = 4; // the version block, a group, a table, a value

struct Damage
{
    std::string why;
};

// A name or an ordinal, as types, names, classes and titles are stored: 0xFFFF then the number,
// or a zero-terminated UTF-16 string.
struct NameOrOrdinal
{
    int ordinal = -1; // -1 for a name
    std::string name; // code page 1252
};

// A bounded view of part of the file. Offsets in messages count from the file's start;
// alignment counts from the start of the view's resource data, as the loader sees it in memory.
class Cursor
{
public:
    Cursor(const unsigned char* file, std::size_t begin, std::size_t end, std::size_t base,
           std::string where)
        : file_(file), pos_(begin), end_(end), base_(base), where_(std::move(where))
    {
    }

    std::size_t pos() const { return pos_; }
    std::size_t end() const { return end_; }
    std::size_t left() const { return end_ - pos_; }

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw Damage{where_ + ": " + what + " (octet " + std::to_string(pos_) + ")"};
    }

    void Need(std::size_t n, const char* what) const
    {
        if (n > left())
            Fail(std::string(what) + ": fin des données");
    }
    // The UTF-16 unit `units` units ahead, without moving; the caller has made sure it is there.
    std::uint32_t Peek(std::size_t units) const
    {
        const unsigned char* p = file_ + pos_ + 2 * units;
        return p[0] | (static_cast<std::uint32_t>(p[1]) << 8);
    }
    std::uint32_t U16(const char* what)
    {
        Need(2, what);
        const std::uint32_t v = Peek(0);
        pos_ += 2;
        return v;
    }
    std::uint32_t U32(const char* what)
    {
        std::uint32_t low = U16(what);
        return low | (U16(what) << 16);
    }
    int S16(const char* what) { return static_cast<std::int16_t>(U16(what)); }
    void Skip(std::size_t n, const char* what)
    {
        Need(n, what);
        pos_ += n;
    }
    // Past the padding to the next four-byte boundary; the end of the view counts as one.
    void Align()
    {
        std::size_t aligned = base_ + (pos_ - base_ + 3) / 4 * 4;
        pos_ = aligned < end_ ? aligned : end_;
    }
    // units UTF-16 units, in code page 1252; with terminated, up to the first zero unit among them,
    // all of them consumed.
    std::string Text(std::size_t units, const char* what, bool terminated = false)
    {
        Need(units * 2, what);
        std::size_t length = 0;
        while (length < units && !(terminated && Peek(length) == 0))
            ++length;
        std::string text = Utf16ToCp1252(
            std::string_view(reinterpret_cast<const char*>(file_ + pos_), length * 2), false);
        pos_ += units * 2;
        return text;
    }
    // A zero-terminated UTF-16 string, terminator consumed.
    std::string String(const char* what)
    {
        std::size_t units = 0;
        for (; (units + 1) * 2 <= left(); ++units)
            if (Peek(units) == 0)
                return Text(units + 1, what, true);
        Fail(std::string(what) + " sans fin");
    }
    NameOrOrdinal NameOrId(const char* what)
    {
        NameOrOrdinal n;
        Need(2, what);
        if (Peek(0) == 0xFFFF)
        {
            pos_ += 2;
            n.ordinal = static_cast<int>(U16(what));
        }
        else
            n.name = String(what);
        return n;
    }
    const unsigned char* Here() const { return file_ + pos_; }
    // Part of this view, aligned and named as it is.
    Cursor Part(std::size_t begin, std::size_t end) const
    {
        return Cursor(file_, begin, end, base_, where_);
    }
    Cursor Named(std::string where) const
    {
        Cursor c = *this;
        c.where_ = std::move(where);
        return c;
    }

private:
    const unsigned char* file_;
    std::size_t pos_, end_, base_;
    std::string where_;
};

const char* ClassOfOrdinal(int ordinal)
{
    static const char* const kClasses[] = {"BUTTON",  "EDIT",      "STATIC",
                                           "LISTBOX", "SCROLLBAR", "COMBOBOX"};
    return ordinal >= 0x80 && ordinal < 0x86 ? kClasses[ordinal - 0x80] : nullptr;
}

// Classic templates (DIALOG) and extended ones (DIALOGEX) differ in the order and width of the
// fields that open the template and each control.
void ReadStyles(Cursor& c, bool extended, DWORD& style, DWORD& exStyle)
{
    if (extended)
    {
        c.U32("numéro d'aide");
        exStyle = c.U32("style étendu");
        style = c.U32("style");
    }
    else
    {
        style = c.U32("style");
        exStyle = c.U32("style étendu");
    }
}

void ReadPlace(Cursor& c, int& x, int& y, int& cx, int& cy)
{
    x = c.S16("position");
    y = c.S16("position");
    cx = c.S16("taille");
    cy = c.S16("taille");
}

RcDialog ReadDialog(Cursor c)
{
    RcDialog d;
    // An extended template starts with version 1 and 0xFFFF.
    const bool extended = c.left() >= 4 && c.Peek(0) == 1 && c.Peek(1) == 0xFFFF;
    if (extended)
        c.Skip(4, "en-tête");
    ReadStyles(c, extended, d.style, d.exStyle);
    const std::uint32_t count = c.U16("nombre de contrôles");
    ReadPlace(c, d.x, d.y, d.cx, d.cy);
    c.NameOrId("menu");
    c.NameOrId("classe");
    d.caption = c.String("titre");
    if (d.style & kDsSetFont)
    {
        d.pointSize = static_cast<int>(c.U16("taille de police"));
        if (extended)
            c.Skip(4, "police"); // weight, italic, character set
        d.fontFace = c.String("nom de police");
    }
    // The smallest control: its fixed fields, then a class, a title and an extra count of one
    // word each, padded to four bytes.
    const std::size_t smallest = extended ? 32 : 24;
    c.Align();
    if (count > (c.left() + 3) / smallest)
        c.Fail(std::to_string(count) + " contrôles annoncés, place pour " +
               std::to_string((c.left() + 3) / smallest));
    for (std::uint32_t i = 0; i < count; ++i)
    {
        c.Align();
        RcControl control;
        ReadStyles(c, extended, control.style, control.exStyle);
        ReadPlace(c, control.x, control.y, control.cx, control.cy);
        // The script's -1 (IDC_STATIC) comes back as -1 from either width.
        control.id =
            extended ? static_cast<std::int32_t>(c.U32("identifiant")) : c.S16("identifiant");
        NameOrOrdinal cls = c.NameOrId("classe");
        const char* known = cls.ordinal >= 0 ? ClassOfOrdinal(cls.ordinal) : cls.name.c_str();
        if (known == nullptr || *known == '\0')
            c.Fail("contrôle " + std::to_string(i) +
                   (cls.ordinal >= 0 ? ": classe " + std::to_string(cls.ordinal) + " inconnue"
                                     : ": sans classe"));
        control.className = known;
        // A lone zero word is no title; an ordinal one names an icon.
        NameOrOrdinal title = c.NameOrId("titre");
        if (title.ordinal >= 0)
            control.iconId = title.ordinal;
        else
            control.text = title.name;
        c.Skip(c.U16("données de création"), "données de création");
        d.controls.push_back(std::move(control));
    }
    return d;
}

// A string table block holds sixteen counted strings: block n holds ids 16(n-1) to 16n-1.
void ReadStringBlock(Cursor c, int block, std::map<int, std::string>& strings)
{
    for (int i = 0; i < 16; ++i)
    {
        std::string text = c.Text(c.U16("longueur de chaîne"), "chaîne");
        if (!text.empty())
            strings.emplace((block - 1) * 16 + i, std::move(text));
    }
}

// A node of the version block: its length, value length and type words, its key, its value and
// its children, each part padded to four bytes. Of its value only the start is kept.
struct VersionNode
{
    std::string key;
    Cursor value;
    std::vector<VersionNode> children;
};

VersionNode ReadVersionNode(Cursor& c, int depth)
{
    if (depth > kMaxVersionDepth)
        c.Fail("bloc de version trop imbriqué");
    c.Align();
    const std::size_t start = c.pos();
    const std::uint32_t length = c.U16("longueur de bloc");
    const std::uint32_t valueLength = c.U16("longueur de valeur");
    const bool text = c.U16("type de valeur") == 1;
    if (length < 6 || length > c.end() - start)
        c.Fail("bloc de " + std::to_string(length) + " octets pour " +
               std::to_string(c.end() - start) + " disponibles");
    Cursor node = c.Part(c.pos(), start + length);
    std::string key = node.String("clé");
    node.Align();
    // Text values count UTF-16 units, binary ones bytes.
    const std::size_t valueAt = node.pos();
    const std::size_t valueBytes = text ? 2 * static_cast<std::size_t>(valueLength) : valueLength;
    node.Skip(valueBytes, ("valeur de " + key).c_str());
    VersionNode n{std::move(key), node.Part(valueAt, valueAt + valueBytes), {}};
    node.Align();
    while (node.left() > 0)
        n.children.push_back(ReadVersionNode(node, depth + 1));
    c.Skip(length - (c.pos() - start), "bloc");
    return n;
}

// The whole block is checked; the original file name is all the program takes from it.
std::string ReadOriginalFilename(Cursor c)
{
    VersionNode root = ReadVersionNode(c, 1);
    if (root.key != "VS_VERSION_INFO")
        c.Fail("clé \"" + root.key + "\" au lieu de VS_VERSION_INFO");
    if (root.value.left() != 0 && root.value.U32("signature") != kFixedFileInfoSignature)
        root.value.Fail("signature de version invalide");
    for (const VersionNode& group : root.children)
    {
        // The first table is the program's language; others would be translations.
        if (group.key != "StringFileInfo" || group.children.empty())
            continue;
        for (const VersionNode& value : group.children.front().children)
        {
            // Values carry their terminator, and sometimes one of the script's own before it.
            Cursor text = value.value;
            if (value.key == "OriginalFilename")
                return text.Text(text.left() / 2, "valeur", true);
        }
        break;
    }
    return "";
}

// Icon groups name their images by RT_ICON id; the group decides the order.
RcIcon ReadIconGroup(Cursor c, const std::map<int, Cursor>& images, std::size_t& pixelBudget)
{
    RcIcon icon;
    if (c.U16("en-tête de groupe") != 0)
        c.Fail("mot réservé non nul");
    if (c.U16("en-tête de groupe") != 1)
        c.Fail("groupe d'un autre type que les icônes");
    const std::uint32_t count = c.U16("nombre d'images");
    if (count == 0)
        c.Fail("groupe sans image");
    if (count > c.left() / 14)
        c.Fail(std::to_string(count) + " images annoncées, place pour " +
               std::to_string(c.left() / 14));
    for (std::uint32_t i = 0; i < count; ++i)
    {
        c.Skip(12, "entrée de groupe"); // size, colours, planes and depth: the image says them
        const int imageId = static_cast<int>(c.U16("numéro d'image"));
        auto it = images.find(imageId);
        if (it == images.end())
            c.Fail("image " + std::to_string(imageId) + " absente");
        RcIconImage image;
        if (const char* why = DecodeIconImage(it->second.Here(), it->second.left(), image))
            c.Fail("image " + std::to_string(imageId) + ": " + why);
        if (image.argb.size() > pixelBudget)
            c.Fail("les images décodées dépassent de loin la taille du fichier");
        pixelBudget -= image.argb.size();
        icon.images.push_back(std::move(image));
    }
    return icon;
}

struct Entry
{
    NameOrOrdinal type, name;
    Cursor data;
};

Resources Read(const unsigned char* data, std::size_t size)
{
    std::vector<Entry> entries;
    std::size_t pos = 0;
    for (std::size_t index = 0; pos < size; ++index)
    {
        Cursor head(data, pos, size, pos, "ressource " + std::to_string(index));
        const std::uint32_t dataSize = head.U32("en-tête");
        const std::uint32_t headerSize = head.U32("en-tête");
        if (headerSize < 32 || headerSize > size - pos)
            head.Fail("en-tête de " + std::to_string(headerSize) + " octets pour " +
                      std::to_string(size - pos) + " restants");
        // Data version, memory flags, language, version and characteristics follow the names:
        // whatever their language, resources are looked up by type and number alone.
        Cursor h = head.Part(head.pos(), pos + headerSize);
        NameOrOrdinal type = h.NameOrId("type");
        NameOrOrdinal name = h.NameOrId("nom");
        h.Align();
        h.Skip(16, "caractéristiques");
        const std::size_t dataAt = pos + headerSize;
        if (dataSize > size - dataAt)
            head.Fail(std::to_string(dataSize) + " octets de données pour " +
                      std::to_string(size - dataAt) + " restants");
        pos = dataAt + dataSize;
        pos = pos + (4 - pos % 4) % 4;
        if (type.ordinal >= 0 && name.ordinal >= 0)
            entries.push_back({std::move(type), std::move(name),
                               Cursor(data, dataAt, dataAt + dataSize, dataAt, "")});
    }

    // Only resources named by number are looked up; of one type and number, the first one read
    // is the one used.
    Resources res;
    std::map<int, Cursor> images;
    std::set<int> stringBlocks;
    bool haveVersion = false;
    for (const Entry& e : entries)
    {
        const int id = e.name.ordinal;
        auto view = [&](const std::string& what)
        { return e.data.Named(what + std::to_string(id)); };
        switch (e.type.ordinal)
        {
            case kRtIcon:
                images.emplace(id, e.data);
                break;
            case kRtDialog:
                if (!res.dialogs.count(id))
                    res.dialogs.emplace(id, ReadDialog(view("dialogue ")));
                break;
            case kRtString:
                if (id < 1 || id > 4096)
                    view("bloc de chaînes ").Fail("numéro hors de 1 à 4096");
                if (stringBlocks.insert(id).second)
                    ReadStringBlock(view("bloc de chaînes "), id, res.strings);
                break;
            case kRtVersion:
                if (!haveVersion)
                    res.originalFilename = ReadOriginalFilename(view("version "));
                haveVersion = true;
                break;
            default:
                break;
        }
    }
    // A legitimate file spends at least two bits per icon pixel (colour and mask): groups that
    // decode to more are naming the same images over and over.
    std::size_t pixelBudget = 4 * size + 65536;
    for (const Entry& e : entries)
        if (e.type.ordinal == kRtGroupIcon && !res.icons.count(e.name.ordinal))
            res.icons.emplace(e.name.ordinal,
                              ReadIconGroup(e.data.Named("icône " + std::to_string(e.name.ordinal)),
                                            images, pixelBudget));
    return res;
}

} // namespace

ResourceReading ReadResources(const unsigned char* data, std::size_t size)
{
    ResourceReading reading;
    if (data == nullptr && size != 0)
    {
        reading.error = "aucune donnée";
        return reading;
    }
    try
    {
        reading.resources = Read(data, size);
    }
    catch (const Damage& d)
    {
        reading.error = d.why;
    }
    return reading;
}

} // namespace afx
