#include "Dialogs.h"
#include "FileDialogs.h"
#include "ListRows.h"
#include "TestEnvironment.h"
#include "frmTypeOfSubliminal.h"

#include <QFile>
#include <QImageReader>
#include <QtTest>

class tst_ListRows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cutKeepsSurrogatePairs();
    void qtFilter_data();
    void qtFilter();
    void pictureFilterOffersWhatThePlatformReads();
    void openDialog_data();
    void openDialog();
    void saveDialogAsksBeforeCreating_data();
    void saveDialogAsksBeforeCreating();
};

void tst_ListRows::init()
{
    Dialogs::setTestMode(true);
    Dialogs::reset();
}

void tst_ListRows::cutKeepsSurrogatePairs()
{
    const QString emoji = QStringLiteral("\U0001F389");
    const QString text = QString(49, QLatin1Char('a')) + emoji;
    QCOMPARE(ListRows::cut(text, 50), QString(49, QLatin1Char('a')));
    QCOMPARE(ListRows::cut(text, 51), text);
    QCOMPARE(ListRows::cut(QStringLiteral("abc"), 50), QStringLiteral("abc"));
}

void tst_ListRows::qtFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");

    QTest::newRow("description names its pattern") << "Text Files (*.txt)|*.txt"
                                                   << "Text Files (*.txt)";
    QTest::newRow("trailing bar") << "Text Files (*.txt)|*.txt|"
                                  << "Text Files (*.txt)";
    QTest::newRow("several patterns") << "All picture files|*.bmp;*.gif|*.gif|*.gif"
                                      << "All picture files (*.bmp *.gif);;*.gif (*.gif)";
    QTest::newRow("category files") << "Category files (*.cat)|*.cat|All files|*.*"
                                    << "Category files (*.cat);;All files (*.*)";
}

void tst_ListRows::qtFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(FileDialogs::toQtFilter(filter), expected);
}

void tst_ListRows::pictureFilterOffersWhatThePlatformReads()
{
    const QString filter = FileDialogs::toQtFilter(frmTypeOfSubliminal::pictureFilter());
    const QString all = filter.section(QStringLiteral(";;"), 0, 0);
    QVERIFY2(all.startsWith(QStringLiteral("All picture files (")), qPrintable(all));
    for (const char *pattern : {"*.bmp", "*.ico", "*.gif", "*.jpg", "*.wmf", "*.png"})
        QVERIFY2(all.contains(QLatin1String(pattern)), pattern);
    QCOMPARE(all.contains(QStringLiteral("*.svg")), QImageReader::supportedImageFormats().contains("svg"));
    QVERIFY(filter.contains(QStringLiteral(";;*.png (*.png)")));
}

void tst_ListRows::openDialog_data()
{
    QTest::addColumn<QVariant>("answer");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("messages");

    const QString longest = QLatin1Char('/') + QString(253, QLatin1Char('p'));
    QTest::newRow("trimmed") << QVariant(QStringLiteral("  /tmp/a b.txt ")) << "/tmp/a b.txt" << 0;
    QTest::newRow("cancelled") << QVariant() << "" << 0;
    QTest::newRow("254 characters") << QVariant(longest) << longest << 0;
    QTest::newRow("255 characters refused") << QVariant(longest + QLatin1Char('p')) << "" << 1;
}

void tst_ListRows::openDialog()
{
    QFETCH(QVariant, answer);
    QFETCH(QString, expected);
    QFETCH(int, messages);

    Dialogs::queueAnswer(answer);
    QCOMPARE(FileDialogs::ShowOpenDialog(nullptr, QStringLiteral("Text Files (*.txt)|*.txt"),
                 QStringLiteral("Select the text file to use"), QString()),
        expected);
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1 + messages);
    QCOMPARE(shown.first().kind, Dialogs::Kind::OpenFile);
    QCOMPARE(shown.first().title, QStringLiteral("Select the text file to use"));
    QCOMPARE(shown.first().defaultText, QStringLiteral("Text Files (*.txt)"));
    if (messages)
        QVERIFY(shown.last().text.contains(QStringLiteral("254 characters")));
}

void tst_ListRows::saveDialogAsksBeforeCreating_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("chosen");

    QTest::newRow("existing file, no question") << true << 0 << true;
    QTest::newRow("new file, Yes") << false << int(QMessageBox::Yes) << true;
    QTest::newRow("new file, Cancel") << false << int(QMessageBox::Cancel) << false;
}

void tst_ListRows::saveDialogAsksBeforeCreating()
{
    QFETCH(bool, exists);
    QFETCH(int, answer);
    QFETCH(bool, chosen);

    TestEnvironment env;
    const QString path = env.home() + QStringLiteral("/export.cat");
    if (exists) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Dialogs::queueAnswer(path);
    if (answer)
        Dialogs::queueAnswer(answer);
    const QString result = FileDialogs::ShowSaveDialog(
        nullptr, QStringLiteral("Category files (*.cat)|*.cat"), QStringLiteral("Export"), env.home());
    QCOMPARE(result, chosen ? path : QString());
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), exists ? 1 : 2);
    if (!exists)
        QCOMPARE(shown.last().kind, Dialogs::Kind::Question);
}

QTEST_MAIN(tst_ListRows)
#include "tst_listrows.moc"
