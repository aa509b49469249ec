#include "DataFolder.h"
#include "Dialogs.h"
#include "IniFile.h"
#include "ListRows.h"
#include "TestEnvironment.h"
#include "Twips.h"
#include "frmMessageSetup.h"
#include "frmTypeOfSubliminal.h"

#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <unistd.h>

namespace {

const QString NoteAdded
    = QStringLiteral("Note that your category has been added to the BOTTOM of the list. You may "
                     "need to scroll down the list to see it and to add your own messages to it");
const QString Truncated
    = QStringLiteral("Your category was too long and has been truncated to 50 characters");

// Two categories: "Holidays" (marked, three messages) and "Work" (unmarked, a
// picture and a text). Key 4 of Holidays lies beyond the end of the list.
const QByteArray Library = "[Categories]\n"
                           "1=1Holidays\n"
                           "2=0Work\n"
                           "3=\n"
                           "\n"
                           "[Holidays]\n"
                           "1=1Sun\n"
                           "2=0Sea\n"
                           "3=1Sand\n"
                           "4=\n"
                           "\n"
                           "[Work]\n"
                           "1=1#PICTURE# /pictures/desk.png\n"
                           "2=0Focus\n";

QStringList rowsOf(const QListWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows.append(list->item(i)->text());
    return rows;
}

} // namespace

class tst_MessageManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void tabOrder();

    void addCategory_data();
    void addCategory();
    void addCategoryAtTheLimit();

    void fileEntriesCannotBeEdited();

    void addMessage_data();
    void addMessage();
    void addFileEntry_data();
    void addFileEntry();
    void addMessageThroughTheButton();
    void hundredthMessageIsTheLast();
    void dialogPlacement();

    void editMessage_data();
    void editMessage();

    void deleteMessage_data();
    void deleteMessage();
    void deleteCategory_data();
    void deleteCategory();
    void deletingTheLastCategory();
    void rememberedMessage_data();
    void rememberedMessage();
    void copyMessage();

    void marking_data();
    void marking();

    void closing_data();
    void closing();

    void failedWrite_data();
    void failedWrite();

private:
    template <typename T> T *child(const char *name) const
    {
        T *widget = m_manager->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
    QListWidget *categories() const { return child<QListWidget>("lstCategory"); }
    QListWidget *messages() const { return child<QListWidget>("lstMessage"); }
    QPushButton *button(const char *name) const { return child<QPushButton>(name); }

    QString dataFile() const { return DataFolder::dataFilePath(m_folder); }
    void writeLibrary(const QByteArray &bytes);
    QByteArray libraryBytes() const;
    QString value(const QString &section, int key) const
    {
        return IniFile::read(dataFile(), section, QString::number(key));
    }
    void openManager(const QByteArray &library = Library);

    std::unique_ptr<TestEnvironment> m_env;
    QString m_folder;
    std::unique_ptr<frmMessageSetup> m_manager;
};

void tst_MessageManager::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    m_folder = m_env->home() + QStringLiteral("/Murmurine");
    QVERIFY(QDir().mkpath(m_folder));
    Dialogs::setTestMode(true);
    Dialogs::reset();
}

void tst_MessageManager::cleanup()
{
    m_manager.reset();
    // Make the folder removable again after a test took it apart.
    QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_env.reset();
}

void tst_MessageManager::writeLibrary(const QByteArray &bytes)
{
    QFile file(dataFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray tst_MessageManager::libraryBytes() const
{
    QFile file(dataFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_MessageManager::openManager(const QByteArray &library)
{
    writeLibrary(library);
    m_manager = std::make_unique<frmMessageSetup>(m_folder);
    m_manager->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_manager.get()));
    m_manager->onActivated();
}

void tst_MessageManager::tabOrder()
{
    openManager();
    const QStringList expected = {"lstCategory", "cmdAddCategory", "cmdDeleteCategory", "lstMessage",
        "cmdAddMessage", "cmdDeleteMessage", "cmdEditSubliminal", "cmdExit"};
    QStringList order;
    QWidget *widget = categories();
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            order.append(widget->objectName());
        widget = widget->nextInFocusChain();
    } while (widget != categories() && order.size() < 20);
    QCOMPARE(order, expected);
}

void tst_MessageManager::addCategory_data()
{
    QTest::addColumn<QVariant>("answer");
    QTest::addColumn<QStringList>("boxes"); // the start of each message shown after the input box
    QTest::addColumn<QString>("stored"); // value of key 3, empty when nothing was added
    QTest::addColumn<int>("selected");

    const QString fifty = QString(50, QLatin1Char('n'));
    const QString refused = QStringLiteral("Sorry, but a category cannot be called");
    QTest::newRow("new name") << QVariant(QStringLiteral("  Sports ")) << QStringList {NoteAdded} << "1Sports"
                              << 2;
    QTest::newRow("duplicate in other case") << QVariant(QStringLiteral("wORK"))
                                             << QStringList {"Sorry, but the category called 'wORK' already "
                                                             "exists. If you want to overwrite it, please "
                                                             "delete it from the list and then try again."}
                                             << "" << 1;
    QTest::newRow("60 characters") << QVariant(fifty + QStringLiteral("tttttttttt"))
                                   << QStringList {Truncated, NoteAdded} << QStringLiteral("1") + fifty << 2;
    QTest::newRow("cut then trimmed")
        << QVariant(QString(45, QLatin1Char('n')) + QStringLiteral("     xxxxx"))
        << QStringList {Truncated, NoteAdded} << QStringLiteral("1") + QString(45, QLatin1Char('n')) << 2;
    QTest::newRow("only spaces") << QVariant(QStringLiteral("     ")) << QStringList() << "" << 0;
    QTest::newRow("pasted lines") << QVariant(QStringLiteral("Good\nnews\n")) << QStringList {NoteAdded}
                                  << "1Good news" << 2;
    QTest::newRow("ini characters") << QVariant(QStringLiteral("#1 = best; ok")) << QStringList {NoteAdded}
                                    << "1#1 = best; ok" << 2;
    QTest::newRow("right to left and emoji")
        << QVariant(QStringLiteral("\u05E9\u05DC\u05D5\u05DD \U0001F389")) << QStringList {NoteAdded}
        << QStringLiteral("1\u05E9\u05DC\u05D5\u05DD \U0001F389") << 2;
    QTest::newRow("the list's own section")
        << QVariant(QStringLiteral("CATEGORIES")) << QStringList {refused} << "" << 0;
    QTest::newRow("brackets") << QVariant(QStringLiteral("[Work]")) << QStringList {refused} << "" << 0;
    QTest::newRow("tab") << QVariant(QStringLiteral("a\tb")) << QStringList {refused} << "" << 0;
}

void tst_MessageManager::addCategory()
{
    QFETCH(QVariant, answer);
    QFETCH(QStringList, boxes);
    QFETCH(QString, stored);
    QFETCH(int, selected);

    openManager();
    const QByteArray before = libraryBytes();
    Dialogs::takeShown();
    Dialogs::queueAnswer(answer);
    QCOMPARE(m_manager->AddCategory(), !stored.isEmpty());

    QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.first().text, QStringLiteral("Please enter a new category to add. (Max 50 characters)"));
    QCOMPARE(shown.first().title, QStringLiteral("Add new category"));
    shown.removeFirst();
    QCOMPARE(shown.size(), boxes.size());
    for (int i = 0; i < boxes.size(); ++i) {
        QVERIFY2(shown.at(i).text.startsWith(boxes.at(i)), qPrintable(shown.at(i).text));
        QCOMPARE(shown.at(i).title, QStringLiteral("Murmurine Settings"));
    }

    QCOMPARE(categories()->currentRow(), selected);
    if (stored.isEmpty()) {
        QCOMPARE(libraryBytes(), before);
        QCOMPARE(categories()->count(), 2);
        return;
    }
    QCOMPARE(value(QStringLiteral("Categories"), 3), stored);
    QCOMPARE(categories()->item(2)->text(), QStringLiteral("Yes\t") + stored.mid(1));
    QCOMPARE(messages()->count(), 0);
}

void tst_MessageManager::addCategoryAtTheLimit()
{
    QByteArray library = "[Categories]\n";
    for (int i = 1; i <= 99; ++i)
        library += QByteArray::number(i) + "=0C" + QByteArray::number(i) + '\n';
    openManager(library);
    QVERIFY(button("cmdAddCategory")->isEnabled());

    QVERIFY(m_manager->AddCategory(QStringLiteral("Hundredth")));
    QVERIFY(!button("cmdAddCategory")->isEnabled());

    // Another part of the program may still ask: key 101 would never be read.
    Dialogs::takeShown();
    QVERIFY(!m_manager->AddCategory(QStringLiteral("One too many")));
    QCOMPARE(Dialogs::takeShown().size(), 1);
    QVERIFY(value(QStringLiteral("Categories"), 101).isEmpty());

    // Deleting one through the button makes room again.
    Dialogs::queueAnswer(int(QMessageBox::Yes));
    button("cmdDeleteCategory")->click();
    QCOMPARE(categories()->count(), 99);
    QVERIFY(button("cmdAddCategory")->isEnabled());
}

void tst_MessageManager::fileEntriesCannotBeEdited()
{
    QByteArray library = Library;
    library += "3=0#TEXTFILE# /texts/a.txt\n";
    openManager(library);
    QVERIFY(button("cmdEditSubliminal")->isEnabled());

    categories()->setCurrentRow(1);
    QCOMPARE(messages()->currentRow(), 0);
    QVERIFY(!button("cmdEditSubliminal")->isEnabled());
    QVERIFY(button("cmdDeleteMessage")->isEnabled());
    messages()->setCurrentRow(1);
    QVERIFY(button("cmdEditSubliminal")->isEnabled());
    messages()->setCurrentRow(2);
    QVERIFY(!button("cmdEditSubliminal")->isEnabled());
}

void tst_MessageManager::addMessage_data()
{
    QTest::addColumn<QVariant>("answer");
    QTest::addColumn<QString>("stored"); // value of Holidays key 4

    QTest::newRow("plain") << QVariant(QStringLiteral("You can do it")) << "1You can do it";
    QTest::newRow("only spaces") << QVariant(QStringLiteral("    ")) << "";
    QTest::newRow("10000 characters")
        << QVariant(QString(10000, QLatin1Char('m'))) << QStringLiteral("1") + QString(300, QLatin1Char('m'));
    QTest::newRow("pasted lines") << QVariant(QStringLiteral("line one\r\nline two")) << "1line one line two";
    QTest::newRow("leading hash and ini characters")
        << QVariant(QStringLiteral("# [x] = y; z")) << "1# [x] = y; z";
    QTest::newRow("right to left and emoji")
        << QVariant(QStringLiteral("\u0645\u0631\u062D\u0628\u0627 \U0001F600"))
        << QStringLiteral("1\u0645\u0631\u062D\u0628\u0627 \U0001F600");
}

void tst_MessageManager::addMessage()
{
    QFETCH(QVariant, answer);
    QFETCH(QString, stored);

    openManager();
    const QByteArray before = libraryBytes();
    frmTypeOfSubliminal dialog(m_manager.get());
    Dialogs::takeShown();
    Dialogs::queueAnswer(answer);
    dialog.findChild<QPushButton *>(QStringLiteral("cmdSubliminalType_0"))->click();

    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(
        shown.first().text, QStringLiteral("Please add a new message to be displayed (max 300 characters)"));
    QCOMPARE(shown.first().title, QStringLiteral("Add new message"));

    auto *last = dialog.findChild<QLabel *>(QStringLiteral("lblLastMessage"));
    QCOMPARE(value(QStringLiteral("Holidays"), 4), stored);
    if (stored.isEmpty()) {
        QCOMPARE(libraryBytes(), before);
        QCOMPARE(messages()->count(), 3);
        QCOMPARE(last->text(), QStringLiteral("Last message/file to add was:"));
    } else {
        QCOMPARE(messages()->item(3)->text(), QStringLiteral("Yes\t") + stored.mid(1));
        QCOMPARE(last->text(), QStringLiteral("Last message/file to add was:\n") + stored.mid(1));
        // Only the new value changed; the other sections are as they were.
        QCOMPARE(value(QStringLiteral("Work"), 1), QStringLiteral("1#PICTURE# /pictures/desk.png"));
    }
}

void tst_MessageManager::addFileEntry_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariant>("answer");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("messagesShown");

    const QString longPath = QLatin1Char('/') + QString(254, QLatin1Char('p'));
    QTest::newRow("picture") << 1 << QVariant(QStringLiteral(" /pictures/sky.png "))
                             << "1#PICTURE# /pictures/sky.png" << 0;
    QTest::newRow("text file") << 2 << QVariant(QStringLiteral("/texts/notes.txt"))
                               << "1#TEXTFILE# /texts/notes.txt" << 0;
    QTest::newRow("path too long") << 2 << QVariant(longPath) << "" << 1;
    QTest::newRow("line break in file name")
        << 1 << QVariant(QStringLiteral("/pictures/a\nb.png")) << "" << 1;
}

void tst_MessageManager::addFileEntry()
{
    QFETCH(int, kind);
    QFETCH(QVariant, answer);
    QFETCH(QString, stored);
    QFETCH(int, messagesShown);

    openManager();
    frmTypeOfSubliminal dialog(m_manager.get());
    Dialogs::takeShown();
    Dialogs::queueAnswer(answer);
    dialog.findChild<QPushButton *>(QStringLiteral("cmdSubliminalType_%1").arg(kind))->click();

    QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.first().kind, Dialogs::Kind::OpenFile);
    QCOMPARE(shown.first().title,
        kind == 1 ? QStringLiteral("Select the picture file to use")
                  : QStringLiteral("Select the text file to use"));
    QCOMPARE(shown.size(), 1 + messagesShown);
    QCOMPARE(value(QStringLiteral("Holidays"), 4), stored);
    QCOMPARE(messages()->count(), stored.isEmpty() ? 3 : 4);
}

void tst_MessageManager::addMessageThroughTheButton()
{
    openManager();
    categories()->setCurrentRow(1);
    Dialogs::queueAnswer(QStringLiteral("first"));
    Dialogs::queueAnswer(QStringLiteral("second"));
    bool ran = false;
    QTimer::singleShot(0, this, [&ran] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QStringLiteral("frmTypeOfSubliminal"))
            return;
        ran = dialog->windowTitle() == QStringLiteral("What type of subliminal would you like to add?");
        auto *simple = dialog->findChild<QPushButton *>(QStringLiteral("cmdSubliminalType_0"));
        simple->click();
        simple->click();
        dialog->findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
    });
    button("cmdAddMessage")->click();
    QVERIFY(ran);
    QCOMPARE(rowsOf(messages()),
        QStringList({"Yes\t#PICTURE# /pictures/desk.png", "No \tFocus", "Yes\tfirst", "Yes\tsecond"}));
    QCOMPARE(value(QStringLiteral("Work"), 4), QStringLiteral("1second"));
    QCOMPARE(messages()->currentRow(), 0);
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_MessageManager::hundredthMessageIsTheLast()
{
    QByteArray library = "[Categories]\n1=1Full\n2=1Other\n\n[Full]\n";
    for (int i = 1; i <= 99; ++i)
        library += QByteArray::number(i) + "=1M" + QByteArray::number(i) + '\n';
    openManager(library);

    frmTypeOfSubliminal dialog(m_manager.get());
    Dialogs::queueAnswer(QStringLiteral("M100"));
    Dialogs::queueAnswer(QStringLiteral("M101"));
    auto *simple = dialog.findChild<QPushButton *>(QStringLiteral("cmdSubliminalType_0"));
    simple->click();
    QCOMPARE(value(QStringLiteral("Full"), 100), QStringLiteral("1M100"));
    Dialogs::takeShown();
    simple->click();
    QCOMPARE(Dialogs::takeShown().size(), 2); // the input, then the refusal
    QVERIFY(value(QStringLiteral("Full"), 101).isEmpty());
    QCOMPARE(messages()->count(), 100);

    // The button refuses before the dialog opens; another category still takes messages.
    button("cmdAddMessage")->click();
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().text.contains(QStringLiteral("100 messages")));
    categories()->setCurrentRow(1);
    QVERIFY(button("cmdAddMessage")->isEnabled());
    QVERIFY(m_manager->AddMessage(QStringLiteral("fine")));
    QCOMPARE(value(QStringLiteral("Other"), 1), QStringLiteral("1fine"));
}

void tst_MessageManager::dialogPlacement()
{
    openManager();
    m_manager->contentPanel()->move(Twips::toPixels(QPoint(200, 60), m_manager.get()));
    frmTypeOfSubliminal dialog(m_manager.get());
    QCOMPARE(dialog.pos(),
        m_manager->contentPanel()->mapToGlobal(QPoint(0, 0))
            + Twips::toPixels(QPoint(2000, 2000), m_manager.get()));
}

void tst_MessageManager::editMessage_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QVariant>("answer");
    QTest::addColumn<QString>("stored"); // value at key row + 1 afterwards

    QTest::newRow("unmarked becomes marked") << 1 << QVariant(QStringLiteral("Ocean")) << "1Ocean";
    QTest::newRow("cancelled") << 1 << QVariant() << "0Sea";
    QTest::newRow("cut to 300") << 2 << QVariant(QString(400, QLatin1Char('e')))
                                << QStringLiteral("1") + QString(300, QLatin1Char('e'));
}

void tst_MessageManager::editMessage()
{
    QFETCH(int, row);
    QFETCH(QVariant, answer);
    QFETCH(QString, stored);

    openManager();
    messages()->setCurrentRow(row);
    const QString oldText = ListRows::StripMark(messages()->item(row)->text());
    Dialogs::takeShown();
    Dialogs::queueAnswer(answer);
    button("cmdEditSubliminal")->click();

    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QStringLiteral("Please edit the message here (max 300 characters)"));
    QCOMPARE(shown.first().title, QStringLiteral("Add new message"));
    QCOMPARE(shown.first().defaultText, oldText);

    QCOMPARE(value(QStringLiteral("Holidays"), row + 1), stored);
    QCOMPARE(messages()->item(row)->text(), ListRows::row(MarkedEntry::fromValue(stored)));
    QCOMPARE(messages()->count(), 3);
    QCOMPARE(messages()->currentRow(), row);
    QVERIFY(value(QStringLiteral("Holidays"), 4).isEmpty());
}

void tst_MessageManager::deleteMessage_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("values"); // keys 1..4 afterwards
    QTest::addColumn<int>("selected");

    QTest::newRow("first") << 0 << int(QMessageBox::Yes) << QStringList {"0Sea", "1Sand", "", ""} << 0;
    QTest::newRow("middle") << 1 << int(QMessageBox::Yes) << QStringList {"1Sun", "1Sand", "", ""} << 1;
    QTest::newRow("last selects the new last")
        << 2 << int(QMessageBox::Yes) << QStringList {"1Sun", "0Sea", "", ""} << 1;
    QTest::newRow("No") << 1 << int(QMessageBox::No) << QStringList {"1Sun", "0Sea", "1Sand", ""} << 1;
}

void tst_MessageManager::deleteMessage()
{
    QFETCH(int, row);
    QFETCH(int, answer);
    QFETCH(QStringList, values);
    QFETCH(int, selected);

    openManager();
    messages()->setCurrentRow(row);
    Dialogs::takeShown();
    Dialogs::queueAnswer(answer);
    QTest::keyRelease(messages(), row == 0 ? Qt::Key_Delete : Qt::Key_Backspace);

    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QStringLiteral("Are you sure you want to delete this message?"));
    QCOMPARE(shown.first().title, QStringLiteral("Please confirm"));
    for (int key = 1; key <= 4; ++key)
        QCOMPARE(value(QStringLiteral("Holidays"), key), values.at(key - 1));
    QCOMPARE(messages()->currentRow(), selected);
    QVERIFY(messages()->item(selected)->isSelected());
    QCOMPARE(value(QStringLiteral("Work"), 2), QStringLiteral("0Focus"));
}

void tst_MessageManager::deleteCategory_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("categoryValues"); // keys 1..3 afterwards
    QTest::addColumn<int>("selected");

    QTest::newRow("first") << 0 << QStringList {"0Work", "1Four", ""} << 0;
    QTest::newRow("last") << 2 << QStringList {"1Holidays", "0Work", ""} << 1;
}

void tst_MessageManager::deleteCategory()
{
    QFETCH(int, row);
    QFETCH(QStringList, categoryValues);
    QFETCH(int, selected);

    QByteArray library = Library;
    library.replace("2=0Work\n3=\n", "2=0Work\n3=1Four\n");
    library += "\n[Four]\n1=1a\n2=1b\n3=0c\n4=1d\n";
    openManager(library);
    const QString name = ListRows::StripMark(categories()->item(row)->text());
    categories()->setCurrentRow(row);
    const int messageCount = messages()->count();
    QVERIFY(messageCount >= 2);

    Dialogs::takeShown();
    Dialogs::queueAnswer(int(QMessageBox::Yes));
    button("cmdDeleteCategory")->click();

    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text,
        QStringLiteral("Are you sure you want to delete this category?  All of the "
                       "messages in it will be permanently deleted."));
    QCOMPARE(shown.first().title, QStringLiteral("Please confirm"));
    for (int key = 1; key <= 3; ++key)
        QCOMPARE(value(QStringLiteral("Categories"), key), categoryValues.at(key - 1));
    for (int key = 1; key <= messageCount; ++key)
        QVERIFY2(value(name, key).isEmpty(), qPrintable(QString::number(key)));
    QCOMPARE(categories()->count(), 2);
    QCOMPARE(categories()->currentRow(), selected);
    // The selected category's messages are listed.
    const QString shownCategory = ListRows::StripMark(categories()->item(selected)->text());
    QCOMPARE(messages()->count(), DataFile(dataFile()).readCategory(shownCategory).size());
}

void tst_MessageManager::deletingTheLastCategory()
{
    openManager("[Categories]\n1=1Only\n\n[Only]\n1=1a\n2=1b\n");
    Dialogs::queueAnswer(int(QMessageBox::Yes));
    QTest::keyRelease(categories(), Qt::Key_Delete);

    QCOMPARE(categories()->count(), 0);
    QCOMPARE(messages()->count(), 0);
    QVERIFY(value(QStringLiteral("Categories"), 1).isEmpty());
    QVERIFY(value(QStringLiteral("Only"), 1).isEmpty() && value(QStringLiteral("Only"), 2).isEmpty());
    QVERIFY(!button("cmdAddMessage")->isEnabled());
    QVERIFY(!button("cmdDeleteMessage")->isEnabled());
    QVERIFY(!button("cmdEditSubliminal")->isEnabled());
}

void tst_MessageManager::rememberedMessage_data()
{
    QTest::addColumn<int>("category");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("offered");

    QTest::newRow("deleted text is offered") << 0 << 1 << "Sea";
    QTest::newRow("deleted picture is not") << 1 << 0 << "";
}

void tst_MessageManager::rememberedMessage()
{
    QFETCH(int, category);
    QFETCH(int, row);
    QFETCH(QString, offered);

    openManager();
    QVERIFY(m_manager->rememberedMessage().isEmpty());
    categories()->setCurrentRow(category);
    messages()->setCurrentRow(row);
    Dialogs::queueAnswer(int(QMessageBox::Yes));
    button("cmdDeleteMessage")->click();

    frmTypeOfSubliminal dialog(m_manager.get());
    Dialogs::takeShown();
    dialog.findChild<QPushButton *>(QStringLiteral("cmdSubliminalType_0"))->click();
    QCOMPARE(Dialogs::takeShown().first().defaultText, offered);
}

void tst_MessageManager::copyMessage()
{
    openManager();
    messages()->setCurrentRow(2);
    QTest::keyClick(messages(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(m_manager->rememberedMessage(), QStringLiteral("Sand"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Sand"));

    messages()->clearSelection();
    m_manager->copyMessage();
    QCOMPARE(m_manager->rememberedMessage(), QStringLiteral("Sand"));
}

void tst_MessageManager::marking_data()
{
    QTest::addColumn<bool>("categoryList");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("stored");

    QTest::newRow("category by double-click") << true << 0 << true << "Categories"
                                              << "0Holidays";
    QTest::newRow("category by space") << true << 1 << false << "Categories"
                                       << "1Work";
    QTest::newRow("message by double-click") << false << 1 << true << "Holidays"
                                             << "1Sea";
    QTest::newRow("message by space") << false << 2 << false << "Holidays"
                                      << "0Sand";
}

void tst_MessageManager::marking()
{
    QFETCH(bool, categoryList);
    QFETCH(int, row);
    QFETCH(bool, doubleClick);
    QFETCH(QString, section);
    QFETCH(QString, stored);

    openManager();
    QListWidget *list = categoryList ? categories() : messages();
    list->setCurrentRow(row);
    const QStringList otherRows = rowsOf(categoryList ? messages() : categories());
    const QList<QByteArray> before = libraryBytes().split('\n');

    if (doubleClick) {
        const QPoint centre = list->visualItemRect(list->item(row)).center();
        // The view only takes a double-click on the row its press went to.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    } else {
        QTest::keyRelease(list, Qt::Key_Space);
    }

    QCOMPARE(value(section, row + 1), stored);
    QCOMPARE(list->item(row)->text(), ListRows::row(MarkedEntry::fromValue(stored)));
    const QList<QByteArray> after = libraryBytes().split('\n');
    QCOMPARE(after.size(), before.size());
    int changed = 0;
    for (int i = 0; i < before.size(); ++i)
        changed += before.at(i) != after.at(i);
    QCOMPARE(changed, 1);
    QCOMPARE(rowsOf(categoryList ? messages() : categories()), otherRows);

    // Marking back restores the file byte for byte.
    QTest::keyRelease(list, Qt::Key_Space);
    QCOMPARE(libraryBytes().split('\n'), before);
}

void tst_MessageManager::closing_data()
{
    QTest::addColumn<bool>("anyMarked");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");

    QTest::newRow("a marked category") << true << 0 << true;
    QTest::newRow("none marked, Yes") << false << int(QMessageBox::Yes) << true;
    QTest::newRow("none marked, No") << false << int(QMessageBox::No) << false;
}

void tst_MessageManager::closing()
{
    QFETCH(bool, anyMarked);
    QFETCH(int, answer);
    QFETCH(bool, closes);

    QByteArray library = Library;
    if (!anyMarked)
        library.replace("1=1Holidays", "1=0Holidays");
    openManager(library);
    QSignalSpy spy(m_manager.get(), &frmMessageSetup::closeRequested);
    Dialogs::takeShown();
    if (answer)
        Dialogs::queueAnswer(answer);
    button("cmdExit")->click();

    QCOMPARE(spy.count(), closes ? 1 : 0);
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), anyMarked ? 0 : 1);
    if (!anyMarked) {
        QCOMPARE(shown.first().text,
            QStringLiteral("You have not selected any categories. No messages will be "
                           "shown. Do you still want to continue?"));
        QCOMPARE(shown.first().title, QStringLiteral("No Selection"));
    }
}

void tst_MessageManager::failedWrite_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("action");

    for (const char *damage : {"file replaced by a folder", "data folder removed", "file deleted",
             "read-only file", "read-only folder"}) {
        for (const char *action :
            {"mark", "add category", "add message", "edit", "delete message", "delete category"})
            QTest::addRow("%s, %s", damage, action) << damage << action;
    }
}

void tst_MessageManager::failedWrite()
{
    QFETCH(QString, damage);
    QFETCH(QString, action);

    openManager();
    messages()->setCurrentRow(1);
    if (damage == QStringLiteral("file replaced by a folder")) {
        QVERIFY(QFile::remove(dataFile()));
        QVERIFY(QDir().mkdir(dataFile()));
    } else if (damage == QStringLiteral("data folder removed")) {
        QVERIFY(QDir(m_folder).removeRecursively());
    } else if (damage == QStringLiteral("file deleted")) {
        QVERIFY(QFile::remove(dataFile()));
    } else {
        if (geteuid() == 0)
            QSKIP("the superuser writes whatever the permissions say");
        const bool file = damage == QStringLiteral("read-only file");
        QVERIFY(QFile::setPermissions(
            file ? dataFile() : m_folder, file ? QFile::ReadOwner : QFile::ReadOwner | QFile::ExeOwner));
    }
    const QByteArray before = libraryBytes();

    Dialogs::takeShown();
    if (action == QStringLiteral("mark")) {
        QTest::keyRelease(messages(), Qt::Key_Space);
    } else if (action == QStringLiteral("add category")) {
        QVERIFY(!m_manager->AddCategory(QStringLiteral("Sports")));
    } else if (action == QStringLiteral("add message")) {
        QVERIFY(!m_manager->AddMessage(QStringLiteral("New")));
    } else if (action == QStringLiteral("edit")) {
        Dialogs::queueAnswer(QStringLiteral("Changed"));
        button("cmdEditSubliminal")->click();
    } else if (action == QStringLiteral("delete message")) {
        Dialogs::queueAnswer(int(QMessageBox::Yes));
        button("cmdDeleteMessage")->click();
    } else {
        Dialogs::queueAnswer(int(QMessageBox::Yes));
        button("cmdDeleteCategory")->click();
    }

    QList<Dialogs::Shown> shown = Dialogs::takeShown();
    if (!shown.isEmpty() && shown.first().kind != Dialogs::Kind::Message)
        shown.removeFirst(); // the input or the confirmation
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().text.startsWith(
                 QStringLiteral("The change could not be saved to ") + dataFile() + QStringLiteral(": ")),
        qPrintable(shown.first().text));
    QVERIFY(shown.first().text.size() > dataFile().size() + 40);

    // The file is as it was, and the lists show what it holds.
    QCOMPARE(libraryBytes(), before);
    const DataFile data(dataFile());
    QStringList expected;
    for (const MarkedEntry &entry : data.readCategories())
        expected.append(ListRows::row(entry));
    QCOMPARE(rowsOf(categories()), expected);
    QVERIFY(!QFileInfo(dataFile()).isFile() || QFileInfo(dataFile()).size() > 0);
    if (damage.startsWith(QStringLiteral("read-only")))
        QCOMPARE(rowsOf(messages()), QStringList({"Yes\tSun", "No \tSea", "Yes\tSand"}));
}

QTEST_MAIN(tst_MessageManager)
#include "tst_messagemanager.moc"
