#pragma once

#include <QString>

class ListPrinter;
class QWidget;
class frmMessageSetup;

// Prints the marked messages of the marked categories, as the manager lists
// them, on the default printer; without a printer it offers to save the same
// document as a PDF file.
class PrintList
{
public:
    static inline const QString TitleLine = QStringLiteral("Murmurine - the list of your marked messages");

    PrintList(QWidget *owner, frmMessageSetup *manager);

    // True when the document was printed or saved.
    bool run();

private:
    void printDocument(ListPrinter &printer);

    QWidget *m_owner;
    frmMessageSetup *m_manager;
};
