#pragma once

#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>

// Another program run with a test's private environment: a link endpoint, a
// sender, one of our programs. Killed when it goes, as a crash would end it.
class TestProcess : public QProcess
{
public:
    TestProcess(const QProcessEnvironment &env, const QString &program, const QStringList &args)
    {
        setProcessEnvironment(env);
        start(program, args);
    }
    TestProcess(const TestEnvironment &env, const QString &program, const QStringList &args)
        : TestProcess(env.processEnvironment(), program, args)
    { }
    ~TestProcess() override
    {
        kill();
        waitForFinished();
    }

    // The next line it prints; empty when none comes in time. Keeps this
    // process's event loop running, so an endpoint in here can answer.
    QString nextLine(int patience = 20000)
    {
        QDeadlineTimer deadline(patience);
        while (!canReadLine() && !deadline.hasExpired()) {
            if (state() == QProcess::NotRunning && !waitForReadyRead(0))
                break;
            QTest::qWait(5);
        }
        return canReadLine() ? QString::fromUtf8(readLine()).trimmed() : QString();
    }
};
