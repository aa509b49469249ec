#include "PreciseTimer.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cstdint>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

PreciseTimer::PreciseTimer(QObject *parent)
    : QObject(parent)
{
    m_fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &PreciseTimer::fired);
    } else {
        m_fallback = new QTimer(this);
        m_fallback->setTimerType(Qt::PreciseTimer);
        connect(m_fallback, &QTimer::timeout, this, &PreciseTimer::timeout);
    }
}

PreciseTimer::~PreciseTimer()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void PreciseTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    if (m_active)
        start();
}

void PreciseTimer::start()
{
    m_active = true;
    if (m_fallback) {
        m_fallback->start(m_interval);
        return;
    }
    const long long interval = std::max(1, m_interval) * 1000000LL;
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const long long first = now.tv_sec * 1000000000LL + now.tv_nsec + interval;
    m_nextNs = first;
    itimerspec expiry {};
    expiry.it_value.tv_sec = time_t(first / 1000000000LL);
    expiry.it_value.tv_nsec = long(first % 1000000000LL);
    expiry.it_interval.tv_sec = time_t(interval / 1000000000LL);
    expiry.it_interval.tv_nsec = long(interval % 1000000000LL);
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &expiry, nullptr);
}

void PreciseTimer::stop()
{
    m_active = false;
    if (m_fallback) {
        m_fallback->stop();
        return;
    }
    const itimerspec off {};
    ::timerfd_settime(m_fd, 0, &off, nullptr);
}

void PreciseTimer::fired()
{
    std::uint64_t expirations = 0;
    if (::read(m_fd, &expirations, sizeof expirations) != sizeof expirations)
        return;
    // Ticks missed while the program could not run are not made up for.
    const long long interval = std::max(1, m_interval) * 1000000LL;
    m_dueNs = m_nextNs + (long long)(expirations - 1) * interval;
    m_nextNs += (long long)expirations * interval;
    if (m_active)
        Q_EMIT timeout();
    m_dueNs = 0;
}
