#include "QuickStopIcons.h"

#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QTest>

class tst_QuickStopIcons : public QObject
{
    Q_OBJECT

private:
    static QImage rendering(const QIcon &icon, int size)
    {
        return icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

private Q_SLOTS:
    void everyIconHasEverySize()
    {
        for (int pair = 0; pair < QuickStopIcons::PairCount; ++pair) {
            for (bool on : {true, false}) {
                const QIcon icon = QuickStopIcons::icon(pair, on);
                for (int size : {16, 32, 64}) {
                    const QImage image(QuickStopIcons::resourcePath(pair, on, size));
                    QVERIFY2(!image.isNull(), qPrintable(QuickStopIcons::resourcePath(pair, on, size)));
                    QCOMPARE(image.size(), QSize(size, size));
                    QCOMPARE(
                        rendering(icon, size), image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
                }
            }
        }
    }

    // The set-up form shows all twelve side by side and the tray shows them
    // at 16 pixels: no two may look alike there.
    void allTwelveDifferAtTraySize()
    {
        QSet<QByteArray> seen;
        for (int pair = 0; pair < QuickStopIcons::PairCount; ++pair) {
            for (bool on : {true, false}) {
                const QImage image = rendering(QuickStopIcons::icon(pair, on), 16);
                seen.insert(
                    QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
            }
        }
        QCOMPARE(seen.size(), 2 * QuickStopIcons::PairCount);
    }

    void pairOutsideTheRangeGivesPairZero_data()
    {
        QTest::addColumn<int>("pair");
        QTest::newRow("negative") << -1;
        QTest::newRow("one past the last") << QuickStopIcons::PairCount;
        QTest::newRow("lowest int") << std::numeric_limits<int>::min();
    }

    void pairOutsideTheRangeGivesPairZero()
    {
        QFETCH(int, pair);
        for (bool on : {true, false})
            QCOMPARE(
                rendering(QuickStopIcons::icon(pair, on), 32), rendering(QuickStopIcons::icon(0, on), 32));
    }
};

QTEST_MAIN(tst_QuickStopIcons)
#include "tst_quickstopicons.moc"
