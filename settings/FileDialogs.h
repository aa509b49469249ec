#pragma once

#include <QString>

class QWidget;

// The open and save dialogs of the Settings program. Filters are written as
// "description|pattern|description|pattern", patterns separated by ";".
class FileDialogs
{
public:
    // Longer paths could not be stored whole in the data file or the settings.
    static constexpr qsizetype MaxPathLength = 254;

    // The chosen file's full path, trimmed, or "" when the user cancels or the
    // path is too long (which is explained in a message).
    static QString ShowOpenDialog(
        QWidget *owner, const QString &filter, const QString &title, const QString &initialFolder);
    // As ShowOpenDialog; a file that does not exist yet is only chosen once the
    // user has agreed to create it (a question answered Yes).
    static QString ShowSaveDialog(
        QWidget *owner, const QString &filter, const QString &title, const QString &initialFolder);

    // The path with extension (".cat") added unless it ends with it in any letter
    // case. The dialog only asked about the name as typed: when the added
    // extension names an existing file, the user is asked before it is replaced,
    // and a No gives "".
    static QString withExtension(
        QWidget *owner, const QString &path, const QString &extension, const QString &title);

    // "Text Files (*.txt)|*.txt" -> "Text Files (*.txt)", "Pictures|*.bmp;*.gif" -> "Pictures (*.bmp *.gif)".
    static QString toQtFilter(const QString &filter);
};
