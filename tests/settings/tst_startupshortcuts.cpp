#include "StartupShortcuts.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTest>

#include <optional>

using Program = StartupShortcuts::Program;

namespace {

// The arguments of an Exec value as a launcher reads them: string escapes first,
// then the quoting, then "%%". Anything a launcher would refuse or expand gives nothing.
std::optional<QStringList> execArguments(const QString &value)
{
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\') {
            unescaped += value[i];
            continue;
        }
        if (++i == value.size())
            return std::nullopt;
        const qsizetype escape = QStringLiteral("sntr\\").indexOf(value[i]);
        if (escape < 0)
            return std::nullopt;
        unescaped += QStringLiteral(" \n\t\r\\").at(escape);
    }

    const QString reserved = QStringLiteral("\t\n\"'\\><~|&;$*?#()`");
    QStringList arguments;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (c == u' ') {
            if (inArgument)
                arguments += current;
            current.clear();
            inArgument = false;
        } else if (c == u'"') {
            inArgument = true;
            for (++i;; ++i) {
                if (i == unescaped.size())
                    return std::nullopt;
                if (unescaped[i] == u'"')
                    break;
                if (unescaped[i] == u'\\') {
                    if (++i == unescaped.size() || !QStringLiteral("\"`$\\").contains(unescaped[i]))
                        return std::nullopt;
                }
                current += unescaped[i];
            }
        } else if (reserved.contains(c)) {
            return std::nullopt;
        } else {
            inArgument = true;
            current += c;
        }
    }
    if (inArgument)
        arguments += current;

    for (QString &argument : arguments) {
        QString literal;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument[i] == u'%' && (++i == argument.size() || argument[i] != u'%'))
                return std::nullopt; // a field code
            literal += argument[i];
        }
        argument = literal;
    }
    return arguments;
}

QString keyValue(const QByteArray &entry, const QString &key)
{
    for (const QString &line : QString::fromUtf8(entry).split(u'\n')) {
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    }
    return {};
}

// Every file and folder below root, with the contents of the files.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        entries.insert(
            path, it.fileInfo().isFile() ? TestEnvironment::readFile(path) : QByteArray("(folder)"));
    }
    return entries;
}

// Writes a file, making its folders first.
bool put(const QString &path, const QByteArray &bytes)
{
    return QDir().mkpath(QFileInfo(path).path()) && TestEnvironment::writeFile(path, bytes);
}

bool folderIsWritable(const QString &folder)
{
    QFile probe(folder + QStringLiteral("/probe"));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.remove();
    return true;
}

} // namespace

class tst_StartupShortcuts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addAndRemove_data()
    {
        QTest::addColumn<Program>("program");
        QTest::addColumn<bool>("ownThere");
        QTest::addColumn<bool>("otherThere"); // neither there: nor even the configuration folder
        QTest::newRow("settings, none there") << Program::Settings << false << false;
        QTest::newRow("settings over the messenger's") << Program::Settings << false << true;
        QTest::newRow("messenger over the settings'") << Program::Messenger << false << true;
        QTest::newRow("messenger again") << Program::Messenger << true << false;
    }
    void addAndRemove()
    {
        QFETCH(Program, program);
        QFETCH(bool, ownThere);
        QFETCH(bool, otherThere);
        TestEnvironment env;
        QVERIFY(env.isValid());
        const bool nothingThere = !ownThere && !otherThere;
        const QString configHome
            = nothingThere ? env.root() + QStringLiteral("/not/there/yet") : env.configHome();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome));
        const auto putBack
            = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", QFile::encodeName(env.configHome())); });
        const QString folder = configHome + QStringLiteral("/autostart");
        const QString ownFile
            = folder + u'/' + StartupShortcuts::shortcutName(program) + QStringLiteral(".desktop");
        const QString otherFile = folder + u'/'
            + StartupShortcuts::shortcutName(StartupShortcuts::other(program)) + QStringLiteral(".desktop");
        // Someone else's entry stays where it is.
        if (!nothingThere)
            QVERIFY(put(folder + QStringLiteral("/other.desktop"), "[Desktop Entry]\n"));
        if (ownThere)
            QVERIFY(put(ownFile, "old"));
        if (otherThere)
            QVERIFY(put(otherFile, "old"));

        StartupShortcuts shortcuts(env.root() + QStringLiteral("/app"));
        QString error;
        QVERIFY2(shortcuts.add(program, &error), qPrintable(error));
        QVERIFY(shortcuts.exists(program));
        QVERIFY(!shortcuts.exists(StartupShortcuts::other(program)));
        QVERIFY(!QFile::exists(otherFile));
        const QByteArray entry = TestEnvironment::readFile(ownFile);
        QCOMPARE(keyValue(entry, QStringLiteral("Name")), StartupShortcuts::shortcutName(program));
        QCOMPARE(execArguments(keyValue(entry, QStringLiteral("Exec"))),
            QStringList {env.root() + QStringLiteral("/app/") + StartupShortcuts::executableName(program)});

        // Removing the other one, which is not there, is no failure and removes nothing.
        QVERIFY2(shortcuts.remove(StartupShortcuts::other(program), &error), qPrintable(error));
        QVERIFY(shortcuts.exists(program));
        QVERIFY2(shortcuts.remove(program, &error), qPrintable(error));
        QVERIFY(!shortcuts.exists(program));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            nothingThere ? QStringList() : QStringList {QStringLiteral("other.desktop")});
    }
    void failuresChangeNothing_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<Program>("program");
        QTest::addColumn<bool>("adding");
        QTest::newRow("folder is a file, add") << "file" << Program::Settings << true;
        QTest::newRow("folder is a file, remove") << "file" << Program::Settings << false;
        QTest::newRow("read-only folder, add") << "read-only" << Program::Settings << true;
        QTest::newRow("read-only folder, remove") << "read-only" << Program::Messenger << false;
        // The new entry is taken back when the other cannot be removed: never both.
        QTest::newRow("other entry cannot go") << "stuck" << Program::Settings << true;
        QTest::newRow("control character in the folder") << "control" << Program::Messenger << true;
    }
    void failuresChangeNothing()
    {
        QFETCH(QString, layout);
        QFETCH(Program, program);
        QFETCH(bool, adding);
        TestEnvironment env;
        QVERIFY(env.isValid());
        const QString folder = env.configHome() + QStringLiteral("/autostart");
        QString applicationFolder = env.root() + QStringLiteral("/app");
        if (layout == u"file") {
            QVERIFY(put(folder, "not a folder"));
        } else if (layout == u"read-only") {
            QVERIFY(put(folder + QStringLiteral("/Murmurine.desktop"), "old"));
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        } else if (layout == u"stuck") {
            QVERIFY(put(folder + QStringLiteral("/Murmurine.desktop/inside"), "a folder"));
        } else if (layout == u"control") {
            applicationFolder += QStringLiteral("/line\nbreak");
        }
        const auto writable = qScopeGuard(
            [&] { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        if (layout == u"read-only" && folderIsWritable(folder))
            QSKIP("the folder stays writable for this user (root)");
        const auto before = snapshot(env.root());

        StartupShortcuts shortcuts(applicationFolder);
        QString error;
        const bool done = adding ? shortcuts.add(program, &error) : shortcuts.remove(program, &error);
        if (layout == u"file" && !adding) {
            QVERIFY2(done, "nothing to remove is no failure");
        } else {
            QVERIFY(!done);
            QVERIFY(!error.isEmpty());
            QVERIFY2(error.contains(layout == u"control" ? applicationFolder : folder), qPrintable(error));
        }
        QCOMPARE(snapshot(env.root()), before);
    }
    void execNamesTheProgram_data()
    {
        QTest::addColumn<QString>("folderName");
        QTest::newRow("spaces") << "my  programs/bin";
        QTest::newRow("quotes") << "say \"hi\", it's";
        QTest::newRow("percent") << "100% sure %u %%";
        QTest::newRow("non-ASCII letters") << QStringLiteral("Müller/Программы/プログラム");
        QTest::newRow("backslash, dollar, backtick") << "a\\b $HOME `id` \\\\";
        QTest::newRow("shell characters") << "a;b&c|d<e>f*g?h#i(j)k~l";
    }
    void execNamesTheProgram()
    {
        QFETCH(QString, folderName);
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (validator.isEmpty()) {
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL("desktop-file-validate (desktop-file-utils) is missing");
            QSKIP("needs desktop-file-validate (desktop-file-utils)");
        }
        TestEnvironment env;
        QVERIFY(env.isValid());
        const QString applicationFolder = env.root() + u'/' + folderName;

        for (const Program program : {Program::Settings, Program::Messenger}) {
            StartupShortcuts shortcuts(applicationFolder);
            QString error;
            QVERIFY2(shortcuts.add(program, &error), qPrintable(error));
            const QString file = shortcuts.entryPath(program);
            QCOMPARE(QFileInfo(file).path(), env.configHome() + QStringLiteral("/autostart"));

            QProcess validate;
            validate.setProcessChannelMode(QProcess::MergedChannels);
            validate.start(validator, {file});
            QVERIFY(validate.waitForFinished(30000));
            const QByteArray complaints = validate.readAll();
            QVERIFY2(validate.exitStatus() == QProcess::NormalExit && validate.exitCode() == 0
                    && complaints.isEmpty(),
                complaints.constData());

            const QByteArray entry = TestEnvironment::readFile(file);
            QStringDecoder utf8(QStringDecoder::Utf8);
            utf8(entry);
            QVERIFY(!utf8.hasError());
            QCOMPARE(execArguments(keyValue(entry, QStringLiteral("Exec"))),
                QStringList {applicationFolder + u'/' + StartupShortcuts::executableName(program)});
        }
    }
};

QTEST_GUILESS_MAIN(tst_StartupShortcuts)
#include "tst_startupshortcuts.moc"
