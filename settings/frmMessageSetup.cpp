#include "frmMessageSetup.h"

#include "DataFolder.h"
#include "Dialogs.h"
#include "FormControls.h"
#include "ListRowDelegate.h"
#include "ListRows.h"
#include "Twips.h"
#include "frmTypeOfSubliminal.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

namespace {

QList<MarkedEntry> entriesOf(const QListWidget *list, int skipRow = -1)
{
    QList<MarkedEntry> entries;
    entries.reserve(list->count());
    for (int i = 0; i < list->count(); ++i) {
        if (i != skipRow)
            entries.append(ListRows::entry(list->item(i)->text()));
    }
    return entries;
}

QStringList rowsOf(const QList<MarkedEntry> &entries)
{
    QStringList rows;
    rows.reserve(entries.size());
    for (const MarkedEntry &entry : entries)
        rows.append(ListRows::row(entry));
    return rows;
}

// After a deletion the row below takes the deleted one's place, or the new last row.
int rowAfterDeletion(int deletedRow, int count)
{
    if (count == 0)
        return -1;
    if (count == 1)
        return 0;
    return count > deletedRow ? deletedRow : count - 1;
}

} // namespace

frmMessageSetup::frmMessageSetup(const QString &dataFolder, QWidget *parent)
    : QWidget(parent)
    , m_data(DataFolder::dataFilePath(dataFolder))
{
    setObjectName(QStringLiteral("frmMessageSetup"));
    setWindowTitle(QStringLiteral("Murmurine Message Manager"));
    buildForm();
    LoadMessageLists();
}

void frmMessageSetup::buildForm()
{
    fmeAll = new QWidget(this);
    fmeAll->setObjectName(QStringLiteral("fmeAll"));
    fmeAll->setFixedSize(Twips::toPixels(QSize(8895, 6240), this));
    // The twip layout was drawn for an 8-point face; larger text would not fit its labels and buttons.
    QFont font = fmeAll->font();
    font.setPointSize(8);
    fmeAll->setFont(font);

    Label1 = FormControls::label(fmeAll, QStringLiteral("Label1"),
        QStringLiteral("This is a list of the categories (and the messages within each category) "
                       "which will be displayed. Only the marked messages in the marked categories "
                       "will be shown. Please select which categories and which messages to show "
                       "by double-clicking the item.  You can also add your own categories and "
                       "messages by pressing the appropriate button."),
        FormControls::Wrap::None);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(Twips::toPixels(90, 45, 8715, 660, this));
    // Wider faces than the design's wrap the text to one more line than the label holds.
    for (QFont smaller = Label1->font();
         Label1->heightForWidth(Label1->width()) > Label1->height() && smaller.pointSizeF() > 6.5;) {
        smaller.setPointSizeF(smaller.pointSizeF() - 0.5);
        Label1->setFont(smaller);
    }

    lblMarked0 = FormControls::label(fmeAll, QStringLiteral("lblMarked_0"),
        QStringLiteral(" Display | Category of message"), FormControls::Wrap::None);
    lblMarked0->setGeometry(Twips::toPixels(390, 660, 5800, 300, this));
    lblMarked1 = FormControls::label(fmeAll, QStringLiteral("lblMarked_1"),
        QStringLiteral(" Display | Message, picture or file to be displayed"), FormControls::Wrap::None);
    lblMarked1->setGeometry(Twips::toPixels(390, 2940, 5800, 300, this));

    lstCategory = new QListWidget(fmeAll);
    lstCategory->setObjectName(QStringLiteral("lstCategory"));
    lstCategory->setGeometry(Twips::toPixels(390, 885, 5800, 2010, this));
    lstMessage = new QListWidget(fmeAll);
    lstMessage->setObjectName(QStringLiteral("lstMessage"));
    lstMessage->setGeometry(Twips::toPixels(390, 3165, 5800, 2985, this));
    lstCategory->setItemDelegate(new ListRowDelegate(lblMarked0, lstCategory));
    lstMessage->setItemDelegate(new ListRowDelegate(lblMarked1, lstMessage));
    for (QListWidget *list : {lstCategory, lstMessage}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setUniformItemSizes(true);
        list->setTextElideMode(Qt::ElideRight);
        list->installEventFilter(this);
    }

    cmdAddCategory
        = FormControls::button(fmeAll, QStringLiteral("cmdAddCategory"), QStringLiteral("Add ne&w category"));
    cmdAddCategory->setGeometry(Twips::toPixels(6450, 885, 1695, 615, this));
    cmdDeleteCategory = FormControls::button(
        fmeAll, QStringLiteral("cmdDeleteCategory"), QStringLiteral("&Delete category"));
    cmdDeleteCategory->setGeometry(Twips::toPixels(6450, 1635, 1695, 615, this));
    cmdAddMessage = FormControls::button(
        fmeAll, QStringLiteral("cmdAddMessage"), QStringLiteral("Add &new subliminal"));
    cmdAddMessage->setGeometry(Twips::toPixels(6450, 2940, 1695, 615, this));
    cmdDeleteMessage = FormControls::button(
        fmeAll, QStringLiteral("cmdDeleteMessage"), QStringLiteral("Delete &subliminal"));
    cmdDeleteMessage->setGeometry(Twips::toPixels(6450, 3675, 1695, 615, this));
    cmdEditSubliminal = FormControls::button(
        fmeAll, QStringLiteral("cmdEditSubliminal"), QStringLiteral("Edit s&ubliminal"));
    cmdEditSubliminal->setGeometry(Twips::toPixels(6450, 4425, 1695, 615, this));
    lblCopy = FormControls::label(fmeAll, QStringLiteral("lblCopy"),
        QStringLiteral("Use \"CTRL--C\" to copy text messages"), FormControls::Wrap::None);
    lblCopy->setWordWrap(true);
    lblCopy->setGeometry(Twips::toPixels(6450, 5085, 1695, 405, this));
    cmdExit = FormControls::button(fmeAll, QStringLiteral("cmdExit"), QStringLiteral("&Close"));
    cmdExit->setGeometry(Twips::toPixels(6450, 5625, 1695, 525, this));

    Image1 = new QLabel(fmeAll);
    Image1->setObjectName(QStringLiteral("Image1"));
    const QRect imageRect = Twips::toPixels(8280, 885, 480, 480, this);
    Image1->setGeometry(imageRect);
    QPixmap picture(QStringLiteral(":/murmurine/murmurine-48.png"));
    if (picture.isNull())
        picture = style()->standardIcon(QStyle::SP_FileDialogListView).pixmap(imageRect.size());
    Image1->setPixmap(picture);
    Image1->setScaledContents(true);

    setTabOrder(lstCategory, cmdAddCategory);
    setTabOrder(cmdAddCategory, cmdDeleteCategory);
    setTabOrder(cmdDeleteCategory, lstMessage);
    setTabOrder(lstMessage, cmdAddMessage);
    setTabOrder(cmdAddMessage, cmdDeleteMessage);
    setTabOrder(cmdDeleteMessage, cmdEditSubliminal);
    setTabOrder(cmdEditSubliminal, cmdExit);

    // The handlers read the selected row. A mouse press makes a row current
    // before it selects it, so the current-row signal would come too early.
    connect(lstCategory, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_filling)
            lstCategory_Click();
    });
    connect(lstMessage, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_filling)
            lstMessage_Click();
    });
    connect(lstCategory, &QListWidget::itemDoubleClicked, this, [this] { toggleMark(lstCategory); });
    connect(lstMessage, &QListWidget::itemDoubleClicked, this, [this] { toggleMark(lstMessage); });

    connect(cmdAddCategory, &QPushButton::clicked, this, &frmMessageSetup::cmdAddCategory_Click);
    connect(cmdDeleteCategory, &QPushButton::clicked, this, &frmMessageSetup::cmdDeleteCategory_Click);
    connect(cmdAddMessage, &QPushButton::clicked, this, &frmMessageSetup::cmdAddMessage_Click);
    connect(cmdEditSubliminal, &QPushButton::clicked, this, &frmMessageSetup::cmdEditSubliminal_Click);
    connect(cmdDeleteMessage, &QPushButton::clicked, this, &frmMessageSetup::cmdDeleteMessage_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMessageSetup::cmdExit_Click);
}

QWidget *frmMessageSetup::contentPanel() const
{
    return fmeAll;
}

void frmMessageSetup::LoadMessageLists()
{
    const QList<MarkedEntry> categories = m_data.readCategories();
    m_filling = true;
    lstCategory->clear();
    lstMessage->clear();
    lstCategory->addItems(rowsOf(categories));
    if (!categories.isEmpty())
        lstMessage->addItems(rowsOf(m_data.readCategory(categories.first().text)));
    m_filling = false;

    const bool haveCategories = lstCategory->count() > 0;
    lstMessage->setEnabled(haveCategories);
    cmdAddMessage->setEnabled(haveCategories);
    cmdAddCategory->setEnabled(lstCategory->count() < MaxCategories);
    cmdEditSubliminal->setEnabled(false);
    cmdDeleteMessage->setEnabled(false);
}

int frmMessageSetup::selectedRow(const QListWidget *list) const
{
    const int row = list->currentRow();
    return row >= 0 && list->item(row)->isSelected() ? row : -1;
}

QString frmMessageSetup::selectedCategory() const
{
    const int row = selectedRow(lstCategory);
    return row < 0 ? QString() : ListRows::StripMark(lstCategory->item(row)->text());
}

void frmMessageSetup::fillMessages(const QString &category)
{
    const QList<MarkedEntry> messages
        = category.isEmpty() ? QList<MarkedEntry>() : m_data.readCategory(category);
    m_filling = true;
    lstMessage->clear();
    lstMessage->addItems(rowsOf(messages));
    m_filling = false;
}

void frmMessageSetup::selectCategoryRow(int row)
{
    m_filling = true;
    lstCategory->setCurrentRow(row);
    m_filling = false;
    if (row >= 0) {
        lstCategory_Click();
    } else {
        fillMessages(QString());
        lstMessage_Click();
    }
}

void frmMessageSetup::selectMessageRow(int row)
{
    m_filling = true;
    lstMessage->setCurrentRow(row);
    m_filling = false;
    lstMessage_Click();
}

void frmMessageSetup::lstCategory_Click()
{
    fillMessages(selectedCategory());
    cmdEditSubliminal->setEnabled(false);
    cmdDeleteMessage->setEnabled(false);
    if (lstMessage->count() > 0)
        selectMessageRow(0);
}

void frmMessageSetup::lstMessage_Click()
{
    const int row = selectedRow(lstMessage);
    if (row < 0) {
        cmdEditSubliminal->setEnabled(false);
        cmdDeleteMessage->setEnabled(false);
        return;
    }
    cmdEditSubliminal->setEnabled(!ListRows::isFileEntry(ListRows::StripMark(lstMessage->item(row)->text())));
    cmdDeleteMessage->setEnabled(true);
}

bool frmMessageSetup::dataFileStillThere(QString *error) const
{
    if (lstCategory->count() == 0 || QFileInfo::exists(m_data.path()))
        return true;
    *error = QStringLiteral("the file no longer exists.");
    return false;
}

void frmMessageSetup::reportFailedWrite(const QString &reason)
{
    Dialogs::message(this,
        QStringLiteral("The change could not be saved to ") + QDir::toNativeSeparators(m_data.path())
            + QStringLiteral(": ") + reason,
        QString(), Dialogs::Icon::Warning);

    const QString category = selectedCategory();
    const int messageRow = selectedRow(lstMessage);
    LoadMessageLists();
    int categoryRow = -1;
    for (int i = 0; i < lstCategory->count() && categoryRow < 0; ++i) {
        if (ListRows::StripMark(lstCategory->item(i)->text()) == category)
            categoryRow = i;
    }
    if (categoryRow < 0 && lstCategory->count() > 0)
        categoryRow = 0;
    if (categoryRow >= 0)
        selectCategoryRow(categoryRow);
    if (categoryRow >= 0 && messageRow >= 0 && messageRow < lstMessage->count())
        selectMessageRow(messageRow);
}

void frmMessageSetup::toggleMark(QListWidget *list)
{
    const int row = selectedRow(list);
    if (row < 0)
        return;
    const QString category = selectedCategory();
    if (list == lstMessage && category.isEmpty())
        return;
    const QString newRow = ListRows::toggled(list->item(row)->text());
    const MarkedEntry entry = ListRows::entry(newRow);
    QString error;
    const bool saved = dataFileStillThere(&error)
        && (list == lstCategory ? m_data.writeCategoryEntry(row + 1, entry, &error)
                                : m_data.writeMessageEntry(category, row + 1, entry, &error));
    if (!saved) {
        reportFailedWrite(error);
        return;
    }
    list->item(row)->setText(newRow);
}

bool frmMessageSetup::AddCategory(const QString &requestedName)
{
    QString name = requestedName;
    if (name.isEmpty()) {
        const std::optional<QString> answer
            = Dialogs::input(this, QStringLiteral("Please enter a new category to add. (Max 50 characters)"),
                QStringLiteral("Add new category"), QString());
        if (!answer)
            return false;
        name = *answer;
    }
    name = ListRows::singleLine(name);
    if (name.size() > ListRows::MaxCategoryLength) {
        Dialogs::message(this,
            QStringLiteral("Your category was too long and has been truncated to 50 characters"), QString(),
            Dialogs::Icon::Information);
    }
    name = ListRows::cut(name, ListRows::MaxCategoryLength).trimmed();
    if (name.isEmpty())
        return false;

    for (int i = 0; i < lstCategory->count(); ++i) {
        if (ListRows::StripMark(lstCategory->item(i)->text()).compare(name, Qt::CaseInsensitive) == 0) {
            Dialogs::message(this,
                QStringLiteral("Sorry, but the category called '") + name
                    + QStringLiteral("' already exists. If you want to overwrite it, please delete "
                                     "it from the list and then try again."));
            selectCategoryRow(i);
            return false;
        }
    }
    QString why;
    if (!DataFile::isValidCategoryName(name, &why)) {
        Dialogs::message(this,
            QStringLiteral("Sorry, but a category cannot be called '") + name + QStringLiteral("'. ") + why);
        return false;
    }
    if (lstCategory->count() >= MaxCategories) {
        Dialogs::message(this,
            QStringLiteral("Sorry, but there can be no more than %1 categories. Please delete "
                           "one before adding another.")
                .arg(MaxCategories));
        return false;
    }

    QString error;
    if (!dataFileStillThere(&error)
        || !m_data.writeCategoryEntry(lstCategory->count() + 1, {true, name}, &error)) {
        reportFailedWrite(error);
        return false;
    }
    m_filling = true;
    lstCategory->addItem(ListRows::row({true, name}));
    m_filling = false;
    lstMessage->setEnabled(true);
    cmdAddMessage->setEnabled(true);
    selectCategoryRow(lstCategory->count() - 1);
    if (lstCategory->count() >= MaxCategories)
        cmdAddCategory->setEnabled(false);
    Dialogs::message(this,
        QStringLiteral("Note that your category has been added to the BOTTOM of the list. You may need "
                       "to scroll down the list to see it and to add your own messages to it"),
        QString(), Dialogs::Icon::Information);
    cmdAddMessage->setFocus();
    return true;
}

bool frmMessageSetup::AddMessage(const QString &rawEntry)
{
    const QString entry = ListRows::messageText(rawEntry);
    if (entry.isEmpty())
        return false;
    const QString category = selectedCategory();
    if (category.isEmpty()) {
        Dialogs::message(this, QStringLiteral("Please select the category to add the message to first."));
        return false;
    }
    if (lstMessage->count() >= MaxMessages) {
        Dialogs::message(this,
            QStringLiteral("Sorry, but a category can hold no more than %1 messages. Please "
                           "delete one before adding another.")
                .arg(MaxMessages));
        return false;
    }
    QString error;
    if (!dataFileStillThere(&error)
        || !m_data.writeMessageEntry(category, lstMessage->count() + 1, {true, entry}, &error)) {
        reportFailedWrite(error);
        return false;
    }
    m_filling = true;
    lstMessage->addItem(ListRows::row({true, entry}));
    m_filling = false;
    return true;
}

bool frmMessageSetup::ClearCategoryMessages(const QString &category, QString *error)
{
    const int count = std::max<int>(lstMessage->count(), m_data.readCategory(category).size());
    m_filling = true;
    lstMessage->clear();
    m_filling = false;
    // A name the file cannot hold as a section has no section of its own to blank.
    if (!DataFile::isValidCategoryName(category))
        return true;
    return m_data.blankCategory(category, count, error);
}

void frmMessageSetup::DeleteMessage(const QString &category)
{
    if (Dialogs::question(this, QStringLiteral("Are you sure you want to delete this message?"),
            QStringLiteral("Please confirm"))
        != QMessageBox::Yes)
        return;
    const int row = selectedRow(lstMessage);
    if (row < 0 || category.isEmpty())
        return;
    QString error;
    if (!dataFileStillThere(&error) || !m_data.renumber(category, entriesOf(lstMessage, row), &error)) {
        reportFailedWrite(error);
        return;
    }
    m_rememberedMessage = ListRows::StripMark(lstMessage->item(row)->text());
    m_filling = true;
    delete lstMessage->takeItem(row);
    m_filling = false;
    selectMessageRow(rowAfterDeletion(row, lstMessage->count()));
}

void frmMessageSetup::DeleteCategory()
{
    if (Dialogs::question(this,
            QStringLiteral("Are you sure you want to delete this category?  All of the messages in it "
                           "will be permanently deleted."),
            QStringLiteral("Please confirm"))
        != QMessageBox::Yes)
        return;
    const int row = selectedRow(lstCategory);
    if (row < 0)
        return;
    const QString category = ListRows::StripMark(lstCategory->item(row)->text());
    // The category leaves the list first: should blanking its messages fail
    // afterwards, the left-overs are unreachable rather than a listed category
    // that has silently lost its messages.
    QString error;
    if (!dataFileStillThere(&error)
        || !m_data.renumber(DataFile::CategoriesSection, entriesOf(lstCategory, row), &error)) {
        reportFailedWrite(error);
        return;
    }
    if (!ClearCategoryMessages(category, &error)) {
        reportFailedWrite(error);
        return;
    }
    m_filling = true;
    delete lstCategory->takeItem(row);
    m_filling = false;
    selectCategoryRow(rowAfterDeletion(row, lstCategory->count()));
}

void frmMessageSetup::lstCategory_KeyUp(int key)
{
    const bool selected = selectedRow(lstCategory) >= 0;
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && selected)
        DeleteCategory();
    else if (key == Qt::Key_Space && selected)
        toggleMark(lstCategory);
    if (lstCategory->count() == 0)
        cmdAddMessage->setEnabled(false);
}

void frmMessageSetup::lstMessage_KeyUp(int key)
{
    if (selectedRow(lstMessage) < 0)
        return;
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && selectedRow(lstCategory) >= 0)
        DeleteMessage(selectedCategory());
    else if (key == Qt::Key_Space)
        toggleMark(lstMessage);
}

bool frmMessageSetup::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != lstCategory && watched != lstMessage)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        copyMessage();
        return true;
    }
    if (event->type() == QEvent::KeyRelease) {
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (!keyEvent->isAutoRepeat()) {
            if (watched == lstCategory)
                lstCategory_KeyUp(keyEvent->key());
            else
                lstMessage_KeyUp(keyEvent->key());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMessageSetup::cmdAddCategory_Click()
{
    AddCategory();
}

void frmMessageSetup::cmdDeleteCategory_Click()
{
    lstCategory_KeyUp(Qt::Key_Backspace);
    cmdAddCategory->setEnabled(lstCategory->count() < MaxCategories);
}

void frmMessageSetup::cmdAddMessage_Click()
{
    if (lstCategory->count() > 0) {
        if (selectedCategory().isEmpty()) {
            Dialogs::message(this, QStringLiteral("Please select the category to add the message to first."));
        } else if (lstMessage->count() >= MaxMessages) {
            Dialogs::message(this,
                QStringLiteral("Sorry, but a category can hold no more than %1 messages. Please "
                               "delete one before adding another.")
                    .arg(MaxMessages));
        } else {
            frmTypeOfSubliminal dialog(this);
            dialog.exec();
        }
    }
    // Shows the category as stored, whatever the dialog did.
    if (selectedRow(lstCategory) >= 0)
        lstCategory_Click();
}

void frmMessageSetup::cmdEditSubliminal_Click()
{
    const int row = selectedRow(lstMessage);
    const QString category = selectedCategory();
    if (row < 0 || category.isEmpty())
        return;
    const std::optional<QString> answer
        = Dialogs::input(this, QStringLiteral("Please edit the message here (max 300 characters)"),
            QStringLiteral("Add new message"), ListRows::StripMark(lstMessage->item(row)->text()));
    if (!answer)
        return;
    const QString text = ListRows::messageText(*answer);
    if (text.isEmpty())
        return;
    QString error;
    if (!dataFileStillThere(&error) || !m_data.writeMessageEntry(category, row + 1, {true, text}, &error)) {
        reportFailedWrite(error);
        return;
    }
    lstMessage->item(row)->setText(ListRows::row({true, text}));
    lstMessage_Click();
}

void frmMessageSetup::cmdDeleteMessage_Click()
{
    lstMessage_KeyUp(Qt::Key_Backspace);
    cmdAddMessage->setEnabled(lstCategory->count() > 0);
}

void frmMessageSetup::cmdExit_Click()
{
    if (requestClose())
        Q_EMIT closeRequested();
}

bool frmMessageSetup::requestClose()
{
    for (int i = 0; i < lstCategory->count(); ++i) {
        if (ListRows::isMarked(lstCategory->item(i)->text()))
            return true;
    }
    return Dialogs::question(this,
               QStringLiteral("You have not selected any categories. No messages will be shown. Do "
                              "you still want to continue?"),
               QStringLiteral("No Selection"))
        == QMessageBox::Yes;
}

void frmMessageSetup::onActivated()
{
    if (lstCategory->count() > 0)
        selectCategoryRow(0);
}

void frmMessageSetup::copyMessage()
{
    const int row = selectedRow(lstMessage);
    if (row < 0)
        return;
    const QString text = ListRows::StripMark(lstMessage->item(row)->text());
    if (text.isEmpty())
        return;
    m_rememberedMessage = text;
    QGuiApplication::clipboard()->setText(text);
}

QStringList frmMessageSetup::categoryRows() const
{
    QStringList rows;
    for (int i = 0; i < lstCategory->count(); ++i)
        rows.append(lstCategory->item(i)->text());
    return rows;
}

QStringList frmMessageSetup::messageRows() const
{
    QStringList rows;
    for (int i = 0; i < lstMessage->count(); ++i)
        rows.append(lstMessage->item(i)->text());
    return rows;
}
