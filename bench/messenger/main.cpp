#include "BenchOptions.h"
#include "BenchRunner.h"
#include "CompositorSession.h"
#include "FlashWatcher.h"
#include "FrameProbe.h"
#include "MachinePauses.h"
#include "MonotonicClock.h"
#include "ResultTable.h"
#include "ScreenTable.h"
#include "ScreenWatcher.h"
#include "TargetReport.h"

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

// For a closer look than the table gives: one line per tick and per screen
// flash, times in ns.
void writeRaw(const std::string &path, const std::vector<SettingRun> &settings)
{
    FILE *file = std::fopen(path.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "messenger-bench: cannot write %s\n", path.c_str());
        return;
    }
    std::fprintf(file, "setting,program,requested_ms,frequency_ms,kind,start_ns,end_ns,pixels\n");
    for (const SettingRun &setting : settings) {
        for (const ProgramRun *program : {&setting.messenger, &setting.peer, &setting.reference}) {
            for (const DurationRun &run : program->durations) {
                const auto row = [&](const char *kind, int64_t start, int64_t end, int pixels) {
                    std::fprintf(file, "%s,%s,%d,%d,%s,%lld,%lld,%d\n", setting.name.c_str(),
                        program->name.c_str(), run.requestedMs, run.frequencyMs, kind,
                        static_cast<long long>(start), static_cast<long long>(end), pixels);
                };
                for (const int64_t tick : run.ticksNs)
                    row("tick", tick, tick, 0);
                for (const ScreenFlash &flash : run.screen)
                    row("screen", flash.onNs, flash.offNs, flash.peakPixels);
                for (const auto &[from, to] : run.blindNs)
                    row("blind", from, to, 0);
                for (const FlashRecord &flash : run.flashes)
                    row("map", flash.mapNs, flash.unmapNs, flash.textPixels);
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

// The flash place: a strip across the middle of the text line, which the three
// programs all centre on the screen. Their glyph cores put several hundred
// text pixels into it; the red window of the reference fills it.
ScreenWatcher::Rect flashPlace()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    int width = 1920;
    int height = 1080;
    if (!xcb_connection_has_error(connection)) {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        width = screen->width_in_pixels;
        height = screen->height_in_pixels;
    }
    xcb_disconnect(connection);
    return {width / 2 - 132, height / 2 - 7, 264, 12};
}

void measureSetting(
    SettingRun *setting, const BenchOptions &options, BenchRunner &runner, ScreenWatcher &screen)
{
    CompositorSession compositor;
    std::string error;
    if (setting->compositor) {
        std::fprintf(stderr, "%s: starting %s\n", setting->name.c_str(), options.compositor.c_str());
        char logPath[] = "/tmp/messenger-bench-compositor-XXXXXX";
        const int fd = mkstemp(logPath);
        if (fd >= 0)
            close(fd);
        const bool started = compositor.start(options.compositor, logPath, &error);
        unlink(logPath);
        if (!started) {
            setting->failure = error;
            return;
        }
        setting->description = "Composited by " + compositor.description() + ".";
    }
    // Let a new compositor draw its first frames before anything is measured.
    MonotonicClock::sleepMs(500);
    std::string probeError;
    setting->frames = FrameProbe::measure(screen, 1500, &probeError);
    if (!probeError.empty())
        std::fprintf(stderr, "%s: %s\n", setting->name.c_str(), probeError.c_str());
    screen.resetStatistics();
    runner.measureDurations(setting);
    runner.measureIdle(setting);
    setting->sampling = screen.statistics();
    if (setting->compositor && !compositor.stop(&error))
        setting->failure = error;
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
    ScreenWatcher screen;
    if (!screen.open(flashPlace(), &error)) {
        std::fprintf(stderr, "messenger-bench: %s\n", error.c_str());
        return 2;
    }
    screen.setTextColour(TextColour);
    screen.setGapUs(options.sampleGapUs);
    watcher.start(options.realtimePriority);
    screen.start(options.realtimePriority);
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
    BenchRunner runner(options, watcher, screen);
    std::vector<SettingRun> settings;
    if (options.plainSetting) {
        SettingRun plain;
        plain.name = "no compositor";
        plain.description = "Nothing composites: each window draws straight into the screen.";
        settings.push_back(plain);
    }
    if (options.compositedSetting) {
        SettingRun composited;
        composited.name = "picom";
        composited.compositor = true;
        settings.push_back(composited);
    }
    for (SettingRun &setting : settings)
        measureSetting(&setting, options, runner, screen);
    const std::vector<double> latencies = watcher.sampleLatenciesMs();
    screen.stop();
    watcher.stop();
    pauses.stop();

    if (!options.rawFile.empty()) {
        writeRaw(options.rawFile, settings);
        if (options.watchPauses)
            writePauses(options.rawFile + ".pauses.csv", pauses.pauses());
    }

    std::vector<const SettingRun *> all;
    const SettingRun *plain = nullptr;
    const SettingRun *composited = nullptr;
    for (const SettingRun &setting : settings) {
        all.push_back(&setting);
        (setting.compositor ? composited : plain) = &setting;
    }
    ResultTable table(all);
    table.setContext("Display " + std::string(getenv("DISPLAY") ?: "?") + "; " + watcher.schedulingNote()
        + ", " + screen.note()
        + (options.keepAwakeMs > 0
                ? ", pinging the X server every " + std::to_string(options.keepAwakeMs) + " ms"
                : std::string())
        + "; measured programs "
        + (options.programRealtime > 0 ? "at SCHED_FIFO priority " + std::to_string(options.programRealtime)
                                       : "at nice " + std::to_string(options.programNice))
        + "; load average " + loadBefore + " before, " + loadAverage() + " after.");
    const ScreenWatcher::Rect place = screen.rect();
    table.setContext("Flash: \"Murmurine bench\", red DejaVu Sans 24 pt, centred, over the desktop 0x1e3a5a"
                     " (murmurine: BackColourTransparent=1; aosd_cat: -t 1 -f 0 -o 0 -u N; flash-reference:"
                     " a red 300x40 window). Screen read over "
        + std::to_string(place.width) + "x" + std::to_string(place.height) + " at " + std::to_string(place.x)
        + "," + std::to_string(place.y) + ", text = at least 12 pixels within 40 of pure red per channel.");
    table.setContext("Requested durations up to 100 ms: " + std::to_string(options.flashesPerDuration)
        + " flashes every " + std::to_string(options.frequencyMs)
        + " ms; longer: " + std::to_string(options.longFlashes) + " flashes every "
        + std::to_string(options.longFrequencyMs) + " ms or more. Per setting, duration by duration,"
        + " murmurine, aosd_cat and the reference one after the other."
        + (options.quick ? " (--quick)" : ""));
    for (const std::string &note : options.notes)
        table.setContext(note);
    table.setWatcherLatency(latencies);
    table.printContext(stdout);
    ScreenTable screenTable(all);
    const std::vector<MachinePauses::Pause> machinePauses = pauses.pauses();
    if (options.watchPauses) {
        screenTable.setMachinePauses(&machinePauses);
        std::fprintf(stdout, "Machine pauses (%s): %zu of %.1f ms or more in %.0f s.\n",
            pauses.note().c_str(), machinePauses.size(), double(pauses.thresholdNs()) / 1e6,
            pauses.watchedSeconds());
    }
    screenTable.print(stdout);
    table.printInformation(stdout);
    const bool pass = TargetReport(plain, composited, options.programRealtime > 0).print(stdout);
    return pass ? 0 : 1;
}
