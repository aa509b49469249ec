#include "StartupShortcuts.h"

#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

bool hasControlCharacter(const QString &text)
{
    return std::any_of(
        text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

// Something is there, even a link to nothing.
bool somethingAt(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

StartupShortcuts::StartupShortcuts(const QString &applicationFolder)
    : m_applicationFolder(applicationFolder)
{ }

QString StartupShortcuts::autostartFolder()
{
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir(config).filePath(QStringLiteral("autostart"));
}

QString StartupShortcuts::shortcutName(Program program)
{
    return program == Program::Settings ? QStringLiteral("Murmurine Settings") : QStringLiteral("Murmurine");
}

QString StartupShortcuts::executableName(Program program)
{
    return program == Program::Settings ? QStringLiteral("murmurine-settings") : QStringLiteral("murmurine");
}

StartupShortcuts::Program StartupShortcuts::other(Program program)
{
    return program == Program::Settings ? Program::Messenger : Program::Settings;
}

QString StartupShortcuts::entryPath(Program program) const
{
    return QDir(autostartFolder()).filePath(shortcutName(program) + QStringLiteral(".desktop"));
}

QString StartupShortcuts::targetPath(Program program) const
{
    return QDir(QDir(m_applicationFolder).absolutePath()).filePath(executableName(program));
}

bool StartupShortcuts::exists(Program program) const
{
    return QFileInfo(entryPath(program)).isFile();
}

QString StartupShortcuts::quotedExecArgument(const QString &argument)
{
    // Quoted as one argument, with the characters that stay special inside quotes
    // escaped; "%" is doubled so that no field code is seen.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    quoted += u'"';
    // The value is read as a string first, which takes one level of backslashes.
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    return quoted;
}

QByteArray StartupShortcuts::entry(Program program, QString *error) const
{
    const QString target = targetPath(program);
    if (hasControlCharacter(target)) {
        if (error)
            *error = QStringLiteral("The program folder \"%1\" has a control character in its name, which a "
                                    "start-up entry cannot hold.")
                         .arg(nativePath(m_applicationFolder));
        return {};
    }
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=%1\n"
                                        "Exec=%2\n"
                                        "Icon=murmurine\n"
                                        "Terminal=false\n")
                             .arg(shortcutName(program), quotedExecArgument(target));
    return text.toUtf8();
}

bool StartupShortcuts::add(Program program, QString *error)
{
    const QByteArray text = entry(program, error);
    if (text.isEmpty())
        return false;

    const QString folder = autostartFolder();
    if (!QDir().mkpath(folder)) {
        if (error) {
            *error = somethingAt(folder) && !QFileInfo(folder).isDir()
                ? QStringLiteral(
                    "The start-up folder \"%1\" could not be made: a file of that name is in the way.")
                : QStringLiteral("The start-up folder \"%1\" could not be made.");
            *error = error->arg(nativePath(folder));
        }
        return false;
    }

    const QString path = entryPath(program);
    const bool wasThere = somethingAt(path);
    QString reason;
    if (!WholeFile::replace(path, text, &reason)) {
        if (error)
            *error = QStringLiteral("The start-up entry \"%1\" could not be written: %2.")
                         .arg(nativePath(path), reason);
        return false;
    }

    if (!remove(other(program), error)) {
        // Never leave both behind.
        if (!wasThere)
            QFile::remove(path);
        return false;
    }
    return true;
}

bool StartupShortcuts::remove(Program program, QString *error)
{
    const QString path = entryPath(program);
    if (!somethingAt(path))
        return true;
    QFile file(path);
    if (!file.remove()) {
        if (error)
            *error = QStringLiteral("The start-up entry \"%1\" could not be removed: %2.")
                         .arg(nativePath(path), file.errorString());
        return false;
    }
    return true;
}

QString StartupShortcuts::frameCaption()
{
    return QStringLiteral("Start when Windows is opened?");
}

QString StartupShortcuts::buttonCaption(Program program)
{
    return program == Program::Settings ? QStringLiteral("Settings A&uto start-up")
                                        : QStringLiteral("&Messages on start-up");
}

QString StartupShortcuts::buttonExplanation(Program program)
{
    return program == Program::Settings
        ? QStringLiteral("Press here to make MRN Settings start when Windows is opened:")
        : QStringLiteral("Press here to make MRN messages show when Windows is opened.");
}

QString StartupShortcuts::messageTitle()
{
    return QStringLiteral("Murmurine");
}

QString StartupShortcuts::question(Program program)
{
    return program == Program::Settings
        ? QStringLiteral(
            "Do you want the Murmurine Settings program to start up every time you open Windows?")
        : QStringLiteral(
            "Do you want the Murmurine messages program to start up every time you open Windows?");
}

QString StartupShortcuts::addedMessage()
{
    return QStringLiteral(
        "An icon has been added to your StartUp group.  If the StartUp group folder appears, "
        "please close it down and continue setting up Murmurine");
}

QString StartupShortcuts::removedMessage()
{
    return QStringLiteral("An icon has been deleted from your StartUp group.  If the StartUp group folder "
                          "appears, please close it down and continue setting up Murmurine");
}
