#include "SettingsTestSupport.h"

#include "IniProcedures.h"
#include "LinkEndpoint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSettings>
#include <QThread>

namespace SettingsTestSupport {

void storeSettings(const QMap<QString, QString> &values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        WriteIniFile(SettingsSection, it.key(), it.value(), SettingsFileName);
}

QString storedSetting(const QString &key)
{
    return ReadIniFile(SettingsSection, key, SettingsFileName);
}

bool hasStoredSetting(const QString &settingsFile, const QString &key)
{
    QSettings file(settingsFile, QSettings::IniFormat);
    return file.contains(SettingsSection + QLatin1Char('/') + key);
}

void writeLibrary(const QString &dataFile, const QString &category, const QStringList &messages, bool marked)
{
    QDir().mkpath(QFileInfo(dataFile).absolutePath());
    QFile file(dataFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    const QString mark = marked ? QStringLiteral("1") : QStringLiteral("0");
    QString text = QStringLiteral("[Categories]\n1=") + mark + category + QStringLiteral("\n\n[") + category
        + QStringLiteral("]\n");
    for (int i = 0; i < messages.size(); ++i)
        text += QString::number(i + 1) + QLatin1Char('=') + mark + messages.at(i) + QLatin1Char('\n');
    file.write(text.toUtf8());
}

} // namespace SettingsTestSupport

struct ThreadedEndpoint::Log
{
    mutable QMutex mutex;
    QStringList received;
};

ThreadedEndpoint::ThreadedEndpoint(const QString &application, const QString &topic)
    : m_thread(std::make_unique<QThread>())
    , m_log(std::make_shared<Log>())
{
    m_thread->start();
    m_endpoint = new LinkEndpoint(application, topic);
    m_endpoint->moveToThread(m_thread.get());
    std::shared_ptr<Log> log = m_log;
    QObject::connect(
        m_endpoint, &LinkEndpoint::textChanged, m_endpoint, [log](const QString &item, const QString &text) {
            QMutexLocker locker(&log->mutex);
            log->received.append(item + QLatin1Char('=') + text);
        });
    QMetaObject::invokeMethod(
        m_endpoint, [this] { m_listening = m_endpoint->listen(); }, Qt::BlockingQueuedConnection);
}

ThreadedEndpoint::~ThreadedEndpoint()
{
    QMetaObject::invokeMethod(
        m_endpoint, [this] { delete m_endpoint; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

QStringList ThreadedEndpoint::received() const
{
    QMutexLocker locker(&m_log->mutex);
    return m_log->received;
}
