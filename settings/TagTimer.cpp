#include "TagTimer.h"

#include <QTimer>

namespace {
bool drivenByTest = false;
}

TagTimer::TagTimer(int intervalMs, QObject *parent)
    : QObject(parent)
    , m_interval(intervalMs)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(intervalMs);
    connect(m_timer, &QTimer::timeout, this, &TagTimer::tick);
}

void TagTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled && !drivenByTest)
        m_timer->start();
    else
        m_timer->stop();
}

bool TagTimer::tick()
{
    if (!m_enabled)
        return false;
    Q_EMIT timeout();
    return true;
}

void TagTimer::setDrivenByTest(bool driven)
{
    drivenByTest = driven;
}

bool TagTimer::isDrivenByTest()
{
    return drivenByTest;
}
