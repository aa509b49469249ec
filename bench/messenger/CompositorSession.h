#pragma once

#include "ChildProcess.h"

#include <string>

#include <xcb/xcb.h>

// A compositing manager on the benchmark's X server for as long as the object
// lives: picom with its xrender backend and no configuration file, so that no
// setting of the machine's user changes what is measured. It counts as running
// once it owns the selection _NET_WM_CM_S<screen>, as every program that asks
// whether a compositor runs sees it.
class CompositorSession
{
public:
    CompositorSession() = default;
    ~CompositorSession();
    CompositorSession(const CompositorSession &) = delete;
    CompositorSession &operator=(const CompositorSession &) = delete;

    // Starts the compositor and waits until it owns the selection.
    bool start(const std::string &program, const std::string &logPath, std::string *error);
    // Ends it and waits until the selection has no owner any more.
    bool stop(std::string *error);
    bool running() const { return m_running; }
    std::string description() const { return m_description; }

private:
    bool hasOwner(bool *owned);
    bool waitForOwner(bool owned, int timeoutMs);

    xcb_connection_t *m_connection = nullptr;
    xcb_atom_t m_selection = 0;
    ChildProcess m_child;
    bool m_running = false;
    std::string m_logPath;
    std::string m_description;
};
