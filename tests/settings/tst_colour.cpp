#include "ColourSwatch.h"
#include "Twips.h"
#include "frmColour.h"

#include <QApplication>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QWindow>

namespace {

// The grid as the user sees it: the button under the middle of row r, column c.
QPushButton *buttonAt(frmColour &picker, int row, int column)
{
    const QPoint middle = Twips::toPixels(QPoint(240 + 600 * column + 250, 720 + 600 * row + 250), &picker);
    return qobject_cast<QPushButton *>(picker.childAt(middle));
}

void clickMiddle(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

} // namespace

class tst_Colour : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<QString>("how"); // "row,column" of the swatch clicked, "escape" or "close"
        QTest::addColumn<int>("before");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("after");

        // Rows against columns and the byte order of the stored value: navy and red tell each mix-up
        // apart.
        QTest::newRow("navy, top row") << "0,1" << -1 << true << 8388608;
        QTest::newRow("red, bottom row") << "3,0" << -1 << true << 255;
        QTest::newRow("white, bottom right") << "3,3" << -1 << true << 16777215;
        // Escape, as Cancel, says "no colour", which leaves the form's colour alone (the settings form
        // tests click Cancel); the window's close control keeps the value from before, which the form
        // applies.
        QTest::newRow("Escape") << "escape" << 255 << false << -1;
        QTest::newRow("close control after a colour") << "close" << 255 << false << 255;
        QTest::newRow("close control after a cancel") << "close" << -1 << false << -1;
    }
    void answers()
    {
        QFETCH(QString, how);
        QFETCH(int, before);
        QFETCH(bool, accepted);
        QFETCH(int, after);

        frmColour picker(before);
        picker.open();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        if (how == QLatin1String("escape")) {
            QTest::keyClick(&picker, Qt::Key_Escape);
        } else if (how == QLatin1String("close")) {
            QVERIFY(picker.windowHandle());
            picker.windowHandle()->close();
        } else {
            QPushButton *button
                = buttonAt(picker, how.section(u',', 0, 0).toInt(), how.section(u',', 1).toInt());
            QVERIFY(button);
            clickMiddle(button);
        }
        QVERIFY(!picker.isVisible());
        QCOMPARE(picker.result(), int(accepted ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(picker.chosenColour(), after);
    }
    void swatchesPaintedInEveryStyle_data()
    {
        QTest::addColumn<QString>("styleName");
        for (const QString &name : QStyleFactory::keys())
            QTest::addRow("%s", qPrintable(name)) << name;
    }
    void swatchesPaintedInEveryStyle()
    {
        QFETCH(QString, styleName);

        const QString previous = QApplication::style()->name();
        QApplication::setStyle(styleName);
        auto restore = qScopeGuard([&] { QApplication::setStyle(previous); });

        frmColour picker(0);
        picker.open();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        for (int i = 0; i < 16; ++i) {
            auto *button = picker.findChild<QPushButton *>(QStringLiteral("cmdColour_%1").arg(i));
            QVERIFY(button);
            // The focused button too: its focus mark must not hide the colour.
            if (i == 5)
                button->setFocus();
            const QImage image = button->grab().toImage();
            const QRgb expected = frmColour::Palette[i];
            for (const QPoint &point : {image.rect().center(), image.rect().center() + QPoint(6, 6),
                     image.rect().center() - QPoint(6, 6)})
                QVERIFY2(image.pixel(point) == expected,
                    qPrintable(QStringLiteral("button %1 at %2,%3: %4 instead of %5")
                                   .arg(i)
                                   .arg(point.x())
                                   .arg(point.y())
                                   .arg(image.pixel(point), 8, 16)
                                   .arg(expected, 8, 16)));
        }
    }
};

QTEST_MAIN(tst_Colour)
#include "tst_colour.moc"
