#include "IniFile.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
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

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace

class tst_IniFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void missingFileReadsEmptyAndWriteCreatesIt();
    void seesAnotherProcessWrite();
    void seesReplacementWithSameSizeAndTime();
    void batchWriteIsAllOrNothing();
    void failedWritesReportAndKeepTheFile_data();
    void failedWritesReportAndKeepTheFile();
    void corpusSurvivesReadAndEdit_data();
    void corpusSurvivesReadAndEdit();
    void hugeLine();

private:
    std::unique_ptr<TestEnvironment> m_env;
    QString m_path;
};

void tst_IniFile::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    m_path = m_env->home() + QStringLiteral("/DATA.TXT");
}

void tst_IniFile::missingFileReadsEmptyAndWriteCreatesIt()
{
    QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("k")), QString());
    QVERIFY(IniFile::write(m_path, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
    QCOMPARE(TestEnvironment::readFile(m_path), QByteArray("[S]\nk=v\n"));
    QCOMPARE(IniFile::read(m_path, QStringLiteral("s"), QStringLiteral("K")), QStringLiteral("v"));
    QVERIFY(QDir(m_env->home()).entryList(QDir::Files | QDir::Hidden).size() == 1); // no temporary left
}

void tst_IniFile::seesAnotherProcessWrite()
{
    QVERIFY(IniFile::write(m_path, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("mine")));
    QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("mine"));
    // Same length, written within the same second: only a full identity check notices.
    QVERIFY(runTool(*m_env,
        {QStringLiteral("write"), m_path, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("them")}));
    QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("them"));

    QVERIFY(IniFile::write(m_path, QStringLiteral("S"), QStringLiteral("j"), QStringLiteral("x")));
    QString seen;
    QVERIFY(
        runTool(*m_env, {QStringLiteral("read"), m_path, QStringLiteral("S"), QStringLiteral("j")}, &seen));
    QCOMPARE(seen, QStringLiteral("x"));
    QCOMPARE(IniFile::read(m_path, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("them"));
}

void tst_IniFile::seesReplacementWithSameSizeAndTime()
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

void tst_IniFile::batchWriteIsAllOrNothing()
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

void tst_IniFile::failedWritesReportAndKeepTheFile_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("folder missing") << "missing-folder";
    QTest::newRow("path is a folder") << "directory";
    QTest::newRow("read-only folder") << "read-only-folder";
    QTest::newRow("read-only file") << "read-only-file";
}

void tst_IniFile::failedWritesReportAndKeepTheFile()
{
    QFETCH(QString, situation);
    QString target = m_path;
    const QByteArray original = "[S]\nk=keep\n";
    if (situation == QLatin1String("missing-folder")) {
        target = m_env->home() + QStringLiteral("/no/such/DATA.TXT");
    } else if (situation == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(m_path));
    } else {
        if (runningAsRoot())
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

void tst_IniFile::corpusSurvivesReadAndEdit_data()
{
    QTest::addColumn<QString>("file");
    const QDir corpus(QStringLiteral(MURMURINE_CORPUS_DIR));
    const QStringList files = corpus.entryList(QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString &name : files)
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

void tst_IniFile::corpusSurvivesReadAndEdit()
{
    QFETCH(QString, file);
    const QByteArray original = TestEnvironment::readFile(file);
    QVERIFY(TestEnvironment::writeFile(m_path, original));
    const IniDocument before = IniDocument::parse(original);
    QCOMPARE(before.toBytes(), original); // reading alone never changes a byte

    QVERIFY(
        IniFile::write(m_path, QStringLiteral("Categories"), QStringLiteral("1"), QStringLiteral("1Calm")));
    QVERIFY(IniFile::write(m_path, QStringLiteral("New Section"), QStringLiteral("k"), QStringLiteral("v")));
    QCOMPARE(
        IniFile::read(m_path, QStringLiteral("categories"), QStringLiteral("1")), QStringLiteral("1Calm"));
    QCOMPARE(IniFile::read(m_path, QStringLiteral("new section"), QStringLiteral("K")), QStringLiteral("v"));

    // Every line of the original that was not the edited one is still there, in order.
    const QByteArray after = TestEnvironment::readFile(m_path);
    qsizetype from = 0;
    for (const QByteArray &line : original.split('\n')) {
        const QByteArray bare = line.endsWith('\r') ? line.chopped(1) : line;
        if (bare.trimmed().startsWith("1=") || bare.isEmpty())
            continue;
        const qsizetype at = after.indexOf(bare, from);
        QVERIFY2(at >= 0, bare.constData());
        from = at + bare.size();
    }
}

void tst_IniFile::hugeLine()
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

QTEST_GUILESS_MAIN(tst_IniFile)
#include "tst_inifile.moc"
