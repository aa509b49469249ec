#include "FlashSchedule.h"

#include <QtTest>

namespace {
constexpr long long Ms = 1'000'000;
} // namespace

// Driven by made-up times on the monotonic clock: no test here sleeps.
class tst_FlashSchedule : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showTime_data();
    void showTime();
    void hideNeverBeforeTheFlashWasOnScreen_data();
    void hideNeverBeforeTheFlashWasOnScreen();
    void underACompositorTheDurationCountsFromItsDrawing();
    void wake_data();
    void wake();
};

void tst_FlashSchedule::showTime_data()
{
    QTest::addColumn<long long>("tick");
    QTest::addColumn<long long>("now");
    QTest::addColumn<long long>("expected");
    QTest::newRow("prepared in time: tick plus lead") << 100 * Ms << 101 * Ms << 104 * Ms;
    QTest::newRow("preparation overran the lead: at once") << 100 * Ms << 107 * Ms << 107 * Ms;
    QTest::newRow("no tick known: at once") << 0LL << 50 * Ms << 50 * Ms;
}

void tst_FlashSchedule::showTime()
{
    QFETCH(long long, tick);
    QFETCH(long long, now);
    QFETCH(long long, expected);
    FlashSchedule schedule;
    schedule.tick(tick);
    QCOMPARE(schedule.takeShowAt(now), expected);
    // The tick is spent: a second flash without a new tick goes at once.
    QCOMPARE(schedule.takeShowAt(now + Ms), now + Ms);
}

// Round trips to an X server at normal priority fall into a quick and a slow
// group. Whatever the earlier flashes met, each hide comes the full duration
// after its own flash was confirmed on screen.
void tst_FlashSchedule::hideNeverBeforeTheFlashWasOnScreen_data()
{
    QTest::addColumn<QList<long long>>("roundTrips");
    QTest::addColumn<int>("durationMs");
    QTest::newRow("quick after slow ones, 2 ms")
        << QList<long long> {3300'000, 3300'000, 3300'000, 400'000} << 2;
    QTest::newRow("quick after slow ones, 1 ms") << QList<long long> {3200'000, 3400'000, 300'000} << 1;
    QTest::newRow("slow after quick ones, 5 ms") << QList<long long> {300'000, 500'000, 3300'000} << 5;
    QTest::newRow("confirmation later than the duration") << QList<long long> {9000'000} << 2;
    QTest::newRow("one second") << QList<long long> {400'000, 3300'000} << 1000;
}

void tst_FlashSchedule::hideNeverBeforeTheFlashWasOnScreen()
{
    QFETCH(QList<long long>, roundTrips);
    QFETCH(int, durationMs);
    FlashSchedule schedule;
    long long sent = 1000 * Ms;
    for (const long long trip : roundTrips) {
        schedule.tick(sent - FlashSchedule::ShowLeadNs);
        QCOMPARE(schedule.takeShowAt(sent), sent);
        schedule.shown(sent, sent + trip, durationMs);
        // The middle of this flash's own trip, whatever the earlier ones took.
        QCOMPARE(schedule.hideAt(), sent + trip / 2 + durationMs * Ms);
        QVERIFY(schedule.hideAt() >= sent + durationMs * Ms);
        sent += 300 * Ms;
    }
}

// A compositor draws the flash at its next frame, after the X server confirmed
// the change, and takes it off as late after the hide as it drew recent hides.
// The hide goes ahead by the middle of the recent hides' lags, never before the
// drawing was seen; a paint seen before the answer (or none) changes nothing.
void tst_FlashSchedule::underACompositorTheDurationCountsFromItsDrawing()
{
    FlashSchedule schedule;
    const long long sent = 1000 * Ms;
    schedule.shown(sent, sent + 1 * Ms, 5);
    schedule.painted(sent + 3 * Ms);
    QCOMPARE(schedule.hideAt(), sent + 8 * Ms);

    // One slow hide among quick ones moves nothing; unseen hides teach nothing.
    for (const long long lag : {300'000LL, 9 * Ms, 400'000LL, 500'000LL})
        schedule.hidden(sent, sent + lag);
    schedule.hidden(sent, 0);
    QCOMPARE(schedule.hideLagNs(), 400'000LL);
    QCOMPARE(schedule.hideAt(), sent + 8 * Ms - 400'000);
    // Only the last few count.
    for (int i = 0; i < 8; ++i)
        schedule.hidden(sent, sent + 2 * Ms);
    QCOMPARE(schedule.hideLagNs(), 2 * Ms);

    // A lag longer than the flash: the hide still waits for the drawing.
    schedule.shown(sent, sent + 1 * Ms, 1);
    schedule.painted(sent + 17 * Ms);
    QCOMPARE(schedule.hideAt(), sent + 17 * Ms);

    schedule.forgetHideLags();
    QCOMPARE(schedule.hideLagNs(), 0LL);
    schedule.shown(sent, sent + 400'000, 2);
    QCOMPARE(schedule.hideAt(), sent + 200'000 + 2 * Ms);
    schedule.painted(sent + 100'000);
    QCOMPARE(schedule.hideAt(), sent + 200'000 + 2 * Ms);
}

void tst_FlashSchedule::wake_data()
{
    QTest::addColumn<long long>("edge");
    QTest::addColumn<long long>("now");
    QTest::addColumn<long long>("expected");
    QTest::newRow("far edge: the warm lead before it")
        << 200 * Ms << 100 * Ms << 200 * Ms - FlashSchedule::WarmLeadNs;
    QTest::newRow("near edge: now") << 101 * Ms << 100 * Ms << 100 * Ms;
    QTest::newRow("passed edge: now") << 90 * Ms << 100 * Ms << 100 * Ms;
}

void tst_FlashSchedule::wake()
{
    QFETCH(long long, edge);
    QFETCH(long long, now);
    QFETCH(long long, expected);
    QCOMPARE(FlashSchedule::wakeFor(edge, now), expected);
}

QTEST_APPLESS_MAIN(tst_FlashSchedule)
#include "tst_flash_schedule.moc"
