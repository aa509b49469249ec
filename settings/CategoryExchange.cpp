#include "CategoryExchange.h"

#include "DataFile.h"
#include "Dialogs.h"
#include "FileDialogs.h"
#include "IniDocument.h"
#include "IniProcedures.h"
#include "ListRows.h"
#include "WholeFile.h"
#include "frmMessageSetup.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString CategoryNameKey = QStringLiteral("CategoryName");
const QString AuthorKey = QStringLiteral("Author");
const QString WriteErrorText = QStringLiteral("Error writing to file. Please try again. Error number:");
constexpr int MaxListedFiles = 5;

void tell(QWidget *owner, const QString &text)
{
    Dialogs::message(owner, text);
}

// The file a picture or text-file entry shows, or "" for a plain message.
QString pathOf(const QString &entry)
{
    return ListRows::isFileEntry(entry) ? entry.mid(ListRows::PictureTag.size()).trimmed() : QString();
}

} // namespace

CategoryExchange::CategoryExchange(QWidget *owner, frmMessageSetup *manager)
    : m_owner(owner)
    , m_manager(manager)
{ }

void CategoryExchange::ExportCategory()
{
    const int row = m_manager->selectedCategoryRow();
    const QStringList messages = m_manager->messageRows();
    if (row < 0 || messages.isEmpty()) {
        tell(m_owner, QStringLiteral("Please select a non-empty category to export."));
        return;
    }
    QString path
        = FileDialogs::ShowSaveDialog(m_owner, Filter, QStringLiteral("Save As"), QString()).trimmed();
    if (path.isEmpty()) {
        tell(m_owner, QStringLiteral("Please start again and enter a file name to use."));
        return;
    }
    path = FileDialogs::withExtension(m_owner, path, QStringLiteral(".cat"), QStringLiteral("Save As"));
    if (path.isEmpty())
        return;

    const std::optional<QString> answer = Dialogs::input(m_owner,
        QStringLiteral("What do you want to call the category? (Just press OK to use the same title.)"),
        QStringLiteral("Category Name"), ListRows::StripMark(m_manager->categoryRows().at(row)));
    const QString name = answer ? ListRows::singleLine(*answer).trimmed() : QString();
    if (name.isEmpty()) {
        tell(m_owner, QStringLiteral("Category Export cancelled"));
        return;
    }

    // The file is made whole in memory and written once at the end, so that an
    // existing file is replaced entirely: nothing of its old messages or author
    // can survive into the new one, and a failure leaves it as it was.
    IniDocument document;
    QString error;
    bool valid = document.setValue(Section, CategoryNameKey, name, &error);
    bool showsFiles = false;
    int key = 0;
    for (; key < messages.size(); ++key) {
        const QString text = ListRows::StripMark(messages.at(key));
        if (text.isEmpty())
            break;
        showsFiles = showsFiles || ListRows::isFileEntry(text);
        valid = document.setValue(Section, QString::number(key), text, &error) && valid;
    }
    valid = document.setValue(Section, QString::number(key), QString(), &error) && valid;

    if (Dialogs::ask(m_owner,
            QStringLiteral("Would you like to add your name to this file to say who compiled it?"),
            QStringLiteral("Author name"), QMessageBox::Yes | QMessageBox::No, Dialogs::Icon::Question)
        == QMessageBox::Yes) {
        const std::optional<QString> author = Dialogs::input(m_owner,
            QStringLiteral("Please enter your author name here. It will then be included in the category "
                           "file for you to distribute."),
            QStringLiteral("Author name"), QString());
        valid = document.setValue(
                    Section, AuthorKey, ListRows::singleLine(author.value_or(QString())).trimmed(), &error)
            && valid;
    }

    QFileDevice::FileError code = QFileDevice::WriteError;
    if (!valid || !WholeFile::replace(path, document.toBytes(), &error, &code)) {
        tell(m_owner,
            WriteErrorText + QString::number(code) + QStringLiteral("\n\n") + QDir::toNativeSeparators(path)
                + QStringLiteral(": ") + error);
        return;
    }
    QString done = QStringLiteral("Export complete");
    if (showsFiles)
        done += QStringLiteral("\n\nThe pictures and text files of this category are not part of the file, "
                               "only their names: pass them on with it, to be put in the same folders.");
    tell(m_owner, done);
}

bool CategoryExchange::ImportCategory()
{
    const QString path
        = FileDialogs::ShowOpenDialog(m_owner, Filter, QStringLiteral("Open category file"), QString())
              .trimmed();
    if (path.isEmpty())
        return false;
    const QString invalid = QStringLiteral("This file is not a valid category file.");
    QString error;
    const std::optional<QByteArray> bytes = WholeFile::read(path, MaxFileSize, &error);
    if (!bytes) {
        tell(m_owner, invalid + QStringLiteral("\n\n") + error);
        return false;
    }
    const IniDocument document = IniDocument::parse(*bytes);
    const QString name = valueOf(document, CategoryNameKey);
    if (name.isEmpty()) {
        tell(m_owner, invalid);
        return false;
    }
    if (Dialogs::ask(m_owner,
            QStringLiteral("The category called '") + name
                + QStringLiteral("' has been found. Please confirm you want to import it."),
            QStringLiteral("Confirm import"), QMessageBox::Ok | QMessageBox::Cancel, Dialogs::Icon::None)
        != QMessageBox::Ok)
        return false;
    if (!addImportedCategory(name))
        return false;

    // The new category is the selected one, which AddMessage fills.
    QStringList missingFiles;
    for (int key = 0; key < MaxMessages; ++key) {
        const QString entry = ListRows::messageText(valueOf(document, QString::number(key)));
        if (entry.isEmpty() || !m_manager->AddMessage(entry))
            break;
        const QString file = pathOf(entry);
        if (!file.isEmpty() && !QFileInfo(file).isFile() && !missingFiles.contains(file))
            missingFiles.append(file);
    }

    const QString author = ListRows::singleLine(valueOf(document, AuthorKey));
    QString done = author.isEmpty() ? QStringLiteral("Import complete. Your new category is ready to use")
                                    : QStringLiteral("This category was created by '") + author
            + QStringLiteral("'.\n\nDid you know you can export your categories and share them with others? "
                             "Please read the help file to find out how.");
    if (!missingFiles.isEmpty())
        done += QStringLiteral("\n\n") + missingFilesNote(missingFiles);
    tell(m_owner, done);
    return true;
}

// The manager refuses a name already in use, and one the file cannot hold as a
// section ("Categories", "[", "]"); either can be mended by another name. Other
// refusals (a full list, a failed write) it has explained, and they end the import.
bool CategoryExchange::addImportedCategory(QString name)
{
    while (!m_manager->AddCategory(name)) {
        const QString wanted
            = ListRows::cut(ListRows::singleLine(name), ListRows::MaxCategoryLength).trimmed();
        const bool used = hasCategory(wanted);
        if (!used && DataFile::isValidCategoryName(wanted))
            return false;
        const std::optional<QString> answer = used
            ? Dialogs::input(m_owner,
                QStringLiteral("This category name has been used already, please enter a new name to use"),
                QStringLiteral("Already used"), name)
            : Dialogs::input(m_owner,
                QStringLiteral("This category name cannot be used, please enter a new name to use"),
                QStringLiteral("Category Name"), name);
        const QString next = answer.value_or(QString());
        if (next.trimmed().isEmpty() || next == name) {
            tell(m_owner,
                used ? QStringLiteral("The category name has already been used and the import has been "
                                      "cancelled. If you want to import it under the same name then you must "
                                      "delete the current category in the list and re-import it.")
                     : QStringLiteral("The import has been cancelled."));
            return false;
        }
        name = next;
    }
    return true;
}

bool CategoryExchange::hasCategory(const QString &name) const
{
    for (const QString &row : m_manager->categoryRows()) {
        if (ListRows::StripMark(row).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString CategoryExchange::valueOf(const IniDocument &document, const QString &key)
{
    return document.value(Section, key).left(MaxIniValueLength);
}

QString CategoryExchange::missingFilesNote(const QStringList &paths)
{
    QString note = paths.size() == 1
        ? QStringLiteral("One picture or text file of this category is not on this computer; its message "
                         "will not be shown until the file is put there:")
        : QStringLiteral("%1 pictures or text files of this category are not on this computer; their "
                         "messages will not be shown until the files are put there:")
              .arg(paths.size());
    for (qsizetype i = 0; i < paths.size() && i < MaxListedFiles; ++i)
        note += QLatin1Char('\n') + QDir::toNativeSeparators(paths.at(i));
    if (paths.size() > MaxListedFiles)
        note += QStringLiteral("\n...");
    return note;
}
