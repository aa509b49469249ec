// The frame, the Welcome screen and the message manager on a real X server
// under a real window manager (openbox), driven through X input as a user
// would drive them: the window manager decides focus and activation, and the
// mouse reaches the lists as presses and releases, not as selection calls.

#include "SettingsTestSupport.h"
#include "XdoTool.h"
#include "frmMessageSetup.h"

#include <QImage>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>

#include <sys/prctl.h>
#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <memory>

using namespace SettingsTestSupport;

namespace {

const QByteArray Library = "[Categories]\n1=1Calm\n2=1Focus\n\n"
                           "[Calm]\n1=1I breathe slowly\n\n"
                           "[Focus]\n1=1One thing at a time\n2=1Done is good\n";

QString windowId(const QWidget *window)
{
    return QString::number(window->winId());
}

void click(const QWidget *widget, const QPoint &at)
{
    const QPoint global = widget->mapToGlobal(at);
    XdoTool::run({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()),
        QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")});
}

void clickRow(QListWidget *list, int row)
{
    click(list->viewport(), list->visualItemRect(list->item(row)).center());
}

void clickButton(const QPushButton *button)
{
    click(button, button->rect().center());
}

// A window manager holds the root's supporting-check window.
bool windowManagerRuns()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    auto disconnect = qScopeGuard([connection] { xcb_disconnect(connection); });
    if (xcb_connection_has_error(connection))
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t *atom
        = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof name - 1, name), nullptr);
    if (!atom)
        return false;
    const xcb_atom_t check = atom->atom;
    std::free(atom);
    if (check == XCB_ATOM_NONE)
        return false;
    xcb_get_property_reply_t *property = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
    if (!property)
        return false;
    const bool named = xcb_get_property_value_length(property) == 4;
    const xcb_window_t holder = named ? *static_cast<xcb_window_t *>(xcb_get_property_value(property)) : 0;
    std::free(property);
    if (!named)
        return false;
    xcb_get_window_attributes_reply_t *attributes
        = xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, holder), nullptr);
    std::free(attributes);
    return attributes != nullptr;
}

// What the screen shows where the widget is, against what the widget itself draws.
double differingShare(QWidget *widget)
{
    const QPoint global = widget->mapToGlobal(QPoint(0, 0));
    const QImage shown = widget->screen()
                             ->grabWindow(0, global.x(), global.y(), widget->width(), widget->height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    const QImage drawn = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.size() != drawn.size())
        return 1.0;
    qsizetype differing = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x)
            differing += shown.pixel(x, y) != drawn.pixel(x, y);
    }
    return double(differing) / double(drawn.width() * drawn.height());
}

} // namespace

class tst_WindowManager : public QObject, SettingsFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs the X server that the test script starts");
        if (!XdoTool::usable())
            QSKIP("needs xdotool");
        if (windowManagerRuns())
            return;
        if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
            QSKIP("needs openbox, or another window manager running");
        // Its own private folders, so that it reads no configuration of the real user's.
        m_windowManagerEnv = std::make_unique<TestEnvironment>();
        m_windowManager = std::make_unique<QProcess>();
        m_windowManager->setProcessEnvironment(m_windowManagerEnv->processEnvironment());
        m_windowManager->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Should this test crash, the tests after it must not find a window manager left behind.
        m_windowManager->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_windowManager->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY(m_windowManager->waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(windowManagerRuns(), 20000);
    }
    void cleanupTestCase()
    {
        if (!m_windowManager)
            return;
        m_windowManager->terminate();
        if (!m_windowManager->waitForFinished(10000))
            m_windowManager->kill();
        m_windowManager.reset();
        m_windowManagerEnv.reset();
    }
    void init() { QVERIFY(setUp()); }
    void cleanup() { m_env.reset(); }
    void deleteAMessageWithTheMouse_data()
    {
        QTest::addColumn<QString>("winMax");
        QTest::newRow("maximised frame") << QString();
        QTest::newRow("normal frame, maximised afterwards") << QStringLiteral("No");
    }
    void deleteAMessageWithTheMouse()
    {
        QFETCH(QString, winMax);

        storeSettings({{"WinMax", winMax}, {"WinTop", "600"}, {"WinLeft", "600"}, {"UsedBefore", "Yes"}});
        const QString dataFile = DataFolder::dataFilePath(DataFolder::locate(m_env->home()));
        QVERIFY(QDir().mkpath(QFileInfo(dataFile).absolutePath()));
        QVERIFY(TestEnvironment::writeFile(dataFile, Library));
        auto frame = loadFrame();
        QVERIFY(frame);
        QCOMPARE(frame->isMaximized(), winMax.isEmpty());
        XdoTool::run({QStringLiteral("windowactivate"), QStringLiteral("--sync"), windowId(frame.get())});
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        verifyWelcomeInFront(frame.get());

        XdoTool::run({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+m")});
        frmMessageSetup *manager = frame->messageManager();
        QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), frame->managerSubWindow());
        QTRY_VERIFY(frame->managerSubWindow()->isMaximized());
        auto *categories = manager->findChild<QListWidget *>(QStringLiteral("lstCategory"));
        auto *messages = manager->findChild<QListWidget *>(QStringLiteral("lstMessage"));
        auto *deleteMessage = manager->findChild<QPushButton *>(QStringLiteral("cmdDeleteMessage"));
        auto *editMessage = manager->findChild<QPushButton *>(QStringLiteral("cmdEditSubliminal"));

        clickRow(categories, 1);
        QTRY_COMPARE(messages->count(), 2);
        QTRY_VERIFY(messages->item(0)->isSelected());
        clickRow(messages, 1);
        QTRY_VERIFY(messages->item(1)->isSelected());
        QTRY_VERIFY(deleteMessage->isEnabled());
        QVERIFY(editMessage->isEnabled());

        Dialogs::queueAnswer(int(QMessageBox::Yes));
        clickButton(deleteMessage);
        QTRY_COMPARE(messages->count(), 1);
        QCOMPARE(Dialogs::takeShown().size(), 1);
        QCOMPARE(
            TestEnvironment::readFile(dataFile), QByteArray(Library).replace("2=1Done is good\n", "2=\n"));

        // The one left, through "Delete Message" in the "&Edit Messages" menu.
        clickRow(messages, 0);
        QTRY_VERIFY(deleteMessage->isEnabled());
        Dialogs::queueAnswer(int(QMessageBox::Yes));
        XdoTool::run({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("alt+e"),
            QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Down"),
            QStringLiteral("Return")});
        QTRY_COMPARE(messages->count(), 0);
        QCOMPARE(Dialogs::takeShown().size(), 1);
        QCOMPARE(TestEnvironment::readFile(dataFile),
            QByteArray(Library).replace("1=1One thing at a time\n2=1Done is good\n", "1=\n2=\n"));

        clickButton(manager->findChild<QPushButton *>(QStringLiteral("cmdExit")));
        QTRY_VERIFY(!frame->managerSubWindow()->isVisible());
        verifyWelcomeInFront(frame.get());

        if (!frame->isMaximized()) {
            // As the window manager's maximise button would.
            frame->showMaximized();
            QTRY_VERIFY(frame->isMaximized());
            verifyWelcomeInFront(frame.get());
        }
    }

private:
    // As offscreen, and as the window manager and the screen show it.
    static void verifyWelcomeInFront(MDIForm1 *frame)
    {
        SettingsFixture::verifyWelcomeInFront(frame);
        QTRY_COMPARE(XdoTool::windowName(windowId(frame)), frame->windowTitle());
        // On the screen itself, not only in the window's idea of itself: the big button shows.
        auto *start = frame->mainWindow()->findChild<QPushButton *>(QStringLiteral("cmdHide"));
        QTRY_VERIFY2(
            differingShare(start) < 0.02, "the Welcome screen's button is not what the screen shows");
    }

    std::unique_ptr<TestEnvironment> m_windowManagerEnv;
    std::unique_ptr<QProcess> m_windowManager;
};

QTEST_MAIN(tst_WindowManager)
#include "tst_windowmanager.moc"
