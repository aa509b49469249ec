#pragma once

#include "FlashSchedule.h"

#include <QImage>
#include <QObject>

#include <cstdint>
#include <memory>

class CompositorWatch;
class OverlayWindow;
class QSocketNotifier;
class QTimer;
class QWidget;
struct xcb_connection_t;

// Shows the message window for an exact number of milliseconds. On X11 the
// finished frame becomes the window's background pixmap before the map, so the
// server shows it from the first instant, and the end of the flash is a
// timerfd on the monotonic clock with an absolute expiry. Elsewhere a plain
// show() and a precise QTimer do the same job less exactly. While a compositor
// runs, the flash goes to an OverlayWindow that stays mapped, and its duration
// counts from the moment the compositor has drawn it.
class FlashPresenter : public QObject
{
    Q_OBJECT
public:
    explicit FlashPresenter(QWidget *window);
    ~FlashPresenter() override;

    // Makes the native window, once: at start-up, or else at the first flash.
    void attach();

    bool isNative() const { return m_connection != nullptr; }
    // Whether flashes go through a running compositor.
    bool isComposited() const { return m_overlay != nullptr; }
    // Showing, or about to show.
    bool isShowing() const { return m_phase != Phase::Hidden; }

    // A frequency tick begins; dueNs is when it was due on the monotonic clock
    // (0: now). Its flash is shown a fixed lead after that moment, so neither a
    // late wake-up nor the varying time the preparation takes moves the rhythm.
    void markTick(long long dueNs = 0);
    // The window must be hidden, at its place and size, and paint frame.
    void flash(const QImage &frame, int durationMs);
    // Under a compositor, returns once it has drawn the screen without the
    // flash (at most MaxPaintWaitNs later), so that a copy of the screen taken
    // next holds none of it.
    void hide();

    // The screen's pixels in pixels (in Qt's coordinates), read straight from
    // the root window in one request; null when not native or on failure.
    QImage grabScreen(const QRect &pixels);

Q_SIGNALS:
    // The duration is over; the window is still showing.
    void expired();

private:
    enum class Phase { Hidden, Pending, Showing };
    static constexpr long long MaxReplySpinNs = 5'000'000;
    // How long a flash waits to see the compositor draw it: three frames at 60 Hz.
    static constexpr long long MaxPaintWaitNs = 50'000'000;
    // A compositor whose drawing damages nothing we can see (one that draws
    // outside the X server) is not waited for after this many misses.
    static constexpr int PaintMissesToGiveUp = 3;

    bool setUpNative();
    void uploadBackground(const QImage &frame);
    // Qt's device-independent pixels to the X server's.
    QRect nativeRect(const QRect &logical) const;
    void compositorChanged(bool running);
    void showNow();
    void showOnOverlay();
    void hideOnOverlay();
    long long awaitReply(xcb_connection_t *connection, unsigned int sequence);
    void waitForEdge(long long monotonicDeadlineNs);
    void keepServerAwakeUntil(long long monotonicDeadlineNs);
    void arm(long long monotonicNs);
    void disarm();
    void timerFired();

    QWidget *m_window;
    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_windowId = 0;
    std::uint32_t m_root = 0;
    std::uint32_t m_gc = 0;
    std::uint8_t m_depth = 0;
    int m_timerFd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_fallbackTimer;
    bool m_attached = false;
    Phase m_phase = Phase::Hidden;
    CompositorWatch *m_compositor = nullptr;
    std::unique_ptr<OverlayWindow> m_overlay;
    bool m_onOverlay = false; // the flash under way goes through the compositor
    int m_paintMisses = 0;
    FlashSchedule m_schedule;
    int m_durationMs = 0;
    long long m_showAtNs = 0;
    long long m_hideAtNs = 0;
};
