#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QVariant>
#include <optional>

class QWidget;

// Every message box, input box and file dialog of the Settings program goes
// through here, so that tests can answer them in advance instead of waiting on
// a real modal dialog.
class Dialogs
{
public:
    enum class Kind { Message, Question, Input, OpenFile, SaveFile };
    enum class Icon { None, Information, Question, Warning, Critical };

    struct Shown
    {
        Kind kind;
        QString text; // prompt or message
        QString title;
        QString defaultText; // input default, or the file filter
    };

    // An empty title shows the program's title, "Murmurine Settings".
    static void message(QWidget *parent, const QString &text, const QString &title = QString(),
                        Icon icon = Icon::None);
    // Yes, No and Cancel buttons with the question icon.
    static QMessageBox::StandardButton question(QWidget *parent, const QString &text, const QString &title);
    // A box with other buttons; dismissing it answers Cancel, or No when it has no Cancel.
    static QMessageBox::StandardButton ask(QWidget *parent, const QString &text, const QString &title,
                                           QMessageBox::StandardButtons buttons, Icon icon);
    // std::nullopt when cancelled.
    static std::optional<QString> input(QWidget *parent, const QString &prompt, const QString &title,
                                        const QString &defaultText);
    // qtFilter in Qt's "description (pattern);;..." form; empty when cancelled.
    static QString openFile(QWidget *parent, const QString &qtFilter, const QString &title, const QString &folder);
    static QString saveFile(QWidget *parent, const QString &qtFilter, const QString &title, const QString &folder);

    static QString applicationTitle();

    // Test seam. In test mode no dialog is shown: each call is recorded and takes
    // the next queued answer (a QMessageBox::StandardButton for a question, a
    // QString for an input or file dialog, an invalid QVariant to cancel). With
    // nothing queued a question answers Cancel and the others cancel.
    static void setTestMode(bool on);
    static void queueAnswer(const QVariant &answer);
    static QList<Shown> takeShown();
    static void reset();
};
