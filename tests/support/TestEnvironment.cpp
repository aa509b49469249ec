#include "TestEnvironment.h"

#include <QDir>
#include <QFile>

namespace {

const char *const Variables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"};

} // namespace

TestEnvironment::TestEnvironment()
{
    const QString folders[] = {home(), configHome(), runtimeDir()};
    for (int i = 0; i < 3; ++i) {
        m_old[i] = qgetenv(Variables[i]);
        QDir().mkpath(folders[i]);
        qputenv(Variables[i], QFile::encodeName(folders[i]));
    }
    QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Only a variable that still holds this environment's value is put back: when a
// fixture makes the next environment before dropping the previous one, the
// previous one must not undo the new one (and send a test to the real HOME).
TestEnvironment::~TestEnvironment()
{
    const QString folders[] = {home(), configHome(), runtimeDir()};
    for (int i = 0; i < 3; ++i) {
        if (qgetenv(Variables[i]) == QFile::encodeName(folders[i]))
            qputenv(Variables[i], m_old[i]);
    }
}

QProcessEnvironment TestEnvironment::processEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
    return env;
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
