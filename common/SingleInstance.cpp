#include "SingleInstance.h"

#include "RuntimeFolder.h"

#include <QLockFile>

SingleInstance::SingleInstance(const QString &name)
    : m_name(name)
{ }

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire(QString *error)
{
    if (error)
        error->clear();
    if (m_lock && m_lock->isLocked())
        return true;
    const QString folder = RuntimeFolder::path();
    if (folder.isEmpty()) {
        if (error)
            *error = QStringLiteral("The private runtime folder for the instance lock cannot be made.");
        return false;
    }
    m_lock = std::make_unique<QLockFile>(folder + QLatin1Char('/') + m_name + QStringLiteral(".lock"));
    // Age alone never makes a lock stale: a Messenger runs for days. Only a
    // lock whose owner has died is taken over.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    if (error && m_lock->error() != QLockFile::LockFailedError)
        *error = QStringLiteral("The instance lock %1 cannot be made.").arg(m_lock->fileName());
    return false;
}
