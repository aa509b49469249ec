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

bool setModified(const QString &path, qint64 secondsAgo)
{
    const timespec when {::time(nullptr) - secondsAgo, 0};
    const timespec times[2] = {when, when};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// The inode and the modification time: the same only if nothing replaced or wrote the file.
QString identity(const QString &path)
{
    struct stat st = {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return QStringLiteral("%1 %2.%3").arg(st.st_ino).arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec);
}

// The lines of a file as text, whatever its encoding and line ends.
QStringList textLines(const QByteArray &bytes)
{
    QString text;
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder utf16(QStringDecoder::Utf16LE);
        text = utf16.decode(bytes.sliced(2));
    } else {
        text = QString::fromLatin1(bytes); // byte for byte: untouched lines compare exactly
    }
    // Not QRegularExpression: it matches nothing in text with an unpaired surrogate.
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text.at(i) == u'\r' || text.at(i) == u'\n') {
            if (i > start)
                lines.append(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    return lines;
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
        m_path = m_env->home() + QStringLiteral("/DATA.TXT");
    }
    void missingFileReadsEmptyAndWriteCreatesIt()
    {
        QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("k")), QString());
        QVERIFY(IniFile::write(m_path, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
        QCOMPARE(TestEnvironment::readFile(m_path), QByteArray("[S]\nk=v\n"));
        QCOMPARE(IniFile::read(m_path, QStringLiteral("s"), QStringLiteral("K")), QStringLiteral("v"));
        QVERIFY(QDir(m_env->home()).entryList(QDir::Files | QDir::Hidden).size() == 1); // no temporary left
    }
    void seesAnotherProcessWrite()
    {
        QVERIFY(IniFile::write(m_path, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("mine")));
        QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("mine"));
        // Same length, written within the same second: only a full identity check notices.
        QVERIFY(runTool(*m_env,
            {QStringLiteral("write"), m_path, QStringLiteral("S"), QStringLiteral("k"),
                QStringLiteral("them")}));
        QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("them"));

        QVERIFY(IniFile::write(m_path, QStringLiteral("S"), QStringLiteral("j"), QStringLiteral("x")));
        QString seen;
        QVERIFY(runTool(
            *m_env, {QStringLiteral("read"), m_path, QStringLiteral("S"), QStringLiteral("j")}, &seen));
        QCOMPARE(seen, QStringLiteral("x"));
        QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("them"));
    }
    void seesReplacementWithSameSizeAndTime()
    {
        QVERIFY(TestEnvironment::writeFile(m_path, "[S]\nk=aaaa\n"));
        struct stat before;
        QCOMPARE(::stat(QFile::encodeName(m_path).constData(), &before), 0);
        QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("aaaa"));

        // Another file of the same size and time renamed over it: a new inode.
        const QString other = m_path + QStringLiteral(".new");
        QVERIFY(TestEnvironment::writeFile(other, "[S]\nk=bbbb\n"));
        const timespec times[2] = {before.st_atim, before.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(other).constData(), times, 0), 0);
        QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(m_path).constData()), 0);
        QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("bbbb"));
    }
    void batchWriteIsAllOrNothing()
    {
        QVERIFY(TestEnvironment::writeFile(m_path, "[S]\n1=a\n2=b\n"));
        QString error;
        QVERIFY(!IniFile::write(m_path,
            {{QStringLiteral("S"), QStringLiteral("1"), QStringLiteral("x")},
                {QStringLiteral("S"), QStringLiteral("2"), QStringLiteral("bad\nvalue")}},
            &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(TestEnvironment::readFile(m_path), QByteArray("[S]\n1=a\n2=b\n"));

        QVERIFY(IniFile::write(m_path,
            {{QStringLiteral("S"), QStringLiteral("1"), QStringLiteral("x")},
                {QStringLiteral("S"), QStringLiteral("3"), QString()}}));
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
            target = m_env->home() + QStringLiteral("/no/such/DATA.TXT");
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
        const bool written
            = IniFile::write(target, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("new"), &error);
        QFile::setPermissions(m_env->home(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(IniFile::read(target, QStringLiteral("S"), QStringLiteral("k")),
            QFileInfo(target).isFile() ? QStringLiteral("keep") : QString());
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

        QVERIFY(IniFile::write(
            m_path, QStringLiteral("Categories"), QStringLiteral("1"), QStringLiteral("1Calm")));
        QVERIFY(
            IniFile::write(m_path, QStringLiteral("New Section"), QStringLiteral("k"), QStringLiteral("v")));
        QCOMPARE(IniFile::read(m_path, QStringLiteral("categories"), QStringLiteral("1")),
            QStringLiteral("1Calm"));
        QCOMPARE(
            IniFile::read(m_path, QStringLiteral("new section"), QStringLiteral("K")), QStringLiteral("v"));

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
        QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("after")), QStringLiteral("1"));
        QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("big")).size(), 10 * 1024 * 1024);
        QVERIFY(IniFile::write(m_path, QStringLiteral("S"), QStringLiteral("after"), QStringLiteral("2")));
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
        QTest::addColumn<int>("secondsOld");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<bool>("linked");
        QTest::addColumn<bool>("removed");

        QTest::newRow("left by a killed writer") << "DATA.TXT.aB3xYz" << 120 << false << false << true;
        QTest::newRow("under a minute old") << "DATA.TXT.aB3xYz" << 20 << false << false << false;
        QTest::newRow("still being written") << "DATA.TXT.aB3xYz" << 120 << true << false << false;
        QTest::newRow("another file's copy") << "OTHER.TXT.aB3xYz" << 120 << false << false << false;
        QTest::newRow("other letter case") << "data.txt.aB3xYz" << 120 << false << false << false;
        QTest::newRow("seven characters") << "DATA.TXT.backup1" << 120 << false << false << false;
        QTest::newRow("beside the file a link points to")
            << "DATA.TXT.aB3xYz" << 120 << false << true << true;
        QTest::newRow("not letters or digits") << "DATA.TXT.ab-12c" << 120 << false << false << false;
        QTest::newRow("a word the user chose") << "DATA.TXT.backup" << 120 << false << false << false;
        QTest::newRow("a date the user chose") << "DATA.TXT.261207" << 120 << false << false << false;
        QTest::newRow("random digits and capitals") << "DATA.TXT.Q7W2E9" << 120 << false << false << true;
    }
    void staleTemporaryCopiesRemovedByTheNextWrite()
    {
        QFETCH(QString, name);
        QFETCH(int, secondsOld);
        QFETCH(bool, locked);
        QFETCH(bool, linked);
        QFETCH(bool, removed);

        // QSaveFile writes through a symbolic link, beside the file it points to.
        QString folder = m_env->home();
        if (linked) {
            folder += QStringLiteral("/real");
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(QFile::link(folder + QStringLiteral("/DATA.TXT"), m_path));
        }
        QVERIFY(TestEnvironment::writeFile(folder + QStringLiteral("/DATA.TXT"), "[S]\nk=v\n"));
        const QString copy = folder + u'/' + name;
        QVERIFY(TestEnvironment::writeFile(copy, "[S]\nk=v\n"));
        QVERIFY(setModified(copy, secondsOld));
        QFile holder(copy);
        if (locked) {
            QVERIFY(holder.open(QIODevice::ReadOnly));
            QCOMPARE(::flock(holder.handle(), LOCK_EX | LOCK_NB), 0);
        }

        QVERIFY(IniFile::write(m_path, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w")));
        QCOMPARE(!QFileInfo::exists(copy), removed);
        QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("w"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), removed ? 1 : 2);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    QString m_path;
};

QTEST_GUILESS_MAIN(tst_IniFile)
#include "tst_inifile.moc"
