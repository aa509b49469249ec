#pragma once

#include <string>
#include <vector>

// What one benchmark run measures, from the command line.
class BenchOptions
{
public:
    bool parse(int argc, char **argv, std::string *error);
    static std::string usage();

    std::string messenger; // path of the murmurine executable; empty: not measured
    std::string peer = "aosd_cat"; // empty: not measured
    std::string reference; // the rig's own minimal flasher; empty: not measured
    std::string compositor = "picom"; // started for the "picom" setting
    bool plainSetting = true; // measure with no compositor
    bool compositedSetting = true; // measure under the compositor
    std::vector<int> durationsMs = {1, 2, 5, 20, 100};
    int flashesPerDuration = 40; // for durations up to 100 ms
    int longFlashes = 30; // for longer durations
    int frequencyMs = 300; // for durations up to 100 ms
    int longFrequencyMs = 1500; // for longer durations
    int idleSeconds = 60;
    int idleFrequencyMs = 65000; // the longest interval the Messenger accepts, beyond the idle window
    int realtimePriority = 10;
    int sampleGapUs = 100; // the screen watcher's rest between samples
    int keepAwakeMs = 0; // > 0: the watcher pings the X server at this interval
    int programNice = 0; // nice value the measured programs start with
    int programRealtime = 0; // > 0: the measured programs run under SCHED_FIFO at this priority
    std::string sampleFolder; // keeps the first sample of each run as a picture
    std::vector<std::string> notes; // printed with the table, e.g. how the X server runs
    std::string rawFile; // every flash seen, as CSV
    bool quick = false;
    bool watchPauses = true; // notes when the machine stops running us, and which flashes it spoiled
};
