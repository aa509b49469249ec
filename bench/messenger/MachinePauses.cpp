#include "MachinePauses.h"

#include "MonotonicClock.h"

#include <algorithm>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

namespace {

constexpr int64_t NapNs = 1'000'000;

} // namespace

MachinePauses::~MachinePauses()
{
    stop();
}

void MachinePauses::start(int realtimePriority, int64_t thresholdNs)
{
    if (m_running)
        return;
    m_priority = realtimePriority;
    m_thresholdNs = thresholdNs;
    m_running = true;
    m_startedNs = MonotonicClock::nowNs();
    const long cpus = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
    m_watchers = std::size_t(cpus);
    for (int cpu = 0; cpu < cpus; ++cpu)
        m_threads.emplace_back(&MachinePauses::watch, this, cpu);
}

void MachinePauses::stop()
{
    if (!m_running)
        return;
    m_running = false;
    for (std::thread &thread : m_threads)
        thread.join();
    m_threads.clear();
    m_stoppedNs = MonotonicClock::nowNs();
}

void MachinePauses::watch(int cpu)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    const bool pinned = pthread_setaffinity_np(pthread_self(), sizeof set, &set) == 0;
    sched_param param {};
    param.sched_priority = m_priority;
    const bool realtime = m_priority > 0 && pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
    m_unpinned += pinned ? 0 : 1;
    m_normalPriority += realtime ? 0 : 1;
    while (m_running) {
        const int64_t before = MonotonicClock::nowNs();
        MonotonicClock::sleepUntilNs(before + NapNs);
        const int64_t after = MonotonicClock::nowNs();
        const int64_t late = after - before - NapNs;
        if (late >= m_thresholdNs) {
            std::lock_guard lock(m_mutex);
            m_pauses.push_back({before, after, late, cpu});
        }
    }
}

std::vector<MachinePauses::Pause> MachinePauses::pauses() const
{
    std::lock_guard lock(m_mutex);
    std::vector<Pause> sorted = m_pauses;
    std::sort(
        sorted.begin(), sorted.end(), [](const Pause &a, const Pause &b) { return a.startNs < b.startNs; });
    return sorted;
}

bool MachinePauses::touches(const std::vector<Pause> &pauses, int64_t fromNs, int64_t toNs)
{
    // Sorted by start: only pauses that start before toNs can overlap.
    const auto end = std::lower_bound(pauses.begin(), pauses.end(), toNs,
        [](const Pause &pause, int64_t time) { return pause.startNs < time; });
    return std::any_of(pauses.begin(), end, [fromNs](const Pause &pause) { return pause.endNs > fromNs; });
}

std::string MachinePauses::note() const
{
    std::string note = "pause watch on " + std::to_string(m_watchers) + " CPUs";
    if (m_unpinned > 0)
        note += ", not pinned to them";
    if (m_normalPriority > 0)
        note += ", at normal priority (a busy CPU shows as a pause)";
    return note;
}

double MachinePauses::watchedSeconds() const
{
    const int64_t end = m_stoppedNs ? m_stoppedNs : MonotonicClock::nowNs();
    return double(end - m_startedNs) / 1e9;
}
