#include "HelperProcess.h"
#include "RuntimeFolder.h"
#include "SingleInstance.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Patience = 20000;

mode_t modeOf(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void runtimeFolder_data();
    void runtimeFolder();
    void secondHolderIsExcluded();
    void lockOfKilledHolderIsTakenOver();
    void noFolderNoLock();

private:
    bool startHolder(HelperProcess *helper, const QString &name);

    std::unique_ptr<TestEnvironment> m_env;
};

void TestSingleInstance::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
}

void TestSingleInstance::cleanup()
{
    m_env.reset();
}

bool TestSingleInstance::startHolder(HelperProcess *helper, const QString &name)
{
    helper->start({QStringLiteral("lock"), name});
    return QTest::qWaitFor([helper] { return !helper->lines().isEmpty(); }, Patience)
        && helper->lines().constFirst() == QLatin1String("acquired");
}

void TestSingleInstance::runtimeFolder_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("usable");

    QTest::newRow("missing") << "missing" << true;
    QTest::newRow("open to everyone") << "open" << true;
    QTest::newRow("a symbolic link to a folder") << "symlink" << false;
    QTest::newRow("a plain file") << "file" << false;
    QTest::newRow("owned by another user") << "foreign" << false;
}

void TestSingleInstance::runtimeFolder()
{
    QFETCH(QString, before);
    QFETCH(bool, usable);

    const QString expected = m_env->runtimeDir() + QStringLiteral("/murmurine");
    const QByteArray native = QFile::encodeName(expected);
    if (before == QLatin1String("open") || before == QLatin1String("foreign"))
        QCOMPARE(::mkdir(native.constData(), 0700), 0);
    if (before == QLatin1String("open"))
        QCOMPARE(::chmod(native.constData(), 0777), 0);
    if (before == QLatin1String("symlink")) {
        QVERIFY(QDir(m_env->root()).mkdir(QStringLiteral("elsewhere")));
        QVERIFY(QFile::link(m_env->root() + QStringLiteral("/elsewhere"), expected));
    }
    if (before == QLatin1String("file")) {
        QFile file(expected);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    if (before == QLatin1String("foreign")) {
        if (::geteuid() != 0)
            QSKIP("needs root to give the folder away");
        QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
    }

    const QString path = RuntimeFolder::path();
    if (!usable) {
        QVERIFY(path.isEmpty());
        return;
    }
    QCOMPARE(path, expected);
    QCOMPARE(modeOf(path), mode_t(0700));
}

void TestSingleInstance::secondHolderIsExcluded()
{
    HelperProcess first(m_env->processEnvironment());
    QVERIFY(startHolder(&first, QStringLiteral("murmurine")));

    HelperProcess second(m_env->processEnvironment());
    QVERIFY(!startHolder(&second, QStringLiteral("murmurine")));
    QCOMPARE(second.lines().constFirst(), QStringLiteral("busy"));
    QVERIFY(second.process().waitForFinished(Patience));
    QCOMPARE(second.process().exitCode(), 1);

    SingleInstance here(QStringLiteral("murmurine"));
    QString error;
    QVERIFY(!here.tryAcquire(&error));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // Each program has its own lock.
    SingleInstance settings(QStringLiteral("murmurine-settings"));
    QVERIFY(settings.tryAcquire());
    QVERIFY(settings.tryAcquire());
    HelperProcess third(m_env->processEnvironment());
    QVERIFY(!startHolder(&third, QStringLiteral("murmurine-settings")));
}

void TestSingleInstance::lockOfKilledHolderIsTakenOver()
{
    HelperProcess crashed(m_env->processEnvironment());
    QVERIFY(startHolder(&crashed, QStringLiteral("murmurine")));
    crashed.killHard();

    {
        SingleInstance here(QStringLiteral("murmurine"));
        QVERIFY(here.tryAcquire());
        HelperProcess other(m_env->processEnvironment());
        QVERIFY(!startHolder(&other, QStringLiteral("murmurine")));
    }

    // Released when its holder goes away normally.
    HelperProcess next(m_env->processEnvironment());
    QVERIFY(startHolder(&next, QStringLiteral("murmurine")));
}

void TestSingleInstance::noFolderNoLock()
{
    QFile blocker(m_env->runtimeDir() + QStringLiteral("/murmurine"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));

    SingleInstance instance(QStringLiteral("murmurine"));
    QString error;
    QVERIFY(!instance.tryAcquire(&error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
