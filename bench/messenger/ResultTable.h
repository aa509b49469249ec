#pragma once

#include "BenchRunner.h"

#include <cstdio>
#include <string>
#include <vector>

// The information beside the screen table: the run's context, what X events
// tell without a compositor, the intervals between flashes, and the resources
// while waiting. None of it enters the verdict.
class ResultTable
{
public:
    explicit ResultTable(std::vector<const SettingRun *> settings);

    void setContext(const std::string &line) { m_context.push_back(line); }
    void setWatcherLatency(std::vector<double> latenciesMs) { m_watcherLatencyMs = std::move(latenciesMs); }
    void printContext(std::FILE *out) const;
    void printInformation(std::FILE *out) const;

private:
    void printEvents(std::FILE *out, const SettingRun &setting) const;
    void printIntervals(std::FILE *out, const SettingRun &setting) const;
    void printResources(std::FILE *out) const;

    std::vector<const SettingRun *> m_settings;
    std::vector<std::string> m_context;
    std::vector<double> m_watcherLatencyMs;
};
