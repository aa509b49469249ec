#include "DataFolder.h"
#include "Dialogs.h"
#include "FileDialogs.h"
#include "IniFile.h"
#include "ListRows.h"
#include "TestEnvironment.h"
#include "frmMessageSetup.h"
#include "frmTypeOfSubliminal.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <QtTest>

#include <memory>

namespace {

// "Holidays" (marked, three messages; key 4 lies past the end) and "Work"
// (unmarked, a picture then a text).
const QByteArray Library = "[Categories]\n1=1Holidays\n2=0Work\n3=\n\n"
                           "[Holidays]\n1=1Sun\n2=0Sea\n3=1Sand\n4=\n\n"
                           "[Work]\n1=1#PICTURE# /pictures/desk.png\n2=0Focus\n";
const QStringList Holidays = {"1Sun", "0Sea", "1Sand", ""}; // keys 1..4 as written

QStringList with(int index, const QString &value)
{
    QStringList result = Holidays;
    result[index] = value;
    return result;
}

QStringList rowsOf(const QListWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows.append(list->item(i)->text());
    return rows;
}

QPoint centreOf(const QListWidget *list, int row)
{
    return list->visualItemRect(list->item(row)).center();
}

// As a user selects a row: a press and a release of the left button on it.
void clickRow(QListWidget *list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, centreOf(list, row));
}

// The first and the last column, in screen coordinates, where the widget draws
// text over its background (the colour at the right end of the area's middle line).
std::pair<int, int> inkColumns(QWidget *widget, const QRect &area)
{
    const QImage image = widget->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb background = image.pixel(image.width() - 1, image.height() / 2);
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const QRgb pixel = image.pixel(x, y);
            if (qAbs(qGray(pixel) - qGray(background)) > 96) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    }
    const int origin = widget->mapToGlobal(area.topLeft()).x();
    return {origin + first, origin + last};
}

QStringList rowsOf(const QList<MarkedEntry> &entries)
{
    QStringList rows;
    for (const MarkedEntry &entry : entries)
        rows.append(ListRows::row(entry));
    return rows;
}

} // namespace

class tst_MessageManager : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnvironment> m_env;
    QString m_folder;
    std::unique_ptr<frmMessageSetup> m_manager;

    template <typename T = QPushButton> T *child(const char *name) const
    {
        T *widget = m_manager->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
    QListWidget *categories() const { return child<QListWidget>("lstCategory"); }
    QListWidget *messages() const { return child<QListWidget>("lstMessage"); }
    QString dataFile() const { return DataFolder::dataFilePath(m_folder); }
    QByteArray libraryBytes() const { return TestEnvironment::readFile(dataFile()); }
    QStringList values(const QString &section, int count) const
    {
        QStringList result;
        for (int key = 1; key <= count; ++key)
            result.append(IniFile::read(dataFile(), section, QString::number(key)));
        return result;
    }

    void openManager(const QByteArray &library = Library)
    {
        QVERIFY(TestEnvironment::writeFile(dataFile(), library));
        m_manager = std::make_unique<frmMessageSetup>(m_folder);
        m_manager->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_manager.get()));
        m_manager->onActivated();
        Dialogs::takeShown();
    }

    // Both lists show what the file holds: the categories and the selected one's messages.
    void verifyListsMatchFile() const
    {
        const DataFile data(dataFile());
        QCOMPARE(rowsOf(categories()), rowsOf(data.readCategories()));
        const QListWidgetItem *category = categories()->currentItem();
        QCOMPARE(rowsOf(messages()),
            category ? rowsOf(data.readCategory(ListRows::StripMark(category->text()))) : QStringList());
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
        m_folder = m_env->home() + QStringLiteral("/Murmurine");
        QVERIFY(QDir().mkpath(m_folder));
        Dialogs::setTestMode(true);
        Dialogs::reset();
    }

    void cleanup()
    {
        m_manager.reset();
        m_env.reset();
    }

    // What a user sees after choosing rows: the listed messages, the selected one, the buttons.
    void selecting_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("category");
        QTest::addColumn<QList<int>>("chosen"); // message rows, in turn; none: the first is selected anyway
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<bool>("deletable");

        QTest::newRow("click a category: its messages, the first selected")
            << "click" << 1 << QList<int>() << 0 << false << true;
        QTest::newRow("click a text message") << "click" << 1 << QList<int> {1} << 1 << true << true;
        QTest::newRow("click a picture after a text")
            << "click" << 1 << QList<int> {1, 0} << 0 << false << true;
        QTest::newRow("a press alone selects") << "press" << 1 << QList<int> {1} << 1 << true << true;
        QTest::newRow("Ctrl+click on the selected message clears it")
            << "ctrl-click" << 0 << QList<int> {1} << -1 << false << false;
        QTest::newRow("arrow keys") << "keys" << 1 << QList<int> {1} << 1 << true << true;
    }

    void selecting()
    {
        QFETCH(QString, how);
        QFETCH(int, category);
        QFETCH(QList<int>, chosen);
        QFETCH(int, selected);
        QFETCH(bool, editable);
        QFETCH(bool, deletable);

        openManager();
        auto choose = [&how](QListWidget *list, int row) {
            if (how == QLatin1String("keys")) {
                list->setFocus();
                for (int i = list->currentRow(); i < row; ++i)
                    QTest::keyClick(list, Qt::Key_Down);
            } else if (how == QLatin1String("press")) {
                QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(list, row));
            } else {
                clickRow(list, row);
            }
        };
        auto release = [&how](QListWidget *list, int row) {
            if (how == QLatin1String("press"))
                QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(list, row));
        };
        choose(categories(), category);
        release(categories(), category);
        for (int row : chosen)
            choose(messages(), row);
        if (how == QLatin1String("ctrl-click"))
            clickRow(messages(), chosen.last(), Qt::ControlModifier);

        // Seen while the button is still down, for a press.
        verifyListsMatchFile();
        QVERIFY(categories()->item(category)->isSelected());
        const QList<QListWidgetItem *> selectedItems = messages()->selectedItems();
        QCOMPARE(selectedItems.isEmpty() ? -1 : messages()->row(selectedItems.first()), selected);
        QCOMPARE(child("cmdEditSubliminal")->isEnabled(), editable);
        QCOMPARE(child("cmdDeleteMessage")->isEnabled(), deletable);
        if (!chosen.isEmpty())
            release(messages(), chosen.last());
    }

    // A row that repeats its heading's second half draws it where the heading does.
    void rowsLineUpUnderTheirHeadings_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("heading");
        QTest::newRow("categories") << "lstCategory"
                                    << "lblMarked_0";
        QTest::newRow("messages") << "lstMessage"
                                  << "lblMarked_1";
    }

    void rowsLineUpUnderTheirHeadings()
    {
        QFETCH(QString, list);
        QFETCH(QString, heading);

        // Row 1 of each list, which is not selected.
        openManager("[Categories]\n1=1First\n2=0Category of message\n\n"
                    "[First]\n1=1One\n2=0Message, picture or file to be displayed\n");
        auto *rows = m_manager->findChild<QListWidget *>(list);
        auto *label = m_manager->findChild<QLabel *>(heading);
        QVERIFY(!rows->item(1)->isSelected());
        const auto [labelFirst, labelLast] = inkColumns(label, label->rect());
        const auto [rowFirst, rowLast] = inkColumns(rows->viewport(), rows->visualItemRect(rows->item(1)));
        // "No " under " Display", and the text ending where the heading's identical text ends.
        QVERIFY2(qAbs(rowFirst - labelFirst) <= 2,
            qPrintable(QStringLiteral("%1 %2").arg(rowFirst).arg(labelFirst)));
        QVERIFY2(
            qAbs(rowLast - labelLast) <= 1, qPrintable(QStringLiteral("%1 %2").arg(rowLast).arg(labelLast)));
    }

    // A message too long for its row shows whole in the row's tooltip; one that fits has none.
    void tooltips_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("shown");
        QTest::newRow("long, with markup characters")
            << QStringLiteral("Say <b>yes</b> & mean it, ") + QString(200, QLatin1Char('w')) << true;
        QTest::newRow("short") << QStringLiteral("Calm") << false;
    }

    void tooltips()
    {
        QFETCH(QString, message);
        QFETCH(bool, shown);

        openManager("[Categories]\n1=1Mixed\n\n[Mixed]\n1=1" + message.toUtf8() + '\n');
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
        QListWidget *list = messages();
        const QPoint centre = centreOf(list, 0);
        QHelpEvent hover(QEvent::ToolTip, centre, list->viewport()->mapToGlobal(centre));
        QApplication::sendEvent(list->viewport(), &hover);
        QCOMPARE(QToolTip::isVisible(), shown);
        if (shown)
            QCOMPARE(QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText(), message);
    }

    void addCategory_data()
    {
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<QStringList>("boxes"); // the start of each message shown after the input box
        QTest::addColumn<QString>("stored"); // value of key 3, empty when nothing was added
        QTest::addColumn<int>("selected");

        const QString note = QStringLiteral("Note that your category has been added to the BOTTOM");
        const QString cut
            = QStringLiteral("Your category was too long and has been truncated to 50 characters");
        const QString fifty = QString(50, QLatin1Char('n'));
        QTest::newRow("new name, trimmed")
            << QVariant(QStringLiteral("  Sports ")) << QStringList {note} << "1Sports" << 2;
        QTest::newRow("duplicate in other case is selected")
            << QVariant(QStringLiteral("wORK"))
            << QStringList {"Sorry, but the category called 'wORK' already exists."} << "" << 1;
        QTest::newRow("60 characters") << QVariant(fifty + QStringLiteral("tttttttttt"))
                                       << QStringList {cut, note} << QStringLiteral("1") + fifty << 2;
        QTest::newRow("only spaces") << QVariant(QStringLiteral("     ")) << QStringList() << "" << 0;
        QTest::newRow("the list's own section")
            << QVariant(QStringLiteral("CATEGORIES"))
            << QStringList {"Sorry, but a category cannot be called"} << "" << 0;
    }

    void addCategory()
    {
        QFETCH(QVariant, answer);
        QFETCH(QStringList, boxes);
        QFETCH(QString, stored);
        QFETCH(int, selected);

        openManager();
        const QByteArray before = libraryBytes();
        Dialogs::queueAnswer(answer);
        QCOMPARE(m_manager->AddCategory(), !stored.isEmpty());

        QList<Dialogs::Shown> shown = Dialogs::takeShown();
        QCOMPARE(shown.takeFirst().kind, Dialogs::Kind::Input);
        QCOMPARE(shown.size(), boxes.size());
        for (int i = 0; i < boxes.size(); ++i)
            QVERIFY2(shown.at(i).text.startsWith(boxes.at(i)), qPrintable(shown.at(i).text));
        QCOMPARE(categories()->currentRow(), selected);
        if (stored.isEmpty())
            QCOMPARE(libraryBytes(), before);
        else
            QCOMPARE(values(QStringLiteral("Categories"), 3).last(), stored);
        verifyListsMatchFile();
    }

    void messageChanges_data()
    {
        QTest::addColumn<QString>("action"); // a button of the add dialog, "edit" or "delete"
        QTest::addColumn<int>("row");
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<QStringList>("stored"); // Holidays keys 1..4 afterwards
        QTest::addColumn<bool>("warned");

        const QVariant yes = int(QMessageBox::Yes);
        const QString text = QStringLiteral("cmdSubliminalType_0"),
                      picture = QStringLiteral("cmdSubliminalType_1");
        QTest::newRow("add text") << text << 0 << QVariant(QStringLiteral(" Go on ")) << with(3, "1Go on")
                                  << false;
        QTest::newRow("add 10000 characters, cut to 300")
            << text << 0 << QVariant(QString(10000, QLatin1Char('m')))
            << with(3, QStringLiteral("1") + QString(300, QLatin1Char('m'))) << false;
        QTest::newRow("add picture") << picture << 0 << QVariant(QStringLiteral("/pictures/sky.png"))
                                     << with(3, "1#PICTURE# /pictures/sky.png") << false;
        QTest::newRow("add text file, path too long")
            << "cmdSubliminalType_2" << 0 << QVariant(QLatin1Char('/') + QString(254, QLatin1Char('p')))
            << Holidays << true;
        QTest::newRow("add picture, line break in name")
            << picture << 0 << QVariant(QStringLiteral("/pictures/a\nb.png")) << Holidays << true;
        QTest::newRow("edit, unmarked becomes marked")
            << "edit" << 1 << QVariant(QStringLiteral("Ocean")) << with(1, "1Ocean") << false;
        QTest::newRow("edit, cancelled") << "edit" << 1 << QVariant() << Holidays << false;
        QTest::newRow("delete first")
            << "delete" << 0 << yes << QStringList {"0Sea", "1Sand", "", ""} << false;
        QTest::newRow("delete last") << "delete" << 2 << yes << QStringList {"1Sun", "0Sea", "", ""} << false;
        QTest::newRow("delete, No") << "delete" << 1 << QVariant(int(QMessageBox::No)) << Holidays << false;
    }

    void messageChanges()
    {
        QFETCH(QString, action);
        QFETCH(int, row);
        QFETCH(QVariant, answer);
        QFETCH(QStringList, stored);
        QFETCH(bool, warned);

        openManager();
        clickRow(messages(), row);
        Dialogs::queueAnswer(answer);
        if (action == QStringLiteral("edit")) {
            child("cmdEditSubliminal")->click();
        } else if (action == QStringLiteral("delete")) {
            QTest::keyRelease(messages(), row == 0 ? Qt::Key_Delete : Qt::Key_Backspace);
        } else {
            frmTypeOfSubliminal dialog(m_manager.get());
            dialog.findChild<QPushButton *>(action)->click();
        }

        const QList<Dialogs::Shown> shown = Dialogs::takeShown();
        QCOMPARE(shown.size(), warned ? 2 : 1);
        if (action == QStringLiteral("edit"))
            QCOMPARE(shown.first().defaultText, QStringLiteral("Sea"));
        QCOMPARE(values(QStringLiteral("Holidays"), 4), stored);
        QCOMPARE(values(QStringLiteral("Work"), 2), QStringList({"1#PICTURE# /pictures/desk.png", "0Focus"}));
        verifyListsMatchFile();
        // The row below the deleted one takes its place, or the new last row does.
        const int selected = action == QStringLiteral("delete") ? qMin(row, messages()->count() - 1) : row;
        QCOMPARE(messages()->currentRow(), selected);
        QVERIFY(messages()->item(selected)->isSelected());
    }

    void deleteCategory_data()
    {
        QTest::addColumn<QByteArray>("library");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("stored"); // Categories keys 1..3 afterwards

        const QByteArray three
            = QByteArray(Library).replace("3=\n", "3=1Four\n") + "\n[Four]\n1=1a\n2=1b\n3=0c\n";
        QTest::newRow("first") << three << 0 << QStringList {"0Work", "1Four", ""};
        QTest::newRow("the only one")
            << QByteArray("[Categories]\n1=1Only\n\n[Only]\n1=1a\n2=1b\n") << 0 << QStringList {"", "", ""};
    }

    void deleteCategory()
    {
        QFETCH(QByteArray, library);
        QFETCH(int, row);
        QFETCH(QStringList, stored);

        openManager(library);
        clickRow(categories(), row);
        const QString name = ListRows::StripMark(categories()->item(row)->text());
        const int count = messages()->count();
        Dialogs::queueAnswer(int(QMessageBox::Yes));
        child("cmdDeleteCategory")->click();

        QCOMPARE(Dialogs::takeShown().size(), 1);
        QCOMPARE(values(QStringLiteral("Categories"), 3), stored);
        QCOMPARE(values(name, count), QStringList(count, QString()));
        QCOMPARE(categories()->currentRow(), qMin(row, categories()->count() - 1));
        verifyListsMatchFile();
        // With no category left there is nothing to add messages to.
        QCOMPARE(child("cmdAddMessage")->isEnabled(), categories()->count() > 0);
    }

    // The last deleted message is offered when a text is added, unless it was a picture, which is
    // never edited as text either.
    void deletedMessage_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("offered");
        QTest::newRow("text") << 0 << "Sun";
        QTest::newRow("picture") << 1 << "";
    }

    void deletedMessage()
    {
        QFETCH(int, category);
        QFETCH(QString, offered);

        openManager();
        clickRow(categories(), category);
        QCOMPARE(messages()->currentRow(), 0);
        QCOMPARE(child("cmdEditSubliminal")->isEnabled(), !offered.isEmpty());
        Dialogs::queueAnswer(int(QMessageBox::Yes));
        child("cmdDeleteMessage")->click();
        QVERIFY(child("cmdEditSubliminal")->isEnabled());
        frmTypeOfSubliminal dialog(m_manager.get());
        Dialogs::takeShown();
        dialog.findChild<QPushButton *>(QStringLiteral("cmdSubliminalType_0"))->click();
        QCOMPARE(Dialogs::takeShown().first().defaultText, offered);
    }

    void marking_data()
    {
        QTest::addColumn<bool>("categoryList");
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("was"); // the only line of the file that changes
        QTest::addColumn<QByteArray>("now");
        QTest::newRow("category by double-click")
            << true << 0 << QByteArray("1=1Holidays") << QByteArray("1=0Holidays");
        QTest::newRow("message by space") << false << 1 << QByteArray("2=0Sea") << QByteArray("2=1Sea");
    }

    void marking()
    {
        QFETCH(bool, categoryList);
        QFETCH(int, row);
        QFETCH(QByteArray, was);
        QFETCH(QByteArray, now);

        openManager();
        QListWidget *list = categoryList ? categories() : messages();
        clickRow(list, row);
        const QList<QByteArray> before = libraryBytes().split('\n');
        if (categoryList) {
            const QPoint centre = list->visualItemRect(list->item(row)).center();
            // The view only takes a double-click on the row its press went to.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        } else {
            QTest::keyRelease(list, Qt::Key_Space);
        }

        QList<QByteArray> expected = before;
        expected.replace(expected.indexOf(was), now);
        QCOMPARE(libraryBytes().split('\n'), expected);
        verifyListsMatchFile();
        // Marking back restores the file byte for byte.
        QTest::keyRelease(list, Qt::Key_Space);
        QCOMPARE(libraryBytes().split('\n'), before);
    }

    void closing_data()
    {
        QTest::addColumn<int>("answer"); // to the "No Selection" question, 0 when it is not asked
        QTest::addColumn<bool>("closes");
        QTest::newRow("a marked category") << 0 << true;
        QTest::newRow("none marked, Yes") << int(QMessageBox::Yes) << true;
        QTest::newRow("none marked, No") << int(QMessageBox::No) << false;
    }

    void closing()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);

        openManager(answer ? QByteArray(Library).replace("1=1Holidays", "1=0Holidays") : Library);
        QSignalSpy spy(m_manager.get(), &frmMessageSetup::closeRequested);
        Dialogs::queueAnswer(answer);
        child("cmdExit")->click();
        QCOMPARE(spy.count(), closes ? 1 : 0);
        const QList<Dialogs::Shown> shown = Dialogs::takeShown();
        QCOMPARE(shown.size(), answer ? 1 : 0);
        QVERIFY(!answer || shown.first().title == QStringLiteral("No Selection"));
    }

    void failedWrite_data()
    {
        QTest::addColumn<bool>("folder"); // the file replaced by a folder rather than deleted
        QTest::addColumn<QString>("action");
        for (bool folder : {true, false}) {
            for (const char *action :
                {"mark", "add category", "add message", "edit", "delete message", "delete category"})
                QTest::addRow("%s, %s", folder ? "file replaced by a folder" : "file deleted", action)
                    << folder << action;
        }
    }

    void failedWrite()
    {
        QFETCH(bool, folder);
        QFETCH(QString, action);

        openManager();
        clickRow(messages(), 1);
        QVERIFY(QFile::remove(dataFile()));
        QVERIFY(!folder || QDir().mkdir(dataFile()));
        if (action == QStringLiteral("mark")) {
            QTest::keyRelease(messages(), Qt::Key_Space);
        } else if (action == QStringLiteral("add category")) {
            QVERIFY(!m_manager->AddCategory(QStringLiteral("Sports")));
        } else if (action == QStringLiteral("add message")) {
            QVERIFY(!m_manager->AddMessage(QStringLiteral("New")));
        } else {
            Dialogs::queueAnswer(action == QStringLiteral("edit") ? QVariant(QStringLiteral("Changed"))
                                                                  : QVariant(int(QMessageBox::Yes)));
            child(action == QStringLiteral("edit")               ? "cmdEditSubliminal"
                    : action == QStringLiteral("delete message") ? "cmdDeleteMessage"
                                                                 : "cmdDeleteCategory")
                ->click();
        }

        QList<Dialogs::Shown> shown = Dialogs::takeShown();
        if (!shown.isEmpty() && shown.first().kind != Dialogs::Kind::Message)
            shown.removeFirst(); // the input or the confirmation
        QCOMPARE(shown.size(), 1);
        QVERIFY2(
            shown.first().text.startsWith(QStringLiteral("The change could not be saved to ") + dataFile()),
            qPrintable(shown.first().text));
        // Nothing was written, and the lists show what the file holds: nothing.
        QCOMPARE(QFileInfo::exists(dataFile()), folder);
        QCOMPARE(QFileInfo(dataFile()).isDir(), folder);
        QCOMPARE(categories()->count(), 0);
        verifyListsMatchFile();
    }

    void hundredthMessageIsTheLast()
    {
        QByteArray library = "[Categories]\n1=1Full\n\n[Full]\n";
        for (int i = 1; i <= 99; ++i)
            library += QByteArray::number(i) + "=1M" + QByteArray::number(i) + '\n';
        openManager(library);
        QVERIFY(m_manager->AddMessage(QStringLiteral("M100")));
        QVERIFY(!m_manager->AddMessage(QStringLiteral("M101")));
        QCOMPARE(values(QStringLiteral("Full"), 101).mid(98), QStringList({"1M99", "1M100", ""}));
        // The button refuses before the dialog asks for a kind.
        child("cmdAddMessage")->click();
        const QList<Dialogs::Shown> shown = Dialogs::takeShown();
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown.last().text.contains(QStringLiteral("100 messages")));
    }

    // The file dialog the import and the picture and text file messages use.
    void openDialog_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qtFilter"); // as the dialog is given it
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("refused"); // with a message naming the limit

        const QString text = QStringLiteral("Text Files (*.txt)|*.txt|");
        const QString qtText = QStringLiteral("Text Files (*.txt)");
        const QString longest = QLatin1Char('/') + QString(253, QLatin1Char('p'));
        QTest::newRow("pattern named twice, trailing bar; trimmed")
            << text << qtText << QVariant(QStringLiteral("  /tmp/a b.txt ")) << "/tmp/a b.txt" << false;
        QTest::newRow("several patterns; cancelled")
            << "All picture files|*.bmp;*.gif|*.gif|*.gif"
            << "All picture files (*.bmp *.gif);;*.gif (*.gif)" << QVariant() << "" << false;
        QTest::newRow("254 characters") << text << qtText << QVariant(longest) << longest << false;
        QTest::newRow("255 characters")
            << text << qtText << QVariant(longest + QLatin1Char('p')) << "" << true;
    }

    void openDialog()
    {
        QFETCH(QString, filter);
        QFETCH(QString, qtFilter);
        QFETCH(QVariant, answer);
        QFETCH(QString, expected);
        QFETCH(bool, refused);

        Dialogs::queueAnswer(answer);
        QCOMPARE(FileDialogs::ShowOpenDialog(nullptr, filter, QStringLiteral("Select"), QString()), expected);
        const QList<Dialogs::Shown> shown = Dialogs::takeShown();
        QCOMPARE(shown.size(), refused ? 2 : 1);
        QCOMPARE(shown.first().kind, Dialogs::Kind::OpenFile);
        QCOMPARE(shown.first().defaultText, qtFilter);
        if (refused)
            QVERIFY(shown.last().text.contains(QStringLiteral("254 characters")));
    }
};

QTEST_MAIN(tst_MessageManager)
#include "tst_messagemanager.moc"
