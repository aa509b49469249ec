#include "LibraryFixture.h"

#include <QPrinterInfo>
#include <QProcess>

#include <csignal>
#include <sys/resource.h>

namespace {

const QByteArray Mine = "[Categories]\n1=1Mine\n\n[Mine]\n1=1Mine one\n";
const QByteArray Factory = "[Categories]\n1=1Factory\n2=0Other\n\n[Factory]\n1=1F1\n";
const QByteArray OldBackup = "[Categories]\n1=0Kept\n\n[Kept]\n1=1Kept one\n";
const QByteArray Older = "[Categories]\r\n1=1Older\r\n\r\n[Older]\r\n1=0From before\r\n";

// Writes past limit bytes fail for as long as this lives, as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = limit;
        m_set = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }
    bool isSet() const { return m_set; }

private:
    rlimit m_old {};
    bool m_set = false;
};

// A library bigger than the limit above.
QByteArray large(const QByteArray &library)
{
    return library + "\n; " + QByteArray(64 * 1024, 'x') + '\n';
}

QString pdfText(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("(pdftotext, of poppler-utils, failed: %1)").arg(process.errorString());
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class tst_Maintenance : public QObject, LibraryFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No printer may be found, whatever the machine offers.
        qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    }
    void init()
    {
        QVERIFY(setUp());
        QVERIFY(TestEnvironment::writeFile(factoryFile(), Factory));
    }
    void cleanup() { tearDown(); }
    void resetThenRestore()
    {
        QVERIFY(openLibrary(Mine));
        QList<Dialogs::Shown> shown = run("mnuResetData", {button(QMessageBox::Yes)});
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().text.endsWith(
            QStringLiteral("(A back up file will be made: ") + backupFile() + ')'));
        QCOMPARE(TestEnvironment::readFile(dataFile()), Factory);
        QCOMPARE(TestEnvironment::readFile(backupFile()), Mine);
        QCOMPARE(rows(categories()), QStringList({"Yes\tFactory", "No \tOther"}));
        QCOMPARE(rows(messages()), QStringList {"Yes\tF1"});
        QCOMPARE(categories()->currentRow(), 0);

        shown = run("mnuRestoreBackup", {button(QMessageBox::Yes)});
        QCOMPARE(shown.size(), 1);
        QCOMPARE(TestEnvironment::readFile(dataFile()), Mine);
        QCOMPARE(TestEnvironment::readFile(backupFile()), Mine);
        QCOMPARE(rows(categories()), QStringList {"Yes\tMine"});
        QCOMPARE(rows(messages()), QStringList {"Yes\tMine one"});
        QCOMPARE(dataFolderEntries(), QStringList({"BACKUP.DAT", "DATA.TXT"}));
    }
    void retrieve_data()
    {
        QTest::addColumn<QString>("file"); // "BACKUP": the backup file itself
        QTest::addColumn<bool>("dataGone"); // the data file was deleted behind the program's back
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QByteArray>("backupAfter");
        QTest::addColumn<QString>("firstRow");

        QTest::newRow("an older library") << "old/DATA.TXT" << false << Older << Mine << "Yes\tOlder";
        QTest::newRow("the backup file itself") << "BACKUP" << false << OldBackup << Mine << "No \tKept";
        QTest::newRow("no data file: the last backup is kept")
            << "old/DATA.TXT" << true << Older << OldBackup << "Yes\tOlder";
    }
    void retrieve()
    {
        QFETCH(QString, file);
        QFETCH(bool, dataGone);
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, backupAfter);
        QFETCH(QString, firstRow);

        QVERIFY(openLibrary(Mine));
        QVERIFY(TestEnvironment::writeFile(backupFile(), OldBackup));
        QVERIFY(QDir().mkpath(scratch(QStringLiteral("old"))));
        QVERIFY(TestEnvironment::writeFile(scratch(QStringLiteral("old/DATA.TXT")), Older));
        if (dataGone)
            QVERIFY(QFile::remove(dataFile()));
        const QString path = file == QLatin1String("BACKUP") ? backupFile() : scratch(file);

        const QList<Dialogs::Shown> shown = run("mnuRetrieve", {path});
        QCOMPARE(shown.size(), 1);
        QCOMPARE(TestEnvironment::readFile(dataFile()), expected);
        QCOMPARE(TestEnvironment::readFile(backupFile()), backupAfter);
        QCOMPARE(rows(categories()).first(), firstRow);
        QCOMPARE(categories()->currentRow(), 0);
    }
    void nothingChanges_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("backup"); // "NONE": no backup file
        QTest::addColumn<QByteArray>("picked"); // what the retrieved file holds; "FOLDER", "DATA"
        QTest::addColumn<QVariantList>("answers");
        QTest::addColumn<QString>("lastBox");

        const QVariantList yes {button(QMessageBox::Yes), Box};
        const QString notValid = QStringLiteral("This file is not a valid data file.");
        QTest::newRow("restore without a backup")
            << QByteArray("mnuRestoreBackup") << QByteArray("NONE") << QByteArray() << yes
            << "The backup file could not be restored so this operation has been cancelled. This could be "
               "because no "
               "backup has been done. Please ensure you can write to the application directory.";
        QTest::newRow("restore a garbage backup")
            << QByteArray("mnuRestoreBackup") << QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR", 16)
            << QByteArray() << yes << "The backup file %backup% does not hold any categories and messages";
        QTest::newRow("retrieve, first category empty")
            << QByteArray("mnuRetrieve") << OldBackup << QByteArray("[Categories]\n1=\n2=1Second\n")
            << QVariantList {Box} << notValid;
        QTest::newRow("retrieve, first category without a name")
            << QByteArray("mnuRetrieve") << OldBackup << QByteArray("[Categories]\n1=1\n")
            << QVariantList {Box} << notValid;
        QTest::newRow("retrieve, garbage")
            << QByteArray("mnuRetrieve") << OldBackup << QByteArray("\x00\x01\x02[Categories\xff\n1=1", 15)
            << QVariantList {Box} << notValid;
        QTest::newRow("retrieve, a folder") << QByteArray("mnuRetrieve") << OldBackup << QByteArray("FOLDER")
                                            << QVariantList {Box} << notValid + "\n\n";
        QTest::newRow("retrieve, the data file itself")
            << QByteArray("mnuRetrieve") << OldBackup << QByteArray("DATA") << QVariantList {Box}
            << "This is the data file that holds your messages now";
    }
    void nothingChanges()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, backup);
        QFETCH(QByteArray, picked);
        QFETCH(QVariantList, answers);
        QFETCH(QString, lastBox);

        QVERIFY(openLibrary(Mine));
        lastBox.replace(QStringLiteral("%backup%"), backupFile());
        if (backup != "NONE")
            QVERIFY(TestEnvironment::writeFile(backupFile(), backup));
        if (command == "mnuRetrieve") {
            QString path = scratch(QStringLiteral("DATA.TXT"));
            if (picked == "FOLDER")
                QVERIFY(QDir().mkpath(path));
            else if (picked == "DATA")
                path = dataFile();
            else if (!picked.isEmpty())
                QVERIFY(TestEnvironment::writeFile(path, picked));
            else
                path.clear();
            answers.prepend(path);
        }
        const QStringList before = rows(categories());

        const QList<Dialogs::Shown> shown = run(command.constData(), answers);
        QVERIFY2(shown.last().text.startsWith(lastBox), qPrintable(shown.last().text));
        QCOMPARE(TestEnvironment::readFile(dataFile()), Mine);
        QCOMPARE(QFileInfo::exists(backupFile()), backup != "NONE");
        if (backup != "NONE")
            QCOMPARE(TestEnvironment::readFile(backupFile()), backup);
        QCOMPARE(rows(categories()), before);
    }
    void failedCopies_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("backupAfter"); // "OLD": the backup as it was
        QTest::addColumn<QString>("box");

        // The backup fits, the factory library does not.
        QTest::newRow("reset, replacing the data file fails")
            << QByteArray("mnuResetData") << Mine << Mine
            << "Resetting your data file could not be done so this operation has been cancelled. Please "
               "ensure "
               "you can write to the %folder% directory.";
        QTest::newRow("retrieve, the backup cannot be made")
            << QByteArray("mnuRetrieve") << large(Mine) << QByteArray("OLD")
            << "A backup of your data file could not be made so this operation has been cancelled.";
        QTest::newRow("restore, replacing the data file fails")
            << QByteArray("mnuRestoreBackup") << Mine << QByteArray("OLD")
            << "The backup file could not be restored so this operation has been cancelled.";
    }
    void failedCopies()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, backupAfter);
        QFETCH(QString, box);

        QVERIFY(TestEnvironment::writeFile(factoryFile(), large(Factory)));
        QVERIFY(openLibrary(data));
        box.replace(QStringLiteral("%folder%"), dataFolder());
        const QByteArray oldBackup = command == "mnuRestoreBackup" ? large(OldBackup) : OldBackup;
        QVERIFY(TestEnvironment::writeFile(backupFile(), oldBackup));
        QVERIFY(TestEnvironment::writeFile(scratch(QStringLiteral("DATA.TXT")), Older));
        QVariantList answers {button(QMessageBox::Yes), Box};
        if (command == "mnuRetrieve")
            answers = {scratch(QStringLiteral("DATA.TXT")), Box};

        QList<Dialogs::Shown> shown;
        {
            const FileSizeLimit limit(16 * 1024);
            QVERIFY(limit.isSet());
            shown = run(command.constData(), answers);
        }
        QVERIFY2(shown.last().text.startsWith(box), qPrintable(shown.last().text));
        QCOMPARE(TestEnvironment::readFile(dataFile()), data);
        QCOMPARE(TestEnvironment::readFile(backupFile()), backupAfter == "OLD" ? oldBackup : backupAfter);
        // No temporary file is left behind.
        QCOMPARE(dataFolderEntries(), QStringList({"BACKUP.DAT", "DATA.TXT"}));
    }
    void printList_data()
    {
        QTest::addColumn<QByteArray>("library");
        QTest::addColumn<QString>("pdf"); // as typed, under the scratch folder
        QTest::addColumn<QStringList>("printed"); // after the header, in order
        QTest::addColumn<QStringList>("absent");

        QString longMessage;
        for (int i = 1; i <= 40; ++i)
            longMessage += QStringLiteral("word%1 ").arg(i, 2, 10, QLatin1Char('0'));
        longMessage = longMessage.trimmed();
        const QByteArray library = "[Categories]\n1=1Holidays\n2=0Work\n3=1Calm\n\n"
                                   "[Holidays]\n1=1Sun\n2=0Sea\n3=1"
            + longMessage.toUtf8()
            + "\n\n"
              "[Work]\n1=1Focus\n\n[Calm]\n1=1Breathe\n";
        QTest::newRow("marked categories and messages")
            << library << "list"
            << QStringList {"Category : Yes Holidays", "Yes Sun", "Yes " + longMessage, "Category : Yes Calm",
                   "Yes Breathe"}
            << QStringList {"Sea", "Work", "Focus"};
        QTest::newRow("nothing marked: the header alone")
            << QByteArray("[Categories]\n1=0Holidays\n\n[Holidays]\n1=1Sun\n") << "list" << QStringList()
            << QStringList {"Category", "Sun"};
        QTest::newRow("to a folder that is not there")
            << Mine << "missing/list.pdf" << QStringList() << QStringList();
    }
    void printList()
    {
        QFETCH(QByteArray, library);
        QFETCH(QString, pdf);
        QFETCH(QStringList, printed);
        QFETCH(QStringList, absent);

        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("A printer is set up here, so the list would be printed rather than saved.");
        QVERIFY(openLibrary(library));
        pdf = scratch(pdf);
        const QList<Dialogs::Shown> shown = run("mnuPrint",
            {button(QMessageBox::Yes), button(QMessageBox::Yes), pdf, button(QMessageBox::Yes), Box});
        QVERIFY(shown.at(1).text.startsWith(QStringLiteral("No printer has been set up on this computer")));
        if (pdf.endsWith(QLatin1String(".pdf"))) {
            QCOMPARE(shown.last().text, QStringLiteral("The list could not be sent to %1.").arg(pdf));
            return;
        }
        QCOMPARE(shown.last().text, QStringLiteral("Printing has finished"));
        QCOMPARE(categories()->currentRow(), categories()->count() - 1);

        const QString text = pdfText(pdf + QStringLiteral(".pdf"));
        const QString all = text.simplified();
        const QString header
            = QStringLiteral("This is your list of subliminal messages being displayed. Murmurine");
        QVERIFY2(all.startsWith(header), qPrintable(text));
        qsizetype at = 0;
        for (const QString &line : printed) {
            at = all.indexOf(line, at);
            QVERIFY2(at >= 0, qPrintable(line + QStringLiteral(" not in order in:\n") + text));
        }
        for (const QString &word : absent)
            QVERIFY2(!all.contains(word), qPrintable(word));
        // Wider than the page, the long message goes over several lines (where it breaks is
        // the wrapping's own test).
        if (!printed.isEmpty()) {
            const qsizetype firstLineEnd
                = text.indexOf(QLatin1Char('\n'), text.indexOf(QStringLiteral("word01")));
            QVERIFY2(firstLineEnd < text.indexOf(QStringLiteral("word40")), qPrintable(text));
        }
    }

private:
    QString factoryFile() const { return appFolder() + QStringLiteral("/data.txt"); }
    QStringList dataFolderEntries() const { return QDir(dataFolder()).entryList(QDir::Files | QDir::Hidden); }
};

QTEST_MAIN(tst_Maintenance)
#include "tst_maintenance.moc"
