#include "BenchSandbox.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool makeFolder(const std::string &path, std::string *error)
{
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = "cannot make " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool writeText(const std::string &path, const std::string &text, std::string *error)
{
    const std::string partial = path + ".partial";
    FILE *file = std::fopen(partial.c_str(), "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        *error = "cannot write " + path;
        if (file)
            std::fclose(file);
        return false;
    }
    std::fclose(file);
    // Whole or not at all: a running Messenger may read the store at any moment.
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

int removeEntry(const char *path, const struct stat *, int, FTW *)
{
    return ::remove(path);
}

} // namespace

BenchSandbox::~BenchSandbox()
{
    if (!m_root.empty())
        nftw(m_root.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool BenchSandbox::create(std::string *error)
{
    const char *tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/messenger-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        *error = "cannot make a temporary folder: " + std::string(std::strerror(errno));
        return false;
    }
    m_root = pattern;
    return makeFolder(m_root + "/home", error) && makeFolder(m_root + "/config", error)
        && makeFolder(m_root + "/runtime", error) && makeFolder(settingsFolder(), error)
        && makeFolder(m_root + "/home/Murmurine", error);
}

bool BenchSandbox::writeSettings(
    const std::vector<std::pair<std::string, std::string>> &values, std::string *error)
{
    std::string text = "[Settings]\n";
    for (const auto &[key, value] : values)
        text += key + "=" + value + "\n";
    return writeText(settingsFolder() + "/Murmurine.conf", text, error);
}

bool BenchSandbox::writeLibrary(const std::vector<std::string> &messages, std::string *error)
{
    std::string text = "[Categories]\n1=1Bench\n\n[Bench]\n";
    for (std::size_t i = 0; i < messages.size(); ++i)
        text += std::to_string(i + 1) + "=1" + messages[i] + "\n";
    return writeText(m_root + "/home/Murmurine/DATA.TXT", text, error);
}

std::vector<std::string> BenchSandbox::environment() const
{
    return {"HOME=" + m_root + "/home", "XDG_CONFIG_HOME=" + m_root + "/config",
        "XDG_RUNTIME_DIR=" + m_root + "/runtime"};
}
