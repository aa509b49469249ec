#include "Dialogs.h"
#include "FileDialogs.h"

#include <QtTest>

class tst_ListRows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        Dialogs::setTestMode(true);
        Dialogs::reset();
    }

    void openDialog_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qtFilter"); // as the dialog is given it
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("refused"); // with a message naming the limit

        const QString text = QStringLiteral("Text Files (*.txt)|*.txt|");
        const QString qtText = QStringLiteral("Text Files (*.txt)");
        const QString longest = QLatin1Char('/') + QString(253, QLatin1Char('p'));
        QTest::newRow("pattern named twice, trailing bar; trimmed")
            << text << qtText << QVariant(QStringLiteral("  /tmp/a b.txt ")) << "/tmp/a b.txt" << false;
        QTest::newRow("several patterns; cancelled")
            << "All picture files|*.bmp;*.gif|*.gif|*.gif"
            << "All picture files (*.bmp *.gif);;*.gif (*.gif)" << QVariant() << "" << false;
        QTest::newRow("254 characters") << text << qtText << QVariant(longest) << longest << false;
        QTest::newRow("255 characters")
            << text << qtText << QVariant(longest + QLatin1Char('p')) << "" << true;
    }

    void openDialog()
    {
        QFETCH(QString, filter);
        QFETCH(QString, qtFilter);
        QFETCH(QVariant, answer);
        QFETCH(QString, expected);
        QFETCH(bool, refused);

        Dialogs::queueAnswer(answer);
        QCOMPARE(FileDialogs::ShowOpenDialog(nullptr, filter, QStringLiteral("Select"), QString()), expected);
        const QList<Dialogs::Shown> shown = Dialogs::takeShown();
        QCOMPARE(shown.size(), refused ? 2 : 1);
        QCOMPARE(shown.first().kind, Dialogs::Kind::OpenFile);
        QCOMPARE(shown.first().defaultText, qtFilter);
        if (refused)
            QVERIFY(shown.last().text.contains(QStringLiteral("254 characters")));
    }
};

QTEST_MAIN(tst_ListRows)
#include "tst_listrows.moc"
