#pragma once

#include <QString>
#include <memory>

class QLockFile;

// One running instance per user of a program, held by a lock file in the
// per-user runtime folder. A lock left by a crashed process is taken over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &name);
    ~SingleInstance();

    // True when this process now holds the lock. False when another live
    // instance holds it (error left empty) or when the lock cannot be made at
    // all (error says why).
    bool tryAcquire(QString *error = nullptr);

private:
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
};
