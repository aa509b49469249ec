#include "ScreenSampler.h"

#include <QStringList>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <xcb/xcb.h>

QList<ScreenSampler::Appearance> ScreenSampler::Report::whole() const
{
    QList<Appearance> result;
    for (const Appearance &appearance : appearances) {
        if (appearance.whole)
            result << appearance;
    }
    return result;
}

QString ScreenSampler::Report::toString() const
{
    QStringList times;
    for (const Appearance &appearance : appearances)
        times << (appearance.whole ? QString::number(appearance.ms(), 'f', 1) : QStringLiteral("cut"));
    return QStringLiteral("%1 appearances (ms: %2); looks: %3 text, %4 clear, %5 stained (last #%6)")
        .arg(appearances.size())
        .arg(times.join(QStringLiteral(", ")))
        .arg(textLooks)
        .arg(clearLooks)
        .arg(stainedLooks)
        .arg(stain, 6, 16, QLatin1Char('0'));
}

ScreenSampler::ScreenSampler(const QString &display, const QRect &area, QRgb text, QRgb desktop)
    : m_area(area)
    , m_text(text & 0xffffff)
    , m_desktop(desktop & 0xffffff)
{
    m_connection = xcb_connect(display.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(m_connection))
        return;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    if (screen && screen->root_depth >= 24 && !area.isEmpty())
        m_root = screen->root;
}

ScreenSampler::~ScreenSampler()
{
    xcb_disconnect(m_connection);
}

long long ScreenSampler::nowNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// A short pause between looks leaves the server and the programs under test
// the processor, yet no flash of a millisecond or two slips by unseen.
void ScreenSampler::pause()
{
    const timespec gap {0, 250000};
    ::nanosleep(&gap, nullptr);
}

ScreenSampler::Look ScreenSampler::look()
{
    if (!m_root)
        return Look::Failed;
    const std::unique_ptr<xcb_get_image_reply_t, void (*)(void *)> image {
        xcb_get_image_reply(m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, std::int16_t(m_area.x()),
                std::int16_t(m_area.y()), std::uint16_t(m_area.width()), std::uint16_t(m_area.height()), ~0u),
            nullptr),
        &std::free};
    const int count = m_area.width() * m_area.height();
    // 24-bit pixels travel in 32-bit units, low byte first on every server we test on.
    if (!image || xcb_get_image_data_length(image.get()) < count * 4)
        return Look::Failed;
    const auto *pixels = reinterpret_cast<const std::uint32_t *>(xcb_get_image_data(image.get()));
    int text = 0;
    bool clear = true;
    for (int i = 0; i < count; ++i) {
        const QRgb pixel = pixels[i] & 0xffffff;
        if (pixel == m_text) {
            ++text;
        } else if (pixel != m_desktop && clear) {
            clear = false;
            m_lastStain = pixel;
        }
    }
    if (text >= MinTextPixels)
        return Look::Text;
    return clear && text == 0 ? Look::Clear : Look::Stained;
}

ScreenSampler::Report ScreenSampler::watch(int ms)
{
    Report report;
    const long long end = nowNs() + ms * 1000000LL;
    bool first = true;
    bool showing = false;
    for (long long now = nowNs(); now < end; first = false, pause()) {
        const Look seen = look();
        now = nowNs();
        if (seen == Look::Failed)
            return report;
        if (seen == Look::Text) {
            ++report.textLooks;
            if (!showing)
                report.appearances << Appearance {now, 0, !first, 0};
            ++report.appearances.last().looks;
            showing = true;
            continue;
        }
        if (seen == Look::Clear) {
            ++report.clearLooks;
        } else {
            ++report.stainedLooks;
            report.stain = m_lastStain;
        }
        if (showing)
            report.appearances.last().endNs = now;
        showing = false;
    }
    if (showing) {
        report.appearances.last().whole = false;
        report.appearances.last().endNs = nowNs();
    }
    return report;
}

bool ScreenSampler::waitFor(Look that, int timeoutMs)
{
    const long long end = nowNs() + timeoutMs * 1000000LL;
    while (nowNs() < end) {
        const Look seen = look();
        if (seen == that)
            return true;
        if (seen == Look::Failed)
            return false;
        pause();
    }
    return false;
}
