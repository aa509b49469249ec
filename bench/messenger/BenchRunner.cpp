#include "BenchRunner.h"

#include "ReportText.h"

#include "BenchSandbox.h"
#include "ChildProcess.h"
#include "MessengerTicks.h"
#include "MonotonicClock.h"
#include "TickProbe.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/inotify.h>
#include <sys/stat.h>

namespace {

constexpr const char *FlashText = "Murmurine bench";
constexpr const char *SettingsFile = "Murmurine.conf";
constexpr int64_t Ms = 1'000'000;
// Time a program may take from its start to its first tick, on top of one interval.
constexpr int64_t StartAllowanceMs = 10'000;
// After the last flash should have ended: a compositor's frame and a slow hide.
constexpr int64_t EndAllowanceMs = 150;

std::string logTail(const std::string &path)
{
    const std::string text = ReportText::fileTail(path);
    return text.empty() ? std::string() : "; its output: " + text;
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

std::vector<int64_t> settingsOpenings(const std::vector<TickProbe::Touch> &touches)
{
    std::vector<int64_t> openings;
    for (const TickProbe::Touch &touch : touches) {
        if ((touch.mask & IN_OPEN) && touch.name == SettingsFile)
            openings.push_back(touch.ns);
    }
    return openings;
}

// flash-reference writes "tick NS" just before each map.
std::vector<int64_t> referenceTicks(const std::string &log)
{
    std::ifstream in(log);
    std::vector<int64_t> ticks;
    std::string word;
    long long ns = 0;
    while (in >> word >> ns) {
        if (word == "tick")
            ticks.push_back(int64_t(ns));
    }
    return ticks;
}

} // namespace

BenchRunner::BenchRunner(const BenchOptions &options, FlashWatcher &watcher, ScreenWatcher &screen)
    : m_options(options)
    , m_watcher(watcher)
    , m_screen(screen)
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

void BenchRunner::measureDurations(SettingRun *setting)
{
    setting->messenger.name = "murmurine";
    setting->peer.name = "aosd_cat";
    setting->reference.name = "reference";
    m_composited = setting->compositor;
    if (m_options.messenger.empty())
        setting->messenger.failure = "not measured (no --messenger given)";
    else if (access(m_options.messenger.c_str(), X_OK) != 0)
        setting->messenger.failure = "not measured: no executable at " + m_options.messenger;
    if (m_options.peer.empty())
        setting->peer.failure = "not measured (--no-peer)";
    if (m_options.reference.empty() || access(m_options.reference.c_str(), X_OK) != 0)
        setting->reference.failure = "not measured (no flash-reference)";
    // Duration by duration, so the three programs of one duration meet the same
    // state of the machine.
    for (const int duration : m_options.durationsMs) {
        progress(setting->name + ", " + std::to_string(duration)
            + " ms: " + std::to_string(flashesFor(duration)) + " flashes every "
            + std::to_string(frequencyFor(duration)) + " ms");
        measureOne(&setting->messenger, duration, &BenchRunner::messengerDuration);
        measureOne(&setting->peer, duration, &BenchRunner::peerDuration);
        measureOne(&setting->reference, duration, &BenchRunner::referenceDuration);
    }
}

void BenchRunner::measureOne(
    ProgramRun *program, int durationMs, bool (BenchRunner::*measure)(DurationRun *, int, ProgramRun *))
{
    // A program that failed once is not run again: its failure is the finding.
    if (!program->failure.empty())
        return;
    DurationRun run;
    run.requestedMs = durationMs;
    run.frequencyMs = frequencyFor(durationMs);
    run.composited = m_composited;
    const int flashes = flashesFor(durationMs);
    const bool ok = (this->*measure)(&run, flashes, program);
    if (ok && run.ticksNs.size() < std::size_t(flashes))
        run.note
            = "only " + std::to_string(run.ticksNs.size()) + " of " + std::to_string(flashes) + " ticks seen";
    if (!run.ticksNs.empty()) {
        program->durations.push_back(std::move(run));
        program->measured = true;
    }
}

void BenchRunner::beginRun()
{
    m_watcher.clear();
    m_screen.clear();
}

void BenchRunner::endRun(DurationRun *run, const char *windowClass, int flashes)
{
    run->screen = m_screen.flashes();
    run->blindNs = m_screen.blindSpans();
    std::vector<FlashRecord> mapped;
    for (const FlashRecord &flash : m_watcher.flashes(windowClass)) {
        if (flash.unmapNs >= 0 && flash.sample != FlashRecord::Sample::Pending
            && int(mapped.size()) < flashes)
            mapped.push_back(flash);
    }
    run->flashes = std::move(mapped);
}

bool BenchRunner::messengerDuration(DurationRun *run, int flashes, ProgramRun *program)
{
    const int durationMs = run->requestedMs;
    const int frequencyMs = run->frequencyMs;
    std::string error;
    BenchSandbox sandbox;
    if (!sandbox.create(&error) || !sandbox.writeLibrary({FlashText}, &error)
        || !sandbox.writeSettings(messengerSettings(durationMs, frequencyMs), &error)) {
        program->failure = error;
        return false;
    }
    TickProbe probe;
    if (!probe.start(sandbox.settingsFolder(), m_options.realtimePriority, &error)) {
        program->failure = error;
        return false;
    }
    beginRun();

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
    std::vector<int64_t> ticks;
    for (;;) {
        ticks = MessengerTicks::fromOpenings(settingsOpenings(probe.touches()), frequencyMs);
        const int64_t now = MonotonicClock::nowNs();
        if (ticks.size() >= std::size_t(flashes) || now > deadline || (ticks.empty() && now > firstDeadline))
            break;
        if (!child.isRunning()) {
            ended = true;
            break;
        }
        // The Messenger keeps the parsed store while the file is unchanged, and a
        // stat() is invisible from outside. A new modification time (same content)
        // makes every tick's read of Time open the file, which inotify reports.
        utimensat(AT_FDCWD, store.c_str(), nullptr, 0);
        MonotonicClock::sleepMs(20);
    }
    // Let the last flash end, so it is counted whole.
    MonotonicClock::sleepMs(durationMs + EndAllowanceMs);
    notePeakRss(program, ProcessUsage::read(child.pid()));
    const std::string output = logTail(log);
    child.stop();
    probe.stop();
    keepSamples(program->name + "-" + std::to_string(durationMs) + "ms");
    endRun(run, messengerClass(), flashes);
    ticks.resize(std::min(ticks.size(), std::size_t(flashes)));
    run->ticksNs = ticks;
    if (ticks.empty()) {
        program->failure = ended ? "murmurine ended before its first tick" + output
                                 : "no tick of murmurine (opening of its settings file) within "
                + std::to_string((firstDeadline - started) / Ms) + " ms" + output;
        return false;
    }
    if (ended) {
        program->failure = "murmurine ended after " + std::to_string(ticks.size()) + " of "
            + std::to_string(flashes) + " ticks at " + std::to_string(durationMs) + " ms" + output;
        return false;
    }
    return true;
}

bool BenchRunner::peerDuration(DurationRun *run, int flashes, ProgramRun *program)
{
    const int durationMs = run->requestedMs;
    const int frequencyMs = run->frequencyMs;
    std::string error;
    BenchSandbox sandbox;
    if (!sandbox.create(&error)) {
        program->failure = error;
        return false;
    }
    beginRun();
    const std::string log = sandbox.root() + "/peer.log";
    ChildProcess child;
    if (!child.start(
            peerArguments(durationMs), sandbox.environment(), log, true, m_options.programRealtime, &error)) {
        program->failure = error;
        return false;
    }
    // The feed is the peer's frequency tick: one line, one flash.
    const int64_t interval = int64_t(frequencyMs) * Ms;
    int64_t due = MonotonicClock::nowNs() + interval;
    for (int k = 0; k < flashes; ++k, due += interval) {
        // A line whose time passed while the machine stopped us is dropped, not
        // fed right after the one before.
        while (MonotonicClock::nowNs() > due + interval / 2)
            due += interval;
        MonotonicClock::sleepUntilNs(due);
        const int64_t fed = MonotonicClock::nowNs();
        if (!child.writeLine(FlashText))
            break;
        run->ticksNs.push_back(fed);
    }
    MonotonicClock::sleepMs(durationMs + EndAllowanceMs);
    notePeakRss(program, ProcessUsage::read(child.pid()));
    const bool ended = !child.isRunning();
    const std::string output = logTail(log);
    child.stop();
    keepSamples(program->name + "-" + std::to_string(durationMs) + "ms");
    endRun(run, peerClass(), flashes);
    if (ended || run->ticksNs.empty()) {
        program->failure = "aosd_cat ended during the run" + output;
        return false;
    }
    return true;
}

bool BenchRunner::referenceDuration(DurationRun *run, int flashes, ProgramRun *program)
{
    const int durationMs = run->requestedMs;
    const int frequencyMs = run->frequencyMs;
    std::string error;
    BenchSandbox sandbox;
    if (!sandbox.create(&error)) {
        program->failure = error;
        return false;
    }
    beginRun();
    const std::string log = sandbox.root() + "/reference.log";
    ChildProcess child;
    if (!child.start({m_options.reference, std::to_string(durationMs), std::to_string(frequencyMs),
                         std::to_string(flashes)},
            sandbox.environment(), log, false, m_options.programRealtime, &error)) {
        program->failure = error;
        return false;
    }
    const int64_t deadline = MonotonicClock::nowNs() + (int64_t(flashes + 2) * frequencyMs + 5000) * Ms;
    while (child.isRunning() && MonotonicClock::nowNs() < deadline)
        MonotonicClock::sleepMs(20);
    MonotonicClock::sleepMs(EndAllowanceMs);
    child.stop();
    endRun(run, referenceClass(), flashes);
    run->ticksNs = referenceTicks(log);
    if (run->ticksNs.empty()) {
        program->failure = "flash-reference gave no tick" + logTail(log);
        return false;
    }
    return true;
}

void BenchRunner::measureIdle(SettingRun *setting)
{
    ProgramRun *messenger = &setting->messenger;
    ProgramRun *peer = &setting->peer;
    const bool withMessenger = messenger->measured;
    const bool withPeer = peer->measured;
    if ((!withMessenger && !withPeer) || m_options.idleSeconds <= 0)
        return;
    progress(
        setting->name + ", idle: " + std::to_string(m_options.idleSeconds) + " s of waiting between flashes");

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
    beginRun();
    const UsageSample messengerBefore = ProcessUsage::read(messengerChild.pid());
    const UsageSample peerBefore = ProcessUsage::read(peerChild.pid());
    const int64_t begin = MonotonicClock::nowNs();
    MonotonicClock::sleepMs(int64_t(m_options.idleSeconds) * 1000);
    const UsageSample messengerAfter = ProcessUsage::read(messengerChild.pid());
    const UsageSample peerAfter = ProcessUsage::read(peerChild.pid());
    const double seconds = double(MonotonicClock::nowNs() - begin) / 1e9;
    // Neither may show anything; a screen flash cannot be told to one of them.
    const std::size_t screenFlashes = m_screen.flashes().size();

    const auto keep = [&](ProgramRun *program, const UsageSample &before, const UsageSample &after,
                          const char *windowClass) {
        if (!before.valid || !after.valid)
            return;
        program->idleMeasured = true;
        program->idleSeconds = seconds;
        program->idleBefore = before;
        program->idleAfter = after;
        program->idleFlashes = m_watcher.flashes(windowClass).size() + screenFlashes;
        notePeakRss(program, after);
    };
    if (withMessenger)
        keep(messenger, messengerBefore, messengerAfter, messengerClass());
    if (withPeer)
        keep(peer, peerBefore, peerAfter, peerClass());
    messengerChild.stop();
    peerChild.stop();
}
