// The program's whole ALSA configuration, set before main runs (ALSA reads it once, at its first
// use): a capture device recording a file and the sound servers' devices, and nothing of the
// machine's own, whose devices the tuner would probe.
#include "EndToEnd.h"

#include <cstdlib>
#include <filesystem>

namespace endtoend
{
namespace
{
struct Configuration
{
    test_support::TempFolder dir;
    std::string raw = dir / "recorded.raw";

    Configuration()
    {
        // The device is listed only while its file can be opened.
        test_support::WriteRaw(raw, std::vector<std::int16_t>(kBlockSamples, 0));
        std::string servers = "pcm.pulse {\n"
                              "    type pulse\n"
                              "    hint { show on description \"PulseAudio Sound Server\" }\n"
                              "}\n";
        // PipeWire's own definition of its device, from the plugin unpacked into the build
        // tree; a missing file would make ALSA refuse the whole configuration.
        const std::string pipewire =
            QUINTOR_PIPEWIRE_ALSA "/usr/share/alsa/alsa.conf.d/50-pipewire.conf";
        if (std::filesystem::exists(pipewire))
            servers +=
                "pcm_type.pipewire { lib \"" QUINTOR_PIPEWIRE_ALSA
                "/usr/lib/x86_64-linux-gnu/alsa-lib/libasound_module_pcm_pipewire.so\" }\n<" +
                pipewire + ">\n";
        const test_support::AlsaFileDevice pluck{
            "quintorpluck", test_support::Utf8(u8"Micro de guitare enregistré"), raw};
        setenv("ALSA_CONFIG_PATH",
               test_support::WriteAlsaConfig(dir.Path(), {pluck}, servers, true).c_str(), 1);
    }
};

Configuration g_configuration;
} // namespace

const char* const kFileCardName = "Micro de guitare enregistr\xe9";

const std::string& RecordedFile()
{
    return g_configuration.raw;
}
} // namespace endtoend
