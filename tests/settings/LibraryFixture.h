#pragma once

#include "DataFolder.h"
#include "ListRows.h"
#include "SettingsTestSupport.h"
#include "frmMessageSetup.h"

#include <QAction>
#include <QListWidget>
#include <QVariantList>

// A loaded frame with the message manager in front, over a library the test
// lays out, and the Edit Messages commands run as from the menu.
class LibraryFixture : public SettingsFixture
{
protected:
    // Answers a message box takes from the queue as well: this one takes nothing in particular.
    static inline const QVariant Box;
    static QVariant button(QMessageBox::StandardButton button) { return int(button); }

    QString dataFolder() const { return DataFolder::locate(m_env->home()); }
    QString dataFile() const { return DataFolder::dataFilePath(dataFolder()); }
    QString backupFile() const { return DataFolder::backupFilePath(dataFolder()); }
    QString scratch(const QString &name) const { return m_env->root() + QLatin1Char('/') + name; }

    bool openLibrary(const QByteArray &library)
    {
        if (!QDir().mkpath(dataFolder()) || !TestEnvironment::writeFile(dataFile(), library))
            return false;
        m_frame = loadFrame();
        if (!m_frame)
            return false;
        m_frame->bringUpMessageManager();
        QCoreApplication::processEvents();
        Dialogs::takeShown();
        return manager() && categories()->currentRow() == 0;
    }

    // Runs the command with the answers queued; what it showed, in order.
    QList<Dialogs::Shown> run(const char *action, const QVariantList &answers)
    {
        Dialogs::reset();
        for (const QVariant &answer : answers)
            Dialogs::queueAnswer(answer);
        m_frame->findChild<QAction *>(QLatin1String(action))->trigger();
        return Dialogs::takeShown();
    }

    frmMessageSetup *manager() const { return m_frame->messageManager(); }
    QListWidget *categories() const
    {
        return manager()->findChild<QListWidget *>(QStringLiteral("lstCategory"));
    }
    QListWidget *messages() const
    {
        return manager()->findChild<QListWidget *>(QStringLiteral("lstMessage"));
    }
    static QStringList rows(const QListWidget *list)
    {
        QStringList result;
        for (int i = 0; i < list->count(); ++i)
            result.append(list->item(i)->text());
        return result;
    }

    void tearDown()
    {
        m_frame.reset();
        m_env.reset();
    }

    std::unique_ptr<MDIForm1> m_frame;
};
