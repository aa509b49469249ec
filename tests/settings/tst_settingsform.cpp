#include "SettingsTestSupport.h"
#include "StartupShortcuts.h"
#include "frmColour.h"
#include "frmMessageSetup.h"
#include "frmSettings.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

using namespace SettingsTestSupport;
using Settings = QMap<QString, QString>;

namespace {

const QStringList SavedKeys {"Duration", "Frequency", "TextColour", "BackColour", "BackColourTransparent",
    "TextColourRandom", "Position", "FontName", "FontNo", "FontSize", "FontSizeNo"};

QString stored(const QStringList &keys)
{
    QStringList values;
    for (const QString &key : keys)
        values << storedSetting(key);
    return values.join(QLatin1Char('|'));
}

} // namespace

class tst_SettingsForm : public QObject, SettingsFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(setUp()); }
    void cleanup() { m_env.reset(); }
    void storedValuesShown_data()
    {
        const QString sys = QStringLiteral("|-2147483640|-2147483643");
        const QString big(10 * 1024, QLatin1Char('x'));
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("nothing stored") << Settings {}
            << "2 milliseconds|20 seconds|0|0|10|transparent|fixed" + sys;
        QTest::newRow("every value") << Settings {{"Duration", "12"}, {"Frequency", "6"}, {"TextColour", "255"},
            {"BackColour", "65280"}, {"BackColourTransparent", "0"}, {"TextColourRandom", "1"}, {"Position", "3"},
            {"FontNo", "1"}, {"FontName", "No Such Face"}, {"FontSizeNo", "9"}}
            << "1 Second|60 seconds|3|1|48|opaque|random|255|65280";
        QTest::newRow("empty transparent flag with a background colour")
            << Settings {{"BackColour", "0"}, {"BackColourTransparent", ""}}
            << "2 milliseconds|20 seconds|0|0|10|opaque|fixed|-2147483640|0";
        QTest::newRow("numbers with letters after them") << Settings {{"Duration", "3ms"}, {"Frequency", " 2 s"},
            {"TextColourRandom", "2x"}, {"FontSizeNo", "4th"}}
            << "10 milliseconds|10 seconds|0|0|16|transparent|random" + sys;
        QTest::newRow("indexes outside the lists keep the selection")
            << Settings {{"Duration", "13"}, {"Frequency", "-1"}, {"Position", "4"}, {"FontNo", "100000"},
                {"FontSizeNo", "10"}} << "2 milliseconds|20 seconds|0|0|10|transparent|fixed" + sys;
        QTest::newRow("huge and negative numbers")
            << Settings {{"Duration", "99999999999999999999"}, {"Frequency", "-99999999999"},
                {"Position", "-2147483649"}, {"FontNo", "-32769"}, {"FontSizeNo", "1e300"},
                {"TextColour", "4294967296"}, {"BackColour", "-2147483649"}}
            << "2 milliseconds|20 seconds|0|0|10|opaque|fixed" + sys;
        QTest::newRow("a system colour index that names none") << Settings {{"TextColour", "-1"},
            {"BackColour", "-2147483647"}} << "2 milliseconds|20 seconds|0|0|10|opaque|fixed|-2147483640|-2147483647";
        QTest::newRow("text in numbers and colours") << Settings {{"Position", "top"}, {"TextColourRandom", "Yes"},
            {"FontNo", "Arial"}, {"FontSizeNo", "ten"}, {"TextColour", "red"}, {"BackColour", "1.5e3"},
            {"BackColourTransparent", "no"}} << "2 milliseconds|20 seconds|0|0|8|opaque|fixed" + sys;
        QTest::newRow("10 KB in every key") << Settings {{"Duration", big}, {"Frequency", big}, {"TextColour", big},
            {"BackColour", big}, {"BackColourTransparent", big}, {"TextColourRandom", big}, {"Position", big},
            {"FontName", big}, {"FontNo", big}, {"FontSize", big}, {"FontSizeNo", big}}
            << "1 millisecond|2 seconds|0|0|8|opaque|fixed" + sys;
        // clang-format on
    }
    void storedValuesShown()
    {
        QFETCH(Settings, settings);
        QFETCH(QString, expected);

        auto frame = openSettings(settings);
        QVERIFY(frame);
        QCOMPARE(shown(frame.get()), expected);
        // Reading, however bad the values, writes nothing.
        QCOMPARE(settingsState(), m_stateBeforeLoad);
        // A tick disables the button whose colour it makes unused.
        QCOMPARE(child<QPushButton>(frame.get(), "cmdBackgroundColour")->isEnabled(),
            !child<QCheckBox>(frame.get(), "chkTransparent")->isChecked());
        QCOMPARE(child<QPushButton>(frame.get(), "cmdColourText")->isEnabled(),
            !child<QCheckBox>(frame.get(), "chkRandomColour")->isChecked());
        // What the example shows follows the lists.
        const QFont font = child<QLineEdit>(frame.get(), "txtExampleMessage")->font();
        QCOMPARE(font.family(), child<QComboBox>(frame.get(), "lstFonts")->currentText());
        QCOMPARE(
            QString::number(font.pointSizeF()), child<QComboBox>(frame.get(), "lstFontSize")->currentText());
    }
    // Saving writes the eleven values and no other key. (The X server road saves the defaults.)
    void userChoicesSaved()
    {
        auto frame = openSettings();
        QVERIFY(frame);
        const QStringList otherKeys {"WinMax", "UsedBefore", "On", "Time", "Version", "HaltPad"};
        const QString others = stored(otherKeys);
        // The design font first, then this machine's fonts in alphabetical order.
        auto *fonts = child<QComboBox>(frame.get(), "lstFonts");
        QVERIFY(fonts->count() > 2);
        QCOMPARE(fonts->itemText(0), QStringLiteral("MS Sans Serif"));
        for (int i = 2; i < fonts->count(); ++i)
            QVERIFY2(fonts->itemText(i - 1).compare(fonts->itemText(i), Qt::CaseInsensitive) <= 0,
                qPrintable(fonts->itemText(i)));
        pick(fonts, 2);
        pick(child<QComboBox>(frame.get(), "lstFontSize"), 8);
        pick(child<QComboBox>(frame.get(), "cboDuration"), 11);
        // The keyboard moves a closed list too.
        auto *frequency = child<QComboBox>(frame.get(), "cboFrequency");
        frequency->setFocus();
        QTest::keyClick(frequency, Qt::Key_Down);
        auto *transparent = child<QCheckBox>(frame.get(), "chkTransparent");
        click(transparent);
        QVERIFY(child<QPushButton>(frame.get(), "cmdBackgroundColour")->isEnabled());
        click(child<QCheckBox>(frame.get(), "chkRandomColour"));
        QVERIFY(!child<QPushButton>(frame.get(), "cmdColourText")->isEnabled());
        // The same option twice keeps it.
        auto *bottom = child<QRadioButton>(frame.get(), "optPosition_2");
        click(bottom);
        click(bottom);

        const QFont font = child<QLineEdit>(frame.get(), "txtExampleMessage")->font();
        QCOMPARE(font.family(), fonts->itemText(2));
        QCOMPARE(font.pointSizeF(), 36.0);
        click(child<QPushButton>(frame.get(), "cmdExit"));
        // With random colour ticked the example's colour is written all the same.
        QCOMPARE(stored(SavedKeys),
            QStringLiteral("11|4|-2147483640|-2147483643|0|1|2|%1|2|36|8").arg(fonts->itemText(2)));
        QCOMPARE(stored(otherKeys), others);
        QCOMPARE(Dialogs::takeShown().size(), 1);
    }
    void closeDiscardsWhatTheFileHolds()
    {
        auto frame = openSettings({{"Duration", "4"}});
        QVERIFY(frame);
        const QByteArray before = settingsState();
        pick(child<QComboBox>(frame.get(), "cboDuration"), 0);
        pick(child<QComboBox>(frame.get(), "cboFrequency"), 0);
        click(child<QPushButton>(frame.get(), "cmdClose"));
        QTRY_VERIFY(!frame->settingsSubWindow()->isVisible());
        QCOMPARE(settingsState(), before);
        QVERIFY(Dialogs::takeShown().isEmpty());

        click(frame->mainWindow()->findChild<QPushButton *>(QStringLiteral("cmdChangeSettings")));
        QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), frame->settingsSubWindow());
        // The stored duration comes back; the frequency, not stored, stays as the user left it.
        QCOMPARE(
            child<QComboBox>(frame.get(), "cboDuration")->currentText(), QStringLiteral("20 milliseconds"));
        QCOMPARE(child<QComboBox>(frame.get(), "cboFrequency")->currentText(), QStringLiteral("2 seconds"));
        click(child<QPushButton>(frame.get(), "cmdResetTiming"));
        QCOMPARE(
            child<QComboBox>(frame.get(), "cboDuration")->currentText(), QStringLiteral("2 milliseconds"));
        QCOMPARE(child<QComboBox>(frame.get(), "cboFrequency")->currentText(), QStringLiteral("20 seconds"));
    }
    void pickerCancelKeepsColour()
    {
        auto frame = openSettings({{"BackColour", "0"}});
        QVERIFY(frame);
        auto *background = child<QPushButton>(frame.get(), "cmdBackgroundColour");
        auto *text = child<QPushButton>(frame.get(), "cmdColourText");
        QVERIFY(background->isEnabled());

        // Clicks the named button of the picker that opener brings up.
        const auto pickWith = [](QPushButton *opener, const QString &answer) {
            whenPickerShows([answer](QWidget *picker) { click(picker->findChild<QPushButton *>(answer)); });
            click(opener);
        };
        pickWith(text, QStringLiteral("cmdColour_12"));
        QCOMPARE(frame->settingsForm()->textColour(), 255);
        pickWith(text, QStringLiteral("CancelButton"));
        QCOMPARE(frame->settingsForm()->textColour(), 255);
        pickWith(background, QStringLiteral("cmdColour_9"));
        QCOMPARE(frame->settingsForm()->backColour(), 16711680);
        const QPalette palette = child<QLineEdit>(frame.get(), "txtExampleMessage")->palette();
        QCOMPARE(palette.color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(palette.color(QPalette::Base), QColor(0, 0, 255));

        click(child<QPushButton>(frame.get(), "cmdExit"));
        QCOMPARE(storedSetting(QStringLiteral("TextColour")), QStringLiteral("255"));
        QCOMPARE(storedSetting(QStringLiteral("BackColour")), QStringLiteral("16711680"));
    }
    void startUpButtons_data()
    {
        using Program = StartupShortcuts::Program;
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("before"); // entries in the autostart folder; "!" makes it a file
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("message"); // empty: no message; "error": the failure's own message
        const QString settings
            = StartupShortcuts::shortcutName(Program::Settings) + QStringLiteral(".desktop");
        const QString messenger
            = StartupShortcuts::shortcutName(Program::Messenger) + QStringLiteral(".desktop");
        // clang-format off
        QTest::newRow("Settings, Yes, while the Messenger's entry exists") << 0 << int(QMessageBox::Yes)
            << QStringList {messenger} << QStringList {settings} << StartupShortcuts::addedMessage();
        QTest::newRow("Messages, Yes, while the Settings entry exists") << 1 << int(QMessageBox::Yes)
            << QStringList {settings} << QStringList {messenger} << StartupShortcuts::addedMessage();
        QTest::newRow("Messages, No, removes only its own") << 1 << int(QMessageBox::No)
            << QStringList {settings, messenger} << QStringList {settings} << StartupShortcuts::removedMessage();
        QTest::newRow("Cancel changes nothing") << 0 << int(QMessageBox::Cancel)
            << QStringList {messenger} << QStringList {messenger} << QString();
        QTest::newRow("Yes with the autostart folder a file") << 1 << int(QMessageBox::Yes)
            << QStringList {"!"} << QStringList {"!"} << "error";
        // clang-format on
    }
    void startUpButtons()
    {
        QFETCH(int, button);
        QFETCH(int, answer);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QString, message);

        const QString folder = StartupShortcuts::autostartFolder();
        QVERIFY(folder.startsWith(m_env->root()));
        auto listing = [&folder] {
            if (QFileInfo(folder).isFile())
                return QStringList {QStringLiteral("!")};
            return QDir(folder).entryList(QDir::Files, QDir::Name);
        };
        if (before.contains(QStringLiteral("!"))) {
            QVERIFY(TestEnvironment::writeFile(folder, "not a folder"));
        } else {
            QVERIFY(QDir().mkpath(folder));
            for (const QString &name : before)
                QVERIFY(TestEnvironment::writeFile(folder + QLatin1Char('/') + name, "[Desktop Entry]\n"));
        }

        auto frame = openSettings();
        QVERIFY(frame);
        const auto program = StartupShortcuts::Program(button);
        Dialogs::takeShown();
        Dialogs::queueAnswer(answer);
        click(child<QPushButton>(frame.get(), QByteArray("Command1_" + QByteArray::number(button))));

        QCOMPARE(listing(), after);
        const QList<Dialogs::Shown> boxes = Dialogs::takeShown();
        QCOMPARE(boxes.size(), message.isEmpty() ? 1 : 2);
        QCOMPARE(boxes.at(0).kind, Dialogs::Kind::Question);
        QCOMPARE(boxes.at(0).text, StartupShortcuts::question(program));
        if (message.isEmpty())
            return;
        if (message == QLatin1String("error")) {
            QVERIFY(boxes.at(1).text != StartupShortcuts::addedMessage());
            QVERIFY2(
                boxes.at(1).text.contains(QDir::toNativeSeparators(folder)), qPrintable(boxes.at(1).text));
        } else {
            QCOMPARE(boxes.at(1).text, message);
        }
    }
    void failedSaveIsNotReportedAsSaved()
    {
        auto frame = openSettings();
        QVERIFY(frame);
        // The store's folder replaced by a file: nothing can be written there.
        const QString storeFolder = QFileInfo(m_env->settingsFile()).absolutePath();
        QVERIFY(QDir(storeFolder).removeRecursively());
        QVERIFY(TestEnvironment::writeFile(storeFolder, "in the way"));

        click(child<QPushButton>(frame.get(), "cmdExit"));
        const QList<Dialogs::Shown> boxes = Dialogs::takeShown();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes.constFirst().text != frmSettings::savedMessage());
        QVERIFY2(boxes.constFirst().text.contains(QLatin1String("could not")),
            qPrintable(boxes.constFirst().text));
        QTest::qWait(20);
        QVERIFY(frame->settingsSubWindow()->isVisible());
    }
    void quickStopSetUpOpensModally()
    {
        auto frame = openSettings();
        QVERIFY(frame);
        QString shownName;
        whenPickerShows([&shownName](QWidget *dialog) {
            shownName = dialog->objectName();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        click(child<QPushButton>(frame.get(), "Command2"));
        QCOMPARE(shownName, QStringLiteral("frmSystemTray"));
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(frame->mdiArea()->activeSubWindow(), frame->settingsSubWindow());
    }
    // Filled at start-up while hidden, and again after an import, as every activation does.
    void filledWhileHidden()
    {
        storeSettings({{"WinMax", "No"}, {"UsedBefore", "Yes"}, {"Duration", "5"}});
        auto frame = loadFrame();
        QVERIFY(frame);
        QCOMPARE(
            child<QComboBox>(frame.get(), "cboDuration")->currentText(), QStringLiteral("30 milliseconds"));
        storeSettings({{"Duration", "6"}});
        Q_EMIT frame->categoryImported();
        QCOMPARE(
            child<QComboBox>(frame.get(), "cboDuration")->currentText(), QStringLiteral("40 milliseconds"));
    }
    void accessKeysActInTheChildInFront_data()
    {
        QTest::addColumn<QString>("front");
        QTest::newRow("settings form in front") << "settings";
        QTest::newRow("message manager in front") << "manager";
        QTest::newRow("Welcome screen in front") << "main";
    }
    void accessKeysActInTheChildInFront()
    {
        QFETCH(QString, front);

        writeCalmLibrary();
        // Every child open, the one named in front.
        auto frame = openSettings();
        QVERIFY(frame);
        frame->bringUpMessageManager();
        QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), frame->managerSubWindow());
        if (front == QLatin1String("settings"))
            frame->bringUpSettingsForm();
        else if (front == QLatin1String("main"))
            frame->bringUpMainWindow();
        QMdiSubWindow *inFront = front == QLatin1String("settings") ? frame->settingsSubWindow()
            : front == QLatin1String("manager")                     ? frame->managerSubWindow()
                                                                    : frame->mainSubWindow();
        QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), inFront);
        QTRY_VERIFY(inFront->isAncestorOf(QApplication::focusWidget()));
        Dialogs::takeShown();

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
        // An access key presses its button visibly: the click comes a moment later.
        QList<Dialogs::Shown> boxes;
        QTRY_VERIFY(!(boxes += Dialogs::takeShown()).isEmpty());
        QTest::qWait(300); // a click of a button behind it would have come by now
        boxes += Dialogs::takeShown();
        QCOMPARE(boxes.size(), 1);
        const bool startPressed = storedSetting(QStringLiteral("On")) == QLatin1String("No");
        QCOMPARE(startPressed, front == QLatin1String("main"));
        QCOMPARE(isStored(QStringLiteral("Duration")), front == QLatin1String("settings"));
        if (front == QLatin1String("settings")) {
            QCOMPARE(boxes.constFirst().text, frmSettings::savedMessage());
            QTRY_VERIFY(!frame->settingsSubWindow()->isVisible());
        } else if (front == QLatin1String("manager")) {
            // "Delete &subliminal" asks first; the question is answered Cancel.
            QCOMPARE(boxes.constFirst().kind, Dialogs::Kind::Question);
            QCOMPARE(frame->messageManager()->messageRows().size(), 1);
        }
    }

private:
    // The same, with the settings form brought up by its shortcut.
    std::unique_ptr<MDIForm1> openSettings(const Settings &settings = {})
    {
        auto frame = loadActiveFrame(settings);
        if (!frame)
            return nullptr;
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : frame.get(), Qt::Key_S, Qt::ControlModifier);
        if (!QTest::qWaitFor(
                [&] { return frame->mdiArea()->activeSubWindow() == frame->settingsSubWindow(); }))
            return nullptr;
        return frame;
    }
    template <typename T> static T *child(MDIForm1 *frame, const char *name)
    {
        return frame->settingsForm()->findChild<T *>(QLatin1String(name));
    }
    // A tick box or option takes clicks on its box and caption only, not on the rest of its width.
    static void click(QWidget *widget)
    {
        const bool boxed = qobject_cast<QCheckBox *>(widget) || qobject_cast<QRadioButton *>(widget);
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier,
            boxed ? QPoint(6, widget->height() / 2) : widget->rect().center());
    }
    // Opens the drop-down list and clicks the entry, as a user picks one.
    static void pick(QComboBox *list, int row)
    {
        click(list);
        QAbstractItemView *view = list->view();
        QTRY_VERIFY(view->isVisible());
        // The list ignores a release that comes within a double-click of its opening.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QModelIndex index = view->model()->index(row, 0);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(index).center());
        QTRY_VERIFY(!view->isVisible());
    }
    // What the form shows: the timing lists, the option, the font and size entries, the ticks and
    // the example's colour values.
    static QString shown(MDIForm1 *frame)
    {
        QString option;
        for (int i = 0; i < 4; ++i) {
            if (child<QRadioButton>(frame, QStringLiteral("optPosition_%1").arg(i).toLatin1())->isChecked())
                option += QString::number(i);
        }
        auto *fonts = child<QComboBox>(frame, "lstFonts");
        return QStringList {child<QComboBox>(frame, "cboDuration")->currentText(),
            child<QComboBox>(frame, "cboFrequency")->currentText(), option,
            QString::number(fonts->currentIndex()), child<QComboBox>(frame, "lstFontSize")->currentText(),
            child<QCheckBox>(frame, "chkTransparent")->isChecked() ? "transparent" : "opaque",
            child<QCheckBox>(frame, "chkRandomColour")->isChecked() ? "random" : "fixed",
            QString::number(frame->settingsForm()->textColour()),
            QString::number(frame->settingsForm()->backColour())}
            .join(QLatin1Char('|'));
    }
    // Runs answer on the modal dialog (colour picker, Quick Stop set-up) once it is up, while the form waits
    // on it.
    static void whenPickerShows(const std::function<void(QWidget *)> &answer)
    {
        QTimer::singleShot(0, qApp, [answer] {
            QWidget *picker = nullptr;
            if (QTest::qWaitFor([&] { return (picker = QApplication::activeModalWidget()) != nullptr; }))
                answer(picker);
        });
    }
};

QTEST_MAIN(tst_SettingsForm)
#include "tst_settingsform.moc"
