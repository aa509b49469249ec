// Usage: bench_settings [runs]   (default 7)
// Prints, for a library of 100 categories x 100 messages of 300 characters,
// the median and range of: start-up to the first idle moment (of the real
// program in its own process, and of the frame's load in this one), selecting
// a category, and deleting a message with the renumbering of its category;
// and the settings form's first opening: made (listing the machine's fonts),
// filled and shown, and brought up in the frame that made it at start-up.

#include "DataFolder.h"
#include "Dialogs.h"
#include "IniFile.h"
#include "IniProcedures.h"
#include "LinkClient.h"
#include "MDIForm1.h"
#include "frmMessageSetup.h"
#include "frmSettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFontDatabase>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

constexpr int Categories = 100;
constexpr int MessagesPerCategory = 100;
constexpr int MessageLength = 300;

QString messageText(int category, int message)
{
    QString text = QStringLiteral("Category %1, message %2: ").arg(category).arg(message);
    const QString filler = QStringLiteral("I am calm and steady. ");
    while (text.size() < MessageLength)
        text += filler;
    return text.left(MessageLength);
}

bool writeFullLibrary(const QString &path)
{
    QString text = QStringLiteral("[Categories]\n");
    for (int c = 1; c <= Categories; ++c)
        text += QStringLiteral("%1=1Category %2\n").arg(c).arg(c);
    for (int c = 1; c <= Categories; ++c) {
        text += QStringLiteral("\n[Category %1]\n").arg(c);
        for (int m = 1; m <= MessagesPerCategory; ++m)
            text += QStringLiteral("%1=1%2\n").arg(m).arg(messageText(c, m));
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) > 0;
}

void runUntilIdle()
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

double milliseconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

struct Figures
{
    QList<double> values;

    double median() const
    {
        QList<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const qsizetype n = sorted.size();
        return n % 2 ? sorted.at(n / 2) : (sorted.at(n / 2 - 1) + sorted.at(n / 2)) / 2;
    }
    double minimum() const { return *std::min_element(values.begin(), values.end()); }
    double maximum() const { return *std::max_element(values.begin(), values.end()); }
};

void report(const char *what, const Figures &figures, double target)
{
    std::printf("%-44s median %8.2f ms  (min %8.2f, max %8.2f)  target < %4.0f ms: %s\n", what,
        figures.median(), figures.minimum(), figures.maximum(), target,
        figures.median() < target ? "met" : "MISSED");
}

// The offscreen platform complains once per window about something it cannot
// do and that nothing here needs; the figures should not drown in it.
void dropPlatformNoise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    qt_message_output(type, context, message);
}

} // namespace

// The real program in a process of its own: from the start of the process to
// the first poke its link endpoint acknowledges, which it can only do once the
// load is over and its event loop is idle. The empty text changes nothing.
std::optional<double> processStartUp()
{
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/murmurine-settings"), {});
    if (!program.waitForStarted())
        return std::nullopt;
    std::optional<double> result;
    while (timer.elapsed() < 30000 && program.state() == QProcess::Running) {
        if (LinkClient::poke(QStringLiteral("Murmurine Settings"), QStringLiteral("Form1"),
                QStringLiteral("Text1"), QString(), 5000)) {
            result = milliseconds(timer);
            break;
        }
        QThread::usleep(200);
    }
    program.terminate();
    if (!program.waitForFinished(10000)) {
        program.kill();
        program.waitForFinished();
    }
    return result;
}

int main(int argc, char *argv[])
{
    // Measured on an X server as users run it; offscreen only where there is none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Private folders, so that the user's own settings and library are never touched.
    QTemporaryDir sandbox;
    if (!sandbox.isValid())
        return 1;
    for (const char *folder : {"home", "config", "runtime"})
        QDir(sandbox.path()).mkpath(QLatin1String(folder));
    QFile::setPermissions(
        sandbox.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(sandbox.filePath(QStringLiteral("home"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sandbox.filePath(QStringLiteral("config"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(sandbox.filePath(QStringLiteral("runtime"))));

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    qInstallMessageHandler(dropPlatformNoise);
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 7;

    const QString dataFile = DataFolder::dataFilePath(DataFolder::locate(qEnvironmentVariable("HOME")));
    if (!writeFullLibrary(dataFile)) {
        std::fprintf(stderr, "could not write the library at %s\n", qPrintable(dataFile));
        return 1;
    }
    WriteIniFile(SettingsSection, QStringLiteral("WinMax"), QStringLiteral("No"), SettingsFileName);
    WriteIniFile(SettingsSection, QStringLiteral("UsedBefore"), QStringLiteral("Yes"), SettingsFileName);
    Dialogs::setTestMode(true);

    std::printf("Library: %d categories x %d messages of %d characters (%lld bytes), %d runs, platform %s\n",
        Categories, MessagesPerCategory, MessageLength, QFileInfo(dataFile).size(), runs,
        qPrintable(QGuiApplication::platformName()));

    Figures processStart;
    for (int run = 0; run < runs; ++run) {
        const std::optional<double> time = processStartUp();
        if (!time) {
            std::fprintf(stderr, "murmurine-settings did not start beside this benchmark\n");
            return 1;
        }
        processStart.values.append(*time);
    }

    // The first listing of the fonts in a process asks the font configuration afresh.
    QElapsedTimer coldTimer;
    coldTimer.start();
    const qsizetype fontFamilies = QFontDatabase::families().size();
    const double coldFontList = milliseconds(coldTimer);

    Figures startUp, select, remove, settingsMade, settingsBroughtUp;
    for (int run = 0; run < runs; ++run) {
        IniFile::clearCache(); // every start reads the file afresh, as a new process would
        QElapsedTimer timer;
        timer.start();
        auto frame = std::make_unique<MDIForm1>();
        if (!frame->MDIForm_Load()) {
            std::fprintf(stderr, "the frame did not load\n");
            return 1;
        }
        runUntilIdle();
        startUp.values.append(milliseconds(timer));

        frame->bringUpMessageManager();
        runUntilIdle();
        frmMessageSetup *manager = frame->messageManager();
        auto *categories = manager->findChild<QListWidget *>(QStringLiteral("lstCategory"));
        auto *messages = manager->findChild<QListWidget *>(QStringLiteral("lstMessage"));
        auto *deleteMessage = manager->findChild<QPushButton *>(QStringLiteral("cmdDeleteMessage"));
        if (!categories || !messages || !deleteMessage || categories->count() != Categories) {
            std::fprintf(stderr, "the message manager did not list the library\n");
            return 1;
        }

        // A different category each run, so each one still holds all its messages.
        const int row = 10 + run % (Categories - 10);
        timer.restart();
        categories->setCurrentRow(row);
        runUntilIdle();
        select.values.append(milliseconds(timer));
        if (messages->count() != MessagesPerCategory) {
            std::fprintf(stderr, "category %d lists %d messages\n", row + 1, int(messages->count()));
            return 1;
        }

        messages->setCurrentRow(0); // the first, so that all 99 that follow are renumbered
        runUntilIdle();
        Dialogs::reset();
        Dialogs::queueAnswer(int(QMessageBox::Yes));
        timer.restart();
        deleteMessage->click();
        runUntilIdle();
        remove.values.append(milliseconds(timer));
        if (messages->count() != MessagesPerCategory - 1) {
            std::fprintf(stderr, "the message was not deleted\n");
            return 1;
        }

        timer.restart();
        frame->bringUpSettingsForm();
        runUntilIdle();
        settingsBroughtUp.values.append(milliseconds(timer));
        if (!frame->settingsSubWindow()->isVisible()) {
            std::fprintf(stderr, "the settings form did not come up\n");
            return 1;
        }

        timer.restart();
        {
            frmSettings form(QCoreApplication::applicationDirPath());
            form.Form_Activate();
            form.show();
            runUntilIdle();
            settingsMade.values.append(milliseconds(timer));
        }
    }

    report("Program start to the first idle moment", processStart, 1000);
    report("Frame load to the first idle moment", startUp, 1000);
    report("Select a category (100 messages listed)", select, 50);
    report("Delete a message, renumbering 99 keys", remove, 100);
    std::printf("Fonts on this machine: %lld families, listed the first time in %.2f ms\n",
        static_cast<long long>(fontFamilies), coldFontList);
    report("Settings form made, filled and shown", settingsMade, 150);
    const double firstOpening = coldFontList + settingsMade.median();
    std::printf("%-44s        %8.2f ms  (fonts listed the first time + made, filled, shown)  target <  150 ms: %s\n",
        "Settings form's first opening", firstOpening, firstOpening < 150 ? "met" : "MISSED");
    report("Settings form brought up in the frame", settingsBroughtUp, 150);
    return 0;
}
