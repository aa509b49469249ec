// Checks of the benchmark's own bookkeeping, which needs no X server: how the
// Messenger's ticks are picked out of its file openings and how the screen's
// flashes are paired with the requested ones.

#include "MessengerTicks.h"
#include "ScreenMatch.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int64_t Ms = 1'000'000;
int failures = 0;

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "FAIL: %s\n", what);
        ++failures;
    }
}

bool near(double a, double b)
{
    return std::fabs(a - b) < 1e-9;
}

ScreenFlash flash(int64_t onMs, int64_t offMs)
{
    ScreenFlash f;
    f.onNs = onMs * Ms;
    f.offNs = offMs < 0 ? -1 : offMs * Ms;
    return f;
}

void ticksFromOpenings()
{
    // Start-up reads at 0, 2 and 200 ms (a late one, still no tick), then ticks
    // at 500 and 800 ms, the second one opening the file twice.
    const std::vector<int64_t> openings {0, 2 * Ms, 200 * Ms, 500 * Ms, 800 * Ms, 803 * Ms};
    const std::vector<int64_t> ticks = MessengerTicks::fromOpenings(openings, 300);
    check(ticks == std::vector<int64_t>({500 * Ms, 800 * Ms}), "ticks follow the start-up, one per burst");
    check(MessengerTicks::fromOpenings({0, 1 * Ms}, 300).empty(), "start-up alone gives no tick");
    check(MessengerTicks::fromOpenings({}, 300).empty(), "no opening, no tick");
    // Once ticking, a late tick is still a tick.
    const std::vector<int64_t> late = MessengerTicks::fromOpenings({0, 300 * Ms, 760 * Ms}, 300);
    check(late == std::vector<int64_t>({300 * Ms, 760 * Ms}), "a late tick counts");
}

void matchPairsFlashesWithTicks()
{
    // Ticks every 300 ms. Flash 0 seen whole; flash 1 never shows; flash 2 in
    // two pieces; flash 3 still showing at the end; text before the first tick.
    const std::vector<int64_t> ticks {300 * Ms, 600 * Ms, 900 * Ms, 1200 * Ms};
    const std::vector<ScreenFlash> screen {
        flash(100, 110), flash(301, 306), flash(905, 906), flash(907, 910), flash(1201, -1)};
    const ScreenMatch match(ticks, screen, {}, {}, 2, 300 * Ms);
    check(match.requested() == 4, "every tick is a requested flash");
    check(match.seen() == 2, "seen: the whole one and the split one");
    check(match.split() == 1, "the split flash is counted");
    check(match.stuck() == 1, "the flash that never went is counted");
    check(match.stray() == 1, "text before the first tick is stray");
    check(match.visibleMs().size() == 2 && near(match.visibleMs()[0], 5) && near(match.visibleMs()[1], 5),
        "visible from the first sample with text to the first without, across pieces");
    check(match.tickToScreenMs().size() == 2 && near(match.tickToScreenMs()[0], 1)
            && near(match.tickToScreenMs()[1], 5),
        "tick to screen from the tick to the first piece");

    std::vector<double> errors = match.absoluteErrorsOfRequested();
    check(errors.size() == 4, "one error per requested flash");
    check(near(errors[0], 3) && near(errors[1], 3), "seen flashes: |visible - requested|");
    check(near(errors[2], ScreenMatch::StuckErrorMs), "a stuck flash is the worst error");
    check(near(errors[3], 2), "an unseen flash counts as visible 0");
}

void matchKeepsFlashesInTheirInterval()
{
    // Text after the last tick's interval belongs to no flash, and text of a
    // late flash is never given to the tick before it.
    const std::vector<int64_t> ticks {0, 300 * Ms};
    const std::vector<ScreenFlash> screen {flash(299, 301), flash(700, 702)};
    const ScreenMatch match(ticks, screen, {}, {}, 1, 300 * Ms);
    check(
        match.seen() == 1 && near(match.visibleMs()[0], 2), "text just before a tick is the earlier flash's");
    check(match.stray() == 1, "text beyond the last interval is stray");
    check(match.missed() == 1 && match.absoluteErrorsOfRequested().size() == 2,
        "the second flash stays requested and is missed");
}

void matchTellsUnreadFromMissed()
{
    // 1 ms flashes, none seen. The first was mapped from 3.1 to 4.2 ms while
    // the screen went unread from 3 to 4.2 ms; the second mapped while it was
    // read; the third was not mapped, and the screen went unread 2 ms long
    // right after its tick.
    const std::vector<int64_t> ticks {0, 300 * Ms, 600 * Ms};
    const ScreenMatch::Spans blind {{3 * Ms, 3 * Ms + 600'000}, {3 * Ms + 600'000, 4 * Ms + 200'000},
        {304 * Ms, 304 * Ms + 400'000}, {601 * Ms, 603 * Ms}};
    const ScreenMatch::Spans mapped {{3 * Ms + 100'000, 4 * Ms + 200'000}, {304 * Ms, 305 * Ms}};
    const ScreenMatch match(ticks, {}, blind, mapped, 1, 300 * Ms);
    check(match.unread() == 1, "unread: mapped while the screen went unread");
    check(match.missed() == 2, "missed: mapped while the screen was read, or never mapped");
    check(match.maybeUnread() == 1, "a missed flash in an unread stretch is noted");
    const std::vector<double> errors = match.absoluteErrorsOfRequested();
    check(errors.size() == 2 && near(errors[0], 1) && near(errors[1], 1),
        "an unread flash is left out of the errors, a missed one counts as visible 0");
    // Without the maps nothing is excused.
    const ScreenMatch unproven(ticks, {}, blind, {}, 1, 300 * Ms);
    check(unproven.unread() == 0 && unproven.missed() == 3, "no map, no excuse");
}

} // namespace

int main()
{
    ticksFromOpenings();
    matchPairsFlashesWithTicks();
    matchKeepsFlashesInTheirInterval();
    matchTellsUnreadFromMissed();
    if (failures == 0)
        std::printf("bench self-test: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
