#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

class LinkEndpoint;
class MDIForm1;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class SingleInstance;

// The welcome screen: starts and stops the Messenger, and its load step is the
// start-up of the Settings program. Closing it, by any means, ends the program.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    explicit frmMain(MDIForm1 *frame, QWidget *parent = nullptr);
    ~frmMain() override;

    // False when another instance of the program is running: it has been asked
    // to come forward and this one must end without doing anything else.
    bool Form_Load();

    void cmdHide_Click();
    void cmdExit_Click();
    void cmdChangeMessages_Click();
    void cmdChangeSettings_Click();
    void cmdTour_Click();
    void Text1_Change();
    // True when the key was handled (consumed).
    bool Form_KeyDown(int key);

    QFrame *contentPanel() const { return fmeAll; }
    QPushButton *tourButton() const { return cmdTour; }
    QString dataFolder() const { return m_dataFolder; }

    // Where the Messenger and the help page are looked for; the folder of the
    // running executable unless a test points elsewhere.
    QString applicationFolder() const { return m_applicationFolder; }
    void setApplicationFolder(const QString &folder) { m_applicationFolder = folder; }

    static QString applicationTitle();
    static const QString LinkApplication;
    static const QString LinkTopic;
    static const QString LinkItem;
    // The item a second instance pokes to ask this one to bring its frame forward.
    static const QString ActivateItem;

Q_SIGNALS:
    void programEndRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void onLinkPoke(const QString &item, const QString &text);
    void showRunning(bool running);
    bool launchMessenger();
    void beginBusy();
    void endBusy();

    MDIForm1 *m_frame;
    QString m_applicationFolder;
    QString m_dataFolder;
    std::unique_ptr<SingleInstance> m_instance;
    LinkEndpoint *m_endpoint = nullptr;
    QPointer<QWidget> m_focusBeforeBusy;

    QFrame *fmeAll = nullptr;
    QLabel *Image1 = nullptr;
    QPushButton *cmdHide = nullptr;
    QLabel *lblWorking = nullptr;
    QPushButton *cmdChangeMessages = nullptr;
    QPushButton *cmdChangeSettings = nullptr;
    QPushButton *cmdExit = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *cmdTour = nullptr;
    QLineEdit *Text1 = nullptr;
};
