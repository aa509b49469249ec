#pragma once

#include <QDialog>
#include <QIcon>

class MDIForm1;
class QLabel;
class QPushButton;
class TagTimer;

// The guided tour: nineteen steps, each bringing the window it talks about to
// the front, standing next to that window's controls and perhaps pointing at
// one of them with a blinking arrow. Made afresh for each showing and deleted
// when it closes.
class frmTour : public QDialog
{
    Q_OBJECT
public:
    static constexpr int LastStep = 18;
    static constexpr int BlinkIntervalMs = 300;

    explicit frmTour(MDIForm1 *frame);

    void ShowStep();
    void PlaceArrow(int corner, int direction);

    int currentStep() const { return m_currentStep; }
    // The picture of an arrow direction, 1-4: left, down, right, up.
    static QIcon arrowPicture(int direction);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

public Q_SLOTS:
    // Escape: as the close box.
    void reject() override;

private:
    void createControls();
    void Form_Load();
    void tmrArrow_Timer();
    void cmdOK_Click();
    void cmdBack_Click();
    void cmdCancel_Click();
    void placeByAnchor();
    void schedulePlacing();
    void focusControl(const char *window, const char *control);

    MDIForm1 *m_frame;
    qint16 m_currentStep = 0;
    qint16 m_lastStep = LastStep;
    bool m_placingPending = false;

    QLabel *lblTitle = nullptr;
    QLabel *lblWords = nullptr;
    QLabel *imgArrow = nullptr;
    QPushButton *cmdBack = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdOK = nullptr;
    TagTimer *tmrArrow = nullptr;
};
