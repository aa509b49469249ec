#include "BenchOptions.h"

#include <cstdlib>
#include <sstream>

namespace {

bool toInt(const std::string &text, int minimum, int *value)
{
    char *end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || parsed < minimum || parsed > 10'000'000)
        return false;
    *value = int(parsed);
    return true;
}

} // namespace

std::string BenchOptions::usage()
{
    return "usage: messenger-bench [--messenger PATH] [--peer PATH|--no-peer] [--reference PATH] [--quick]\n"
           "                       [--durations 1,2,5,...] [--flashes N] [--long-flashes N]\n"
           "                       [--frequency MS] [--long-frequency MS] [--idle-seconds S]\n"
           "                       [--priority P (0: none)] [--nice N] [--program-priority P]\n"
           "                       [--keep-awake MS] [--no-pause-watch]\n"
           "                       [--settings plain,picom] [--compositor PATH] [--sample-gap-us US]\n"
           "                       [--samples FOLDER]\n"
           "                       [--note TEXT] [--raw CSV-FILE]\n"
           "Runs on the X display named by DISPLAY, which should be a private Xvfb at 1920x1080x24.\n";
}

bool BenchOptions::parse(int argc, char **argv, std::string *error)
{
    bool flashesGiven = false;
    bool idleGiven = false;
    bool longFlashesGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        const std::string value = hasValue ? argv[i + 1] : std::string();
        bool ok = true;
        if (arg == "--quick") {
            quick = true;
            continue;
        }
        if (arg == "--no-peer") {
            peer.clear();
            continue;
        }
        if (arg == "--no-pause-watch") {
            watchPauses = false;
            continue;
        }
        if (!hasValue) {
            *error = "unknown option or missing value: " + arg;
            return false;
        }
        ++i;
        if (arg == "--messenger") {
            messenger = value;
        } else if (arg == "--reference") {
            reference = value;
        } else if (arg == "--peer") {
            peer = value;
        } else if (arg == "--raw") {
            rawFile = value;
        } else if (arg == "--note") {
            notes.push_back(value);
        } else if (arg == "--compositor") {
            compositor = value;
        } else if (arg == "--settings") {
            plainSetting = compositedSetting = false;
            std::stringstream list(value);
            std::string item;
            while (ok && std::getline(list, item, ',')) {
                plainSetting = plainSetting || item == "plain";
                compositedSetting = compositedSetting || item == "picom";
                ok = item == "plain" || item == "picom";
            }
            ok = ok && (plainSetting || compositedSetting);
        } else if (arg == "--sample-gap-us") {
            ok = toInt(value, 0, &sampleGapUs) && sampleGapUs <= 10'000;
        } else if (arg == "--samples") {
            sampleFolder = value;
        } else if (arg == "--durations") {
            durationsMs.clear();
            std::stringstream list(value);
            std::string item;
            while (ok && std::getline(list, item, ',')) {
                int ms = 0;
                ok = toInt(item, 1, &ms);
                durationsMs.push_back(ms);
            }
            ok = ok && !durationsMs.empty();
        } else if (arg == "--flashes") {
            ok = toInt(value, 2, &flashesPerDuration);
            flashesGiven = true;
        } else if (arg == "--long-flashes") {
            ok = toInt(value, 2, &longFlashes);
            longFlashesGiven = true;
        } else if (arg == "--frequency") {
            ok = toInt(value, 10, &frequencyMs);
        } else if (arg == "--long-frequency") {
            ok = toInt(value, 10, &longFrequencyMs);
        } else if (arg == "--idle-seconds") {
            ok = toInt(value, 0, &idleSeconds) && idleSeconds <= 62;
            idleGiven = true;
        } else if (arg == "--keep-awake") {
            ok = toInt(value, 0, &keepAwakeMs) && keepAwakeMs <= 1000;
        } else if (arg == "--program-priority") {
            ok = toInt(value, 0, &programRealtime) && programRealtime <= 99;
        } else if (arg == "--nice") {
            ok = toInt(value, -20, &programNice) && programNice <= 19;
        } else if (arg == "--priority") {
            ok = toInt(value, 0, &realtimePriority) && realtimePriority <= 99;
        } else {
            *error = "unknown option: " + arg;
            return false;
        }
        if (!ok) {
            *error = "bad value for " + arg + ": " + value;
            return false;
        }
    }
    if (quick) {
        if (!flashesGiven)
            flashesPerDuration = 15;
        if (!longFlashesGiven)
            longFlashes = 6;
        if (!idleGiven)
            idleSeconds = 10;
    }
    return true;
}
