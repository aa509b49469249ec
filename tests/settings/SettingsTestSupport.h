#pragma once

#include <QMap>
#include <QString>

#include <memory>

class LinkEndpoint;
class QThread;

namespace SettingsTestSupport {

// Values written straight into the settings store, as an earlier run would have left them.
void storeSettings(const QMap<QString, QString> &values);
QString storedSetting(const QString &key);
// Whether the key exists at all: "never written" and "written empty" mean different things here.
bool hasStoredSetting(const QString &settingsFile, const QString &key);

// A data file with one category of the given messages, all marked.
void writeLibrary(
    const QString &dataFile, const QString &category, const QStringList &messages, bool marked = true);

} // namespace SettingsTestSupport

// A link endpoint served by a thread of its own, so that a window of the test
// process can poke it synchronously (a poke waits for the acknowledgement,
// which the UI thread could not give while it is the one waiting).
class ThreadedEndpoint
{
public:
    ThreadedEndpoint(const QString &application, const QString &topic);
    ~ThreadedEndpoint();
    bool isListening() const { return m_listening; }
    // "item=text" for every poke received, in order.
    QStringList received() const;

private:
    std::unique_ptr<QThread> m_thread;
    LinkEndpoint *m_endpoint = nullptr;
    bool m_listening = false;
    struct Log;
    std::shared_ptr<Log> m_log;
};
