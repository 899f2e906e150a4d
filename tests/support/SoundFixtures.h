// Real sound sources for tests, no mocks: an ALSA capture device defined only by a configuration
// file (the `file` plugin reading raw samples), and a private PulseAudio server fed from a file.
//
// Text: test sources are compiled to code page 1252, but ALSA's configuration is UTF-8. Pass
// descriptions as UTF-8 (Utf8(u8"...")); names read back through waveInGetDevCapsA are CP1252,
// so an ordinary "..." literal compares with them.
#pragma once

#include "TempFolder.h"
#include "Wait.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

extern char** environ;

namespace sound_fixtures
{

inline std::string Utf8(std::u8string_view text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

// The desktop tests' name for the one temporary folder.
using TempDir = test_support::TempFolder;

// Sets an environment variable for a scope, then puts the old value (or its absence) back.
class ScopedEnv
{
public:
    ScopedEnv(std::string name, const std::string& value) : name_(std::move(name))
    {
        if (const char* old = std::getenv(name_.c_str()))
        {
            had_ = true;
            old_ = old;
        }
        setenv(name_.c_str(), value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (had_)
            setenv(name_.c_str(), old_.c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

// Raw S16_LE samples, as the file plugin and pacat read them.
inline bool WriteRaw(const std::string& path, const std::vector<std::int16_t>& samples)
{
    std::ofstream out(path, std::ios::binary);
    for (const std::int16_t s : samples)
    {
        const auto u = static_cast<std::uint16_t>(s);
        const char bytes[2] = {static_cast<char>(u & 0xff), static_cast<char>(u >> 8)};
        out.write(bytes, 2);
    }
    return static_cast<bool>(out);
}

// A capture device that records the raw file `rawPath` (S16_LE, mono, 44.1 kHz; at least as
// long as the test reads: past its end the plugin returns counts without samples).
struct AlsaFileDevice
{
    std::string pcm = "quintorfile";
    std::string description; // UTF-8; may hold a newline: the name is its first line
    std::string rawPath;
};

// Writes <dir>/quintor-alsa.conf with the devices (and `extra`, ALSA configuration written as
// is) and returns the value for ALSA_CONFIG_PATH: ALSA's own configuration, then that file; or
// that file `alone`, when none of the machine's devices may be listed. Set it before the
// process's first ALSA call: ALSA reads its configuration once.
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

namespace detail
{

// Starts `argv` with the current environment plus `env` ("NAME=value"), output to `log`, in a
// process group of its own. Returns its process id, or -1.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   const std::string& log)
{
    std::vector<std::string> environment(env);
    for (char** e = environ; *e != nullptr; ++e)
    {
        const std::string_view entry(*e);
        const std::string_view name = entry.substr(0, entry.find('='));
        bool overridden = false;
        for (const std::string& mine : env)
            overridden = overridden || std::string_view(mine).substr(0, mine.find('=')) == name;
        if (!overridden)
            environment.emplace_back(entry);
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : environment)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), envp.data()) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Whether `pid` has ended (its status then in *status); never blocks.
inline bool Ended(pid_t pid, int* status = nullptr)
{
    int s = 0;
    const pid_t done = waitpid(pid, &s, WNOHANG);
    if (done == pid && status != nullptr)
        *status = s;
    return done == pid || done < 0;
}

// Waits for `pid` up to `limit`; true with its exit status when it ended.
inline bool WaitFor(pid_t pid, std::chrono::milliseconds limit, int* status = nullptr)
{
    return test_support::PollFor(limit, [&] { return Ended(pid, status); });
}

// Ends the process group we started for `pid`: politely, then for good.
inline void EndGroup(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(-pid, SIGTERM);
    if (!WaitFor(pid, std::chrono::seconds(3)))
    {
        kill(-pid, SIGKILL);
        test_support::WaitUntil("a killed helper to end", [&] { return Ended(pid); });
    }
}

// Runs a shell command (cut short after ten seconds) to its end; its exit status, or -1.
inline int Run(const std::string& command, const std::vector<std::string>& env,
               const std::string& log)
{
    const pid_t pid = Spawn({"timeout", "10", "sh", "-c", command}, env, log);
    if (pid < 0)
        return -1;
    int status = 0;
    test_support::WaitUntil("the helper command: " + command, [&] { return Ended(pid, &status); });
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// "NAME=value" entries of a client environment, as Spawn and Run take them.
inline std::vector<std::string>
AsVariables(const std::vector<std::pair<std::string, std::string>>& environment)
{
    std::vector<std::string> variables;
    for (const auto& [name, value] : environment)
        variables.push_back(name + "=" + value);
    return variables;
}

} // namespace detail

// Whether a thread of this process has the name the ALSA back end gives its recording threads.
inline bool RecordingThreadRuns()
{
    DIR* dir = opendir("/proc/self/task");
    if (dir == nullptr)
        return false;
    bool found = false;
    while (dirent* entry = readdir(dir))
    {
        std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
        std::string name;
        found = found || (std::getline(comm, name) && name == "wavein-alsa");
    }
    closedir(dir);
    return found;
}

// A private PulseAudio server with one mono 44.1 kHz null sink, `mono1`, whose monitor
// `mono1.monitor` records what is played into it, in real time and sample for sample. Started
// by the constructor; check Started() (and GTEST_SKIP with Problem() when it is false). Stopped
// by its process id in the destructor; Kill ends it as a crash would, Restart brings it back at
// the same address.
//
// A client in this process records it through ALSA's `pulse` device once the variables of
// ClientEnvironment() are set (ScopedEnv); play into it with Play().
class PulseServer
{
public:
    static constexpr const char* kSink = "mono1";
    static constexpr const char* kSource = "mono1.monitor";

    PulseServer()
    {
        if (!dir_.Made())
        {
            problem_ = "no temporary directory";
            return;
        }
        const std::string home = dir_ / "home";
        const std::string runtime = dir_ / "run";
        mkdir(home.c_str(), 0700);
        mkdir(runtime.c_str(), 0700);
        serverEnv_ = {"HOME=" + home, "XDG_RUNTIME_DIR=" + runtime};
        address_ = "unix:" + runtime + "/pulse/native";
        {
            std::ofstream out(dir_ / "quintor.pa");
            out << "load-module module-native-protocol-unix auth-anonymous=1\n"
                << "load-module module-null-sink sink_name=" << kSink
                << " rate=44100 channels=1 format=s16le\n"
                << "set-default-sink " << kSink << "\n"
                << "set-default-source " << kSource << "\n";
        }
        Start();
    }

    ~PulseServer()
    {
        detail::EndGroup(player_);
        detail::EndGroup(server_);
    }

    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool Started() const { return started_; }
    const std::string& Problem() const { return problem_; }
    pid_t ProcessId() const { return server_; }

    // Ends the server at once, as a crash would (SIGKILL), and the player with it.
    void Kill()
    {
        detail::EndGroup(player_);
        player_ = -1;
        if (server_ > 0)
        {
            kill(server_, SIGKILL);
            test_support::WaitUntil("the killed sound server to end",
                                    [&] { return detail::Ended(server_); });
        }
        server_ = -1;
        started_ = false;
    }

    // Starts a fresh server at the same address, after Kill.
    bool Restart()
    {
        Kill();
        problem_.clear();
        Start();
        return started_;
    }

    // Whether what Play started is still playing.
    bool Playing()
    {
        if (player_ > 0 && detail::Ended(player_))
            player_ = -1;
        return player_ > 0;
    }

    // What a client process needs to reach the server's monitor through ALSA's `pulse` device.
    std::vector<std::pair<std::string, std::string>> ClientEnvironment() const
    {
        return {{"PULSE_SERVER", address_}, {"PULSE_SOURCE", kSource}, {"PULSE_SINK", kSink}};
    }

    // Plays a file into the sink in the background, in real time: raw S16_LE mono 44.1 kHz, or
    // anything sox reads when the name ends in ".wav". Each Play waits for the one before. The
    // player keeps 300 ms ahead: with less, a busy machine starves it and the sink plays gaps.
    bool Play(const std::string& path)
    {
        WaitPlayed();
        const std::string pacat = "timeout 60 pacat --device=" + std::string(kSink) +
                                  " --format=s16le --rate=44100 --channels=1 --latency-msec=300";
        const bool wav = path.size() > 4 && path.substr(path.size() - 4) == ".wav";
        const std::string command =
            wav ? "timeout 60 sox '" + path + "' -t raw -r 44100 -c 1 -b 16 -e signed - | " + pacat
                : "exec " + pacat + " '" + path + "'";
        player_ = detail::Spawn({"sh", "-c", command}, detail::AsVariables(ClientEnvironment()),
                                dir_ / "player.log");
        return player_ > 0;
    }

    // Waits until what Play started has ended (the player gives up by itself after a minute).
    void WaitPlayed()
    {
        if (player_ > 0)
            test_support::WaitUntil("the player to finish", [&] { return detail::Ended(player_); });
        player_ = -1;
    }

private:
    void Start()
    {
        server_ = detail::Spawn({"pulseaudio", "-n", "-F", dir_ / "quintor.pa", "--daemonize=no",
                                 "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no"},
                                serverEnv_, dir_ / "pulseaudio.log");
        if (server_ < 0)
        {
            problem_ = "pulseaudio could not be started (is the pulseaudio package installed?)";
            return;
        }
        // Ready when the source answers, usually within a fraction of a second; a busy machine
        // may take much longer, and a server that never answers only skips the test.
        const std::string probe =
            "pactl list short sources | grep -q '" + std::string(kSource) + "'";
        bool ended = false;
        started_ =
            test_support::PollFor(test_support::Patience(), [&]
                                  { return (ended = detail::Ended(server_)) || Run(probe) == 0; });
        if (ended)
        {
            started_ = false;
            server_ = -1;
            problem_ = "pulseaudio ended at once; see its log";
        }
        else if (!started_)
            problem_ = "pulseaudio never answered";
    }

    int Run(const std::string& command) const
    {
        return detail::Run(command, detail::AsVariables(ClientEnvironment()), dir_ / "probe.log");
    }

    test_support::TempFolder dir_;
    std::vector<std::string> serverEnv_;
    std::string address_;
    pid_t server_ = -1;
    pid_t player_ = -1;
    bool started_ = false;
    std::string problem_;
};

// A private PipeWire server (pipewire and wireplumber on a private session bus) with one mono
// 44.1 kHz null sink, `mono1`, shaped like PulseServer. A client in this process records the
// sink's monitor through ALSA's `pipewire` device once the variables of ClientEnvironment() are
// set; that device comes from the plugin the test program's ALSA configuration names.
class PipeWireServer
{
public:
    static constexpr const char* kSink = "mono1";

    PipeWireServer()
    {
        if (!dir_.Made())
        {
            problem_ = "no temporary directory";
            return;
        }
        const std::string home = dir_ / "home";
        runtime_ = dir_ / "run";
        mkdir(home.c_str(), 0700);
        mkdir(runtime_.c_str(), 0700);
        // The daemons and the bus are one process group, ended together by its leader's id.
        server_ =
            detail::Spawn({"dbus-run-session", "--", "sh", "-c", "pipewire & wireplumber & wait"},
                          {"HOME=" + home, "XDG_RUNTIME_DIR=" + runtime_}, dir_ / "pipewire.log");
        if (server_ < 0)
        {
            problem_ = "dbus-run-session could not be started (is the dbus package installed?)";
            return;
        }
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
        bool ended = false;
        started_ = test_support::PollFor(test_support::Patience(),
                                         [&]
                                         {
                                             if ((ended = detail::Ended(server_)))
                                                 return true;
                                             made = made || Run(sink) == 0;
                                             return made && Run(ready) == 0;
                                         });
        if (ended)
        {
            started_ = false;
            server_ = -1;
            problem_ = "pipewire's session ended at once; see its log";
        }
        else if (!started_)
            problem_ = made ? "wireplumber never joined"
                            : "pipewire never answered (are pipewire, pipewire-bin and "
                              "wireplumber installed?)";
    }

    ~PipeWireServer()
    {
        detail::EndGroup(player_);
        detail::EndGroup(server_);
    }

    PipeWireServer(const PipeWireServer&) = delete;
    PipeWireServer& operator=(const PipeWireServer&) = delete;

    bool Started() const { return started_; }
    const std::string& Problem() const { return problem_; }

    std::vector<std::pair<std::string, std::string>> ClientEnvironment() const
    {
        return {{"PIPEWIRE_RUNTIME_DIR", runtime_}, {"PIPEWIRE_NODE", kSink}};
    }

    // Plays a file into the sink in the background, in real time, as PulseServer::Play does.
    bool Play(const std::string& path)
    {
        WaitPlayed();
        const std::string wav = dir_ / "played.wav";
        const bool isWav = path.size() > 4 && path.substr(path.size() - 4) == ".wav";
        const std::string convert = isWav
                                        ? "cp '" + path + "' '" + wav + "'"
                                        : "timeout 30 sox -t raw -r 44100 -c 1 -b 16 -e signed '" +
                                              path + "' '" + wav + "'";
        const std::string command = convert + " && exec timeout 60 pw-play --target " +
                                    std::string(kSink) + " '" + wav + "'";
        player_ = detail::Spawn({"sh", "-c", command}, detail::AsVariables(ClientEnvironment()),
                                dir_ / "player.log");
        return player_ > 0;
    }

    void WaitPlayed()
    {
        if (player_ > 0)
            test_support::WaitUntil("the player to finish", [&] { return detail::Ended(player_); });
        player_ = -1;
    }

private:
    int Run(const std::string& command) const
    {
        return detail::Run(command, detail::AsVariables(ClientEnvironment()), dir_ / "probe.log");
    }

    test_support::TempFolder dir_;
    std::string runtime_;
    pid_t server_ = -1;
    pid_t player_ = -1;
    bool started_ = false;
    std::string problem_;
};

} // namespace sound_fixtures
