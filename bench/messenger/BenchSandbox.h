#pragma once

#include <string>
#include <utility>
#include <vector>

// A throw-away user for one measured run: its own HOME, XDG_CONFIG_HOME and
// XDG_RUNTIME_DIR, so the Messenger never sees the real user's settings,
// library or running instance.
class BenchSandbox
{
public:
    BenchSandbox() = default;
    ~BenchSandbox();
    BenchSandbox(const BenchSandbox &) = delete;
    BenchSandbox &operator=(const BenchSandbox &) = delete;

    bool create(std::string *error);
    // Group [Settings] of the Messenger's settings store, values as strings.
    bool writeSettings(const std::vector<std::pair<std::string, std::string>> &values, std::string *error);
    // A library of one marked category holding the given marked messages.
    bool writeLibrary(const std::vector<std::string> &messages, std::string *error);

    const std::string &root() const { return m_root; }
    std::string settingsFolder() const { return m_root + "/config/Murmurine"; }
    std::vector<std::string> environment() const;

private:
    std::string m_root;
};
