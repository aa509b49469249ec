#pragma once

#include <QImage>
#include <QList>
#include <QProcess>
#include <QRect>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

#include <xcb/xcb.h>

// The X clients of the Messenger's end-to-end tests. Each has a connection of
// its own and sees the screen as another program, or a user, would.
class XcbClient
{
public:
    explicit XcbClient(const char *display); // empty: none
    ~XcbClient();
    XcbClient(const XcbClient &) = delete;
    XcbClient &operator=(const XcbClient &) = delete;

    bool isValid() const { return m_root != 0; }
    QRect screen() const { return m_screen; }

    // An ordinary top-level window over the whole screen in colour, which hears
    // button presses; mapped and given the focus.
    std::uint32_t createDesktop(QRgb colour);
    void raise(std::uint32_t window); // above every other window
    std::uint32_t focus(); // a round trip too: every request before it is done
    // The pixels of rect as the root window holds them, which under a
    // compositor is what it shows; null when they could not be read.
    QImage grab(const QRect &rect);

protected:
    // Waits for the first event that take accepts, dropping the others.
    bool waitForEvent(int timeoutMs, const std::function<bool(const xcb_generic_event_t *)> &take);
    template <typename T> static std::unique_ptr<T, void (*)(void *)> owned(T *reply)
    {
        return {reply, &std::free};
    }

    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_root = 0;
    QRect m_screen;
};

// An Xvfb of the test's own, started before the connection to it.
struct PrivateServer
{
    PrivateServer();
    ~PrivateServer();
    QProcess process;
    QByteArray name; // as DISPLAY takes it; empty when it did not start
};

// A screen of the test's own, so that a compositor started on it disturbs no
// other test, with a compositor that comes and goes on request. It hears each
// map and unmap of a top-level window, and takes an override-redirect one for
// the Messenger's flash.
class PrivateDisplay : private PrivateServer, public XcbClient
{
public:
    struct Flash
    {
        QRect geometry;
        QImage pixels; // what the screen showed at the window's place just after the map
        QList<QByteArray> wmClass;
    };

    PrivateDisplay();
    ~PrivateDisplay();

    static bool serverInstalled();
    static bool compositorInstalled();

    QString name() const { return QString::fromLatin1(PrivateServer::name); }

    enum class Ending { Quit, Crash }; // asked to leave, or killed

    // Each waits until the compositor's selection has, or has no, owner.
    bool startCompositor(int timeoutMs);
    bool stopCompositor(int timeoutMs, Ending ending);

    // Presses and releases the first button at point, through the server's
    // input faking, as a user's mouse would.
    bool click(QPoint point);
    // Whether window heard a button press since the last click, waiting for
    // one as long as the time allows.
    bool waitForPress(std::uint32_t window, int timeoutMs);

    std::optional<Flash> nextFlash(int timeoutMs);
    bool waitForUnmap(int timeoutMs); // of the last flash

private:
    bool waitForOwner(bool owned, int timeoutMs);

    std::uint32_t m_flash = 0;

    std::unique_ptr<QProcess> m_compositor;
    std::uint32_t m_selection = 0;
};

// Looks at one rectangle of the screen again and again, the way a user's eye
// would. Each look finds the text colour, nothing but the desktop colour, or
// something else.
class ScreenSampler : public XcbClient
{
public:
    enum class Look { Text, Clear, Stained, Failed };

    // One stretch of looks that all found the text.
    struct Appearance
    {
        double ms = 0;
        bool whole = false; // both edges seen within the watch
    };

    struct Report
    {
        QList<Appearance> appearances;
        int textLooks = 0;
        int clearLooks = 0;
        int stainedLooks = 0;
        QRgb stain = 0; // a pixel of the last stained look that was neither colour

        QString toString() const;
    };

    // Text is found at MinTextPixels pixels of exactly its colour.
    static constexpr int MinTextPixels = 10;

    ScreenSampler(const QString &display, const QRect &area, QRgb text, QRgb desktop);

    Look look();
    // Looks for ms milliseconds, with hardly a pause between looks.
    Report watch(int ms);
    // Looks until one finds that; false when none did in time.
    bool waitFor(Look that, int timeoutMs);

private:
    QRect m_area;
    QRgb m_text;
    QRgb m_desktop;
    QRgb m_lastStain = 0;
};
