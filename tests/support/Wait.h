// Waiting for what another thread or process brings about. Every limit is a share of one
// patience, generous so that a busy machine slows the tests down without failing them;
// QUINTOR_TEST_PATIENCE (seconds, default 120) sets it. Between looks the waiter sleeps a little:
// one that spins takes the processor from an idle-priority capture thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace test_support
{

// `share` of the patience.
inline std::chrono::milliseconds Patience(double share = 1)
{
    const char* text = std::getenv("QUINTOR_TEST_PATIENCE");
    const long seconds = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
    return std::chrono::milliseconds(
        static_cast<long long>((seconds > 0 ? seconds : 120) * 1000 * share));
}

// Turns a hang into a failure: ends the process, naming what it was waiting for, when no
// progress has been told within the limit.
class Watchdog
{
public:
    explicit Watchdog(std::string waitingFor, std::chrono::milliseconds limit = Patience())
        : m_waitingFor(std::move(waitingFor)), m_limit(limit),
          m_thread([this](std::stop_token stop) { Watch(stop); })
    {
    }

    // Progress: the limit starts again, now for `waitingFor`. A long run made of many steps
    // tells each one, so that only a step that never ends is taken for a hang.
    void Waiting(std::string waitingFor)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_waitingFor = std::move(waitingFor);
            ++m_progress;
        }
        m_changed.notify_all();
    }

private:
    void Watch(std::stop_token stop)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (unsigned long seen = m_progress;; seen = m_progress)
            if (!m_changed.wait_for(lock, stop, m_limit, [&] { return m_progress != seen; }))
            {
                if (stop.stop_requested())
                    return;
                std::fprintf(stderr, "waited %lld ms for: %s\n",
                             static_cast<long long>(m_limit.count()), m_waitingFor.c_str());
                std::fflush(stderr);
                std::_Exit(1);
            }
    }

    std::string m_waitingFor;
    std::chrono::milliseconds m_limit;
    unsigned long m_progress = 0;
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::jthread m_thread; // last: it starts once the rest exists, and stops first
};

// The watchdog over a whole test, when the test has one: it also catches a hang between waits
// (a Stop that never returns), and each wait restarts its limit instead of starting its own.
class TestWatchdog : public Watchdog
{
public:
    explicit TestWatchdog(const std::string& test) : Watchdog(test) { s_current = this; }
    ~TestWatchdog() { s_current = nullptr; }

    static Watchdog* Current() { return s_current; }

private:
    static inline Watchdog* s_current = nullptr;
};

// Looks at done() until it holds or `share` of the patience has gone by, serve() before each
// look; false on the limit. For waits whose end is a verdict of the test's own: whether a helper
// program comes up at all, whether a window shows.
inline bool WaitFor(const std::function<bool()>& done, const std::function<void()>& serve = {},
                    double share = 1)
{
    const auto end = std::chrono::steady_clock::now() + Patience(share);
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
    while (!WaitFor(done, serve))
    {
    }
    if (test != nullptr)
        test->Waiting("the test's next step after " + what);
}

} // namespace test_support
