#pragma once

#include <QString>
#include <QStringList>

class IniDocument;
class QWidget;
class frmMessageSetup;

// Categories shared between users as ".cat" files: one section "New Category"
// holding "CategoryName", the messages at keys "0", "1", ... up to an empty
// value, and an optional "Author". The files carry no marks, and picture and
// text-file entries carry only their paths.
class CategoryExchange
{
public:
    static inline const QString Section = QStringLiteral("New Category");
    static inline const QString Filter = QStringLiteral("New category files|*.cat");
    // As many messages as a category can hold.
    static constexpr int MaxMessages = 100;
    // A full category takes well under this; anything larger is not one.
    static constexpr qint64 MaxFileSize = 1024 * 1024;

    CategoryExchange(QWidget *owner, frmMessageSetup *manager);

    // Writes the selected category and its messages to a file the user names.
    void ExportCategory();
    // Adds the category of a file the user picks at the end of the library.
    // True when a category was added.
    bool ImportCategory();

private:
    bool addImportedCategory(QString name);
    bool hasCategory(const QString &name) const;
    static QString valueOf(const IniDocument &document, const QString &key);
    static QString missingFilesNote(const QStringList &paths);

    QWidget *m_owner;
    frmMessageSetup *m_manager;
};
