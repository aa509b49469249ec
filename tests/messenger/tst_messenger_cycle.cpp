#include "MessengerTestSupport.h"
#include "TestEnvironment.h"
#include "TimeStamp.h"
#include "frmMessage.h"

#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QDateTime Start(QDate(2026, 3, 14), QTime(9, 26, 53, 589));
} // namespace

class tst_MessengerCycle : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
        m_now = Start;
        setSetting("HaltPad", "No");
        setSetting("BackColour", "16777215");
        setSetting("BackColourTransparent", "0");
    }
    void cleanup()
    {
        m_form.reset();
        m_env.reset();
    }
    // Entries name files in the test's folder as %1.
    void sequence_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("shown");

        const QString missing = QStringLiteral("#PICTURE# %1/missing.png");
        const QString noText = QStringLiteral("#TEXTFILE# %1/missing.txt");
        QTest::newRow("text entries wrap around")
            << QStringList {"one", "two", "three"} << QStringList {"one", "two", "three", "one"};
        QTest::newRow("text file: a paragraph a flash") << QStringList {"#TEXTFILE# %1/words.txt",
            "after"} << QStringList {"I am calm.", "I am ready.", "after", "I am calm."};
        QTest::newRow("picture stays in the list") << QStringList {"#PICTURE# %1/red.png",
            "next"} << QStringList {"picture: #PICTURE# %1/red.png", "next", "picture: #PICTURE# %1/red.png"};
        QTest::newRow("missing picture: once, then from the first")
            << QStringList {"one", missing, "three"} << QStringList {"one", missing, "one", "three", "one"};
        QTest::newRow("missing text file: once, then from the first")
            << QStringList {"one", noText, "three"} << QStringList {"one", noText, "one", "three", "one"};
        QTest::newRow("picture is a folder") << QStringList {"#PICTURE# %1/folder", "next"}
                                             << QStringList {"#PICTURE# %1/folder", "next", "next"};
        QTest::newRow("text file is a folder") << QStringList {"#TEXTFILE# %1/folder", "next"}
                                               << QStringList {"#TEXTFILE# %1/folder", "next", "next"};
    }
    void sequence()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, shown);
        const QString root = m_env->root();
        writeFile(root + "/words.txt", "I am calm.\r\n\r\n\tI am ready.\r\n");
        QImage red(40, 30, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(root + "/red.png") && QDir().mkpath(root + "/folder"));
        entries.replaceInStrings("%1", root);
        shown.replaceInStrings("%1", root);

        QVERIFY(start(entries));
        QStringList got;
        for (qsizetype i = 0; i < shown.size(); ++i)
            got << tick();
        QCOMPARE(got, shown);
        QVERIFY(!m_form->hasEnded());
    }
    // What ends the Messenger at a tick: the Time and On it reads then (a newer
    // Time makes it reload), or a text given to Text1 over the link.
    void ending_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QStringList>("library");
        QTest::addColumn<QString>("link"); // null: nothing comes over the link
        QTest::addColumn<QString>("shown"); // empty: the Messenger ends
        QTest::addColumn<bool>("writesOff"); // On "No" and the time of ending, or nothing

        const auto row
            = [](const char *name, const QString &time, const QString &on, const QStringList &library,
                  const QString &link, const QString &shown, bool writesOff) {
                  QTest::newRow(name) << time << on << library << link << shown << writesOff;
              };
        const QString newer = TimeStamp::format(Start.addSecs(5));
        const QString same = TimeStamp::format(Start);
        const QStringList after {"after"};
        row("newer Time, On No: ends", newer, "No", after, {}, "", false);
        row("newer Time, On lower-case yes: ends", newer, "yes", after, {}, "", false);
        row("newer Time, On Yes: reloads", newer, "Yes", after, {}, "after", false);
        row("newer Time, empty list: ends", newer, "Yes", {}, {}, "", false);
        row("same Time, On No: goes on", same, "No", after, {}, "before", false);
        row("older Time, On No: goes on", TimeStamp::format(Start.addSecs(-3600)), "No", after, {}, "before",
            false);
        row("unreadable Time: ends", "quarter past", "Yes", after, {}, "", false);
        row("empty Time: ends", "", "Yes", after, {}, "", false);
        row("OFF over the link: ends", same, "Yes", after, "OFF", "", true);
        row("off in lower case: goes on", same, "Yes", after, "off", "before", false);
        row("OFF with a trailing blank: goes on", same, "Yes", after, "OFF ", "before", false);
    }
    void ending()
    {
        QFETCH(QString, time);
        QFETCH(QString, on);
        QFETCH(QStringList, library);
        QFETCH(QString, link);
        QFETCH(QString, shown);
        QFETCH(bool, writesOff);
        QVERIFY(start({"before"}));
        QSignalSpy ended(m_form.get(), &frmMessage::ended);
        writeLibrary(m_env->home(), library);
        setSetting("On", on);
        setSetting("Time", time);
        m_now = m_now.addSecs(2);

        const QString text = tick();
        if (!link.isNull())
            m_form->Text1_Change(link);
        QCOMPARE(ended.count(), shown.isEmpty() ? 1 : 0);
        QCOMPARE(m_form->isVisible(), !shown.isEmpty());
        if (!shown.isEmpty())
            QCOMPARE(text, shown);
        QCOMPARE(setting("On"), writesOff ? QStringLiteral("No") : on);
        QCOMPARE(setting("Time"), writesOff ? TimeStamp::format(m_now) : time);
    }

private:
    QLabel *child(const char *name) const { return m_form->findChild<QLabel *>(QLatin1String(name)); }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<frmMessage> m_form;
    QDateTime m_now;

    // True once loaded, with On and the start's Time written.
    bool start(const QStringList &messages)
    {
        writeLibrary(m_env->home(), messages);
        m_form = std::make_unique<frmMessage>();
        m_form->setClock([this] { return m_now; });
        return m_form->Form_Load() && setting("On") == QLatin1String("Yes")
            && TimeStamp::parse(setting("Time")) == Start;
    }
    // What the flash showed: the label's text, marked when a picture showed instead.
    QString tick()
    {
        m_form->tmrFrequency_Timer();
        const QString text = child("lblMessage")->text();
        return child("imgPicture")->isVisible() ? QStringLiteral("picture: ") + text : text;
    }
};

QTEST_MAIN(tst_MessengerCycle)
#include "tst_messenger_cycle.moc"
