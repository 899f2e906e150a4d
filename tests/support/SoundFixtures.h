// Real sound sources for tests: ALSA capture devices defined by a configuration file, and private
// sound servers fed from files. ALSA's configuration is UTF-8 (write descriptions with Utf8), the
// names read back through waveInGetDevCapsA are code page 1252, as the test sources are.
#pragma once

#include "Process.h"
#include "TempFolder.h"

#include <sys/stat.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace test_support
{

inline std::string Utf8(std::u8string_view text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

// Raw S16_LE samples, as the file plugin and pacat read them.
inline bool WriteRaw(const std::string& path, const std::vector<std::int16_t>& samples)
{
    static_assert(std::endian::native == std::endian::little);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * sizeof(std::int16_t)));
    return static_cast<bool>(out);
}

// Makes `path` (a ".wav", else raw S16_LE) a plucked string of `hertz` sounding for `seconds`
// after `pad` seconds of silence, played `repeat` more times; the same bytes run after run.
inline bool MakePluck(const std::string& path, double hertz, double seconds, double pad = 0,
                      int repeat = 0)
{
    char effects[160];
    std::snprintf(effects, sizeof effects, " synth %.3f pluck %.6f pad %.3f repeat %d 2>/dev/null",
                  seconds, hertz, pad, repeat);
    const std::string raw = path.ends_with(".wav") ? "" : "-e signed -t raw ";
    return std::system(("timeout " + PatienceSeconds() + " sox -R -n -r 44100 -c 1 -b 16 " + raw +
                        Quoted(path) + effects)
                           .c_str()) == 0;
}

// A capture device that records the raw file `rawPath` (S16_LE, mono, 44.1 kHz; at least as
// long as the test reads: past its end the plugin returns counts without samples).
struct AlsaFileDevice
{
    std::string pcm = "quintorfile";
    std::string description; // UTF-8; may hold a newline: the name is its first line
    std::string rawPath;
};

// Writes <dir>/quintor-alsa.conf with the devices and `extra` (written as is); returns the value
// for ALSA_CONFIG_PATH, ALSA's own configuration then that file, or that file `alone` to list none
// of the machine's devices. ALSA reads it once: set it before the process's first ALSA call.
inline std::string WriteAlsaConfig(const std::string& dir,
                                   const std::vector<AlsaFileDevice>& devices,
                                   const std::string& extra = {}, bool alone = false)
{
    const std::string path = dir + "/quintor-alsa.conf";
    std::ofstream out(path);
    for (const AlsaFileDevice& d : devices)
        out << "pcm." << d.pcm << " {\n"
            << "    type file\n"
            // Alone, the configuration has no `null` device to name.
            << (alone ? "    slave.pcm { type null }\n" : "    slave.pcm \"null\"\n")
            << "    file \"/dev/null\"\n"
            << "    infile \"" << d.rawPath << "\"\n"
            << "    format \"raw\"\n"
            << "    hint { show on description \"" << d.description << "|IOIDInput\" }\n"
            << "}\n";
    out << extra;
    return alone ? path : "/usr/share/alsa/alsa.conf:" + path;
}

// Whether a thread of this process has the name the ALSA back end gives its recording threads.
inline bool RecordingThreadRuns()
{
    std::error_code ignored;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ignored))
    {
        std::string name;
        if (std::getline(std::ifstream(task.path() / "comm"), name) && name == "wavein-alsa")
            return true;
    }
    return false;
}

// What both private servers share: a home and a runtime folder, the daemons' process group, a
// player, probes run as a client. Tests take it with REQUIRE_STARTED; this
// process reaches the server once the variables of ClientEnvironment() are set (ScopedEnv).
class SoundServer
{
public:
    static constexpr const char* kSink = "mono1";

    virtual ~SoundServer()
    {
        EndGroup(player_);
        EndGroup(server_);
    }
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    bool Started() const { return started_; }
    const std::string& Problem() const { return problem_; }
    const std::string& Missing() const { return missing_; }
    virtual std::vector<std::pair<std::string, std::string>> ClientEnvironment() const = 0;

    // Whether what Play started is still playing.
    bool Playing()
    {
        if (player_ > 0 && Ended(player_))
            player_ = -1;
        return player_ > 0;
    }

    // Waits until what Play started has ended (the player gives up by itself after the patience).
    void WaitPlayed()
    {
        WaitUntil("the player to finish", [&] { return !Playing(); });
    }

protected:
    SoundServer() : home_(dir_ / "home"), runtime_(dir_ / "run")
    {
        mkdir(home_.c_str(), 0700);
        mkdir(runtime_.c_str(), 0700);
    }

    // Starts the daemons and waits for ready(), unless one of `programs` is missing: a busy
    // machine may take long.
    void Launch(const std::vector<std::string>& programs, const std::vector<std::string>& argv,
                const std::function<bool()>& ready)
    {
        if (!(missing_ = NotInstalled(programs)).empty())
            return;
        server_ =
            Spawn(argv, {"HOME=" + home_, "XDG_RUNTIME_DIR=" + runtime_}, dir_ / "server.log");
        bool ended = server_ < 0;
        started_ = !ended && WaitFor([&] { return (ended = Ended(server_)) || ready(); }) && !ended;
        if (ended)
            server_ = -1;
        if (!started_)
            problem_ = argv[0] + (ended ? " ended at once" : " never answered") + ": " +
                       Output("tail -5 " + Quoted(dir_ / "server.log"));
    }

    // Runs a shell command as a client of the server; its exit status.
    int Run(const std::string& command) const
    {
        return test_support::Run(command, Variables(), dir_ / "probe.log");
    }

    // Starts `command` playing into the sink, after what played before.
    bool StartPlayer(const std::string& command)
    {
        WaitPlayed();
        player_ = Spawn({"sh", "-c", command}, Variables(), dir_ / "player.log");
        return player_ > 0;
    }

    TempFolder dir_;
    std::string home_;
    std::string runtime_;
    pid_t server_ = -1;
    pid_t player_ = -1;
    bool started_ = false;
    std::string problem_;
    std::string missing_;

private:
    std::vector<std::string> Variables() const
    {
        std::vector<std::string> variables;
        for (const auto& [name, value] : ClientEnvironment())
            variables.push_back(name + "=" + value);
        return variables;
    }
};

// A private PulseAudio server with one mono 44.1 kHz null sink whose monitor records what is
// played into it through ALSA's `pulse` device; Restart brings it back at the same address.
class PulseServer : public SoundServer
{
public:
    static constexpr const char* kSource = "mono1.monitor";

    PulseServer()
    {
        std::ofstream(dir_ / "quintor.pa")
            << "load-module module-native-protocol-unix auth-anonymous=1\n"
            << "load-module module-null-sink sink_name=" << kSink
            << " rate=44100 channels=1 format=s16le\n"
            << "set-default-sink " << kSink << "\nset-default-source " << kSource << "\n";
        Start();
    }

    // Ends the server at once (SIGKILL), and the player with it.
    void Kill()
    {
        EndGroup(player_);
        if (server_ > 0)
            kill(server_, SIGKILL);
        EndGroup(server_);
        started_ = false;
    }

    bool Restart()
    {
        Kill();
        problem_.clear();
        Start();
        return started_;
    }

    std::vector<std::pair<std::string, std::string>> ClientEnvironment() const override
    {
        return {{"PULSE_SERVER", "unix:" + runtime_ + "/pulse/native"},
                {"PULSE_SOURCE", kSource},
                {"PULSE_SINK", kSink}};
    }

    // Plays raw S16_LE mono 44.1 kHz, or a ".wav" file, in the background, in real time. The
    // player keeps 300 ms ahead: with less, a busy machine starves it and the sink plays gaps.
    bool Play(const std::string& path)
    {
        const std::string pacat = "timeout " + PatienceSeconds() +
                                  " pacat --device=" + std::string(kSink) +
                                  " --format=s16le --rate=44100 --channels=1 --latency-msec=300";
        return StartPlayer(path.ends_with(".wav")
                               ? "timeout " + PatienceSeconds() + " sox '" + path +
                                     "' -t raw -r 44100 -c 1 -b 16 -e signed - | " + pacat
                               : "exec " + pacat + " '" + path + "'");
    }

private:
    void Start()
    {
        const std::string probe =
            "pactl list short sources | grep -q '" + std::string(kSource) + "'";
        Launch({"pulseaudio", "pactl", "pacat", "sox"},
               {"pulseaudio", "-n", "-F", dir_ / "quintor.pa", "--daemonize=no",
                "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no"},
               [&] { return Run(probe) == 0; });
    }
};

// A private PipeWire server (pipewire and wireplumber on a private session bus) with one mono
// 44.1 kHz null sink, recorded through the `pipewire` device of the test program's ALSA plugin.
class PipeWireServer : public SoundServer
{
public:
    PipeWireServer()
    {
        // The sink can be made once pipewire answers; clients are linked once wireplumber has
        // joined (about two seconds).
        const std::string sink = std::string("pw-cli create-node adapter '{ "
                                             "factory.name=support.null-audio-sink node.name=") +
                                 kSink +
                                 " media.class=Audio/Sink audio.position=[MONO] "
                                 "audio.rate=44100 object.linger=true }'";
        const std::string ready = std::string("pw-cli ls Node | grep -q 'node.name = \"") + kSink +
                                  "\"' && pw-cli ls Client | grep -q WirePlumber";
        bool made = false;
        // wireplumber gives up at once if pipewire does not answer yet, as on a busy machine.
        const std::string daemons = "pipewire & until timeout " + PatienceSeconds() +
                                    " pw-cli info 0 >/dev/null 2>&1; do sleep 0.1; done; "
                                    "wireplumber & wait";
        Launch({"dbus-run-session", "pipewire", "wireplumber", "pw-cli", "pw-play", "sox"},
               {"dbus-run-session", "--", "sh", "-c", daemons},
               [&] { return (made = made || Run(sink) == 0) && Run(ready) == 0; });
    }

    std::vector<std::pair<std::string, std::string>> ClientEnvironment() const override
    {
        return {{"PIPEWIRE_RUNTIME_DIR", runtime_}, {"PIPEWIRE_NODE", kSink}};
    }

    // Plays a file into the sink in the background, in real time, as PulseServer::Play does.
    bool Play(const std::string& path)
    {
        const std::string wav = dir_ / "played.wav";
        const std::string convert = path.ends_with(".wav")
                                        ? "cp '" + path + "' '" + wav + "'"
                                        : "timeout " + PatienceSeconds() +
                                              " sox -t raw -r 44100 -c 1 -b 16 -e signed '" + path +
                                              "' '" + wav + "'";
        return StartPlayer(convert + " && exec timeout " + PatienceSeconds() +
                           " pw-play --target " + kSink + " '" + wav + "'");
    }
};

} // namespace test_support
