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
    bool isOrdinal = false;
    int ordinal = 0;
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
    const std::string& where() const { return where_; }

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw Damage{where_ + ": " + what + " (octet " + std::to_string(pos_) + ")"};
    }

    void Need(std::size_t n, const char* what) const
    {
        if (n > left())
            Fail(std::string(what) + ": fin des données");
    }
    unsigned U8(const char* what)
    {
        Need(1, what);
        return file_[pos_++];
    }
    std::uint32_t U16(const char* what)
    {
        Need(2, what);
        std::uint32_t v = file_[pos_] | (static_cast<std::uint32_t>(file_[pos_ + 1]) << 8);
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
    // count UTF-16 units, in code page 1252.
    std::string Text(std::size_t units, const char* what)
    {
        Need(units * 2, what);
        std::string text = Utf16ToCp1252(
            std::string_view(reinterpret_cast<const char*>(file_ + pos_), units * 2), false);
        pos_ += units * 2;
        return text;
    }
    // A zero-terminated UTF-16 string, terminator consumed.
    std::string String(const char* what)
    {
        std::size_t units = 0;
        for (;; ++units)
        {
            if ((units + 1) * 2 > left())
                Fail(std::string(what) + " sans fin");
            if (file_[pos_ + units * 2] == 0 && file_[pos_ + units * 2 + 1] == 0)
                break;
        }
        std::string text = Text(units, what);
        pos_ += 2;
        return text;
    }
    NameOrOrdinal NameOrId(const char* what)
    {
        NameOrOrdinal n;
        Need(2, what);
        if (file_[pos_] == 0xFF && file_[pos_ + 1] == 0xFF)
        {
            pos_ += 2;
            n.isOrdinal = true;
            n.ordinal = static_cast<int>(U16(what));
        }
        else
            n.name = String(what);
        return n;
    }
    const unsigned char* file() const { return file_; }
    // Part of this view, aligned and named as it is.
    Cursor Part(std::size_t begin, std::size_t end) const
    {
        return Cursor(file_, begin, end, base_, where_);
    }

private:
    const unsigned char* file_;
    std::size_t pos_, end_, base_;
    std::string where_;
};

std::string Describe(const NameOrOrdinal& n)
{
    return n.isOrdinal ? std::to_string(n.ordinal) : "\"" + n.name + "\"";
}

const char* ClassOfOrdinal(int ordinal)
{
    switch (ordinal)
    {
        case 0x80:
            return "BUTTON";
        case 0x81:
            return "EDIT";
        case 0x82:
            return "STATIC";
        case 0x83:
            return "LISTBOX";
        case 0x84:
            return "SCROLLBAR";
        case 0x85:
            return "COMBOBOX";
        default:
            return nullptr;
    }
}

// Classic templates (DIALOG) and extended ones (DIALOGEX, which start with version 1 and
// 0xFFFF) differ in the order and width of their fields.
RcDialog ReadDialog(Cursor c, int id, WORD language)
{
    RcDialog d;
    d.id = id;
    d.language = language;
    if (c.left() >= 4 && c.file()[c.pos()] == 1 && c.file()[c.pos() + 1] == 0 &&
        c.file()[c.pos() + 2] == 0xFF && c.file()[c.pos() + 3] == 0xFF)
    {
        d.extended = true;
        c.Skip(4, "en-tête");
        c.U32("numéro d'aide");
        d.exStyle = c.U32("style étendu");
        d.style = c.U32("style");
    }
    else
    {
        d.style = c.U32("style");
        d.exStyle = c.U32("style étendu");
    }
    const std::uint32_t count = c.U16("nombre de contrôles");
    d.x = c.S16("position");
    d.y = c.S16("position");
    d.cx = c.S16("taille");
    d.cy = c.S16("taille");
    c.NameOrId("menu");
    c.NameOrId("classe");
    d.caption = c.String("titre");
    if (d.style & kDsSetFont)
    {
        d.pointSize = static_cast<int>(c.U16("taille de police"));
        if (d.extended)
            c.Skip(4, "police"); // weight, italic, character set
        d.fontFace = c.String("nom de police");
    }
    // The smallest control: its fixed fields, then a class, a title and an extra count of one
    // word each, padded to four bytes.
    const std::size_t smallest = d.extended ? 32 : 24;
    c.Align();
    if (count > (c.left() + 3) / smallest)
        c.Fail(std::to_string(count) + " contrôles annoncés, place pour " +
               std::to_string((c.left() + 3) / smallest));
    for (std::uint32_t i = 0; i < count; ++i)
    {
        c.Align();
        RcControl control;
        if (d.extended)
        {
            c.U32("numéro d'aide");
            control.exStyle = c.U32("style étendu");
            control.style = c.U32("style");
        }
        else
        {
            control.style = c.U32("style");
            control.exStyle = c.U32("style étendu");
        }
        control.x = c.S16("position");
        control.y = c.S16("position");
        control.cx = c.S16("taille");
        control.cy = c.S16("taille");
        // The script's -1 (IDC_STATIC) comes back as -1 from either width.
        control.id =
            d.extended ? static_cast<std::int32_t>(c.U32("identifiant")) : c.S16("identifiant");
        NameOrOrdinal cls = c.NameOrId("classe");
        if (cls.isOrdinal)
        {
            const char* known = ClassOfOrdinal(cls.ordinal);
            if (known == nullptr)
                c.Fail("contrôle " + std::to_string(i) + ": classe " + std::to_string(cls.ordinal) +
                       " inconnue");
            control.className = known;
        }
        else if (cls.name.empty())
            c.Fail("contrôle " + std::to_string(i) + ": sans classe");
        else
            control.className = cls.name;
        // A lone zero word is no title; an ordinal one names an icon.
        NameOrOrdinal title = c.NameOrId("titre");
        if (title.isOrdinal)
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
// its children, each part padded to four bytes.
struct VersionNode
{
    std::string key;
    std::size_t valueAt = 0, valueBytes = 0;
    bool text = false;
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
    const std::uint32_t type = c.U16("type de valeur");
    if (length < 6 || length > c.end() - start)
        c.Fail("bloc de " + std::to_string(length) + " octets pour " +
               std::to_string(c.end() - start) + " disponibles");
    Cursor node = c.Part(c.pos(), start + length);
    VersionNode n;
    n.key = node.String("clé");
    n.text = type == 1;
    node.Align();
    n.valueAt = node.pos();
    // Text values count UTF-16 units, binary ones bytes.
    n.valueBytes = n.text ? 2 * static_cast<std::size_t>(valueLength) : valueLength;
    node.Skip(n.valueBytes, ("valeur de " + n.key).c_str());
    node.Align();
    while (node.left() > 0)
        n.children.push_back(ReadVersionNode(node, depth + 1));
    c.Skip(length - (c.pos() - start), "bloc");
    return n;
}

std::string TextValue(const Cursor& c, const VersionNode& n)
{
    // Values carry their terminator, and sometimes one of the script's own before it.
    Cursor value = c.Part(n.valueAt, n.valueAt + n.valueBytes);
    std::size_t units = 0;
    while ((units + 1) * 2 <= n.valueBytes &&
           (c.file()[n.valueAt + 2 * units] != 0 || c.file()[n.valueAt + 2 * units + 1] != 0))
        ++units;
    return value.Text(units, "valeur");
}

RcVersion ReadVersion(Cursor c, WORD language)
{
    RcVersion v;
    v.language = language;
    VersionNode root = ReadVersionNode(c, 1);
    if (root.key != "VS_VERSION_INFO")
        c.Fail("clé \"" + root.key + "\" au lieu de VS_VERSION_INFO");
    if (root.valueBytes != 0)
    {
        Cursor fixed = c.Part(root.valueAt, root.valueAt + root.valueBytes);
        if (fixed.U32("signature") != kFixedFileInfoSignature)
            fixed.Fail("signature de version invalide");
        fixed.U32("version de structure");
        v.fileVersionMS = fixed.U32("version");
        v.fileVersionLS = fixed.U32("version");
        v.productVersionMS = fixed.U32("version de produit");
        v.productVersionLS = fixed.U32("version de produit");
        v.fileFlagsMask = fixed.U32("masque d'attributs");
        v.fileFlags = fixed.U32("attributs");
        v.fileOS = fixed.U32("système");
        v.fileType = fixed.U32("type de fichier");
        v.fileSubtype = fixed.U32("sous-type de fichier");
    }
    for (const VersionNode& group : root.children)
    {
        if (group.key == "StringFileInfo")
        {
            // The first table is the program's language; others would be translations.
            if (!group.children.empty() && v.blockName.empty())
            {
                const VersionNode& table = group.children.front();
                v.blockName = table.key;
                for (const VersionNode& value : table.children)
                    v.strings.emplace_back(value.key, TextValue(c, value));
            }
        }
        else if (group.key == "VarFileInfo")
        {
            for (const VersionNode& var : group.children)
                if (var.key == "Translation")
                {
                    Cursor words = c.Part(var.valueAt, var.valueAt + var.valueBytes / 2 * 2);
                    while (words.left() > 0)
                        v.translation.push_back(static_cast<WORD>(words.U16("traduction")));
                }
        }
    }
    return v;
}

// Icon groups name their images by RT_ICON id; the group decides the order.
RcIcon ReadIconGroup(Cursor c, int id, WORD language,
                     const std::map<int, std::pair<std::size_t, std::size_t>>& images,
                     std::size_t& pixelBudget)
{
    RcIcon icon;
    icon.id = id;
    icon.language = language;
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
        if (const char* why =
                DecodeIconImage(c.file() + it->second.first, it->second.second, image))
            c.Fail("image " + std::to_string(imageId) + ": " + why);
        const std::size_t pixels = image.argb.size();
        if (pixels > pixelBudget)
            c.Fail("les images décodées dépassent de loin la taille du fichier");
        pixelBudget -= pixels;
        icon.images.push_back(std::move(image));
    }
    return icon;
}

struct Entry
{
    NameOrOrdinal type, name;
    WORD language = 0;
    std::size_t dataAt = 0, dataSize = 0;
    std::size_t index = 0;
};

std::string EntryName(const Entry& e)
{
    return "ressource " + std::to_string(e.index) + " (type " + Describe(e.type) + ", nom " +
           Describe(e.name) + ")";
}

Resources Read(const unsigned char* data, std::size_t size)
{
    Resources res;
    std::vector<Entry> entries;
    std::size_t pos = 0;
    while (pos < size)
    {
        Entry e;
        e.index = entries.size();
        Cursor head(data, pos, size, pos, "ressource " + std::to_string(e.index));
        const std::uint32_t dataSize = head.U32("en-tête");
        const std::uint32_t headerSize = head.U32("en-tête");
        if (headerSize < 32 || headerSize > size - pos)
            head.Fail("en-tête de " + std::to_string(headerSize) + " octets pour " +
                      std::to_string(size - pos) + " restants");
        Cursor h(data, head.pos(), pos + headerSize, pos, head.where());
        e.type = h.NameOrId("type");
        e.name = h.NameOrId("nom");
        h.Align();
        h.U32("version des données");
        h.U16("attributs mémoire");
        e.language = static_cast<WORD>(h.U16("langue"));
        h.U32("version");
        h.U32("caractéristiques");
        e.dataAt = pos + headerSize;
        if (dataSize > size - e.dataAt)
            head.Fail(std::to_string(dataSize) + " octets de données pour " +
                      std::to_string(size - e.dataAt) + " restants");
        e.dataSize = dataSize;
        pos = e.dataAt + e.dataSize;
        pos = pos + (4 - pos % 4) % 4;
        res.entries.push_back({e.type.isOrdinal ? e.type.ordinal : -1,
                               e.name.isOrdinal ? e.name.ordinal : -1, e.language});
        entries.push_back(std::move(e));
    }

    // Only resources named by number are looked up; of one type and number, the first one read
    // is the one used, whatever its language.
    std::map<int, std::pair<std::size_t, std::size_t>> images;
    std::set<int> stringBlocks;
    bool haveVersion = false;
    for (const Entry& e : entries)
    {
        if (!e.type.isOrdinal || !e.name.isOrdinal)
            continue;
        const int id = e.name.ordinal;
        auto view = [&](const std::string& what)
        { return Cursor(data, e.dataAt, e.dataAt + e.dataSize, e.dataAt, what); };
        switch (e.type.ordinal)
        {
            case kRtIcon:
                images.emplace(id, std::make_pair(e.dataAt, e.dataSize));
                break;
            case kRtDialog:
                if (!res.dialogs.count(id))
                    res.dialogs.emplace(
                        id, ReadDialog(view("dialogue " + std::to_string(id)), id, e.language));
                break;
            case kRtString:
                if (id < 1 || id > 4096)
                    view(EntryName(e)).Fail("bloc de chaînes hors de 1 à 4096");
                if (stringBlocks.insert(id).second)
                    ReadStringBlock(view("bloc de chaînes " + std::to_string(id)), id, res.strings);
                break;
            case kRtVersion:
                if (!haveVersion)
                    res.version = ReadVersion(view("version " + std::to_string(id)), e.language);
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
    {
        if (!e.type.isOrdinal || e.type.ordinal != kRtGroupIcon || !e.name.isOrdinal)
            continue;
        const int id = e.name.ordinal;
        if (!res.icons.count(id))
            res.icons.emplace(id, ReadIconGroup(Cursor(data, e.dataAt, e.dataAt + e.dataSize,
                                                       e.dataAt, "icône " + std::to_string(id)),
                                                id, e.language, images, pixelBudget));
    }
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
