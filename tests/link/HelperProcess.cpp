#include "HelperProcess.h"

HelperProcess::HelperProcess(const QProcessEnvironment &environment, QObject *parent)
    : QObject(parent)
{
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &HelperProcess::readOutput);
}

HelperProcess::~HelperProcess()
{
    if (m_process.state() != QProcess::NotRunning)
        killHard();
}

void HelperProcess::start(const QStringList &arguments)
{
    m_process.start(QStringLiteral(LINK_HELPER), arguments);
}

void HelperProcess::killHard()
{
    m_process.kill();
    m_process.waitForFinished(30000);
}

void HelperProcess::readOutput()
{
    m_pending += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        m_lines.append(QString::fromUtf8(m_pending.left(end)));
        m_pending.remove(0, end + 1);
    }
}
