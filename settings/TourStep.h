#pragma once

#include <QString>
#include <array>

// One stop of the guided tour. Windows are named by their object names and
// looked up when the step is shown, so a step whose window is missing still
// shows its words, only in the place of the step before.
struct TourStep
{
    const char *broughtUp; // the child brought to the front, or nullptr
    const char *anchor; // the child whose content panel the tour stands by
    int dyTwips;
    int dxTwips;
    int corner; // 0: no arrow; 1-4: top left, top right, bottom right, bottom left
    int direction; // 1-4: left, down, right, up
    const char *title;
    const char *words;

    static constexpr int Count = 19;
    static const std::array<TourStep, Count> &all();
};
