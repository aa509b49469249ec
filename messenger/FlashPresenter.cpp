#include "FlashPresenter.h"

#include "CompositorWatch.h"
#include "OverlayWindow.h"
#include "PixmapUpload.h"
#include "XcbWindowPlace.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

FlashPresenter::FlashPresenter(QWidget *window)
    : QObject(window)
    , m_window(window)
    , m_fallbackTimer(new QTimer(this))
{
    m_fallbackTimer->setSingleShot(true);
    m_fallbackTimer->setTimerType(Qt::PreciseTimer);
    connect(m_fallbackTimer, &QTimer::timeout, this, &FlashPresenter::expired);
}

void FlashPresenter::attach()
{
    if (m_attached)
        return;
    m_attached = true;
    if (!setUpNative())
        m_connection = nullptr;
}

FlashPresenter::~FlashPresenter()
{
    m_overlay.reset();
    if (m_connection && m_gc) {
        xcb_free_gc(m_connection, m_gc);
        xcb_flush(m_connection);
    }
    if (m_timerFd >= 0)
        ::close(m_timerFd);
}

bool FlashPresenter::setUpNative()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return false;
    m_connection = x11->connection();
    m_windowId = std::uint32_t(m_window->winId());

    // The frame goes up as 32-bit little-endian pixels, which is what QImage
    // holds; any other server layout leaves the painting to Qt alone.
    xcb_get_geometry_reply_t *geometry
        = xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_windowId), nullptr);
    if (geometry) {
        m_depth = geometry->depth;
        m_root = geometry->root;
        free(geometry);
    }
    if (!PixmapUpload::supports(m_connection, m_depth))
        m_depth = 0;
    if (m_depth) {
        m_gc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, m_gc, m_windowId, 0, nullptr);
        m_compositor = new CompositorWatch(this);
        if (m_compositor->open()) {
            // Queued: the change may be read in the middle of a flash.
            connect(m_compositor, &CompositorWatch::runningChanged, this, &FlashPresenter::compositorChanged,
                Qt::QueuedConnection);
            compositorChanged(m_compositor->isRunning());
        } else {
            delete m_compositor;
            m_compositor = nullptr;
        }
    }

    m_timerFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timerFd < 0)
        return false;
    m_notifier = new QSocketNotifier(m_timerFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &FlashPresenter::timerFired);
    return true;
}

void FlashPresenter::uploadBackground(const QImage &frame)
{
    if (!m_depth || frame.isNull())
        return;
    const std::uint32_t pixmap = PixmapUpload::upload(m_connection, m_windowId, m_gc, m_depth, frame);
    xcb_change_window_attributes(m_connection, m_windowId, XCB_CW_BACK_PIXMAP, &pixmap);
    // The window holds its own reference to the pixmap.
    xcb_free_pixmap(m_connection, pixmap);
}

void FlashPresenter::compositorChanged(bool running)
{
    m_paintMisses = 0;
    m_schedule.forgetHideLags();
    if (running && !m_overlay) {
        auto overlay = std::make_unique<OverlayWindow>(m_compositor->connection(), m_compositor->root());
        if (overlay->create(m_connection, m_windowId))
            m_overlay = std::move(overlay);
    } else if (!running && m_overlay) {
        // Without a compositor a mapped 32-bit window shows black where it is
        // transparent: it goes at once, a flash under way with it.
        m_compositor->endPaintWatch();
        m_overlay.reset();
    }
}

QRect FlashPresenter::nativeRect(const QRect &logical) const
{
    const qreal ratio = m_window->devicePixelRatioF();
    return QRect(qRound(logical.x() * ratio), qRound(logical.y() * ratio),
        std::max(1, qRound(logical.width() * ratio)), std::max(1, qRound(logical.height() * ratio)));
}

QImage FlashPresenter::grabScreen(const QRect &pixels)
{
    attach();
    if (!m_depth || pixels.isEmpty())
        return {};
    const QRect native = nativeRect(pixels);
    // Outside the root window the request fails; the caller falls back.
    xcb_generic_error_t *error = nullptr;
    xcb_get_image_reply_t *reply = xcb_get_image_reply(m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, std::int16_t(native.x()),
            std::int16_t(native.y()), std::uint16_t(native.width()), std::uint16_t(native.height()), ~0u),
        &error);
    free(error);
    if (!reply)
        return {};
    const int stride = native.width() * 4;
    if ((reply->depth != 24 && reply->depth != 32)
        || xcb_get_image_data_length(reply) < stride * native.height()) {
        free(reply);
        return {};
    }
    // The reply's memory goes with the image; no copy is made here.
    QImage image(xcb_get_image_data(reply), native.width(), native.height(), stride, QImage::Format_RGB32,
        free, reply);
    image.setDevicePixelRatio(m_window->devicePixelRatioF());
    return image;
}

namespace {

// Between two requests that keep the X server awake, so it never settles into
// a sleep it is slow to leave, yet is not kept spinning either.
constexpr long long PingGapNs = 250'000;
// The last stretch before an edge is waited out awake: a sleep may end late.
constexpr long long SpinNs = 300'000;

long long monotonicNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

void waitUntil(long long monotonicDeadlineNs)
{
    while (monotonicNs() < monotonicDeadlineNs) { }
}

void sleepUntil(long long monotonicDeadlineNs)
{
    timespec until {};
    until.tv_sec = time_t(monotonicDeadlineNs / 1000000000LL);
    until.tv_nsec = long(monotonicDeadlineNs % 1000000000LL);
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) { }
}

} // namespace

void FlashPresenter::markTick(long long dueNs)
{
    m_schedule.tick(dueNs > 0 ? dueNs : monotonicNs());
}

void FlashPresenter::flash(const QImage &frame, int durationMs)
{
    attach();
    if (isShowing())
        hide();
    m_durationMs = durationMs;
    m_onOverlay = m_overlay != nullptr;
    if (!m_connection) {
        m_window->show();
        m_phase = Phase::Showing;
        m_fallbackTimer->start(durationMs);
        return;
    }

    // Qt keeps a hidden window's geometry to itself until it shows the window;
    // the window is mapped here, so the place and size are sent here too.
    const QRect place = nativeRect(m_window->geometry());
    if (m_onOverlay) {
        m_overlay->prepare(place, frame);
        m_compositor->beginPaintWatch(place);
    } else {
        uploadBackground(frame);
        XcbWindowPlace::placeOnTop(m_connection, m_windowId, place);
        xcb_flush(m_connection);
    }
    const long long now = monotonicNs();
    m_showAtNs = m_schedule.takeShowAt(now);
    m_phase = Phase::Pending;
    arm(FlashSchedule::wakeFor(m_showAtNs, now));
}

void FlashPresenter::showNow()
{
    if (m_onOverlay) {
        showOnOverlay();
        return;
    }
    // With the frame in the window's background Qt has nothing to paint, so
    // the window is mapped past Qt: a repaint and its upload in the middle of
    // a flash would only delay the hide. Without it Qt shows and paints.
    if (m_depth)
        xcb_map_window(m_connection, m_windowId);
    else
        m_window->show();
    const xcb_get_input_focus_cookie_t confirmation = xcb_get_input_focus(m_connection);
    const long long sent = monotonicNs();
    xcb_flush(m_connection);
    m_phase = Phase::Showing;
    // The server answers only after it has mapped the window: from the answer
    // on, the flash is on screen, whatever earlier flashes' answers took.
    const long long confirmed = awaitReply(m_connection, confirmation.sequence);
    m_schedule.shown(sent, confirmed, m_durationMs);
    m_hideAtNs = m_schedule.hideAt();
    arm(FlashSchedule::wakeFor(m_hideAtNs, monotonicNs()));
}

void FlashPresenter::showOnOverlay()
{
    m_phase = Phase::Showing;
    if (!m_overlay) {
        // The compositor went while the flash was being prepared.
        arm(monotonicNs());
        return;
    }
    xcb_connection_t *connection = m_compositor->connection();
    const unsigned int shownBy = m_overlay->show();
    const xcb_get_input_focus_cookie_t confirmation = xcb_get_input_focus(connection);
    const long long sent = monotonicNs();
    xcb_flush(connection);
    const long long confirmed = awaitReply(connection, confirmation.sequence);
    m_schedule.shown(sent, confirmed, m_durationMs);
    // The compositor draws the change at its next frame: the duration counts
    // from then, so even a 1 ms flash is on the screen for one frame.
    if (m_paintMisses < PaintMissesToGiveUp) {
        const long long painted = m_compositor->waitForPaint(shownBy, confirmed + MaxPaintWaitNs);
        m_paintMisses = painted ? 0 : m_paintMisses + 1;
        m_schedule.painted(painted);
    }
    m_hideAtNs = m_schedule.hideAt();
    arm(FlashSchedule::wakeFor(m_hideAtNs, monotonicNs()));
}

void FlashPresenter::waitForEdge(long long deadline)
{
    // A compositor has to draw each edge, and on a small machine every
    // processor this process keeps busy is one it cannot draw on: sleep, and
    // wake only for the last stretch.
    if (m_onOverlay) {
        sleepUntil(deadline - SpinNs);
        waitUntil(deadline);
    } else {
        keepServerAwakeUntil(deadline);
    }
}

void FlashPresenter::keepServerAwakeUntil(long long deadline)
{
    // An idle X server on a shared machine can take milliseconds to serve a
    // request; one that has just answered serves the next at once. Each
    // request waits for its answer, so they never pile up.
    for (long long now = monotonicNs(); now < deadline - SpinNs; now = monotonicNs()) {
        const unsigned int sequence = xcb_get_input_focus(m_connection).sequence;
        xcb_flush(m_connection);
        for (;;) {
            void *reply = nullptr;
            xcb_generic_error_t *error = nullptr;
            if (xcb_poll_for_reply(m_connection, sequence, &reply, &error)) {
                free(reply);
                free(error);
                break;
            }
            if (monotonicNs() >= deadline) {
                xcb_discard_reply(m_connection, sequence);
                return;
            }
        }
        sleepUntil(std::min(monotonicNs() + PingGapNs, deadline - SpinNs));
    }
    waitUntil(deadline);
}

long long FlashPresenter::awaitReply(xcb_connection_t *connection, unsigned int sequence)
{
    // Waiting awake: a process that sleeps for the answer wakes up to
    // learn of it late, and the answer dates the map.
    const long long giveUpAt = monotonicNs() + MaxReplySpinNs;
    while (monotonicNs() < giveUpAt) {
        void *reply = nullptr;
        xcb_generic_error_t *error = nullptr;
        if (xcb_poll_for_reply(connection, sequence, &reply, &error)) {
            const long long answered = monotonicNs();
            free(reply);
            free(error);
            return answered;
        }
    }
    free(xcb_wait_for_reply(connection, sequence, nullptr));
    return monotonicNs();
}

void FlashPresenter::arm(long long monotonicNs)
{
    itimerspec expiry {};
    expiry.it_value.tv_sec = time_t(monotonicNs / 1000000000LL);
    expiry.it_value.tv_nsec = long(monotonicNs % 1000000000LL);
    ::timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME, &expiry, nullptr);
}

void FlashPresenter::disarm()
{
    if (m_timerFd >= 0) {
        const itimerspec off {};
        ::timerfd_settime(m_timerFd, 0, &off, nullptr);
    }
    m_fallbackTimer->stop();
}

void FlashPresenter::timerFired()
{
    std::uint64_t expirations = 0;
    if (::read(m_timerFd, &expirations, sizeof expirations) != sizeof expirations)
        return; // a disarmed or already consumed expiry
    // A process that slept wakes up late on a busy or virtual machine, the
    // more so the longer it slept; it wakes a little early and waits out the
    // rest with the X server kept ready.
    if (m_phase == Phase::Pending) {
        waitForEdge(m_showAtNs);
        showNow();
    } else if (m_phase == Phase::Showing) {
        waitForEdge(m_hideAtNs);
        Q_EMIT expired();
    }
}

void FlashPresenter::hide()
{
    disarm();
    if (m_onOverlay) {
        hideOnOverlay();
        m_phase = Phase::Hidden;
        return;
    }
    if (m_depth) {
        xcb_unmap_window(m_connection, m_windowId);
        xcb_flush(m_connection);
    } else {
        m_window->hide();
        if (m_connection)
            xcb_flush(m_connection);
    }
    m_phase = Phase::Hidden;
}

void FlashPresenter::hideOnOverlay()
{
    if (m_overlay) {
        const unsigned int clearedBy = m_overlay->clear();
        const long long sent = monotonicNs();
        // Waiting for the compositor to draw the screen without the flash
        // means a copy of the screen taken next holds none of it, and tells
        // the next flashes how long a hide takes to reach the screen.
        if (m_phase == Phase::Showing && m_paintMisses < PaintMissesToGiveUp)
            m_schedule.hidden(sent, m_compositor->waitForPaint(clearedBy, sent + MaxPaintWaitNs));
    }
    m_compositor->endPaintWatch();
    m_compositor->processEvents();
}
