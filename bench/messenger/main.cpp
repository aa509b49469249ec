#include "BenchOptions.h"
#include "BenchRunner.h"
#include "FlashWatcher.h"
#include "ResultTable.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <signal.h>
#include <string>

namespace {

// Known desktop colour under every flash; it holds no red, so red pixels are text.
constexpr uint32_t DesktopColour = 0x1e3a5a;
constexpr uint32_t TextColour = 0xff0000;

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

    FlashWatcher watcher;
    if (!watcher.open(&error) || !watcher.paintRootBackground(DesktopColour, &error)) {
        std::fprintf(stderr, "messenger-bench: %s\n", error.c_str());
        return 2;
    }
    watcher.setTextColour(TextColour);
    watcher.setSampleFolder(options.sampleFolder);
    watcher.start(options.realtimePriority);

    const std::string loadBefore = loadAverage();
    BenchRunner runner(options, watcher);
    ProgramRun messenger = runner.measureMessenger();
    ProgramRun peer = runner.measurePeer();
    runner.measureIdle(&messenger, &peer);
    const std::vector<double> latencies = watcher.sampleLatenciesMs();
    watcher.stop();

    ResultTable table(messenger, peer);
    table.setContext("Display " + std::string(getenv("DISPLAY") ?: "?") + "; " + watcher.schedulingNote()
                     + "; load average " + loadBefore + " before, " + loadAverage() + " after.");
    table.setContext("Flash: \"Murmurine bench\", red DejaVu Sans 24 pt, centred, over a copy of the desktop"
                     " (murmurine: BackColourTransparent=1; aosd_cat: -t 1 -f 0 -o 0 -u N).");
    table.setContext("Requested durations up to 100 ms: " + std::to_string(options.flashesPerDuration)
                     + " flashes every " + std::to_string(options.frequencyMs) + " ms; longer: "
                     + std::to_string(options.longFlashes) + " flashes every "
                     + std::to_string(options.longFrequencyMs) + " ms or more."
                     + (options.quick ? " (--quick)" : ""));
    table.setWatcherLatency(latencies);
    const bool pass = table.print(stdout);
    return pass ? 0 : 1;
}
