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
// one another, and the last entry selected and opened.
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
    p.Expect(dlg.m_Card.GetCurSel() == dlg.m_Card.GetCount() - 1, "the last entry is not chosen");
    p.Expect(dlg.m_Go.IsWindowEnabled() && world.boxes.calls.empty(),
             "the chosen device did not open");
    return p.Text();
}

TEST_F(CardNames, TheListHoldsWhatRecordsCutAndToldApartBeforeTheDefault)
{
    // Nothing of the machine's configuration: the list is known to the last entry. Besides the
    // devices listed: helpers that process another device's sound (they would record the file
    // if they were listed), a device that cannot be opened, a playback-only one, and one that
    // takes 48 kHz only unless a rate converter is let in.
    InFreshProcess(
        []
        {
            TempFolder dir;
            const std::string raw = dir / "silence.raw";
            sound_fixtures::WriteRaw(raw, std::vector<std::int16_t>(44100, 0));
            const std::string micro = Utf8(u8"Micro de guitare branché sur l’entrée ");
            std::string extra;
            for (const char* helper : {"null", "upmix", "samplerate_best"})
                extra += std::string("pcm.\"") + helper +
                         "\" { type file slave.pcm { type null }\n"
                         "    file \"/dev/null\" infile \"" +
                         raw +
                         "\" format \"raw\"\n"
                         "    hint { show on description \"Aide " +
                         helper + "|IOIDInput\" } }\n";
            extra +=
                "pcm.quintorbroken { type file slave.pcm { type null } file \"/dev/null\"\n"
                "    infile \"" +
                dir / "missing.raw" +
                "\" format \"raw\"\n"
                "    hint { show on description \"Cass\xc3\xa9|IOIDInput\" } }\n"
                "pcm.quintorout { type null hint { show on description \"Sortie|IOIDOutput\" } }\n"
                "pcm.quintor48 { type plug slave { pcm { type null } rate 48000 }\n"
                "    hint { show on description \"Bouchon 48 kHz|IOIDInput\" } }\n"
                "pcm.default { type file slave.pcm { type null } file \"/dev/null\"\n"
                "    infile \"" +
                raw + "\" format \"raw\" }\n";
            const std::string config = sound_fixtures::WriteAlsaConfig(
                dir.Path(),
                {{.pcm = "quintorgauche", .description = micro + "gauche", .rawPath = raw},
                 {.pcm = "quintordroite", .description = micro + "droite", .rawPath = raw},
                 {.pcm = "quintorzoom", .description = "Zoom H4n", .rawPath = raw}},
                extra, true);
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
