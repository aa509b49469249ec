#include "BenchRunner.h"

#include "BenchSandbox.h"
#include "ChildProcess.h"
#include "MonotonicClock.h"
#include "TickProbe.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char *FlashText = "Murmurine bench";
constexpr const char *SettingsFile = "Murmurine.conf";
constexpr int64_t Ms = 1'000'000;
// Time a program may take from its start to its first flash, on top of one interval.
constexpr int64_t StartAllowanceMs = 10'000;

std::string logTail(const std::string &path)
{
    std::ifstream in(path);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    if (text.size() > 600)
        text = "..." + text.substr(text.size() - 600);
    return text.empty() ? std::string() : "; its output: " + text;
}

std::vector<FlashRecord> finished(std::vector<FlashRecord> flashes, int limit)
{
    std::vector<FlashRecord> result;
    for (const FlashRecord &flash : flashes) {
        if (flash.unmapNs >= 0 && flash.sample != FlashRecord::Sample::Pending && int(result.size()) < limit)
            result.push_back(flash);
    }
    return result;
}

void progress(const std::string &text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
}

void notePeakRss(ProgramRun *program, const UsageSample &usage)
{
    if (usage.valid)
        program->peakRssKb = std::max(program->peakRssKb, usage.vmHwmKb);
}

} // namespace

BenchRunner::BenchRunner(const BenchOptions &options, FlashWatcher &watcher)
    : m_options(options)
    , m_watcher(watcher)
{ }

int BenchRunner::flashesFor(int durationMs) const
{
    return durationMs <= 100 ? m_options.flashesPerDuration : m_options.longFlashes;
}

int BenchRunner::frequencyFor(int durationMs) const
{
    if (durationMs <= 100 && m_options.frequencyMs >= 2 * durationMs)
        return m_options.frequencyMs;
    return std::max(m_options.longFrequencyMs, durationMs * 3 / 2);
}

void BenchRunner::keepSamples(const std::string &prefix)
{
    if (!m_options.sampleFolder.empty())
        m_watcher.writeSavedSamples(prefix);
}

std::vector<std::pair<std::string, std::string>> BenchRunner::messengerSettings(
    int durationMs, int frequencyMs) const
{
    // Empty list positions make the Messenger take the exact millisecond values.
    return {{"Duration", ""}, {"ActualDuration", std::to_string(durationMs)}, {"Frequency", ""},
        {"ActualFrequency", std::to_string(frequencyMs)}, {"Position", "0"}, {"BackColour", "16777215"},
        {"BackColourTransparent", "1"}, {"TextColour", "255"}, {"TextColourRandom", "0"},
        {"FontName", "DejaVu Sans"}, {"FontSize", "24"}, {"HaltPad", "No"}};
}

std::vector<std::string> BenchRunner::peerArguments(int durationMs) const
{
    // No fades, so the text is shown whole for exactly the requested time; fake
    // transparency copies the desktop under the text, as the Messenger's capture does.
    return {m_options.peer, "-f", "0", "-o", "0", "-u", std::to_string(durationMs), "-p", "4", "-x", "0",
        "-y", "0", "-t", "1", "-R", "red", "-n", "DejaVu Sans 24"};
}

void BenchRunner::measureDurations(ProgramRun *program, int flashDivisor, DurationMeasure measure)
{
    for (const int duration : m_options.durationsMs) {
        DurationRun run;
        run.requestedMs = duration;
        run.frequencyMs = frequencyFor(duration);
        const int flashes
            = flashDivisor == 1 ? flashesFor(duration) : std::max(5, flashesFor(duration) / flashDivisor);
        progress(program->name + ": " + std::to_string(flashes) + " flashes of " + std::to_string(duration)
            + " ms every " + std::to_string(run.frequencyMs) + " ms");
        const bool ok = (this->*measure)(duration, run.frequencyMs, flashes, &run, program);
        if (ok && run.flashes.size() < std::size_t(flashes))
            run.note = "only " + std::to_string(run.flashes.size()) + " of " + std::to_string(flashes)
                + " flashes seen";
        if (!run.flashes.empty()) {
            program->durations.push_back(run);
            program->measured = true;
        }
        if (!ok)
            break;
    }
}

ProgramRun BenchRunner::measureMessenger()
{
    ProgramRun program;
    program.name = "murmurine";
    if (m_options.messenger.empty()) {
        program.failure = "not measured (no --messenger given)";
        return program;
    }
    if (access(m_options.messenger.c_str(), X_OK) != 0) {
        program.failure = "not measured: no executable at " + m_options.messenger;
        return program;
    }
    measureDurations(&program, 1, &BenchRunner::messengerDuration);
    return program;
}

bool BenchRunner::messengerDuration(
    int durationMs, int frequencyMs, int flashes, DurationRun *run, ProgramRun *program)
{
    std::string error;
    BenchSandbox sandbox;
    if (!sandbox.create(&error) || !sandbox.writeLibrary({FlashText}, &error)
        || !sandbox.writeSettings(messengerSettings(durationMs, frequencyMs), &error)) {
        program->failure = error;
        return false;
    }
    TickProbe probe;
    const bool probing = probe.start(sandbox.settingsFolder(), m_options.realtimePriority, &error);
    m_watcher.clear();

    std::vector<std::string> environment = sandbox.environment();
    environment.push_back("QT_QPA_PLATFORM=xcb");
    const std::string log = sandbox.root() + "/messenger.log";
    ChildProcess child;
    if (!child.start({m_options.messenger}, environment, log, false, m_options.programRealtime, &error)) {
        program->failure = error;
        return false;
    }

    const int64_t started = MonotonicClock::nowNs();
    const int64_t firstDeadline = started + (StartAllowanceMs + 3 * frequencyMs) * Ms;
    const int64_t deadline = firstDeadline + int64_t(flashes) * frequencyMs * 3 / 2 * Ms;
    const std::string store = sandbox.settingsFolder() + "/" + SettingsFile;
    bool ended = false;
    std::size_t touched = 0;
    for (;;) {
        const std::size_t seen = m_watcher.finishedFlashes(messengerClass());
        const int64_t now = MonotonicClock::nowNs();
        if (seen >= std::size_t(flashes) || now > deadline || (seen == 0 && now > firstDeadline))
            break;
        if (!child.isRunning()) {
            ended = true;
            break;
        }
        // The Messenger keeps the parsed store while the file is unchanged, and a
        // stat() is invisible from outside. A new modification time (same content)
        // makes the next tick's read of Time open the file, which inotify reports.
        if (seen > touched) {
            utimensat(AT_FDCWD, store.c_str(), nullptr, 0);
            touched = seen;
        }
        MonotonicClock::sleepMs(20);
    }
    // Let a flash that is still on screen end, so it is counted whole.
    MonotonicClock::sleepMs(std::min(durationMs, frequencyMs / 2) + 20);
    notePeakRss(program, ProcessUsage::read(child.pid()));
    const std::string output = logTail(log);
    child.stop();
    probe.stop();
    keepSamples("murmurine-" + std::to_string(durationMs) + "ms");

    run->flashes = finished(m_watcher.flashes(messengerClass()), flashes);
    if (run->flashes.empty()) {
        program->failure = ended ? "murmurine ended before its first flash" + output
                                 : "no flash of a window of WM_CLASS \"murmurine\" within "
                + std::to_string((firstDeadline - started) / Ms) + " ms" + output;
        return false;
    }

    // The tick is the first opening of the store before the map, and after the
    // previous flash ended (start-up writes fall outside half an interval). The
    // first flash comes before any renewal and gets no figure.
    std::vector<TickProbe::Touch> touches = probing ? probe.touches() : std::vector<TickProbe::Touch> {};
    std::vector<double> fromProbe;
    for (std::size_t k = 0; k < run->flashes.size(); ++k) {
        const FlashRecord &flash = run->flashes[k];
        int64_t lower = flash.mapNs - int64_t(frequencyMs) * Ms / 2;
        if (k > 0)
            lower = std::max(lower, run->flashes[k - 1].unmapNs);
        for (const TickProbe::Touch &touch : touches) {
            if ((touch.mask & IN_OPEN) && touch.name == SettingsFile && touch.ns > lower
                && touch.ns <= flash.mapNs) {
                fromProbe.push_back(double(flash.mapNs - touch.ns) / 1e6);
                break;
            }
        }
    }
    if (fromProbe.size() * 2 >= run->flashes.size()) {
        run->tickToShowMs = fromProbe;
        program->tickMethod
            = "map seen by the watcher minus the tick's opening of the settings file (inotify;"
              " the file's mtime is renewed after each flash so that the tick re-reads it)";
    } else {
        // Without a visible tick, only the spread against an ideal tick schedule can be
        // had: each map against the quickest one of the run, whole intervals apart.
        std::vector<double> offsets;
        const int64_t first = run->flashes.front().mapNs;
        for (const FlashRecord &flash : run->flashes) {
            const double ticks = std::round(double(flash.mapNs - first) / (double(frequencyMs) * Ms));
            offsets.push_back(double(flash.mapNs - first) / 1e6 - ticks * frequencyMs);
        }
        const double quickest = *std::min_element(offsets.begin(), offsets.end());
        for (const double offset : offsets)
            run->tickToShowMs.push_back(offset - quickest);
        program->tickMethod
            = "map against an ideal tick schedule, relative to the quickest flash (a lower bound:"
              " the settings folder showed no tick)";
    }
    return true;
}

ProgramRun BenchRunner::measurePeer()
{
    ProgramRun program;
    program.name = "aosd_cat";
    if (m_options.peer.empty()) {
        program.failure = "not measured (--no-peer)";
        return program;
    }
    program.tickMethod = "map seen by the watcher minus the moment the line was written to its stdin";
    measureDurations(&program, 1, &BenchRunner::peerDuration);
    return program;
}

bool BenchRunner::peerDuration(
    int durationMs, int frequencyMs, int flashes, DurationRun *run, ProgramRun *program)
{
    std::string error;
    BenchSandbox sandbox;
    if (!sandbox.create(&error)) {
        program->failure = error;
        return false;
    }
    m_watcher.clear();
    const std::string log = sandbox.root() + "/peer.log";
    ChildProcess child;
    if (!child.start(
            peerArguments(durationMs), sandbox.environment(), log, true, m_options.programRealtime, &error)) {
        program->failure = error;
        return false;
    }
    // The feed is the peer's frequency tick: one line, one flash.
    std::vector<int64_t> feeds;
    const int64_t first = MonotonicClock::nowNs() + int64_t(frequencyMs) * Ms;
    for (int k = 0; k < flashes; ++k) {
        MonotonicClock::sleepUntilNs(first + int64_t(k) * frequencyMs * Ms);
        feeds.push_back(MonotonicClock::nowNs());
        if (!child.writeLine(FlashText))
            break;
    }
    const int64_t deadline = MonotonicClock::nowNs() + (int64_t(durationMs) + 2000) * Ms;
    while (m_watcher.finishedFlashes(peerClass()) < feeds.size() && MonotonicClock::nowNs() < deadline)
        MonotonicClock::sleepMs(20);
    notePeakRss(program, ProcessUsage::read(child.pid()));
    const bool ended = !child.isRunning();
    const std::string output = logTail(log);
    child.stop();
    keepSamples("aosd_cat-" + std::to_string(durationMs) + "ms");

    run->flashes = finished(m_watcher.flashes(peerClass()), flashes);
    if (run->flashes.empty()) {
        program->failure
            = std::string(ended ? "aosd_cat ended before its first flash" : "no flash of aosd_cat seen")
            + output;
        return false;
    }
    for (const FlashRecord &flash : run->flashes) {
        const auto feed = std::upper_bound(feeds.begin(), feeds.end(), flash.mapNs);
        if (feed != feeds.begin() && flash.mapNs - *(feed - 1) < int64_t(frequencyMs) * Ms)
            run->tickToShowMs.push_back(double(flash.mapNs - *(feed - 1)) / 1e6);
    }
    return true;
}

ProgramRun BenchRunner::measureReference()
{
    ProgramRun program;
    program.name = "reference";
    if (m_options.reference.empty() || access(m_options.reference.c_str(), X_OK) != 0) {
        program.failure = "not measured (no flash-reference)";
        return program;
    }
    program.tickMethod = "not measured";
    // The floor needs fewer flashes than the programs it is the floor of.
    measureDurations(&program, 4, &BenchRunner::referenceDuration);
    return program;
}

bool BenchRunner::referenceDuration(
    int durationMs, int frequencyMs, int flashes, DurationRun *run, ProgramRun *program)
{
    std::string error;
    BenchSandbox sandbox;
    if (!sandbox.create(&error)) {
        program->failure = error;
        return false;
    }
    m_watcher.clear();
    ChildProcess child;
    if (!child.start({m_options.reference, std::to_string(durationMs), std::to_string(frequencyMs),
                         std::to_string(flashes)},
            sandbox.environment(), sandbox.root() + "/reference.log", false, m_options.programRealtime,
            &error)) {
        program->failure = error;
        return false;
    }
    const int64_t deadline = MonotonicClock::nowNs() + (int64_t(flashes + 2) * frequencyMs + 5000) * Ms;
    while (child.isRunning() && MonotonicClock::nowNs() < deadline)
        MonotonicClock::sleepMs(20);
    MonotonicClock::sleepMs(50);
    child.stop();
    run->flashes = finished(m_watcher.flashes(referenceClass()), flashes);
    if (run->flashes.empty()) {
        program->failure = "no flash of flash-reference seen";
        return false;
    }
    return true;
}

void BenchRunner::measureIdle(ProgramRun *messenger, ProgramRun *peer)
{
    const bool withMessenger = messenger && messenger->measured;
    const bool withPeer = peer && peer->measured;
    if ((!withMessenger && !withPeer) || m_options.idleSeconds <= 0)
        return;
    progress("idle: " + std::to_string(m_options.idleSeconds) + " s of waiting between flashes");

    std::string error;
    BenchSandbox sandbox;
    if (!sandbox.create(&error) || !sandbox.writeLibrary({FlashText}, &error)
        || !sandbox.writeSettings(messengerSettings(1, m_options.idleFrequencyMs), &error)) {
        progress("idle: " + error);
        return;
    }
    std::vector<std::string> environment = sandbox.environment();
    environment.push_back("QT_QPA_PLATFORM=xcb");
    ChildProcess messengerChild;
    ChildProcess peerChild;
    if (withMessenger
        && !messengerChild.start({m_options.messenger}, environment, sandbox.root() + "/messenger.log", false,
            m_options.programRealtime, &error))
        progress("idle: " + error);
    if (withPeer
        && !peerChild.start(peerArguments(1), sandbox.environment(), sandbox.root() + "/peer.log", true,
            m_options.programRealtime, &error))
        progress("idle: " + error);

    // Start-up is not waiting: both settle first.
    MonotonicClock::sleepMs(2000);
    m_watcher.clear();
    const UsageSample messengerBefore = ProcessUsage::read(messengerChild.pid());
    const UsageSample peerBefore = ProcessUsage::read(peerChild.pid());
    const int64_t begin = MonotonicClock::nowNs();
    MonotonicClock::sleepMs(int64_t(m_options.idleSeconds) * 1000);
    const UsageSample messengerAfter = ProcessUsage::read(messengerChild.pid());
    const UsageSample peerAfter = ProcessUsage::read(peerChild.pid());
    const double seconds = double(MonotonicClock::nowNs() - begin) / 1e9;

    const auto keep = [&](ProgramRun *program, const UsageSample &before, const UsageSample &after,
                          const char *windowClass) {
        if (!before.valid || !after.valid)
            return;
        program->idleMeasured = true;
        program->idleSeconds = seconds;
        program->idleBefore = before;
        program->idleAfter = after;
        program->idleFlashes = m_watcher.flashes(windowClass).size();
        notePeakRss(program, after);
    };
    if (withMessenger)
        keep(messenger, messengerBefore, messengerAfter, messengerClass());
    if (withPeer)
        keep(peer, peerBefore, peerAfter, peerClass());
    messengerChild.stop();
    peerChild.stop();
}
