// Waiting for a condition another thread or process brings about. Between looks the waiter
// sleeps a little: a waiter that spins takes the processor from an idle-priority capture thread.
#pragma once

#include "Watchdog.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace test_support
{

// Looks at done() until it holds or `limit` has gone by, serve() before each look; for waits whose
// end is no verdict (a grace period, whether a helper program comes up at all).
inline bool PollFor(std::chrono::milliseconds limit, const std::function<bool()>& done,
                    const std::function<void()>& serve = {})
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;)
    {
        if (serve)
            serve();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Waits for progress that must come: returns once done() holds; the watchdog ends the process,
// naming `what`, if it has not come within the patience.
inline void WaitUntil(const std::string& what, const std::function<bool()>& done,
                      const std::function<void()>& serve = {})
{
    Watchdog* test = TestWatchdog::Current();
    std::optional<Watchdog> own;
    if (test != nullptr)
        test->Waiting(what);
    else
        own.emplace(what);
    while (!PollFor(std::chrono::hours(1), done, serve))
    {
    }
    if (test != nullptr)
        test->Waiting("the test's next step after " + what);
}

} // namespace test_support
