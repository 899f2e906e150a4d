// The sound-card list over a real ALSA configuration, as the dialog shows it. The names are the
// wave layer's (tests/wavein); ALSA reads its configuration once a process, so the test runs in a
// new one.
#include "CaptureTesting.h"
#include "FreshProcess.h"
#include "SoundFixtures.h"

using namespace test_support;
using test_support::InFreshProcess;
using test_support::Problems;
using test_support::TempFolder;
using test_support::Utf8;

namespace
{

using CardNames = CaptureTest;

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
            test_support::WriteRaw(raw, std::vector<std::int16_t>(44100, 0));
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
            const std::string config = test_support::WriteAlsaConfig(
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
            std::vector<std::string> listed;
            std::string shown;
            for (int i = 0; i < dlg.m_Card.GetCount(); ++i)
            {
                listed.push_back(EntryText(dlg.m_Card, i));
                shown += "[" + listed.back() + "] ";
            }
            p.Expect(listed == expected, "listed: " + shown);
            p.Expect(dlg.m_Card.GetCurSel() == 3, "the default is not chosen");
            p.Expect(dlg.m_Go.IsWindowEnabled() && world.boxes.calls.empty(),
                     "the default did not open");
            return p.Text();
        });
}

} // namespace
