#include "PrintWrapped.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QTest>

namespace {

// Every character 100 units wide: each break can be worked out by hand.
double evenWidth(const QString &text)
{
    return 100.0 * text.size();
}

QString times(int count, char c)
{
    return QString(count, QLatin1Char(c));
}

} // namespace

class tst_PrintWrapped : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void evenCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("pageWidth");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("exactly the page width") << times(30, 'x') << 3000.0 << QStringList {times(30, 'x')};
        // 1, 11 fit the page less its margin (2000), 21 does not: 11 characters a line,
        // until the rest fits the whole page.
        QTest::newRow("no spaces") << times(45, 'x') << 3000.0
                                   << QStringList {times(11, 'x'), times(11, 'x'), times(23, 'x')};
        // The counter carries over: the second line is measured from 8, so 18 fit.
        QTest::newRow("a space among the last ten")
            << times(7, 'a') + ' ' + times(36, 'b') << 3000.0
            << QStringList {times(7, 'a') + ' ', times(18, 'b'), times(18, 'b')};
        // Positions 8 to 18 of the second line are looked at; its space is at 7.
        QTest::newRow("a space just before the last ten")
            << times(7, 'a') + ' ' + times(6, 'b') + ' ' + times(29, 'b') << 3000.0
            << QStringList {times(7, 'a') + ' ', times(6, 'b') + ' ' + times(11, 'b'), times(18, 'b')};
        // The last space among 1..11 is at 10; the second line, measured from 10, has its
        // space at 2; a rest exactly as wide as the page is not narrower than it.
        QTest::newRow("the last of several spaces, and the rest rule")
            << "a b c d e f " + times(30, 'z') << 3000.0
            << QStringList {"a b c d e ", "f ", times(12, 'z'), times(18, 'z')};
        // Not even the first character fits the margin: one a line, never none.
        QTest::newRow("page narrower than the margin")
            << QStringLiteral("abcdefgh") << 500.0 << QStringList {"a", "b", "c", "d", "efgh"};
    }
    void evenCharacters()
    {
        QFETCH(QString, text);
        QFETCH(double, pageWidth);
        QFETCH(QStringList, lines);

        QCOMPARE(PrintWrapped(text, pageWidth, evenWidth), lines);
    }
    void measuredFont_data()
    {
        QTest::addColumn<QString>("text");

        QTest::newRow("a sentence") << QStringLiteral("    Yes\tI notice the small good things of every day, "
                                                      "and I say thank you for them: for the light "
                                                      "in the morning, for the people who help me, and for "
                                                      "the work I can do with my own hands and head.");
        QTest::newRow("no spaces") << QStringLiteral("https://example.org/") + times(280, 'w');
        QTest::newRow("narrow and wide letters")
            << QStringLiteral("iiiiiiiiii WWWWWWWWWW ").repeated(12) + QStringLiteral("Ünïcödé éñd");
    }
    // Against a real face at a printer's resolution: nothing is lost or doubled,
    // nothing is wider than the page, and a line breaks at a space whenever the
    // last ten characters measured to fit hold one.
    void measuredFont()
    {
        QFETCH(QString, text);

        constexpr double Dpi = 1200;
        QImage device(1, 1, QImage::Format_RGB32);
        device.setDotsPerMeterX(qRound(Dpi / 0.0254));
        device.setDotsPerMeterY(qRound(Dpi / 0.0254));
        QFont font(QStringLiteral("DejaVu Sans"), 10);
        const QFontMetricsF metrics(font, &device);
        const PrintedWidth twips
            = [&](const QString &piece) { return metrics.horizontalAdvance(piece) * 1440 / Dpi; };
        const double page = 6.5 * 1440;

        const QStringList lines = PrintWrapped(text, page, twips);
        QVERIFY(lines.size() > 1);
        QCOMPARE(lines.join(QString()), text);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString &line = lines.at(i);
            QVERIFY2(twips(line) < page, qPrintable(line));
            if (i + 1 < lines.size()) {
                QVERIFY2(twips(line) < page - WrapMargin, qPrintable(line));
                QVERIFY2(line.endsWith(QLatin1Char(' ')) || !line.right(11).contains(QLatin1Char(' ')),
                    qPrintable(line));
            }
        }
    }
};

QTEST_MAIN(tst_PrintWrapped)
#include "tst_printwrapped.moc"
