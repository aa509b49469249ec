#include "ScreenTable.h"

#include "ReportText.h"

#include "ScreenFigures.h"
#include "ScreenMatch.h"
#include "Summary.h"

#include <set>
#include <string>

namespace {

constexpr double AssumedFrameMs = 16.7;

using ReportText::number;
using ReportText::programsOf;
using ReportText::share;

} // namespace

ScreenTable::ScreenTable(std::vector<const SettingRun *> settings)
    : m_settings(std::move(settings))
{ }

double ScreenTable::frameIntervalMs(const SettingRun &setting, bool *measured)
{
    *measured = setting.frames.measured;
    return setting.frames.measured ? setting.frames.gapP50Ms : AssumedFrameMs;
}

std::vector<int> ScreenTable::durationsOf(const SettingRun &setting)
{
    std::set<int> all;
    for (const ProgramRun *program : programsOf(setting)) {
        for (const DurationRun &run : program->durations)
            all.insert(run.requestedMs);
    }
    return {all.begin(), all.end()};
}

const DurationRun *ScreenTable::find(const ProgramRun &program, int requestedMs)
{
    for (const DurationRun &run : program.durations) {
        if (run.requestedMs == requestedMs)
            return &run;
    }
    return nullptr;
}

void ScreenTable::print(std::FILE *out) const
{
    std::fprintf(out,
        "\nOn screen, as a user sees it: the root window's pixels over the flash place, read again and "
        "again.\n"
        "seen: flashes whose text reached the screen / flashes requested (ticks); unread ones (the screen\n"
        "went unread at their time) are noted below the table. Visible duration = first sample without\n"
        "text minus first sample with text; median, p10, p90 of it, mean error = mean of visible -\n"
        "requested, |e|p90 = p90 of |visible - requested|, over the seen flashes, in ms.\n");
    for (const SettingRun *setting : m_settings)
        printSetting(out, *setting);
}

void ScreenTable::printSetting(std::FILE *out, const SettingRun &setting) const
{
    std::fprintf(out, "\n-- %s --\n", setting.name.c_str());
    if (!setting.description.empty())
        std::fprintf(out, "%s\n", setting.description.c_str());
    if (!setting.failure.empty()) {
        std::fprintf(out, "not measured: %s\n", setting.failure.c_str());
        return;
    }
    const ScreenWatcher::Statistics &s = setting.sampling;
    std::fprintf(out,
        "Samples: %llu, one every %s ms (median; p90 %s ms); request to reply median %s ms, p99 %s ms.\n",
        static_cast<unsigned long long>(s.samples), number(s.intervalP50Us / 1000).c_str(),
        number(s.intervalP90Us / 1000).c_str(), number(s.roundTripP50Us / 1000).c_str(),
        number(s.roundTripP99Us / 1000).c_str());
    const FrameProbe::Result &f = setting.frames;
    bool measured = false;
    const double frame = frameIntervalMs(setting, &measured);
    std::fprintf(out,
        "Frame probe (colour change every %.1f ms): %zu changes sent, %zu seen; gap between screen changes\n"
        "median %s ms (p90 %s), change sent to seen median %s ms (p90 %s). Frame interval for the targets: "
        "%.3f ms%s.\n",
        FrameProbe::ToggleUs / 1000.0, f.toggles, f.changes, number(f.gapP50Ms).c_str(),
        number(f.gapP90Ms).c_str(), number(f.latencyP50Ms).c_str(), number(f.latencyP90Ms).c_str(), frame,
        measured ? " (measured)" : " (assumed: the probe saw too few changes)");

    const std::vector<const ProgramRun *> programs = programsOf(setting);
    std::fprintf(out, "\n%-8s", "request");
    for (const ProgramRun *program : programs)
        std::fprintf(out, " | %-47s", program->name.c_str());
    std::fprintf(out, "\n%-8s", "");
    for (std::size_t k = 0; k < programs.size(); ++k)
        std::fprintf(out, " | %7s %7s %7s %7s %7s %7s", "seen", "median", "mean e", "p10", "p90", "|e|p90");
    std::fprintf(out, "\n");
    for (const int requested : durationsOf(setting)) {
        std::fprintf(out, "%5d ms", requested);
        for (const ProgramRun *program : programs) {
            const DurationRun *run = find(*program, requested);
            if (!run) {
                std::fprintf(out, " | %7s %7s %7s %7s %7s %7s", "-", "-", "-", "-", "-", "-");
                continue;
            }
            const ScreenFigures figures = ScreenFigures::of(run);
            std::fprintf(out, " | %7s %7s %7s %7s %7s %7s", share(figures.seen, figures.requested).c_str(),
                number(figures.median).c_str(), number(figures.meanError, "%+.3f").c_str(),
                number(figures.p10).c_str(), number(figures.p90).c_str(), number(figures.absP90).c_str());
        }
        std::fprintf(out, "\n");
    }
    for (const ProgramRun *program : programs) {
        if (!program->failure.empty())
            std::fprintf(out, "%s: %s\n", program->name.c_str(), program->failure.c_str());
        for (const DurationRun &run : program->durations) {
            const ScreenFigures figures = ScreenFigures::of(&run);
            std::string note = run.note;
            const auto add = [&note](std::size_t count, const char *what) {
                if (count > 0)
                    note += (note.empty() ? "" : "; ") + std::to_string(count) + " " + what;
            };
            add(figures.split, "shown in pieces (counted from the first piece to the end of the last)");
            add(figures.stuck, "never left the screen");
            add(figures.stray, "text appearances outside any flash's interval");
            add(figures.unread,
                "unread: mapped with their text, but the X server answered no sample meanwhile"
                " (neither seen nor missed)");
            add(figures.maybeUnread,
                "missed while the screen went unread for as long as the flash (counted as"
                " missed)");
            if (!note.empty())
                std::fprintf(out, "%s, %d ms: %s\n", program->name.c_str(), run.requestedMs, note.c_str());
        }
    }
    std::fprintf(out, "Tick to screen (tick to first sample with text), median over all durations:");
    for (const ProgramRun *program : programs) {
        std::vector<double> all;
        for (const DurationRun &run : program->durations) {
            const ScreenMatch match(run.ticksNs, run.screen, run.blindNs, ScreenFigures::mappedSpans(run),
                run.requestedMs, int64_t(run.frequencyMs) * 1'000'000);
            all.insert(all.end(), match.tickToScreenMs().begin(), match.tickToScreenMs().end());
        }
        const Summary summary(all);
        std::fprintf(out, " %s %s ms;", program->name.c_str(), number(summary.median()).c_str());
    }
    std::fprintf(out,
        "\n(murmurine's tick: its opening of the settings file; aosd_cat's: the line written to it;\n"
        " the reference's: the moment it stamps before its map.)\n");
    printClearOfPauses(out, setting);
}

void ScreenTable::printClearOfPauses(std::FILE *out, const SettingRun &setting) const
{
    if (!m_pauses)
        return;
    std::fprintf(out,
        "Clear of machine pauses (none from 5 ms before the text appeared or 2 ms before it went to 0.5 ms\n"
        "after), for information; n: clear / seen:\n");
    const std::vector<const ProgramRun *> programs = programsOf(setting);
    std::fprintf(out, "%-8s", "request");
    for (const ProgramRun *program : programs)
        std::fprintf(out, " | %-31s", program->name.c_str());
    std::fprintf(out, "\n%-8s", "");
    for (std::size_t k = 0; k < programs.size(); ++k)
        std::fprintf(out, " | %7s %7s %7s %7s", "n", "median", "|e|p50", "|e|p90");
    std::fprintf(out, "\n");
    for (const int requested : durationsOf(setting)) {
        std::fprintf(out, "%5d ms", requested);
        for (const ProgramRun *program : programs) {
            const DurationRun *run = find(*program, requested);
            const ScreenFigures all = ScreenFigures::of(run);
            const ScreenFigures clear = ScreenFigures::of(run, m_pauses);
            std::fprintf(out, " | %7s %7s %7s %7s", share(clear.seen, all.seen).c_str(),
                number(clear.median).c_str(), number(clear.absP50).c_str(), number(clear.absP90).c_str());
        }
        std::fprintf(out, "\n");
    }
}
