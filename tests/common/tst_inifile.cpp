#include "IniFile.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <QStringDecoder>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool runTool(const TestEnvironment &env, const QStringList &args, QString *output = nullptr)
{
    QProcess tool;
    tool.setProcessEnvironment(env.processEnvironment());
    tool.start(QStringLiteral(MURMURINE_INI_TOOL), args);
    if (!tool.waitForFinished(30000))
        return false;
    if (output)
        *output = QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

bool setModified(const QString &path, qint64 secondsAgo, time_t now = ::time(nullptr))
{
    const timespec when {now - secondsAgo, 0};
    const timespec times[2] = {when, when};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// The inode and the modification time: the same only if nothing replaced or wrote the file.
QString identity(const QString &path)
{
    struct stat st = {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return u"%1 %2.%3"_s.arg(st.st_ino).arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec);
}

// The lines of a file as text, whatever its encoding and line ends; byte for
// byte for 8-bit files, so that untouched lines compare exactly.
QStringList textLines(const QByteArray &bytes)
{
    QString text = bytes.startsWith("\xFF\xFE")
        ? QString(QStringDecoder(QStringDecoder::Utf16LE)(bytes.sliced(2)))
        : QString::fromLatin1(bytes);
    return text.replace(u'\r', u'\n').split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class tst_IniFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
        m_path = m_env->home() + u"/DATA.TXT"_s;
    }
    void missingFileReadsEmptyAndWriteCreatesIt()
    {
        QCOMPARE(read("S", "k"), QString());
        QVERIFY(write("S", "k", "v"));
        QCOMPARE(TestEnvironment::readFile(m_path), QByteArray("[S]\nk=v\n"));
        QCOMPARE(read("s", "K"), u"v"_s);
        QVERIFY(QDir(m_env->home()).entryList(QDir::Files | QDir::Hidden).size() == 1); // no temporary left
    }
    void seesAnotherProcessWrite()
    {
        QVERIFY(write("S", "k", "mine"));
        QCOMPARE(read("S", "k"), u"mine"_s);
        // Same length, written within the same second: only a full identity check notices.
        QVERIFY(runTool(*m_env, {u"write"_s, m_path, u"S"_s, u"k"_s, u"them"_s}));
        QCOMPARE(read("S", "k"), u"them"_s);

        QVERIFY(write("S", "j", "x"));
        QString seen;
        QVERIFY(runTool(*m_env, {u"read"_s, m_path, u"S"_s, u"j"_s}, &seen));
        QCOMPARE(seen, u"x"_s);
        QCOMPARE(read("S", "k"), u"them"_s);
    }
    void seesReplacementWithSameSizeAndTime()
    {
        const time_t now = ::time(nullptr);
        QVERIFY(TestEnvironment::writeFile(m_path, "[S]\nk=aaaa\n") && setModified(m_path, 60, now));
        QCOMPARE(read("S", "k"), u"aaaa"_s);
        // Another file of the same size and time renamed over it: a new inode.
        const QString other = m_path + u".new"_s;
        QVERIFY(TestEnvironment::writeFile(other, "[S]\nk=bbbb\n") && setModified(other, 60, now));
        QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(m_path).constData()), 0);
        QCOMPARE(read("S", "k"), u"bbbb"_s);
    }
    void batchWriteIsAllOrNothing()
    {
        QVERIFY(TestEnvironment::writeFile(m_path, "[S]\n1=a\n2=b\n"));
        QString error;
        QVERIFY(
            !IniFile::write(m_path, {{u"S"_s, u"1"_s, u"x"_s}, {u"S"_s, u"2"_s, u"bad\nvalue"_s}}, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(TestEnvironment::readFile(m_path), QByteArray("[S]\n1=a\n2=b\n"));

        QVERIFY(IniFile::write(m_path, {{u"S"_s, u"1"_s, u"x"_s}, {u"S"_s, u"3"_s, QString()}}));
        QCOMPARE(TestEnvironment::readFile(m_path), QByteArray("[S]\n1=x\n2=b\n3=\n"));
    }
    void failedWritesReportAndKeepTheFile_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("folder missing") << "missing-folder";
        QTest::newRow("path is a folder") << "directory";
        QTest::newRow("read-only folder") << "read-only-folder";
        QTest::newRow("read-only file") << "read-only-file";
    }
    void failedWritesReportAndKeepTheFile()
    {
        QFETCH(QString, situation);
        QString target = m_path;
        const QByteArray original = "[S]\nk=keep\n";
        if (situation == QLatin1String("missing-folder")) {
            target = m_env->home() + u"/no/such/DATA.TXT"_s;
        } else if (situation == QLatin1String("directory")) {
            QVERIFY(QDir().mkpath(m_path));
        } else {
            if (::geteuid() == 0)
                QSKIP("permissions do not bind root");
            QVERIFY(TestEnvironment::writeFile(m_path, original));
            if (situation == QLatin1String("read-only-folder"))
                QVERIFY(QFile::setPermissions(m_env->home(), QFile::ReadOwner | QFile::ExeOwner));
            else
                QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner));
        }

        QString error;
        const bool written = IniFile::write(target, u"S"_s, u"k"_s, u"new"_s, &error);
        QFile::setPermissions(m_env->home(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(IniFile::read(target, u"S"_s, u"k"_s), QFileInfo(target).isFile() ? u"keep"_s : QString());
        if (QFileInfo(target).isFile())
            QCOMPARE(TestEnvironment::readFile(target), original);
    }
    void corpusSurvivesReadAndEdit_data()
    {
        QTest::addColumn<QString>("file");
        const QDir corpus(QStringLiteral(MURMURINE_CORPUS_DIR));
        const QStringList files = corpus.entryList(QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString &name : files)
            QTest::newRow(qPrintable(name)) << corpus.filePath(name);
    }
    void corpusSurvivesReadAndEdit()
    {
        QFETCH(QString, file);
        const QByteArray original = TestEnvironment::readFile(file);
        QVERIFY(TestEnvironment::writeFile(m_path, original));
        const IniDocument before = IniDocument::parse(original);
        QCOMPARE(before.toBytes(), original); // reading alone never changes a byte

        QVERIFY(write("Categories", "1", "1Calm"));
        QVERIFY(write("New Section", "k", "v"));
        QCOMPARE(read("categories", "1"), u"1Calm"_s);
        QCOMPARE(read("new section", "K"), u"v"_s);

        // Every line of the original that was not the edited one is still there, in order.
        const QStringList after = textLines(TestEnvironment::readFile(m_path));
        qsizetype from = 0;
        for (const QString &line : textLines(original)) {
            if (line.trimmed().startsWith(QLatin1String("1=")))
                continue;
            const qsizetype at = after.indexOf(line, from);
            QVERIFY2(at >= 0, qPrintable(line));
            from = at + 1;
        }
    }
    void hugeLine()
    {
        QByteArray bytes = "[S]\nbig=";
        bytes.append(QByteArray(10 * 1024 * 1024, 'x'));
        bytes.append("\nafter=1\n");
        QVERIFY(TestEnvironment::writeFile(m_path, bytes));
        QCOMPARE(read("S", "after"), u"1"_s);
        QCOMPARE(read("S", "big").size(), 10 * 1024 * 1024);
        QVERIFY(write("S", "after", "2"));
        QCOMPARE(QFileInfo(m_path).size(), bytes.size());
    }
    void heldValuesLeaveTheFileUntouched_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<IniDocument::Assignment>>("assignments");
        QTest::addColumn<bool>("untouched");

        const QByteArray file = "[S]\r\n1 = \"1Calm\" \r\n2=\r\n";
        const auto one = [](const char *key, const char *value) {
            return QList<IniDocument::Assignment> {{"S", key, value}};
        };
        QTest::newRow("same value") << file << one("1", "1Calm") << true;
        QTest::newRow("same empty value") << file << one("2", "") << true;
        QTest::newRow("all of a batch held")
            << file << QList<IniDocument::Assignment> {{"S", "1", "1Calm"}, {"s", "2", ""}} << true;
        QTest::newRow("another value") << file << one("1", "0Calm") << false;
        QTest::newRow("empty value for a missing key") << file << one("3", "") << false;
        QTest::newRow("one of a batch changed")
            << file << QList<IniDocument::Assignment> {{"S", "1", "1Calm"}, {"S", "2", "x"}} << false;
    }
    void heldValuesLeaveTheFileUntouched()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<IniDocument::Assignment>, assignments);
        QFETCH(bool, untouched);
        QVERIFY(TestEnvironment::writeFile(m_path, file));
        QVERIFY(setModified(m_path, 3600));
        const QString before = identity(m_path);
        QVERIFY(IniFile::write(m_path, assignments));
        QCOMPARE(identity(m_path) == before, untouched);
        QCOMPARE(TestEnvironment::readFile(m_path) == file, untouched);
        for (const IniDocument::Assignment &a : assignments)
            QCOMPARE(IniFile::read(m_path, a.section, a.key), a.value);
    }
    void staleTemporaryCopiesRemovedByTheNextWrite_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("situation"); // young: 20 s old; else two minutes
        QTest::addColumn<bool>("removed");
        const auto row = [](const char *what, const char *name, bool removed, const char *situation = "") {
            QTest::newRow(what) << QString::fromLatin1(name) << QString::fromLatin1(situation) << removed;
        };
        row("left by a killed writer", "DATA.TXT.aB3xYz", true);
        row("under a minute old", "DATA.TXT.aB3xYz", false, "young");
        row("still being written", "DATA.TXT.aB3xYz", false, "locked");
        row("another file's copy", "OTHER.TXT.aB3xYz", false);
        row("other letter case", "data.txt.aB3xYz", false);
        row("seven characters", "DATA.TXT.backup1", false);
        row("beside the file a link points to", "DATA.TXT.aB3xYz", true, "linked");
        row("not letters or digits", "DATA.TXT.ab-12c", false);
        row("a word the user chose", "DATA.TXT.backup", false);
        row("a date the user chose", "DATA.TXT.261207", false);
        row("random digits and capitals", "DATA.TXT.Q7W2E9", true);
    }
    void staleTemporaryCopiesRemovedByTheNextWrite()
    {
        QFETCH(QString, name);
        QFETCH(QString, situation);
        QFETCH(bool, removed);

        // QSaveFile writes through a symbolic link, beside the file it points to.
        QString folder = m_env->home();
        if (situation == u"linked") {
            folder += u"/real"_s;
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(QFile::link(folder + u"/DATA.TXT"_s, m_path));
        }
        QVERIFY(TestEnvironment::writeFile(folder + u"/DATA.TXT"_s, "[S]\nk=v\n"));
        const QString copy = folder + u'/' + name;
        QVERIFY(TestEnvironment::writeFile(copy, "[S]\nk=v\n"));
        QVERIFY(setModified(copy, situation == u"young" ? 20 : 120));
        QFile holder(copy);
        if (situation == u"locked") {
            QVERIFY(holder.open(QIODevice::ReadOnly));
            QCOMPARE(::flock(holder.handle(), LOCK_EX | LOCK_NB), 0);
        }

        QVERIFY(write("S", "k", "w"));
        QCOMPARE(!QFileInfo::exists(copy), removed);
        QCOMPARE(read("S", "k"), u"w"_s);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), removed ? 1 : 2);
    }

private:
    QString read(const QString &section, const QString &key) const
    {
        return IniFile::read(m_path, section, key);
    }
    bool write(const QString &section, const QString &key, const QString &value) const
    {
        return IniFile::write(m_path, section, key, value);
    }

    std::unique_ptr<TestEnvironment> m_env;
    QString m_path;
};

QTEST_GUILESS_MAIN(tst_IniFile)
#include "tst_inifile.moc"
