#pragma once

#include <QMainWindow>
#include <QPointer>
#include <optional>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class frmAbout;
class frmMain;
class frmMessageSetup;
class frmSettings;

// The outer window of the Settings program: menu bar, start-up order, the
// placement of each child's content panel, and the remembered position and
// maximised state of the frame.
class MDIForm1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit MDIForm1(QWidget *parent = nullptr);
    ~MDIForm1() override;

    // The start-up of the program. False when another instance is already
    // running: the program must then end at once.
    bool MDIForm_Load();

    // Step 4 of the main window's start-up: the message manager, hidden, filled
    // from the data file.
    void LoadMessageLists(const QString &dataFolder);
    // Makes the settings form, hidden, when there is none yet, and fills it
    // from the settings file.
    void FillSettingsForm();

    void bringUpMainWindow();
    void bringUpMessageManager();
    void bringUpSettingsForm();
    void bringUpAbout();
    // Brings up the child whose window carries that object name; nothing when there is none.
    void bringUpChild(const QString &name);
    QMdiSubWindow *childWindow(const QString &name) const;
    void setEditMenuVisible(bool visible);
    // Puts the message manager, the settings form and the main window on the
    // screen, the main window in front, then shows the guided tour over them.
    void ShowTour();
    // Raises and activates the frame at another instance's request.
    void activateFrame();
    // The "Contents and help (F1)" command: the active child's own F1 handling.
    void showHelpForActiveChild();
    // Closes the frame and ends the program.
    void endProgram();

    bool isLoaded() const { return blnLoaded; }
    frmMain *mainWindow() const { return m_main; }
    frmMessageSetup *messageManager() const { return m_manager; }
    QMdiArea *mdiArea() const { return m_mdiArea; }
    QMdiSubWindow *mainSubWindow() const { return m_mainSub; }
    QMdiSubWindow *managerSubWindow() const { return m_managerSub; }
    frmSettings *settingsForm() const { return m_settings; }
    QMdiSubWindow *settingsSubWindow() const { return m_settingsSub; }
    // Null once the About box has been closed, until it is brought up again.
    frmAbout *aboutBox() const;
    QMdiSubWindow *aboutSubWindow() const;

    static constexpr int NormalWidthTwips = 9600;
    static constexpr int NormalHeightTwips = 8000;

Q_SIGNALS:
    void programEnded();
    // A category was imported; the settings form refills itself from the settings file then.
    void categoryImported();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    QMdiSubWindow *wrap(QWidget *child);
    void bringUp(QMdiSubWindow *subWindow);
    void MDIForm_Resize();
    void scheduleSnapToNormalSize();
    void snapToNormalSize();
    void centrePanels();
    void placePanelsAtFixedPositions();
    void placeTourButton();
    void setOuterSizeTwips(int widthTwips, int heightTwips);
    void applyStoredPosition();
    void writeWinMax(const QString &value);
    void onSubWindowActivated(QMdiSubWindow *subWindow);
    void hideMessageManager();
    void createSettingsForm();
    void hideSettingsForm();
    void hideChild(QMdiSubWindow *subWindow);
    void createAbout();
    void closeAbout();
    void returnToWelcomeScreen();
    void pressManagerButton(const char *name);
    bool wantsMaximising(const QMdiSubWindow *subWindow) const;
    void maximiseIfFrameIs(QMdiSubWindow *subWindow);

    QMdiArea *m_mdiArea = nullptr;
    frmMain *m_main = nullptr;
    QMdiSubWindow *m_mainSub = nullptr;
    frmMessageSetup *m_manager = nullptr;
    QMdiSubWindow *m_managerSub = nullptr;
    frmSettings *m_settings = nullptr;
    QMdiSubWindow *m_settingsSub = nullptr;
    QPointer<frmAbout> m_about;
    QPointer<QMdiSubWindow> m_aboutSub;
    QMdiSubWindow *m_lastActivated = nullptr;
    bool blnLoaded = false;
    bool m_ending = false;
    bool m_snapPending = false;
    std::optional<QString> m_writtenWinMax;

    QMenu *mnuEdit = nullptr;
};
