#include "TickProbe.h"

#include "MonotonicClock.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

TickProbe::TickProbe()
{
    m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

TickProbe::~TickProbe()
{
    stop();
    if (m_stopFd >= 0)
        close(m_stopFd);
}

bool TickProbe::start(const std::string &folder, int realtimePriority, std::string *error)
{
    m_inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_inotify < 0
        || inotify_add_watch(
               m_inotify, folder.c_str(), IN_OPEN | IN_ACCESS | IN_CREATE | IN_MODIFY | IN_MOVED_TO)
            < 0) {
        *error = "cannot watch " + folder + ": " + std::strerror(errno);
        return false;
    }
    m_thread = std::thread([this, realtimePriority] { run(realtimePriority); });
    return true;
}

void TickProbe::stop()
{
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        if (write(m_stopFd, &one, sizeof one) == sizeof one)
            m_thread.join();
        else
            m_thread.detach();
    }
    if (m_inotify >= 0) {
        close(m_inotify);
        m_inotify = -1;
    }
}

std::vector<TickProbe::Touch> TickProbe::touches() const
{
    std::lock_guard lock(m_mutex);
    return m_touches;
}

void TickProbe::run(int realtimePriority)
{
    if (realtimePriority > 0) {
        sched_param param {};
        param.sched_priority = realtimePriority;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    }
    pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN)
            return;
        const ssize_t length = read(m_inotify, buffer, sizeof buffer);
        const int64_t now = MonotonicClock::nowNs();
        if (length <= 0)
            continue;
        std::lock_guard lock(m_mutex);
        for (ssize_t offset = 0; offset < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
            m_touches.push_back({now, event->mask, event->len ? std::string(event->name) : std::string()});
            offset += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}
