#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The About box: the program's version, the distributor's details when the
// application folder holds a Customise file, the publisher and the rights notice.
// Nothing in it can be edited and nothing is written.
class frmAbout : public QWidget
{
    Q_OBJECT
public:
    // The Customise file is looked for in the folder of the running executable
    // unless another folder is given.
    explicit frmAbout(const QString &applicationFolder = QString(), QWidget *parent = nullptr);

    QFrame *contentPanel() const { return fmeAbout; }

    static QString versionText();

Q_SIGNALS:
    // "&Close": the frame unloads the window.
    void closeRequested();

private:
    void createControls();
    void Form_Load(const QString &applicationFolder);
    void hideDistributorBlock();

    QFrame *fmeAbout = nullptr;
    QLabel *lblVersionNo = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *txtCompanyName = nullptr;
    QPlainTextEdit *txtCompanyAddress = nullptr;
    QLineEdit *txtCompanyTel = nullptr;
    QLabel *Label1[2] = {};
    QLabel *Image1 = nullptr;
    QLabel *lblTrademark = nullptr;
    QPushButton *cmdOK = nullptr;
};
