#pragma once

#include <QString>

#include <functional>

// How the Quick Stop button looks, from the keys its set-up writes. Any value
// read gives a usable look: a bad icon pair is pair 0, an empty name the default.
struct HaltPadOptions
{
    static const QString DefaultOnName;
    static const QString DefaultOffName;
    // Longer names are cut: the name is a window title and a button caption.
    static constexpr int MaxNameLength = 64;

    bool taskBarWindow = false;
    int iconPair = 0;
    QString onName = DefaultOnName;
    QString offName = DefaultOffName;

    using Reader = std::function<QString(const QString &key)>;
    static HaltPadOptions read(const Reader &readSetting);

    static int iconPairFrom(const QString &value);
    static QString nameFrom(const QString &value, const QString &fallback);
};
