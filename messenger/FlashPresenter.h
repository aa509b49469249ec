#pragma once

#include <QImage>
#include <QObject>

#include <cstdint>

class QSocketNotifier;
class QTimer;
class QWidget;
struct xcb_connection_t;

// Shows the message window for an exact number of milliseconds. On X11 the
// finished frame becomes the window's background pixmap before the map, so the
// server shows it from the first instant, and the end of the flash is a
// timerfd on the monotonic clock with an absolute expiry. Elsewhere a plain
// show() and a precise QTimer do the same job less exactly.
class FlashPresenter : public QObject
{
    Q_OBJECT
public:
    explicit FlashPresenter(QWidget *window);
    ~FlashPresenter() override;

    bool isNative() const { return m_connection != nullptr; }
    bool isShowing() const { return m_showing; }

    // The window must be hidden, at its place and size, and paint frame.
    void flash(const QImage &frame, int durationMs);
    void hide();

Q_SIGNALS:
    // The duration is over; the window is still showing.
    void expired();

private:
    bool setUpNative();
    void uploadBackground(const QImage &frame);
    void armExpiry(int durationMs);
    void disarm();
    void timerFired();

    QWidget *m_window;
    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_windowId = 0;
    std::uint32_t m_gc = 0;
    std::uint8_t m_depth = 0;
    int m_timerFd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_fallbackTimer = nullptr;
    bool m_showing = false;
};
