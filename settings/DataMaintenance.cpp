#include "DataMaintenance.h"

#include "DataFile.h"
#include "DataFolder.h"
#include "Dialogs.h"
#include "FileDialogs.h"
#include "IniDocument.h"
#include "WholeFile.h"
#include "frmMessageSetup.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString NotValid = QStringLiteral("This file is not a valid data file.");

// What a library begins with: a first category with a name a list can show.
bool holdsLibrary(const QByteArray &bytes)
{
    const QString first = IniDocument::parse(bytes).value(DataFile::CategoriesSection, QStringLiteral("1"));
    return !first.isEmpty() && DataFile::isValidCategoryName(MarkedEntry::fromValue(first).text);
}

} // namespace

DataMaintenance::DataMaintenance(QWidget *owner, frmMessageSetup *manager, const QString &factoryDataFile)
    : m_owner(owner)
    , m_manager(manager)
    , m_folder(QFileInfo(manager->dataFilePath()).path())
    , m_dataFile(manager->dataFilePath())
    , m_backupFile(DataFolder::backupFilePath(m_folder))
    , m_factoryDataFile(factoryDataFile)
{ }

void DataMaintenance::tell(const QString &text, const QString &reason)
{
    Dialogs::message(m_owner, reason.isEmpty() ? text : text + QStringLiteral("\n\n") + reason);
}

bool DataMaintenance::ResetData()
{
    const QString folder = QDir::toNativeSeparators(m_folder);
    if (Dialogs::question(m_owner,
            QStringLiteral("This button resets all of the categories and messages to their original ones "
                           "supplied with this program. You will lose any you have added. Are you sure you "
                           "want to do this? (A back up file will be made: ")
                + QDir::toNativeSeparators(m_backupFile) + QStringLiteral(")"),
            QStringLiteral("Reset messages?"))
        != QMessageBox::Yes)
        return false;

    QString error = QStringLiteral("The original messages supplied with this program were not found.");
    const std::optional<QByteArray> factory = m_factoryDataFile.isEmpty()
        ? std::nullopt
        : WholeFile::read(m_factoryDataFile, MaxDataFileSize, &error);
    if (!factory) {
        tell(QStringLiteral(
                 "Resetting your data file could not be done so this operation has been cancelled."),
            error);
        return false;
    }
    if (!makeBackup(QStringLiteral("A backup of your data file could not be made so this operation has been "
                                   "cancelled. Please ensure you can write to the ")
            + folder + QStringLiteral(" directory.")))
        return false;
    if (!replaceDataFile(*factory,
            QStringLiteral("Resetting your data file could not be done so this operation has been cancelled. "
                           "Please ensure you can write to the ")
                + folder + QStringLiteral(" directory.")))
        return false;
    reloadLists();
    return true;
}

bool DataMaintenance::RestoreFromBackup()
{
    if (Dialogs::question(m_owner,
            QStringLiteral("This button restores your last back up of the categories and messages. You will "
                           "lose any you have changed recently. Are you sure you want to do this?"),
            QStringLiteral("Restore messages?"))
        != QMessageBox::Yes)
        return false;

    const QString failure = QStringLiteral(
        "The backup file could not be restored so this operation has been cancelled. This could be because "
        "no backup has been done. Please ensure you can write to the application directory.");
    QString error;
    const std::optional<QByteArray> backup = WholeFile::read(m_backupFile, MaxDataFileSize, &error);
    if (!backup) {
        tell(failure, error);
        return false;
    }
    // A backup of an emptied library is still a library; only what holds no list of categories is refused.
    if (!IniDocument::parse(*backup).contains(DataFile::CategoriesSection, QStringLiteral("1"))) {
        tell(
            QStringLiteral("The backup file %1 does not hold any categories and messages, so it has not been "
                           "restored. Your messages have not been changed.")
                .arg(QDir::toNativeSeparators(m_backupFile)));
        return false;
    }
    if (!replaceDataFile(*backup, failure))
        return false;
    reloadLists();
    return true;
}

bool DataMaintenance::RetrieveOlderVersion()
{
    const QString path
        = FileDialogs::ShowOpenDialog(m_owner, QStringLiteral("Murmurine Data file (DATA.TXT)|DATA.TXT"),
            QStringLiteral("Open old data file"), QString());
    if (path.isEmpty())
        return false;
    if (WholeFile::isSameFile(path, m_dataFile)) {
        tell(QStringLiteral("This is the data file that holds your messages now, so there is nothing to "
                            "retrieve from it. Please choose the data file of the older version."));
        return false;
    }
    QString error;
    // Read before the backup is made: the chosen file may be the backup itself.
    const std::optional<QByteArray> old = WholeFile::read(path, MaxDataFileSize, &error);
    if (!old) {
        tell(NotValid, error);
        return false;
    }
    if (!holdsLibrary(*old)) {
        tell(NotValid);
        return false;
    }
    if (!makeBackup(QStringLiteral("A backup of your data file could not be made so this operation has been "
                                   "cancelled. Please ensure you can write to the application directory.")))
        return false;
    if (!replaceDataFile(*old,
            QStringLiteral(
                "Your old data file could not be used so this operation has been cancelled. Please "
                "ensure you can write to the application directory.")))
        return false;
    reloadLists();
    return true;
}

bool DataMaintenance::makeBackup(const QString &failure)
{
    // A library that is gone has nothing to keep, and the last backup is better kept than lost.
    if (!QFileInfo::exists(m_dataFile))
        return true;
    QString error;
    const std::optional<QByteArray> current = WholeFile::read(m_dataFile, MaxDataFileSize, &error);
    if (!current || !WholeFile::replace(m_backupFile, *current, &error)) {
        tell(failure, error);
        return false;
    }
    return true;
}

bool DataMaintenance::replaceDataFile(const QByteArray &bytes, const QString &failure)
{
    QString error;
    if (!WholeFile::replace(m_dataFile, bytes, &error)) {
        tell(failure, error);
        return false;
    }
    return true;
}

void DataMaintenance::reloadLists()
{
    m_manager->LoadMessageLists();
    if (!m_manager->categoryRows().isEmpty())
        m_manager->selectCategory(0);
}
