#pragma once

#include "BenchRunner.h"

#include <cstdio>
#include <string>

// The Messenger's targets at normal priorities, judged on what the screen
// showed: one list without a compositor, one under it, and the resources in
// both. Prints each target with met/missed and returns whether all were met.
class TargetReport
{
public:
    // realtime: the programs ran under SCHED_FIFO (--realtime), not as users run them.
    TargetReport(const SettingRun *plain, const SettingRun *composited, bool realtime);

    bool print(std::FILE *out) const;

private:
    bool printPlain(std::FILE *out) const;
    bool printComposited(std::FILE *out) const;
    bool printResources(std::FILE *out) const;
    static bool line(std::FILE *out, bool met, const std::string &text);

    const SettingRun *m_plain;
    const SettingRun *m_composited;
    bool m_realtime;
};
