#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

// One appearance of a watched window, as a separate X client sees it.
struct FlashRecord
{
    enum class Sample {
        Pending, // no answer yet
        Text, // the text colour was on screen at the first sample
        NoText, // the window was mapped but showed no text
        Late, // the window was already gone when the sample reached the server
        Failed, // the window's size was unknown, or its pixels were in a form not read here
    };

    uint32_t window = 0;
    int64_t mapNs = 0;
    int64_t unmapNs = -1; // -1 while the window is still mapped
    int64_t sampleNs = -1;
    Sample sample = Sample::Pending;
    int textPixels = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool overrideRedirect = false;
};

// Watches the map and unmap of every top-level window on its own thread and
// samples each window's pixels right after its map. Events come on one X
// connection and are time-stamped as they are read; the samples go over a
// second connection, so a large image reply never delays an event's time stamp.
class FlashWatcher
{
public:
    FlashWatcher();
    ~FlashWatcher();
    FlashWatcher(const FlashWatcher &) = delete;
    FlashWatcher &operator=(const FlashWatcher &) = delete;

    bool open(std::string *error);
    // A plain desktop colour, so that a sample tells the desktop from the text;
    // the root pixmap too, which a compositor draws the desktop from.
    bool paintRootBackground(uint32_t rgb, std::string *error);
    void setTextColour(uint32_t rgb) { m_textColour = rgb; }
    // Keeps the first sample of each window after a clear(), to be written as PPM
    // pictures named prefix-<window>.ppm by writeSavedSamples().
    void setSampleFolder(const std::string &folder) { m_sampleFolder = folder; }
    void writeSavedSamples(const std::string &prefix);
    // A request to the X server every intervalMs keeps the server and the CPUs
    // from falling idle between flashes; see run-messenger-bench.sh for why.
    void setKeepAwake(int intervalMs) { m_keepAwakeMs = intervalMs; }
    // realtimePriority > 0 asks for SCHED_FIFO for the watching thread.
    bool start(int realtimePriority);
    void stop();
    std::string schedulingNote() const;

    void clear();
    // Flashes of the windows whose WM_CLASS holds classPart (letter case ignored).
    std::vector<FlashRecord> flashes(const std::string &classPart) const;
    std::size_t finishedFlashes(const std::string &classPart) const;
    // Map to reply of every first sample since the start, for the watcher's own latency.
    std::vector<double> sampleLatenciesMs() const;

private:
    struct WindowState
    {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool overrideRedirect = false;
        bool classAsked = false;
        int openFlash = -1;
        bool sampleSaved = false;
    };
    struct SavedSample
    {
        uint32_t window = 0;
        int width = 0;
        int height = 0;
        std::vector<uint32_t> pixels;
    };
    enum class RequestKind { Image, Class, Ping };
    struct PendingRequest
    {
        RequestKind kind;
        unsigned int sequence;
        uint32_t window;
        int flash;
    };

    void run();
    void raisePriority();
    void drainEvents();
    void drainReplies();
    void handleEvent(const xcb_generic_event_t *event, int64_t nowNs);
    void askClass(uint32_t window);
    void handleImage(const PendingRequest &request, xcb_get_image_reply_t *reply, int64_t nowNs);
    void saveSample(uint32_t window, int width, int height, const uint32_t *pixels);
    bool matches(uint32_t window, const std::string &classPart) const;

    xcb_connection_t *m_events = nullptr;
    xcb_connection_t *m_samples = nullptr;
    uint32_t m_root = 0;
    int m_rootDepth = 0;
    uint32_t m_textColour = 0xff0000;
    std::string m_sampleFolder;
    int m_stopFd = -1;
    int m_realtimePriority = 0;
    int m_keepAwakeMs = 0;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::map<uint32_t, WindowState> m_windows;
    std::map<uint32_t, std::string> m_classes; // lower-case "instance class"
    std::vector<FlashRecord> m_flashes;
    std::deque<PendingRequest> m_pending;
    std::vector<SavedSample> m_savedSamples;
    std::vector<double> m_sampleLatenciesMs;
    std::string m_schedulingNote;
};
