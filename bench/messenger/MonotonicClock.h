#pragma once

#include <cstdint>
#include <ctime>

// Every time stamp of the benchmark is taken on CLOCK_MONOTONIC, the clock the
// Messenger arms its hide timer on, so figures from both sides can be compared.
class MonotonicClock
{
public:
    static int64_t nowNs()
    {
        timespec ts {};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
    }

    static void sleepUntilNs(int64_t deadlineNs)
    {
        timespec ts {};
        ts.tv_sec = deadlineNs / 1'000'000'000;
        ts.tv_nsec = deadlineNs % 1'000'000'000;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) { }
    }

    static void sleepMs(int64_t ms) { sleepUntilNs(nowNs() + ms * 1'000'000); }
};
