#include "ResultTable.h"

#include "Summary.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace {

constexpr double DurationP99TargetMs = 0.5;
constexpr double IntervalP99TargetMs = 2.0;
constexpr double TickToShowMedianTargetMs = 5.0;
constexpr double RssTargetMb = 40.0;

struct DurationFigures
{
    std::size_t flashes = 0;
    std::size_t text = 0;
    std::size_t late = 0;
    double signedMean = NAN;
    double absP50 = NAN;
    double absP99 = NAN;
    double absMax = NAN;
    double intervalP50 = NAN;
    double intervalP99 = NAN;
    double intervalMax = NAN;
    std::size_t intervals = 0;
};

// A pause matters where a program is at work: from a little before the map,
// where it prepares the flash, to just after it, and from a little before the
// unmap, where it wakes up to hide, to just after it.
constexpr int64_t PauseBeforeMapNs = 5'000'000;
constexpr int64_t PauseBeforeUnmapNs = 2'000'000;
constexpr int64_t PauseAfterNs = 500'000;

bool touchedByPause(const FlashRecord &flash, const std::vector<MachinePauses::Pause> &pauses)
{
    return MachinePauses::touches(pauses, flash.mapNs - PauseBeforeMapNs, flash.mapNs + PauseAfterNs)
        || MachinePauses::touches(pauses, flash.unmapNs - PauseBeforeUnmapNs, flash.unmapNs + PauseAfterNs);
}

// With clearOf, only the flashes (and intervals between flashes) that no
// machine pause touched count.
DurationFigures figuresOf(const DurationRun *run, const std::vector<MachinePauses::Pause> *clearOf = nullptr)
{
    DurationFigures figures;
    if (!run)
        return figures;
    std::vector<double> signedErrors;
    std::vector<double> absErrors;
    std::vector<double> intervalErrors;
    std::vector<bool> touched(run->flashes.size(), false);
    for (std::size_t k = 0; clearOf && k < run->flashes.size(); ++k)
        touched[k] = touchedByPause(run->flashes[k], *clearOf);
    for (std::size_t k = 0; k < run->flashes.size(); ++k) {
        if (touched[k])
            continue;
        const FlashRecord &flash = run->flashes[k];
        const double visible = double(flash.unmapNs - flash.mapNs) / 1e6;
        signedErrors.push_back(visible - run->requestedMs);
        absErrors.push_back(std::fabs(visible - run->requestedMs));
        figures.text += flash.sample == FlashRecord::Sample::Text ? 1 : 0;
        figures.late += flash.sample == FlashRecord::Sample::Late ? 1 : 0;
        // The first flash of a run carries the program's one-time start-up work, so the
        // interval that ends it is not counted.
        if (k > 1 && !touched[k - 1]) {
            const double interval = double(flash.mapNs - run->flashes[k - 1].mapNs) / 1e6;
            // A gap of two intervals is a flash the watcher did not see, not a late one.
            if (interval < 1.5 * run->frequencyMs)
                intervalErrors.push_back(std::fabs(interval - run->frequencyMs));
        }
    }
    figures.flashes = absErrors.size();
    const Summary signedSummary(signedErrors);
    const Summary absSummary(absErrors);
    const Summary intervalSummary(intervalErrors);
    figures.signedMean = signedSummary.mean();
    figures.absP50 = absSummary.median();
    figures.absP99 = absSummary.percentile(99);
    figures.absMax = absSummary.max();
    figures.intervalP50 = intervalSummary.median();
    figures.intervalP99 = intervalSummary.percentile(99);
    figures.intervalMax = intervalSummary.max();
    figures.intervals = intervalSummary.count();
    return figures;
}

std::string number(double value, const char *format = "%.3f")
{
    if (std::isnan(value))
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string share(std::size_t part, std::size_t whole)
{
    if (whole == 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%zu/%zu", part, whole);
    return text;
}

std::string verdict(bool pass)
{
    return pass ? "PASS" : "FAIL";
}

} // namespace

ResultTable::ResultTable(const ProgramRun &messenger, const ProgramRun &peer)
    : m_messenger(messenger)
    , m_peer(peer)
{ }

const DurationRun *ResultTable::find(const ProgramRun &program, int requestedMs) const
{
    for (const DurationRun &run : program.durations) {
        if (run.requestedMs == requestedMs)
            return &run;
    }
    return nullptr;
}

std::vector<int> ResultTable::requestedDurations() const
{
    std::set<int> all;
    for (const DurationRun &run : m_messenger.durations)
        all.insert(run.requestedMs);
    for (const DurationRun &run : m_peer.durations)
        all.insert(run.requestedMs);
    return {all.begin(), all.end()};
}

bool ResultTable::print(std::FILE *out) const
{
    std::fprintf(
        out, "\n== Messenger benchmark: %s against %s ==\n", m_messenger.name.c_str(), m_peer.name.c_str());
    for (const std::string &line : m_context)
        std::fprintf(out, "%s\n", line.c_str());
    for (const ProgramRun *program : {&m_messenger, &m_peer}) {
        if (!program->failure.empty())
            std::fprintf(out, "%s: %s\n", program->name.c_str(), program->failure.c_str());
        for (const DurationRun &run : program->durations) {
            if (!run.note.empty())
                std::fprintf(
                    out, "%s, %d ms: %s\n", program->name.c_str(), run.requestedMs, run.note.c_str());
        }
    }
    printDurations(out);
    printVisible(out);
    printIntervals(out);
    printTickToShow(out);
    printResources(out);
    printReference(out);
    printPauses(out);
    return printTargets(out);
}

void ResultTable::printDurations(std::FILE *out) const
{
    std::fprintf(out,
        "\nVisible duration: unmap minus map as the watcher saw them; error = visible - requested, in ms.\n"
        "text@1st: flashes whose text colour was on screen in the first sample after the map;\n"
        "late: the sample reached the X server after the window was gone.\n\n");
    std::fprintf(out, "%-8s | %-53s | %-53s\n", "", m_messenger.name.c_str(), m_peer.name.c_str());
    std::fprintf(out, "%-8s |%4s %8s %7s %7s %7s %9s %5s |%4s %8s %7s %7s %7s %9s %5s\n", "request", "n",
        "mean", "|e|p50", "|e|p99", "|e|max", "text@1st", "late", "n", "mean", "|e|p50", "|e|p99", "|e|max",
        "text@1st", "late");
    for (const int requested : requestedDurations()) {
        const DurationFigures a = figuresOf(find(m_messenger, requested));
        const DurationFigures b = figuresOf(find(m_peer, requested));
        std::fprintf(out, "%5d ms |%4zu %8s %7s %7s %7s %9s %5zu |%4zu %8s %7s %7s %7s %9s %5zu\n", requested,
            a.flashes, number(a.signedMean, "%+.3f").c_str(), number(a.absP50).c_str(),
            number(a.absP99).c_str(), number(a.absMax).c_str(), share(a.text, a.flashes).c_str(), a.late,
            b.flashes, number(b.signedMean, "%+.3f").c_str(), number(b.absP50).c_str(),
            number(b.absP99).c_str(), number(b.absMax).c_str(), share(b.text, b.flashes).c_str(), b.late);
    }
}

void ResultTable::printVisible(std::FILE *out) const
{
    std::fprintf(out,
        "\nVisible duration as a user meets it, in ms: on screen = flashes whose text was there at the\n"
        "first sample; median, p10 and p90 of unmap minus map; mean error = mean of visible - "
        "requested.\n\n");
    std::vector<const ProgramRun *> programs {&m_messenger, &m_peer};
    if (m_reference && m_reference->measured)
        programs.push_back(m_reference);
    std::fprintf(out, "%-8s", "request");
    for (const ProgramRun *program : programs)
        std::fprintf(out, " | %-42s", program->name.c_str());
    std::fprintf(out, "\n%-8s", "");
    for (std::size_t k = 0; k < programs.size(); ++k)
        std::fprintf(out, " | %8s %8s %8s %8s %8s", "on scr", "median", "mean e", "p10", "p90");
    std::fprintf(out, "\n");
    for (const int requested : requestedDurations()) {
        std::fprintf(out, "%5d ms", requested);
        for (const ProgramRun *program : programs) {
            const DurationRun *run = find(*program, requested);
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
}

void ResultTable::printIntervals(std::FILE *out) const
{
    std::fprintf(
        out, "\nInterval between flashes: |map-to-map - frequency|, in ms, from the second flash on.\n\n");
    std::fprintf(out, "%-8s %6s | %-27s | %-27s\n", "", "", m_messenger.name.c_str(), m_peer.name.c_str());
    std::fprintf(out, "%-8s %6s |%4s %7s %7s %7s |%4s %7s %7s %7s\n", "request", "freq", "n", "p50", "p99",
        "max", "n", "p50", "p99", "max");
    for (const int requested : requestedDurations()) {
        const DurationRun *runA = find(m_messenger, requested);
        const DurationRun *runB = find(m_peer, requested);
        const DurationFigures a = figuresOf(runA);
        const DurationFigures b = figuresOf(runB);
        const int frequency = runA ? runA->frequencyMs : runB ? runB->frequencyMs : 0;
        std::fprintf(out, "%5d ms %6d |%4zu %7s %7s %7s |%4zu %7s %7s %7s\n", requested, frequency,
            a.intervals, number(a.intervalP50).c_str(), number(a.intervalP99).c_str(),
            number(a.intervalMax).c_str(), b.intervals, number(b.intervalP50).c_str(),
            number(b.intervalP99).c_str(), number(b.intervalMax).c_str());
    }
}

void ResultTable::printTickToShow(std::FILE *out) const
{
    std::fprintf(
        out, "\nTick to show, text flash over a captured 1920x1080 desktop, all durations, in ms.\n\n");
    std::fprintf(out, "%-10s %5s %8s %8s %8s  %s\n", "", "n", "median", "p99", "max", "how");
    for (const ProgramRun *program : {&m_messenger, &m_peer}) {
        std::vector<double> all;
        for (const DurationRun &run : program->durations)
            all.insert(all.end(), run.tickToShowMs.begin(), run.tickToShowMs.end());
        const Summary summary(all);
        std::fprintf(out, "%-10s %5zu %8s %8s %8s  %s\n", program->name.c_str(), summary.count(),
            number(summary.median()).c_str(), number(summary.percentile(99)).c_str(),
            number(summary.max()).c_str(), program->tickMethod.c_str());
    }
}

void ResultTable::printResources(std::FILE *out) const
{
    std::fprintf(out, "\nWaiting between flashes (no flash due), and peak memory.\n\n");
    std::fprintf(out, "%-10s %8s %10s %10s %9s %8s %12s\n", "", "seconds", "CPU ms", "CPU ticks", "wakeups",
        "flashes", "peak RSS MB");
    for (const ProgramRun *program : {&m_messenger, &m_peer}) {
        if (!program->idleMeasured) {
            std::fprintf(out, "%-10s %8s %10s %10s %9s %8s %12s\n", program->name.c_str(), "-", "-", "-", "-",
                "-", program->peakRssKb ? number(double(program->peakRssKb) / 1024.0, "%.1f").c_str() : "-");
            continue;
        }
        const UsageSample &a = program->idleBefore;
        const UsageSample &b = program->idleAfter;
        std::fprintf(out, "%-10s %8.1f %10.3f %10lld %9lld %8zu %12.1f\n", program->name.c_str(),
            program->idleSeconds, double(b.cpuNs - a.cpuNs) / 1e6,
            static_cast<long long>(b.cpuTicks - a.cpuTicks),
            static_cast<long long>(b.contextSwitches - a.contextSwitches), program->idleFlashes,
            double(program->peakRssKb) / 1024.0);
    }
    std::fprintf(out,
        "(CPU ms: time on a CPU from the threads' schedstat; CPU ticks: utime+stime, %.0f ms each;\n"
        " wakeups: context switches of all threads)\n",
        ProcessUsage::msPerTick());
    if (!m_watcherLatencyMs.empty()) {
        const Summary latency(m_watcherLatencyMs);
        std::fprintf(out,
            "\nWatcher: map event to first sample reply p50 %.3f ms, p99 %.3f ms, max %.3f ms.\n",
            latency.median(), latency.percentile(99), latency.max());
    }
}

void ResultTable::printReference(std::FILE *out) const
{
    if (!m_reference)
        return;
    std::fprintf(out,
        "\nRig floor: flash-reference (map, round trip, clock_nanosleep, unmap) measured the same way.\n");
    if (!m_reference->measured) {
        std::fprintf(out, "  %s\n", m_reference->failure.c_str());
        return;
    }
    std::fprintf(out, "%-8s |%4s %8s %7s %7s %7s %9s | %s\n", "request", "n", "mean", "|e|p50", "|e|p99",
        "|e|max", "text@1st", "interval |e| p50/p99");
    for (const DurationRun &run : m_reference->durations) {
        const DurationFigures f = figuresOf(&run);
        std::fprintf(out, "%5d ms |%4zu %8s %7s %7s %7s %9s | %s / %s\n", run.requestedMs, f.flashes,
            number(f.signedMean, "%+.3f").c_str(), number(f.absP50).c_str(), number(f.absP99).c_str(),
            number(f.absMax).c_str(), share(f.text, f.flashes).c_str(), number(f.intervalP50).c_str(),
            number(f.intervalP99).c_str());
    }
}

void ResultTable::printPauses(std::FILE *out) const
{
    if (!m_pausesWatched)
        return;
    std::size_t longer = 0;
    int64_t longest = 0;
    for (const MachinePauses::Pause &pause : m_pauses) {
        longer += pause.lostNs >= 2'000'000 ? 1 : 0;
        longest = std::max(longest, pause.lostNs);
    }
    std::fprintf(out,
        "\nMachine pauses (%s): %zu of %.1f ms or more in %.0f s (%.1f a second), %zu of 2 ms or more, the "
        "longest %.1f ms.\n",
        m_pauseNote.c_str(), m_pauses.size(), double(m_pauseThresholdNs) / 1e6, m_pauseSeconds,
        m_pauseSeconds > 0 ? double(m_pauses.size()) / m_pauseSeconds : 0.0, longer, double(longest) / 1e6);
    std::fprintf(out,
        "Flashes clear of them (no pause from %.0f ms before the map or %.0f ms before the unmap to %.1f ms\n"
        "after it), in ms; n: flashes clear of pauses / all flashes:\n\n",
        double(PauseBeforeMapNs) / 1e6, double(PauseBeforeUnmapNs) / 1e6, double(PauseAfterNs) / 1e6);
    std::vector<const ProgramRun *> programs {&m_messenger, &m_peer};
    if (m_reference && m_reference->measured)
        programs.push_back(m_reference);
    std::fprintf(out, "%-8s", "request");
    for (const ProgramRun *program : programs)
        std::fprintf(out, " | %-37s", program->name.c_str());
    std::fprintf(out, "\n%-8s", "");
    for (std::size_t k = 0; k < programs.size(); ++k)
        std::fprintf(out, " | %7s %7s %7s %6s %7s", "n", "|e|p50", "|e|p99", "|e|max", "int p99");
    std::fprintf(out, "\n");
    for (const int requested : requestedDurations()) {
        std::fprintf(out, "%5d ms", requested);
        for (const ProgramRun *program : programs) {
            const DurationRun *run = find(*program, requested);
            const DurationFigures all = figuresOf(run);
            const DurationFigures clear = figuresOf(run, &m_pauses);
            std::fprintf(out, " | %7s %7s %7s %6s %7s",
                (std::to_string(clear.flashes) + "/" + std::to_string(all.flashes)).c_str(),
                number(clear.absP50).c_str(), number(clear.absP99).c_str(),
                number(clear.absMax, "%.2f").c_str(), number(clear.intervalP99).c_str());
        }
        std::fprintf(out, "\n");
    }
}

bool ResultTable::printFlashTargets(std::FILE *out, const std::vector<MachinePauses::Pause> *clearOf) const
{
    bool durationP99 = true;
    bool beatsPeer = true;
    bool allText = true;
    bool intervals = true;
    std::string durationDetail;
    std::string peerDetail;
    std::string intervalDetail;
    for (const DurationRun &run : m_messenger.durations) {
        const DurationFigures a = figuresOf(&run, clearOf);
        const DurationFigures b = figuresOf(find(m_peer, run.requestedMs), clearOf);
        durationP99 = durationP99 && a.absP99 <= DurationP99TargetMs;
        beatsPeer = beatsPeer && !std::isnan(b.absP50) && a.absP50 < b.absP50;
        allText = allText && a.text == a.flashes;
        intervals = intervals && !std::isnan(a.intervalP99) && a.intervalP99 <= IntervalP99TargetMs;
        char detail[96];
        std::snprintf(detail, sizeof detail, " %d:%s", run.requestedMs, number(a.absP99).c_str());
        durationDetail += detail;
        std::snprintf(detail, sizeof detail, " %d:%s<%s", run.requestedMs, number(a.absP50).c_str(),
            number(b.absP50).c_str());
        peerDetail += detail;
        std::snprintf(detail, sizeof detail, " %d:%s", run.requestedMs, number(a.intervalP99).c_str());
        intervalDetail += detail;
    }
    const bool everyDuration = m_messenger.durations.size() == requestedDurations().size();
    std::fprintf(out, "  %s  |duration error| p99 <= %.1f ms at every duration (ms:%s)\n",
        verdict(durationP99 && everyDuration).c_str(), DurationP99TargetMs, durationDetail.c_str());
    std::fprintf(out, "  %s  |duration error| p50 below %s's at every duration (ms:%s)\n",
        verdict(beatsPeer && everyDuration).c_str(), m_peer.name.c_str(), peerDetail.c_str());
    std::fprintf(out, "  %s  text on screen at the first sample for every flash, 1 ms included\n",
        verdict(allText).c_str());
    std::fprintf(out, "  %s  interval error p99 <= %.1f ms at every duration (ms:%s)\n",
        verdict(intervals).c_str(), IntervalP99TargetMs, intervalDetail.c_str());
    return durationP99 && everyDuration && beatsPeer && allText && intervals;
}

bool ResultTable::printTargets(std::FILE *out) const
{
    std::fprintf(out, "\nTargets for %s, all flashes:\n", m_messenger.name.c_str());
    if (!m_messenger.measured) {
        std::fprintf(out, "  not measurable in this run: %s\n", m_messenger.failure.c_str());
        return false;
    }
    bool all = m_messenger.failure.empty();
    all = printFlashTargets(out, nullptr) && all;
    std::vector<double> ticks;
    for (const DurationRun &run : m_messenger.durations)
        ticks.insert(ticks.end(), run.tickToShowMs.begin(), run.tickToShowMs.end());
    const Summary tickSummary(ticks);
    const bool tickPass = !tickSummary.empty() && tickSummary.median() <= TickToShowMedianTargetMs;
    std::fprintf(out, "  %s  tick-to-show median <= %.0f ms (%s ms)\n", verdict(tickPass).c_str(),
        TickToShowMedianTargetMs, number(tickSummary.median()).c_str());
    bool idlePass = false;
    if (m_messenger.idleMeasured) {
        const int64_t ticksUsed = m_messenger.idleAfter.cpuTicks - m_messenger.idleBefore.cpuTicks;
        idlePass = ticksUsed == 0 && m_messenger.idleFlashes == 0;
        std::fprintf(out, "  %s  no CPU while waiting (%lld ticks, %.3f ms in %.0f s)\n",
            verdict(idlePass).c_str(), static_cast<long long>(ticksUsed),
            double(m_messenger.idleAfter.cpuNs - m_messenger.idleBefore.cpuNs) / 1e6,
            m_messenger.idleSeconds);
    } else {
        std::fprintf(out, "  FAIL  no CPU while waiting (not measured)\n");
    }
    const double rssMb = double(m_messenger.peakRssKb) / 1024.0;
    const bool rssPass = m_messenger.peakRssKb > 0 && rssMb <= RssTargetMb;
    std::fprintf(out, "  %s  peak RSS <= %.0f MB (%.1f MB)\n", verdict(rssPass).c_str(), RssTargetMb, rssMb);
    all = all && tickPass && idlePass && rssPass;
    std::fprintf(out, "  overall: %s\n", verdict(all).c_str());
    if (m_pausesWatched) {
        std::fprintf(out, "\nThe flash targets on the flashes clear of machine pauses:\n");
        const bool clear = printFlashTargets(out, &m_pauses);
        std::fprintf(out, "  overall, with the other targets above: %s\n",
            verdict(clear && tickPass && idlePass && rssPass && m_messenger.failure.empty()).c_str());
    }
    return all;
}
