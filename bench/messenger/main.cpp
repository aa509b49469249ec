#include "BenchOptions.h"
#include "BenchRunner.h"
#include "FlashWatcher.h"
#include "MachinePauses.h"
#include "ResultTable.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Known desktop colour under every flash; it holds no red, so red pixels are text.
constexpr uint32_t DesktopColour = 0x1e3a5a;
constexpr uint32_t TextColour = 0xff0000;
// A pause as long as the duration target can spoil a flash on its own.
constexpr int64_t PauseThresholdNs = 500'000;

// For a closer look than the table gives: one line per flash, times in ns.
void writeRaw(const std::string &path, const std::vector<const ProgramRun *> &programs)
{
    FILE *file = std::fopen(path.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "messenger-bench: cannot write %s\n", path.c_str());
        return;
    }
    std::fprintf(file,
        "program,requested_ms,frequency_ms,window,map_ns,unmap_ns,sample_ns,sample,text_pixels,"
        "x,y,width,height,override_redirect\n");
    for (const ProgramRun *program : programs) {
        for (const DurationRun &run : program->durations) {
            for (const FlashRecord &f : run.flashes) {
                std::fprintf(file, "%s,%d,%d,0x%x,%lld,%lld,%lld,%d,%d,%d,%d,%d,%d,%d\n",
                    program->name.c_str(), run.requestedMs, run.frequencyMs, f.window,
                    static_cast<long long>(f.mapNs), static_cast<long long>(f.unmapNs),
                    static_cast<long long>(f.sampleNs), int(f.sample), f.textPixels, f.x, f.y, f.width,
                    f.height, f.overrideRedirect ? 1 : 0);
            }
        }
    }
    std::fclose(file);
}

void writePauses(const std::string &path, const std::vector<MachinePauses::Pause> &pauses)
{
    FILE *file = std::fopen(path.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "messenger-bench: cannot write %s\n", path.c_str());
        return;
    }
    std::fprintf(file, "cpu,start_ns,end_ns,lost_ns\n");
    for (const MachinePauses::Pause &pause : pauses)
        std::fprintf(file, "%d,%lld,%lld,%lld\n", pause.cpu, static_cast<long long>(pause.startNs),
            static_cast<long long>(pause.endNs), static_cast<long long>(pause.lostNs));
    std::fclose(file);
}

// Other work on the machine shows in the figures; the table says how much there was.
std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

} // namespace

int main(int argc, char **argv)
{
    BenchOptions options;
    std::string error;
    if (!options.parse(argc, argv, &error)) {
        std::fprintf(stderr, "%s\n%s", error.c_str(), BenchOptions::usage().c_str());
        return 2;
    }
    // A peer that dies must not take the benchmark with it through its stdin pipe.
    signal(SIGPIPE, SIG_IGN);

    // Set on this thread before any child starts, so both programs inherit it alike.
    if (options.programNice != 0 && setpriority(PRIO_PROCESS, 0, options.programNice) != 0) {
        std::fprintf(stderr, "messenger-bench: cannot set nice %d\n", options.programNice);
        return 2;
    }

    FlashWatcher watcher;
    if (!watcher.open(&error) || !watcher.paintRootBackground(DesktopColour, &error)) {
        std::fprintf(stderr, "messenger-bench: %s\n", error.c_str());
        return 2;
    }
    watcher.setTextColour(TextColour);
    watcher.setSampleFolder(options.sampleFolder);
    watcher.setKeepAwake(options.keepAwakeMs);
    watcher.start(options.realtimePriority);
    MachinePauses pauses;
    if (options.watchPauses)
        pauses.start(options.realtimePriority + 1, PauseThresholdNs);

    if (options.reference.empty()) {
        char self[4096] = {};
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        const std::string path(self, length > 0 ? std::size_t(length) : 0);
        options.reference = path.substr(0, path.rfind('/') + 1) + "flash-reference";
    }
    const std::string loadBefore = loadAverage();
    BenchRunner runner(options, watcher);
    ProgramRun messenger = runner.measureMessenger();
    ProgramRun peer = runner.measurePeer();
    const ProgramRun reference = runner.measureReference();
    runner.measureIdle(&messenger, &peer);
    const std::vector<double> latencies = watcher.sampleLatenciesMs();
    watcher.stop();
    pauses.stop();

    if (!options.rawFile.empty()) {
        writeRaw(options.rawFile, {&messenger, &peer, &reference});
        if (options.watchPauses)
            writePauses(options.rawFile + ".pauses.csv", pauses.pauses());
    }

    ResultTable table(messenger, peer);
    table.setReference(&reference);
    if (options.watchPauses)
        table.setMachinePauses(pauses);
    table.setContext("Display " + std::string(getenv("DISPLAY") ?: "?") + "; " + watcher.schedulingNote()
        + (options.keepAwakeMs > 0
                ? ", pinging the X server every " + std::to_string(options.keepAwakeMs) + " ms"
                : std::string())
        + "; measured programs "
        + (options.programRealtime > 0 ? "at SCHED_FIFO priority " + std::to_string(options.programRealtime)
                                       : "at nice " + std::to_string(options.programNice))
        + "; load average " + loadBefore + " before, " + loadAverage() + " after.");
    table.setContext("Flash: \"Murmurine bench\", red DejaVu Sans 24 pt, centred, over a copy of the desktop"
                     " (murmurine: BackColourTransparent=1; aosd_cat: -t 1 -f 0 -o 0 -u N).");
    table.setContext("Requested durations up to 100 ms: " + std::to_string(options.flashesPerDuration)
        + " flashes every " + std::to_string(options.frequencyMs)
        + " ms; longer: " + std::to_string(options.longFlashes) + " flashes every "
        + std::to_string(options.longFrequencyMs) + " ms or more." + (options.quick ? " (--quick)" : ""));
    for (const std::string &note : options.notes)
        table.setContext(note);
    table.setWatcherLatency(latencies);
    const bool pass = table.print(stdout);
    return pass ? 0 : 1;
}
