// Turns a hang into a failure: ends the process, saying what it was waiting for, when its scope
// has not been left within the limit, or when no progress has been told for that long.
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

class Watchdog
{
public:
    Watchdog(std::chrono::seconds limit, std::string what)
        : m_what(std::move(what)), m_limit(limit), m_thread([this] { Watch(); })
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

    // Progress: the limit starts again, now for `waitingFor`. Long runs made of short waits
    // (a soak) call it at each step, so that only a step that never ends is taken for a hang.
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
            std::fprintf(stderr, "%s still waiting%s%s after %lld s: taken for a hang\n",
                         m_what.c_str(), m_waitingFor.empty() ? "" : " for ", m_waitingFor.c_str(),
                         static_cast<long long>(m_limit.count()));
            std::fflush(stderr);
            std::_Exit(1);
        }
    }

    std::string m_what;
    std::chrono::seconds m_limit;
    std::string m_waitingFor;
    unsigned long m_progress = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    std::thread m_thread;
};

} // namespace test_support
