#pragma once

#include "BenchRunner.h"
#include "MachinePauses.h"

#include <cstdio>
#include <vector>

// The main table: per setting, requested duration and program, what reached
// the screen and for how long.
class ScreenTable
{
public:
    explicit ScreenTable(std::vector<const SettingRun *> settings);

    void setMachinePauses(const std::vector<MachinePauses::Pause> *pauses) { m_pauses = pauses; }
    void print(std::FILE *out) const;

    // The compositor's frame interval for the targets: measured when the probe
    // saw enough changes, else one frame of a 60 Hz screen.
    static double frameIntervalMs(const SettingRun &setting, bool *measured);
    static std::vector<int> durationsOf(const SettingRun &setting);
    static const DurationRun *find(const ProgramRun &program, int requestedMs);

private:
    void printSetting(std::FILE *out, const SettingRun &setting) const;
    void printClearOfPauses(std::FILE *out, const SettingRun &setting) const;

    std::vector<const SettingRun *> m_settings;
    const std::vector<MachinePauses::Pause> *m_pauses = nullptr;
};
