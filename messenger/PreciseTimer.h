#pragma once

#include <QObject>

class QSocketNotifier;
class QTimer;

// A repeating timer whose ticks keep to the monotonic clock: on Linux a
// timerfd with absolute, drift-free expiries, which fires within a fraction of
// a millisecond where a QTimer rounds its wait up to whole milliseconds.
// Elsewhere a precise QTimer does the same job less exactly.
class PreciseTimer : public QObject
{
    Q_OBJECT
public:
    explicit PreciseTimer(QObject *parent = nullptr);
    ~PreciseTimer() override;

    int interval() const { return m_interval; }
    // Restarts the count when the timer runs, as setting a timer's interval does.
    void setInterval(int milliseconds);
    bool isActive() const { return m_active; }
    void start();
    void stop();
    // When the tick being delivered was due on the monotonic clock, in
    // nanoseconds; 0 without a timerfd.
    long long dueNs() const { return m_dueNs; }

Q_SIGNALS:
    void timeout();

private:
    void fired();

    int m_interval = 0;
    bool m_active = false;
    int m_fd = -1;
    long long m_nextNs = 0;
    long long m_dueNs = 0;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_fallback = nullptr;
};
