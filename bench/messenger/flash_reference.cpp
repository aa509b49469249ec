// The least a flashing program can do: map a prepared override-redirect window,
// confirm the map with a round trip, sleep on CLOCK_MONOTONIC, unmap. Measured
// like the real programs, it shows how much of their error is the rig's own.
// Each flash's tick goes to stdout as "tick NS" (CLOCK_MONOTONIC) before the map.
//
//   flash-reference DURATION-MS FREQUENCY-MS COUNT

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

int64_t nowNs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void sleepUntilNs(int64_t deadline)
{
    timespec ts {};
    ts.tv_sec = deadline / 1'000'000'000;
    ts.tv_nsec = deadline % 1'000'000'000;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) { }
}

void roundTrip(xcb_connection_t *connection)
{
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: flash-reference DURATION-MS FREQUENCY-MS COUNT\n");
        return 2;
    }
    const int64_t duration = std::atoll(argv[1]) * 1'000'000;
    const int64_t frequency = std::atoll(argv[2]) * 1'000'000;
    const int count = std::atoi(argv[3]);

    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "flash-reference: no X display\n");
        return 2;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    // A red window, so the watcher's first sample finds the text colour at once.
    const uint32_t values[2] = {0xff0000, 1};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 810, 520, 300, 40, 0,
        XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT,
        values);
    static const char wmClass[] = "flashreference\0FlashReference";
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
        sizeof wmClass, wmClass);
    roundTrip(connection);

    int64_t due = nowNs() + frequency;
    for (int k = 0; k < count; ++k, due += frequency) {
        // A flash whose time passed while the machine did not run us is dropped,
        // as a timer drops missed ticks, not crammed in right after the last one.
        while (nowNs() > due + frequency / 2)
            due += frequency;
        sleepUntilNs(due);
        std::printf("tick %lld\n", static_cast<long long>(nowNs()));
        std::fflush(stdout);
        xcb_map_window(connection, window);
        xcb_flush(connection);
        roundTrip(connection);
        sleepUntilNs(nowNs() + duration);
        xcb_unmap_window(connection, window);
        xcb_flush(connection);
    }
    roundTrip(connection);
    xcb_disconnect(connection);
    return 0;
}
