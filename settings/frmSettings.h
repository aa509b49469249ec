#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The settings form: how long and how often the Messenger shows its messages,
// where, in which font, size and colours. It is made once per run and only
// hidden; every activation puts back what the settings file holds.
class frmSettings : public QWidget
{
    Q_OBJECT

public:
    static constexpr int PanelWidthTwips = 8880;
    static constexpr int PanelHeightTwips = 6900;
    static inline const QString DefaultFontName = QStringLiteral("MS Sans Serif");
    static inline const QStringList FontSizes {QStringLiteral("8"), QStringLiteral("10"),
        QStringLiteral("12"), QStringLiteral("14"), QStringLiteral("16"), QStringLiteral("18"),
        QStringLiteral("20"), QStringLiteral("24"), QStringLiteral("36"), QStringLiteral("48")};
    static constexpr int DefaultFontNo = 0;
    static constexpr int DefaultFontSizeNo = 1;

    // The start-up shortcuts point at the programs in applicationFolder.
    explicit frmSettings(const QString &applicationFolder, QWidget *parent = nullptr);

    // Puts the stored values into the form; each value by itself, so one that
    // cannot be used leaves that control as it was and the others still load.
    void FillSettingsForm();
    // Runs whenever the form comes to the front.
    void Form_Activate();
    // Writes the eleven values; false, with the first failure in *error, when a
    // value could not be stored (the others are still written).
    bool SaveSettingsForm(QString *error = nullptr);

    QFrame *contentPanel() const { return fmeAll; }
    // The 32-bit values the example box shows, as they are stored.
    qint32 textColour() const { return m_textColour; }
    qint32 backColour() const { return m_backColour; }

    static QString savedMessage();
    static QString quickStopExplanation();

Q_SIGNALS:
    // "&Save and close" or "C&lose": the frame hides the form.
    void closeRequested();

private:
    void createControls();
    void createTimeFrame();
    void createPositionFrame();
    void createTextFrame();
    void createQuickStopFrame();
    void createStartUpFrame();
    void Form_Load();

    void lstFonts_Click();
    void lstFontSize_Click();
    void optPosition_Click(int index);
    void cmdResetTiming_Click();
    void cmdColourText_Click();
    void cmdBackgroundColour_Click();
    void cmdExit_Click();
    void cmdClose_Click();
    void Command1_Click(int index);
    void Command2_Click();

    void chooseOption(int index);
    void applyExampleColours();

    QString m_applicationFolder;
    QString m_positionTag = QStringLiteral("0"); // the tag of option 0
    int m_fontNo = 0;
    int m_fontSizeNo = 0;
    qint32 m_chosenColour = 0;
    qint32 m_textColour;
    qint32 m_backColour;

    QFrame *fmeAll = nullptr;
    QLabel *lblTitle = nullptr;
    QGroupBox *fraTime = nullptr;
    QComboBox *cboDuration = nullptr;
    QComboBox *cboFrequency = nullptr;
    QPushButton *cmdResetTiming = nullptr;
    QGroupBox *fraPosition = nullptr;
    QRadioButton *optPosition[4] = {};
    QGroupBox *fraText = nullptr;
    QComboBox *lstFonts = nullptr;
    QComboBox *lstFontSize = nullptr;
    QLineEdit *txtExampleMessage = nullptr;
    QPushButton *cmdColourText = nullptr;
    QPushButton *cmdBackgroundColour = nullptr;
    QCheckBox *chkRandomColour = nullptr;
    QCheckBox *chkTransparent = nullptr;
    QGroupBox *fraQuickStop = nullptr;
    QPushButton *Command2 = nullptr;
    QGroupBox *fmeStartUp = nullptr;
    QPushButton *Command1[2] = {};
    QPushButton *cmdExit = nullptr;
    QPushButton *cmdClose = nullptr;
};
