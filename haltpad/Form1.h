#pragma once

#include "HaltPadOptions.h"

#include <QString>
#include <QWidget>

#include <memory>

class LinkEndpoint;
class QFileSystemWatcher;
class QLineEdit;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class SingleInstance;

// The Quick Stop button: one click switches the messages off or on. It sits
// in the system tray, or in a small task-bar window when the user chose that
// or no tray is there. It keeps its state from its own clicks, from "ON" and
// "OFF" poked into its Text1 and from the store's On, and shows it by its icon.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    static const QString LinkApplication;
    static const QString LinkTopic;
    static const QString MessengerExecutable;
    static const QString SettingsExecutable;

    explicit Form1(const QString &applicationFolder, QWidget *parent = nullptr);
    ~Form1() override;

    // False when another Quick Stop program already runs: this one then ends
    // without showing or writing anything.
    bool Form_Load();

    bool isOn() const { return m_on; }
    bool usesTrayIcon() const;
    // What the tray icon or the button says when the pointer rests on it.
    QString stateToolTip() const;

Q_SIGNALS:
    void quitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void cmdToggle_Click();
    void Text1_Change();
    void switchOff();
    void switchOn();
    void showState(bool on);
    void applyOptions();
    void followStore();
    void followMessenger();
    void watchFiles();
    void openSettings();
    QString messengerPath() const;
    bool messengerListening() const;

    QString m_applicationFolder;
    QLineEdit *Text1 = nullptr;
    QPushButton *cmdToggle = nullptr;
    QMenu *m_menu = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    LinkEndpoint *m_link = nullptr;
    QFileSystemWatcher *m_watcher = nullptr;
    std::unique_ptr<SingleInstance> m_instance;
    HaltPadOptions m_options;
    bool m_on = false;
    QString m_lastStoredOn;
    bool m_messengerWasListening = false;
    QString m_startFailure;
    // Looks for a tray that was not there yet: after 1, 2, 4, ... seconds.
    static constexpr int MaxTrayLooks = 7;
    int m_trayLooks = 0;
};
