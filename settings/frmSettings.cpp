#include "frmSettings.h"

#include "ColourValue.h"
#include "Dialogs.h"
#include "FormControls.h"
#include "IniProcedures.h"
#include "StartupShortcuts.h"
#include "TimingLists.h"
#include "Twips.h"
#include "ValueConversions.h"
#include "frmColour.h"
#include "frmSystemTray.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

constexpr int ExampleHeightTwips = 1200;

const QString MessageTitle = QStringLiteral("Murmurine");

QString readSetting(const QString &key)
{
    return ReadIniFile(SettingsSection, key, SettingsFileName);
}

QGroupBox *makeFrame(QWidget *parent, const char *name, const QString &caption)
{
    auto *frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    return frame;
}

QComboBox *makeList(QWidget *parent, const char *name)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setEditable(false);
    return list;
}

// Long explanations are drawn for the design's face; a wider one would cut their last lines.
void shrinkToFit(QLabel *label)
{
    for (QFont smaller = label->font();
         label->heightForWidth(label->width()) > label->height() && smaller.pointSizeF() > 6.5;) {
        smaller.setPointSizeF(smaller.pointSizeF() - 0.5);
        label->setFont(smaller);
    }
}

} // namespace

frmSettings::frmSettings(const QString &applicationFolder, QWidget *parent)
    : QWidget(parent)
    , m_applicationFolder(applicationFolder)
    , m_textColour(ColourValue::WindowText)
    , m_backColour(ColourValue::WindowBackground)
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Murmurine settings"));
    createControls();
    Form_Load();
}

QString frmSettings::savedMessage()
{
    return QStringLiteral(
        "These settings will only come into effect the next time that Murmurine is started. Please press "
        "the Start button on the main screen. (You may have to press the Stop button first. Please wait a "
        "couple of seconds before re-pressing the button so that the program can re-set itself.)");
}

QString frmSettings::quickStopExplanation()
{
    return QStringLiteral(
        "We have created a system which allows you to turn Murmurine on and off easily to hide any personal "
        "messages. Press the button below to add a button in the task bar or in the system tray (with the "
        "clock in it) which stops and starts MRN instantly. It can be used as a \"privacy\" button for "
        "instantly hiding your messages from other people at your computer or before exiting your "
        "computer.");
}

void frmSettings::createControls()
{
    fmeAll = new QFrame(this);
    fmeAll->setObjectName(QStringLiteral("fmeAll"));
    fmeAll->setFrameShape(QFrame::NoFrame);
    fmeAll->setFixedSize(Twips::toPixels(QSize(PanelWidthTwips, PanelHeightTwips), this));
    // The twip layout was drawn for an 8-point face; larger texts would not fit it.
    QFont panelFont = fmeAll->font();
    panelFont.setPointSizeF(8);
    fmeAll->setFont(panelFont);

    lblTitle = FormControls::label(fmeAll, "lblTitle", QStringLiteral("Settings screen"));
    QFont titleFont = panelFont;
    titleFont.setPointSizeF(12);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    FormControls::place(lblTitle, 120, 0, 4260, 330);

    createTimeFrame();
    createStartUpFrame();
    createTextFrame();
    createPositionFrame();
    createQuickStopFrame();

    cmdExit = FormControls::button(fmeAll, "cmdExit", QStringLiteral("&Save and close"));
    FormControls::place(cmdExit, 5880, 4890, 1335, 375);
    cmdClose = FormControls::button(fmeAll, "cmdClose", QStringLiteral("C&lose"));
    FormControls::place(cmdClose, 7320, 4890, 1335, 375);
    connect(cmdExit, &QPushButton::clicked, this, &frmSettings::cmdExit_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmSettings::cmdClose_Click);

    setTabOrder(cboDuration, cboFrequency);
    setTabOrder(cboFrequency, cmdResetTiming);
    setTabOrder(cmdResetTiming, Command1[1]);
    setTabOrder(Command1[1], Command1[0]);
    setTabOrder(Command1[0], lstFonts);
    setTabOrder(lstFonts, lstFontSize);
    setTabOrder(lstFontSize, txtExampleMessage);
    setTabOrder(txtExampleMessage, cmdColourText);
    setTabOrder(cmdColourText, cmdBackgroundColour);
    setTabOrder(cmdBackgroundColour, chkRandomColour);
    setTabOrder(chkRandomColour, chkTransparent);
    setTabOrder(chkTransparent, optPosition[0]);
    setTabOrder(optPosition[0], Command2);
    setTabOrder(Command2, cmdExit);
    setTabOrder(cmdExit, cmdClose);
}

void frmSettings::createTimeFrame()
{
    fraTime = makeFrame(fmeAll, "fraTime", QStringLiteral("Ti&me settings"));
    FormControls::place(fraTime, 120, 330, 4260, 2760);
    FormControls::place(FormControls::label(fraTime, "lblDuration",
                            QStringLiteral("Please select how long the message should appear for:")),
        120, 270, 4020, 420);
    cboDuration = makeList(fraTime, "cboDuration");
    cboDuration->addItems(TimingLists::durationCaptions());
    for (int i = 0; i < int(TimingLists::Durations.size()); ++i)
        cboDuration->setItemData(i, TimingLists::Durations[std::size_t(i)].ms);
    cboDuration->setCurrentIndex(-1);
    FormControls::place(cboDuration, 120, 690, 2700, 315);
    FormControls::place(FormControls::label(fraTime, "lblDurationNote",
                            QStringLiteral("(Actual Min duration depends on monitor refresh rate)")),
        120, 1050, 4020, 420);
    QLabel *lblFrequency = FormControls::label(
        fraTime, "lblFrequency", QStringLiteral("Please select how &often the message should appear:"));
    FormControls::place(lblFrequency, 120, 1470, 4020, 420);
    cboFrequency = makeList(fraTime, "cboFrequency");
    cboFrequency->addItems(TimingLists::frequencyCaptions());
    // The item values are the seconds the captions name.
    for (int i = 0; i < int(TimingLists::Frequencies.size()); ++i)
        cboFrequency->setItemData(i, TimingLists::Frequencies[std::size_t(i)].ms / 1000);
    cboFrequency->setCurrentIndex(-1);
    FormControls::place(cboFrequency, 120, 1890, 2700, 315);
    lblFrequency->setBuddy(cboFrequency);
    cmdResetTiming = FormControls::button(fraTime, "cmdResetTiming", QStringLiteral("Reset timings"));
    FormControls::place(cmdResetTiming, 120, 2280, 1575, 375);
    connect(cmdResetTiming, &QPushButton::clicked, this, &frmSettings::cmdResetTiming_Click);
}

void frmSettings::createStartUpFrame()
{
    using Program = StartupShortcuts::Program;
    fmeStartUp = makeFrame(fmeAll, "fmeStartUp", StartupShortcuts::frameCaption());
    FormControls::place(fmeStartUp, 120, 3150, 4260, 2070);
    // The Messenger's pair is the upper one.
    int top = 270;
    for (const Program program : {Program::Messenger, Program::Settings}) {
        const int index = int(program);
        const QByteArray suffix = QByteArray::number(index);
        QLabel *explanation = FormControls::label(fmeStartUp, QByteArray("lblStartUp_" + suffix).constData(),
            StartupShortcuts::buttonExplanation(program));
        FormControls::place(explanation, 120, top, 4020, 420);
        Command1[index] = FormControls::button(fmeStartUp, QByteArray("Command1_" + suffix).constData(),
            StartupShortcuts::buttonCaption(program));
        FormControls::place(Command1[index], 120, top + 435, 2700, 375);
        connect(Command1[index], &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
        top += 900;
    }
}

void frmSettings::createTextFrame()
{
    fraText = makeFrame(fmeAll, "fraText", QStringLiteral("Text settings"));
    FormControls::place(fraText, 4500, 330, 4260, 3210);
    QLabel *lblFont = FormControls::label(fraText, "lblFont", QStringLiteral("F&ont to use:"));
    FormControls::place(lblFont, 120, 270, 2700, 240);
    lstFonts = makeList(fraText, "lstFonts");
    FormControls::place(lstFonts, 120, 510, 2820, 315);
    lblFont->setBuddy(lstFonts);
    lstFontSize = makeList(fraText, "lstFontSize");
    lstFontSize->addItems(FontSizes);
    FormControls::place(lstFontSize, 3060, 510, 1080, 315);

    txtExampleMessage = new QLineEdit(QStringLiteral("Example message"), fraText);
    txtExampleMessage->setObjectName(QStringLiteral("txtExampleMessage"));
    txtExampleMessage->setAlignment(Qt::AlignCenter);
    FormControls::place(txtExampleMessage, 120, 900, 4020, ExampleHeightTwips);
    applyExampleColours();

    cmdColourText = FormControls::button(fraText, "cmdColourText", QStringLiteral("Te&xt Colour"));
    FormControls::place(cmdColourText, 120, 2175, 1950, 375);
    cmdBackgroundColour
        = FormControls::button(fraText, "cmdBackgroundColour", QStringLiteral("Bac&kground Colour"));
    FormControls::place(cmdBackgroundColour, 2190, 2175, 1950, 375);
    chkRandomColour = new QCheckBox(QStringLiteral("Random Text Colour"), fraText);
    chkRandomColour->setObjectName(QStringLiteral("chkRandomColour"));
    FormControls::place(chkRandomColour, 120, 2625, 4020, 240);
    chkTransparent = new QCheckBox(QStringLiteral("Use transparent background"), fraText);
    chkTransparent->setObjectName(QStringLiteral("chkTransparent"));
    FormControls::place(chkTransparent, 120, 2880, 4020, 240);

    connect(lstFonts, &QComboBox::activated, this, &frmSettings::lstFonts_Click);
    connect(lstFontSize, &QComboBox::activated, this, &frmSettings::lstFontSize_Click);
    connect(cmdColourText, &QPushButton::clicked, this, &frmSettings::cmdColourText_Click);
    connect(cmdBackgroundColour, &QPushButton::clicked, this, &frmSettings::cmdBackgroundColour_Click);
    // Also when the settings file ticks them.
    connect(chkRandomColour, &QCheckBox::toggled, cmdColourText, &QWidget::setDisabled);
    connect(chkTransparent, &QCheckBox::toggled, cmdBackgroundColour, &QWidget::setDisabled);
}

void frmSettings::createPositionFrame()
{
    fraPosition = makeFrame(fmeAll, "fraPosition", QStringLiteral("Position settings"));
    FormControls::place(fraPosition, 4500, 3600, 4260, 1230);
    const QString captions[4] = {QStringLiteral("&Centre of screen"), QStringLiteral("Top of scr&een"),
        QStringLiteral("Bottom of scree&n"), QStringLiteral("Ran&dom position")};
    for (int i = 0; i < 4; ++i) {
        optPosition[i] = new QRadioButton(captions[i], fraPosition);
        optPosition[i]->setObjectName(QStringLiteral("optPosition_%1").arg(i));
        FormControls::place(optPosition[i], 240, 270 + 225 * i, 3900, 225);
        connect(optPosition[i], &QRadioButton::clicked, this, [this, i] { optPosition_Click(i); });
    }
}

void frmSettings::createQuickStopFrame()
{
    fraQuickStop = makeFrame(fmeAll, "fraQuickStop", QStringLiteral("\"Quick Stop\" button"));
    FormControls::place(fraQuickStop, 120, 5280, 8640, 1590);
    QLabel *explanation = FormControls::label(fraQuickStop, "lblQuickStop", quickStopExplanation());
    FormControls::place(explanation, 120, 270, 8400, 840);
    shrinkToFit(explanation);
    Command2
        = FormControls::button(fraQuickStop, "Command2", QStringLiteral("Set up the &Quick Stop button"));
    FormControls::place(Command2, 120, 1140, 2700, 375);
    connect(Command2, &QPushButton::clicked, this, &frmSettings::Command2_Click);
}

void frmSettings::Form_Load()
{
    if (cboDuration->currentIndex() < 0)
        cboDuration->setCurrentIndex(TimingLists::DefaultDuration);
    if (cboFrequency->currentIndex() < 0)
        cboFrequency->setCurrentIndex(TimingLists::DefaultFrequency);

    QStringList fonts;
    for (const QString &family : QFontDatabase::families()) {
        if (!QFontDatabase::isPrivateFamily(family))
            fonts.append(family);
    }
    std::sort(fonts.begin(), fonts.end(),
        [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    fonts.prepend(DefaultFontName);
    lstFonts->addItems(fonts);

    chooseOption(0);
}

void frmSettings::FillSettingsForm()
{
    auto selectPosition = [](QComboBox *list, const QString &text) {
        const int index = ValueConversions::leadingInteger(text);
        if (index >= 0 && index < list->count())
            list->setCurrentIndex(index);
    };
    if (const QString duration = readSetting(QStringLiteral("Duration")); !duration.isEmpty())
        selectPosition(cboDuration, duration);
    if (const QString frequency = readSetting(QStringLiteral("Frequency")); !frequency.isEmpty())
        selectPosition(cboFrequency, frequency);

    auto colourValue = [](const QString &text) -> std::optional<qint32> {
        const std::optional<qint32> value = ValueConversions::strictInteger(text);
        if (!value || !ColourValue::toColour(*value))
            return std::nullopt;
        return value;
    };
    if (const std::optional<qint32> text = colourValue(readSetting(QStringLiteral("TextColour"))))
        m_textColour = *text;
    if (ValueConversions::leadingNumber(readSetting(QStringLiteral("TextColourRandom"))) != 0)
        chkRandomColour->setChecked(true);
    const QString back = readSetting(QStringLiteral("BackColour"));
    if (const std::optional<qint32> value = colourValue(back))
        m_backColour = *value;
    applyExampleColours();
    if (ValueConversions::isTransparentBackground(back, readSetting(QStringLiteral("BackColourTransparent"))))
        chkTransparent->setChecked(true);

    const QString position = readSetting(QStringLiteral("Position"));
    if (position.isEmpty()) {
        chooseOption(0);
    } else if (const std::optional<qint32> option = ValueConversions::strictInteger(position);
               option && *option >= 0 && *option < 4) {
        chooseOption(*option);
    }

    // Not range-checked here: a number beyond its list is dealt with when the lists are shown.
    m_fontNo = ValueConversions::leadingInteger(readSetting(QStringLiteral("FontNo")));
    const QString fontSizeNo = readSetting(QStringLiteral("FontSizeNo"));
    m_fontSizeNo = fontSizeNo.isEmpty() ? DefaultFontSizeNo : ValueConversions::leadingInteger(fontSizeNo);
}

void frmSettings::Form_Activate()
{
    FillSettingsForm();
    // A number beyond its list (fonts removed since it was stored) falls back to the defaults.
    lstFonts->setCurrentIndex(m_fontNo >= 0 && m_fontNo < lstFonts->count() ? m_fontNo : DefaultFontNo);
    lstFontSize->setCurrentIndex(
        m_fontSizeNo >= 0 && m_fontSizeNo < lstFontSize->count() ? m_fontSizeNo : DefaultFontSizeNo);
    lstFonts_Click();
    lstFontSize_Click();
}

bool frmSettings::SaveSettingsForm(QString *error)
{
    const QList<std::pair<QString, QString>> values {
        {QStringLiteral("Duration"), QString::number(cboDuration->currentIndex())},
        {QStringLiteral("Frequency"), QString::number(cboFrequency->currentIndex())},
        {QStringLiteral("TextColour"), QString::number(m_textColour)},
        {QStringLiteral("BackColour"), QString::number(m_backColour)},
        {QStringLiteral("BackColourTransparent"),
            chkTransparent->isChecked() ? QStringLiteral("1") : QStringLiteral("0")},
        {QStringLiteral("TextColourRandom"),
            chkRandomColour->isChecked() ? QStringLiteral("1") : QStringLiteral("0")},
        {QStringLiteral("Position"), m_positionTag},
        {QStringLiteral("FontName"), lstFonts->currentText()},
        {QStringLiteral("FontNo"), QString::number(lstFonts->currentIndex())},
        {QStringLiteral("FontSize"), lstFontSize->currentText()},
        {QStringLiteral("FontSizeNo"), QString::number(lstFontSize->currentIndex())},
    };
    bool saved = true;
    for (const auto &[key, value] : values) {
        QString failure;
        if (!WriteIniFile(SettingsSection, key, value, SettingsFileName, &failure)) {
            if (saved && error)
                *error = failure;
            saved = false;
        }
    }
    return saved;
}

void frmSettings::applyExampleColours()
{
    QPalette palette = txtExampleMessage->palette();
    if (const std::optional<QColor> text = ColourValue::toColour(m_textColour))
        palette.setColor(QPalette::Text, *text);
    if (const std::optional<QColor> back = ColourValue::toColour(m_backColour))
        palette.setColor(QPalette::Base, *back);
    txtExampleMessage->setPalette(palette);
}

void frmSettings::lstFonts_Click()
{
    QFont font = txtExampleMessage->font();
    font.setFamily(lstFonts->currentText());
    txtExampleMessage->setFont(font);
    m_fontNo = lstFonts->currentIndex();
    txtExampleMessage->resize(txtExampleMessage->width(), Twips::toPixelsY(ExampleHeightTwips, this));
}

void frmSettings::lstFontSize_Click()
{
    QFont font = txtExampleMessage->font();
    font.setPointSizeF(ValueConversions::leadingNumber(lstFontSize->currentText()));
    txtExampleMessage->setFont(font);
    m_fontSizeNo = lstFontSize->currentIndex();
    txtExampleMessage->resize(txtExampleMessage->width(), Twips::toPixelsY(ExampleHeightTwips, this));
}

void frmSettings::chooseOption(int index)
{
    optPosition[index]->setChecked(true);
    optPosition_Click(index);
}

void frmSettings::optPosition_Click(int index)
{
    m_positionTag = QString::number(index);
}

void frmSettings::cmdResetTiming_Click()
{
    cboDuration->setCurrentIndex(TimingLists::DefaultDuration);
    cboFrequency->setCurrentIndex(TimingLists::DefaultFrequency);
}

void frmSettings::cmdColourText_Click()
{
    m_chosenColour = frmColour::chooseColour(fmeAll, m_chosenColour);
    if (m_chosenColour != frmColour::Cancelled) {
        m_textColour = m_chosenColour;
        applyExampleColours();
    }
}

void frmSettings::cmdBackgroundColour_Click()
{
    m_chosenColour = frmColour::chooseColour(fmeAll, m_chosenColour);
    if (m_chosenColour != frmColour::Cancelled) {
        m_backColour = m_chosenColour;
        applyExampleColours();
    }
}

void frmSettings::cmdExit_Click()
{
    QString error;
    if (!SaveSettingsForm(&error)) {
        // Saying they will take effect would be untrue; the form stays so nothing is lost.
        Dialogs::message(this, QStringLiteral("The settings could not be saved. %1").arg(error), MessageTitle,
            Dialogs::Icon::Warning);
        return;
    }
    Dialogs::message(this, savedMessage(), MessageTitle, Dialogs::Icon::Information);
    QCoreApplication::processEvents();
    Q_EMIT closeRequested();
}

void frmSettings::cmdClose_Click()
{
    Q_EMIT closeRequested();
}

void frmSettings::Command1_Click(int index)
{
    const auto program = StartupShortcuts::Program(index);
    const QMessageBox::StandardButton answer
        = Dialogs::question(this, StartupShortcuts::question(program), StartupShortcuts::messageTitle());
    if (answer != QMessageBox::Yes && answer != QMessageBox::No)
        return;
    StartupShortcuts shortcuts(m_applicationFolder);
    QString error;
    const bool done
        = answer == QMessageBox::Yes ? shortcuts.add(program, &error) : shortcuts.remove(program, &error);
    if (done)
        Dialogs::message(this,
            answer == QMessageBox::Yes ? StartupShortcuts::addedMessage()
                                       : StartupShortcuts::removedMessage(),
            StartupShortcuts::messageTitle(), Dialogs::Icon::Information);
    else
        Dialogs::message(this, error, StartupShortcuts::messageTitle(), Dialogs::Icon::Warning);
}

void frmSettings::Command2_Click()
{
    frmSystemTray::showModal(window(), this);
}
