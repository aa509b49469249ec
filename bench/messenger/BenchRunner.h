#pragma once

#include "BenchOptions.h"
#include "FlashWatcher.h"
#include "ProcessUsage.h"

#include <string>
#include <vector>

// The figures of one requested duration for one program.
struct DurationRun
{
    int requestedMs = 0;
    int frequencyMs = 0;
    std::vector<FlashRecord> flashes; // finished flashes, in order
    std::vector<double> tickToShowMs; // one per flash whose tick was seen
    std::string note;
};

struct ProgramRun
{
    std::string name;
    bool measured = false;
    std::string failure; // why nothing (or not all) was measured
    std::vector<DurationRun> durations;
    std::string tickMethod;
    int64_t peakRssKb = 0;
    bool idleMeasured = false;
    double idleSeconds = 0;
    UsageSample idleBefore;
    UsageSample idleAfter;
    std::size_t idleFlashes = 0;
};

// Starts each measured program, drives it and collects what the watcher saw.
class BenchRunner
{
public:
    BenchRunner(const BenchOptions &options, FlashWatcher &watcher);

    ProgramRun measureMessenger();
    ProgramRun measurePeer();
    // The rig's floor: a minimal xcb flasher measured the same way.
    ProgramRun measureReference();
    // Both programs wait side by side, so the idle minute is spent once.
    void measureIdle(ProgramRun *messenger, ProgramRun *peer);

    static const char *messengerClass() { return "murmurine"; }
    static const char *peerClass() { return "libaosd"; }
    static const char *referenceClass() { return "flashreference"; }

private:
    using DurationMeasure = bool (BenchRunner::*)(int durationMs, int frequencyMs, int flashes, DurationRun *run,
                                                  ProgramRun *program);
    // Runs measure for every requested duration until one fails; the run it
    // gets already holds the duration and frequency.
    void measureDurations(ProgramRun *program, int flashDivisor, DurationMeasure measure);
    bool messengerDuration(
        int durationMs, int frequencyMs, int flashes, DurationRun *run, ProgramRun *program);
    bool peerDuration(int durationMs, int frequencyMs, int flashes, DurationRun *run, ProgramRun *program);
    bool referenceDuration(
        int durationMs, int frequencyMs, int flashes, DurationRun *run, ProgramRun *program);
    std::vector<std::pair<std::string, std::string>> messengerSettings(int durationMs, int frequencyMs) const;
    std::vector<std::string> peerArguments(int durationMs) const;
    int flashesFor(int durationMs) const;
    int frequencyFor(int durationMs) const;
    void keepSamples(const std::string &prefix);

    const BenchOptions &m_options;
    FlashWatcher &m_watcher;
};
