#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <xcb/xcb.h>

// One stretch of samples in which the text colour was on the screen.
struct ScreenFlash
{
    int64_t onNs = 0; // first sample with text
    int64_t offNs = -1; // first sample without text after it; -1 while the text is showing
    int64_t beforeOnNs = 0; // the last sample without text before it
    int64_t beforeOffNs = -1; // the last sample with text
    int peakPixels = 0;
};

// Reads what the screen shows, as a person in front of it would see it: on its
// own X connection and thread it fetches the root window's pixels over a small
// rectangle again and again (GetImage on the root returns the composited
// picture when a compositor draws, the windows' own pixels when none does).
// Each sample is stamped on CLOCK_MONOTONIC at the midpoint of its request and
// its reply; a sample with a few pixels near the text colour shows text.
class ScreenWatcher
{
public:
    struct Rect
    {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    ScreenWatcher() = default;
    ~ScreenWatcher();
    ScreenWatcher(const ScreenWatcher &) = delete;
    ScreenWatcher &operator=(const ScreenWatcher &) = delete;

    bool open(Rect rect, std::string *error);
    void setTextColour(uint32_t rgb) { m_textColour = rgb; }
    // Rest between samples, so that sampling leaves the measured programs a CPU.
    void setGapUs(int us) { m_gapUs = us; }
    // realtimePriority > 0 asks for SCHED_FIFO for the sampling thread.
    bool start(int realtimePriority);
    void stop();

    // Forgets the flashes seen so far; text on screen now starts no flash.
    void clear();
    std::vector<ScreenFlash> flashes() const;
    std::size_t finishedFlashes() const;
    // Stretches of at least BlindNs between two samples' midpoints (since the
    // last clear()), in which the screen went unread: text shown only then
    // cannot have been seen.
    static constexpr int64_t BlindNs = 500'000;
    std::vector<std::pair<int64_t, int64_t>> blindSpans() const;
    // While on, the time of every sample whose pixels differ from the one before.
    void logChanges(bool on);
    std::vector<int64_t> changes() const;

    // Interval: midpoint to midpoint of consecutive samples; round trip:
    // request to reply of one sample. In microseconds, since the last reset.
    struct Statistics
    {
        uint64_t samples = 0;
        double intervalP50Us = -1;
        double intervalP90Us = -1;
        double roundTripP50Us = -1;
        double roundTripP99Us = -1;
    };
    Statistics statistics() const;
    void resetStatistics();

    Rect rect() const { return m_rect; }
    std::string note() const;

private:
    void run();
    void raisePriority();
    void take(int64_t midNs, int textPixels, uint64_t hash, int64_t roundTripNs);

    xcb_connection_t *m_connection = nullptr;
    uint32_t m_root = 0;
    Rect m_rect;
    uint32_t m_textColour = 0xff0000;
    int m_gapUs = 0;
    int m_realtimePriority = 0;
    std::atomic<bool> m_stop {false};
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::vector<ScreenFlash> m_flashes;
    std::vector<std::pair<int64_t, int64_t>> m_blindSpans;
    bool m_showing = false;
    bool m_openCounts = false; // the text showing now began after the last clear()
    int64_t m_lastNs = 0;
    uint64_t m_lastHash = 0;
    bool m_logging = false;
    std::vector<int64_t> m_changes;
    uint64_t m_samples = 0;
    // Microsecond histograms; the last bin holds everything longer.
    std::vector<uint64_t> m_intervalBins = std::vector<uint64_t>(20001, 0);
    std::vector<uint64_t> m_roundTripBins = std::vector<uint64_t>(20001, 0);
    std::string m_note;
};
