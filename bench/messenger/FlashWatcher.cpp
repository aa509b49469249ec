#include "FlashWatcher.h"

#include "ReportText.h"

#include "MonotonicClock.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using ReportText::MinimumTextPixels;
using ReportText::nearColour;

} // namespace

FlashWatcher::FlashWatcher()
{
    m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

FlashWatcher::~FlashWatcher()
{
    stop();
    if (m_events)
        xcb_disconnect(m_events);
    if (m_samples)
        xcb_disconnect(m_samples);
    if (m_stopFd >= 0)
        close(m_stopFd);
}

bool FlashWatcher::open(std::string *error)
{
    int screenNumber = 0;
    m_events = xcb_connect(nullptr, &screenNumber);
    m_samples = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_events) || xcb_connection_has_error(m_samples)) {
        *error = "cannot connect to the X display (DISPLAY=" + std::string(getenv("DISPLAY") ?: "") + ")";
        return false;
    }
    const xcb_setup_t *setup = xcb_get_setup(m_events);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    m_rootDepth = screens.data->root_depth;
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || (m_rootDepth != 24 && m_rootDepth != 32)) {
        *error = "the X server should have a 24-bit screen with LSB-first images";
        return false;
    }

    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t cookie
        = xcb_change_window_attributes_checked(m_events, m_root, XCB_CW_EVENT_MASK, &mask);
    if (xcb_generic_error_t *e = xcb_request_check(m_events, cookie)) {
        *error = "cannot watch the root window (X error " + std::to_string(e->error_code) + ")";
        free(e);
        return false;
    }
    return true;
}

bool FlashWatcher::paintRootBackground(uint32_t rgb, std::string *error)
{
    // A compositor paints the desktop from the root pixmap named by
    // _XROOTPMAP_ID, not from the root's background colour, so both are set.
    // The pixmap lives as long as this connection.
    const xcb_pixmap_t pixmap = xcb_generate_id(m_samples);
    xcb_create_pixmap(m_samples, uint8_t(m_rootDepth), pixmap, m_root, 64, 64);
    const xcb_gcontext_t gc = xcb_generate_id(m_samples);
    xcb_create_gc(m_samples, gc, pixmap, XCB_GC_FOREGROUND, &rgb);
    const xcb_rectangle_t whole {0, 0, 64, 64};
    xcb_poly_fill_rectangle(m_samples, pixmap, gc, 1, &whole);
    xcb_free_gc(m_samples, gc);
    for (const char *name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            m_samples, xcb_intern_atom(m_samples, 0, uint16_t(std::strlen(name)), name), nullptr);
        if (!atom)
            continue;
        xcb_change_property(
            m_samples, XCB_PROP_MODE_REPLACE, m_root, atom->atom, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        free(atom);
    }
    xcb_void_cookie_t cookie
        = xcb_change_window_attributes_checked(m_samples, m_root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(m_samples, 0, m_root, 0, 0, 0, 0);
    if (xcb_generic_error_t *e = xcb_request_check(m_samples, cookie)) {
        *error = "cannot paint the root window (X error " + std::to_string(e->error_code) + ")";
        free(e);
        return false;
    }
    return true;
}

bool FlashWatcher::start(int realtimePriority)
{
    if (!m_events || m_thread.joinable())
        return false;
    m_realtimePriority = realtimePriority;
    m_thread = std::thread([this] { run(); });
    return true;
}

void FlashWatcher::stop()
{
    if (!m_thread.joinable())
        return;
    const uint64_t one = 1;
    if (write(m_stopFd, &one, sizeof one) != sizeof one)
        std::perror("eventfd");
    m_thread.join();
}

std::string FlashWatcher::schedulingNote() const
{
    std::lock_guard lock(m_mutex);
    return m_schedulingNote;
}

void FlashWatcher::clear()
{
    std::lock_guard lock(m_mutex);
    m_flashes.clear();
    for (auto &[window, state] : m_windows) {
        state.openFlash = -1;
        state.sampleSaved = false;
    }
}

bool FlashWatcher::matches(uint32_t window, const std::string &classPart) const
{
    const auto found = m_classes.find(window);
    if (found == m_classes.end())
        return false;
    std::string part = classPart;
    std::transform(part.begin(), part.end(), part.begin(), [](unsigned char c) { return std::tolower(c); });
    return found->second.find(part) != std::string::npos;
}

std::vector<FlashRecord> FlashWatcher::flashes(const std::string &classPart) const
{
    std::lock_guard lock(m_mutex);
    std::vector<FlashRecord> result;
    for (const FlashRecord &flash : m_flashes) {
        if (matches(flash.window, classPart))
            result.push_back(flash);
    }
    return result;
}

std::size_t FlashWatcher::finishedFlashes(const std::string &classPart) const
{
    std::lock_guard lock(m_mutex);
    return std::size_t(std::count_if(m_flashes.begin(), m_flashes.end(), [&](const FlashRecord &flash) {
        return flash.unmapNs >= 0 && flash.sample != FlashRecord::Sample::Pending
            && matches(flash.window, classPart);
    }));
}

std::vector<double> FlashWatcher::sampleLatenciesMs() const
{
    std::lock_guard lock(m_mutex);
    return m_sampleLatenciesMs;
}

void FlashWatcher::raisePriority()
{
    std::string note;
    if (m_realtimePriority > 0) {
        sched_param param {};
        param.sched_priority = m_realtimePriority;
        if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0)
            note = "watcher thread at SCHED_FIFO priority " + std::to_string(m_realtimePriority);
    }
    if (note.empty()) {
        if (setpriority(PRIO_PROCESS, 0, -10) == 0)
            note = "watcher thread at nice -10 (no real-time priority allowed)";
        else
            note = "watcher thread at normal priority (no raised priority allowed)";
    }
    std::lock_guard lock(m_mutex);
    m_schedulingNote = note;
}

void FlashWatcher::run()
{
    raisePriority();
    pollfd fds[3] = {{xcb_get_file_descriptor(m_events), POLLIN, 0},
        {xcb_get_file_descriptor(m_samples), POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    int64_t nextPing = MonotonicClock::nowNs();
    for (;;) {
        int timeout = -1;
        if (m_keepAwakeMs > 0) {
            const int64_t now = MonotonicClock::nowNs();
            if (now >= nextPing) {
                const xcb_get_input_focus_cookie_t cookie = xcb_get_input_focus(m_samples);
                {
                    std::lock_guard lock(m_mutex);
                    m_pending.push_back({RequestKind::Ping, cookie.sequence, 0, -1});
                }
                xcb_flush(m_samples);
                nextPing = now + int64_t(m_keepAwakeMs) * 1'000'000;
            }
            timeout = int((nextPing - now) / 1'000'000) + 1;
        }
        if (poll(fds, 3, timeout) < 0 && errno != EINTR)
            break;
        drainEvents();
        drainReplies();
        if (fds[2].revents & POLLIN)
            break;
        if (xcb_connection_has_error(m_events) || xcb_connection_has_error(m_samples))
            break;
    }
}

void FlashWatcher::drainEvents()
{
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_events)) {
        // The read happened inside xcb_poll_for_event: stamp before any other work.
        const int64_t now = MonotonicClock::nowNs();
        handleEvent(event, now);
        free(event);
    }
}

void FlashWatcher::handleEvent(const xcb_generic_event_t *event, int64_t nowNs)
{
    std::lock_guard lock(m_mutex);
    switch (event->response_type & ~0x80) {
    case XCB_CREATE_NOTIFY: {
        const auto *e = reinterpret_cast<const xcb_create_notify_event_t *>(event);
        if (e->parent != m_root)
            return;
        WindowState &state = m_windows[e->window];
        state = WindowState {};
        state.x = e->x;
        state.y = e->y;
        state.width = e->width;
        state.height = e->height;
        state.overrideRedirect = e->override_redirect;
        m_classes.erase(e->window);
        askClass(e->window);
        xcb_flush(m_samples);
        return;
    }
    case XCB_CONFIGURE_NOTIFY: {
        const auto *e = reinterpret_cast<const xcb_configure_notify_event_t *>(event);
        if (e->event != m_root)
            return;
        WindowState &state = m_windows[e->window];
        state.x = e->x;
        state.y = e->y;
        state.width = e->width;
        state.height = e->height;
        state.overrideRedirect = e->override_redirect;
        return;
    }
    case XCB_MAP_NOTIFY: {
        const auto *e = reinterpret_cast<const xcb_map_notify_event_t *>(event);
        if (e->event != m_root)
            return;
        WindowState &state = m_windows[e->window];
        FlashRecord flash;
        flash.window = e->window;
        flash.mapNs = nowNs;
        flash.x = state.x;
        flash.y = state.y;
        flash.width = state.width;
        flash.height = state.height;
        flash.overrideRedirect = e->override_redirect;
        state.openFlash = int(m_flashes.size());
        if (state.width > 0 && state.height > 0) {
            // The sample goes out first; nothing else may stand before it.
            const xcb_get_image_cookie_t cookie = xcb_get_image(
                m_samples, XCB_IMAGE_FORMAT_Z_PIXMAP, e->window, 0, 0, state.width, state.height, ~0u);
            m_pending.push_back({RequestKind::Image, cookie.sequence, e->window, state.openFlash});
        } else {
            flash.sample = FlashRecord::Sample::Failed;
        }
        m_flashes.push_back(flash);
        if (!m_classes.count(e->window))
            askClass(e->window);
        xcb_flush(m_samples);
        return;
    }
    case XCB_UNMAP_NOTIFY: {
        const auto *e = reinterpret_cast<const xcb_unmap_notify_event_t *>(event);
        if (e->event != m_root)
            return;
        WindowState &state = m_windows[e->window];
        if (state.openFlash >= 0 && state.openFlash < int(m_flashes.size()))
            m_flashes[std::size_t(state.openFlash)].unmapNs = nowNs;
        state.openFlash = -1;
        return;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto *e = reinterpret_cast<const xcb_destroy_notify_event_t *>(event);
        if (e->event == m_root)
            m_windows.erase(e->window);
        return;
    }
    default:
        return;
    }
}

void FlashWatcher::askClass(uint32_t window)
{
    const xcb_get_property_cookie_t cookie
        = xcb_get_property(m_samples, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64);
    m_pending.push_back({RequestKind::Class, cookie.sequence, window, -1});
}

void FlashWatcher::drainReplies()
{
    for (;;) {
        PendingRequest request;
        {
            std::lock_guard lock(m_mutex);
            if (m_pending.empty())
                return;
            request = m_pending.front();
        }
        void *reply = nullptr;
        xcb_generic_error_t *error = nullptr;
        if (!xcb_poll_for_reply(m_samples, request.sequence, &reply, &error))
            return;
        const int64_t now = MonotonicClock::nowNs();
        {
            std::lock_guard lock(m_mutex);
            m_pending.pop_front();
        }
        if (request.kind == RequestKind::Image) {
            handleImage(request, static_cast<xcb_get_image_reply_t *>(reply), now);
        } else if (request.kind == RequestKind::Class && reply) {
            auto *property = static_cast<xcb_get_property_reply_t *>(reply);
            const int length = xcb_get_property_value_length(property);
            if (length > 0) {
                std::string text(
                    static_cast<const char *>(xcb_get_property_value(property)), std::size_t(length));
                std::replace(text.begin(), text.end(), '\0', ' ');
                std::transform(
                    text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
                std::lock_guard lock(m_mutex);
                m_classes[request.window] = text;
            }
        }
        free(reply);
        free(error);
    }
}

void FlashWatcher::handleImage(const PendingRequest &request, xcb_get_image_reply_t *reply, int64_t nowNs)
{
    FlashRecord::Sample result = FlashRecord::Sample::Late;
    int textPixels = 0;
    int width = 0;
    int height = 0;
    {
        std::lock_guard lock(m_mutex);
        if (request.flash >= 0 && request.flash < int(m_flashes.size())) {
            width = m_flashes[std::size_t(request.flash)].width;
            height = m_flashes[std::size_t(request.flash)].height;
        }
    }
    // An error here is BadMatch: the window was unmapped before the request was served.
    if (reply) {
        const int bytes = xcb_get_image_data_length(reply);
        if ((reply->depth == 24 || reply->depth == 32) && bytes >= width * height * 4) {
            const auto *pixels = reinterpret_cast<const uint32_t *>(xcb_get_image_data(reply));
            for (int i = 0; i < width * height; ++i)
                textPixels += nearColour(pixels[i], m_textColour) ? 1 : 0;
            result
                = textPixels >= MinimumTextPixels ? FlashRecord::Sample::Text : FlashRecord::Sample::NoText;
            bool save = false;
            {
                std::lock_guard lock(m_mutex);
                WindowState &state = m_windows[request.window];
                save = !m_sampleFolder.empty() && !state.sampleSaved;
                state.sampleSaved = true;
            }
            if (save)
                saveSample(request.window, width, height, pixels);
        } else {
            result = FlashRecord::Sample::Failed;
        }
    }
    std::lock_guard lock(m_mutex);
    if (request.flash >= 0 && request.flash < int(m_flashes.size())) {
        FlashRecord &flash = m_flashes[std::size_t(request.flash)];
        flash.sample = result;
        flash.sampleNs = nowNs;
        m_sampleLatenciesMs.push_back(double(nowNs - flash.mapNs) / 1e6);
        flash.textPixels = textPixels;
    }
}

void FlashWatcher::saveSample(uint32_t window, int width, int height, const uint32_t *pixels)
{
    // Copied now and written later by the caller's thread: file output here could
    // delay the next event's time stamp.
    SavedSample sample;
    sample.window = window;
    sample.width = width;
    sample.height = height;
    sample.pixels.assign(pixels, pixels + std::size_t(width) * std::size_t(height));
    std::lock_guard lock(m_mutex);
    m_savedSamples.push_back(std::move(sample));
}

void FlashWatcher::writeSavedSamples(const std::string &prefix)
{
    std::vector<SavedSample> samples;
    {
        std::lock_guard lock(m_mutex);
        samples.swap(m_savedSamples);
    }
    for (const SavedSample &sample : samples) {
        char name[64];
        std::snprintf(name, sizeof name, "-%08x.ppm", sample.window);
        FILE *file = std::fopen((m_sampleFolder + "/" + prefix + name).c_str(), "wb");
        if (!file)
            continue;
        std::fprintf(file, "P6\n%d %d\n255\n", sample.width, sample.height);
        for (const uint32_t pixel : sample.pixels) {
            const unsigned char rgb[3] = {static_cast<unsigned char>(pixel >> 16),
                static_cast<unsigned char>(pixel >> 8), static_cast<unsigned char>(pixel)};
            std::fwrite(rgb, 1, 3, file);
        }
        std::fclose(file);
    }
}
