#include "ScreenFigures.h"

#include "ScreenMatch.h"
#include "Summary.h"

namespace {

constexpr int64_t PauseBeforeOnNs = 5'000'000;
constexpr int64_t PauseBeforeOffNs = 2'000'000;
constexpr int64_t PauseAfterNs = 500'000;

} // namespace

ScreenMatch::Spans ScreenFigures::mappedSpans(const DurationRun &run)
{
    // Under a compositor a mapped window reaches the screen only when the
    // compositor draws it: its map is no evidence of text on the screen.
    ScreenMatch::Spans spans;
    if (run.composited)
        return spans;
    for (const FlashRecord &flash : run.flashes) {
        if (flash.sample == FlashRecord::Sample::Text && flash.unmapNs > flash.mapNs)
            spans.emplace_back(flash.mapNs, flash.unmapNs);
    }
    return spans;
}

ScreenFigures ScreenFigures::of(const DurationRun *run, const std::vector<MachinePauses::Pause> *clearOf)
{
    ScreenFigures figures;
    if (!run)
        return figures;
    const ScreenMatch match(run->ticksNs, run->screen, run->blindNs, mappedSpans(*run), run->requestedMs,
        int64_t(run->frequencyMs) * 1'000'000);
    figures.requested = match.requested();
    figures.split = match.split();
    figures.stuck = match.stuck();
    figures.stray = match.stray();
    figures.unread = match.unread();
    figures.maybeUnread = match.maybeUnread();
    std::vector<double> visible;
    std::vector<double> errors;
    std::vector<double> absErrors;
    for (std::size_t k = 0; k < match.visibleMs().size(); ++k) {
        const auto [on, off] = match.spansNs()[k];
        if (clearOf
            && (MachinePauses::touches(*clearOf, on - PauseBeforeOnNs, on + PauseAfterNs)
                || MachinePauses::touches(*clearOf, off - PauseBeforeOffNs, off + PauseAfterNs)))
            continue;
        const double ms = match.visibleMs()[k];
        visible.push_back(ms);
        errors.push_back(ms - run->requestedMs);
        absErrors.push_back(std::fabs(ms - run->requestedMs));
    }
    figures.seen = visible.size();
    const Summary duration(visible);
    figures.median = duration.median();
    figures.meanError = Summary(errors).mean();
    figures.p10 = duration.percentile(10);
    figures.p90 = duration.percentile(90);
    const Summary absolute(absErrors);
    figures.absP50 = absolute.median();
    figures.absP90 = absolute.percentile(90);
    figures.absP50OfRequested = Summary(match.absoluteErrorsOfRequested()).median();
    figures.tickToScreenP50 = Summary(match.tickToScreenMs()).median();
    return figures;
}
