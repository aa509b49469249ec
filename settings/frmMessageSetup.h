#pragma once

#include "DataFile.h"

#include <QString>
#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

// The message manager: the categories of the library and the messages of the
// selected one, with their marks. Every change goes to the data file at once;
// a write that fails is reported once and the lists are reloaded from the file,
// so they never show what the file does not hold.
class frmMessageSetup : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MaxCategories = DataFile::MaxEntries;
    static constexpr int MaxMessages = DataFile::MaxEntries;

    explicit frmMessageSetup(const QString &dataFolder, QWidget *parent = nullptr);

    // Clears both lists and fills them from the data file.
    void LoadMessageLists();
    // An empty name asks the user for one. True when a category was added.
    bool AddCategory(const QString &name = QString());
    // Appends the entry, marked, to the selected category. True when it was stored.
    bool AddMessage(const QString &entry);

    QWidget *contentPanel() const;
    void onActivated();
    void copyMessage();
    bool requestClose();

    // The last deleted or copied message, offered when a simple message is added.
    const QString &rememberedMessage() const { return m_rememberedMessage; }
    void setRememberedMessage(const QString &text) { m_rememberedMessage = text; }

    QString dataFilePath() const { return m_data.path(); }

    // For the frame's commands that work on the lists as they are shown.
    QStringList categoryRows() const;
    QStringList messageRows() const;
    int selectedCategoryRow() const { return selectedRow(lstCategory); }
    // As a click on the row does: the category's messages are listed as stored.
    void selectCategory(int row) { selectCategoryRow(row); }

Q_SIGNALS:
    void closeRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildForm();
    void fillMessages(const QString &category);
    QString selectedCategory() const;
    int selectedRow(const QListWidget *list) const;

    void selectCategoryRow(int row);
    void selectMessageRow(int row);
    void lstCategory_Click();
    void lstMessage_Click();
    void toggleMark(QListWidget *list);
    void DeleteMessage(const QString &category);
    void DeleteCategory();
    bool ClearCategoryMessages(const QString &category, QString *error);

    void lstCategory_KeyUp(int key);
    void lstMessage_KeyUp(int key);

    void cmdAddCategory_Click();
    void cmdDeleteCategory_Click();
    void cmdAddMessage_Click();
    void cmdEditSubliminal_Click();
    void cmdDeleteMessage_Click();
    void cmdExit_Click();

    // The data file no longer matches the lists when it was deleted behind our back.
    bool dataFileStillThere(QString *error) const;
    void reportFailedWrite(const QString &reason);

    DataFile m_data;
    QString m_rememberedMessage;
    bool m_filling = false;

    QWidget *fmeAll = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblMarked0 = nullptr;
    QLabel *lblMarked1 = nullptr;
    QLabel *lblCopy = nullptr;
    QLabel *Image1 = nullptr;
    QListWidget *lstCategory = nullptr;
    QListWidget *lstMessage = nullptr;
    QPushButton *cmdAddCategory = nullptr;
    QPushButton *cmdDeleteCategory = nullptr;
    QPushButton *cmdAddMessage = nullptr;
    QPushButton *cmdEditSubliminal = nullptr;
    QPushButton *cmdDeleteMessage = nullptr;
    QPushButton *cmdExit = nullptr;
};
