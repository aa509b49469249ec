#include "TargetReport.h"

#include "ReportText.h"

#include "ScreenFigures.h"
#include "ScreenTable.h"

#include <algorithm>

namespace {

constexpr double MedianToleranceMs = 0.3;
constexpr double P10ToleranceMs = 0.5;
constexpr double ReferenceMarginMs = 0.1;
constexpr double CompositedMeanErrorMs = 2.0;
constexpr double CompositedAbsP90Ms = 5.0;
constexpr int CompositedLongFromMs = 5;
constexpr double ShortExtraMs = 2.0;
constexpr double RssTargetMb = 40.0;

using ReportText::number;

// " 5:" before the figures of the 5 ms flashes.
std::string label(int durationMs)
{
    char text[16];
    std::snprintf(text, sizeof text, " %d:", durationMs);
    return text;
}

// Every requested duration of the setting was measured for the Messenger.
bool complete(const SettingRun &setting)
{
    return !setting.messenger.durations.empty()
        && setting.messenger.durations.size() == ScreenTable::durationsOf(setting).size();
}

} // namespace

TargetReport::TargetReport(const SettingRun *plain, const SettingRun *composited, bool realtime)
    : m_plain(plain)
    , m_composited(composited)
    , m_realtime(realtime)
{ }

bool TargetReport::line(std::FILE *out, bool met, const std::string &text)
{
    std::fprintf(out, "  %-6s  %s\n", met ? "met" : "MISSED", text.c_str());
    return met;
}

bool TargetReport::print(std::FILE *out) const
{
    std::fprintf(out, "\nTargets for murmurine, from the screen, %s:\n",
        m_realtime
            ? "with the programs under SCHED_FIFO (--realtime; the targets are meant for normal priorities)"
            : "at normal priorities");
    const bool plain = printPlain(out);
    const bool composited = printComposited(out);
    const bool resources = printResources(out);
    const bool all = plain && composited && resources;
    std::fprintf(out, "  overall: %s\n", all ? "all targets met" : "some targets missed");
    return all;
}

bool TargetReport::printPlain(std::FILE *out) const
{
    std::fprintf(out, " Without a compositor:\n");
    if (!m_plain || !m_plain->failure.empty() || !m_plain->messenger.measured) {
        return line(out, false,
            "not measurable: "
                + (m_plain ? (m_plain->failure.empty() ? m_plain->messenger.failure : m_plain->failure)
                           : std::string("setting not run")));
    }
    bool median = complete(*m_plain);
    bool p10 = median;
    bool reference = median;
    bool peer = median;
    std::string medianText, p10Text, referenceText, peerText;
    for (const DurationRun &run : m_plain->messenger.durations) {
        const int d = run.requestedMs;
        const ScreenFigures a = ScreenFigures::of(&run);
        const ScreenFigures r = ScreenFigures::of(ScreenTable::find(m_plain->reference, d));
        const ScreenFigures p = ScreenFigures::of(ScreenTable::find(m_plain->peer, d));
        median = median && std::fabs(a.median - d) <= MedianToleranceMs;
        p10 = p10 && a.p10 >= d - P10ToleranceMs;
        reference = reference && a.absP50OfRequested <= r.absP50OfRequested + ReferenceMarginMs;
        peer = peer && a.absP50OfRequested < p.absP50OfRequested;
        const std::string at = label(d);
        medianText += at + number(a.median);
        p10Text += at + number(a.p10);
        referenceText += at + number(a.absP50OfRequested) + "/" + number(r.absP50OfRequested);
        peerText += at + number(a.absP50OfRequested) + "<" + number(p.absP50OfRequested);
    }
    bool all = line(out, median,
        "median visible duration within 0.3 ms of the request at every duration (ms:" + medianText + ")");
    all = line(out, p10, "p10 at least the request - 0.5 ms at every duration (ms:" + p10Text + ")") && all;
    all = line(out, reference,
              "median |error| at most the reference's + 0.1 ms at every duration (ms, own/reference:"
                  + referenceText + ")")
        && all;
    all = line(out, peer, "median |error| below aosd_cat's at every duration (ms:" + peerText + ")") && all;
    return all;
}

bool TargetReport::printComposited(std::FILE *out) const
{
    std::fprintf(out, " Under a compositor:\n");
    if (!m_composited || !m_composited->failure.empty() || !m_composited->messenger.measured) {
        return line(out, false,
            "not measurable: "
                + (m_composited ? (m_composited->failure.empty() ? m_composited->messenger.failure
                                                                 : m_composited->failure)
                                : std::string("setting not run")));
    }
    bool measuredFrame = false;
    const double frame = ScreenTable::frameIntervalMs(*m_composited, &measuredFrame);
    bool seen = complete(*m_composited);
    bool mean = seen;
    bool p90 = seen;
    bool shortFlashes = seen;
    bool peer = seen;
    std::string seenText, meanText, p90Text, shortText, peerText;
    for (const DurationRun &run : m_composited->messenger.durations) {
        const int d = run.requestedMs;
        const ScreenFigures a = ScreenFigures::of(&run);
        const ScreenFigures p = ScreenFigures::of(ScreenTable::find(m_composited->peer, d));
        const std::string at = label(d);
        // Under a compositor nothing proves an unseen flash was drawn: each is a
        // miss, those in unread stretches only noted.
        seen = seen && a.requested > 0 && a.seen == a.requested;
        seenText += at + std::to_string(a.seen) + "/" + std::to_string(a.requested);
        if (a.maybeUnread > 0)
            seenText += " (" + std::to_string(a.maybeUnread) + " missed in unread stretches)";
        if (d >= CompositedLongFromMs) {
            mean = mean && std::fabs(a.meanError) <= CompositedMeanErrorMs;
            p90 = p90 && a.absP90 <= CompositedAbsP90Ms;
            meanText += at + number(a.meanError, "%+.3f");
            p90Text += at + number(a.absP90);
        } else {
            shortFlashes = shortFlashes && a.p90 <= frame + ShortExtraMs;
            shortText += at + number(a.p90);
        }
        peer = peer && a.absP50OfRequested < p.absP50OfRequested;
        peerText += at + number(a.absP50OfRequested) + "<" + number(p.absP50OfRequested);
    }
    bool all = line(out, seen,
        "every flash on screen at every duration, 1 ms included (seen/requested:" + seenText + ")");
    all = line(out, mean, "from 5 ms up: mean error within +-2 ms (ms:" + meanText + ")") && all;
    all = line(out, p90, "from 5 ms up: p90 of |error| at most 5 ms (ms:" + p90Text + ")") && all;
    char shortRule[200];
    std::snprintf(shortRule, sizeof shortRule,
        "1 and 2 ms flashes on screen at most one frame + 2 ms = %.3f ms (frame %s), judged on the p90 "
        "(ms:",
        frame + ShortExtraMs, measuredFrame ? "measured" : "assumed 16.7 ms");
    all = line(out, shortFlashes && !shortText.empty(), shortRule + shortText + ")") && all;
    all = line(out, peer,
              "median |error| below aosd_cat's at every duration, a missed flash counting as visible 0 (ms:"
                  + peerText + ")")
        && all;
    return all;
}

bool TargetReport::printResources(std::FILE *out) const
{
    std::fprintf(out, " In both settings:\n");
    bool idle = true;
    bool rss = true;
    std::string idleText, rssText;
    for (const SettingRun *setting : {m_plain, m_composited}) {
        if (!setting) {
            idle = rss = false;
            continue;
        }
        const ProgramRun &m = setting->messenger;
        if (m.idleMeasured) {
            const long long ticks = static_cast<long long>(m.idleAfter.cpuTicks - m.idleBefore.cpuTicks);
            idle = idle && ticks == 0 && m.idleFlashes == 0;
            char text[160];
            std::snprintf(text, sizeof text, " %s: %lld ticks, %.3f ms on a CPU, %zu flashes in %.0f s;",
                setting->name.c_str(), ticks, double(m.idleAfter.cpuNs - m.idleBefore.cpuNs) / 1e6,
                m.idleFlashes, m.idleSeconds);
            idleText += text;
        } else {
            idle = false;
            idleText += " " + setting->name + ": not measured;";
        }
        const double mb = double(m.peakRssKb) / 1024.0;
        rss = rss && m.peakRssKb > 0 && mb <= RssTargetMb;
        rssText += " " + setting->name + ": " + number(mb, "%.1f") + " MB;";
    }
    if (!idleText.empty())
        idleText.pop_back();
    if (!rssText.empty())
        rssText.pop_back();
    bool all = line(
        out, idle, "no processor time (CPU ticks) and no flash while waiting (" + idleText.substr(1) + ")");
    all = line(out, rss, "peak RSS at most 40 MB (" + rssText.substr(1) + ")") && all;
    return all;
}
