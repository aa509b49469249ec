#include "DataFile.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList texts(const QList<MarkedEntry> &entries)
{
    QStringList result;
    for (const MarkedEntry &entry : entries)
        result.append(QLatin1Char(entry.marked ? '+' : '-') + entry.text);
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
        m_path = m_env->home() + u"/DATA.TXT"_s;
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
        QCOMPARE(data.readCategories().last().text, u"C100"_s);
        QCOMPARE(data.readCategory(u"C1"_s).size(), DataFile::MaxEntries);
        QCOMPARE(data.readMarkedMessages().size(), DataFile::MaxEntries);
    }
    void renumberAfterDeletion()
    {
        QVERIFY(TestEnvironment::writeFile(
            m_path, "[Categories]\n1=1A\n[A]\n1=1first\n2=0second\n3=1third\n[B]\n1=1untouched\n"));
        const DataFile data(m_path);
        QList<MarkedEntry> messages = data.readCategory(u"A"_s);
        messages.removeAt(1);
        QVERIFY(data.renumber(u"A"_s, messages));
        QCOMPARE(TestEnvironment::readFile(m_path),
            QByteArray("[Categories]\n1=1A\n[A]\n1=1first\n2=1third\n3=\n[B]\n1=1untouched\n"));
        QCOMPARE(texts(data.readCategory(u"a"_s)), (QStringList {"+first", "+third"}));

        QVERIFY(data.renumber(u"A"_s, {}));
        QVERIFY(data.readCategory(u"A"_s).isEmpty());
    }
    void blankCategoryAndEndList()
    {
        QVERIFY(
            TestEnvironment::writeFile(m_path, "[Categories]\n1=1A\n2=1B\n[A]\n1=1x\n2=1y\n3=1z\n4=1w\n"));
        const DataFile data(m_path);
        QVERIFY(data.blankCategory(u"A"_s, 4));
        QVERIFY(data.renumber(DataFile::CategoriesSection, {MarkedEntry {true, u"B"_s}}));
        QCOMPARE(
            TestEnvironment::readFile(m_path), QByteArray("[Categories]\n1=1B\n2=\n[A]\n1=\n2=\n3=\n4=\n"));

        QVERIFY(data.writeMessageEntry(u"B"_s, 1, {false, u"new"_s}));
        QVERIFY(data.endList(u"B"_s, 2));
        QVERIFY(data.writeCategoryEntry(2, {true, u"C"_s}));
        QCOMPARE(texts(data.readCategories()), (QStringList {"+B", "+C"}));
        QCOMPARE(texts(data.readCategory(u"B"_s)), QStringList {"-new"});
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
        QVERIFY(!data.writeMessageEntry(u"categories"_s, 2, {true, u"0Evil"_s}, &error));
        QVERIFY(!data.writeCategoryEntry(2, {true, u"x]y"_s}, &error));
        QVERIFY(!data.renumber(u"CATEGORIES"_s, {}, &error));
        QVERIFY(!data.writeMessageEntry(u"A"_s, 2, {true, u"two\nlines"_s}, &error));
        QCOMPARE(TestEnvironment::readFile(m_path), original);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    QString m_path;
};

QTEST_GUILESS_MAIN(tst_DataFile)
#include "tst_datafile.moc"
