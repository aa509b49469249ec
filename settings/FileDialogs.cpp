#include "FileDialogs.h"

#include "Dialogs.h"

#include <QFileInfo>
#include <QStringList>

namespace {

// A description that already names its patterns in parentheses would show them twice.
QString withoutTrailingPatterns(const QString &description)
{
    const QString trimmed = description.trimmed();
    if (!trimmed.endsWith(QLatin1Char(')')))
        return trimmed;
    const qsizetype open = trimmed.lastIndexOf(QLatin1Char('('));
    if (open < 0)
        return trimmed;
    return trimmed.left(open).trimmed();
}

bool acceptLength(QWidget *owner, const QString &path)
{
    if (path.size() <= FileDialogs::MaxPathLength)
        return true;
    Dialogs::message(owner,
        QStringLiteral("The path of the chosen file is longer than %1 characters, so it cannot be "
                       "stored whole. Please choose a file with a shorter path.\n\n%2")
            .arg(FileDialogs::MaxPathLength)
            .arg(path),
        QString(), Dialogs::Icon::Warning);
    return false;
}

} // namespace

QString FileDialogs::toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList qtFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns)
            pattern = pattern.trimmed();
        patterns.removeAll(QString());
        if (patterns.isEmpty())
            continue;
        QString description = withoutTrailingPatterns(parts.at(i));
        if (description.isEmpty())
            description = patterns.join(QLatin1Char(' '));
        qtFilters.append(
            description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return qtFilters.join(QStringLiteral(";;"));
}

QString FileDialogs::ShowOpenDialog(
    QWidget *owner, const QString &filter, const QString &title, const QString &initialFolder)
{
    const QString path = Dialogs::openFile(owner, toQtFilter(filter), title, initialFolder).trimmed();
    if (path.isEmpty() || !acceptLength(owner, path))
        return QString();
    return path;
}

QString FileDialogs::ShowSaveDialog(
    QWidget *owner, const QString &filter, const QString &title, const QString &initialFolder)
{
    const QString path = Dialogs::saveFile(owner, toQtFilter(filter), title, initialFolder).trimmed();
    if (path.isEmpty() || !acceptLength(owner, path))
        return QString();
    if (!QFileInfo::exists(path)) {
        const QString question = path + QStringLiteral("\nThis file does not exist.\nCreate the file?");
        if (Dialogs::question(owner, question, title) != QMessageBox::Yes)
            return QString();
    }
    return path;
}

QString FileDialogs::withExtension(
    QWidget *owner, const QString &path, const QString &extension, const QString &title)
{
    if (path.right(extension.size()).toLower() == extension.toLower())
        return path;
    const QString extended = path + extension;
    if (!QFileInfo::exists(extended))
        return extended;
    const QString question = extended + QStringLiteral(" already exists.\nDo you want to replace it?");
    if (Dialogs::ask(owner, question, title, QMessageBox::Yes | QMessageBox::No, Dialogs::Icon::Warning)
        != QMessageBox::Yes)
        return QString();
    return extended;
}
