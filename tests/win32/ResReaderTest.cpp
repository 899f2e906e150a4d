// The compiled resource reader on files written byte by byte here: icon bitmaps (rows bottom-up
// and padded to four bytes, then the AND mask, 1 = transparent), each resource type as the
// resource compiler lays it out, then damage of every kind, which must give an error naming the
// place, never a crash or a partial result.
#include "afxresources.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace
{

// Every field of a dialog template the reader gives, on one line, and each control on one more.
std::string Describe(const afx::RcDialog& d)
{
    std::ostringstream out;
    out << std::hex << d.style << " " << d.exStyle << std::dec << " " << d.x << "," << d.y << " "
        << d.cx << "x" << d.cy << " \"" << d.caption << "\" " << d.pointSize << " " << d.fontFace;
    for (const afx::RcControl& c : d.controls)
        out << "\n"
            << c.className << " \"" << c.text << "\" " << c.iconId << " " << c.id << " " << c.x
            << "," << c.y << " " << c.cx << "x" << c.cy << " " << std::hex << c.style << " "
            << c.exStyle << std::dec;
    return out.str();
}

// Little-endian bytes, for writing .ico and .res files field by field.
class Bytes
{
public:
    Bytes() = default;
    Bytes(std::vector<unsigned char> bytes) : data(std::move(bytes)) {}
    Bytes& u8(unsigned v)
    {
        data.push_back(static_cast<unsigned char>(v));
        return *this;
    }
    Bytes& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& raw(std::initializer_list<unsigned> bytes)
    {
        for (unsigned b : bytes)
            u8(b);
        return *this;
    }
    Bytes& append(const Bytes& other)
    {
        data.insert(data.end(), other.data.begin(), other.data.end());
        return *this;
    }
    // Zero-terminated UTF-16 of an ASCII or code page 1252 text (below U+0100 either way).
    Bytes& text(const std::string& s)
    {
        for (unsigned char c : s)
            u16(c);
        return u16(0);
    }
    Bytes& ordinal(unsigned id) { return u16(0xFFFF).u16(id); }
    // Zeros up to the next multiple of four bytes.
    Bytes& align()
    {
        while (data.size() % 4 != 0)
            u8(0);
        return *this;
    }
    std::vector<unsigned char> data;
};

// BITMAPINFOHEADER of an icon image: the height counts the colour bitmap and the mask.
Bytes BitmapHeader(int width, int height, int bitCount, std::uint32_t coloursUsed = 0)
{
    Bytes b;
    b.u32(40).u32(static_cast<std::uint32_t>(width)).u32(static_cast<std::uint32_t>(2 * height));
    b.u16(1).u16(static_cast<unsigned>(bitCount)).u32(0).u32(0);
    b.u32(0).u32(0).u32(coloursUsed).u32(0);
    return b;
}

// A compiled resource file: the empty entry that opens it, then the resources added.
class ResFile
{
public:
    ResFile() { add(0, 0, 0, {}); }
    ResFile& add(unsigned type, unsigned id, unsigned language, const Bytes& body)
    {
        return entry(Bytes().ordinal(type), Bytes().ordinal(id), language, body);
    }
    // type and name as stored: ordinals or zero-terminated UTF-16 names.
    ResFile& entry(const Bytes& type, const Bytes& name, unsigned language, const Bytes& body)
    {
        Bytes header;
        header.append(type).append(name).align();
        header.u32(0).u16(0x1030).u16(language).u32(0).u32(0);
        bytes.u32(static_cast<std::uint32_t>(body.data.size()))
            .u32(static_cast<std::uint32_t>(8 + header.data.size()));
        bytes.append(header).append(body).align();
        return *this;
    }
    Bytes bytes;
};

afx::ResourceReading Read(const std::vector<unsigned char>& bytes)
{
    return afx::ReadResources(bytes.data(), bytes.size());
}

// Palette entries are blue, green, red, reserved.
Bytes Palette(std::initializer_list<std::uint32_t> rgb)
{
    Bytes b;
    for (std::uint32_t c : rgb)
        b.u8(c & 0xFF).u8((c >> 8) & 0xFF).u8((c >> 16) & 0xFF).u8(0);
    return b;
}

TEST(IconDecode, EachDepth)
{
    const struct
    {
        const char* name;
        std::vector<int> shape;          // width, height, depth, colours used
        Bytes rest;                      // palette, colour rows bottom-up, mask rows bottom-up
        std::vector<std::uint32_t> argb; // top row first
    } cases[] = {
        // Bits 1 0 0 0 0 0 0 1 | 1, white as colour 1, read from the high bit; 9 bits and padding
        // to four bytes, then a mask all opaque.
        {"1 bit, padded row",
         {9, 1, 1, 0},
         Palette({0x000000, 0xFFFFFF}).raw({0x81, 0x80, 0, 0}).raw({0, 0, 0, 0}),
         {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
          0xFFFFFFFF, 0xFFFFFFFF}},
        {"8 bits, fewer colours used",
         {1, 2, 8, 2},
         Palette({0x102030, 0x405060}).raw({1, 0, 0, 0, 0, 0, 0, 0}).raw({0, 0, 0, 0, 0, 0, 0, 0}),
         {0xFF102030, 0xFF405060}},
        // 9 bytes of colour, 3 of padding; the third pixel transparent.
        {"24 bits, padded row",
         {3, 1, 24, 0},
         Bytes()
             .raw({0x01, 0x02, 0x03, 0x11, 0x12, 0x13, 0x21, 0x22, 0x23, 0xEE, 0xEE, 0xEE})
             .raw({0x20, 0, 0, 0}),
         {0xFF030201, 0xFF131211, 0x00232221}},
        // The mask says both transparent: ignored.
        {"32 bits: alpha wins over the mask",
         {2, 1, 32, 0},
         Bytes().raw({0x10, 0x20, 0x30, 0x80, 0x40, 0x50, 0x60, 0x00}).raw({0xC0, 0, 0, 0}),
         {0x80302010, 0x00605040}},
        {"32 bits without alpha: the mask decides",
         {2, 1, 32, 0},
         Bytes().raw({0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x00}).raw({0x40, 0, 0, 0}),
         {0xFF302010, 0x00605040}},
        {"32 bits without a mask at all",
         {2, 1, 32, 0},
         Bytes().raw({0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x7F}),
         {0x00302010, 0x7F605040}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Bytes image =
            BitmapHeader(c.shape[0], c.shape[1], c.shape[2], c.shape[3]).append(c.rest);
        afx::RcIconImage decoded;
        const char* why = afx::DecodeIconImage(image.data.data(), image.data.size(), decoded);
        ASSERT_EQ(why, nullptr) << why;
        EXPECT_EQ(std::vector<int>({decoded.width, decoded.height, decoded.bitCount}),
                  std::vector<int>(c.shape.begin(), c.shape.begin() + 3));
        EXPECT_EQ(decoded.argb, c.argb);
    }
}

TEST(IconDecode, RefusesWhatIsNotAClassicBitmap)
{
    const Bytes valid = BitmapHeader(1, 1, 24).raw({1, 2, 3, 0}).raw({0, 0, 0, 0});
    auto with = [&valid](std::size_t at, unsigned char value)
    {
        Bytes b = valid;
        b.data[at] = value;
        return b;
    };
    const struct
    {
        const char* name;
        Bytes image;
        const char* why;
    } cases[] = {
        {"header cut", Bytes({valid.data.begin(), valid.data.begin() + 39}), "tronqué"},
        {"pixels cut", Bytes({valid.data.begin(), valid.data.end() - 1}), "au-delà"},
        {"PNG", Bytes().raw({0x89, 'P', 'N', 'G', 13, 10, 26, 10}).append(valid), "PNG"},
        {"header size too small", with(0, 12), "en-tête"},
        {"two planes", with(12, 2), "plans"},
        {"compressed", with(16, 1), "compressé"},
        {"width 257", with(5, 1), "dimensions"}, // 0x101
        {"odd height", with(8, 3), "dimensions"},
        {"16 bits", with(14, 16), "profondeur"},
        {"palette larger than the depth",
         BitmapHeader(1, 1, 1, 3).append(Palette({0, 0, 0})).raw({0, 0, 0, 0}), "palette"},
        {"index past the palette",
         BitmapHeader(1, 1, 8, 2).append(Palette({0, 0})).raw({5, 0, 0, 0, 0, 0, 0, 0}),
         "hors de la palette"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        afx::RcIconImage image;
        image.width = 99;
        const char* why = afx::DecodeIconImage(c.image.data.data(), c.image.data.size(), image);
        ASSERT_NE(why, nullptr);
        EXPECT_NE(std::string(why).find(c.why), std::string::npos) << why;
        EXPECT_EQ(image.width, 99) << "left as it was";
    }
}

constexpr unsigned kFrench = 0x040C, kEnglish = 0x0409;
constexpr unsigned kIcon = 3, kDialog = 5, kString = 6, kGroupIcon = 14, kVersion = 16;

// A classic template (DIALOG) with a font, no menu and the default class.
Bytes ClassicDialog(unsigned count)
{
    Bytes b;
    b.u32(0x80C800C0).u32(0x20).u16(count).u16(1).u16(2).u16(235).u16(55);
    b.u16(0).u16(0).text("Titre \xE9").u16(8).text("MS Sans Serif");
    return b;
}

Bytes ClassicItem(DWORD style, unsigned id, const Bytes& cls, const Bytes& title)
{
    Bytes b;
    b.u32(style).u32(0).u16(11).u16(17).u16(20).u16(8).u16(id);
    return b.append(cls).append(title).u16(0);
}

// An extended template (DIALOGEX) with its font block.
Bytes ExtendedDialog(unsigned count)
{
    Bytes b;
    b.u16(1).u16(0xFFFF).u32(77).u32(WS_EX_APPWINDOW).u32(0x90C800C0).u16(count);
    b.u16(0).u16(0).u16(360).u16(215).u16(0).u16(0).text("Quintor");
    b.u16(8).u16(400).u8(0).u8(1).text("MS Sans Serif");
    return b;
}

Bytes ExtendedItem(DWORD style, DWORD exStyle, std::uint32_t id, const Bytes& cls,
                   const Bytes& title, const Bytes& extra = Bytes())
{
    Bytes b;
    b.u32(5).u32(exStyle).u32(style).u16(0xFFF9).u16(128).u16(346).u16(23).u32(id);
    b.append(cls).append(title).u16(static_cast<unsigned>(extra.data.size())).append(extra);
    return b;
}

// Items start on four-byte boundaries from the template's start.
Bytes Template(Bytes head, const std::vector<Bytes>& items)
{
    for (const Bytes& item : items)
        head.align().append(item);
    return head;
}

// A string table block: sixteen counted UTF-16 strings, all empty but one.
Bytes StringBlock(int index, const std::u16string& text)
{
    Bytes b;
    for (int i = 0; i < 16; ++i)
    {
        b.u16(i == index ? static_cast<unsigned>(text.size()) : 0);
        for (char16_t c : i == index ? text : std::u16string())
            b.u16(c);
    }
    return b;
}

// A node of the version block; its length word counts everything but its own final padding.
Bytes VersionNode(const std::string& key, unsigned type, const Bytes& value, unsigned valueLength,
                  const std::vector<Bytes>& children = {})
{
    Bytes b;
    b.u16(0).u16(valueLength).u16(type).text(key).align().append(value);
    for (const Bytes& child : children)
        b.align().append(child);
    b.data[0] = static_cast<unsigned char>(b.data.size() & 0xFF);
    b.data[1] = static_cast<unsigned char>(b.data.size() >> 8);
    return b;
}

Bytes TextValue(const std::string& key, const std::string& text)
{
    return VersionNode(key, 1, Bytes().text(text), static_cast<unsigned>(text.size() + 1));
}

// Its signature, then version numbers, flags and types the program does not read.
Bytes FixedFileInfo()
{
    return Bytes().u32(0xFEEF04BD).append(Bytes(std::vector<unsigned char>(48, 1)));
}

Bytes VersionBlock(const Bytes& fixed = FixedFileInfo(), const std::string& key = "VS_VERSION_INFO",
                   const std::string& name = "Quintor.EXE")
{
    return VersionNode(
        key, 0, fixed, static_cast<unsigned>(fixed.data.size()),
        {VersionNode("StringFileInfo", 1, Bytes(), 0,
                     {VersionNode("040c04b0", 1, Bytes(), 0,
                                  {TextValue("Comments", ""), TextValue("OriginalFilename", name),
                                   TextValue("LegalCopyright", "\xA9 2024")})})});
}

// A 2x2 icon image, 24 bits, the top-left pixel transparent.
Bytes IconImage(std::uint32_t rgb)
{
    Bytes b = BitmapHeader(2, 2, 24);
    for (int row = 0; row < 2; ++row)
        b.raw({rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16, rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16})
            .raw({0, 0});
    return b.raw({0, 0, 0, 0}).raw({0x80, 0, 0, 0}); // mask rows bottom-up
}

Bytes IconGroup(const std::vector<unsigned>& imageIds)
{
    Bytes b;
    b.u16(0).u16(1).u16(static_cast<unsigned>(imageIds.size()));
    for (unsigned id : imageIds)
        b.u8(2).u8(2).u8(0).u8(0).u16(1).u16(24).u32(70).u16(id);
    return b;
}

std::vector<unsigned char> Patched(std::vector<unsigned char> bytes, std::size_t at,
                                   std::initializer_list<unsigned> values)
{
    for (unsigned v : values)
        bytes.at(at++) = static_cast<unsigned char>(v);
    return bytes;
}

afx::Resources ReadOk(const ResFile& file)
{
    afx::ResourceReading reading = Read(file.bytes.data);
    EXPECT_EQ(reading.error, "");
    return reading.resources.value_or(afx::Resources());
}

// Of the version block, the original file name in the first string table, without the
// terminators the script may add.
TEST(ResReader, OriginalFilename)
{
    const struct
    {
        const char* name;
        Bytes block;
        const char* expected;
    } cases[] = {
        {"with the script's own terminator",
         VersionBlock(FixedFileInfo(), "VS_VERSION_INFO", std::string("Quintor.EXE\0", 12)),
         "Quintor.EXE"},
        {"without the fixed part", VersionBlock(Bytes()), "Quintor.EXE"},
        {"without a string table",
         VersionNode("VS_VERSION_INFO", 0, FixedFileInfo(), 52,
                     {VersionNode("VarFileInfo", 1, Bytes(), 0,
                                  {VersionNode("Translation", 0, Bytes().u32(0x04B0040C), 4)})}),
         ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadOk(ResFile().add(kVersion, 1, kFrench, c.block)).originalFilename,
                  c.expected);
    }
}

TEST(ResReader, IconGroupsOrderTheirImages)
{
    ResFile file;
    file.add(kIcon, 1, kFrench, IconImage(0x112233)).add(kIcon, 2, kFrench, IconImage(0x445566));
    file.add(kGroupIcon, 128, kFrench, IconGroup({2, 1}));
    file.add(kGroupIcon, 134, kEnglish, IconGroup({1}));
    const afx::Resources r = ReadOk(file);
    ASSERT_NE(r.FindIcon(128), nullptr);
    ASSERT_EQ(r.FindIcon(128)->images.size(), 2u);
    EXPECT_EQ(r.FindIcon(128)->images[0].argb,
              (std::vector<std::uint32_t>{0x00445566, 0xFF445566, 0xFF445566, 0xFF445566}));
    EXPECT_EQ(r.FindIcon(128)->images[1].argb[1], 0xFF112233u);
    ASSERT_NE(r.FindIcon(134), nullptr) << "whatever its language";
    EXPECT_EQ(r.FindIcon(1), nullptr) << "images are no icons of their own";
}

// Block n holds ids 16(n-1) to 16n-1, and characters beyond code page 1252 come out as '?'. Of one
// type and number the first one is used, whatever its language; named resources and unknown types
// are passed over; the last entry may lack the padding that would align a next one.
TEST(ResReader, StringBlocksAndWhichEntriesCount)
{
    ResFile file;
    file.add(kString, 1, kFrench, StringBlock(0, u"z\u00E9ro"));
    file.add(kString, 1, kEnglish, StringBlock(0, u"zero"));
    file.entry(Bytes().ordinal(kString), Bytes().text("NOM"), kFrench, StringBlock(3, u"x"));
    file.entry(Bytes().text("PERSO"), Bytes().ordinal(9), kFrench, Bytes().u32(0));
    file.add(24, 1, 0, Bytes().raw({'<', '?', 'x'})); // an odd size: padded to the next entry
    file.add(kString, 2, kFrench, StringBlock(0, u"seize"));
    file.add(kString, 4096, kFrench, StringBlock(15, u"\u0416ab"));
    file.bytes.data.resize(file.bytes.data.size() - 2);
    const afx::Resources r = ReadOk(file);
    EXPECT_EQ(r.strings,
              (std::map<int, std::string>{{0, "z\xE9ro"}, {16, "seize"}, {65535, "?ab"}}));
}

// One resource of each type the reader reads, valid as written.
struct Sample
{
    const char* where; // how errors name it
    unsigned type, id;
    Bytes body;
};

std::vector<Sample> Samples()
{
    return {
        {"dialogue 100", kDialog, 100,
         Template(ClassicDialog(1),
                  {ClassicItem(0x50030001, 1, Bytes().ordinal(0x80), Bytes().text("OK"))})},
        {"dialogue 102", kDialog, 102,
         Template(ExtendedDialog(1),
                  {ExtendedItem(0, 0, 5, Bytes().text("X"), Bytes().u16(0), Bytes().raw({1, 2}))})},
        {"bloc de cha\xEEnes 7", kString, 7, StringBlock(5, u"abc")},
        {"version 1", kVersion, 1, VersionBlock()},
        {"ic\xF4ne 128", kGroupIcon, 128, IconGroup({1})},
    };
}

// The classic and extended templates of the program itself are read in program_resources_test.
TEST(ResReader, DialogTemplates)
{
    Bytes bare;
    bare.u32(WS_POPUP).u32(0).u16(0).u16(0).u16(0).u16(10).u16(10).u16(0).u16(0).text("");
    const struct
    {
        const char* name;
        Bytes body;
        const char* expected;
    } cases[] = {
        {"extended, creation data skipped", Samples()[1].body,
         "90c800c0 40000 0,0 360x215 \"Quintor\" 8 MS Sans Serif\nX \"\" 0 5 -7,128 346x23 0 0"},
        {"without controls or font", bare, "80000000 0 0,0 10x10 \"\" 0 "},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const afx::Resources r = ReadOk(ResFile().add(kDialog, 7, kFrench, c.body));
        ASSERT_NE(r.FindDialog(7), nullptr);
        EXPECT_EQ(Describe(*r.FindDialog(7)), c.expected);
    }
}

// Each sample cut short anywhere, its header telling the shorter size: an error that names the
// resource. An icon group is cut with its image whole, and the image cut with the group whole.
TEST(ResReader, EveryTruncatedResourceIsAnError)
{
    for (const Sample& s : Samples())
    {
        for (std::size_t cut = 0; cut < s.body.data.size(); ++cut)
        {
            SCOPED_TRACE(std::string(s.where) + " cut at " + std::to_string(cut));
            ResFile file;
            file.add(kIcon, 1, kFrench, IconImage(0xFF));
            file.add(s.type, s.id, kFrench,
                     Bytes({s.body.data.begin(), s.body.data.begin() + cut}));
            afx::ResourceReading reading = Read(file.bytes.data);
            ASSERT_FALSE(reading.resources.has_value());
            EXPECT_EQ(reading.error.rfind(s.where, 0), 0u) << reading.error;
        }
    }
    const Bytes image = IconImage(0xFF);
    for (std::size_t cut = 0; cut < image.data.size(); ++cut)
    {
        SCOPED_TRACE("image cut at " + std::to_string(cut));
        ResFile file;
        file.add(kIcon, 1, kFrench, Bytes({image.data.begin(), image.data.begin() + cut}));
        file.add(kGroupIcon, 128, kFrench, IconGroup({1}));
        afx::ResourceReading reading = Read(file.bytes.data);
        ASSERT_FALSE(reading.resources.has_value());
        EXPECT_EQ(reading.error.rfind("ic\xF4ne 128: image 1: ", 0), 0u) << reading.error;
    }
}

TEST(ResReader, DamagedFilesGiveErrors)
{
    // Entry 1 is a string block: its header at 32, its data at 64.
    const std::vector<unsigned char> strings =
        ResFile().add(kString, 7, kFrench, StringBlock(5, u"abc")).bytes.data;
    const std::vector<unsigned char> dialog =
        ResFile().add(kDialog, 102, kFrench, Samples()[1].body).bytes.data;
    const std::vector<unsigned char> version =
        ResFile().add(kVersion, 1, kFrench, VersionBlock()).bytes.data;
    ResFile named; // header 36 bytes long, said to be 32
    named.entry(Bytes().text("DLG"), Bytes().text("A"), kFrench, Bytes());
    named.bytes = Bytes(Patched(named.bytes.data, 36, {32}));
    ResFile endless; // a type name that runs to the end of the header
    endless.bytes.u32(0).u32(32);
    for (int i = 0; i < 12; ++i)
        endless.bytes.u16(0x4141);
    ResFile repeated; // one 256x256 image named eight times
    Bytes big = BitmapHeader(256, 256, 1).raw({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0});
    big.data.resize(big.data.size() + 2 * 32 * 256);
    repeated.add(kIcon, 1, 0, big).add(kGroupIcon, 1, 0, IconGroup({1, 1, 1, 1, 1, 1, 1, 1}));
    Bytes deep = VersionNode("d", 0, Bytes(), 0);
    for (const char* key : {"c", "b", "a", "VS_VERSION_INFO"})
        deep = VersionNode(key, 0, Bytes(), 0, {deep});
    auto classic = [](const Bytes& item)
    { return ResFile().add(kDialog, 3, 0, Template(ClassicDialog(1), {item})).bytes.data; };

    struct
    {
        const char* name;
        std::vector<unsigned char> bytes;
        const char* error;
    } cases[] = {
        {"three bytes", {0, 0, 0}, "ressource 0: en-t\xEAte: fin des donn\xE9"},
        {"header size below its fields", Patched(strings, 36, {28}),
         "ressource 1: en-t\xEAte de 28 octets"},
        {"data size huge", Patched(strings, 32, {0xFF, 0xFF, 0xFF, 0xFF}),
         "ressource 1: 4294967295 octets de donn\xE9"},
        {"names longer than their header", named.bytes.data, "ressource 1: caract\xE9ristiques"},
        {"type name without its end", endless.bytes.data, "ressource 1: type sans fin"},
        {"string block 0", Patched(strings, 46, {0}),
         "bloc de cha\xEEnes 0: num\xE9ro hors de 1 \xE0 4096"},
        {"control count huge", Patched(dialog, 64 + 16, {0xFF, 0xFF}),
         "dialogue 102: 65535 contr\xF4les annonc\xE9s, place pour 1"},
        {"unknown class ordinal", classic(ClassicItem(0, 1, Bytes().ordinal(0x99), Bytes().u16(0))),
         "classe 153 inconnue"},
        {"control without class", classic(ClassicItem(0, 1, Bytes().u16(0), Bytes().u16(0))),
         "sans classe"},
        {"version length zero", Patched(version, 64, {0, 0}), "version 1: bloc de 0 octets"},
        {"version value longer than its block", Patched(version, 66, {0xFF, 0xFF}),
         "version 1: valeur de VS_VERSION_INFO: fin des donn\xE9"},
        {"version of another key",
         ResFile().add(kVersion, 1, 0, VersionBlock(FixedFileInfo(), "VS_VERSION_INF0")).bytes.data,
         "au lieu de VS_VERSION_INFO"},
        {"version signature",
         ResFile().add(kVersion, 1, 0, VersionBlock(Bytes().u32(1).raw({0, 0, 0, 0}))).bytes.data,
         "signature de version invalide"},
        {"version nested too deep", ResFile().add(kVersion, 1, 0, deep).bytes.data,
         "trop imbriqu\xE9"},
        {"group without images", ResFile().add(kGroupIcon, 5, 0, IconGroup({})).bytes.data,
         "ic\xF4ne 5: groupe sans image"},
        {"group count huge",
         ResFile()
             .add(kIcon, 1, 0, IconImage(0))
             .add(kGroupIcon, 5, 0, Patched(IconGroup({1}).data, 4, {0xFF, 0xFF}))
             .bytes.data,
         "ic\xF4ne 5: 65535 images annonc\xE9"
         "es, place pour 1"},
        {"group of cursors",
         ResFile().add(kGroupIcon, 5, 0, Patched(IconGroup({1}).data, 2, {2})).bytes.data,
         "autre type"},
        {"group naming a missing image", ResFile().add(kGroupIcon, 5, 0, IconGroup({4})).bytes.data,
         "ic\xF4ne 5: image 4 absente"},
        {"the same large image over and over", repeated.bytes.data, "d\xE9passent"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        afx::ResourceReading reading = Read(c.bytes);
        ASSERT_FALSE(reading.resources.has_value());
        EXPECT_NE(reading.error.find(c.error), std::string::npos) << reading.error;
    }
}

TEST(ResReader, NoBytes)
{
    afx::ResourceReading reading = afx::ReadResources(nullptr, 0);
    ASSERT_TRUE(reading.resources.has_value());
    EXPECT_TRUE(reading.resources->dialogs.empty() && reading.resources->icons.empty() &&
                reading.resources->strings.empty() && reading.resources->originalFilename.empty());
    EXPECT_EQ(afx::ReadResources(nullptr, 4).error, "aucune donn\xE9"
                                                    "e");
}

} // namespace
