#include "X11Helpers.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <ctime>
#include <poll.h>

namespace {

constexpr int ServerTimeout = 20000;
constexpr int Width = 1280;
constexpr int Height = 800;

bool is(const xcb_generic_event_t *event, std::uint8_t type)
{
    return (event->response_type & 0x7f) == type;
}

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// A short pause between looks leaves the server and the programs under test
// the processor, yet no flash of a millisecond or two slips by unseen.
void pauseBetweenLooks()
{
    const timespec gap {0, 250000};
    ::nanosleep(&gap, nullptr);
}

// A program on display, with its output thrown away (the compositor's client
// library complains of every event of an extension it does not know).
void startOn(QProcess &process, const QByteArray &display, const QString &program, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args);
}

} // namespace

XcbClient::XcbClient(const char *display)
{
    if (!*display)
        return;
    m_connection = xcb_connect(display, nullptr);
    const xcb_screen_t *screen = xcb_connection_has_error(m_connection)
        ? nullptr
        : xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    if (!screen)
        return;
    m_root = screen->root;
    m_screen = QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
}

XcbClient::~XcbClient()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

std::uint32_t XcbClient::createDesktop(QRgb colour)
{
    const xcb_window_t window = xcb_generate_id(m_connection);
    const std::uint32_t values[]
        = {colour & 0xffffff, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0,
        std::uint16_t(m_screen.width()), std::uint16_t(m_screen.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
        XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_map_window(m_connection, window);
    xcb_flush(m_connection);
    waitForEvent(5000, [window](const xcb_generic_event_t *event) {
        return is(event, XCB_MAP_NOTIFY)
            && reinterpret_cast<const xcb_map_notify_event_t *>(event)->window == window;
    });
    xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    focus();
    return window;
}

void XcbClient::raise(std::uint32_t window)
{
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(m_connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    focus();
}

std::uint32_t XcbClient::focus()
{
    const auto reply
        = owned(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return reply ? reply->focus : 0;
}

QImage XcbClient::grab(const QRect &r)
{
    const auto image = owned(xcb_get_image_reply(m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, std::int16_t(r.x()),
            std::int16_t(r.y()), std::uint16_t(r.width()), std::uint16_t(r.height()), ~0u),
        nullptr));
    // 24-bit pixels travel in 32-bit units, low byte first on every server we test on.
    if (!image || image->depth < 24 || xcb_get_image_data_length(image.get()) < r.width() * r.height() * 4)
        return {};
    return QImage(xcb_get_image_data(image.get()), r.width(), r.height(), r.width() * 4, QImage::Format_RGB32)
        .copy();
}

bool XcbClient::waitForEvent(int timeoutMs, const std::function<bool(const xcb_generic_event_t *)> &take)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const bool taken = take(event);
            std::free(event);
            if (taken)
                return true;
        }
        if (xcb_connection_has_error(m_connection) || deadline.hasExpired())
            return false;
        pollfd fd {xcb_get_file_descriptor(m_connection), POLLIN, 0};
        ::poll(&fd, 1, int(std::min<qint64>(deadline.remainingTime(), 100)));
    }
}

std::optional<PrivateDisplay::Flash> PrivateDisplay::nextFlash(int timeoutMs)
{
    m_flash = 0;
    waitForEvent(timeoutMs, [this](const xcb_generic_event_t *event) {
        const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event);
        if (is(event, XCB_MAP_NOTIFY) && map->override_redirect)
            m_flash = map->window;
        return m_flash != 0;
    });
    if (!m_flash)
        return std::nullopt;
    const auto geometry
        = owned(xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_flash), nullptr));
    const auto wmClass = owned(xcb_get_property_reply(m_connection,
        xcb_get_property(m_connection, 0, m_flash, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr));
    if (!geometry || !wmClass)
        return std::nullopt;
    const QRect rect(geometry->x, geometry->y, geometry->width, geometry->height);
    return Flash {rect, grab(rect),
        QByteArray(static_cast<const char *>(xcb_get_property_value(wmClass.get())),
            xcb_get_property_value_length(wmClass.get()))
            .split('\0')};
}

bool PrivateDisplay::waitForUnmap(int timeoutMs)
{
    return m_flash && waitForEvent(timeoutMs, [this](const xcb_generic_event_t *event) {
        return is(event, XCB_UNMAP_NOTIFY)
            && reinterpret_cast<const xcb_unmap_notify_event_t *>(event)->window == m_flash;
    });
}

PrivateServer::PrivateServer()
{
    if (!PrivateDisplay::serverInstalled())
        return;
    // The server picks a free display itself and writes its number to our end
    // of its standard output once it takes connections.
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QStringLiteral("Xvfb"),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
            QStringLiteral("%1x%2x24").arg(Width).arg(Height), QStringLiteral("-nolisten"),
            QStringLiteral("tcp"), QStringLiteral("-noreset")});
    const QDeadlineTimer deadline(ServerTimeout);
    while (!process.canReadLine() && !deadline.hasExpired() && process.state() != QProcess::NotRunning)
        process.waitForReadyRead(100);
    bool isNumber = false;
    const int number = process.canReadLine() ? process.readLine().trimmed().toInt(&isNumber) : 0;
    if (isNumber)
        name = ':' + QByteArray::number(number);
}

PrivateServer::~PrivateServer()
{
    stop(process);
}

PrivateDisplay::PrivateDisplay()
    : XcbClient(PrivateServer::name.constData())
{
    if (!isValid())
        return;
    const auto atom = owned(
        xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, 13, "_NET_WM_CM_S0"), nullptr));
    if (!atom) {
        m_root = 0;
        return;
    }
    m_selection = atom->atom;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY; // the maps and unmaps of top-level windows
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
}

PrivateDisplay::~PrivateDisplay()
{
    if (m_compositor)
        stop(*m_compositor);
}

bool PrivateDisplay::serverInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty();
}

bool PrivateDisplay::compositorInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("picom")).isEmpty();
}

bool PrivateDisplay::startCompositor(int timeoutMs)
{
    if (m_compositor && m_compositor->state() != QProcess::NotRunning)
        return false;
    m_compositor = std::make_unique<QProcess>();
    // No configuration file: the built-in defaults, with no fading or shadows.
    startOn(*m_compositor, PrivateServer::name, QStringLiteral("picom"),
        {QStringLiteral("--backend"), QStringLiteral("xrender"), QStringLiteral("--config"),
            QStringLiteral("/dev/null")});
    return m_compositor->waitForStarted(timeoutMs) && waitForOwner(true, timeoutMs);
}

bool PrivateDisplay::stopCompositor(int timeoutMs, Ending ending)
{
    if (!m_compositor)
        return false;
    if (ending == Ending::Crash) {
        m_compositor->kill();
        m_compositor->waitForFinished(timeoutMs);
    }
    stop(*m_compositor);
    return waitForOwner(false, timeoutMs);
}

bool PrivateDisplay::waitForOwner(bool owned, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const auto reply = XcbClient::owned(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr));
        if ((reply && reply->owner != XCB_NONE) == owned)
            return true;
        if (deadline.hasExpired() || xcb_connection_has_error(m_connection))
            return false;
        QThread::msleep(20);
    }
}

bool PrivateDisplay::click(QPoint point)
{
    // Presses heard before this click are not its own.
    focus();
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
        std::free(event);
    QProcess tool;
    startOn(tool, PrivateServer::name, QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
            QStringLiteral("click"), QStringLiteral("1")});
    return tool.waitForFinished(ServerTimeout) && tool.exitStatus() == QProcess::NormalExit
        && tool.exitCode() == 0;
}

bool PrivateDisplay::waitForPress(std::uint32_t window, int timeoutMs)
{
    return waitForEvent(timeoutMs, [window](const xcb_generic_event_t *event) {
        return is(event, XCB_BUTTON_PRESS)
            && reinterpret_cast<const xcb_button_press_event_t *>(event)->event == window;
    });
}

QString ScreenSampler::Report::toString() const
{
    QStringList times;
    for (const Appearance &appearance : appearances)
        times << (appearance.whole ? QString::number(appearance.ms, 'f', 1) : QStringLiteral("cut"));
    return QStringLiteral("%1 appearances (ms: %2); looks: %3 text, %4 clear, %5 stained (last #%6)")
        .arg(appearances.size())
        .arg(times.join(QStringLiteral(", ")))
        .arg(textLooks)
        .arg(clearLooks)
        .arg(stainedLooks)
        .arg(stain, 6, 16, QLatin1Char('0'));
}

ScreenSampler::ScreenSampler(const QString &display, const QRect &area, QRgb text, QRgb desktop)
    : XcbClient(display.toLatin1().constData())
    , m_area(area)
    , m_text(text & 0xffffff)
    , m_desktop(desktop & 0xffffff)
{ }

ScreenSampler::Look ScreenSampler::look()
{
    const QImage image = grab(m_area);
    if (image.isNull())
        return Look::Failed;
    const auto *pixels = reinterpret_cast<const QRgb *>(image.constBits());
    int text = 0;
    bool clear = true;
    for (qsizetype i = 0; i < qsizetype(image.width()) * image.height(); ++i) {
        const QRgb pixel = pixels[i] & 0xffffff;
        if (pixel == m_text) {
            ++text;
        } else if (pixel != m_desktop && clear) {
            clear = false;
            m_lastStain = pixel;
        }
    }
    if (text >= MinTextPixels)
        return Look::Text;
    return clear && text == 0 ? Look::Clear : Look::Stained;
}

ScreenSampler::Report ScreenSampler::watch(int ms)
{
    Report report;
    QElapsedTimer clock;
    clock.start();
    const auto now = [&clock] { return double(clock.nsecsElapsed()) / 1e6; };
    double since = -1; // when the text on screen now was first seen; below 0: none is
    for (bool first = true; now() < ms; first = false, pauseBetweenLooks()) {
        const Look seen = look();
        const double at = now();
        if (seen == Look::Failed)
            return report;
        if (seen == Look::Text) {
            ++report.textLooks;
            if (since < 0) {
                since = at;
                report.appearances << Appearance {0, !first};
            }
            continue;
        }
        ++(seen == Look::Clear ? report.clearLooks : report.stainedLooks);
        if (seen == Look::Stained)
            report.stain = m_lastStain;
        if (since >= 0)
            report.appearances.last().ms = at - since;
        since = -1;
    }
    if (since >= 0)
        report.appearances.last() = {now() - since, false};
    return report;
}

bool ScreenSampler::waitFor(Look that, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const Look seen = look();
        if (seen == that)
            return true;
        if (seen == Look::Failed)
            return false;
        pauseBetweenLooks();
    }
    return false;
}
