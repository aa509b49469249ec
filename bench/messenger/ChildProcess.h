#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// A program under measurement, started with its own environment and its output
// sent to a log file. It is ended when the object goes, so no run leaves a
// measured program behind on the benchmark's X server.
class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // environment: NAME=value pairs that replace or add to the inherited ones.
    // realtimePriority > 0 starts the program under SCHED_FIFO at that priority.
    bool start(const std::vector<std::string> &argv, const std::vector<std::string> &environment,
        const std::string &logPath, bool pipeStdin, int realtimePriority, std::string *error);
    pid_t pid() const { return m_pid; }
    bool isRunning();
    bool writeLine(std::string_view line);
    // SIGTERM, then SIGKILL after graceMs.
    void stop(int graceMs = 2000);

private:
    pid_t m_pid = -1;
    int m_stdinFd = -1;
};
