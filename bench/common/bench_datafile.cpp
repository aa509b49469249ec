// Times the library operations of both programs on a full library
// (100 categories x 100 messages of 300 characters) and prints medians.
// Run it from a release build: build-release/bin/bench_datafile
#include "DataFile.h"
#include "IniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

constexpr int Runs = 11;

QByteArray fullLibrary()
{
    QByteArray bytes = "[Categories]\n";
    for (int c = 1; c <= 100; ++c)
        bytes += QByteArray::number(c) + "=1Category " + QByteArray::number(c) + '\n';
    for (int c = 1; c <= 100; ++c) {
        bytes += "\n[Category " + QByteArray::number(c) + "]\n";
        for (int m = 1; m <= 100; ++m) {
            QByteArray message = "Message " + QByteArray::number(c) + '/' + QByteArray::number(m) + ' ';
            message += QByteArray(300 - message.size(), 'x');
            bytes += QByteArray::number(m) + "=1" + message + '\n';
        }
    }
    return bytes;
}

// Median in milliseconds of `Runs` timed calls; prepare runs untimed before each.
double median(const std::function<void(int)> &prepare, const std::function<void(int)> &measure)
{
    QList<double> times;
    for (int run = 0; run < Runs; ++run) {
        prepare(run);
        QElapsedTimer timer;
        timer.start();
        measure(run);
        times.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(Runs / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DATA.TXT"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(fullLibrary()) < 0) {
            out << "cannot write " << path << Qt::endl;
            return 1;
        }
    }
    const DataFile data(path);
    const auto cold = [](int) { IniFile::clearCache(); };
    const auto none = [](int) {};

    qsizetype sink = 0;
    const double raw = median(none, [&](int) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        sink += file.readAll().split('\n').size();
    });
    const double messengerCold = median(cold, [&](int) { sink += data.readMarkedMessages().size(); });
    const double messengerWarm = median(none, [&](int) { sink += data.readMarkedMessages().size(); });
    const double settingsCold = median(cold, [&](int) {
        const QList<MarkedEntry> categories = data.readCategories();
        sink += data.readCategory(categories.first().text).size();
    });
    const double toggle = median(none, [&](int run) {
        data.writeMessageEntry(QStringLiteral("Category 50"), 50,
                               {run % 2 == 1, QStringLiteral("Message 50/50 ") + QString(286, QLatin1Char('x'))});
    });
    const double deletion = median(none, [&](int run) {
        const QString category = QStringLiteral("Category %1").arg(run + 1);
        QList<MarkedEntry> messages = data.readCategory(category);
        messages.removeFirst();
        data.renumber(category, messages);
    });
    if (sink == 0)
        return 1;

    const auto row = [&out](const char *what, double ms, const QString &target, bool met) {
        out << qSetFieldWidth(58) << Qt::left << what << qSetFieldWidth(10) << Qt::right
            << QString::number(ms, 'f', 2) << qSetFieldWidth(0) << " ms   " << target
            << (met ? "  met" : "  MISSED") << Qt::endl;
    };
    out << "Full library: 100 categories x 100 messages of 300 characters ("
        << QFile(path).size() / 1024 << " KiB), median of " << Runs << " runs" << Qt::endl;
    row("(e) raw read of the file into lines (floor)", raw, QStringLiteral("-"), true);
    row("(a) Messenger load of all marked messages, cold", messengerCold,
        QStringLiteral("<= 10 x (e) = %1 ms and < 50 ms").arg(10 * raw, 0, 'f', 1),
        messengerCold <= 10 * raw && messengerCold < 50);
    row("    the same, parsed copy still valid", messengerWarm, QStringLiteral("-"), true);
    row("(b) Settings load of category list + one category, cold", settingsCold,
        QStringLiteral("<= 10 x (e) and < 50 ms"), settingsCold <= 10 * raw && settingsCold < 50);
    row("(c) one mark toggle (atomic rewrite of the file)", toggle, QStringLiteral("< 10 ms"), toggle < 10);
    row("(d) delete first message of a full category + renumber", deletion, QStringLiteral("< 100 ms"),
        deletion < 100);
    return 0;
}
