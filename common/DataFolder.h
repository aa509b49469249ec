#pragma once

#include <QString>

// Where the user's library lives: <profile>/{Documents|Mes Documents|My Documents}/Murmurine,
// the last candidate that exists winning, else <profile>/Murmurine. HOME is the profile folder.
class DataFolder
{
public:
    // Works out the data folder, creates it (one level) and copies the factory
    // data file into it when it holds no data file. Failures are passed over.
    // factoryDataFile empty: the one next to the running executable (or the
    // installed share folder).
    static QString FindDataFolder(const QString &profileFolder = QString(), const QString &factoryDataFile = QString());

    // The folder chosen by the candidate rule, without creating anything.
    static QString locate(const QString &profileFolder);

    static QString factoryDataFile();
    static QString dataFilePath(const QString &dataFolder);   // <folder>/DATA.TXT
    static QString backupFilePath(const QString &dataFolder); // <folder>/BACKUP.DAT
};
