#pragma once

#include "MessageList.h"
#include "MessengerSettings.h"
#include "ParagraphReader.h"
#include "WindowPlacement.h"

#include <QDateTime>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <memory>

class FlashPresenter;
class LinkEndpoint;
class QLabel;
class PreciseTimer;
class SingleInstance;

// The Messenger's only window: hidden except for the moment of a flash. Its
// two timers drive the display cycle; its Text1 item on the link ends it.
class frmMessage : public QWidget
{
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    using RandomDraw = std::function<double()>;
    using Capture = std::function<QPixmap(const QRect &pixels)>;

    // The first seven colours of the standard 16-colour palette.
    static const std::array<QColor, 7> RandomColours;

    explicit frmMessage(QWidget *parent = nullptr);
    ~frmMessage() override;

    // What decides behaviour beyond the settings, replaceable in tests.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setRandom(RandomDraw random) { m_random = std::move(random); }
    void setCapture(Capture capture) { m_capture = std::move(capture); }

    // False when another Messenger runs: nothing has been done or written.
    bool Form_Load();
    void LoadSettings();
    void LoadMessages();
    void tmrFrequency_Timer();
    void tmrDuration_Timer();
    bool PrepareMessage(const QString &text);
    QString GetNextParagraph();
    QPixmap CaptureBackground();
    void Text1_Change(const QString &text);

    const MessengerSettings &settings() const { return m_settings; }
    const MessageList &messages() const { return lstMessage; }
    QString dataFolder() const { return strPathUser; }
    bool isFileOpen() const { return m_paragraphs.isOpen(); }
    bool hasEnded() const { return m_ended; }
    // The window's place and size in screen pixels at the last flash, and what it showed.
    QRect flashGeometry() const { return m_flashGeometry; }
    QImage lastFrame() const { return m_lastFrame; }

Q_SIGNALS:
    // The Messenger has ended: the program leaves.
    void ended();

private:
    void endMessenger();
    void applyLook();
    void startQuickStop();
    void showEntryText();
    void wrapLabel();
    int twipsPerPixelX() const;
    int twipsPerPixelY() const;
    QRect screenPixels() const;
    QImage composeFrame();
    QPixmap grabScreen(const QRect &pixels);

    QLabel *lblMessage;
    QLabel *imgPicture;
    PreciseTimer *tmrFrequency;
    FlashPresenter *m_presenter;
    LinkEndpoint *m_link = nullptr;
    std::unique_ptr<SingleInstance> m_instance;

    MessageList lstMessage;
    MessengerSettings m_settings;
    ParagraphReader m_paragraphs; // open while blnFileClosed is false
    QString strPathUser;
    QDateTime datLastTime;
    bool m_ended = false;

    QSize m_naturalSize; // of what the flash shows, before the screen clips it
    QRect m_flashGeometry;
    QImage m_lastFrame;

    Clock m_clock;
    RandomDraw m_random;
    Capture m_capture;
};
