#include "frmMessage.h"

#include "DataFile.h"
#include "DataFolder.h"
#include "FlashPresenter.h"
#include "IniProcedures.h"
#include "LinkEndpoint.h"
#include "PreciseTimer.h"
#include "SingleInstance.h"
#include "TimeStamp.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

QString readSetting(const QString &key)
{
    return ReadIniFile(SettingsSection, key, SettingsFileName);
}

void writeSetting(const QString &key, const QString &value)
{
    WriteIniFile(SettingsSection, key, value, SettingsFileName);
}

QScreen *primaryScreen()
{
    return QGuiApplication::primaryScreen();
}

} // namespace

const std::array<QColor, 7> frmMessage::RandomColours {
    QColor(0, 0, 0),
    QColor(0, 0, 128),
    QColor(0, 128, 0),
    QColor(0, 128, 128),
    QColor(128, 0, 0),
    QColor(128, 0, 128),
    QColor(128, 128, 0),
};

frmMessage::frmMessage(QWidget *parent)
    : QWidget(parent,
        Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
            | Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint)
    , m_clock([] { return QDateTime::currentDateTime(); })
    , m_random([] { return QRandomGenerator::global()->generateDouble(); })
    , m_capture([this](const QRect &pixels) { return grabScreen(pixels); })
{
    setObjectName(QStringLiteral("frmMessage"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);

    imgPicture = new QLabel(this);
    imgPicture->setObjectName(QStringLiteral("imgPicture"));
    imgPicture->hide();

    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setTextFormat(Qt::PlainText);
    lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMessage->show();

    tmrFrequency = new PreciseTimer(this);
    tmrFrequency->setObjectName(QStringLiteral("tmrFrequency"));
    tmrFrequency->setInterval(m_settings.frequencyMs);
    connect(tmrFrequency, &PreciseTimer::timeout, this, &frmMessage::tmrFrequency_Timer);

    applyLook();
    resize(1, 1);
    m_presenter = new FlashPresenter(this);
    connect(m_presenter, &FlashPresenter::expired, this, &frmMessage::tmrDuration_Timer);
}

frmMessage::~frmMessage() = default;

bool frmMessage::Form_Load()
{
    m_instance = std::make_unique<SingleInstance>(QStringLiteral("murmurine"));
    QString lockError;
    // Only a live Messenger holding the lock stops this one; a lock that
    // cannot even be made must not keep the messages from being shown.
    if (!m_instance->tryAcquire(&lockError) && lockError.isEmpty())
        return false;
    // The native window is made once and kept, so every flash reuses it.
    m_presenter->attach();

    m_link = new LinkEndpoint(QStringLiteral("Murmurine Mini"), QStringLiteral("Form1"), this);
    connect(m_link, &LinkEndpoint::textChanged, this, [this](const QString &item, const QString &text) {
        if (item == QLatin1String("Text1"))
            Text1_Change(text);
    });
    // Without the link the Messenger still stops on the settings' Time and On.
    m_link->listen();

    strPathUser = DataFolder::FindDataFolder();
    m_paragraphs.close();
    writeSetting(QStringLiteral("Time"), TimeStamp::format(m_clock()));
    writeSetting(QStringLiteral("On"), QStringLiteral("Yes"));
    LoadSettings();
    LoadMessages();
    startQuickStop();
    tmrFrequency->start();
    datLastTime = m_clock();
    return true;
}

void frmMessage::startQuickStop()
{
    if (readSetting(QStringLiteral("HaltPad")) == QLatin1String("No"))
        return;
    QProcess::startDetached(QCoreApplication::applicationDirPath() + QStringLiteral("/haltpad"), {});
}

void frmMessage::LoadSettings()
{
    m_settings.load(&readSetting);
    // Setting an interval restarts the count; an unchanged one keeps the rhythm.
    if (tmrFrequency->interval() != m_settings.frequencyMs)
        tmrFrequency->setInterval(m_settings.frequencyMs);
    applyLook();
}

void frmMessage::applyLook()
{
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, m_settings.backColour);
    setPalette(windowPalette);

    QFont font(m_settings.fontName);
    font.setPointSizeF(m_settings.fontSize);
    lblMessage->setFont(font);
    QPalette labelPalette = lblMessage->palette();
    labelPalette.setColor(QPalette::WindowText, m_settings.textColour);
    lblMessage->setPalette(labelPalette);
}

void frmMessage::LoadMessages()
{
    lstMessage.setEntries(DataFile(DataFolder::dataFilePath(strPathUser)).readMarkedMessages());
}

void frmMessage::endMessenger()
{
    if (m_ended)
        return;
    m_ended = true;
    tmrFrequency->stop();
    m_presenter->hide();
    m_paragraphs.close();
    Q_EMIT ended();
}

void frmMessage::tmrFrequency_Timer()
{
    if (m_ended)
        return;
    m_presenter->markTick(tmrFrequency->dueNs());
    // A duration longer than the frequency: the last flash ends here, so the
    // next one is prepared and captured while hidden like every other.
    if (m_presenter->isShowing())
        m_presenter->hide();

    const QDateTime time = TimeStamp::parse(readSetting(QStringLiteral("Time")));
    if (!time.isValid()) {
        endMessenger();
        return;
    }
    if (time > datLastTime) {
        if (readSetting(QStringLiteral("On")) != QLatin1String("Yes")) {
            endMessenger();
            return;
        }
        // A text file left open would hold the selection on an entry the new
        // list may no longer have.
        m_paragraphs.close();
        LoadSettings();
        LoadMessages();
    }
    datLastTime = time;

    if (lstMessage.isEmpty()) {
        endMessenger();
        return;
    }
    if (!m_paragraphs.isOpen())
        lstMessage.advance();
    const bool picture = PrepareMessage(lstMessage.currentText());

    const int tppX = twipsPerPixelX();
    const int tppY = twipsPerPixelY();
    const QRect screenRect = screenPixels();
    const QSize windowTwips(m_naturalSize.width() * tppX, m_naturalSize.height() * tppY);
    const QSize screenTwips(screenRect.width() * tppX, screenRect.height() * tppY);
    const QPoint corner = WindowPlacement::place(
        WindowPlacement::positionCode(m_settings.positionTag), windowTwips, screenTwips, m_random);
    const QRect natural(screenRect.topLeft()
            + QPoint(
                WindowPlacement::toPixels(corner.x(), tppX), WindowPlacement::toPixels(corner.y(), tppY)),
        m_naturalSize);
    // Larger than the screen: only the part on it becomes the window.
    const QRect visible = natural.intersected(screenRect);
    if (visible.isEmpty())
        return;
    const QPoint offset = natural.topLeft() - visible.topLeft();
    lblMessage->move(offset);
    if (picture)
        imgPicture->move(offset);
    setGeometry(visible);

    if (m_settings.transparent && !picture) {
        imgPicture->setPixmap(CaptureBackground());
        imgPicture->setGeometry(QRect(QPoint(0, 0), visible.size()));
        imgPicture->show();
    }
    m_flashGeometry = visible;
    m_lastFrame = composeFrame();
    m_presenter->flash(m_lastFrame, m_settings.durationMs);
}

void frmMessage::tmrDuration_Timer()
{
    m_presenter->hide();
}

bool frmMessage::PrepareMessage(const QString &text)
{
    if (m_settings.randomColour) {
        const int index = std::clamp(int(std::floor(m_random() * 7)), 0, 6);
        QPalette labelPalette = lblMessage->palette();
        labelPalette.setColor(QPalette::WindowText, RandomColours[std::size_t(index)]);
        lblMessage->setPalette(labelPalette);
    }
    lblMessage->setText(text);

    switch (MessageList::kindOf(text)) {
    case MessageList::Kind::Text:
        lblMessage->setWordWrap(false);
        lblMessage->resize(lblMessage->sizeHint());
        imgPicture->hide();
        lblMessage->show();
        if (lblMessage->width() * twipsPerPixelX() > WindowPlacement::MaxTextWidth)
            wrapLabel();
        m_naturalSize = lblMessage->size();
        break;
    case MessageList::Kind::Picture: {
        const QString path = MessageList::pathOf(text);
        QImage image;
        if (QFileInfo(path).isFile()) {
            QImageReader reader(path);
            reader.read(&image);
        }
        if (image.isNull()) {
            showEntryText();
            return false;
        }
        lblMessage->hide();
        imgPicture->setPixmap(QPixmap::fromImage(std::move(image)));
        imgPicture->resize(imgPicture->pixmap().size());
        imgPicture->show();
        m_naturalSize = imgPicture->size();
        lblMessage->move(0, 0);
        return true;
    }
    case MessageList::Kind::TextFile:
        imgPicture->hide();
        lblMessage->show();
        if (!m_paragraphs.isOpen() && !m_paragraphs.open(MessageList::pathOf(text))) {
            showEntryText();
            return false;
        }
        lblMessage->setText(GetNextParagraph());
        wrapLabel();
        m_naturalSize = lblMessage->size();
        break;
    }
    lblMessage->move(0, 0);
    return false;
}

// A picture or text file that cannot be read shows its own entry once and
// leaves this run's list.
void frmMessage::showEntryText()
{
    imgPicture->hide();
    lblMessage->show();
    wrapLabel();
    lblMessage->move(0, 0);
    m_naturalSize = lblMessage->size();
    lstMessage.removeCurrent();
}

void frmMessage::wrapLabel()
{
    const int width = WindowPlacement::toPixels(WindowPlacement::MaxTextWidth, twipsPerPixelX());
    lblMessage->setWordWrap(true);
    const int height = lblMessage->heightForWidth(width);
    lblMessage->resize(width, std::max(1, height > 0 ? height : lblMessage->sizeHint().height()));
}

QString frmMessage::GetNextParagraph()
{
    return m_paragraphs.next();
}

QPixmap frmMessage::CaptureBackground()
{
    const int tppX = twipsPerPixelX();
    const int tppY = twipsPerPixelY();
    const QRect window = geometry();
    const QRect twips(window.x() * tppX, window.y() * tppY, window.width() * tppX, window.height() * tppY);
    return m_capture(WindowPlacement::toPixels(twips, tppX, tppY));
}

QPixmap frmMessage::grabScreen(const QRect &pixels)
{
    const QImage direct = m_presenter->grabScreen(pixels);
    if (!direct.isNull())
        return QPixmap::fromImage(direct);
    QScreen *primary = primaryScreen();
    if (!primary)
        return {};
    const QPoint origin = primary->geometry().topLeft();
    return primary->grabWindow(
        0, pixels.x() - origin.x(), pixels.y() - origin.y(), pixels.width(), pixels.height());
}

void frmMessage::Text1_Change(const QString &text)
{
    if (text != QLatin1String("OFF"))
        return;
    writeSetting(QStringLiteral("On"), QStringLiteral("No"));
    writeSetting(QStringLiteral("Time"), TimeStamp::format(m_clock()));
    endMessenger();
}

QImage frmMessage::composeFrame()
{
    const qreal ratio = devicePixelRatioF();
    QImage frame(size() * ratio, QImage::Format_RGB32);
    frame.setDevicePixelRatio(ratio);
    frame.fill(m_settings.backColour);
    render(&frame, QPoint(), QRegion(), QWidget::DrawChildren);
    return frame;
}

int frmMessage::twipsPerPixelX() const
{
    QScreen *primary = primaryScreen();
    return WindowPlacement::twipsPerPixel(primary ? primary->logicalDotsPerInchX() : 96);
}

int frmMessage::twipsPerPixelY() const
{
    QScreen *primary = primaryScreen();
    return WindowPlacement::twipsPerPixel(primary ? primary->logicalDotsPerInchY() : 96);
}

QRect frmMessage::screenPixels() const
{
    QScreen *primary = primaryScreen();
    return primary ? primary->geometry() : QRect(0, 0, 640, 480);
}
