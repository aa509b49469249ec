#include "TimingLists.h"

#include <QRegularExpression>
#include <QTest>

// The captions are what the user picks by; the values are what the Messenger
// runs with. They must say the same thing.
class tst_TimingLists : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captionsMatchValues_data();
    void captionsMatchValues();
    void storedPositionsStayValid();
};

void tst_TimingLists::captionsMatchValues_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("ms");
    QTest::addColumn<int>("previousMs");

    int previous = 0;
    for (const TimingLists::Entry &entry : TimingLists::Durations) {
        QTest::addRow("duration %s", entry.caption)
            << QString::fromLatin1(entry.caption) << entry.ms << previous;
        previous = entry.ms;
    }
    previous = 0;
    for (const TimingLists::Entry &entry : TimingLists::Frequencies) {
        QTest::addRow("frequency %s", entry.caption)
            << QString::fromLatin1(entry.caption) << entry.ms << previous;
        previous = entry.ms;
    }
}

void tst_TimingLists::captionsMatchValues()
{
    QFETCH(QString, caption);
    QFETCH(int, ms);
    QFETCH(int, previousMs);

    static const QRegularExpression form(QStringLiteral("^([1-9][0-9]*) (millisecond|second)(s?)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(caption);
    QVERIFY2(match.hasMatch(), qPrintable(caption));
    const int number = match.captured(1).toInt();
    const int unit = match.captured(2).compare(QLatin1String("second"), Qt::CaseInsensitive) == 0 ? 1000 : 1;
    QCOMPARE(number * unit, ms);
    QCOMPARE(match.captured(3).isEmpty(), number == 1); // "1 millisecond", "2 milliseconds"
    // A list in rising order, so that a higher position never means a shorter time.
    QVERIFY(ms > previousMs);
    // Every value must fit the timers of both programs.
    QVERIFY(ms <= 65535);
}

void tst_TimingLists::storedPositionsStayValid()
{
    // Stored files hold "0" to "12" and "0" to "6".
    QCOMPARE(TimingLists::Durations.size(), 13u);
    QCOMPARE(TimingLists::Frequencies.size(), 7u);
    QCOMPARE(TimingLists::Durations[TimingLists::DefaultDuration].ms, 2);
    QCOMPARE(TimingLists::Frequencies[TimingLists::DefaultFrequency].ms, 20000);

    // What the drop-down lists show, position for position.
    const QStringList durations = TimingLists::durationCaptions();
    QCOMPARE(durations.size(), int(TimingLists::Durations.size()));
    for (int i = 0; i < durations.size(); ++i)
        QCOMPARE(durations.at(i), QString::fromLatin1(TimingLists::Durations[i].caption));
    const QStringList frequencies = TimingLists::frequencyCaptions();
    QCOMPARE(frequencies.size(), int(TimingLists::Frequencies.size()));
    for (int i = 0; i < frequencies.size(); ++i)
        QCOMPARE(frequencies.at(i), QString::fromLatin1(TimingLists::Frequencies[i].caption));
}

QTEST_GUILESS_MAIN(tst_TimingLists)
#include "tst_timinglists.moc"
