#include "ProcessUsage.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

bool readFile(const std::string &path, std::string *contents)
{
    std::ifstream in(path);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *contents = buffer.str();
    return true;
}

int64_t statusField(const std::string &status, const char *name)
{
    // Anchored at a line start: "voluntary_ctxt_switches" is also the tail of another key.
    std::string key = "\n";
    key += name;
    key += ':';
    const std::size_t at = status.find(key);
    if (at == std::string::npos)
        return 0;
    return std::strtoll(status.c_str() + at + key.size(), nullptr, 10);
}

} // namespace

UsageSample ProcessUsage::read(pid_t pid)
{
    UsageSample sample;
    const std::string base = "/proc/" + std::to_string(pid);
    std::string stat;
    std::string status;
    if (!readFile(base + "/stat", &stat) || !readFile(base + "/status", &status))
        return sample;

    // The command name may hold blanks and parentheses; the fields start after the last ')'.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return sample;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    // state is field 3 of the file; utime and stime are 14 and 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14 || index == 15)
            sample.cpuTicks += std::strtoll(field.c_str(), nullptr, 10);
    }
    sample.vmHwmKb = statusField(status, "VmHWM");
    sample.vmRssKb = statusField(status, "VmRSS");

    if (DIR *tasks = opendir((base + "/task").c_str())) {
        while (const dirent *entry = readdir(tasks)) {
            if (entry->d_name[0] == '.')
                continue;
            const std::string task = base + "/task/" + entry->d_name;
            std::string taskStatus;
            if (readFile(task + "/status", &taskStatus)) {
                sample.contextSwitches += statusField(taskStatus, "voluntary_ctxt_switches")
                    + statusField(taskStatus, "nonvoluntary_ctxt_switches");
            }
            std::string schedstat;
            if (readFile(task + "/schedstat", &schedstat))
                sample.cpuNs += std::strtoll(schedstat.c_str(), nullptr, 10);
        }
        closedir(tasks);
    }
    sample.valid = true;
    return sample;
}

double ProcessUsage::msPerTick()
{
    return 1000.0 / double(sysconf(_SC_CLK_TCK));
}
