#include "TimingLists.h"

#include <QRegularExpression>
#include <QTest>

// The captions are what the user picks by; the values are what the Messenger
// runs with. They must say the same thing.
class tst_TimingLists : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captionsMatchValues_data()
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
    void captionsMatchValues()
    {
        QFETCH(QString, caption);
        QFETCH(int, ms);
        QFETCH(int, previousMs);

        static const QRegularExpression form(QStringLiteral("^([1-9][0-9]*) (millisecond|second)(s?)$"),
            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = form.match(caption);
        QVERIFY2(match.hasMatch(), qPrintable(caption));
        const int number = match.captured(1).toInt();
        const int unit
            = match.captured(2).compare(QLatin1String("second"), Qt::CaseInsensitive) == 0 ? 1000 : 1;
        QCOMPARE(number * unit, ms);
        QCOMPARE(match.captured(3).isEmpty(), number == 1); // "1 millisecond", "2 milliseconds"
        // A list in rising order, so that a higher position never means a shorter time.
        QVERIFY(ms > previousMs);
    }
};

QTEST_GUILESS_MAIN(tst_TimingLists)
#include "tst_timinglists.moc"
