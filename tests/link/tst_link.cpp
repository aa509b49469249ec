#include "LinkClient.h"
#include "LinkEndpoint.h"
#include "RuntimeFolder.h"
#include "SingleInstance.h"
#include "TestEnvironment.h"
#include "TestProcess.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using Status = LinkEndpoint::FrameStatus;
Q_DECLARE_METATYPE(LinkEndpoint::FrameStatus)

namespace {

const QString Messenger = u"Murmurine Mini"_s;
const QString Topic = u"Form1"_s;
const QString Item = u"Text1"_s;
constexpr int Patience = 20000;

// link_helper in another process, with the test's private environment.
struct Helper : TestProcess
{
    Helper(const TestEnvironment &env, const QStringList &args)
        : TestProcess(env, QStringLiteral(LINK_HELPER), args)
    { }
};

} // namespace

class TestLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void frameDecoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Status>("status");
        QTest::addColumn<QString>("text");

        auto header = [](int item, int text, char version = 1) -> QByteArray {
            return QByteArray("MRML") + version + char(item >> 8) + char(item) + char(text >> 8) + char(text);
        };
        const QString odd = QChar(0xFEFF) + QString::fromUtf8("été\r\n\xF0\x9F\x98\x80") + QChar(0) + u"x"_s;
        const QString largest(LinkEndpoint::MaxMessageSize - 9 - Item.size(), u'x');
        const QByteArray off = LinkEndpoint::encodePoke(Item, u"OFF"_s);

        const auto complete = [](const char *name, const QByteArray &bytes, const QString &text) {
            QTest::newRow(name) << bytes << Status::Complete << text;
        };
        const auto invalid = [](const char *name, const QByteArray &bytes) {
            QTest::newRow(name) << bytes << Status::Invalid << QString();
        };
        complete("command", off, u"OFF"_s);
        complete("byte order mark, line break, emoji and nul kept", LinkEndpoint::encodePoke(Item, odd), odd);
        complete("largest poke", LinkEndpoint::encodePoke(Item, largest), largest);
        invalid("bare command", "OFF\r\n");
        invalid("unknown version", header(5, 3, 2) + "Text1OFF");
        invalid("empty item", header(0, 3) + "OFF");
        invalid("lengths beyond 1 KiB", header(5, 1016));
        invalid("bytes after the frame", off + off);
        invalid("invalid UTF-8", header(5, 2) + "Text1\xFF\xFE");
        invalid("overlong UTF-8 slash", header(5, 2) + "Text1\xC0\xAF");
        invalid("more than 1 KiB", off.left(4) + QByteArray(2000, '\1'));
    }
    void frameDecoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Status, status);
        QFETCH(QString, text);

        QString item;
        QString decoded;
        // Every cut of a good frame, even inside a UTF-8 character, waits for more.
        for (qsizetype size = 0; status == Status::Complete && size < bytes.size(); ++size)
            QCOMPARE(LinkEndpoint::decodePoke(bytes.left(size), &item, &decoded), Status::Incomplete);
        QCOMPARE(LinkEndpoint::decodePoke(bytes, &item, &decoded), status);
        QCOMPARE(decoded, text);
        QCOMPARE(item, status == Status::Complete ? Item : QString());
    }
    void pokeCrossesProcessesAndLiveEndpointIsKept()
    {
        Helper endpoint(*m_env, {"endpoint", Messenger, Topic});
        QCOMPARE(endpoint.nextLine(), u"listening"_s);

        LinkEndpoint second(Messenger, Topic);
        QString error;
        QVERIFY(!second.listen(&error));
        QVERIFY(!error.isEmpty());

        QVERIFY(LinkClient::poke(Messenger, Topic, Item, u"été"_s, Patience));
        // Acknowledged only after the handler ran, so its line is already written.
        QCOMPARE(endpoint.nextLine(), u"changed Text1=été"_s);
        // The Quick Stop program does not run: its poke is passed over.
        SendLinkCommand(u"OFF"_s);
        QCOMPARE(endpoint.nextLine(), u"changed Text1=OFF"_s);
    }
    void socketOfDeadRunIsReplaced()
    {
        {
            Helper crashed(*m_env, {"endpoint", Messenger, Topic});
            QCOMPARE(crashed.nextLine(), u"listening"_s);
        }
        QVERIFY(QFileInfo::exists(LinkEndpoint::socketPath(Messenger, Topic)));
        QVERIFY(!LinkClient::poke(Messenger, Topic, Item, u"OFF"_s, Patience));

        LinkEndpoint endpoint(Messenger, Topic);
        QSignalSpy changed(&endpoint, &LinkEndpoint::textChanged);
        QString error;
        QVERIFY2(endpoint.listen(&error), qPrintable(error));
        // Sent from another process: a blocking sender here would stall the endpoint itself.
        Helper sender(*m_env, {"poke", Messenger, Topic, Item, "OFF"});
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, Patience);
        QTRY_COMPARE_WITH_TIMEOUT(sender.state(), QProcess::NotRunning, Patience);
        QCOMPARE(sender.exitCode(), 0);
    }
    void badClients_data()
    {
        QTest::addColumn<QList<QByteArray>>("writes");
        QTest::addColumn<bool>("stalls");
        QTest::addColumn<bool>("leaves"); // hangs up at once, before any answer
        QTest::addColumn<QString>("delivered"); // null: dropped unanswered

        const QByteArray off = LinkEndpoint::encodePoke(Item, u"OFF"_s);
        QList<QByteArray> bytewise;
        for (char byte : off)
            bytewise.append(QByteArray(1, byte));
        const QByteArray oneMb(1 << 20, 'x');

        QTest::newRow("1 MB of garbage") << QList<QByteArray> {oneMb} << false << false << QString();
        QTest::newRow("header announcing 64 KiB, then 1 MB")
            << QList<QByteArray> {off.left(5) + QByteArray("\0\5\xff\xff", 4), oneMb} << false << false
            << QString();
        QTest::newRow("half a frame, then silence")
            << QList<QByteArray> {off.left(7)} << true << false << QString();
        QTest::newRow("frame written byte by byte") << bytewise << false << false << u"OFF"_s;
        QTest::newRow("frame, then gone") << QList<QByteArray> {off} << false << true << u"OFF"_s;
    }
    void badClients()
    {
        QFETCH(QList<QByteArray>, writes);
        QFETCH(bool, stalls);
        QFETCH(bool, leaves);
        QFETCH(QString, delivered);

        LinkEndpoint endpoint(Messenger, Topic);
        endpoint.setClientTimeout(5s);
        QSignalSpy changed(&endpoint, &LinkEndpoint::textChanged);
        QVERIFY(endpoint.listen());
        const QString path = LinkEndpoint::socketPath(Messenger, Topic);

        // Both clients are in this process, served by the event loop that QTRY runs.
        QLocalSocket bad;
        bad.connectToServer(path);
        for (const QByteArray &bytes : writes) {
            bad.write(bytes);
            if (leaves) {
                bad.disconnectFromServer();
                break;
            }
            QTRY_VERIFY_WITH_TIMEOUT(
                bad.bytesToWrite() == 0 || bad.state() == QLocalSocket::UnconnectedState, Patience);
            QTest::qWait(20); // each piece arrives on its own
        }

        QLocalSocket good;
        good.connectToServer(path);
        good.write(LinkEndpoint::encodePoke(Item, u"ON"_s));
        QTRY_COMPARE_WITH_TIMEOUT(good.bytesAvailable(), qint64(2), Patience);
        QCOMPARE(good.readAll(), LinkEndpoint::acknowledgement());
        if (stalls)
            QCOMPARE(bad.state(), QLocalSocket::ConnectedState);

        // A stalled client is dropped once its time is up.
        QTRY_COMPARE_WITH_TIMEOUT(bad.state(), QLocalSocket::UnconnectedState, Patience);
        QCOMPARE(
            bad.readAll(), delivered.isNull() || leaves ? QByteArray() : LinkEndpoint::acknowledgement());
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), delivered.isNull() ? 1 : 2, Patience);
        QVERIFY(changed.contains(QVariantList {Item, u"ON"_s}));
        QVERIFY(delivered.isNull() || changed.contains(QVariantList {Item, delivered}));
    }
    void pokeFailsQuietly_data()
    {
        QTest::addColumn<QString>("application");
        QTest::addColumn<QString>("text");

        QTest::newRow("no endpoint") << u"Nobody"_s << u"OFF"_s;
        QTest::newRow("endpoint that never answers") << u"Mute"_s << u"OFF"_s;
        // 342 three-byte characters: 1026 bytes although only 342 characters.
        QTest::newRow("beyond 1 KiB in bytes, not characters") << Messenger << QString(342, QChar(0x20AC));
    }
    void pokeFailsQuietly()
    {
        QFETCH(QString, application);
        QFETCH(QString, text);

        LinkEndpoint messenger(Messenger, Topic);
        QSignalSpy changed(&messenger, &LinkEndpoint::textChanged);
        QVERIFY(messenger.listen());
        // Listens, but this thread never runs its event loop while the poke waits.
        QLocalServer mute;
        QVERIFY(mute.listen(LinkEndpoint::socketPath(u"Mute"_s, Topic)));

        QVERIFY(!LinkClient::poke(application, Topic, Item, text, 300));
        QTest::qWait(50);
        QCOMPARE(changed.size(), 0);
    }
    void singleInstance()
    {
        auto first = std::make_unique<Helper>(*m_env, QStringList {"lock", "murmurine"});
        QCOMPARE(first->nextLine(), u"acquired"_s);
        Helper second(*m_env, {"lock", "murmurine"});
        QCOMPARE(second.nextLine(), u"busy"_s);
        SingleInstance here(u"murmurine"_s);
        QString error;
        QVERIFY(!here.tryAcquire(&error));
        QVERIFY2(error.isEmpty(), qPrintable(error)); // held elsewhere is not a failure
        QVERIFY(SingleInstance(u"murmurine-settings"_s).tryAcquire()); // each program has its own

        first.reset(); // SIGKILL leaves the lock file of a dead owner behind
        QVERIFY(here.tryAcquire());
        Helper third(*m_env, {"lock", "murmurine"});
        QCOMPARE(third.nextLine(), u"busy"_s);
    }
    void runtimeFolder_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("usable");

        QTest::newRow("missing") << "missing" << true;
        QTest::newRow("open to everyone") << "open" << true;
        QTest::newRow("a symbolic link to a folder") << "symlink" << false;
        QTest::newRow("a plain file") << "file" << false;
        QTest::newRow("owned by another user") << "foreign" << false;
    }
    void runtimeFolder()
    {
        QFETCH(QString, before);
        QFETCH(bool, usable);

        const QString expected = m_env->runtimeDir() + u"/murmurine"_s;
        const QByteArray native = QFile::encodeName(expected);
        if (before == "open" || before == "foreign")
            QCOMPARE(::mkdir(native.constData(), 0700) | ::chmod(native.constData(), 0777), 0);
        if (before == "foreign" && ::chown(native.constData(), 65534, 65534) != 0)
            QSKIP("needs root to give the folder away");
        if (before == "symlink")
            QVERIFY(QFile::link(m_env->root(), expected));
        if (before == "file")
            QVERIFY(QFile(expected).open(QIODevice::WriteOnly));

        QCOMPARE(RuntimeFolder::path(), usable ? expected : QString());
        struct stat info
        {
        };
        QVERIFY(!usable || (::lstat(native.constData(), &info) == 0 && (info.st_mode & 07777) == S_IRWXU));
        QString error;
        QCOMPARE(SingleInstance(u"murmurine"_s).tryAcquire(&error), usable);
        QCOMPARE(error.isEmpty(), usable);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
