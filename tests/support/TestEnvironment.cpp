#include "TestEnvironment.h"

#include <QDir>
#include <QFile>

TestEnvironment::TestEnvironment()
    : m_oldHome(qgetenv("HOME"))
    , m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
    , m_oldRuntime(qgetenv("XDG_RUNTIME_DIR"))
{
    QDir root(m_dir.path());
    root.mkpath(QStringLiteral("home"));
    root.mkpath(QStringLiteral("config"));
    root.mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(home()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir()));
}

namespace {

// Only a variable that still holds this environment's value is put back: when a
// fixture makes the next environment before dropping the previous one, the
// previous one must not undo the new one (and send a test to the real HOME).
void restore(const char *name, const QString &ours, const QByteArray &old)
{
    if (qgetenv(name) == QFile::encodeName(ours))
        qputenv(name, old);
}

} // namespace

TestEnvironment::~TestEnvironment()
{
    restore("HOME", home(), m_oldHome);
    restore("XDG_CONFIG_HOME", configHome(), m_oldConfig);
    restore("XDG_RUNTIME_DIR", runtimeDir(), m_oldRuntime);
}

QString TestEnvironment::home() const
{
    return m_dir.filePath(QStringLiteral("home"));
}

QString TestEnvironment::configHome() const
{
    return m_dir.filePath(QStringLiteral("config"));
}

QString TestEnvironment::runtimeDir() const
{
    return m_dir.filePath(QStringLiteral("runtime"));
}

QString TestEnvironment::settingsFile() const
{
    return configHome() + QStringLiteral("/Murmurine/Murmurine.conf");
}

QProcessEnvironment TestEnvironment::processEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
    return env;
}

QString TestEnvironment::binDir()
{
    return QStringLiteral(MURMURINE_BIN_DIR);
}

QString TestEnvironment::sourceDir()
{
    return QStringLiteral(MURMURINE_SOURCE_DIR);
}

bool TestEnvironment::writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray TestEnvironment::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
