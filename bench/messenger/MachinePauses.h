#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Notices when the machine itself stops running us. One thread per CPU, pinned
// to it and above every measured thread, sleeps 1 ms at a time; waking up much
// later than asked means nothing of ours could run on that CPU meanwhile (on a
// virtual machine: the host had taken the CPU away). A flash that such a pause
// touched says more about the machine than about the program.
class MachinePauses
{
public:
    // The machine stopped for lostNs somewhere between startNs and endNs.
    struct Pause
    {
        int64_t startNs = 0;
        int64_t endNs = 0;
        int64_t lostNs = 0;
        int cpu = 0;
    };

    ~MachinePauses();

    // Pauses of at least thresholdNs are kept.
    void start(int realtimePriority, int64_t thresholdNs);
    void stop();

    std::vector<Pause> pauses() const;
    // Whether a pause overlapped [fromNs, toNs].
    static bool touches(const std::vector<Pause> &pauses, int64_t fromNs, int64_t toNs);
    int64_t thresholdNs() const { return m_thresholdNs; }
    double watchedSeconds() const;
    // How the watch runs, for the table.
    std::string note() const;

private:
    void watch(int cpu);

    int m_priority = 0;
    int64_t m_thresholdNs = 0;
    int64_t m_startedNs = 0;
    int64_t m_stoppedNs = 0;
    std::atomic<bool> m_running {false};
    std::vector<std::thread> m_threads;
    mutable std::mutex m_mutex;
    std::vector<Pause> m_pauses;
    std::size_t m_watchers = 0;
    std::atomic<int> m_unpinned {0};
    std::atomic<int> m_normalPriority {0};
};
