#include "ChildProcess.h"

#include "MonotonicClock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::start(const std::vector<std::string> &argv, const std::vector<std::string> &environment,
    const std::string &logPath, bool pipeStdin, int realtimePriority, std::string *error)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string_view entry(*e);
        const std::string_view name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string &own : environment)
            replaced = replaced || own.compare(0, name.size() + 1, std::string(name) + '=') == 0;
        if (!replaced)
            env.emplace_back(entry);
    }
    env.insert(env.end(), environment.begin(), environment.end());

    std::vector<char *> argvPtrs;
    for (const std::string &a : argv)
        argvPtrs.push_back(const_cast<char *>(a.c_str()));
    argvPtrs.push_back(nullptr);
    std::vector<char *> envPtrs;
    for (const std::string &e : env)
        envPtrs.push_back(const_cast<char *>(e.c_str()));
    envPtrs.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    // Close-on-exec, so that a later child never holds this one's stdin open.
    if (pipeStdin && pipe2(pipeFds, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipeStdin)
        posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);

    // The child gets its own process group, so that stop() reaches its helpers too.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    short flags = POSIX_SPAWN_SETPGROUP;
    if (realtimePriority > 0) {
        sched_param param {};
        param.sched_priority = realtimePriority;
        posix_spawnattr_setschedpolicy(&attributes, SCHED_FIFO);
        posix_spawnattr_setschedparam(&attributes, &param);
        flags |= POSIX_SPAWN_SETSCHEDULER;
    }
    posix_spawnattr_setflags(&attributes, flags);
    posix_spawnattr_setpgroup(&attributes, 0);

    const int rc = posix_spawnp(&m_pid, argvPtrs[0], &actions, &attributes, argvPtrs.data(), envPtrs.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (pipeStdin)
        close(pipeFds[0]);
    if (rc != 0) {
        m_pid = -1;
        if (pipeStdin)
            close(pipeFds[1]);
        *error = "cannot start " + argv[0] + ": " + std::strerror(rc);
        return false;
    }
    m_stdinFd = pipeStdin ? pipeFds[1] : -1;
    return true;
}

bool ChildProcess::isRunning()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
    }
    return true;
}

bool ChildProcess::writeLine(std::string_view line)
{
    if (m_stdinFd < 0)
        return false;
    std::string buffer(line);
    buffer += '\n';
    return write(m_stdinFd, buffer.data(), buffer.size()) == ssize_t(buffer.size());
}

void ChildProcess::stop(int graceMs)
{
    if (m_stdinFd >= 0) {
        close(m_stdinFd);
        m_stdinFd = -1;
    }
    if (m_pid <= 0)
        return;
    kill(-m_pid, SIGTERM);
    const int64_t deadline = MonotonicClock::nowNs() + int64_t(graceMs) * 1'000'000;
    while (isRunning() && MonotonicClock::nowNs() < deadline)
        MonotonicClock::sleepMs(10);
    if (m_pid > 0) {
        kill(-m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}
