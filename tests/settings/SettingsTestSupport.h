#pragma once

#include "DataFolder.h"
#include "Dialogs.h"
#include "MDIForm1.h"
#include "TestEnvironment.h"
#include "frmMain.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTest>

#include <memory>

namespace SettingsTestSupport {

// Values written straight into the settings store, as an earlier run would have left them.
void storeSettings(const QMap<QString, QString> &values);
QString storedSetting(const QString &key);
// A data file with one category of the given messages, all marked.
void writeLibrary(const QString &dataFile, const QString &category, const QStringList &messages);

} // namespace SettingsTestSupport

// Private folders for one test, message boxes recorded instead of shown, and
// the frame loaded the way the program loads it.
class SettingsFixture
{
protected:
    bool setUp()
    {
        m_env = std::make_unique<TestEnvironment>();
        Dialogs::setTestMode(true);
        Dialogs::reset();
        return m_env->isValid() && QDir().mkpath(appFolder());
    }
    QString appFolder() const { return m_env->root() + QStringLiteral("/app"); } // where the Messenger is

    enum class FirstRunTour { Dismiss, Keep };

    // A first run opens the guided tour; unless asked to keep it, the user
    // dismisses it with Escape before going on.
    std::unique_ptr<MDIForm1> loadFrame(FirstRunTour tour = FirstRunTour::Dismiss) const
    {
        auto frame = std::make_unique<MDIForm1>();
        frame->mainWindow()->setApplicationFolder(appFolder());
        if (!frame->MDIForm_Load() || !QTest::qWaitForWindowExposed(frame.get()))
            return nullptr;
        QCoreApplication::processEvents();
        if (tour == FirstRunTour::Dismiss) {
            if (QWidget *shown = frame->findChild<QDialog *>(QStringLiteral("frmTour"))) {
                QTest::keyClick(shown, Qt::Key_Escape);
                if (!QTest::qWaitFor([&] { return !frame->findChild<QDialog *>(QStringLiteral("frmTour")); }))
                    return nullptr;
            }
        }
        return frame;
    }

    // A returning user's frame, active, with the values given stored over a normal window's.
    std::unique_ptr<MDIForm1> loadActiveFrame(const QMap<QString, QString> &settings = {}) const
    {
        QMap<QString, QString> all {{"WinMax", "No"}, {"UsedBefore", "Yes"}};
        all.insert(settings);
        SettingsTestSupport::storeSettings(all);
        m_stateBeforeLoad = settingsState();
        auto frame = loadFrame();
        if (!frame)
            return nullptr;
        frame->activateWindow();
        return QTest::qWaitForWindowActive(frame.get()) ? std::move(frame) : nullptr;
    }
    // A library of one category, "Calm", of one message.
    void writeCalmLibrary() const
    {
        SettingsTestSupport::writeLibrary(DataFolder::dataFilePath(DataFolder::locate(m_env->home())),
            QStringLiteral("Calm"), {QStringLiteral("I breathe slowly")});
    }
    // As a user picks a menu entry: a click on the menu bar, then one on the entry.
    static bool chooseFromMenu(MDIForm1 *frame, const char *menuName, const char *actionName)
    {
        auto *menu = frame->findChild<QMenu *>(QLatin1String(menuName));
        QMenuBar *bar = frame->menuBar();
        QTest::mouseClick(
            bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(menu->menuAction()).center());
        if (!QTest::qWaitFor([menu] { return menu->isVisible(); }))
            return false;
        auto *action = frame->findChild<QAction *>(QLatin1String(actionName));
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
        return true;
    }

    // Back on the Welcome screen as the frame first showed it, its content in view.
    static void verifyWelcomeInFront(MDIForm1 *frame)
    {
        QMdiSubWindow *welcome = frame->mainSubWindow();
        QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), welcome);
        QTRY_COMPARE(welcome->isMaximized(), frame->isMaximized());
        QVERIFY(!welcome->isMinimized());
        QVERIFY(!frame->findChild<QMenu *>(QStringLiteral("mnuEdit"))->menuAction()->isVisible());
        QCOMPARE(frame->windowTitle(),
            frame->isMaximized() ? QStringLiteral("Murmurine Settings - [Welcome screen]")
                                 : QStringLiteral("Murmurine Settings"));
        const QWidget *panel = frame->mainWindow()->contentPanel();
        QVERIFY(welcome->rect().contains(QRect(panel->mapTo(welcome, QPoint(0, 0)), panel->size())));
    }
    // The stored text and when it was written: unchanged only if nothing wrote, even the same values.
    QByteArray settingsState() const
    {
        QFile file(m_env->settingsFile());
        return QByteArray::number(QFileInfo(file).lastModified().toMSecsSinceEpoch())
            + (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    // Whether the key exists at all: "never written" and "written empty" differ here.
    bool isStored(const QString &key) const
    {
        return QSettings(m_env->settingsFile(), QSettings::IniFormat)
            .contains(QStringLiteral("Settings/") + key);
    }

    std::unique_ptr<TestEnvironment> m_env;
    mutable QByteArray m_stateBeforeLoad; // settingsState() as loadActiveFrame found it
};
