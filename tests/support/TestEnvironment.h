#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A private HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR for one test, so that
// nothing a test does touches the real user's settings, library or link
// sockets. The variables are set for this process (the settings store and the
// runtime folder are looked up at each use) and handed to the programs a test
// starts through processEnvironment().
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment &) = delete;
    TestEnvironment &operator=(const TestEnvironment &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }
    QString home() const { return m_dir.filePath(QStringLiteral("home")); }
    QString configHome() const { return m_dir.filePath(QStringLiteral("config")); }
    QString runtimeDir() const { return m_dir.filePath(QStringLiteral("runtime")); }
    // Where the settings store keeps its values.
    QString settingsFile() const { return configHome() + QStringLiteral("/Murmurine/Murmurine.conf"); }

    QProcessEnvironment processEnvironment() const;

    // Whole-file helpers for the files a test lays out or checks.
    static bool writeFile(const QString &path, const QByteArray &bytes);
    static QByteArray readFile(const QString &path);

    // The folder of the built programs and the factory data file.
    static QString binDir() { return QStringLiteral(MURMURINE_BIN_DIR); }
    static QString sourceDir() { return QStringLiteral(MURMURINE_SOURCE_DIR); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old[3]; // HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR before
};
