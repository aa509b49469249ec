#pragma once

#include <QObject>
#include <QRect>

#include <cstdint>

class QSocketNotifier;
struct xcb_connection_t;

// Follows whether a compositing manager runs on the X screen (the owner of
// _NET_WM_CM_S<screen>), and tells when the compositor has drawn a flash: its
// drawing onto the screen damages the root window. It has an X connection of
// its own, so the events it reads are never taken from Qt's, and it asks for
// none between flashes: an idle Messenger stays idle.
class CompositorWatch : public QObject
{
    Q_OBJECT
public:
    explicit CompositorWatch(QObject *parent = nullptr);
    ~CompositorWatch() override;

    // Connects and starts following the selection; false when the display or
    // the XFixes extension is missing, and then no compositor is ever reported.
    bool open();
    bool isRunning() const { return m_running; }
    bool canSeePaint() const { return m_damageEvent != 0; }
    xcb_connection_t *connection() const { return m_connection; }
    std::uint32_t root() const { return m_root; }
    int screenNumber() const { return m_screenNumber; }

    // Damage on the screen within area, from request sequence on, is the
    // compositor drawing the flash; watched from here until endPaintWatch().
    void beginPaintWatch(const QRect &area);
    void endPaintWatch();
    // Blocks until such damage arrives, or the deadline on the monotonic
    // clock; the monotonic time it was seen, or 0.
    long long waitForPaint(unsigned int sinceSequence, long long deadlineNs);

    // Reads whatever is queued on the connection; called after others wait on it.
    void processEvents();

Q_SIGNALS:
    void runningChanged(bool running);

private:
    void handle(void *event);
    void setRunning(bool running);

    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_root = 0;
    int m_screenNumber = 0;
    std::uint32_t m_selection = 0;
    std::uint8_t m_selectionEvent = 0; // XFixes SelectionNotify, 0 when absent
    std::uint8_t m_damageEvent = 0; // DamageNotify, 0 when Damage is absent
    std::uint32_t m_damage = 0; // while a paint is watched
    QRect m_paintArea;
    unsigned int m_paintSince = 0;
    long long m_paintSeenNs = 0;
    bool m_running = false;
    QSocketNotifier *m_notifier = nullptr;
};
