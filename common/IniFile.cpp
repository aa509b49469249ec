#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSaveFile>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified {};

    bool operator==(const FileIdentity &other) const
    {
        return device == other.device && inode == other.inode && size == other.size
            && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
    }

    static FileIdentity of(const struct stat &st) { return {st.st_dev, st.st_ino, st.st_size, st.st_mtim}; }
};

struct CachedFile
{
    FileIdentity identity;
    std::shared_ptr<const IniDocument> document;
};

// Files the programs read are few (the data file, an exchange file now and then).
constexpr qsizetype MaxCachedFiles = 8;

QMutex cacheMutex;
QHash<QString, CachedFile> cache;

const std::shared_ptr<const IniDocument> &emptyDocument()
{
    static const auto empty = std::make_shared<const IniDocument>();
    return empty;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

enum class LoadResult { Loaded, Missing, Failed };

// Caller holds cacheMutex.
LoadResult loadLocked(const QString &path, std::shared_ptr<const IniDocument> *document, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0) {
        cache.remove(path);
        *document = emptyDocument();
        if (errno == ENOENT || errno == ENOTDIR)
            return LoadResult::Missing;
        setError(error, QString::fromLocal8Bit(std::strerror(errno)));
        return LoadResult::Failed;
    }
    if (S_ISDIR(st.st_mode)) {
        cache.remove(path);
        *document = emptyDocument();
        setError(error, QStringLiteral("%1 is a folder, not a file.").arg(QDir::toNativeSeparators(path)));
        return LoadResult::Failed;
    }
    const auto hit = cache.constFind(path);
    if (hit != cache.cend() && hit->identity == FileIdentity::of(st)) {
        *document = hit->document;
        return LoadResult::Loaded;
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        cache.remove(path);
        *document = emptyDocument();
        setError(error, file.errorString());
        return LoadResult::Failed;
    }
    // The identity of what is actually read, not of what was there a moment ago.
    if (::fstat(file.handle(), &st) != 0) {
        *document = emptyDocument();
        setError(error, QString::fromLocal8Bit(std::strerror(errno)));
        return LoadResult::Failed;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        cache.remove(path);
        *document = emptyDocument();
        setError(error, file.errorString());
        return LoadResult::Failed;
    }
    auto parsed = std::make_shared<const IniDocument>(IniDocument::parse(bytes));
    if (cache.size() >= MaxCachedFiles && !cache.contains(path))
        cache.clear();
    cache.insert(path, CachedFile {FileIdentity::of(st), parsed});
    *document = std::move(parsed);
    return LoadResult::Loaded;
}

// QSaveFile names its temporary copy after the file, plus "." and six random
// letters or digits, just before renaming it over the file. A suffix of letters
// of one case, or of digits alone, is a word or a date that a user may have given
// a copy of their own ("DATA.TXT.backup", "DATA.TXT.BACKUP"); a leftover of ours
// is nearly always mixed, and the rare one that is not is merely left in place.
bool isTemporaryName(std::string_view name, std::string_view fileName)
{
    if (name.size() != fileName.size() + 7 || !name.starts_with(fileName) || name[fileName.size()] != '.')
        return false;
    const std::string_view suffix = name.substr(name.size() - 6);
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto isLower = [](char c) { return c >= 'a' && c <= 'z'; };
    const auto isUpper = [](char c) { return c >= 'A' && c <= 'Z'; };
    const auto only = [&](auto kind) { return std::all_of(suffix.begin(), suffix.end(), kind); };
    if (!only([&](char c) { return isDigit(c) || isLower(c) || isUpper(c); }))
        return false;
    return !only(isLower) && !only(isUpper) && !only(isDigit);
}

// A writer killed between naming its temporary copy and the rename leaves a full
// copy of the file behind. One over a minute old that no writer holds locked is
// such a leftover. Runs at every write, so it reads the folder and nothing more.
void removeStaleTemporaries(const QString &path)
{
    // QSaveFile writes beside the file a symbolic link points to.
    const QFileInfo info(path);
    const QString canonical = info.isSymLink() ? info.canonicalFilePath() : QString();
    const QFileInfo target(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
    const QByteArray fileName = QFile::encodeName(target.fileName());
    if (fileName.isEmpty())
        return;
    DIR *folder = ::opendir(QFile::encodeName(target.absolutePath()).constData());
    if (!folder)
        return;
    const int folderFd = ::dirfd(folder);
    const time_t now = ::time(nullptr);
    while (const dirent *entry = ::readdir(folder)) {
        const char *name = entry->d_name;
        if (!isTemporaryName(name, std::string_view(fileName.constData(), fileName.size())))
            continue;
        const int fd = ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened;
        struct stat named;
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && now - opened.st_mtim.tv_sec > 60
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::fstatat(folderFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev
            && named.st_ino == opened.st_ino)
            ::unlinkat(folderFd, name, 0);
        ::close(fd);
    }
    ::closedir(folder);
}

} // namespace

std::shared_ptr<const IniDocument> IniFile::load(const QString &path)
{
    QMutexLocker locker(&cacheMutex);
    std::shared_ptr<const IniDocument> document;
    loadLocked(path, &document, nullptr);
    return document;
}

QString IniFile::read(const QString &path, const QString &section, const QString &key)
{
    return load(path)->value(section, key);
}

bool IniFile::write(
    const QString &path, const QString &section, const QString &key, const QString &value, QString *error)
{
    return write(path, {{section, key, value}}, error);
}

bool IniFile::write(const QString &path, const QList<IniDocument::Assignment> &assignments, QString *error)
{
    QMutexLocker locker(&cacheMutex);
    std::shared_ptr<const IniDocument> current;
    // Never start from an empty document when the file exists but cannot be
    // read: writing that back would wipe the file.
    if (loadLocked(path, &current, error) == LoadResult::Failed)
        return false;

    IniDocument updated = *current;
    bool changed = false;
    for (const IniDocument::Assignment &a : assignments) {
        changed = changed || !updated.holds(a.section, a.key, a.value);
        if (!updated.setValue(a.section, a.key, a.value, error))
            return false;
    }
    // Values the file already holds: no rewrite, so not even its time changes.
    if (!changed)
        return true;

    removeStaleTemporaries(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, file.errorString());
        return false;
    }
    // The copy stays locked until after the rename, for removeStaleTemporaries.
    // QSaveFile closes its own descriptor between naming the copy and renaming
    // it, so the lock is taken through a duplicate that lives on until then.
    const int lock = ::fcntl(file.handle(), F_DUPFD_CLOEXEC, 0);
    if (lock >= 0)
        ::flock(lock, LOCK_EX | LOCK_NB);
    const auto unlock = qScopeGuard([lock] {
        if (lock >= 0)
            ::close(lock);
    });
    const QByteArray bytes = updated.toBytes();
    // The new file's identity is taken from the temporary file itself (the rename
    // keeps inode, size and modification time), so another process's write that
    // lands right after ours can never be mistaken for ours.
    struct stat st;
    const bool known = file.write(bytes) == bytes.size() && file.flush() && ::fstat(file.handle(), &st) == 0;
    if (!known || !file.commit()) {
        setError(error, file.errorString());
        cache.remove(path);
        return false;
    }
    cache.insert(
        path, CachedFile {FileIdentity::of(st), std::make_shared<const IniDocument>(std::move(updated))});
    return true;
}

void IniFile::clearCache()
{
    QMutexLocker locker(&cacheMutex);
    cache.clear();
}
