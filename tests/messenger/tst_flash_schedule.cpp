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
    void compositorDrawing_data();
    void compositorDrawing();
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
        schedule.shown(sent, sent + trip, durationMs, false);
        QVERIFY(!schedule.awaitsPaint());
        // The middle of this flash's own trip, whatever the earlier ones took.
        QCOMPARE(schedule.hideAt(), sent + trip / 2 + durationMs * Ms);
        QVERIFY(schedule.hideAt() >= sent + durationMs * Ms);
        sent += 300 * Ms;
    }
}

// Under a compositor a short flash counts from the compositor's drawing of it,
// a long one from the middle of its round trip (here 0.7 ms), and a drawing never seen holds it no longer
// than the wait allows.
void tst_FlashSchedule::compositorDrawing_data()
{
    QTest::addColumn<int>("durationMs");
    QTest::addColumn<bool>("composited");
    QTest::addColumn<long long>("painted"); // after the confirmation; -1: not reported
    QTest::addColumn<bool>("awaits");
    QTest::addColumn<long long>("expectedFromConfirmation");
    QTest::newRow("1 ms, drawn 6 ms later") << 1 << true << 6 * Ms << true << 7 * Ms;
    QTest::newRow("2 ms, drawn at once") << 2 << true << 0LL << true << 2 * Ms;
    QTest::newRow("16 ms waits for the drawing") << 16 << true << 10 * Ms << true << 26 * Ms;
    QTest::newRow("17 ms counts from the round trip") << 17 << true << -1LL << false << 17 * Ms - 350'000;
    QTest::newRow("100 ms counts from the round trip") << 100 << true << -1LL << false << 100 * Ms - 350'000;
    QTest::newRow("1 ms, drawing not seen in time")
        << 1 << true << (FlashSchedule::PaintWaitNs + Ms) << true << 1 * Ms - 350'000;
    QTest::newRow("1 ms without a compositor") << 1 << false << -1LL << false << 1 * Ms - 350'000;
}

void tst_FlashSchedule::compositorDrawing()
{
    QFETCH(int, durationMs);
    QFETCH(bool, composited);
    QFETCH(long long, painted);
    QFETCH(bool, awaits);
    QFETCH(long long, expectedFromConfirmation);
    const long long sent = 500 * Ms;
    const long long confirmed = sent + 700'000;
    FlashSchedule schedule;
    schedule.shown(sent, confirmed, durationMs, composited);
    QCOMPARE(schedule.awaitsPaint(), awaits);
    if (awaits) {
        const long long at = confirmed + painted;
        // What the presenter does: a drawing after the deadline is no drawing.
        schedule.painted(at <= schedule.paintDeadline() ? at : 0);
        QVERIFY(!schedule.awaitsPaint());
    }
    QCOMPARE(schedule.hideAt() - confirmed, expectedFromConfirmation);
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
