#pragma once

#include <QObject>
#include <QString>

class QTimer;

// A timer that carries a short tag text between its ticks, as the tour's blink
// count does. Tests can take the ticks into their own hands: the real timer
// then never runs and each tick() delivers one tick to an enabled timer.
class TagTimer : public QObject
{
    Q_OBJECT
public:
    explicit TagTimer(int intervalMs, QObject *parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    // Enabling a timer that runs already keeps its rhythm.
    void setEnabled(bool enabled);
    int interval() const { return m_interval; }

    QString tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    // Delivers one tick now if the timer is enabled; true when it did.
    bool tick();

    static void setDrivenByTest(bool driven);
    static bool isDrivenByTest();

Q_SIGNALS:
    void timeout();

private:
    int m_interval;
    bool m_enabled = false;
    QString m_tag;
    QTimer *m_timer;
};
