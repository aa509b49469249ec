#pragma once

#include <QDialog>

class QLabel;
class frmMessageSetup;

// Asks what kind of message to add to the manager's selected category. It
// stays open after each addition, so that several can be added in a row.
class frmTypeOfSubliminal : public QDialog
{
    Q_OBJECT

public:
    explicit frmTypeOfSubliminal(frmMessageSetup *manager);

    // The pictures this platform can load, as a "description|pattern" filter.
    static QString pictureFilter();

private:
    void cmdSubliminalType_Click(int index);

    frmMessageSetup *m_manager;
    QLabel *lblLastMessage = nullptr;
};
