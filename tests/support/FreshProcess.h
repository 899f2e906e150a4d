// Checks that need a process of their own, such as those that give ALSA a configuration (it reads
// one once per process): the test program is started again, death-test style, and runs the check
// alone; what it finds comes back through its exit status and its error output.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace test_support
{

// The problems a check found, one line each.
class Problems
{
public:
    void Expect(bool ok, const std::string& what)
    {
        if (!ok)
            text_ += what + "\n";
    }
    bool Any() const { return !text_.empty(); }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// Runs `body` in a fresh process; it returns the problems it found, which fail the test.
inline void InFreshProcess(const std::function<std::string()>& body)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::string problems = body();
            std::fputs(problems.c_str(), stderr);
            std::fflush(stderr);
            std::_Exit(problems.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace test_support
