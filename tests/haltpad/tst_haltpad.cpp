#include "Form1.h"
#include "LinkClient.h"
#include "LinkEndpoint.h"
#include "QuickStopIcons.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "TestProcess.h"
#include "TimeStamp.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int Patience = 20000;

// link_helper in another process, with the test's private environment.
struct Peer : TestProcess
{
    Peer(const TestEnvironment &env, const QStringList &args)
        : TestProcess(env, QStringLiteral(LINK_HELPER), args)
    { }
};

QImage pictureOf(const QIcon &icon)
{
    return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

class TestHaltPad : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<QTemporaryDir> m_appFolder;
    std::unique_ptr<Form1> m_form;

    Form1 *loadForm()
    {
        m_form = std::make_unique<Form1>(m_appFolder->path());
        return m_form->Form_Load() ? m_form.get() : nullptr;
    }
    QPushButton *button() const { return m_form->findChild<QPushButton *>(u"cmdToggle"_s); }
    static void store(const QString &key, const QString &value)
    {
        QVERIFY(SettingsStore::write(u"Settings"_s, key, value));
    }
    QByteArray storeBytes() const { return TestEnvironment::readFile(m_env->settingsFile()); }

    // A program in the application folder that only notes each start.
    void placeProgram(const QString &name)
    {
        const QString path = QDir(m_appFolder->path()).filePath(name);
        QVERIFY(TestEnvironment::writeFile(
            path, "#!/bin/sh\necho started >> \"$HOME/" + name.toUtf8() + ".starts\"\n"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    int starts(const QString &name) const
    {
        return TestEnvironment::readFile(m_env->home() + u"/"_s + name + u".starts"_s).count("started");
    }

    // A poke from another process, as the Settings program sends it; returns
    // once it was acknowledged, i.e. once the handler has run.
    bool pokeQuickStop(const QString &text)
    {
        Peer sender(*m_env, {u"poke"_s, u"HALTPAD"_s, u"Form1"_s, u"Text1"_s, text});
        QDeadlineTimer deadline(Patience);
        while (sender.state() != QProcess::NotRunning && !deadline.hasExpired())
            QTest::qWait(5);
        return sender.exitStatus() == QProcess::NormalExit && sender.exitCode() == 0;
    }

private Q_SLOTS:
    void init()
    {
        m_form.reset();
        m_env = std::make_unique<TestEnvironment>();
        m_appFolder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_env->isValid() && m_appFolder->isValid());
    }
    void cleanup()
    {
        m_form.reset();
        m_appFolder.reset();
        m_env.reset();
    }

    // Whatever the set-up stored, the button shows a usable name and icon (pairs
    // out of range: tst_settingsvalues).
    void look_data()
    {
        QTest::addColumn<QString>("icons");
        QTest::addColumn<QString>("offName");
        QTest::addColumn<int>("pair");
        QTest::addColumn<QString>("caption");
        const QString longName(10000, u'x');
        QTest::newRow("defaults") << QString() << QString() << 0 << u"MRNOFF"_s;
        QTest::newRow("last pair, own name") << u"5"_s << u"work.doc"_s << 5 << u"work.doc"_s;
        QTest::newRow("pair with blanks") << u" 3 "_s << u"a"_s << 3 << u"a"_s;
        QTest::newRow("pair too large for int") << u"99999999999"_s << u"a"_s << 0 << u"a"_s;
        QTest::newRow("name of blanks") << u"1"_s << u"   "_s << 1 << u"MRNOFF"_s;
        QTest::newRow("name of 10000 characters")
            << u"2"_s << longName << 2 << QString(HaltPadOptions::MaxNameLength, u'x');
        QTest::newRow("name over lines") << u"4"_s << u"notes\nfor\tme"_s << 4 << u"notes for me"_s;
    }
    void look()
    {
        QFETCH(QString, icons);
        QFETCH(QString, offName);
        QFETCH(int, pair);
        QFETCH(QString, caption);
        store(u"HaltPadIcons"_s, icons);
        store(u"HaltPadOff"_s, offName);
        QVERIFY(loadForm());
        QCOMPARE(button()->text(), caption);
        QCOMPARE(m_form->windowTitle(), caption);
        QCOMPARE(pictureOf(button()->icon()), pictureOf(QuickStopIcons::icon(pair, false)));
        QVERIFY(!m_form->isOn());
    }

    void switchingOffWritesOnAndTimeAndTellsBoth()
    {
        store(u"On"_s, u"Yes"_s);
        store(u"Time"_s, u"2020-01-01T00:00:00.000"_s);
        store(u"HaltPadOn"_s, u"busy"_s);
        store(u"FontName"_s, u"Serif"_s);
        Peer messenger(*m_env, {u"messenger"_s});
        QCOMPARE(messenger.nextLine(), u"listening"_s);
        Peer settings(*m_env, {u"endpoint"_s, u"Murmurine Settings"_s, u"Form1"_s});
        QCOMPARE(settings.nextLine(), u"listening"_s);
        QVERIFY(loadForm());
        QVERIFY(m_form->isOn());
        QCOMPARE(button()->text(), u"busy"_s);

        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
        QTest::mouseClick(button(), Qt::LeftButton);
        QCOMPARE(messenger.nextLine(), u"changed Text1=OFF"_s);
        QCOMPARE(settings.nextLine(), u"changed Text1=OFF"_s);
        QVERIFY(!m_form->isOn());
        QCOMPARE(button()->text(), u"MRNOFF"_s);

        QSettings written(m_env->settingsFile(), QSettings::IniFormat);
        QCOMPARE(written.value("Settings/On").toString(), u"No"_s);
        QVERIFY(TimeStamp::parse(written.value("Settings/Time").toString()) >= before);
        QCOMPARE(written.value("Settings/FontName").toString(), u"Serif"_s);
        QCOMPARE(written.allKeys().size(), 4);
        // The library is none of its business.
        QVERIFY(!QFileInfo::exists(m_env->home() + u"/Documents"_s));
        QVERIFY(!QFileInfo::exists(m_env->home() + u"/Murmurine"_s));
    }

    // Switching on starts the Messenger, or says why it could not; the
    // Messenger writes On itself as it starts.
    void switchingOnStartsTheMessengerAndTellsTheSettingsProgram()
    {
        store(u"On"_s, u"No"_s);
        Peer settings(*m_env, {u"endpoint"_s, u"Murmurine Settings"_s, u"Form1"_s});
        QCOMPARE(settings.nextLine(), u"listening"_s);
        QVERIFY(loadForm());
        QVERIFY(m_form->stateToolTip().contains(u"is missing"_s));
        const QByteArray stored = storeBytes();
        QTest::mouseClick(button(), Qt::LeftButton);
        QVERIFY(!m_form->isOn());
        QCOMPARE(button()->text(), u"MRNOFF"_s);
        QVERIFY(button()->toolTip().contains(m_appFolder->path() + u"/murmurine"_s));
        QVERIFY(button()->toolTip().contains(u"did not start"_s));

        placeProgram(u"murmurine"_s);
        QTest::mouseClick(button(), Qt::LeftButton);
        QCOMPARE(settings.nextLine(), u"changed Text1=ON"_s);
        QVERIFY(m_form->isOn());
        QCOMPARE(button()->text(), u"MRNON"_s);
        QCOMPARE(button()->toolTip(), u"MRNON"_s);
        QCOMPARE(pictureOf(button()->icon()), pictureOf(QuickStopIcons::icon(0, true)));
        QTRY_COMPARE_WITH_TIMEOUT(starts(u"murmurine"_s), 1, Patience);
        QCOMPARE(storeBytes(), stored);
    }

    void followsPokes_data()
    {
        QTest::addColumn<bool>("onBefore");
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("onAfter");
        QTest::newRow("ON") << false << u"ON"_s << true;
        QTest::newRow("OFF") << true << u"OFF"_s << false;
        QTest::newRow("ON again") << true << u"ON"_s << true;
        QTest::newRow("lower case") << false << u"on"_s << false;
        QTest::newRow("trailing blank") << true << u"OFF "_s << true;
        QTest::newRow("empty") << true << QString() << true;
        QTest::newRow("long garbage") << false << QString(900, u'\x01') << false;
    }
    void followsPokes()
    {
        QFETCH(bool, onBefore);
        QFETCH(QString, command);
        QFETCH(bool, onAfter);
        QVERIFY(loadForm());
        const QByteArray stored = storeBytes();
        if (onBefore)
            QVERIFY(pokeQuickStop(u"ON"_s));
        QCOMPARE(m_form->isOn(), onBefore);
        QVERIFY(pokeQuickStop(command));
        QCOMPARE(m_form->isOn(), onAfter);
        QCOMPARE(pictureOf(button()->icon()), pictureOf(QuickStopIcons::icon(0, onAfter)));
        QCOMPARE(storeBytes(), stored);
    }

    void followsTheStoredOn()
    {
        store(u"On"_s, u"No"_s);
        QVERIFY(loadForm());
        // Another program switching the messages on or off shows in the store.
        store(u"On"_s, u"Yes"_s);
        QTRY_VERIFY_WITH_TIMEOUT(m_form->isOn(), Patience);
        store(u"On"_s, u"No"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->isOn(), Patience);
        // A change to other keys leaves the state as it is.
        QVERIFY(pokeQuickStop(u"ON"_s));
        store(u"HaltPadIcons"_s, u"3"_s);
        QTRY_COMPARE_WITH_TIMEOUT(
            pictureOf(button()->icon()), pictureOf(QuickStopIcons::icon(3, true)), Patience);
        QVERIFY(m_form->isOn());
    }

    // A Messenger that runs out of messages ends without touching On.
    void goesOffWhenTheMessengerEndsByItself()
    {
        store(u"On"_s, u"Yes"_s);
        Peer messenger(*m_env, {u"messenger"_s});
        QCOMPARE(messenger.nextLine(), u"listening"_s);
        QVERIFY(loadForm());
        QVERIFY(m_form->isOn());
        Peer sender(*m_env, {u"poke"_s, u"Murmurine Mini"_s, u"Form1"_s, u"Text1"_s, u"END"_s});
        QVERIFY(sender.waitForFinished(Patience));
        QVERIFY(messenger.waitForFinished(Patience));
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->isOn(), Patience);
    }

    void menuOpensTheSettingsProgramAndQuits()
    {
        placeProgram(u"murmurine-settings"_s);
        QVERIFY(loadForm());
        auto *menu = m_form->findChild<QMenu *>(u"mnuQuickStop"_s);
        QVERIFY(menu);

        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const QPoint at = button()->rect().center();
        QContextMenuEvent press(QContextMenuEvent::Mouse, at, button()->mapToGlobal(at));
        QApplication::sendEvent(button(), &press);
        QTRY_VERIFY(menu->isVisible());
        auto *open = m_form->findChild<QAction *>(u"mnuOpenSettings"_s);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(open).center());
        QTRY_COMPARE_WITH_TIMEOUT(starts(u"murmurine-settings"_s), 1, Patience);

        QSignalSpy quit(m_form.get(), &Form1::quitRequested);
        auto *quitAction = m_form->findChild<QAction *>(u"mnuQuit"_s);
        menu->popup(button()->mapToGlobal(at));
        QTRY_VERIFY(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(quitAction).center());
        QTRY_COMPARE(quit.count(), 1);
    }

    void aSecondCopyEndsAtOnceAndQuietly()
    {
        store(u"On"_s, u"No"_s);
        TestProcess first(*m_env, QStringLiteral(HALTPAD_PROGRAM), {});
        const QString socket = LinkEndpoint::socketPath(u"HALTPAD"_s, u"Form1"_s);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), Patience);
        const QByteArray stored = storeBytes();

        TestProcess second(*m_env, QStringLiteral(HALTPAD_PROGRAM), {});
        QVERIFY(second.waitForFinished(Patience));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardOutput(), QByteArray());
        QCOMPARE(second.readAllStandardError(), QByteArray());
        QCOMPARE(storeBytes(), stored);
        // The first one still answers.
        QVERIFY(LinkClient::poke(u"HALTPAD"_s, u"Form1"_s, u"Text1"_s, u"ON"_s, Patience));
        QCOMPARE(first.state(), QProcess::Running);
    }
};

QTEST_MAIN(TestHaltPad)
#include "tst_haltpad.moc"
