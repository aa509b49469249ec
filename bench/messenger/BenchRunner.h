#pragma once

#include "BenchOptions.h"
#include "FlashWatcher.h"
#include "FrameProbe.h"
#include "ProcessUsage.h"
#include "ScreenWatcher.h"

#include <string>
#include <vector>

// The figures of one requested duration for one program.
struct DurationRun
{
    int requestedMs = 0;
    int frequencyMs = 0;
    bool composited = false; // measured under a compositor
    // The program's frequency ticks: one per requested flash.
    std::vector<int64_t> ticksNs;
    // What the screen showed at the flash place meanwhile.
    std::vector<ScreenFlash> screen;
    // Stretches in which the screen went unread (see ScreenWatcher::blindSpans).
    std::vector<std::pair<int64_t, int64_t>> blindNs;
    // Map and unmap of the program's window, as X events tell them.
    std::vector<FlashRecord> flashes;
    std::string note;
};

struct ProgramRun
{
    std::string name;
    bool measured = false;
    std::string failure; // why nothing (or not all) was measured
    std::vector<DurationRun> durations;
    int64_t peakRssKb = 0;
    bool idleMeasured = false;
    double idleSeconds = 0;
    UsageSample idleBefore;
    UsageSample idleAfter;
    std::size_t idleFlashes = 0; // map events and screen flashes while no flash was due
};

// Everything measured under one setting of the X server.
struct SettingRun
{
    std::string name; // "no compositor", "picom"
    bool compositor = false;
    std::string failure;
    std::string description;
    ProgramRun messenger;
    ProgramRun peer;
    ProgramRun reference;
    FrameProbe::Result frames;
    ScreenWatcher::Statistics sampling;
};

// Starts each measured program, drives it and collects what the watchers saw.
class BenchRunner
{
public:
    BenchRunner(const BenchOptions &options, FlashWatcher &watcher, ScreenWatcher &screen);

    // Every requested duration, the three programs one after the other at each.
    void measureDurations(SettingRun *setting);
    // The Messenger and the peer wait side by side, so the idle time is spent once.
    void measureIdle(SettingRun *setting);

    static const char *messengerClass() { return "murmurine"; }
    static const char *peerClass() { return "libaosd"; }
    static const char *referenceClass() { return "flashreference"; }

private:
    bool messengerDuration(DurationRun *run, int flashes, ProgramRun *program);
    bool peerDuration(DurationRun *run, int flashes, ProgramRun *program);
    bool referenceDuration(DurationRun *run, int flashes, ProgramRun *program);
    void measureOne(
        ProgramRun *program, int durationMs, bool (BenchRunner::*measure)(DurationRun *, int, ProgramRun *));
    std::vector<std::pair<std::string, std::string>> messengerSettings(int durationMs, int frequencyMs) const;
    std::vector<std::string> peerArguments(int durationMs) const;
    int flashesFor(int durationMs) const;
    int frequencyFor(int durationMs) const;
    void beginRun();
    void endRun(DurationRun *run, const char *windowClass, int flashes);
    void keepSamples(const std::string &prefix);

    const BenchOptions &m_options;
    FlashWatcher &m_watcher;
    ScreenWatcher &m_screen;
    bool m_composited = false; // the setting being measured runs a compositor
};
