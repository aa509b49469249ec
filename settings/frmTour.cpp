#include "frmTour.h"

#include "FormControls.h"
#include "MDIForm1.h"
#include "TagTimer.h"
#include "TourStep.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

const QString ContinueCaption = QStringLiteral("&Continue >>");
const QString LastContinueCaption = QStringLiteral("&Continue");
const QString EndCaption = QStringLiteral("&End");
constexpr int ArrowSizeTwips = 480;

// Top-left corners of the arrow, in twips, for corners 1 to 4.
const QPoint ArrowCorners[] = {{30, 30}, {3675, 30}, {3675, 3060}, {30, 3060}};
const char *const ArrowNames[] = {"left", "down", "right", "up"};

QWidget *contentPanelOf(const QMdiSubWindow *subWindow)
{
    if (!subWindow || !subWindow->widget())
        return nullptr;
    return subWindow->widget()->findChild<QWidget *>(QStringLiteral("fmeAll"), Qt::FindDirectChildrenOnly);
}

} // namespace

QIcon frmTour::arrowPicture(int direction)
{
    QIcon icon;
    if (direction < 1 || direction > 4)
        return icon;
    const QString name = QLatin1String(ArrowNames[direction - 1]);
    icon.addFile(QStringLiteral(":/murmurine/arrows/32/arrow-%1.png").arg(name), QSize(32, 32));
    icon.addFile(QStringLiteral(":/murmurine/arrows/64/arrow-%1.png").arg(name), QSize(64, 64));
    return icon;
}

frmTour::frmTour(MDIForm1 *frame)
    : QDialog(frame)
    , m_frame(frame)
{
    setObjectName(QStringLiteral("frmTour"));
    setWindowTitle(QStringLiteral("Quick Tour of Murmurine"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A fixed-size box: a close box, but nothing to minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(Twips::toPixels(QSize(4245, 3690), this));
    createControls();
    if (m_frame)
        m_frame->installEventFilter(this);
    Form_Load();
}

void frmTour::createControls()
{
    // The twip layout was drawn for an 8-point face, as the program's other windows.
    QFont formFont = font();
    formFont.setPointSizeF(8);
    setFont(formFont);

    // Made first, so that it lies beneath the buttons it comes close to.
    imgArrow = new QLabel(this);
    imgArrow->setObjectName(QStringLiteral("imgArrow"));
    imgArrow->resize(Twips::toPixels(QSize(ArrowSizeTwips, ArrowSizeTwips), this));
    imgArrow->setAlignment(Qt::AlignCenter);

    lblTitle = new QLabel(QStringLiteral("Title"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = formFont;
    titleFont.setPointSizeF(12);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    FormControls::place(lblTitle, 520, 105, 3200, 375);

    lblWords = new QLabel(this);
    lblWords->setObjectName(QStringLiteral("lblWords"));
    QFont wordsFont = formFont;
    wordsFont.setPointSizeF(9.75);
    lblWords->setFont(wordsFont);
    lblWords->setWordWrap(true);
    lblWords->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblWords->setMargin(2);
    lblWords->setAutoFillBackground(true);
    QPalette wordsPalette = lblWords->palette();
    wordsPalette.setColor(QPalette::Window, QColor(255, 255, 192));
    wordsPalette.setColor(QPalette::WindowText, Qt::black);
    lblWords->setPalette(wordsPalette);
    FormControls::place(lblWords, 45, 570, 4170, 2265);

    cmdBack = new QPushButton(QStringLiteral("<< &Back"), this);
    cmdBack->setObjectName(QStringLiteral("cmdBack"));
    FormControls::place(cmdBack, 555, 3000, 1170, 600);

    cmdCancel = new QPushButton(QStringLiteral("C&ancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    FormControls::place(cmdCancel, 1785, 3000, 750, 600);

    cmdOK = new QPushButton(ContinueCaption, this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    FormControls::place(cmdOK, 2580, 3000, 1170, 600);
    cmdOK->setDefault(true);

    setTabOrder(cmdOK, cmdBack);
    setTabOrder(cmdBack, cmdCancel);
    cmdOK->setFocus();

    tmrArrow = new TagTimer(BlinkIntervalMs, this);
    tmrArrow->setObjectName(QStringLiteral("tmrArrow"));

    connect(cmdOK, &QPushButton::clicked, this, &frmTour::cmdOK_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmTour::cmdBack_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmTour::cmdCancel_Click);
    connect(tmrArrow, &TagTimer::timeout, this, &frmTour::tmrArrow_Timer);

    PlaceArrow(0, 3);
}

void frmTour::Form_Load()
{
    m_currentStep = 0;
    m_lastStep = LastStep;
    ShowStep();
}

void frmTour::ShowStep()
{
    if (m_currentStep < 0 || m_currentStep > LastStep)
        return;
    const TourStep &step = TourStep::all()[m_currentStep];
    if (step.broughtUp && m_frame)
        m_frame->bringUpChild(QLatin1String(step.broughtUp));
    lblTitle->setText(QLatin1String(step.title));
    lblWords->setText(QLatin1String(step.words));
    placeByAnchor();
    PlaceArrow(step.corner, step.direction);

    switch (m_currentStep) {
    case 9:
        if (m_frame)
            m_frame->setEditMenuVisible(false);
        break;
    case 10:
        if (m_frame)
            m_frame->setEditMenuVisible(true);
        break;
    case 17:
        cmdOK->setText(LastContinueCaption);
        break;
    case 18:
        cmdOK->setText(EndCaption);
        break;
    default:
        break;
    }
}

void frmTour::placeByAnchor()
{
    m_placingPending = false;
    if (!m_frame || m_currentStep < 0 || m_currentStep > LastStep)
        return;
    const TourStep &step = TourStep::all()[m_currentStep];
    const QWidget *panel = contentPanelOf(m_frame->childWindow(QLatin1String(step.anchor)));
    if (!panel)
        return;
    const QPoint wanted = m_frame->frameGeometry().topLeft() + panel->pos()
        + Twips::toPixels(QPoint(step.dxTwips, step.dyTwips), this);

    // However the frame lies, the tour stays whole on the screen it talks about.
    const QSize outer = isVisible() ? frameGeometry().size() : size();
    const QScreen *screen = QGuiApplication::screenAt(QRect(wanted, outer).center());
    if (!screen)
        screen = m_frame->screen();
    QPoint position = wanted;
    if (screen) {
        const QRect area = screen->availableGeometry();
        position.setX(qMax(area.left(), qMin(wanted.x(), area.right() + 1 - outer.width())));
        position.setY(qMax(area.top(), qMin(wanted.y(), area.bottom() + 1 - outer.height())));
    }
    move(position);
}

void frmTour::schedulePlacing()
{
    // The frame moves its panels only after it has seen its own new size.
    if (m_placingPending)
        return;
    m_placingPending = true;
    QTimer::singleShot(0, this, &frmTour::placeByAnchor);
}

void frmTour::PlaceArrow(int corner, int direction)
{
    if (corner != 0) {
        imgArrow->setVisible(true);
        tmrArrow->setEnabled(true);
    } else {
        imgArrow->setVisible(false);
        tmrArrow->setEnabled(false);
        tmrArrow->setTag(QString());
    }
    if (corner >= 1 && corner <= 4)
        imgArrow->move(Twips::toPixels(ArrowCorners[corner - 1], this));
    if (direction >= 1 && direction <= 4) {
        imgArrow->setPixmap(arrowPicture(direction).pixmap(imgArrow->size(), devicePixelRatioF()));
    }
}

void frmTour::tmrArrow_Timer()
{
    const int n = tmrArrow->tag().toInt() + 1;
    imgArrow->setVisible(n == 1 || n == 3 || n == 5);
    if (n >= 5) {
        tmrArrow->setEnabled(false);
        tmrArrow->setTag(QString());
    } else {
        tmrArrow->setTag(QString::number(n));
    }
}

void frmTour::cmdOK_Click()
{
    if (m_currentStep != m_lastStep) {
        ++m_currentStep;
        ShowStep();
        return;
    }
    close();
    focusControl("frmMessageSetup", "cmdExit");
}

void frmTour::cmdBack_Click()
{
    if (m_currentStep != 0) {
        --m_currentStep;
        ShowStep();
        return;
    }
    close();
}

void frmTour::cmdCancel_Click()
{
    const int step = m_currentStep;
    close();
    if (step < 6)
        focusControl("frmMain", "cmdHide");
    else if (step <= 9)
        focusControl("frmSettings", "cmdClose");
    else
        focusControl("frmMessageSetup", "cmdExit");
}

void frmTour::focusControl(const char *window, const char *control)
{
    if (!m_frame)
        return;
    const QMdiSubWindow *subWindow = m_frame->childWindow(QLatin1String(window));
    if (!subWindow || !subWindow->widget())
        return;
    if (auto *target = subWindow->widget()->findChild<QWidget *>(QLatin1String(control))) {
        m_frame->activateWindow();
        target->setFocus(Qt::OtherFocusReason);
    }
}

void frmTour::reject()
{
    close();
}

void frmTour::closeEvent(QCloseEvent *event)
{
    tmrArrow->setEnabled(false);
    if (m_frame)
        m_frame->removeEventFilter(this);
    // Not the dialog's own handling, which would reject() and so close again.
    event->accept();
}

void frmTour::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Only now does the window know its decorated size.
    schedulePlacing();
}

bool frmTour::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_frame
        && (event->type() == QEvent::Move || event->type() == QEvent::Resize
            || event->type() == QEvent::WindowStateChange))
        schedulePlacing();
    return QDialog::eventFilter(watched, event);
}
