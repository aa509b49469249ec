#include "IniProcedures.h"
#include "SettingsTestSupport.h"
#include "frmSystemTray.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSet>

using namespace SettingsTestSupport;

namespace {

using Keys = QMap<QString, QString>;

const QStringList QuickStopKeys {"HaltPad", "HaltPadIconOnly", "HaltPadOff", "HaltPadOn", "HaltPadIcons"};

template <typename T> T *child(const QWidget *form, const QString &name)
{
    return form->findChild<T *>(name);
}

// One of an array of controls: prefix "optTaskbar", "optWhichIcons", "imgSystemTray" or "txtQuickName".
template <typename T> T *nth(const QWidget *form, const char *prefix, int i)
{
    return child<T>(form, QLatin1String(prefix) + QStringLiteral("_%1").arg(i));
}

// The index of the checked option of an array, -1 when none is.
int checkedOption(const QWidget *form, const QString &array, int count)
{
    int found = -1;
    for (int i = 0; i < count; ++i) {
        if (child<QRadioButton>(form, array + QStringLiteral("_%1").arg(i))->isChecked())
            found = found == -1 ? i : -2;
    }
    return found;
}

void clickMiddle(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

QString tenKilobytes(QChar letter)
{
    QString text(10 * 1024, letter);
    text[0] = QLatin1Char('<');
    return text;
}

} // namespace

class tst_SystemTray : public QObject, SettingsFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(setUp()); }
    void cleanup() { m_env.reset(); }
    void loadAndSave_data()
    {
        QTest::addColumn<Keys>("stored"); // keys not named are never written
        QTest::addColumn<int>("display"); // the optTaskbar chosen
        QTest::addColumn<int>("icons"); // the optWhichIcons chosen, -1 for none
        QTest::addColumn<QString>("iconsTag"); // also what "&Save and close" writes
        QTest::addColumn<QString>("offName"); // the names shown are the names written
        QTest::addColumn<QString>("onName");

        const QString off = QStringLiteral("MRNOFF");
        const QString on = QStringLiteral("MRNON");
        const QString longOff = tenKilobytes(QLatin1Char('f'));
        const QString longOn = tenKilobytes(QLatin1Char('n'));

        // clang-format off
        QTest::newRow("empty store: tray, pair 0, the design names") << Keys {} << 0 << 0 << "0" << off << on;
        QTest::newRow("keys written empty count as never written")
            << Keys {{"HaltPad", ""}, {"HaltPadIconOnly", ""}, {"HaltPadOff", ""}, {"HaltPadOn", ""}, {"HaltPadIcons", ""}}
            << 0 << 0 << "0" << off << on;
        QTest::newRow("task bar, pair 3, own names")
            << Keys {{"HaltPadIconOnly", "No"}, {"HaltPadIcons", "3"}, {"HaltPadOff", "home.doc"}, {"HaltPadOn", "work.doc"}}
            << 1 << 3 << "3" << "home.doc" << "work.doc";
        QTest::newRow("any text in HaltPadIconOnly means the task bar")
            << Keys {{"HaltPadIconOnly", "Yes"}, {"HaltPadIcons", "5"}} << 1 << 5 << "5" << off << on;
        QTest::newRow("any text in HaltPad means not shown, over HaltPadIconOnly")
            << Keys {{"HaltPad", "yes please"}, {"HaltPadIconOnly", "No"}} << 2 << 0 << "0" << off << on;
        QTest::newRow("names kept as stored, blanks and all")
            << Keys {{"HaltPadOff", "  a b\t"}, {"HaltPadOn", "\u00C9t\u00E9 \u2603"}} << 0 << 0 << "0"
            << "  a b\t" << "\u00C9t\u00E9 \u2603";
        QTest::newRow("a fraction chooses the nearest pair") << Keys {{"HaltPadIcons", "4.6"}} << 0 << 5 << "5" << off << on;
        QTest::newRow("beyond the pairs: none chosen, number kept") << Keys {{"HaltPadIcons", "6"}} << 0 << -1 << "6" << off << on;
        QTest::newRow("a fraction beyond the pairs is kept as it is")
            << Keys {{"HaltPadIcons", "5.7"}} << 0 << -1 << "5.7" << off << on;
        QTest::newRow("huge: none chosen, written as plain digits")
            << Keys {{"HaltPadIcons", "1e20"}} << 0 << -1 << "100000000000000000000" << off << on;
        QTest::newRow("10 KB everywhere")
            << Keys {{"HaltPad", longOff}, {"HaltPadIconOnly", longOn}, {"HaltPadOff", longOff}, {"HaltPadOn", longOn},
                     {"HaltPadIcons", QString(10 * 1024, QLatin1Char('9'))}}
            << 2 << 0 << "0" << longOff.left(MaxIniValueLength) << longOn.left(MaxIniValueLength);
        // clang-format on
    }
    void loadAndSave()
    {
        QFETCH(Keys, stored);
        QFETCH(int, display);
        QFETCH(int, icons);
        QFETCH(QString, iconsTag);
        QFETCH(QString, offName);
        QFETCH(QString, onName);

        Keys others {
            {"Duration", "4"}, {"FontName", "DejaVu Sans"}, {"Other", tenKilobytes(QLatin1Char('o'))}};
        storeSettings(others);
        storeSettings(stored);
        const QByteArray before = settingsState();

        auto form = openForm();
        QVERIFY(form);
        QCOMPARE(settingsState(), before); // opening only reads
        QCOMPARE(checkedOption(form.get(), "optTaskbar", 3), display);
        QCOMPARE(checkedOption(form.get(), "optWhichIcons", 6), icons);
        QCOMPARE(nth<QLineEdit>(form.get(), "txtQuickName", 0)->text(), offName);
        QCOMPARE(nth<QLineEdit>(form.get(), "txtQuickName", 1)->text(), onName);

        clickMiddle(child<QPushButton>(form.get(), "cmdExit"));
        QVERIFY(!form->isVisible());
        QCOMPARE(form->result(), int(QDialog::Accepted));
        // Tray: neither flag; task bar: HaltPadIconOnly "No"; not shown: HaltPad "No".
        const Keys saved {{"HaltPad", display == 2 ? "No" : ""},
            {"HaltPadIconOnly", display == 1 ? "No" : ""}, {"HaltPadOff", offName}, {"HaltPadOn", onName},
            {"HaltPadIcons", iconsTag}};
        Keys after = storedKeys();
        for (const QString &key : QuickStopKeys)
            QCOMPARE(after.take(key), saved.value(key));
        for (const QString &key : stored.keys()) // a Quick Stop key stored before was written over, not added
            others.remove(key);
        QCOMPARE(after, others);
    }
    void pictureChoosesItsPair_data()
    {
        QTest::addColumn<int>("picture");
        QTest::addColumn<int>("pair");
        QTest::newRow("picture 1, On of the first pair") << 1 << 0;
        QTest::newRow("picture 8, Off of pair 3") << 8 << 3;
        QTest::newRow("picture 12, Off of the last pair") << 12 << 5;
    }
    void pictureChoosesItsPair()
    {
        QFETCH(int, picture);
        QFETCH(int, pair);

        storeSettings({{"HaltPadIcons", "9"}}); // nothing chosen at first
        auto form = openForm();
        QVERIFY(form);
        QCOMPARE(checkedOption(form.get(), "optWhichIcons", 6), -1);
        QLabel *image = nth<QLabel>(form.get(), "imgSystemTray", picture);
        QVERIFY(image);
        // What the user sees: the picture under the mouse is this one, beside its option.
        QRadioButton *option = nth<QRadioButton>(form.get(), "optWhichIcons", pair);
        QWidget *frame = child<QGroupBox>(form.get(), "fmeIcons");
        QCOMPARE(frame->childAt(image->geometry().center()), image);
        QCOMPARE(option->parentWidget(), frame);
        QVERIFY(qAbs(option->geometry().center().y() - image->geometry().center().y()) <= 2);
        QVERIFY(option->geometry().right() < image->geometry().left());
        QVERIFY(image->geometry().left() - option->geometry().right() < image->width() * 3);

        QTest::mouseClick(image, Qt::RightButton, Qt::NoModifier, image->rect().center());
        QCOMPARE(checkedOption(form.get(), "optWhichIcons", 6), -1);
        QTest::mouseClick(image, Qt::LeftButton, Qt::NoModifier, image->rect().center());
        QCOMPARE(checkedOption(form.get(), "optWhichIcons", 6), pair);

        clickMiddle(child<QPushButton>(form.get(), "cmdExit"));
        QCOMPARE(storedSetting("HaltPadIcons"), QString::number(pair));
    }
    void picturesPainted()
    {
        auto form = openForm();
        QVERIFY(form);
        const QImage shot = form->grab().toImage();
        QList<QImage> shown;
        for (int i = 1; i <= frmSystemTray::PictureCount; ++i) {
            QLabel *image = nth<QLabel>(form.get(), "imgSystemTray", i);
            const QImage painted
                = shot.copy(QRect(image->mapTo(form.get(), QPoint(0, 0)) * shot.devicePixelRatio(),
                    image->size() * shot.devicePixelRatio()));
            QSet<QRgb> seen;
            for (int y = 0; y < painted.height(); ++y)
                for (int x = 0; x < painted.width(); ++x)
                    seen.insert(painted.pixel(x, y));
            QVERIFY2(seen.size() > 3, qPrintable(QStringLiteral("picture %1 is blank").arg(i)));
            // Each picture shows its own icon: no two are the same.
            for (int j = 0; j < shown.size(); ++j)
                QVERIFY2(painted != shown.at(j), qPrintable(QStringLiteral("%1 = %2").arg(i).arg(j + 1)));
            shown << painted;
        }
    }
    void leaving_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("saved");
        QTest::newRow("C&lose clicked") << "click" << false;
        QTest::newRow("Alt+L") << "alt+l" << false;
        QTest::newRow("Escape") << "escape" << false;
        // The frame's main window has "&Start Messages" on Alt+S as well.
        QTest::newRow("Alt+S saves, over the frame's Start Messages") << "alt+s" << true;
    }
    void leaving()
    {
        QFETCH(QString, how);
        QFETCH(bool, saved);

        // A normal frame, off the middle of the screen: the form centres on the frame, not on the screen.
        storeSettings({{"WinMax", "No"}, {"WinTop", "1200"}, {"WinLeft", "600"}, {"UsedBefore", "Yes"},
            {"HaltPadIcons", "2"}, {"HaltPadOn", "x"}});
        auto frame = loadFrame();
        QVERIFY(frame);
        QVERIFY(frame->frameGeometry().center() != frame->screen()->availableGeometry().center());
        const QByteArray before = settingsState();
        const QString onBefore = storedSetting("On");
        auto form = openForm(frame.get());
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        const QPoint offCentre = form->frameGeometry().center() - frame->frameGeometry().center();
        QVERIFY2(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1,
            qPrintable(QStringLiteral("form off the frame's centre by %1,%2")
                           .arg(offCentre.x())
                           .arg(offCentre.y())));

        // The options answer the arrow keys as they answer clicks.
        nth<QRadioButton>(form.get(), "optTaskbar", 0)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(checkedOption(form.get(), "optTaskbar", 3), 1);
        clickMiddle(nth<QLabel>(form.get(), "imgSystemTray", 7));
        QCOMPARE(checkedOption(form.get(), "optWhichIcons", 6), 3);
        QLineEdit *box = nth<QLineEdit>(form.get(), "txtQuickName", 1);
        clickMiddle(box);
        QTest::keyClicks(box, "changed");

        if (how == "click")
            clickMiddle(child<QPushButton>(form.get(), "cmdClose"));
        else if (how == "escape")
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        else
            QTest::keyClick(
                QApplication::focusWidget(), how == "alt+l" ? Qt::Key_L : Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(!form->isVisible());
        QCOMPARE(form->result(), int(saved ? QDialog::Accepted : QDialog::Rejected));
        if (!saved) {
            QCOMPARE(settingsState(), before);
            return;
        }
        QCOMPARE(storedSetting("HaltPadIconOnly"), QStringLiteral("No"));
        QCOMPARE(storedSetting("HaltPadIcons"), QStringLiteral("3"));
        QCOMPARE(storedSetting("HaltPadOn"), box->text());
        QCOMPARE(storedSetting("On"), onBefore); // the Messenger was not started
    }
    void clearedNameShowsDefaultAgain()
    {
        storeSettings({{"HaltPadOn", "work.doc"}, {"HaltPadOff", "home.doc"}});
        auto form = openForm();
        QVERIFY(form);
        QLineEdit *box = nth<QLineEdit>(form.get(), "txtQuickName", 1);
        clickMiddle(box);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
        clickMiddle(child<QPushButton>(form.get(), "cmdExit"));
        QVERIFY(isStored("HaltPadOn"));
        QCOMPARE(storedSetting("HaltPadOn"), QString());
        QCOMPARE(storedSetting("HaltPadOff"), QStringLiteral("home.doc"));
    }

private:
    std::unique_ptr<frmSystemTray> openForm(QWidget *frame = nullptr) const
    {
        auto form = std::make_unique<frmSystemTray>(frame, frame);
        form->open();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return nullptr;
        return form;
    }
    // Every key of the store with its value.
    Keys storedKeys() const
    {
        QSettings store(m_env->settingsFile(), QSettings::IniFormat);
        store.beginGroup(QStringLiteral("Settings"));
        Keys keys;
        for (const QString &key : store.childKeys())
            keys.insert(key, store.value(key).toString());
        return keys;
    }
};

QTEST_MAIN(tst_SystemTray)
#include "tst_systemtray.moc"
