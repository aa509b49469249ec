#pragma once

#include <QByteArray>
#include <QString>

class QWidget;
class frmMessageSetup;

// Puts a whole library in place of the data file: the factory one, the backup,
// or one the user picks. Every copy reads its source first and then replaces
// its target atomically, so a failure at any moment leaves the target as it
// was, and a source that is itself the backup survives the backup being made.
class DataMaintenance
{
public:
    // Far beyond the largest library the lists can show.
    static constexpr qint64 MaxDataFileSize = 64 * 1024 * 1024;

    DataMaintenance(QWidget *owner, frmMessageSetup *manager, const QString &factoryDataFile);

    bool ResetData();
    bool RestoreFromBackup();
    bool RetrieveOlderVersion();

private:
    // The data file copied to the backup file; nothing to copy when there is no data file.
    bool makeBackup(const QString &failure);
    bool replaceDataFile(const QByteArray &bytes, const QString &failure);
    void reloadLists();
    void tell(const QString &text, const QString &reason = QString());

    QWidget *m_owner;
    frmMessageSetup *m_manager;
    QString m_folder;
    QString m_dataFile;
    QString m_backupFile;
    QString m_factoryDataFile;
};
