#pragma once

#include <cstdint>
#include <sys/types.h>

// What a process has cost so far, read from /proc without disturbing it.
struct UsageSample
{
    bool valid = false;
    int64_t cpuTicks = 0; // utime + stime of /proc/<pid>/stat, in clock ticks
    int64_t cpuNs = 0; // time on a CPU, summed over the threads' schedstat
    int64_t contextSwitches = 0; // voluntary + involuntary, summed over the threads
    int64_t vmHwmKb = 0; // peak resident set
    int64_t vmRssKb = 0;
};

class ProcessUsage
{
public:
    static UsageSample read(pid_t pid);
    static double msPerTick();
};
