#include "CompositorSession.h"

#include "ReportText.h"

#include "MonotonicClock.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

constexpr int StartTimeoutMs = 10'000;
constexpr int StopTimeoutMs = 5'000;

} // namespace

CompositorSession::~CompositorSession()
{
    std::string ignored;
    stop(&ignored);
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool CompositorSession::start(const std::string &program, const std::string &logPath, std::string *error)
{
    int screenNumber = 0;
    if (!m_connection)
        m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        *error = "compositor: cannot connect to the X display";
        return false;
    }
    const std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber);
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, uint16_t(name.size()), name.c_str()), nullptr);
    if (!atom) {
        *error = "compositor: cannot intern " + name;
        return false;
    }
    m_selection = atom->atom;
    free(atom);

    bool owned = false;
    if (!hasOwner(&owned) || owned) {
        *error = "compositor: " + name + " already has an owner before the compositor starts";
        return false;
    }
    // --config /dev/null: an empty configuration, every option at its default.
    const std::vector<std::string> argv {program, "--backend", "xrender", "--config", "/dev/null"};
    m_logPath = logPath;
    if (!m_child.start(argv, {}, logPath, false, 0, error))
        return false;
    m_running = true;
    if (!waitForOwner(true, StartTimeoutMs)) {
        *error = program + " did not take " + name + " within " + std::to_string(StartTimeoutMs)
            + " ms; its output: " + ReportText::fileTail(logPath);
        std::string ignored;
        stop(&ignored);
        return false;
    }
    m_description = program + " --backend xrender --config /dev/null (owns " + name + ")";
    return true;
}

bool CompositorSession::stop(std::string *error)
{
    if (!m_running)
        return true;
    m_child.stop();
    m_running = false;
    if (!waitForOwner(false, StopTimeoutMs)) {
        *error = "the compositor's selection still has an owner after it ended";
        return false;
    }
    return true;
}

bool CompositorSession::hasOwner(bool *owned)
{
    xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr);
    if (!reply)
        return false;
    *owned = reply->owner != XCB_NONE;
    free(reply);
    return true;
}

bool CompositorSession::waitForOwner(bool owned, int timeoutMs)
{
    const int64_t deadline = MonotonicClock::nowNs() + int64_t(timeoutMs) * 1'000'000;
    for (;;) {
        bool now = false;
        if (!hasOwner(&now))
            return false;
        if (now == owned)
            return true;
        if (owned && !m_child.isRunning())
            return false;
        if (MonotonicClock::nowNs() > deadline)
            return false;
        MonotonicClock::sleepMs(10);
    }
}
