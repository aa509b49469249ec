#include "SettingsTestSupport.h"
#include "TagTimer.h"
#include "frmTour.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

using namespace SettingsTestSupport;

namespace {

const QString Main = QStringLiteral("frmMain");
const QString Settings = QStringLiteral("frmSettings");
const QString Manager = QStringLiteral("frmMessageSetup");

// The window each step talks about, which must be in front while it is shown.
QString windowOfStep(int step)
{
    return step <= 5 ? Main : step <= 9 ? Settings : Manager;
}

QPushButton *button(const QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(QLatin1String(name));
}

QLabel *arrow(const frmTour *tour)
{
    return tour->findChild<QLabel *>(QStringLiteral("imgArrow"));
}

// Which quarter of the tour the arrow stands in: 1 top left, 2 top right, 3 bottom right, 4 bottom left.
int arrowCorner(const frmTour *tour)
{
    const QPoint centre = arrow(tour)->geometry().center();
    const bool right = centre.x() > tour->width() / 2;
    const bool bottom = centre.y() > tour->height() / 2;
    return bottom ? (right ? 3 : 4) : (right ? 2 : 1);
}

} // namespace

class tst_Tour : public QObject, SettingsFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { TagTimer::setDrivenByTest(true); }
    void init() { QVERIFY(setUp()); }
    void cleanup()
    {
        m_frame.reset();
        m_env.reset();
    }
    void callers_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("winMax");
        // clang-format off
        QTest::newRow("the tour button, maximised frame") << "button" << "";
        QTest::newRow("Ctrl+Q, normal frame") << "Ctrl+Q" << "No";
        QTest::newRow("first run") << "first run" << "";
        // clang-format on
    }
    void callers()
    {
        QFETCH(QString, how);
        QFETCH(QString, winMax);

        if (how == QLatin1String("first run")) {
            m_frame = loadFrame(FirstRunTour::Keep);
            QVERIFY(m_frame);
            QTRY_VERIFY(tour() && tour()->isVisible());
        } else {
            QVERIFY(loadReturningUser(winMax));
            QVERIFY(!tour());
            if (how == QLatin1String("button")) {
                QVERIFY(openTourWithButton());
            } else {
                m_frame->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
                QTRY_VERIFY(tour() && tour()->isVisible());
            }
        }
        QPointer<frmTour> first = tour();
        QCOMPARE(QApplication::activeModalWidget(), first.data());
        QCOMPARE(first->currentStep(), 0);
        for (const QString &window : {Manager, Settings, Main})
            QVERIFY2(m_frame->childWindow(window)->isVisible(), qPrintable(window));
        QCOMPARE(frontWindow(), Main);

        // Nothing of one showing survives into the next.
        press(first, "cmdOK", 17);
        QCOMPARE(button(first, "cmdOK")->text(), QStringLiteral("&Continue"));
        press(first, "cmdCancel");
        QTRY_VERIFY(!first);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        frmTour *second = openTourWithButton();
        QVERIFY(second);
        QCOMPARE(second->currentStep(), 0);
        QCOMPARE(button(second, "cmdOK")->text(), QStringLiteral("&Continue >>"));
        QCOMPARE(frontWindow(), Main);
    }
    void forwardAndBack_data()
    {
        QTest::addColumn<QString>("winMax");
        QTest::addColumn<QString>("left"); // twips
        // clang-format off
        QTest::newRow("maximised frame") << "" << "0";
        QTest::newRow("normal frame reaching past the right edge of the screen") << "No" << "4500";
        // clang-format on
    }
    void forwardAndBack()
    {
        QFETCH(QString, winMax);
        QFETCH(QString, left);

        QVERIFY(loadReturningUser(winMax, left));
        QPointer<frmTour> shown = openTourWithButton();
        QVERIFY(shown);
        auto verifyStep = [&](int step, const QString &caption) {
            const QString where = QStringLiteral("step %1: ").arg(step);
            QCOMPARE(shown->currentStep(), step);
            QVERIFY2(frontWindow() == windowOfStep(step), qPrintable(where + frontWindow()));
            QVERIFY2(m_frame->mdiArea()->currentSubWindow()->isMaximized(), qPrintable(where));
            const QString shownCaption = button(shown, "cmdOK")->text();
            QVERIFY2(shownCaption == caption, qPrintable(where + shownCaption));
            QTRY_VERIFY2(
                placedBy(shown, windowOfStep(step)), qPrintable(where + QStringLiteral("placement")));
            // Step 9 hides "&Edit Messages" and step 10 shows it, whichever way the user goes.
            const bool editMenu
                = m_frame->findChild<QMenu *>(QStringLiteral("mnuEdit"))->menuAction()->isVisible();
            QVERIFY2(editMenu == (step >= 10), qPrintable(where + QStringLiteral("edit menu")));
        };

        for (int step = 0; step <= 18; ++step) {
            verifyStep(step,
                step == 18       ? QStringLiteral("&End")
                    : step == 17 ? QStringLiteral("&Continue")
                                 : QStringLiteral("&Continue >>"));
            if (step < 18)
                press(shown, "cmdOK");
        }
        // Once the last but one step was shown, the earlier ones keep its caption.
        for (int step = 17; step >= 0; --step) {
            press(shown, "cmdBack");
            verifyStep(step, QStringLiteral("&Continue"));
        }
        press(shown, "cmdBack");
        QTRY_VERIFY(!shown);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }
    void focusAfterClosing_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        // On either side of each change of window, and the end.
        QTest::newRow("Cancel on step 5") << 5 << "cmdCancel" << Main << "cmdHide";
        QTest::newRow("Cancel on step 6") << 6 << "cmdCancel" << Settings << "cmdClose";
        QTest::newRow("Cancel on step 9") << 9 << "cmdCancel" << Settings << "cmdClose";
        QTest::newRow("Cancel on step 10") << 10 << "cmdCancel" << Manager << "cmdExit";
        QTest::newRow("End on step 18") << 18 << "cmdOK" << Manager << "cmdExit";
    }
    void focusAfterClosing()
    {
        QFETCH(int, step);
        QFETCH(QString, pressed);
        QFETCH(QString, window);
        QFETCH(QString, control);

        QPointer<frmTour> shown = openTourAt(QStringLiteral("No"), step);
        QVERIFY(shown);
        QCOMPARE(shown->currentStep(), step);
        press(shown, pressed.toLatin1().constData());
        QTRY_VERIFY(!shown);
        QWidget *target = m_frame->childWindow(window)->widget()->findChild<QWidget *>(control);
        QTRY_COMPARE(QApplication::focusWidget(), target);
        QCOMPARE(frontWindow(), window);
    }
    void followsTheFrame()
    {
        frmTour *shown = openTourAt(QStringLiteral("No"), 12);
        QVERIFY(shown);
        QTRY_VERIFY(placedBy(shown, Manager));
        const QPoint before = shown->pos();

        m_frame->move(m_frame->pos() + QPoint(40, 30));
        QTRY_COMPARE(shown->pos(), before + QPoint(40, 30));
        m_frame->showMaximized();
        QTRY_VERIFY(m_frame->isMaximized());
        QTRY_VERIFY(shown->pos() != before + QPoint(40, 30));
        QTRY_VERIFY(placedBy(shown, Manager));
    }
    void blinking_data()
    {
        // Ticks on the first step, "+" for the arrow shown after the tick and "-" for it hidden; the
        // move; whether the arrow shows at once; the ticks left on the new step, after which the timer
        // has stopped; the corner the arrow then stands in (0: none).
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("move");
        QTest::addColumn<bool>("shownAtOnce");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("corner");
        QTest::newRow("a fresh sequence, 10 to 11") << 10 << "" << 1 << true << "+-+-+" << 1;
        QTest::newRow("6 to 7 within the sequence finishes it") << 6 << "+-" << 1 << true << "+-+" << 4;
        QTest::newRow("a finished sequence starts again, 13 to 14")
            << 13 << "+-+-+" << 1 << true << "+-+-+" << 2;
        QTest::newRow("15 to 16 while blinking: hidden for good") << 15 << "+-" << 1 << false << "" << 0;
        QTest::newRow("back from 16 to 15 starts afresh") << 16 << "" << -1 << true << "+-+-+" << 3;
    }
    void blinking()
    {
        QFETCH(int, step);
        QFETCH(QString, before);
        QFETCH(int, move);
        QFETCH(bool, shownAtOnce);
        QFETCH(QString, after);
        QFETCH(int, corner);

        frmTour *shown = openTourAt(QString(), step);
        QVERIFY(shown);
        TagTimer *timer = shown->findChild<TagTimer *>(QStringLiteral("tmrArrow"));
        auto ticks = [&](const QString &expected) {
            for (const QChar visible : expected) {
                QVERIFY(timer->tick());
                QCOMPARE(arrow(shown)->isVisible(), visible == QLatin1Char('+'));
            }
        };
        ticks(before);
        press(shown, move > 0 ? "cmdOK" : "cmdBack");
        QCOMPARE(shown->currentStep(), step + move);
        QCOMPARE(arrow(shown)->isVisible(), shownAtOnce);
        ticks(after);
        QVERIFY(!timer->tick());
        QVERIFY(!timer->isEnabled());
        QCOMPARE(arrow(shown)->isVisible(), corner != 0);
        if (corner != 0)
            QCOMPARE(arrowCorner(shown), corner);
    }

private:
    bool loadReturningUser(const QString &winMax, const QString &left = QStringLiteral("0"))
    {
        storeSettings({{"WinMax", winMax}, {"WinTop", "0"}, {"WinLeft", left}, {"UsedBefore", "Yes"}});
        writeCalmLibrary();
        m_frame = loadFrame();
        return m_frame != nullptr;
    }
    frmTour *tour() const { return m_frame->findChild<frmTour *>(QStringLiteral("frmTour")); }
    frmTour *openTourWithButton()
    {
        QTest::mouseClick(button(m_frame->mainWindow(), "cmdTour"), Qt::LeftButton);
        return QTest::qWaitFor([this] { return tour() && tour()->isVisible(); }) ? tour() : nullptr;
    }
    // A returning user's frame with the tour opened from its button and moved on by steps.
    frmTour *openTourAt(const QString &winMax, int steps)
    {
        if (!loadReturningUser(winMax))
            return nullptr;
        frmTour *shown = openTourWithButton();
        if (shown)
            press(shown, "cmdOK", steps);
        return shown;
    }
    QString frontWindow() const
    {
        const QMdiSubWindow *front = m_frame->mdiArea()->currentSubWindow();
        return front && front->widget() ? front->widget()->objectName() : QString();
    }
    static void press(frmTour *tour, const char *name, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(button(tour, name), Qt::LeftButton);
    }
    // Whole on the screen and over the content panel of the window the step is about.
    bool placedBy(const frmTour *tour, const QString &window) const
    {
        const QRect shown = tour->frameGeometry();
        const QMdiSubWindow *subWindow = m_frame->childWindow(window);
        const QWidget *panel = subWindow
            ? subWindow->widget()->findChild<QWidget *>(QStringLiteral("fmeAll"), Qt::FindDirectChildrenOnly)
            : nullptr;
        return panel && m_frame->screen()->availableGeometry().contains(shown)
            && QRect(panel->mapToGlobal(QPoint(0, 0)), panel->size()).intersects(shown);
    }

    std::unique_ptr<MDIForm1> m_frame;
};

QTEST_MAIN(tst_Tour)
#include "tst_tour.moc"
