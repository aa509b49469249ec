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
    QString home() const;
    QString configHome() const;
    QString runtimeDir() const;
    QString settingsFile() const; // where the settings store keeps its values

    QProcessEnvironment processEnvironment() const;

    // Whole-file helpers for the files a test lays out or checks.
    static bool writeFile(const QString &path, const QByteArray &bytes);
    static QByteArray readFile(const QString &path);

    // The folder of the built programs and the factory data file.
    static QString binDir();
    static QString sourceDir();

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    QByteArray m_oldConfig;
    QByteArray m_oldRuntime;
};
