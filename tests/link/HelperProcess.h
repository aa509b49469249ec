#pragma once

#include <QObject>
#include <QProcess>
#include <QStringList>

// The link_helper program run as another process of the same user, with the
// test's private environment; its error output goes to the test's, so that a
// sanitizer report in the helper is seen.
class HelperProcess : public QObject
{
    Q_OBJECT
public:
    explicit HelperProcess(const QProcessEnvironment &environment, QObject *parent = nullptr);
    ~HelperProcess() override;

    void start(const QStringList &arguments);
    // Every whole line the helper has printed so far.
    QStringList lines() const { return m_lines; }
    bool printed(const QString &line) const { return m_lines.contains(line); }
    QProcess &process() { return m_process; }
    // SIGKILL, as a crash would end it, and reaped, so the process id is no longer in use.
    void killHard();

private:
    void readOutput();

    QProcess m_process;
    QByteArray m_pending;
    QStringList m_lines;
};
