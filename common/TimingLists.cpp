#include "TimingLists.h"

namespace {

template <std::size_t N> QStringList captionsOf(const std::array<TimingLists::Entry, N> &list)
{
    QStringList captions;
    captions.reserve(int(N));
    for (const TimingLists::Entry &entry : list)
        captions.append(QString::fromLatin1(entry.caption));
    return captions;
}

} // namespace

QStringList TimingLists::durationCaptions()
{
    return captionsOf(Durations);
}

QStringList TimingLists::frequencyCaptions()
{
    return captionsOf(Frequencies);
}
