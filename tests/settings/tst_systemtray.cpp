#include "IniProcedures.h"
#include "SettingsTestSupport.h"
#include "Twips.h"
#include "frmSystemTray.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>

using namespace SettingsTestSupport;

namespace {

using Keys = QMap<QString, QString>;

const QStringList QuickStopKeys {"HaltPad", "HaltPadIconOnly", "HaltPadOff", "HaltPadOn", "HaltPadIcons"};

template <typename T> T *child(const QWidget *form, const QString &name)
{
    return form->findChild<T *>(name);
}

QRadioButton *taskbarOption(const QWidget *form, int i)
{
    return child<QRadioButton>(form, QStringLiteral("optTaskbar_%1").arg(i));
}
QRadioButton *iconOption(const QWidget *form, int i)
{
    return child<QRadioButton>(form, QStringLiteral("optWhichIcons_%1").arg(i));
}
QLabel *picture(const QWidget *form, int i)
{
    return child<QLabel>(form, QStringLiteral("imgSystemTray_%1").arg(i));
}
QLineEdit *nameBox(const QWidget *form, int i)
{
    return child<QLineEdit>(form, QStringLiteral("txtQuickName_%1").arg(i));
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
    void loadAndSave_data();
    void loadAndSave();
    void pictureChoosesItsPair_data();
    void pictureChoosesItsPair();
    void picturesPainted();
    void leavingWithoutSaving_data();
    void leavingWithoutSaving();
    void accessKeysOverTheFrame_data();
    void accessKeysOverTheFrame();
    void clearedNameShowsDefaultAgain();

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

void tst_SystemTray::loadAndSave_data()
{
    QTest::addColumn<Keys>("stored"); // keys not named are never written
    QTest::addColumn<int>("display"); // the optTaskbar chosen
    QTest::addColumn<int>("icons"); // the optWhichIcons chosen, -1 for none
    QTest::addColumn<QString>("iconsTag");
    QTest::addColumn<QString>("offName");
    QTest::addColumn<QString>("onName");
    QTest::addColumn<Keys>("saved"); // the five keys after "&Save and close"

    const auto saved = [](const QString &haltPad, const QString &iconOnly, const QString &off,
                           const QString &on, const QString &icons) {
        return Keys {{"HaltPad", haltPad}, {"HaltPadIconOnly", iconOnly}, {"HaltPadOff", off},
            {"HaltPadOn", on}, {"HaltPadIcons", icons}};
    };
    const QString off = QStringLiteral("MRNOFF");
    const QString on = QStringLiteral("MRNON");
    const QString longOff = tenKilobytes(QLatin1Char('f'));
    const QString longOn = tenKilobytes(QLatin1Char('n'));

    // clang-format off
    QTest::newRow("empty store: tray, pair 0, the design names")
        << Keys {} << 0 << 0 << "0" << off << on << saved("", "", off, on, "0");
    QTest::newRow("keys written empty count as never written")
        << Keys {{"HaltPad", ""}, {"HaltPadIconOnly", ""}, {"HaltPadOff", ""}, {"HaltPadOn", ""}, {"HaltPadIcons", ""}}
        << 0 << 0 << "0" << off << on << saved("", "", off, on, "0");
    QTest::newRow("task bar, pair 3, own names")
        << Keys {{"HaltPadIconOnly", "No"}, {"HaltPadIcons", "3"}, {"HaltPadOff", "home.doc"}, {"HaltPadOn", "work.doc"}}
        << 1 << 3 << "3" << "home.doc" << "work.doc" << saved("", "No", "home.doc", "work.doc", "3");
    QTest::newRow("any text in HaltPadIconOnly means the task bar")
        << Keys {{"HaltPadIconOnly", "Yes"}, {"HaltPadIcons", "5"}} << 1 << 5 << "5" << off << on
        << saved("", "No", off, on, "5");
    QTest::newRow("not shown")
        << Keys {{"HaltPad", "No"}} << 2 << 0 << "0" << off << on << saved("No", "", off, on, "0");
    QTest::newRow("any text in HaltPad wins over HaltPadIconOnly")
        << Keys {{"HaltPad", "yes please"}, {"HaltPadIconOnly", "No"}} << 2 << 0 << "0" << off << on
        << saved("No", "", off, on, "0");
    QTest::newRow("names kept as stored, blanks and all")
        << Keys {{"HaltPadOff", "  a b\t"}, {"HaltPadOn", "\u00C9t\u00E9 \u2603"}} << 0 << 0 << "0"
        << "  a b\t" << "\u00C9t\u00E9 \u2603" << saved("", "", "  a b\t", "\u00C9t\u00E9 \u2603", "0");
    QTest::newRow("a fraction chooses the nearest pair")
        << Keys {{"HaltPadIcons", "4.6"}} << 0 << 5 << "5" << off << on << saved("", "", off, on, "5");
    QTest::newRow("a half goes to the even pair")
        << Keys {{"HaltPadIcons", "2.5"}} << 0 << 2 << "2" << off << on << saved("", "", off, on, "2");
    QTest::newRow("a small negative rounds to pair 0")
        << Keys {{"HaltPadIcons", "-0.4"}} << 0 << 0 << "0" << off << on << saved("", "", off, on, "0");
    QTest::newRow("digits before letters")
        << Keys {{"HaltPadIcons", " 4 pairs"}} << 0 << 4 << "4" << off << on << saved("", "", off, on, "4");
    QTest::newRow("text without a number is pair 0")
        << Keys {{"HaltPadIcons", "second"}} << 0 << 0 << "0" << off << on << saved("", "", off, on, "0");
    QTest::newRow("beyond the pairs: none chosen, number kept")
        << Keys {{"HaltPadIcons", "6"}} << 0 << -1 << "6" << off << on << saved("", "", off, on, "6");
    QTest::newRow("negative: none chosen, number kept")
        << Keys {{"HaltPadIcons", "-1"}} << 0 << -1 << "-1" << off << on << saved("", "", off, on, "-1");
    QTest::newRow("a fraction beyond the pairs is kept as it is")
        << Keys {{"HaltPadIcons", "5.7"}} << 0 << -1 << "5.7" << off << on << saved("", "", off, on, "5.7");
    QTest::newRow("huge: none chosen, written as plain digits")
        << Keys {{"HaltPadIcons", "1e20"}} << 0 << -1 << "100000000000000000000" << off << on
        << saved("", "", off, on, "100000000000000000000");
    QTest::newRow("10 KB everywhere")
        << Keys {{"HaltPad", longOff}, {"HaltPadIconOnly", longOn}, {"HaltPadOff", longOff}, {"HaltPadOn", longOn},
                 {"HaltPadIcons", QString(10 * 1024, QLatin1Char('9'))}}
        << 2 << 0 << "0" << longOff.left(MaxIniValueLength) << longOn.left(MaxIniValueLength)
        << saved("No", "", longOff.left(MaxIniValueLength), longOn.left(MaxIniValueLength), "0");
    // clang-format on
}

void tst_SystemTray::loadAndSave()
{
    QFETCH(Keys, stored);
    QFETCH(int, display);
    QFETCH(int, icons);
    QFETCH(QString, iconsTag);
    QFETCH(QString, offName);
    QFETCH(QString, onName);
    QFETCH(Keys, saved);

    Keys others {{"Duration", "4"}, {"FontName", "DejaVu Sans"}, {"Other", tenKilobytes(QLatin1Char('o'))}};
    storeSettings(others);
    storeSettings(stored);
    const QByteArray before = settingsState();

    auto form = openForm();
    QVERIFY(form);
    QCOMPARE(settingsState(), before); // opening only reads
    QCOMPARE(checkedOption(form.get(), "optTaskbar", 3), display);
    QCOMPARE(checkedOption(form.get(), "optWhichIcons", 6), icons);
    QCOMPARE(form->taskbarTag(), QString::number(display));
    QCOMPARE(form->iconsTag(), iconsTag);
    QCOMPARE(nameBox(form.get(), 0)->text(), offName);
    QCOMPARE(nameBox(form.get(), 1)->text(), onName);

    clickMiddle(child<QPushButton>(form.get(), "cmdExit"));
    QVERIFY(!form->isVisible());
    QCOMPARE(form->result(), int(QDialog::Accepted));
    Keys after = storedKeys();
    for (const QString &key : QuickStopKeys)
        QCOMPARE(after.take(key), saved.value(key));
    for (const QString &key : stored.keys()) // a Quick Stop key stored before was written over, not added
        others.remove(key);
    QCOMPARE(after, others);
}

void tst_SystemTray::pictureChoosesItsPair_data()
{
    QTest::addColumn<int>("picture");
    QTest::addColumn<int>("pair");
    for (int i = 1; i <= frmSystemTray::PictureCount; ++i)
        QTest::addRow("picture %d (%s of pair %d)", i, i % 2 ? "On" : "Off", (i - 1) / 2) << i << (i - 1) / 2;
}

void tst_SystemTray::pictureChoosesItsPair()
{
    QFETCH(int, picture);
    QFETCH(int, pair);

    storeSettings({{"HaltPadIcons", "9"}}); // nothing chosen at first
    auto form = openForm();
    QVERIFY(form);
    QCOMPARE(checkedOption(form.get(), "optWhichIcons", 6), -1);
    QLabel *image = ::picture(form.get(), picture);
    QVERIFY(image);
    // What the user sees: the picture under the mouse is this one, beside its option.
    QRadioButton *option = iconOption(form.get(), pair);
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
    QCOMPARE(form->iconsTag(), QString::number(pair));

    clickMiddle(child<QPushButton>(form.get(), "cmdExit"));
    QCOMPARE(storedSetting("HaltPadIcons"), QString::number(pair));
}

void tst_SystemTray::picturesPainted()
{
    auto form = openForm();
    QVERIFY(form);
    const QImage shot = form->grab().toImage();
    QSet<QRgb> seen[frmSystemTray::PictureCount + 1];
    QRect rects[frmSystemTray::PictureCount + 1];
    for (int i = 1; i <= frmSystemTray::PictureCount; ++i) {
        QLabel *image = picture(form.get(), i);
        const QRect rect(image->mapTo(form.get(), QPoint(0, 0)) * shot.devicePixelRatio(),
            image->size() * shot.devicePixelRatio());
        rects[i] = rect;
        QCOMPARE(image->size(), Twips::toPixels(QSize(480, 480), form.get()));
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                seen[i].insert(shot.pixel(x, y));
        QVERIFY2(seen[i].size() > 3, qPrintable(QStringLiteral("picture %1 is blank").arg(i)));
    }
    // Each picture shows its own icon: no two are the same.
    for (int i = 1; i <= frmSystemTray::PictureCount; ++i)
        for (int j = i + 1; j <= frmSystemTray::PictureCount; ++j)
            QVERIFY2(shot.copy(rects[i]) != shot.copy(rects[j]),
                qPrintable(QStringLiteral("%1 = %2").arg(i).arg(j)));

    // Two rows of three pairs, On on the left; "On" in green and "Off" in red between the rows.
    for (int k = 0; k < 6; ++k) {
        const QRect onRect = picture(form.get(), 2 * k + 1)->geometry();
        const QRect offRect = picture(form.get(), 2 * k + 2)->geometry();
        QVERIFY(onRect.right() < offRect.left());
        QCOMPARE(onRect.top(), offRect.top());
        if (k % 3)
            QVERIFY(picture(form.get(), 2 * k - 0)->geometry().right() < onRect.left());
        if (k < 3)
            QVERIFY(offRect.bottom() < picture(form.get(), 2 * (k + 3) + 2)->geometry().top());
    }
    for (int column = 0; column < 3; ++column) {
        auto *on = child<QLabel>(form.get(), QStringLiteral("lblOn_%1").arg(column));
        auto *off = child<QLabel>(form.get(), QStringLiteral("lblOff_%1").arg(column));
        QCOMPARE(on->text(), QStringLiteral("On"));
        QCOMPARE(off->text(), QStringLiteral("Off"));
        const QColor onColour = on->palette().color(QPalette::WindowText);
        const QColor offColour = off->palette().color(QPalette::WindowText);
        QVERIFY(onColour.green() > 2 * qMax(onColour.red(), onColour.blue()));
        QVERIFY(offColour.red() > 2 * qMax(offColour.green(), offColour.blue()));
        const QRect upperOn = picture(form.get(), 2 * column + 1)->geometry();
        const QRect lowerOn = picture(form.get(), 2 * (column + 3) + 1)->geometry();
        QVERIFY(on->geometry().top() >= upperOn.bottom() && on->geometry().bottom() <= lowerOn.top());
        QCOMPARE(on->geometry().center().x(), upperOn.center().x());
        QCOMPARE(off->geometry().center().x(), picture(form.get(), 2 * column + 2)->geometry().center().x());
    }
}

void tst_SystemTray::leavingWithoutSaving_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("C&lose clicked") << "click";
    QTest::newRow("Alt+L") << "alt";
    QTest::newRow("Escape") << "escape";
}

void tst_SystemTray::leavingWithoutSaving()
{
    QFETCH(QString, how);

    storeSettings({{"HaltPadIcons", "2"}, {"HaltPadOn", "x"}});
    const QByteArray before = settingsState();
    auto form = openForm();
    QVERIFY(form);
    clickMiddle(taskbarOption(form.get(), 2));
    clickMiddle(picture(form.get(), 7));
    QLineEdit *box = nameBox(form.get(), 1);
    clickMiddle(box);
    QTest::keyClicks(box, "changed");
    QCOMPARE(checkedOption(form.get(), "optTaskbar", 3), 2);
    QCOMPARE(checkedOption(form.get(), "optWhichIcons", 6), 3);

    auto *close = child<QPushButton>(form.get(), "cmdClose");
    QCOMPARE(close->text(), QStringLiteral("C&lose"));
    if (how == "click")
        clickMiddle(close);
    else if (how == "alt")
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::AltModifier);
    else
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!form->isVisible());
    QCOMPARE(form->result(), int(QDialog::Rejected));
    QCOMPARE(settingsState(), before);
}

void tst_SystemTray::accessKeysOverTheFrame_data()
{
    QTest::addColumn<QString>("winMax");
    QTest::newRow("frame maximised") << "";
    QTest::newRow("frame normal") << "No";
}

void tst_SystemTray::accessKeysOverTheFrame()
{
    QFETCH(QString, winMax);

    // The frame's main window has "&Start Messages" on Alt+S as well.
    storeSettings({{"WinMax", winMax}, {"UsedBefore", "Yes"}, {"HaltPadIcons", "1"}});
    auto frame = loadFrame();
    QVERIFY(frame);
    const QString onBefore = storedSetting("On");
    auto form = openForm(frame.get());
    QVERIFY(form);
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    const QRect outer = frame->frameGeometry();
    const QRect own = form->frameGeometry();
    QVERIFY2(
        qAbs(own.center().x() - outer.center().x()) <= 1 && qAbs(own.center().y() - outer.center().y()) <= 1,
        qPrintable(QStringLiteral("form %1,%2 %3x%4 over frame %5,%6 %7x%8")
                       .arg(own.x())
                       .arg(own.y())
                       .arg(own.width())
                       .arg(own.height())
                       .arg(outer.x())
                       .arg(outer.y())
                       .arg(outer.width())
                       .arg(outer.height())));

    // The options answer the arrow keys as they answer clicks.
    taskbarOption(form.get(), 0)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(checkedOption(form.get(), "optTaskbar", 3), 1);
    QCOMPARE(form->taskbarTag(), QStringLiteral("1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(!form->isVisible());
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QCOMPARE(storedSetting("HaltPadIconOnly"), QStringLiteral("No"));
    QCOMPARE(storedSetting("HaltPadIcons"), QStringLiteral("1"));
    QCOMPARE(storedSetting("On"), onBefore); // the Messenger was not started
    QCOMPARE(frame->findChild<QPushButton *>("cmdHide")->text(), QStringLiteral("&Start Messages"));
}

void tst_SystemTray::clearedNameShowsDefaultAgain()
{
    storeSettings({{"HaltPadOn", "work.doc"}, {"HaltPadOff", "home.doc"}});
    auto form = openForm();
    QVERIFY(form);
    QLineEdit *box = nameBox(form.get(), 1);
    clickMiddle(box);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    clickMiddle(child<QPushButton>(form.get(), "cmdExit"));
    QVERIFY(isStored("HaltPadOn"));
    QCOMPARE(storedSetting("HaltPadOn"), QString());
    QCOMPARE(storedSetting("HaltPadOff"), QStringLiteral("home.doc"));

    form = openForm();
    QVERIFY(form);
    QCOMPARE(nameBox(form.get(), 1)->text(), QStringLiteral("MRNON"));
    QCOMPARE(nameBox(form.get(), 0)->text(), QStringLiteral("home.doc"));
}

QTEST_MAIN(tst_SystemTray)
#include "tst_systemtray.moc"
