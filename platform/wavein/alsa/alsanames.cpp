// Names of the sound-card list from ALSA's name hints.
#include "alsanames.h"

#include "afxcp1252.h"

#include <mmsystem.h>

#include <strings.h>

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace afx::wavein
{
namespace
{

constexpr std::size_t kNameBytes = MAXPNAMELEN - 1; // a WAVEINCAPSA's szPname, but its NUL
constexpr char kEllipsis = '\x85';                  // "…" in code page 1252

// Sound servers that ALSA reaches through a plugin of their own: the plugin's PCM name, and how
// the description of a `default` routed to the server mentions it (lower case).
struct Server
{
    std::string_view pcm;
    std::string_view mention;
    std::string_view name;
};

constexpr Server kServers[] = {
    {"pulse", "pulseaudio", "PulseAudio"},
    {"pipewire", "pipewire", "PipeWire"},
    {"jack", "jack audio", "JACK"},
};

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// One space between words, none around them.
std::string Squeeze(std::string_view text)
{
    std::string out;
    for (const char c : text)
    {
        if (!IsSpace(c))
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// What would be left hanging before the ellipsis: "Carte —…" reads better as "Carte…".
bool Dangles(char c)
{
    return c == ' ' || c == ',' || c == ';' || c == ':' || c == '-' || c == '/' || c == '(' ||
           c == '\x96' || c == '\x97'; // en and em dashes
}

// "plughw" of "plughw:CARD=PCH,DEV=0"; empty for a name without arguments.
std::string_view Kind(std::string_view pcm)
{
    const std::size_t colon = pcm.find(':');
    return colon == std::string_view::npos ? std::string_view() : pcm.substr(0, colon);
}

bool IsCardEntry(std::string_view pcm)
{
    const std::size_t colon = pcm.find(':');
    return colon != std::string_view::npos && pcm.find("CARD=", colon) != std::string_view::npos;
}

// ALSA describes a card's device as "<card>, <device>" ("HDA Intel PCH, ALC892 Analog"), or
// "<card>, <playback> / <capture>" when the two directions are named apart; the list shows
// "<card>: <capture device>".
std::string CardLabel(const std::string& line)
{
    const std::size_t comma = line.find(", ");
    if (comma == std::string::npos)
        return line;
    std::string_view device = std::string_view(line).substr(comma + 2);
    if (const std::size_t slash = device.rfind(" / "); slash != std::string_view::npos)
        device = device.substr(slash + 3);
    return line.substr(0, comma) + ": " + std::string(device);
}

// The default device is the one the tuner should open at start, which is the last entry of its
// sorted list. That list orders with strcasecmp: ASCII letters folded, every other byte by its
// value. The default's name therefore starts with "»" (0xBB), which follows every ASCII character:
// it sorts after each name that begins with a letter, digit or sign of ASCII, whatever the order
// the devices are reported in. Only a name beginning with "»" or a later byte (a Latin-1 letter
// such as "É") could follow it; the names cards and plugins give themselves are ASCII in practice.
std::string DefaultLabel(const std::string& description)
{
    const std::string text = Lower(description);
    for (const Server& server : kServers)
        if (text.find(server.mention) != std::string::npos)
            return "» " + std::string(server.name) + " (par défaut)";
    return "» Périphérique par défaut";
}

bool AlikeInTheList(const std::string& a, const std::string& b)
{
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

// `label` in at most `limit` bytes: whole as long as it fits, else cut before a word, the cut
// marked with an ellipsis.
std::string FitName(std::string_view label, std::size_t limit)
{
    const std::string text = Squeeze(label);
    if (text.size() <= limit)
        return text;
    if (limit == 0)
        return {};
    const std::size_t room = limit - 1; // the ellipsis takes one byte
    const std::size_t space = text.rfind(' ', room);
    std::string kept = space == std::string::npos ? std::string() : text.substr(0, space);
    while (!kept.empty() && Dangles(kept.back()))
        kept.pop_back();
    if (kept.empty()) // a single word longer than the room: only a cut inside it fits
        kept = text.substr(0, room);
    return kept + kEllipsis;
}

// `label` cut to leave room for `suffix`, then the suffix.
std::string WithSuffix(const std::string& label, const std::string& suffix)
{
    return FitName(label, kNameBytes - suffix.size()) + suffix;
}

// What an entry is called before any cut, in code page 1252.
std::string DeviceLabel(const DeviceHint& hint)
{
    if (hint.isDefault)
        return DefaultLabel(hint.description);
    const std::string_view base = std::string_view(hint.pcm).substr(0, hint.pcm.find(':'));
    for (const Server& server : kServers)
        if (base == server.pcm)
            return std::string(server.name);
    const std::string first =
        Squeeze(Utf8ToCp1252(hint.description.substr(0, hint.description.find('\n'))));
    if (first.empty())
        return Utf8ToCp1252(hint.pcm);
    return IsCardEntry(hint.pcm) ? CardLabel(first) : first;
}

} // namespace

// Entries whose names the combo box would take for one another (it ignores case) are told apart
// in the list's order: the first keeps the name, each other gets the kind of ALSA device it is in
// brackets, "(plughw)", when no other entry of that name is of the same kind, else the first of
// "(2)", "(3)"... that no entry has yet. The name is cut to make room.
std::vector<std::string> DeviceNames(const std::vector<DeviceHint>& hints)
{
    std::vector<std::string> labels;
    std::vector<std::string> plain;
    for (const DeviceHint& hint : hints)
    {
        labels.push_back(DeviceLabel(hint));
        plain.push_back(FitName(labels.back(), kNameBytes));
    }
    std::vector<std::string> names;
    const auto isTaken = [&](const std::string& name)
    {
        return std::any_of(names.begin(), names.end(),
                           [&](const std::string& t) { return AlikeInTheList(t, name); });
    };
    for (std::size_t i = 0; i < hints.size(); ++i)
    {
        std::string name = plain[i];
        if (isTaken(name))
        {
            const std::string_view kind = Kind(hints[i].pcm);
            bool kindTellsApart = !kind.empty() && kind.size() <= kNameBytes / 3;
            for (std::size_t j = 0; j < hints.size(); ++j)
                if (j != i && AlikeInTheList(plain[j], plain[i]) && Kind(hints[j].pcm) == kind)
                    kindTellsApart = false;
            if (kindTellsApart)
                name = WithSuffix(labels[i], " (" + std::string(kind) + ")");
            for (int number = 2; isTaken(name); ++number)
                name = WithSuffix(labels[i], " (" + std::to_string(number) + ")");
        }
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace afx::wavein
