#include "IniDocument.h"
#include "LibraryFixture.h"

#include <QSignalSpy>

namespace {

const QByteArray Library = "[Categories]\n1=1Holidays\n2=0Work\n3=1Empty\n\n"
                           "[Holidays]\n1=1Sun\n2=0Sea\n3=1#PICTURE# /nowhere/beach.png\n\n"
                           "[Work]\n1=1Focus\n";
const QString Section = QStringLiteral("New Category");
const QString Long
    = QStringLiteral("The category name has already been used and the import has been cancelled.");

} // namespace

class tst_Exchange : public QObject, LibraryFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(setUp()); }
    void cleanup() { tearDown(); }
    void roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("author"); // invalid: No to the question
        QTest::addColumn<QVariantList>("importAnswers"); // after the confirmation
        QTest::addColumn<QString>("added"); // the new row, empty when nothing was added
        QTest::addColumn<QString>("lastBox");

        const QVariantList plain {Box, Box};
        QTest::newRow("new name, author") << "Beach" << QVariant("Ann Example") << plain << "Yes\tBeach"
                                          << "This category was created by 'Ann Example'.";
        QTest::newRow("new name, no author") << "Beach" << QVariant() << plain << "Yes\tBeach"
                                             << "Import complete. Your new category is ready to use";
        QTest::newRow("name in use, renamed")
            << "Holidays" << QVariant() << QVariantList {Box, "Holidays 2", Box, Box} << "Yes\tHolidays 2"
            << "Import complete.";
        QTest::newRow("name in use, same name again cancels")
            << "holidays" << QVariant() << QVariantList {Box, "holidays", Box} << "" << Long;
        QTest::newRow("name in use, no name cancels")
            << "Holidays" << QVariant() << QVariantList {Box, ""} << "" << Long;
    }
    void roundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, author);
        QFETCH(QVariantList, importAnswers);
        QFETCH(QString, added);
        QFETCH(QString, lastBox);

        QVERIFY(openLibrary(Library));
        const QString typed = scratch(QStringLiteral("holidays")); // the extension is added
        const QList<Dialogs::Shown> exported = exportHolidays(typed, name, author);
        QVERIFY(exported.last().text.startsWith(QStringLiteral("Export complete")));
        const IniDocument file
            = IniDocument::parse(TestEnvironment::readFile(typed + QStringLiteral(".cat")));
        QCOMPARE(file.value(Section, "CategoryName"), name);
        QCOMPARE(file.value(Section, "0"), QStringLiteral("Sun"));
        QCOMPARE(file.value(Section, "1"), QStringLiteral("Sea"));
        QCOMPARE(file.value(Section, "2"), QStringLiteral("#PICTURE# /nowhere/beach.png"));
        QVERIFY(file.contains(Section, "3") && file.value(Section, "3").isEmpty());
        QCOMPARE(file.contains(Section, "Author"), author.isValid());

        const QByteArray before = TestEnvironment::readFile(dataFile());
        QSignalSpy imported(m_frame.get(), &MDIForm1::categoryImported);
        const QList<Dialogs::Shown> shown = run("mnuImportCategory",
            QVariantList {QVariant(typed + QStringLiteral(".cat")), button(QMessageBox::Ok)} + importAnswers);
        QVERIFY(shown.at(1).text.contains(u'\'' + name + u'\''));
        QVERIFY2(shown.last().text.startsWith(lastBox), qPrintable(shown.last().text));
        QCOMPARE(imported.count(), added.isEmpty() ? 0 : 1);
        if (importAnswers.size() > 2)
            QCOMPARE(shown.at(3).defaultText, name);
        if (added.isEmpty()) {
            QCOMPARE(TestEnvironment::readFile(dataFile()), before);
            QCOMPARE(categories()->count(), 3);
            return;
        }
        QCOMPARE(rows(categories()).last(), added);
        QCOMPARE(categories()->currentRow(), 3);
        const QStringList expected {"Yes\tSun", "Yes\tSea", "Yes\t#PICTURE# /nowhere/beach.png"};
        QCOMPARE(rows(messages()), expected);
        QCOMPARE(DataFile(dataFile()).readCategory(ListRows::StripMark(added)).size(), 3);
        // The picture is not on this computer.
        QVERIFY(
            shown.last().text.endsWith(QStringLiteral("until the file is put there:\n/nowhere/beach.png")));
    }
    void exporting_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("file"); // under the scratch folder; "dir.cat" is a folder
        QTest::addColumn<QVariantList>("answers"); // after the save dialog
        QTest::addColumn<QString>("lastBox");
        QTest::addColumn<QByteArray>("written"); // what the file then holds; empty: as before

        QTest::newRow("empty category")
            << 2 << "" << QVariantList {} << "Please select a non-empty category to export." << QByteArray();
        QTest::newRow("no category name")
            << 0 << "new.cat" << QVariantList {button(QMessageBox::Yes), "  ", Box}
            << "Category Export cancelled" << QByteArray();
        QTest::newRow("name typed without extension, .cat there, kept")
            << 0 << "kept" << QVariantList {button(QMessageBox::Yes), button(QMessageBox::No)}
            << "/kept.cat already exists." << QByteArray();
        QTest::newRow("a folder in the way")
            << 0 << "dir.cat" << QVariantList {"Beach", button(QMessageBox::No), Box}
            << "Error writing to file. Please try again. Error number:" << QByteArray();
        // Already there, so the save dialog had asked about replacing it: the whole file is replaced.
        QTest::newRow("replacing a longer file")
            << 0 << "old.CAT" << QVariantList {QStringLiteral(" Beach "), button(QMessageBox::No), Box}
            << "Export complete"
            << QByteArray(
                   "[New Category]\nCategoryName=Beach\n0=Sun\n1=Sea\n2=#PICTURE# /nowhere/beach.png\n3=\n");
    }
    void exporting()
    {
        QFETCH(int, category);
        QFETCH(QString, file);
        QFETCH(QVariantList, answers);
        QFETCH(QString, lastBox);
        QFETCH(QByteArray, written);

        QVERIFY(openLibrary(Library));
        QVERIFY(QDir().mkpath(scratch(QStringLiteral("dir.cat"))));
        const QByteArray old
            = "[New Category]\r\nCategoryName=Old\r\n0=a\r\n1=b\r\n2=c\r\n3=d\r\n4=e\r\n5=\r\n"
              "Author=Someone\r\n";
        QVERIFY(TestEnvironment::writeFile(scratch(QStringLiteral("old.CAT")), old));
        const QByteArray kept = "[New Category]\nCategoryName=Kept\n0=k\n";
        QVERIFY(TestEnvironment::writeFile(scratch(QStringLiteral("kept.cat")), kept));
        QListWidget *list = categories();
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(category)).center());
        QCOMPARE(list->currentRow(), category);

        const QList<Dialogs::Shown> shown = run("mnuExportCategory",
            category == 2 ? answers
                          : QVariantList {QVariant(file.isEmpty() ? QString() : scratch(file))} + answers);
        QVERIFY2(shown.last().text.contains(lastBox), qPrintable(shown.last().text));
        QCOMPARE(TestEnvironment::readFile(scratch(QStringLiteral("kept.cat"))), kept);
        QVERIFY(!QFileInfo::exists(scratch(QStringLiteral("new.cat"))));
        QVERIFY(QFileInfo(scratch(QStringLiteral("dir.cat"))).isDir());
        QCOMPARE(
            TestEnvironment::readFile(scratch(QStringLiteral("old.CAT"))), written.isEmpty() ? old : written);
    }
    void importFiles_data()
    {
        QTest::addColumn<QByteArray>("file"); // "FOLDER": the path names a folder
        QTest::addColumn<QVariantList>("answers"); // after the file dialog
        QTest::addColumn<QString>("added");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("lastBox");

        const QString invalid = QStringLiteral("This file is not a valid category file.");
        const QString complete = QStringLiteral("Import complete. Your new category is ready to use");
        const QVariantList ok {button(QMessageBox::Ok), Box, Box};
        const QByteArray head = "[New Category]\nCategoryName=";

        QTest::newRow("no CategoryName, messages all the same")
            << QByteArray("[New Category]\n0=a\n1=b\n") << QVariantList {Box} << "" << QStringList()
            << invalid;
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x00\x00=\xff\xfe[\x00]\n\x00\x01",
            17) << QVariantList {Box}
                                << "" << QStringList() << invalid;
        QTest::newRow("a folder") << QByteArray("FOLDER") << QVariantList {Box} << "" << QStringList()
                                  << "is a folder";
        QTest::newRow("10 MB") << head + "Big\n0=a\n" + QByteArray(10 * 1024 * 1024, ';')
                               << QVariantList {Box} << "" << QStringList() << "larger than";
        QTest::newRow("Windows-1252 with CRLF") << QByteArray(
            "[New Category]\r\nCategoryName=Caf\xe9 cr\xe8me\r\n0=Cr\xe8me br\xfbl\xe9"
            "e\r\n"
            "1=Na\xefve \x80 price\r\n2=\r\nAuthor=Ren\xe9"
            "e\r\n") << ok << "Yes\tCafé crème" << QStringList {"Yes\tCrème brûlée", "Yes\tNaïve € price"}
                                                << "This category was created by 'Renée'.\n\nDid you know";
        QTest::newRow("an empty key ends the list")
            << head + "Letters\n0=A\n1= B \n2=\n3=C\n"
            << ok << "Yes\tLetters" << QStringList {"Yes\tA", "Yes\tB"} << complete;
        QTest::newRow("key 0 empty") << head + "None\n0=\n1=B\nAuthor=\n"
                                     << ok << "Yes\tNone" << QStringList() << complete;
        QByteArray many = head + "Many\n";
        for (int key = 0; key < 10000; ++key)
            many += QByteArray::number(key) + "=m" + QByteArray::number(key) + '\n';
        QStringList hundred;
        for (int key = 0; key < 100; ++key)
            hundred << QStringLiteral("Yes\tm%1").arg(key);
        QTest::newRow("10,000 keys: 100 messages") << many << ok << "Yes\tMany" << hundred << complete;
        QTest::newRow("a 400-character message is cut")
            << head + "Cut\n0=" + QByteArray(299, 'x') + "  " + QByteArray(99, 'y') + "\n"
            << ok << "Yes\tCut" << QStringList {QStringLiteral("Yes\t") + QString(299, 'x')} << complete;
        QTest::newRow("a 500-character name is cut")
            << head + QByteArray(500, 'n') + "\n0=a\n"
            << QVariantList {button(QMessageBox::Ok), Box, Box, Box}
            << QStringLiteral("Yes\t") + QString(50, 'n') << QStringList {"Yes\ta"} << complete;
        QTest::newRow("a name with ']', renamed")
            << head + "Tools [1]\n0=a\n"
            << QVariantList {button(QMessageBox::Ok), Box, "Tools 1", Box, Box} << "Yes\tTools 1"
            << QStringList {"Yes\ta"} << complete;
        QTest::newRow("the name 'Categories', not renamed")
            << head + "Categories\n0=a\n"
            << QVariantList {button(QMessageBox::Ok), Box, QVariant(), Box} << "" << QStringList()
            << "The import has been cancelled.";
    }
    void importFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QVariantList, answers);
        QFETCH(QString, added);
        QFETCH(QStringList, listed);
        QFETCH(QString, lastBox);

        QVERIFY(openLibrary(Library));
        const QString path = scratch(QStringLiteral("in.cat"));
        QVERIFY(file == "FOLDER" ? QDir().mkpath(path) : TestEnvironment::writeFile(path, file));
        const QByteArray before = TestEnvironment::readFile(dataFile());

        const QList<Dialogs::Shown> shown = run("mnuImportCategory", QVariantList {QVariant(path)} + answers);
        QVERIFY2(shown.last().text.startsWith(lastBox)
                || (lastBox.size() < 12 && shown.last().text.contains(lastBox)),
            qPrintable(shown.last().text));
        QCOMPARE(shown.size(), answers.size() + 1);
        if (added.isEmpty()) {
            QCOMPARE(TestEnvironment::readFile(dataFile()), before);
            QCOMPARE(categories()->count(), 3);
            return;
        }
        QCOMPARE(rows(categories()).last(), added);
        QCOMPARE(rows(messages()), listed);
        // As stored, so the Messenger sees the same.
        const QList<MarkedEntry> stored = DataFile(dataFile()).readCategory(ListRows::StripMark(added));
        QCOMPARE(stored.size(), listed.size());
        if (!stored.isEmpty())
            QCOMPARE(ListRows::row(stored.last()), listed.last());
    }

private:
    // Exports "Holidays" to path as name; author invalid answers No.
    QList<Dialogs::Shown> exportHolidays(const QString &path, const QString &name, const QVariant &author)
    {
        QVariantList answers {path, button(QMessageBox::Yes), name};
        answers << button(author.isValid() ? QMessageBox::Yes : QMessageBox::No);
        if (author.isValid())
            answers << author;
        return run("mnuExportCategory", answers << Box);
    }
};

QTEST_MAIN(tst_Exchange)
#include "tst_exchange.moc"
