#include "ResultTable.h"

#include "ReportText.h"

#include "ScreenTable.h"
#include "Summary.h"

#include <cmath>

namespace {

using ReportText::number;
using ReportText::programsOf;
using ReportText::share;

} // namespace

ResultTable::ResultTable(std::vector<const SettingRun *> settings)
    : m_settings(std::move(settings))
{ }

void ResultTable::printContext(std::FILE *out) const
{
    std::fprintf(out, "\n== Messenger benchmark: murmurine against aosd_cat, beside flash-reference ==\n");
    for (const std::string &line : m_context)
        std::fprintf(out, "%s\n", line.c_str());
}

void ResultTable::printInformation(std::FILE *out) const
{
    for (const SettingRun *setting : m_settings) {
        // Under a compositor a map is not what the user sees, and a program may
        // flash without mapping at all: X events tell nothing there.
        if (!setting->compositor && setting->failure.empty()) {
            printEvents(out, *setting);
            printIntervals(out, *setting);
        }
    }
    printResources(out);
}

void ResultTable::printEvents(std::FILE *out, const SettingRun &setting) const
{
    std::fprintf(out,
        "\nX events, %s (information): visible = UnmapNotify minus MapNotify as a separate client read\n"
        "them; text@1st: the window's own pixels right after the map held the text colour; in ms.\n\n",
        setting.name.c_str());
    const std::vector<const ProgramRun *> programs = programsOf(setting);
    std::fprintf(out, "%-8s", "request");
    for (const ProgramRun *program : programs)
        std::fprintf(out, " | %-42s", program->name.c_str());
    std::fprintf(out, "\n%-8s", "");
    for (std::size_t k = 0; k < programs.size(); ++k)
        std::fprintf(out, " | %8s %8s %8s %8s %8s", "text@1st", "median", "mean e", "p10", "p90");
    std::fprintf(out, "\n");
    for (const int requested : ScreenTable::durationsOf(setting)) {
        std::fprintf(out, "%5d ms", requested);
        for (const ProgramRun *program : programs) {
            const DurationRun *run = ScreenTable::find(*program, requested);
            std::vector<double> visible;
            std::size_t text = 0;
            for (const FlashRecord &flash : run ? run->flashes : std::vector<FlashRecord> {}) {
                visible.push_back(double(flash.unmapNs - flash.mapNs) / 1e6);
                text += flash.sample == FlashRecord::Sample::Text ? 1 : 0;
            }
            const Summary summary(visible);
            std::fprintf(out, " | %8s %8s %8s %8s %8s", share(text, visible.size()).c_str(),
                number(summary.median()).c_str(), number(summary.mean() - requested, "%+.3f").c_str(),
                number(summary.percentile(10)).c_str(), number(summary.percentile(90)).c_str());
        }
        std::fprintf(out, "\n");
    }
    if (!m_watcherLatencyMs.empty()) {
        const Summary latency(m_watcherLatencyMs);
        std::fprintf(out, "Map event to the window's first sample reply: p50 %.3f ms, p99 %.3f ms.\n",
            latency.median(), latency.percentile(99));
    }
}

void ResultTable::printIntervals(std::FILE *out, const SettingRun &setting) const
{
    std::fprintf(out,
        "\nInterval between flashes, %s (information): |map-to-map - frequency| from the second flash on,\n"
        "p50 / p99 in ms.\n\n",
        setting.name.c_str());
    const std::vector<const ProgramRun *> programs = programsOf(setting);
    std::fprintf(out, "%-8s %6s", "request", "freq");
    for (const ProgramRun *program : programs)
        std::fprintf(out, " | %-17s", program->name.c_str());
    std::fprintf(out, "\n");
    for (const int requested : ScreenTable::durationsOf(setting)) {
        int frequency = 0;
        std::string cells;
        for (const ProgramRun *program : programs) {
            const DurationRun *run = ScreenTable::find(*program, requested);
            std::vector<double> errors;
            if (run) {
                frequency = run->frequencyMs;
                // The first flash carries the program's start-up; a gap of two
                // intervals is a flash the watcher did not see.
                for (std::size_t k = 2; k < run->flashes.size(); ++k) {
                    const double interval = double(run->flashes[k].mapNs - run->flashes[k - 1].mapNs) / 1e6;
                    if (interval < 1.5 * run->frequencyMs)
                        errors.push_back(std::fabs(interval - run->frequencyMs));
                }
            }
            const Summary summary(errors);
            char cell[64];
            std::snprintf(cell, sizeof cell, " | %8s %8s", number(summary.median()).c_str(),
                number(summary.percentile(99)).c_str());
            cells += cell;
        }
        std::fprintf(out, "%5d ms %6d%s\n", requested, frequency, cells.c_str());
    }
}

void ResultTable::printResources(std::FILE *out) const
{
    std::fprintf(out, "\nWaiting between flashes (no flash due), and peak memory (information).\n\n");
    std::fprintf(out, "%-14s %-10s %8s %10s %10s %9s %8s %12s\n", "setting", "", "seconds", "CPU ms",
        "CPU ticks", "wakeups", "flashes", "peak RSS MB");
    for (const SettingRun *setting : m_settings) {
        for (const ProgramRun *program : {&setting->messenger, &setting->peer}) {
            const std::string rss
                = program->peakRssKb ? number(double(program->peakRssKb) / 1024.0, "%.1f") : std::string("-");
            if (!program->idleMeasured) {
                std::fprintf(out, "%-14s %-10s %8s %10s %10s %9s %8s %12s\n", setting->name.c_str(),
                    program->name.c_str(), "-", "-", "-", "-", "-", rss.c_str());
                continue;
            }
            const UsageSample &a = program->idleBefore;
            const UsageSample &b = program->idleAfter;
            std::fprintf(out, "%-14s %-10s %8.1f %10.3f %10lld %9lld %8zu %12s\n", setting->name.c_str(),
                program->name.c_str(), program->idleSeconds, double(b.cpuNs - a.cpuNs) / 1e6,
                static_cast<long long>(b.cpuTicks - a.cpuTicks),
                static_cast<long long>(b.contextSwitches - a.contextSwitches), program->idleFlashes,
                rss.c_str());
        }
    }
    std::fprintf(out,
        "(CPU ms: time on a CPU from the threads' schedstat; CPU ticks: utime+stime, %.0f ms each;\n"
        " wakeups: context switches of all threads; flashes: map events and screen flashes)\n",
        ProcessUsage::msPerTick());
}
