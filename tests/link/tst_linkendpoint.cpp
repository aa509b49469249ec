#include "HelperProcess.h"
#include "LinkClient.h"
#include "LinkEndpoint.h"
#include "RuntimeFolder.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QString Messenger = QStringLiteral("Murmurine Mini");
const QString QuickStop = QStringLiteral("HALTPAD");
const QString Topic = QStringLiteral("Form1");
const QString Item = QStringLiteral("Text1");
constexpr int Patience = 20000;

// A client of the endpoint in this very process, driven by the event loop that
// QTRY_* runs, so that the endpoint keeps working while the client waits.
std::unique_ptr<QLocalSocket> connectedClient(const QString &path)
{
    auto client = std::make_unique<QLocalSocket>();
    client->connectToServer(path);
    return client;
}

} // namespace

class TestLinkEndpoint : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void pokeRoundTrip_data();
    void pokeRoundTrip();
    void handlerThatEndsTheProgram_data();
    void handlerThatEndsTheProgram();
    void liveEndpointIsNeverTaken();
    void socketOfCrashedRunIsReplaced();
    void badClients_data();
    void badClients();
    void stalledClientBlocksNoOne();
    void otherUsersAreRefused();
    void pokeFailsQuietly_data();
    void pokeFailsQuietly();
    void sendLinkCommand_data();
    void sendLinkCommand();

private:
    bool startEndpoint(HelperProcess *helper, const QString &application, const QStringList &extra = {});

    std::unique_ptr<TestEnvironment> m_env;
};

void TestLinkEndpoint::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
}

void TestLinkEndpoint::cleanup()
{
    m_env.reset();
}

bool TestLinkEndpoint::startEndpoint(
    HelperProcess *helper, const QString &application, const QStringList &extra)
{
    helper->start(QStringList {QStringLiteral("endpoint"), application, Topic} + extra);
    return QTest::qWaitFor([helper] { return !helper->lines().isEmpty(); }, Patience)
        && helper->lines().constFirst() == QLatin1String("listening");
}

void TestLinkEndpoint::pokeRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("printed");

    QTest::newRow("command") << "OFF"
                             << "changed Text1=OFF";
    QTest::newRow("lower case delivered as is") << "off"
                                                << "changed Text1=off";
    QTest::newRow("non-ASCII") << QString::fromUtf8("\xC3\xA9t\xC3\xA9") << "changed Text1=%C3%A9t%C3%A9";
}

void TestLinkEndpoint::pokeRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QString, printed);

    HelperProcess endpoint(m_env->processEnvironment());
    QVERIFY(startEndpoint(&endpoint, Messenger));
    QVERIFY(LinkClient::poke(Messenger, Topic, Item, text, Patience));
    // The acknowledgement comes after the handler ran, so the line is already on its way.
    QTRY_VERIFY_WITH_TIMEOUT(endpoint.printed(printed), Patience);
    QCOMPARE(endpoint.lines().size(), 2);
}

void TestLinkEndpoint::handlerThatEndsTheProgram_data()
{
    QTest::addColumn<QString>("option");

    QTest::newRow("handler quits the application") << "--quit-on";
    QTest::newRow("handler destroys the endpoint") << "--delete-on";
}

void TestLinkEndpoint::handlerThatEndsTheProgram()
{
    QFETCH(QString, option);

    HelperProcess endpoint(m_env->processEnvironment());
    QVERIFY(startEndpoint(&endpoint, Messenger, {option, QStringLiteral("OFF")}));
    QVERIFY(LinkClient::poke(Messenger, Topic, Item, QStringLiteral("ON"), Patience));
    QVERIFY(LinkClient::poke(Messenger, Topic, Item, QStringLiteral("OFF"), Patience));
    QVERIFY(endpoint.process().waitForFinished(Patience));
    QCOMPARE(endpoint.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(endpoint.process().exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(endpoint.printed(QStringLiteral("changed Text1=OFF")), Patience);
    QVERIFY(!QFileInfo::exists(LinkEndpoint::socketPath(Messenger, Topic)));
}

void TestLinkEndpoint::liveEndpointIsNeverTaken()
{
    HelperProcess first(m_env->processEnvironment());
    QVERIFY(startEndpoint(&first, Messenger));

    LinkEndpoint second(Messenger, Topic);
    QString error;
    QVERIFY(!second.listen(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!second.isListening());

    HelperProcess third(m_env->processEnvironment());
    QVERIFY(!startEndpoint(&third, Messenger));
    QVERIFY(third.process().waitForFinished(Patience));
    QCOMPARE(third.process().exitCode(), 2);

    QVERIFY(LinkClient::poke(Messenger, Topic, Item, QStringLiteral("OFF"), Patience));
    QTRY_VERIFY_WITH_TIMEOUT(first.printed(QStringLiteral("changed Text1=OFF")), Patience);
}

void TestLinkEndpoint::socketOfCrashedRunIsReplaced()
{
    const QString path = LinkEndpoint::socketPath(Messenger, Topic);
    {
        HelperProcess crashed(m_env->processEnvironment());
        QVERIFY(startEndpoint(&crashed, Messenger));
        crashed.killHard();
    }
    QVERIFY(QFileInfo::exists(path));
    QVERIFY(!LinkClient::poke(Messenger, Topic, Item, QStringLiteral("OFF"), Patience));

    LinkEndpoint endpoint(Messenger, Topic);
    QSignalSpy changed(&endpoint, &LinkEndpoint::textChanged);
    QString error;
    QVERIFY2(endpoint.listen(&error), qPrintable(error));

    HelperProcess sender(m_env->processEnvironment());
    sender.start({QStringLiteral("poke"), Messenger, Topic, Item, QStringLiteral("OFF")});
    QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, Patience);
    QCOMPARE(changed.at(0), (QVariantList {Item, QStringLiteral("OFF")}));
    QCOMPARE(endpoint.text(Item), QStringLiteral("OFF"));
    QVERIFY(sender.process().waitForFinished(Patience));
    QCOMPARE(sender.process().exitCode(), 0);
}

void TestLinkEndpoint::badClients_data()
{
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<bool>("closeAfterWriting");
    QTest::addColumn<QString>("delivered"); // null: nothing delivered, no answer

    const QByteArray off = LinkEndpoint::encodePoke(Item, QStringLiteral("OFF"));
    QList<QByteArray> bytewise;
    for (char byte : off)
        bytewise.append(QByteArray(1, byte));
    QByteArray tooLong = off.left(5);
    tooLong.append(char(0)).append(char(5)).append(char(0xff)).append(char(0xff));

    QTest::newRow("connects and sends nothing") << QList<QByteArray> {} << 1000 << false << QString();
    QTest::newRow("half a frame, then nothing")
        << QList<QByteArray> {off.left(7)} << 1000 << false << QString();
    QTest::newRow("1 MB of garbage") << QList<QByteArray> {QByteArray(1 << 20, 'x')} << 1000 << false
                                     << QString();
    QTest::newRow("header announcing 64 KiB, then 1 MB")
        << QList<QByteArray> {tooLong, QByteArray(1 << 20, 'x')} << 1000 << false << QString();
    QTest::newRow("bare command line") << QList<QByteArray> {"OFF\r\n"} << 1000 << false << QString();
    QTest::newRow("frame written byte by byte") << bytewise << 60000 << false << QString("OFF");
    QTest::newRow("lower case command")
        << QList<QByteArray> {LinkEndpoint::encodePoke(Item, "off")} << 60000 << false << QString("off");
    QTest::newRow("frame, then gone before the answer")
        << QList<QByteArray> {off} << 60000 << true << QString("OFF");
}

void TestLinkEndpoint::badClients()
{
    QFETCH(QList<QByteArray>, writes);
    QFETCH(int, timeoutMs);
    QFETCH(bool, closeAfterWriting);
    QFETCH(QString, delivered);

    LinkEndpoint endpoint(Messenger, Topic);
    endpoint.setClientTimeout(std::chrono::milliseconds(timeoutMs));
    QSignalSpy changed(&endpoint, &LinkEndpoint::textChanged);
    QVERIFY(endpoint.listen());
    const QString path = LinkEndpoint::socketPath(Messenger, Topic);

    auto client = connectedClient(path);
    QTRY_COMPARE_WITH_TIMEOUT(client->state(), QLocalSocket::ConnectedState, Patience);
    for (const QByteArray &bytes : writes) {
        client->write(bytes);
        // Lets each piece arrive on its own before the next is sent.
        QTRY_VERIFY_WITH_TIMEOUT(
            client->bytesToWrite() == 0 || client->state() == QLocalSocket::UnconnectedState, Patience);
        QTest::qWait(20);
    }
    if (closeAfterWriting)
        client->disconnectFromServer();

    if (delivered.isNull()) {
        QTRY_COMPARE_WITH_TIMEOUT(client->state(), QLocalSocket::UnconnectedState, Patience);
        QCOMPARE(client->readAll(), QByteArray());
        QCOMPARE(changed.size(), 0);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, Patience);
        QCOMPARE(changed.at(0), (QVariantList {Item, delivered}));
        if (!closeAfterWriting) {
            QTRY_COMPARE_WITH_TIMEOUT(client->bytesAvailable(), qint64(2), Patience);
            QCOMPARE(client->readAll(), LinkEndpoint::acknowledgement());
            QTRY_COMPARE_WITH_TIMEOUT(client->state(), QLocalSocket::UnconnectedState, Patience);
        }
    }

    auto good = connectedClient(path);
    good->write(LinkEndpoint::encodePoke(Item, QStringLiteral("ON")));
    QTRY_COMPARE_WITH_TIMEOUT(good->bytesAvailable(), qint64(2), Patience);
    QCOMPARE(good->readAll(), LinkEndpoint::acknowledgement());
    QCOMPARE(changed.constLast(), (QVariantList {Item, QStringLiteral("ON")}));
    QCOMPARE(endpoint.text(Item), QStringLiteral("ON"));
}

void TestLinkEndpoint::stalledClientBlocksNoOne()
{
    LinkEndpoint endpoint(Messenger, Topic);
    endpoint.setClientTimeout(24h);
    QSignalSpy changed(&endpoint, &LinkEndpoint::textChanged);
    QVERIFY(endpoint.listen());
    const QString path = LinkEndpoint::socketPath(Messenger, Topic);

    auto silent = connectedClient(path);
    auto halfway = connectedClient(path);
    halfway->write(LinkEndpoint::encodePoke(Item, QStringLiteral("OFF")).left(10));
    QTRY_COMPARE_WITH_TIMEOUT(silent->state(), QLocalSocket::ConnectedState, Patience);
    QTRY_COMPARE_WITH_TIMEOUT(halfway->bytesToWrite(), qint64(0), Patience);

    // Sent from another process: a blocking sender here would stall the endpoint itself.
    HelperProcess sender(m_env->processEnvironment());
    sender.start({QStringLiteral("poke"), Messenger, Topic, Item, QStringLiteral("ON")});
    QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, Patience);
    QVERIFY(sender.process().waitForFinished(Patience));
    QCOMPARE(sender.process().exitCode(), 0);
    QCOMPARE(silent->state(), QLocalSocket::ConnectedState);
    QCOMPARE(halfway->state(), QLocalSocket::ConnectedState);
}

void TestLinkEndpoint::otherUsersAreRefused()
{
    if (::geteuid() != 0)
        QSKIP("needs root to run a sender as another user");

    LinkEndpoint endpoint(Messenger, Topic);
    QSignalSpy changed(&endpoint, &LinkEndpoint::textChanged);
    QVERIFY(endpoint.listen());
    const QString path = LinkEndpoint::socketPath(Messenger, Topic);

    // Opens every door on the way, which a real installation never does, so
    // that only the endpoint's own check of the peer stands in the way.
    const auto open
        = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    for (const QString &folder : {m_env->root(), m_env->runtimeDir(), RuntimeFolder::path()})
        QVERIFY(QFile::setPermissions(folder, open));
    QVERIFY(QFile::setPermissions(path, QFile::Permissions(0x7777)));

    HelperProcess stranger(m_env->processEnvironment());
    stranger.process().setChildProcessModifier([] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
    });
    stranger.start({QStringLiteral("rawpoke"), path, Item, QStringLiteral("OFF")});
    QVERIFY(stranger.process().waitForFinished(Patience));
    QCOMPARE(stranger.process().exitCode(), 1);
    QCOMPARE(changed.size(), 0);

    // The same way in, as this user, is accepted.
    HelperProcess owner(m_env->processEnvironment());
    owner.start({QStringLiteral("rawpoke"), path, Item, QStringLiteral("OFF")});
    QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, Patience);
    QVERIFY(owner.process().waitForFinished(Patience));
    QCOMPARE(owner.process().exitCode(), 0);
}

void TestLinkEndpoint::pokeFailsQuietly_data()
{
    QTest::addColumn<QString>("application");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("text");

    QTest::newRow("no endpoint") << "Nobody"
                                 << "Text1"
                                 << "OFF";
    QTest::newRow("endpoint that never answers") << "Mute"
                                                 << "Text1"
                                                 << "OFF";
    QTest::newRow("text beyond 1 KiB") << "Murmurine Mini"
                                       << "Text1" << QString(2000, QLatin1Char('x'));
}

void TestLinkEndpoint::pokeFailsQuietly()
{
    QFETCH(QString, application);
    QFETCH(QString, item);
    QFETCH(QString, text);

    LinkEndpoint messenger(Messenger, Topic);
    QSignalSpy changed(&messenger, &LinkEndpoint::textChanged);
    QVERIFY(messenger.listen());
    // Listens, but this thread never runs its event loop while the poke waits.
    QLocalServer mute;
    QVERIFY(mute.listen(LinkEndpoint::socketPath(QStringLiteral("Mute"), Topic)));

    QVERIFY(!LinkClient::poke(application, Topic, item, text, 300));
    QTest::qWait(50);
    QCOMPARE(changed.size(), 0);
}

void TestLinkEndpoint::sendLinkCommand_data()
{
    QTest::addColumn<bool>("messengerRuns");
    QTest::addColumn<bool>("quickStopRuns");

    QTest::newRow("neither runs") << false << false;
    QTest::newRow("Messenger only") << true << false;
    QTest::newRow("Quick Stop only") << false << true;
    QTest::newRow("both") << true << true;
}

void TestLinkEndpoint::sendLinkCommand()
{
    QFETCH(bool, messengerRuns);
    QFETCH(bool, quickStopRuns);

    HelperProcess messenger(m_env->processEnvironment());
    HelperProcess quickStop(m_env->processEnvironment());
    if (messengerRuns)
        QVERIFY(startEndpoint(&messenger, Messenger));
    if (quickStopRuns)
        QVERIFY(startEndpoint(&quickStop, QuickStop));

    SendLinkCommand(QStringLiteral("OFF"));

    if (messengerRuns)
        QTRY_VERIFY_WITH_TIMEOUT(messenger.printed(QStringLiteral("changed Text1=OFF")), Patience);
    if (quickStopRuns)
        QTRY_VERIFY_WITH_TIMEOUT(quickStop.printed(QStringLiteral("changed Text1=OFF")), Patience);
}

QTEST_GUILESS_MAIN(TestLinkEndpoint)
#include "tst_linkendpoint.moc"
