// Helper programs of the tests' own: started in a process group each, ended with all they
// started, and shell commands whose output is read back. Limits are shares of the patience.
#pragma once

#include "Wait.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace test_support
{

// The patience in whole seconds, for timeout(1): a helper that hangs gives up before the test.
inline std::string PatienceSeconds()
{
    return std::to_string(Patience().count() / 1000 + 1);
}

// `text` as one word of the shell.
inline std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Sets environment variables for a scope, then puts the old values (or their absence) back.
class ScopedEnv
{
public:
    explicit ScopedEnv(const std::vector<std::pair<std::string, std::string>>& variables)
    {
        for (const auto& [name, value] : variables)
        {
            const char* old = std::getenv(name.c_str());
            saved_.push_back(
                {name, old != nullptr ? std::optional<std::string>(old) : std::nullopt});
            setenv(name.c_str(), value.c_str(), 1);
        }
    }
    ~ScopedEnv()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Starts `argv` with the current environment plus `env` ("NAME=value"), output to `log`, in a
// process group of its own; its id (env(1) becomes the program), or -1.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   const std::string& log)
{
    std::vector<char*> args{const_cast<char*>("env")};
    for (const auto* strings : {&env, &argv})
        for (const std::string& s : *strings)
            args.push_back(const_cast<char*>(s.c_str()));
    args.push_back(nullptr);
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
    if (posix_spawnp(&pid, "env", &actions, &attributes, args.data(), environ) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Whether `pid` has ended (its status then in *status); never blocks.
inline bool Ended(pid_t pid, int* status = nullptr)
{
    const pid_t done = waitpid(pid, status, WNOHANG);
    return done == pid || done < 0;
}

// Ends the process group we started for `pid`: politely, then for good; `pid` is then -1.
inline void EndGroup(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(-pid, SIGTERM);
    if (!WaitFor([&] { return Ended(pid); }))
    {
        kill(-pid, SIGKILL);
        WaitUntil("a killed helper to end", [&] { return Ended(pid); });
    }
    pid = -1;
}

// Runs a shell command to its end (cut short after the patience); its exit status, or -1.
inline int Run(const std::string& command, const std::vector<std::string>& env,
               const std::string& log)
{
    const pid_t pid = Spawn({"timeout", PatienceSeconds(), "sh", "-c", command}, env, log);
    if (pid < 0)
        return -1;
    int status = 0;
    WaitUntil("the helper command: " + command, [&] { return Ended(pid, &status); });
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What a shell command wrote on its standard output.
inline std::string Output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen(
            ("timeout " + PatienceSeconds() + " sh -c " + Quoted(command) + " 2>/dev/null").c_str(),
            "r"))
    {
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

// Which of `programs` are not installed, as a reason to skip ("" when all are).
inline std::string NotInstalled(const std::vector<std::string>& programs)
{
    std::string missing;
    for (const std::string& program : programs)
        if (Output("command -v " + program).empty())
            missing += (missing.empty() ? "not installed: " : ", ") + program;
    return missing;
}

} // namespace test_support

// A helper the test needs: a skip, saying why, when a program it runs is not installed; a failure
// when it was there and did not start.
#define REQUIRE_STARTED(helper)                                                                    \
    do                                                                                             \
    {                                                                                              \
        if (!(helper).Missing().empty())                                                           \
            GTEST_SKIP() << (helper).Missing();                                                    \
        ASSERT_TRUE((helper).Started()) << (helper).Problem();                                     \
    } while (0)
