#include "frmSystemTray.h"

#include "FormControls.h"
#include "IniProcedures.h"
#include "QuickStopIcons.h"
#include "Twips.h"
#include "ValueConversions.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

namespace {

const QString ExplainText = QStringLiteral(
    "Select how you would like to control Murmurine from the options below. You can make buttons "
    "appear in the Windows task bar and these will turn MRN on and off. (To remove the buttons from "
    "the task bar, run this program and press the 'Stop Messages' button on the initial screen.)");
const QString TaskbarCaptions[frmSystemTray::DisplayOptionCount] = {
    QStringLiteral("Show in system tray (next to the clock)"),
    QStringLiteral("Show in task bar"),
    QStringLiteral("Do not show that MRN is running"),
};
const QString DefaultOffName = QStringLiteral("MRNOFF");
const QString DefaultOnName = QStringLiteral("MRNON");

// The design, in twips: the form, then the places of its controls.
constexpr int FormWidth = 6615;
constexpr int FormHeight = 6480;
constexpr int ContentLeft = 240;
constexpr int ContentWidth = FormWidth - 2 * ContentLeft;
constexpr int OptionLeft = 480;
constexpr int OptionTops[] = {1320, 1620, 1920};
constexpr int FrameTop = 2340;
constexpr int FrameHeight = 1980;
// Inside the frame: a pair of pictures beside its option, three pairs a row.
constexpr int CellLefts[] = {240, 2160, 4080};
constexpr int RowTops[] = {360, 1320};
constexpr int PictureSize = 480;
constexpr int PictureGap = 120;
constexpr int OptionSize = 255;
constexpr int OptionToPicture = 315;
constexpr int LabelTop = 900;
constexpr int LabelHeight = 255;

constexpr int PictureLeft(int column, bool on)
{
    return CellLefts[column] + OptionToPicture + (on ? 0 : PictureSize + PictureGap);
}

QLabel *makeColouredLabel(QWidget *parent, const QString &name, const QString &text, const QColor &colour)
{
    QLabel *label = FormControls::label(parent, name, text);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

// The numeric value of a stored text (its leading number) written back as plain
// decimal text, so a value the form does not offer keeps its number.
QString numericText(const QString &text)
{
    const double value = ValueConversions::leadingNumber(text);
    return QString::number(value == 0 ? 0.0 : value, 'f', QLocale::FloatingPointShortest);
}

} // namespace

frmSystemTray::frmSystemTray(QWidget *frame, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSystemTray"));
    setWindowTitle(QStringLiteral("Starting and stopping MRN"));
    setModal(true);
    setFixedSize(Twips::toPixels(QSize(FormWidth, FormHeight), this));
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);
    createControls();
    m_frame = frame;
    if (frame)
        centreOver(frame);
    Form_Load();
}

void frmSystemTray::showModal(QWidget *frame, QWidget *parent)
{
    frmSystemTray form(frame, parent ? parent : frame);
    form.exec();
}

void frmSystemTray::createControls()
{
    QLabel *lblExplain = FormControls::label(this, QStringLiteral("lblExplain"), ExplainText);
    FormControls::place(lblExplain, ContentLeft, 120, ContentWidth, 1095);

    m_taskbarGroup = new QButtonGroup(this);
    for (int i = 0; i < DisplayOptionCount; ++i) {
        optTaskbar[i] = new QRadioButton(TaskbarCaptions[i], this);
        optTaskbar[i]->setObjectName(QStringLiteral("optTaskbar_%1").arg(i));
        FormControls::place(
            optTaskbar[i], OptionLeft, OptionTops[i], FormWidth - OptionLeft - ContentLeft, 255);
        m_taskbarGroup->addButton(optTaskbar[i], i);
    }
    // Arrow keys move the choice as well as clicks do.
    connect(m_taskbarGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            chooseTaskbar(id);
    });

    fmeIcons
        = new QGroupBox(QStringLiteral("Icons to use to show in system tray when MRN is On and Off"), this);
    fmeIcons->setObjectName(QStringLiteral("fmeIcons"));
    FormControls::place(fmeIcons, ContentLeft, FrameTop, ContentWidth, FrameHeight);

    m_iconsGroup = new QButtonGroup(this);
    for (int k = 0; k < IconOptionCount; ++k) {
        const int column = k % 3;
        const int top = RowTops[k / 3];
        optWhichIcons[k] = new QRadioButton(fmeIcons);
        optWhichIcons[k]->setObjectName(QStringLiteral("optWhichIcons_%1").arg(k));
        optWhichIcons[k]->setAccessibleName(QStringLiteral("Icon pair %1").arg(k + 1));
        FormControls::place(optWhichIcons[k], CellLefts[column], top + (PictureSize - OptionSize) / 2,
            OptionSize, OptionSize);
        m_iconsGroup->addButton(optWhichIcons[k], k);

        for (const bool on : {true, false}) {
            const int index = 2 * k + (on ? 1 : 2);
            auto *picture = new QLabel(fmeIcons);
            picture->setObjectName(QStringLiteral("imgSystemTray_%1").arg(index));
            FormControls::place(picture, PictureLeft(column, on), top, PictureSize, PictureSize);
            picture->setPixmap(QuickStopIcons::icon(k, on).pixmap(picture->size()));
            picture->setAlignment(Qt::AlignCenter);
            picture->installEventFilter(this);
            imgSystemTray[index] = picture;
        }
    }
    connect(m_iconsGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            chooseIcons(id);
    });

    // "On" and "Off" between the rows, under the pictures of the upper row.
    for (int column = 0; column < 3; ++column) {
        QLabel *on = makeColouredLabel(
            fmeIcons, QStringLiteral("lblOn_%1").arg(column), QStringLiteral("On"), QColor(0, 128, 0));
        FormControls::place(on, PictureLeft(column, true) - 60, LabelTop, PictureSize + 120, LabelHeight);
        QLabel *off = makeColouredLabel(
            fmeIcons, QStringLiteral("lblOff_%1").arg(column), QStringLiteral("Off"), QColor(192, 0, 0));
        FormControls::place(off, PictureLeft(column, false) - 60, LabelTop, PictureSize + 120, LabelHeight);
    }

    QLabel *lblSecurity = FormControls::label(this, QStringLiteral("lblSecurity"),
        QStringLiteral("For extra security you can change the name of the button: (eg work.doc)"));
    FormControls::place(lblSecurity, ContentLeft, 4500, ContentWidth, 255);

    const QString nameCaptions[2]
        = {QStringLiteral("Name of button when MRN is OFF"), QStringLiteral("Name of button when MRN is ON")};
    const int nameTops[2] = {5280, 4860}; // the ON name comes first
    for (int i = 0; i < 2; ++i) {
        QLabel *caption
            = FormControls::label(this, QStringLiteral("lblQuickName_%1").arg(i), nameCaptions[i]);
        FormControls::place(caption, ContentLeft, nameTops[i] + 45, 2895, 255);
        txtQuickName[i] = new QLineEdit(this);
        txtQuickName[i]->setObjectName(QStringLiteral("txtQuickName_%1").arg(i));
        FormControls::place(txtQuickName[i], 3240, nameTops[i], FormWidth - 3240 - ContentLeft, 315);
        caption->setBuddy(txtQuickName[i]);
    }
    txtQuickName[0]->setText(DefaultOffName);
    txtQuickName[1]->setText(DefaultOnName);

    cmdExit = new QPushButton(QStringLiteral("&Save and close"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setAutoDefault(false);
    FormControls::place(cmdExit, 2880, 5865, 1935, 375);
    connect(cmdExit, &QPushButton::clicked, this, &frmSystemTray::cmdExit_Click);

    cmdClose = new QPushButton(QStringLiteral("C&lose"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    FormControls::place(cmdClose, 4920, 5865, FormWidth - 4920 - ContentLeft, 375);
    connect(cmdClose, &QPushButton::clicked, this, &frmSystemTray::cmdClose_Click);

    // Tab order follows the form from top to bottom.
    QWidget *order[] = {optTaskbar[0], optTaskbar[1], optTaskbar[2], optWhichIcons[0], optWhichIcons[1],
        optWhichIcons[2], optWhichIcons[3], optWhichIcons[4], optWhichIcons[5], txtQuickName[1],
        txtQuickName[0], cmdExit, cmdClose};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void frmSystemTray::centreOver(const QWidget *frame)
{
    const QRect outer = frame->frameGeometry();
    const QSize own = frameGeometry().size();
    move(outer.left() + (outer.width() - own.width()) / 2, outer.top() + (outer.height() - own.height()) / 2);
}

void frmSystemTray::showEvent(QShowEvent *event)
{
    // The window's decoration is known only once it exists; centre the whole window again with it.
    if (!m_centredWhenShown && m_frame) {
        m_centredWhenShown = true;
        centreOver(m_frame);
    }
    QDialog::showEvent(event);
}

void frmSystemTray::Form_Load()
{
    const auto read = [](const QString &key) { return ReadIniFile(SettingsSection, key, SettingsFileName); };

    if (!read(QStringLiteral("HaltPad")).isEmpty())
        chooseTaskbar(2);
    else if (!read(QStringLiteral("HaltPadIconOnly")).isEmpty())
        chooseTaskbar(1);
    else
        chooseTaskbar(0);

    const QString icons = read(QStringLiteral("HaltPadIcons"));
    m_iconsTag = numericText(icons);
    const double pair = std::nearbyint(ValueConversions::leadingNumber(m_iconsTag));
    if (pair >= 0 && pair < IconOptionCount)
        chooseIcons(int(pair));

    const QString offName = read(QStringLiteral("HaltPadOff"));
    txtQuickName[0]->setText(offName.isEmpty() ? DefaultOffName : offName);
    const QString onName = read(QStringLiteral("HaltPadOn"));
    txtQuickName[1]->setText(onName.isEmpty() ? DefaultOnName : onName);
    for (QLineEdit *box : txtQuickName)
        box->setCursorPosition(0);
}

void frmSystemTray::chooseTaskbar(int index)
{
    if (index < 0 || index >= DisplayOptionCount)
        return;
    optTaskbar[index]->setChecked(true);
    m_taskbarTag = QString::number(index);
}

void frmSystemTray::chooseIcons(int index)
{
    if (index < 0 || index >= IconOptionCount)
        return;
    optWhichIcons[index]->setChecked(true);
    m_iconsTag = QString::number(index);
}

void frmSystemTray::imgSystemTray_Click(int index)
{
    if (index < 1 || index > PictureCount)
        return;
    chooseIcons(index % 2 == 1 ? (index - 1) / 2 : (index - 2) / 2);
}

bool frmSystemTray::eventFilter(QObject *watched, QEvent *event)
{
    // A picture is clicked when the left button goes up over it after going down on it.
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        for (int i = 1; i <= PictureCount; ++i) {
            if (watched == imgSystemTray[i] && mouse->button() == Qt::LeftButton
                && imgSystemTray[i]->rect().contains(mouse->position().toPoint())) {
                imgSystemTray_Click(i);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmSystemTray::cmdExit_Click()
{
    const auto write = [](const QString &key, const QString &value) {
        WriteIniFile(SettingsSection, key, value, SettingsFileName);
    };

    const double display = ValueConversions::leadingNumber(m_taskbarTag);
    if (display == 0 || display == 1 || display == 2) {
        write(QStringLiteral("HaltPad"), display == 2 ? QStringLiteral("No") : QString());
        write(QStringLiteral("HaltPadIconOnly"), display == 1 ? QStringLiteral("No") : QString());
    }
    write(QStringLiteral("HaltPadOff"), txtQuickName[0]->text());
    write(QStringLiteral("HaltPadOn"), txtQuickName[1]->text());
    write(QStringLiteral("HaltPadIcons"), numericText(m_iconsTag));
    accept();
}

void frmSystemTray::cmdClose_Click()
{
    reject();
}
