// The names the sound-card list gives ALSA's devices, from their hints alone. Expected names are
// code page 1252 literals; descriptions are UTF-8, as ALSA gives them.
#include "SoundFixtures.h"
#include "alsanames.h"

#include <gtest/gtest.h>

#include <strings.h>

using afx::wavein::DeviceHint;
using afx::wavein::DeviceNames;
using test_support::Utf8;

namespace
{

TEST(WaveDeviceName, SaysWhatEachEntryIs)
{
    struct Row
    {
        DeviceHint hint;
        const char* name;
    };
    const Row rows[] = {
        // Sound servers by their plugin, and the default by the server it is routed to.
        {{"pulse", "PulseAudio Sound Server"}, "PulseAudio"},
        {{"pipewire", "PipeWire Sound Server"}, "PipeWire"},
        {{"jack", "JACK Audio Connection Kit"}, "JACK"},
        {{"default", "Playback/recording through the PulseAudio sound server", true},
         "» PulseAudio (par défaut)"},
        {{"default", "Default ALSA Output\n(currently PipeWire Media Server)", true},
         "» PipeWire (par défaut)"},
        {{"default", "", true}, "» Périphérique par défaut"},
        {{"default", "Micro jack 3,5 mm", true}, "» Périphérique par défaut"},
        // A card's devices: its name and the device's, the capture one when both are given.
        {{"hw:CARD=PCH,DEV=0",
          "HDA Intel PCH, ALC892 Analog\nDirect hardware device without any conversions"},
         "HDA Intel PCH: ALC892 Analog"},
        {{"dsnoop:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog / ALC892 Alt Analog"},
         "HDA Intel PCH: ALC892 Alt…"},
        {{"sysdefault:CARD=Generic", "HD-Audio Generic, ALC257 Analog"},
         "HD-Audio Generic: ALC257 Analog"},
        {{"sysdefault:CARD=Generic", "HD-Audio Generic, ALC1220 Analog"},
         "HD-Audio Generic: ALC1220…"},
        {{"sysdefault:CARD=Mic", "Blue Snowball"}, "Blue Snowball"},
        // Other entries: the first line of their description, else their PCM name.
        {{"quintorfile", Utf8(u8"Guitare d’étude — entrée ♪ très longue description\nDeuxième")},
         "Guitare d’étude — entrée ?…"},
        {{"quintorfile", "Enregistreurnumeriquedeterrainportable"},
         "Enregistreurnumeriquedeterrain…"},
        {{"quintorfile", "  Carte\tde   test  "}, "Carte de test"},
        {{"quintorfile", "~ Micro virtuel"}, "~ Micro virtuel"},
        {{"quintorfile", ""}, "quintorfile"},
        {{"quintorfile", " \nSeconde ligne"}, "quintorfile"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.hint.pcm + " / " + row.hint.description);
        EXPECT_EQ(DeviceNames({row.hint}), std::vector<std::string>{row.name});
        // The tuner opens the last entry of its list, sorted as strcasecmp sorts.
        for (const Row& other : rows)
            EXPECT_TRUE(!row.hint.isDefault || other.hint.isDefault ||
                        strcasecmp(row.name, other.name) > 0)
                << "sorts before " << other.name;
    }
}

TEST(WaveDeviceName, EntriesOfOneListAreToldApart)
{
    struct Row
    {
        const char* what;
        std::vector<DeviceHint> hints;
        std::vector<std::string> names;
    };
    const std::string pch = "HDA Intel PCH, ALC892 Analog";
    const std::string usb = "USB Audio Device, USB Audio";
    const Row rows[] = {
        {"a desktop with a sound server and one card",
         {{"default", "Playback/recording through the PulseAudio sound server", true},
          {"pulse", "PulseAudio Sound Server"},
          {"sysdefault:CARD=PCH", pch + "\nDefault Audio Device"},
          {"front:CARD=PCH,DEV=0", pch + "\nFront output / input"},
          {"dsnoop:CARD=PCH,DEV=0", pch},
          {"hw:CARD=PCH,DEV=0", pch},
          {"plughw:CARD=PCH,DEV=0", pch}},
         {"» PulseAudio (par défaut)", "PulseAudio", "HDA Intel PCH: ALC892 Analog",
          "HDA Intel PCH: ALC892… (front)", "HDA Intel PCH: ALC892… (dsnoop)",
          "HDA Intel PCH: ALC892… (hw)", "HDA Intel PCH: ALC892… (plughw)"}},
        {"two cards of one model: the kinds repeat, ranks tell them apart",
         {{"sysdefault:CARD=Device", usb},
          {"sysdefault:CARD=Device_1", usb},
          {"plughw:CARD=Device,DEV=0", usb},
          {"plughw:CARD=Device_1,DEV=0", usb}},
         {"USB Audio Device: USB Audio", "USB Audio Device: USB Audio (2)",
          "USB Audio Device: USB Audio (3)", "USB Audio Device: USB Audio (4)"}},
        {"names alike but for case, the default listed last",
         {{"quintorbas", "micro usb"}, {"quintorhaut", "Micro USB"}, {"default", "", true}},
         {"micro usb", "Micro USB (2)", "» Périphérique par défaut"}},
        {"a kind in brackets already taken",
         {{"hw:CARD=A,DEV=0", "Carte, Son"},
          {"quintorfile", "Carte: Son (plughw)"},
          {"plughw:CARD=A,DEV=0", "Carte, Son"}},
         {"Carte: Son", "Carte: Son (plughw)", "Carte: Son (2)"}},
        {"a kind too long to show",
         {{"hw:CARD=A,DEV=0", "Carte, Son"}, {"quintorboucle:CARD=A,DEV=0", "Carte, Son"}},
         {"Carte: Son", "Carte: Son (2)"}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(DeviceNames(row.hints), row.names);
    }
}

} // namespace
