#pragma once

#include <cstdint>
#include <vector>

// The Messenger's frequency ticks, seen from outside. Each tick first reads the
// settings file, and the benchmark keeps renewing the file's modification time
// so that every such read opens it. Among the openings, the start-up reads come
// first; the first tick follows an interval after the last of them, and every
// further tick an interval after the one before.
class MessengerTicks
{
public:
    static std::vector<int64_t> fromOpenings(const std::vector<int64_t> &openingsNs, int frequencyMs);
};
