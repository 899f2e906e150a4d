// The sound-card list over real ALSA configurations, as the dialog shows it: every name fits and
// is its own, and the default device comes last, selected and opened. ALSA reads its
// configuration at its first use in a process, before which each test sets it.
#include "CaptureTesting.h"
#include "FreshProcess.h"
#include "SoundFixtures.h"

#include <strings.h>

#include <algorithm>
#include <memory>

using namespace capture_testing;
using fresh_process::InFreshProcess;
using fresh_process::Problems;
using sound_fixtures::ScopedEnv;
using sound_fixtures::Utf8;
using test_support::TempFolder;

namespace
{

class CardNames : public CaptureTest
{
};

std::vector<std::string> Entries(const TunerDialog& dlg)
{
    std::vector<std::string> names;
    for (int i = 0; i < dlg.m_Card.GetCount(); ++i)
        names.push_back(EntryText(dlg.m_Card, i));
    return names;
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += "[" + name + "] ";
    return text;
}

// What holds whatever the machine lists: names that fit and that the combo box cannot take for
// one another, and the default device last, selected and opened.
std::string ListProblems(const TunerDialog& dlg, const RealWorld& world)
{
    Problems p;
    const std::vector<std::string> names = Entries(dlg);
    for (std::size_t i = 0; i < names.size(); ++i)
    {
        p.Expect(names[i].size() <= MAXPNAMELEN - 1, "longer than 31 bytes: " + names[i]);
        for (std::size_t j = 0; j < i; ++j)
            p.Expect(strcasecmp(names[i].c_str(), names[j].c_str()) != 0, "twice: " + names[i]);
    }
    WAVEINCAPSA mapper{};
    p.Expect(waveInGetDevCapsA(WAVE_MAPPER, &mapper, sizeof mapper) == MMSYSERR_NOERROR,
             "no default device");
    p.Expect(!names.empty() && names.back() == mapper.szPname,
             std::string("the last entry is not the default device, ") + mapper.szPname + ": " +
                 Joined(names));
    p.Expect(dlg.m_Card.GetCurSel() == dlg.m_Card.GetCount() - 1, "the last entry is not chosen");
    p.Expect(dlg.m_Go.IsWindowEnabled() && world.boxes.calls.empty(),
             "the chosen device did not open");
    return p.Text();
}

TEST_F(CardNames, LongDescriptionsAreCutAndToldApartBeforeTheDefault)
{
    // Nothing of the machine's configuration: the list is known to the last entry.
    InFreshProcess(
        []
        {
            TempFolder dir;
            const std::string raw = dir / "silence.raw";
            sound_fixtures::WriteRaw(raw, std::vector<std::int16_t>(44100, 0));
            const std::string micro = Utf8(u8"Micro de guitare branché sur l’entrée ");
            const std::string config = sound_fixtures::WriteAlsaConfig(
                dir.Path(),
                {{.pcm = "quintorgauche", .description = micro + "gauche", .rawPath = raw},
                 {.pcm = "quintordroite", .description = micro + "droite", .rawPath = raw},
                 {.pcm = "quintorzoom", .description = "Zoom H4n", .rawPath = raw}},
                "pcm.default { type file slave.pcm { type null } file \"/dev/null\"\n"
                "    infile \"" +
                    raw + "\" format \"raw\" }\n",
                true);
            setenv("ALSA_CONFIG_PATH", config.c_str(), 1);

            RealWorld world;
            TunerDialog dlg;
            if (!dlg.Create(CQuintorDlg::IDD))
                return std::string("the dialog was not made\n");
            Problems p;
            const std::vector<std::string> expected = {"Micro de guitare branché sur…",
                                                       "Micro de guitare branché… (2)", "Zoom H4n",
                                                       "» Périphérique par défaut"};
            p.Expect(Entries(dlg) == expected, "listed: " + Joined(Entries(dlg)));
            return p.Text() + ListProblems(dlg, world);
        });
}

TEST_F(CardNames, WithASoundServerItsDefaultSourceIsLast)
{
    sound_fixtures::PulseServer server;
    if (!server.Started())
        GTEST_SKIP() << "no private PulseAudio server here: " << server.Problem();
    std::vector<std::unique_ptr<ScopedEnv>> env;
    for (const auto& [name, value] : server.ClientEnvironment())
        env.push_back(std::make_unique<ScopedEnv>(name, value));
    // The machine's configuration, which routes `default` to a running server, and a card whose
    // name sorts after the server's.
    TempFolder dir;
    const std::string raw = dir / "silence.raw";
    sound_fixtures::WriteRaw(raw, std::vector<std::int16_t>(44100, 0));
    ScopedEnv alsa(
        "ALSA_CONFIG_PATH",
        sound_fixtures::WriteAlsaConfig(
            dir.Path(), {{.pcm = "quintorzoom", .description = "Zoom H4n", .rawPath = raw}}));

    RealWorld world;
    TunerDialog dlg;
    ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
    EXPECT_EQ(ListProblems(dlg, world), "");
    const std::vector<std::string> names = Entries(dlg);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), "» PulseAudio (par défaut)") << Joined(names);
    for (const char* name : {"PulseAudio", "Zoom H4n"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end())
            << name << " missing: " << Joined(names);
}

} // namespace
