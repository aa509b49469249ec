#include "PrintList.h"

#include "Dialogs.h"
#include "FileDialogs.h"
#include "ListPrinter.h"
#include "ListRows.h"
#include "frmMessageSetup.h"

#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

namespace {

// Where the document goes: the default printer, or a PDF file the user names.
std::unique_ptr<QPrinter> choosePrinter(QWidget *owner)
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull())
        return std::make_unique<QPrinter>(printer, QPrinter::HighResolution);

    if (Dialogs::ask(owner,
            QStringLiteral("No printer has been set up on this computer, so the list cannot be printed. "
                           "Would you like to save it as a PDF file instead?"),
            QStringLiteral("Print List"), QMessageBox::Yes | QMessageBox::No, Dialogs::Icon::Question)
        != QMessageBox::Yes)
        return nullptr;
    QString path = FileDialogs::ShowSaveDialog(
        owner, QStringLiteral("PDF files|*.pdf"), QStringLiteral("Save As"), QString());
    if (path.isEmpty())
        return nullptr;
    path = FileDialogs::withExtension(owner, path, QStringLiteral(".pdf"), QStringLiteral("Save As"));
    if (path.isEmpty())
        return nullptr;
    auto pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdf->setOutputFormat(QPrinter::PdfFormat);
    pdf->setOutputFileName(path);
    return pdf;
}

QString destinationOf(const QPrinter &printer)
{
    return printer.outputFileName().isEmpty() ? QStringLiteral("the printer")
                                              : QDir::toNativeSeparators(printer.outputFileName());
}

} // namespace

PrintList::PrintList(QWidget *owner, frmMessageSetup *manager)
    : m_owner(owner)
    , m_manager(manager)
{ }

bool PrintList::run()
{
    if (Dialogs::ask(m_owner,
            QStringLiteral("Are you sure you want to print out the list of messages?  Only the marked "
                           "messages will be printed."),
            QStringLiteral("Please confirm"), QMessageBox::Yes | QMessageBox::No, Dialogs::Icon::Question)
        != QMessageBox::Yes)
        return false;
    const std::unique_ptr<QPrinter> printer = choosePrinter(m_owner);
    if (!printer)
        return false;
    printer->setDocName(QStringLiteral("Murmurine messages"));
    printer->setCreator(Dialogs::applicationTitle());

    ListPrinter list(printer.get());
    if (!list.begin()) {
        Dialogs::message(m_owner,
            QStringLiteral("The list could not be sent to %1.").arg(destinationOf(*printer)), QString(),
            Dialogs::Icon::Warning);
        return false;
    }
    printDocument(list);
    if (!list.end()) {
        Dialogs::message(m_owner,
            QStringLiteral("The list could not be sent to %1.").arg(destinationOf(*printer)), QString(),
            Dialogs::Icon::Warning);
        return false;
    }
    Dialogs::message(m_owner, QStringLiteral("Printing has finished"), QStringLiteral("Murmurine"),
        Dialogs::Icon::Information);
    return true;
}

void PrintList::printDocument(ListPrinter &printer)
{
    for (const QString &line :
        {QString(), QString(), QStringLiteral("This is your list of subliminal messages being displayed."),
            QString(), TitleLine, QString()})
        printer.printWrapped(line);

    const QStringList categories = m_manager->categoryRows();
    for (int i = 0; i < categories.size(); ++i) {
        // Selected as a click would, so the manager lists the category as stored.
        m_manager->selectCategory(i);
        if (!ListRows::isMarked(categories.at(i)))
            continue;
        printer.printWrapped(QString());
        printer.printWrapped(QStringLiteral("Category : ") + categories.at(i));
        for (const QString &message : m_manager->messageRows()) {
            if (ListRows::isMarked(message))
                printer.printWrapped(QStringLiteral("    ") + message);
        }
    }
}
