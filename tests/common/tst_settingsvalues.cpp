#include "DataFolder.h"
#include "IniProcedures.h"
#include "ShippedFile.h"
#include "TestEnvironment.h"
#include "TimeStamp.h"
#include "ValueConversions.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

class tst_SettingsValues : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
    }
    void storeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isStore");
        QTest::newRow("MURMURIN") << "MURMURIN" << true;
        QTest::newRow("MURMURIN.INI") << "MURMURIN.INI" << true;
        QTest::newRow("lower case is a path") << "murmurin.ini" << false;
    }
    void storeNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, isStore);
        QVERIFY(WriteIniFile(SettingsSection, QStringLiteral("On"), QStringLiteral("Yes"), SettingsFileName));
        QDir::setCurrent(m_env->home());
        QCOMPARE(ReadIniFile(SettingsSection, QStringLiteral("On"), name),
            isStore ? QStringLiteral("Yes") : QString());
        QVERIFY(QFile::exists(m_env->settingsFile()));
        QVERIFY(!QFile::exists(m_env->home() + QStringLiteral("/MURMURIN.INI")));
    }
    void emptyAndLongValues()
    {
        QCOMPARE(ReadIniFile(SettingsSection, QStringLiteral("Never"), SettingsFileName), QString());
        QVERIFY(WriteIniFile(SettingsSection, QStringLiteral("Empty"), QString(), SettingsFileName));
        QCOMPARE(ReadIniFile(SettingsSection, QStringLiteral("Empty"), SettingsFileName), QString());

        // No value the programs write is ever cut on reading; only absurd ones are.
        const QString path = m_env->home() + QStringLiteral("/x.ini");
        const QString message(300, QLatin1Char('m'));
        QVERIFY(WriteIniFile(QStringLiteral("S"), QStringLiteral("k"), QLatin1Char('1') + message, path));
        QCOMPARE(ReadIniFile(QStringLiteral("S"), QStringLiteral("k"), path), QLatin1Char('1') + message);
        QVERIFY(
            WriteIniFile(QStringLiteral("S"), QStringLiteral("k"), QString(5000, QLatin1Char('z')), path));
        QCOMPARE(ReadIniFile(QStringLiteral("S"), QStringLiteral("k"), path).size(), MaxIniValueLength);

        QString error;
        QVERIFY(!WriteIniFile(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"),
            m_env->home() + QStringLiteral("/missing/x.ini"), &error));
        QVERIFY(!error.isEmpty());
    }
    void storeSeesAnotherProcess()
    {
        QVERIFY(WriteIniFile(SettingsSection, QStringLiteral("On"), QStringLiteral("Yes"), SettingsFileName));
        QCOMPARE(ReadIniFile(SettingsSection, QStringLiteral("On"), SettingsFileName), QStringLiteral("Yes"));
        for (const QString &value : {QStringLiteral("No"), QStringLiteral("Yes"), QStringLiteral("No")}) {
            QProcess tool;
            tool.setProcessEnvironment(m_env->processEnvironment());
            tool.start(QStringLiteral(MURMURINE_INI_TOOL),
                {QStringLiteral("write"), QStringLiteral("MURMURIN"), SettingsSection, QStringLiteral("On"),
                    value});
            QVERIFY(tool.waitForFinished(30000));
            QCOMPARE(tool.exitCode(), 0);
            QCOMPARE(ReadIniFile(SettingsSection, QStringLiteral("On"), QStringLiteral("MURMURIN")), value);
        }
    }
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("integer");
        QTest::newRow("blanks inside skipped") << "1 2" << 12.0 << 12;
        QTest::newRow("digits then letters") << "20abc" << 20.0 << 20;
        QTest::newRow("no number") << "abc" << 0.0 << 0;
        QTest::newRow("fraction rounds half to even") << "2.5" << 2.5 << 2;
        QTest::newRow("fraction rounds up") << "3.5x" << 3.5 << 4;
        QTest::newRow("exponent") << "1e3" << 1000.0 << 1000;
        QTest::newRow("hex") << "&H1F" << 31.0 << 31;
        QTest::newRow("huge clamps") << "99999999999999" << 99999999999999.0
                                     << std::numeric_limits<int>::max();
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(int, integer);
        QCOMPARE(ValueConversions::leadingNumber(text), value);
        QCOMPARE(ValueConversions::leadingInteger(text), integer);
    }
    void strictInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("system colour") << "-2147483633" << true << -2147483633;
        QTest::newRow("blanks around") << " 3 " << true << 3;
        QTest::newRow("fraction rounds") << "1.6" << true << 2;
        QTest::newRow("letters after") << "12abc" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("beyond 32 bits") << "4294967296" << false << 0;
    }
    void strictInteger()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const std::optional<qint32> result = ValueConversions::strictInteger(text);
        QCOMPARE(result.has_value(), valid);
        if (valid)
            QCOMPARE(*result, value);
    }
    void transparency_data()
    {
        QTest::addColumn<QString>("backColour");
        QTest::addColumn<QString>("transparentFlag");
        QTest::addColumn<bool>("transparent");
        QTest::newRow("no colour, flag off") << ""
                                             << "0" << true;
        QTest::newRow("colour, flag off") << "255"
                                          << "0" << false;
        QTest::newRow("colour, flag any number") << "255"
                                                 << "-1" << true;
    }
    void transparency()
    {
        QFETCH(QString, backColour);
        QFETCH(QString, transparentFlag);
        QFETCH(bool, transparent);
        QCOMPARE(ValueConversions::isTransparentBackground(backColour, transparentFlag), transparent);
    }
    void timeStamps()
    {
        const QDateTime written(QDate(2026, 12, 6), QTime(18, 10, 58, 123));
        QCOMPARE(TimeStamp::format(written), QStringLiteral("2026-12-06T18:10:58.123"));
        QCOMPARE(TimeStamp::parse(TimeStamp::format(written)), written);

        // A stop written just after midnight is newer than a start just before it.
        const QDateTime beforeMidnight(QDate(2026, 12, 6), QTime(23, 59, 59, 900));
        const QDateTime afterMidnight(QDate(2026, 12, 7), QTime(0, 0, 0, 100));
        QVERIFY(TimeStamp::parse(TimeStamp::format(afterMidnight))
            > TimeStamp::parse(TimeStamp::format(beforeMidnight)));
        QVERIFY(TimeStamp::parse(QStringLiteral("2026-12-07T00:00:00.000")).isValid());

        QCOMPARE(
            TimeStamp::parse(QStringLiteral("18:10:58")), QDateTime(QDate::currentDate(), QTime(18, 10, 58)));
        QCOMPARE(TimeStamp::parse(QStringLiteral("9:05:00")), QDateTime(QDate::currentDate(), QTime(9, 5)));
        for (const char *bad : {"", "   ", "garbage", "25:00:00", "2026-13-01T00:00:00.000"})
            QVERIFY2(!TimeStamp::parse(QLatin1String(bad)).isValid(), bad);
    }
    void dataFolder_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Documents") << QStringList {"Documents"} << "Documents/Murmurine";
        QTest::newRow("only My Documents") << QStringList {"My Documents"} << "My Documents/Murmurine";
        QTest::newRow("later candidate wins")
            << QStringList {"Documents", "Mes Documents"} << "Mes Documents/Murmurine";
        QTest::newRow("none") << QStringList {} << "Murmurine";
        QTest::newRow("other letter case does not count") << QStringList {"documents"} << "Murmurine";
    }
    void dataFolder()
    {
        QFETCH(QStringList, folders);
        QFETCH(QString, expected);
        for (const QString &folder : folders)
            QVERIFY(QDir(m_env->home()).mkdir(folder));
        // A plain file of a candidate's name is not a folder to use.
        if (folders.isEmpty()) {
            QFile file(m_env->home() + QStringLiteral("/Documents"));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(DataFolder::locate(m_env->home()), m_env->home() + QLatin1Char('/') + expected);
        QCOMPARE(DataFolder::FindDataFolder(), m_env->home() + QLatin1Char('/') + expected);
        QVERIFY(QFileInfo(m_env->home() + QLatin1Char('/') + expected).isDir());
    }
    void firstRunCopiesFactoryLibraryOnce()
    {
        const QString factory = m_env->root() + QStringLiteral("/data.txt");
        QFile file(factory);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Categories]\n1=1Factory\n");
        file.close();

        const QString folder = DataFolder::FindDataFolder(m_env->home(), factory);
        const QString data = DataFolder::dataFilePath(folder);
        QCOMPARE(
            ReadIniFile(QStringLiteral("Categories"), QStringLiteral("1"), data), QStringLiteral("1Factory"));

        QVERIFY(
            WriteIniFile(QStringLiteral("Categories"), QStringLiteral("1"), QStringLiteral("1Mine"), data));
        DataFolder::FindDataFolder(m_env->home(), factory);
        QCOMPARE(
            ReadIniFile(QStringLiteral("Categories"), QStringLiteral("1"), data), QStringLiteral("1Mine"));

        // A missing factory file is passed over: the folder is still made.
        QVERIFY(QDir(m_env->home()).mkdir(QStringLiteral("Documents")));
        const QString other
            = DataFolder::FindDataFolder(m_env->home(), m_env->root() + QStringLiteral("/none.txt"));
        QVERIFY(QFileInfo(other).isDir());
        QVERIFY(!QFile::exists(DataFolder::dataFilePath(other)));
    }
    void shippedFilesBesideOrInstalled()
    {
        // An installed program in <prefix>/bin finds <prefix>/share/murmurine/...; a
        // file beside the program, as in a build tree, comes first.
        const QString prefix = m_env->root() + QStringLiteral("/prefix");
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/bin")));
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/share/murmurine/help")));
        const QString bin = prefix + QStringLiteral("/bin");
        const QString page = QStringLiteral("help/index.html");
        QCOMPARE(ShippedFile::locate(page, bin), QString());

        const QString installed = prefix + QStringLiteral("/share/murmurine/help/index.html");
        QFile(installed).open(QIODevice::WriteOnly);
        QCOMPARE(ShippedFile::locate(page, bin), installed);

        QVERIFY(QDir(bin).mkdir(QStringLiteral("help")));
        QFile(bin + QStringLiteral("/help/index.html")).open(QIODevice::WriteOnly);
        QCOMPARE(ShippedFile::locate(page, bin), bin + QStringLiteral("/help/index.html"));
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

QTEST_GUILESS_MAIN(tst_SettingsValues)
#include "tst_settingsvalues.moc"
