// Turns a hang into a failure: ends the process, naming what it was waiting for, when no
// progress has been told within the patience. One generous limit for every wait, so that a busy
// machine slows the tests down without failing them; QUINTOR_TEST_PATIENCE (seconds) overrides it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace test_support
{

inline std::chrono::seconds Patience()
{
    if (const char* text = std::getenv("QUINTOR_TEST_PATIENCE"))
    {
        const long seconds = std::strtol(text, nullptr, 10);
        if (seconds > 0)
            return std::chrono::seconds(seconds);
    }
    return std::chrono::seconds(120);
}

class Watchdog
{
public:
    explicit Watchdog(std::string waitingFor, std::chrono::seconds limit = Patience())
        : m_waitingFor(std::move(waitingFor)), m_limit(limit), m_thread([this] { Watch(); })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

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
    void Watch()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;)
        {
            const unsigned long seen = m_progress;
            if (m_changed.wait_for(lock, m_limit, [&] { return m_done || m_progress != seen; }))
            {
                if (m_done)
                    return;
                continue;
            }
            std::fprintf(stderr, "waited %lld s for: %s\n", static_cast<long long>(m_limit.count()),
                         m_waitingFor.c_str());
            std::fflush(stderr);
            std::_Exit(1);
        }
    }

    std::string m_waitingFor;
    std::chrono::seconds m_limit;
    unsigned long m_progress = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    std::thread m_thread; // last: it starts once the rest exists
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

} // namespace test_support
