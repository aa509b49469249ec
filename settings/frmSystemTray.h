#pragma once

#include <QDialog>
#include <QPointer>

#include <array>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The Quick Stop set-up: how the Quick Stop button shows (tray, task bar or
// not at all), which of the six On/Off icon pairs it uses and the names the
// button carries. It edits five keys of the settings store and nothing else.
class frmSystemTray : public QDialog
{
    Q_OBJECT

public:
    static constexpr int DisplayOptionCount = 3;
    static constexpr int IconOptionCount = 6;
    static constexpr int PictureCount = 2 * IconOptionCount;

    // Loads the stored values and centres itself over frame (the frame window).
    explicit frmSystemTray(QWidget *frame, QWidget *parent = nullptr);

    // Creates the form, runs it modally over frame and deletes it, so every
    // opening starts from the stored values.
    static void showModal(QWidget *frame, QWidget *parent = nullptr);

    // The tags of element 0 of the two option arrays: the index last chosen,
    // as text. An icon choice outside the six pairs stays here as stored.
    QString taskbarTag() const { return m_taskbarTag; }
    QString iconsTag() const { return m_iconsTag; }

private:
    void createControls();
    void centreOver(const QWidget *frame);
    void Form_Load();
    void chooseTaskbar(int index);
    void chooseIcons(int index);
    void imgSystemTray_Click(int index);
    void cmdExit_Click();
    void cmdClose_Click();
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

    std::array<QRadioButton *, DisplayOptionCount> optTaskbar {};
    std::array<QRadioButton *, IconOptionCount> optWhichIcons {};
    std::array<QLabel *, PictureCount + 1> imgSystemTray {}; // 1 to 12; 0 is unused
    std::array<QLineEdit *, 2> txtQuickName {}; // 0: the name while off, 1: while on
    QButtonGroup *m_taskbarGroup = nullptr;
    QButtonGroup *m_iconsGroup = nullptr;
    QGroupBox *fmeIcons = nullptr;
    QPushButton *cmdExit = nullptr;
    QPushButton *cmdClose = nullptr;
    QPointer<QWidget> m_frame;
    bool m_centredWhenShown = false;
    QString m_taskbarTag;
    QString m_iconsTag;
};
