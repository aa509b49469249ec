#pragma once

#include <QProcess>
#include <QRect>
#include <QRgb>
#include <QString>

#include <cstdint>
#include <memory>

struct xcb_connection_t;

// An X server of the test's own, so that a compositor started on it disturbs
// no other test, with a compositor that comes and goes on request and a
// desktop window that reports the clicks it gets.
class PrivateDisplay
{
public:
    static constexpr int Width = 1280;
    static constexpr int Height = 800;

    // Starts the server and connects to it; see isValid().
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay &) = delete;
    PrivateDisplay &operator=(const PrivateDisplay &) = delete;

    static bool serverInstalled();
    static bool compositorInstalled();

    bool isValid() const { return m_root != 0; }
    QString name() const { return m_name; } // as DISPLAY takes it
    QRect screen() const { return QRect(0, 0, Width, Height); }

    enum class Ending { Quit, Crash }; // asked to leave, or killed

    // Each waits until the compositor's selection has, or has no, owner.
    bool startCompositor(int timeoutMs);
    bool stopCompositor(int timeoutMs, Ending ending);
    bool hasCompositor();

    // A plain top-level window over the whole screen in colour, which hears
    // button presses; mapped and given the focus.
    std::uint32_t createDesktop(QRgb colour);
    // Puts window above every other one.
    void raise(std::uint32_t window);
    std::uint32_t focus();
    // Presses and releases the first button at point, through the server's
    // input faking, as a user's mouse would.
    bool click(QPoint point);
    // Whether window heard a button press since the last click, waiting for
    // one as long as the time allows.
    bool waitForPress(std::uint32_t window, int timeoutMs);

private:
    bool waitForOwner(bool owned, int timeoutMs);

    QProcess m_server;
    std::unique_ptr<QProcess> m_compositor;
    QString m_name;
    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint32_t m_selection = 0;
};
