#include "FrameProbe.h"

#include "MonotonicClock.h"
#include "Summary.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <xcb/xcb.h>

namespace {

void roundTrip(xcb_connection_t *connection)
{
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

FrameProbe::Result FrameProbe::measure(ScreenWatcher &screen, int durationMs, std::string *error)
{
    Result result;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        *error = "frame probe: cannot connect to the X display";
        xcb_disconnect(connection);
        return result;
    }
    const xcb_screen_t *x = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const ScreenWatcher::Rect rect = screen.rect();
    // Two colours far from the text colour, so the probe is never taken for text.
    const uint32_t colours[2] = {0x000000, 0xffffff};
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t values[2] = {colours[0], 1};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, x->root, int16_t(rect.x - 10),
        int16_t(rect.y - 10), uint16_t(rect.width + 20), uint16_t(rect.height + 20), 0,
        XCB_WINDOW_CLASS_INPUT_OUTPUT, x->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(connection, window);
    roundTrip(connection);
    MonotonicClock::sleepMs(200);

    std::vector<int64_t> toggles;
    screen.logChanges(true);
    const int64_t end = MonotonicClock::nowNs() + int64_t(durationMs) * 1'000'000;
    for (int k = 1; MonotonicClock::nowNs() < end; ++k) {
        // Stamped before the request goes out: the change is on the server's
        // screen at some moment after this, before the round trip ends.
        toggles.push_back(MonotonicClock::nowNs());
        xcb_change_window_attributes(connection, window, XCB_CW_BACK_PIXEL, &colours[k % 2]);
        xcb_clear_area(connection, 0, window, 0, 0, 0, 0);
        roundTrip(connection);
        MonotonicClock::sleepUntilNs(MonotonicClock::nowNs() + int64_t(ToggleUs) * 1000);
    }
    MonotonicClock::sleepMs(100);
    screen.logChanges(false);
    const std::vector<int64_t> changes = screen.changes();
    xcb_destroy_window(connection, window);
    roundTrip(connection);
    xcb_disconnect(connection);
    MonotonicClock::sleepMs(100);

    std::vector<double> gaps;
    for (std::size_t k = 1; k < changes.size(); ++k)
        gaps.push_back(double(changes[k] - changes[k - 1]) / 1e6);
    std::vector<double> latencies;
    for (const int64_t toggle : toggles) {
        const auto next = std::upper_bound(changes.begin(), changes.end(), toggle);
        if (next != changes.end())
            latencies.push_back(double(*next - toggle) / 1e6);
    }
    const Summary gap(gaps);
    const Summary latency(latencies);
    result.toggles = toggles.size();
    result.changes = changes.size();
    result.measured = gap.count() >= 10;
    result.gapP50Ms = gap.median();
    result.gapP90Ms = gap.percentile(90);
    result.latencyP50Ms = latency.median();
    result.latencyP90Ms = latency.percentile(90);
    if (!result.measured)
        *error = "frame probe: only " + std::to_string(changes.size()) + " screen changes seen";
    return result;
}
