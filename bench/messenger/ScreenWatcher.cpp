#include "ScreenWatcher.h"

#include "ReportText.h"

#include "MonotonicClock.h"

#include <algorithm>
#include <cstdlib>
#include <pthread.h>
#include <sched.h>

namespace {

using ReportText::MinimumTextPixels;
using ReportText::nearColour;

double binPercentile(const std::vector<uint64_t> &bins, double p)
{
    uint64_t total = 0;
    for (const uint64_t count : bins)
        total += count;
    if (total == 0)
        return -1;
    const double wanted = p / 100.0 * double(total);
    uint64_t below = 0;
    for (std::size_t us = 0; us < bins.size(); ++us) {
        below += bins[us];
        if (double(below) >= wanted)
            return double(us);
    }
    return double(bins.size() - 1);
}

void count(std::vector<uint64_t> *bins, int64_t ns)
{
    const std::size_t us = std::size_t(std::max<int64_t>(0, ns / 1000));
    ++(*bins)[std::min(us, bins->size() - 1)];
}

} // namespace

ScreenWatcher::~ScreenWatcher()
{
    stop();
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool ScreenWatcher::open(Rect rect, std::string *error)
{
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        *error = "screen watcher: cannot connect to the X display";
        return false;
    }
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    if (rect.width <= 0 || rect.height <= 0 || rect.x < 0 || rect.y < 0
        || rect.x + rect.width > screens.data->width_in_pixels
        || rect.y + rect.height > screens.data->height_in_pixels) {
        *error = "screen watcher: the sampled rectangle is not on the screen";
        return false;
    }
    m_rect = rect;
    return true;
}

bool ScreenWatcher::start(int realtimePriority)
{
    if (!m_connection || m_thread.joinable())
        return false;
    m_realtimePriority = realtimePriority;
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void ScreenWatcher::stop()
{
    if (!m_thread.joinable())
        return;
    m_stop = true;
    m_thread.join();
}

void ScreenWatcher::clear()
{
    std::lock_guard lock(m_mutex);
    m_flashes.clear();
    m_blindSpans.clear();
    m_openCounts = false;
}

std::vector<std::pair<int64_t, int64_t>> ScreenWatcher::blindSpans() const
{
    std::lock_guard lock(m_mutex);
    return m_blindSpans;
}

std::vector<ScreenFlash> ScreenWatcher::flashes() const
{
    std::lock_guard lock(m_mutex);
    return m_flashes;
}

std::size_t ScreenWatcher::finishedFlashes() const
{
    std::lock_guard lock(m_mutex);
    std::size_t finished = 0;
    for (const ScreenFlash &flash : m_flashes)
        finished += flash.offNs >= 0 ? 1 : 0;
    return finished;
}

void ScreenWatcher::logChanges(bool on)
{
    std::lock_guard lock(m_mutex);
    m_logging = on;
    if (on)
        m_changes.clear();
}

std::vector<int64_t> ScreenWatcher::changes() const
{
    std::lock_guard lock(m_mutex);
    return m_changes;
}

ScreenWatcher::Statistics ScreenWatcher::statistics() const
{
    std::lock_guard lock(m_mutex);
    Statistics statistics;
    statistics.samples = m_samples;
    statistics.intervalP50Us = binPercentile(m_intervalBins, 50);
    statistics.intervalP90Us = binPercentile(m_intervalBins, 90);
    statistics.roundTripP50Us = binPercentile(m_roundTripBins, 50);
    statistics.roundTripP99Us = binPercentile(m_roundTripBins, 99);
    return statistics;
}

void ScreenWatcher::resetStatistics()
{
    std::lock_guard lock(m_mutex);
    m_samples = 0;
    std::fill(m_intervalBins.begin(), m_intervalBins.end(), 0);
    std::fill(m_roundTripBins.begin(), m_roundTripBins.end(), 0);
}

std::string ScreenWatcher::note() const
{
    std::lock_guard lock(m_mutex);
    return m_note;
}

void ScreenWatcher::raisePriority()
{
    std::string note = "screen watcher at normal priority";
    if (m_realtimePriority > 0) {
        sched_param param {};
        param.sched_priority = m_realtimePriority;
        if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0)
            note = "screen watcher at SCHED_FIFO priority " + std::to_string(m_realtimePriority);
    }
    std::lock_guard lock(m_mutex);
    m_note = note;
}

void ScreenWatcher::run()
{
    raisePriority();
    const int pixelCount = m_rect.width * m_rect.height;
    while (!m_stop) {
        const int64_t asked = MonotonicClock::nowNs();
        xcb_get_image_reply_t *reply = xcb_get_image_reply(m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(m_rect.x),
                int16_t(m_rect.y), uint16_t(m_rect.width), uint16_t(m_rect.height), ~0u),
            nullptr);
        const int64_t answered = MonotonicClock::nowNs();
        if (!reply)
            break;
        if (xcb_get_image_data_length(reply) < pixelCount * 4) {
            free(reply);
            break;
        }
        const auto *pixels = reinterpret_cast<const uint32_t *>(xcb_get_image_data(reply));
        int textPixels = 0;
        uint64_t hash = 1469598103934665603ull;
        for (int i = 0; i < pixelCount; ++i) {
            const uint32_t rgb = pixels[i] & 0xffffff;
            textPixels += nearColour(rgb, m_textColour) ? 1 : 0;
            hash = (hash ^ rgb) * 1099511628211ull;
        }
        free(reply);
        take(asked + (answered - asked) / 2, textPixels, hash, answered - asked);
        if (m_gapUs > 0)
            MonotonicClock::sleepUntilNs(answered + int64_t(m_gapUs) * 1000);
    }
}

void ScreenWatcher::take(int64_t midNs, int textPixels, uint64_t hash, int64_t roundTripNs)
{
    std::lock_guard lock(m_mutex);
    const bool text = textPixels >= MinimumTextPixels;
    if (m_lastNs > 0) {
        count(&m_intervalBins, midNs - m_lastNs);
        if (midNs - m_lastNs >= BlindNs && m_blindSpans.size() < 100'000)
            m_blindSpans.emplace_back(m_lastNs, midNs);
        if (m_logging && hash != m_lastHash)
            m_changes.push_back(midNs);
    }
    count(&m_roundTripBins, roundTripNs);
    if (text && !m_showing) {
        ScreenFlash flash;
        flash.onNs = midNs;
        flash.beforeOnNs = m_lastNs;
        m_flashes.push_back(flash);
        m_openCounts = true;
    } else if (!text && m_showing && m_openCounts && !m_flashes.empty()) {
        m_flashes.back().offNs = midNs;
        m_flashes.back().beforeOffNs = m_lastNs;
    }
    if (text && m_openCounts && !m_flashes.empty())
        m_flashes.back().peakPixels = std::max(m_flashes.back().peakPixels, textPixels);
    m_showing = text;
    m_lastNs = midNs;
    m_lastHash = hash;
    ++m_samples;
}
