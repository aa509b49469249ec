#pragma once

#include <QString>

// The start-up shortcuts: autostart entries of the desktop session that start
// the Messenger or the Settings program when the user logs on. The entries in
// the autostart folder are the only state; at most one of the two exists after
// one has been added.
class StartupShortcuts
{
public:
    // The values are the indexes of the settings form's two buttons.
    enum class Program { Settings = 0, Messenger = 1 };

    // applicationFolder holds both programs (the running program's folder in use).
    explicit StartupShortcuts(const QString &applicationFolder);

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when it is unset or relative.
    static QString autostartFolder();
    static QString shortcutName(Program program);
    static QString executableName(Program program);
    static Program other(Program program);

    QString entryPath(Program program) const;
    QString targetPath(Program program) const;

    bool exists(Program program) const;
    // Writes this program's entry, then removes the other one. On failure nothing
    // is left changed where that can be helped, and *error says what went wrong.
    bool add(Program program, QString *error);
    // Removing an entry that is not there succeeds.
    bool remove(Program program, QString *error);

    // The entry's text, or an empty array (with *error) for a target it cannot carry.
    QByteArray entry(Program program, QString *error) const;
    // One Exec argument, quoted and escaped for a desktop entry's string value.
    static QString quotedExecArgument(const QString &argument);

    // What the settings form's start-up buttons say and ask.
    static QString frameCaption();
    static QString buttonCaption(Program program);
    static QString buttonExplanation(Program program);
    static QString messageTitle();
    static QString question(Program program);
    static QString addedMessage();
    static QString removedMessage();

private:
    QString m_applicationFolder;
};
