#include "PrivateDisplay.h"

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QThread>

#include <cstdlib>
#include <poll.h>
#include <xcb/xcb.h>

namespace {

constexpr int ServerTimeout = 20000;

template <typename T> std::unique_ptr<T, void (*)(void *)> owned(T *reply)
{
    return {reply, &std::free};
}

QProcessEnvironment environmentFor(const QString &display)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    return env;
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

} // namespace

PrivateDisplay::PrivateDisplay()
{
    if (!serverInstalled())
        return;
    // The server picks a free display itself and writes its number to our end
    // of its standard output once it takes connections.
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.setStandardErrorFile(QProcess::nullDevice());
    m_server.start(QStringLiteral("Xvfb"),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
            QStringLiteral("%1x%2x24").arg(Width).arg(Height), QStringLiteral("-nolisten"),
            QStringLiteral("tcp"), QStringLiteral("-noreset")});
    const QDeadlineTimer deadline(ServerTimeout);
    while (!m_server.canReadLine() && !deadline.hasExpired() && m_server.state() != QProcess::NotRunning)
        m_server.waitForReadyRead(100);
    if (!m_server.canReadLine())
        return;
    bool isNumber = false;
    const int number = m_server.readLine().trimmed().toInt(&isNumber);
    if (!isNumber)
        return;
    m_name = QStringLiteral(":%1").arg(number);

    m_connection = xcb_connect(m_name.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(m_connection))
        return;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    const QByteArray selection = "_NET_WM_CM_S0";
    const auto atom = owned(xcb_intern_atom_reply(m_connection,
        xcb_intern_atom(m_connection, 0, std::uint16_t(selection.size()), selection.constData()), nullptr));
    if (!screen || !atom)
        return;
    m_selection = atom->atom;
    m_root = screen->root;
}

PrivateDisplay::~PrivateDisplay()
{
    if (m_compositor)
        stop(*m_compositor);
    if (m_connection)
        xcb_disconnect(m_connection);
    stop(m_server);
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
    m_compositor->setProcessEnvironment(environmentFor(m_name));
    // Its client library complains of every event of an extension it does not know.
    m_compositor->setStandardOutputFile(QProcess::nullDevice());
    m_compositor->setStandardErrorFile(QProcess::nullDevice());
    // No configuration file: the built-in defaults, with no fading or shadows.
    m_compositor->start(QStringLiteral("picom"),
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

bool PrivateDisplay::hasCompositor()
{
    const auto reply = owned(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr));
    return reply && reply->owner != XCB_NONE;
}

bool PrivateDisplay::waitForOwner(bool owned, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (hasCompositor() != owned) {
        if (deadline.hasExpired() || xcb_connection_has_error(m_connection))
            return false;
        QThread::msleep(20);
    }
    return true;
}

std::uint32_t PrivateDisplay::createDesktop(QRgb colour)
{
    const xcb_window_t window = xcb_generate_id(m_connection);
    const std::uint32_t values[] = {colour & 0xffffff, XCB_EVENT_MASK_BUTTON_PRESS};
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0, Width, Height, 0,
        XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_map_window(m_connection, window);
    xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    // A round trip: the window is up and focused when this returns.
    focus();
    return window;
}

void PrivateDisplay::raise(std::uint32_t window)
{
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(m_connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    focus();
}

std::uint32_t PrivateDisplay::focus()
{
    const auto reply
        = owned(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return reply ? reply->focus : 0;
}

bool PrivateDisplay::click(QPoint point)
{
    // Presses heard before this click are not its own.
    focus();
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
        std::free(event);
    QProcess tool;
    tool.setProcessEnvironment(environmentFor(m_name));
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
            QStringLiteral("click"), QStringLiteral("1")});
    return tool.waitForFinished(ServerTimeout) && tool.exitStatus() == QProcess::NormalExit
        && tool.exitCode() == 0;
}

bool PrivateDisplay::waitForPress(std::uint32_t window, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (auto *event = reinterpret_cast<xcb_button_press_event_t *>(xcb_poll_for_event(m_connection))) {
            const bool press = (event->response_type & 0x7f) == XCB_BUTTON_PRESS && event->event == window;
            std::free(event);
            if (press)
                return true;
        }
        if (xcb_connection_has_error(m_connection) || deadline.hasExpired())
            return false;
        pollfd fd {xcb_get_file_descriptor(m_connection), POLLIN, 0};
        ::poll(&fd, 1, int(std::min<qint64>(deadline.remainingTime(), 100)));
    }
}
