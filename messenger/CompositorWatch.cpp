#include "CompositorWatch.h"

#include <QSocketNotifier>

#include <cstdlib>
#include <ctime>
#include <poll.h>
#include <string>
#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace {

long long monotonicNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Whether an event was made after the request numbered since: an event carries
// the low 16 bits of the last request the server had read from us.
bool notBefore(std::uint16_t eventSequence, unsigned int since)
{
    return std::uint16_t(eventSequence - std::uint16_t(since)) < 0x8000;
}

} // namespace

CompositorWatch::CompositorWatch(QObject *parent)
    : QObject(parent)
{ }

CompositorWatch::~CompositorWatch()
{
    delete m_notifier;
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool CompositorWatch::open()
{
    if (m_connection)
        return true;
    xcb_connection_t *connection = xcb_connect(nullptr, &m_screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < m_screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem) {
        xcb_disconnect(connection);
        return false;
    }
    m_root = screens.data->root;

    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present) {
        xcb_disconnect(connection);
        return false;
    }
    // XFixes answers nothing before its version has been asked.
    free(xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 5, 0), nullptr));
    m_selectionEvent = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;

    const xcb_query_extension_reply_t *damage = xcb_get_extension_data(connection, &xcb_damage_id);
    if (damage && damage->present) {
        xcb_damage_query_version_reply_t *version
            = xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1), nullptr);
        if (version)
            m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
        free(version);
    }

    const std::string name = "_NET_WM_CM_S" + std::to_string(m_screenNumber);
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(name.size()), name.c_str()), nullptr);
    if (!atom) {
        xcb_disconnect(connection);
        return false;
    }
    m_selection = atom->atom;
    free(atom);

    m_connection = connection;
    // Asked for before the owner is read, so no change can slip in between.
    xcb_xfixes_select_selection_input(m_connection, m_root, m_selection,
        XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
            | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
            | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr);
    m_running = owner && owner->owner != XCB_NONE;
    free(owner);

    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CompositorWatch::processEvents);
    processEvents();
    return true;
}

void CompositorWatch::processEvents()
{
    if (!m_connection)
        return;
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
        handle(event);
        free(event);
    }
}

void CompositorWatch::handle(void *raw)
{
    const auto *event = static_cast<xcb_generic_event_t *>(raw);
    const std::uint8_t type = event->response_type & 0x7f;
    if (m_selectionEvent && type == m_selectionEvent) {
        const auto *notify = static_cast<const xcb_xfixes_selection_notify_event_t *>(raw);
        if (notify->selection == m_selection)
            setRunning(notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER
                && notify->owner != XCB_NONE);
    } else if (m_damageEvent && type == m_damageEvent && m_damage && !m_paintSeenNs) {
        const auto *notify = static_cast<const xcb_damage_notify_event_t *>(raw);
        const QRect area(notify->area.x, notify->area.y, notify->area.width, notify->area.height);
        if (notify->damage == m_damage && notBefore(notify->sequence, m_paintSince)
            && area.intersects(m_paintArea))
            m_paintSeenNs = monotonicNs();
    }
}

void CompositorWatch::setRunning(bool running)
{
    if (running == m_running)
        return;
    m_running = running;
    Q_EMIT runningChanged(running);
}

void CompositorWatch::beginPaintWatch(const QRect &area)
{
    if (!m_connection || !m_damageEvent)
        return;
    endPaintWatch();
    m_paintArea = area;
    m_damage = xcb_generate_id(m_connection);
    xcb_damage_create(m_connection, m_damage, m_root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
}

void CompositorWatch::endPaintWatch()
{
    if (!m_damage)
        return;
    xcb_damage_destroy(m_connection, m_damage);
    xcb_flush(m_connection);
    m_damage = 0;
}

long long CompositorWatch::waitForPaint(unsigned int sinceSequence, long long deadlineNs)
{
    if (!m_damage)
        return 0;
    m_paintSince = sinceSequence;
    m_paintSeenNs = 0;
    // The compositor needs the processor to draw: the wait sleeps in poll()
    // rather than spinning, or on a small machine it would draw late.
    for (;;) {
        processEvents();
        if (m_paintSeenNs || xcb_connection_has_error(m_connection))
            break;
        const long long left = deadlineNs - monotonicNs();
        if (left <= 0)
            break;
        pollfd socket {xcb_get_file_descriptor(m_connection), POLLIN, 0};
        const timespec timeout {time_t(left / 1000000000LL), long(left % 1000000000LL)};
        ::ppoll(&socket, 1, &timeout, nullptr);
    }
    return m_paintSeenNs;
}
