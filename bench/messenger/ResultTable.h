#pragma once

#include "BenchRunner.h"
#include "MachinePauses.h"

#include <cstdio>
#include <string>
#include <vector>

// Turns the raw flashes of both programs into the printed comparison and the
// verdict against the Messenger's targets.
class ResultTable
{
public:
    ResultTable(const ProgramRun &messenger, const ProgramRun &peer);

    void setContext(const std::string &line) { m_context.push_back(line); }
    void setWatcherLatency(std::vector<double> latenciesMs) { m_watcherLatencyMs = std::move(latenciesMs); }
    void setReference(const ProgramRun *reference) { m_reference = reference; }
    void setMachinePauses(const MachinePauses &pauses)
    {
        m_pausesWatched = true;
        m_pauses = pauses.pauses();
        m_pauseThresholdNs = pauses.thresholdNs();
        m_pauseSeconds = pauses.watchedSeconds();
        m_pauseNote = pauses.note();
    }
    // Returns whether the Messenger met every target.
    bool print(std::FILE *out) const;

private:
    void printDurations(std::FILE *out) const;
    void printVisible(std::FILE *out) const;
    void printIntervals(std::FILE *out) const;
    void printTickToShow(std::FILE *out) const;
    void printResources(std::FILE *out) const;
    void printReference(std::FILE *out) const;
    void printPauses(std::FILE *out) const;
    bool printTargets(std::FILE *out) const;
    bool printFlashTargets(std::FILE *out, const std::vector<MachinePauses::Pause> *clearOf) const;
    const DurationRun *find(const ProgramRun &program, int requestedMs) const;
    std::vector<int> requestedDurations() const;

    const ProgramRun &m_messenger;
    const ProgramRun &m_peer;
    std::vector<std::string> m_context;
    std::vector<double> m_watcherLatencyMs;
    const ProgramRun *m_reference = nullptr;
    bool m_pausesWatched = false;
    std::vector<MachinePauses::Pause> m_pauses;
    int64_t m_pauseThresholdNs = 0;
    double m_pauseSeconds = 0;
    std::string m_pauseNote;
};
