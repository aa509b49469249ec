#pragma once

#include "BenchRunner.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Small pieces the benchmark's tables, reports and watchers share.
namespace ReportText {

// A figure as printed; "-" for one there is none of.
inline std::string number(double value, const char *format = "%.3f")
{
    if (std::isnan(value) || value < -1e300)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

inline std::string share(std::size_t part, std::size_t whole)
{
    char text[32];
    std::snprintf(text, sizeof text, "%zu/%zu", part, whole);
    return text;
}

inline std::vector<const ProgramRun *> programsOf(const SettingRun &setting)
{
    return {&setting.messenger, &setting.peer, &setting.reference};
}

// The last 600 characters of a program's log, for a failure message.
inline std::string fileTail(const std::string &path)
{
    std::ifstream in(path);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    if (text.size() > 600)
        text = "..." + text.substr(text.size() - 600);
    return text;
}

// Far enough from the desktop colour that no blend of the two counts, near
// enough to take the whole core of an anti-aliased glyph.
constexpr int ColourTolerance = 40;
// Fewer pixels than this is a speck, not text.
constexpr int MinimumTextPixels = 12;

inline bool nearColour(uint32_t pixel, uint32_t colour)
{
    for (int shift = 0; shift <= 16; shift += 8) {
        const int a = int((pixel >> shift) & 0xff);
        const int b = int((colour >> shift) & 0xff);
        if (std::abs(a - b) > ColourTolerance)
            return false;
    }
    return true;
}

} // namespace ReportText
