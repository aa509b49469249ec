#include "DataFile.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QTest>

namespace {

QStringList texts(const QList<MarkedEntry> &entries)
{
    QStringList result;
    for (const MarkedEntry &entry : entries)
        result.append((entry.marked ? QStringLiteral("+") : QStringLiteral("-")) + entry.text);
    return result;
}

} // namespace

class tst_DataFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
        m_path = m_env->home() + QStringLiteral("/DATA.TXT");
    }
    void readingLists_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("categories");

        QTest::newRow("marks") << QByteArray("[Categories]\n1=1Calm\n2=0Focus\n3=xOdd\n4=11\n")
                               << QStringList {"+Calm", "-Focus", "-Odd", "+1"};
        QTest::newRow("stops at the first empty value")
            << QByteArray("[Categories]\n1=1A\n2=1B\n3=\n4=1Hidden\n") << QStringList {"+A", "+B"};
        QTest::newRow("stops at the first missing key")
            << QByteArray("[Categories]\n1=1A\n3=1C\n") << QStringList {"+A"};
        QTest::newRow("keys in any order of lines")
            << QByteArray("[Categories]\n2=0B\n1=1A\n") << QStringList {"+A", "-B"};
        QTest::newRow("missing file") << QByteArray() << QStringList {};
        QTest::newRow("garbage") << QByteArray("\x01\x02=\xFF\n[[\n") << QStringList {};
        QTest::newRow("mark only is an empty name") << QByteArray("[Categories]\n1=1\n") << QStringList {"+"};
    }
    void readingLists()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, categories);
        if (!file.isEmpty())
            QVERIFY(TestEnvironment::writeFile(m_path, file));
        QCOMPARE(texts(DataFile(m_path).readCategories()), categories);
    }
    void markedMessagesInKeyOrder()
    {
        QVERIFY(TestEnvironment::writeFile(m_path,
            "[Categories]\n1=1Calm\n2=0Off\n3=1Focus\n"
            "[Calm]\n1=1I breathe.\n2=0Not me.\n3=1#PICTURE# /p/sun.png\n"
            "[Off]\n1=1Never shown.\n"
            "[focus]\n1=1One thing at a time.\n2=\n3=1Beyond the gap.\n"));
        QCOMPARE(DataFile(m_path).readMarkedMessages(),
            (QStringList {"I breathe.", "#PICTURE# /p/sun.png", "One thing at a time."}));
    }
    void hundredEntryLimit()
    {
        QByteArray bytes = "[Categories]\n";
        for (int i = 1; i <= 101; ++i)
            bytes += QByteArray::number(i) + "=1C" + QByteArray::number(i) + '\n';
        bytes += "[C1]\n";
        for (int i = 1; i <= 101; ++i)
            bytes += QByteArray::number(i) + "=1m" + QByteArray::number(i) + '\n';
        QVERIFY(TestEnvironment::writeFile(m_path, bytes));
        const DataFile data(m_path);
        QCOMPARE(data.readCategories().size(), DataFile::MaxEntries);
        QCOMPARE(data.readCategories().last().text, QStringLiteral("C100"));
        QCOMPARE(data.readCategory(QStringLiteral("C1")).size(), DataFile::MaxEntries);
        QCOMPARE(data.readMarkedMessages().size(), DataFile::MaxEntries);
    }
    void renumberAfterDeletion()
    {
        QVERIFY(TestEnvironment::writeFile(
            m_path, "[Categories]\n1=1A\n[A]\n1=1first\n2=0second\n3=1third\n[B]\n1=1untouched\n"));
        const DataFile data(m_path);
        QList<MarkedEntry> messages = data.readCategory(QStringLiteral("A"));
        messages.removeAt(1);
        QVERIFY(data.renumber(QStringLiteral("A"), messages));
        QCOMPARE(TestEnvironment::readFile(m_path),
            QByteArray("[Categories]\n1=1A\n[A]\n1=1first\n2=1third\n3=\n[B]\n1=1untouched\n"));
        QCOMPARE(texts(data.readCategory(QStringLiteral("a"))), (QStringList {"+first", "+third"}));

        QVERIFY(data.renumber(QStringLiteral("A"), {}));
        QVERIFY(data.readCategory(QStringLiteral("A")).isEmpty());
    }
    void blankCategoryAndEndList()
    {
        QVERIFY(
            TestEnvironment::writeFile(m_path, "[Categories]\n1=1A\n2=1B\n[A]\n1=1x\n2=1y\n3=1z\n4=1w\n"));
        const DataFile data(m_path);
        QVERIFY(data.blankCategory(QStringLiteral("A"), 4));
        QVERIFY(data.renumber(DataFile::CategoriesSection, {MarkedEntry {true, QStringLiteral("B")}}));
        QCOMPARE(
            TestEnvironment::readFile(m_path), QByteArray("[Categories]\n1=1B\n2=\n[A]\n1=\n2=\n3=\n4=\n"));

        QVERIFY(data.writeMessageEntry(QStringLiteral("B"), 1, {false, QStringLiteral("new")}));
        QVERIFY(data.endList(QStringLiteral("B"), 2));
        QVERIFY(data.writeCategoryEntry(2, {true, QStringLiteral("C")}));
        QCOMPARE(texts(data.readCategories()), (QStringList {"+B", "+C"}));
        QCOMPARE(texts(data.readCategory(QStringLiteral("B"))), QStringList {"-new"});
    }
    void categoryNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ordinary") << "Calm and focus" << true;
        QTest::newRow("punctuation") << "Self-care; = rest!" << true;
        QTest::newRow("emoji") << QString::fromUtf8("Joy 😀") << true;
        QTest::newRow("the list's own name") << "Categories" << false;
        QTest::newRow("the list's name in other case") << "cATEGORIES" << false;
        QTest::newRow("opening bracket") << "a[b" << false;
        QTest::newRow("closing bracket") << "a]b" << false;
        QTest::newRow("tab") << "a\tb" << false;
        QTest::newRow("line break") << "a\nb" << false;
        QTest::newRow("only spaces") << "   " << false;
    }
    void categoryNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QString error;
        QCOMPARE(DataFile::isValidCategoryName(name, &error), valid);
        QCOMPARE(error.isEmpty(), valid);
    }
    void refusedNameLeavesFileWhole()
    {
        const QByteArray original = "[Categories]\n1=1A\n[A]\n1=1x\n";
        QVERIFY(TestEnvironment::writeFile(m_path, original));
        const DataFile data(m_path);
        QString error;
        QVERIFY(!data.writeMessageEntry(
            QStringLiteral("categories"), 2, {true, QStringLiteral("0Evil")}, &error));
        QVERIFY(!data.writeCategoryEntry(2, {true, QStringLiteral("x]y")}, &error));
        QVERIFY(!data.renumber(QStringLiteral("CATEGORIES"), {}, &error));
        QVERIFY(
            !data.writeMessageEntry(QStringLiteral("A"), 2, {true, QStringLiteral("two\nlines")}, &error));
        QCOMPARE(TestEnvironment::readFile(m_path), original);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    QString m_path;
};

QTEST_GUILESS_MAIN(tst_DataFile)
#include "tst_datafile.moc"
