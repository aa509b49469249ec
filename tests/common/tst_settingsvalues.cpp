#include "DataFolder.h"
#include "IniProcedures.h"
#include "QuickStopIcons.h"
#include "ShippedFile.h"
#include "TestEnvironment.h"
#include "TimeStamp.h"
#include "TimingLists.h"
#include "ValueConversions.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QImage rendering(const QIcon &icon, int size)
{
    return icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

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
    // Another process's write is seen at once, though of the same size and in the same second.
    void storeNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, isStore);
        QVERIFY(WriteIniFile(SettingsSection, u"On"_s, u"Yes"_s, SettingsFileName));
        QDir::setCurrent(m_env->home());
        QCOMPARE(ReadIniFile(SettingsSection, u"On"_s, name), isStore ? u"Yes"_s : QString());
        QProcess tool;
        tool.setProcessEnvironment(m_env->processEnvironment());
        tool.start(QStringLiteral(MURMURINE_INI_TOOL),
            {u"write"_s, u"MURMURIN"_s, SettingsSection, u"On"_s, u"Nay"_s});
        QVERIFY(tool.waitForFinished(30000) && tool.exitCode() == 0);
        QCOMPARE(ReadIniFile(SettingsSection, u"On"_s, name), isStore ? u"Nay"_s : QString());
        QVERIFY(QFile::exists(m_env->settingsFile()));
        QVERIFY(!QFile::exists(m_env->home() + u"/MURMURIN.INI"_s));
    }
    void emptyAndLongValues()
    {
        QCOMPARE(ReadIniFile(SettingsSection, u"Never"_s, SettingsFileName), QString());
        QVERIFY(WriteIniFile(SettingsSection, u"Empty"_s, QString(), SettingsFileName));
        QCOMPARE(ReadIniFile(SettingsSection, u"Empty"_s, SettingsFileName), QString());

        // No value the programs write is ever cut on reading; only absurd ones are.
        const QString path = m_env->home() + u"/x.ini"_s;
        const QString message(300, QLatin1Char('m'));
        QVERIFY(WriteIniFile(u"S"_s, u"k"_s, QLatin1Char('1') + message, path));
        QCOMPARE(ReadIniFile(u"S"_s, u"k"_s, path), QLatin1Char('1') + message);
        QVERIFY(WriteIniFile(u"S"_s, u"k"_s, QString(5000, QLatin1Char('z')), path));
        QCOMPARE(ReadIniFile(u"S"_s, u"k"_s, path).size(), MaxIniValueLength);

        QString error;
        QVERIFY(!WriteIniFile(u"S"_s, u"k"_s, u"v"_s, m_env->home() + u"/missing/x.ini"_s, &error));
        QVERIFY(!error.isEmpty());
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
        const auto row = [](const char *name, const QString &colour, const QString &flag, bool transparent) {
            QTest::newRow(name) << colour << flag << transparent;
        };
        row("no colour, flag off", "", "0", true);
        row("colour, flag off", "255", "0", false);
        row("colour, flag any number", "255", "-1", true);
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
        QCOMPARE(TimeStamp::format(written), u"2026-12-06T18:10:58.123"_s);
        QCOMPARE(TimeStamp::parse(TimeStamp::format(written)), written);
        QCOMPARE(TimeStamp::parse(u"2026-12-07T00:00:00.000"_s), QDateTime(QDate(2026, 12, 7), QTime(0, 0)));

        QCOMPARE(TimeStamp::parse(u"18:10:58"_s), QDateTime(QDate::currentDate(), QTime(18, 10, 58)));
        QCOMPARE(TimeStamp::parse(u"9:05:00"_s), QDateTime(QDate::currentDate(), QTime(9, 5)));
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
            QFile file(m_env->home() + u"/Documents"_s);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(DataFolder::locate(m_env->home()), m_env->home() + QLatin1Char('/') + expected);
        QCOMPARE(DataFolder::FindDataFolder(), m_env->home() + QLatin1Char('/') + expected);
        QVERIFY(QFileInfo(m_env->home() + QLatin1Char('/') + expected).isDir());
    }
    void firstRunCopiesFactoryLibraryOnce()
    {
        const QString factory = m_env->root() + u"/data.txt"_s;
        QVERIFY(TestEnvironment::writeFile(factory, "[Categories]\n1=1Factory\n"));

        const QString folder = DataFolder::FindDataFolder(m_env->home(), factory);
        const QString data = DataFolder::dataFilePath(folder);
        QCOMPARE(ReadIniFile(u"Categories"_s, u"1"_s, data), u"1Factory"_s);

        QVERIFY(WriteIniFile(u"Categories"_s, u"1"_s, u"1Mine"_s, data));
        DataFolder::FindDataFolder(m_env->home(), factory);
        QCOMPARE(ReadIniFile(u"Categories"_s, u"1"_s, data), u"1Mine"_s);

        // A missing factory file is passed over: the folder is still made.
        QVERIFY(QDir(m_env->home()).mkdir(u"Documents"_s));
        const QString other = DataFolder::FindDataFolder(m_env->home(), m_env->root() + u"/none.txt"_s);
        QVERIFY(QFileInfo(other).isDir());
        QVERIFY(!QFile::exists(DataFolder::dataFilePath(other)));
    }
    void shippedFilesBesideOrInstalled()
    {
        // An installed program in <prefix>/bin finds <prefix>/share/murmurine/...; a
        // file beside the program, as in a build tree, comes first.
        const QString prefix = m_env->root() + u"/prefix"_s;
        QVERIFY(QDir().mkpath(prefix + u"/bin"_s));
        QVERIFY(QDir().mkpath(prefix + u"/share/murmurine/help"_s));
        const QString bin = prefix + u"/bin"_s;
        const QString page = u"help/index.html"_s;
        QCOMPARE(ShippedFile::locate(page, bin), QString());

        const QString installed = prefix + u"/share/murmurine/help/index.html"_s;
        QFile(installed).open(QIODevice::WriteOnly);
        QCOMPARE(ShippedFile::locate(page, bin), installed);

        QVERIFY(QDir(bin).mkdir(u"help"_s));
        QFile(bin + u"/help/index.html"_s).open(QIODevice::WriteOnly);
        QCOMPARE(ShippedFile::locate(page, bin), bin + u"/help/index.html"_s);
    }

    // The captions are what the user picks by; the values are what the Messenger
    // runs with. They must say the same thing, in rising order, so that a higher
    // position never means a shorter time.
    void timingCaptionsMatchValues()
    {
        const QRegularExpression form(
            u"^([1-9][0-9]*) (millisecond|second)(s?)$"_s, QRegularExpression::CaseInsensitiveOption);
        const auto check = [&form](const auto &list) {
            int previous = 0;
            for (const TimingLists::Entry &entry : list) {
                const QRegularExpressionMatch match = form.match(QLatin1String(entry.caption));
                QVERIFY2(match.hasMatch(), entry.caption);
                const int number = match.captured(1).toInt();
                QCOMPARE(number * (match.captured(2).compare(u"second", Qt::CaseInsensitive) == 0 ? 1000 : 1),
                    entry.ms);
                QCOMPARE(match.captured(3).isEmpty(), number == 1); // "1 millisecond", "2 milliseconds"
                QVERIFY2(entry.ms > previous, entry.caption);
                previous = entry.ms;
            }
        };
        check(TimingLists::Durations);
        check(TimingLists::Frequencies);
    }

    // Each of the twelve Quick Stop icons in every size. The set-up form shows
    // them side by side and the tray at 16 pixels: no two may look alike there.
    void quickStopIcons()
    {
        QSet<QByteArray> seen;
        for (int pair = 0; pair < QuickStopIcons::PairCount; ++pair) {
            for (bool on : {true, false}) {
                const QIcon icon = QuickStopIcons::icon(pair, on);
                for (int size : {16, 32, 64}) {
                    const QString path = QuickStopIcons::resourcePath(pair, on, size);
                    const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
                    QVERIFY2(image.size() == QSize(size, size), qPrintable(path));
                    QCOMPARE(rendering(icon, size), image);
                }
                const QImage tray = rendering(icon, 16);
                seen.insert(QByteArray(reinterpret_cast<const char *>(tray.constBits()), tray.sizeInBytes()));
            }
        }
        QCOMPARE(seen.size(), 2 * QuickStopIcons::PairCount);
        // A pair outside the range gives pair zero.
        for (int pair : {-1, int(QuickStopIcons::PairCount), std::numeric_limits<int>::min()}) {
            for (bool on : {true, false})
                QCOMPARE(rendering(QuickStopIcons::icon(pair, on), 32),
                    rendering(QuickStopIcons::icon(0, on), 32));
        }
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

QTEST_MAIN(tst_SettingsValues)
#include "tst_settingsvalues.moc"
