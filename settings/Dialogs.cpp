#include "Dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QQueue>

namespace {

struct TestState
{
    bool on = false;
    QQueue<QVariant> answers;
    QList<Dialogs::Shown> shown;
};

TestState &testState()
{
    static TestState state;
    return state;
}

QVariant takeAnswer(Dialogs::Kind kind, const QString &text, const QString &title, const QString &defaultText)
{
    TestState &state = testState();
    state.shown.append({kind, text, title, defaultText});
    return state.answers.isEmpty() ? QVariant() : state.answers.dequeue();
}

QString titleOrDefault(const QString &title)
{
    return title.isEmpty() ? Dialogs::applicationTitle() : title;
}

} // namespace

QString Dialogs::applicationTitle()
{
    return QStringLiteral("Murmurine Settings");
}

void Dialogs::message(QWidget *parent, const QString &text, const QString &title, Icon icon)
{
    if (testState().on) {
        takeAnswer(Kind::Message, text, titleOrDefault(title), QString());
        return;
    }
    QMessageBox box(parent);
    box.setWindowTitle(titleOrDefault(title));
    // Texts quote names and messages the user typed; none of them is markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

QMessageBox::StandardButton Dialogs::question(QWidget *parent, const QString &text, const QString &title)
{
    if (testState().on) {
        const QVariant answer = takeAnswer(Kind::Question, text, titleOrDefault(title), QString());
        return answer.isValid() ? static_cast<QMessageBox::StandardButton>(answer.toInt()) : QMessageBox::Cancel;
    }
    QMessageBox box(QMessageBox::Question, titleOrDefault(title), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton Dialogs::ask(QWidget *parent, const QString &text, const QString &title,
                                         QMessageBox::StandardButtons buttons, Icon icon)
{
    const QMessageBox::StandardButton dismissed
        = buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::No;
    if (testState().on) {
        const QVariant answer = takeAnswer(Kind::Question, text, titleOrDefault(title), QString());
        return answer.isValid() ? static_cast<QMessageBox::StandardButton>(answer.toInt()) : dismissed;
    }
    static constexpr QMessageBox::Icon Icons[] = {QMessageBox::NoIcon, QMessageBox::Information,
        QMessageBox::Question, QMessageBox::Warning, QMessageBox::Critical};
    QMessageBox box(Icons[static_cast<int>(icon)], titleOrDefault(title), text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(dismissed);
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    return buttons.testFlag(answer) ? answer : dismissed;
}

std::optional<QString> Dialogs::input(QWidget *parent, const QString &prompt, const QString &title,
                                      const QString &defaultText)
{
    if (testState().on) {
        const QVariant answer = takeAnswer(Kind::Input, prompt, titleOrDefault(title), defaultText);
        if (!answer.isValid())
            return std::nullopt;
        return answer.toString();
    }
    bool ok = false;
    const QString text = QInputDialog::getText(parent, titleOrDefault(title), prompt, QLineEdit::Normal,
                                               defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QString Dialogs::openFile(QWidget *parent, const QString &qtFilter, const QString &title, const QString &folder)
{
    if (testState().on)
        return takeAnswer(Kind::OpenFile, title, titleOrDefault(title), qtFilter).toString();
    return QFileDialog::getOpenFileName(parent, title, folder, qtFilter);
}

QString Dialogs::saveFile(QWidget *parent, const QString &qtFilter, const QString &title, const QString &folder)
{
    if (testState().on)
        return takeAnswer(Kind::SaveFile, title, titleOrDefault(title), qtFilter).toString();
    return QFileDialog::getSaveFileName(parent, title, folder, qtFilter);
}

void Dialogs::setTestMode(bool on)
{
    testState().on = on;
}

void Dialogs::queueAnswer(const QVariant &answer)
{
    testState().answers.enqueue(answer);
}

QList<Dialogs::Shown> Dialogs::takeShown()
{
    return std::exchange(testState().shown, {});
}

void Dialogs::reset()
{
    testState().answers.clear();
    testState().shown.clear();
}
