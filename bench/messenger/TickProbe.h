#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Sees the Messenger's frequency tick from outside: the first thing a tick does
// is read the settings store, and that touches the store's folder. inotify
// reports the touch within microseconds, stamped on CLOCK_MONOTONIC.
class TickProbe
{
public:
    struct Touch
    {
        int64_t ns;
        uint32_t mask;
        std::string name;
    };

    TickProbe();
    ~TickProbe();
    TickProbe(const TickProbe &) = delete;
    TickProbe &operator=(const TickProbe &) = delete;

    bool start(const std::string &folder, int realtimePriority, std::string *error);
    void stop();
    std::vector<Touch> touches() const;

private:
    void run(int realtimePriority);

    int m_inotify = -1;
    int m_stopFd = -1;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<Touch> m_touches;
};
