#include "CustomiseFile.h"
#include "SettingsTestSupport.h"
#include "Twips.h"
#include "frmAbout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>

using namespace SettingsTestSupport;

class tst_About : public QObject, SettingsFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(setUp()); }
    void cleanup() { m_env.reset(); }
    void distributor_data()
    {
        QTest::addColumn<QByteArray>("file"); // "-": no file at all
        QTest::addColumn<QString>("name"); // empty: the block is hidden
        QTest::addColumn<QStringList>("address");
        QTest::addColumn<QString>("telephone");

        // The lines a distributor's editor on Windows leaves: Windows-1252, "¬" (0xAC) between address lines.
        const QByteArray windows = "[Customise]\r\n"
                                   "AboutName=Caf\xE9 Fran\xE7ois \x96 Ltd\r\n"
                                   "AboutAddress=12 R\xFC"
                                   "ckert Stra\xDF"
                                   "e\xAC"
                                   "Old Town\xAC"
                                   "Dover CT1 1AA\r\n"
                                   "AboutTelephone=+44 (0)1234 567890\r\n";
        QByteArray binary(4096, Qt::Uninitialized);
        QRandomGenerator random(8);
        for (char &byte : binary)
            byte = char(random.bounded(256));
        QByteArray huge = "[Customise]\r\nAboutName=Top Distribution\r\nAboutTelephone=0800 1\r\n";
        huge += QByteArray(10 * 1024 * 1024, 'x') + "\r\nAboutName=Beyond the limit\r\n";
        const QString none;

        // clang-format off
        QTest::newRow("no file") << QByteArray("-") << none << QStringList {} << none;
        QTest::newRow("made on Windows") << windows << QStringLiteral("Caf\u00E9 Fran\u00E7ois \u2013 Ltd")
            << QStringList {QStringLiteral("12 R\u00FCckert Stra\u00DFe"), "Old Town", "Dover CT1 1AA"}
            << "+44 (0)1234 567890";
        QTest::newRow("UTF-8 with mark, LF, any letter case, last line wins")
            << QByteArray("\xEF\xBB\xBF[Customise]\nABOUTNAME=First\naboutname=Gr\xC3\xBCn & Co\n"
                          "aboutaddress=One line only\nAboutTelephone=\n")
            << QStringLiteral("Gr\u00FCn & Co") << QStringList {"One line only"} << none;
        QTest::newRow("no section header: the keys still count")
            << QByteArray("AboutName=Plain\r\nAboutAddress=A\xAC" "B") << "Plain" << QStringList {"A", "B"} << none;
        QTest::newRow("address and telephone without a name") << QByteArray("[Customise]\r\nAboutName=\r\n"
            "AboutAddress=1 Street\xAC" "Town\r\nAboutTelephone=123\r\n") << none << QStringList {} << none;
        QTest::newRow("a longer key name is another key") << QByteArray("[Customise]\r\nAboutNames=Wrong\r\n"
            "AboutName\r\nAboutName2=Wrong\r\n") << none << QStringList {} << none;
        QTest::newRow("binary") << binary << none << QStringList {} << none;
        QTest::newRow("binary behind a key") << "AboutName=" + binary.left(40).replace('\n', ' ').replace('\r', ' ')
            + "\r\nAboutAddress=x\r\n" << none << QStringList {} << none;
        QTest::newRow("10 MB: only the beginning is read") << huge << "Top Distribution" << QStringList {} << "0800 1";
        QTest::newRow("10 MB in one line") << "AboutName=" + QByteArray(10 * 1024 * 1024, 'y') << none
            << QStringList {} << none;
        // clang-format on
    }
    void distributor()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QFETCH(QStringList, address);
        QFETCH(QString, telephone);

        if (file != "-")
            QVERIFY(
                TestEnvironment::writeFile(appFolder() + QLatin1Char('/') + CustomiseFile::FileName, file));
        auto frame = loadActiveFrame();
        QVERIFY(frame);
        frame->bringUpAbout();
        QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), frame->aboutSubWindow());
        frmAbout *about = frame->aboutBox();
        auto *heading = about->findChild<QLabel *>(QStringLiteral("Label3"));
        auto *nameBox = about->findChild<QLineEdit *>(QStringLiteral("txtCompanyName"));
        auto *addressBox = about->findChild<QPlainTextEdit *>(QStringLiteral("txtCompanyAddress"));
        auto *telephoneBox = about->findChild<QLineEdit *>(QStringLiteral("txtCompanyTel"));
        const QList<QWidget *> block {heading, nameBox, addressBox, telephoneBox};
        auto *publisher = about->findChild<QLabel *>(QStringLiteral("Label1_0"));
        auto *rights = about->findChild<QLabel *>(QStringLiteral("Label1_1"));
        auto *logo = about->findChild<QLabel *>(QStringLiteral("Image1"));
        QVERIFY(publisher && rights && logo && !block.contains(nullptr));

        for (QWidget *widget : block)
            QCOMPARE(widget->isVisible(), !name.isEmpty());
        if (name.isEmpty()) {
            QCOMPARE(nameBox->text(), QString());
            // The gap closed: the publisher's details follow the version number at once.
            QCOMPARE(publisher->y(), Twips::toPixelsY(1200, about));
            QCOMPARE(logo->y(), Twips::toPixelsY(1300, about));
            QVERIFY(rights->y() >= publisher->geometry().bottom());
            QVERIFY(rights->y() < Twips::toPixelsY(2900, about));
        } else {
            QCOMPARE(nameBox->text(), name);
            QCOMPARE(addressBox->toPlainText(), address.join(QLatin1Char('\n')));
            QCOMPARE(addressBox->document()->blockCount(), qMax(1, int(address.size())));
            QCOMPARE(telephoneBox->text(), telephone);
            QVERIFY(publisher->y() >= telephoneBox->geometry().bottom());
        }
        const QRect panel = about->contentPanel()->rect();
        for (const QWidget *widget :
            about->contentPanel()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            QVERIFY2(
                !widget->isVisible() || panel.contains(widget->geometry()), qPrintable(widget->objectName()));
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
