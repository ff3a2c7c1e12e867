#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// A backup of the data directory: its data files only, as a POSIX (pax) tar compressed with gzip that any
// tar reads. The data files are Step.ini, Kinetrax.dat, Kinetrax.pending and every <name>.bin and
// <name>.downloads, regular files at the top level; nothing else (exports, the executable in portable
// use, subdirectories, symbolic links) is ever read into a backup or touched by a restore.

// Bounds of what a restore accepts, so that a hostile archive cannot fill the disk or the memory: each
// file within the limit its reader has (see DataFileSizeLimit), at most this many files and bytes in all.
constexpr int MaxBackupFiles = 256;
constexpr qint64 MaxBackupBytes = qint64(1) << 30;

// Whether name (a bare file name) is one of the data files. <name>.bin and <name>.downloads take only a
// name that can be a profile's file name here (ListedProfileNameProblem), so never a path.
bool IsDataFileName(const QString& name);

// The largest file of that name a restore accepts, in bytes; 0 for a name that is not a data file.
qint64 DataFileSizeLimit(const QString& name);

// The data files present in dataDir (ending in '/'), sorted by name.
QStringList DataFileNames(const QString& dataDir);

struct BackupResult {
    bool Ok = false;
    int Files = 0;
    qint64 Bytes = 0; // the files' own sizes, before compression
    QString Error;
};

// Writes every data file of dataDir into a backup at archivePath, replacing that file all or nothing
// (a temporary file beside it, synced, renamed): on failure an older file there is as it was. Reads only;
// a file replaced while the backup reads (the program writes every file by renaming a new one over it)
// makes it read them all once more, so that the files of the backup belong together. A data directory
// holding a file that a restore would refuse fails here with the reason.
BackupResult WriteDataBackup(const QString& dataDir, const QString& archivePath);

// One data file of a backup, checked.
struct BackupFile {
    QString Name;
    QByteArray Bytes;
    unsigned Mode = 0644;  // permission bits as archived
    qint64 MTimeSec = 0;    // seconds since the epoch, UTC
    long MTimeNsec = 0;
};

struct BackupCheck {
    bool Ok = false;
    int Files = 0;
    qint64 Bytes = 0;
    QString Error; // why the archive is refused, naming the entry where there is one
};

// Reads the backup in archive (a gzip-compressed or plain tar; no other format) to its very end and checks
// every entry: a regular file (no link, directory or device), named as a data file, at most once, within
// its size limit and the totals above; a Kinetrax.dat that is a user list; at least one data file. Each
// file is handed to onFile, when given, as soon as it is read and checked; onFile returning false stops
// the check with the error it set. The check is complete only when Ok is true: a caller keeps nothing it
// was handed before.
BackupCheck CheckDataBackup(const QByteArray& archive,
                            const std::function<bool(const BackupFile&, QString* error)>& onFile = {});

struct RestoreResult {
    bool Ok = false;
    int Files = 0;
    // Where the data files replaced are kept while the restore runs; after a failure that could not put
    // them all back, where the user finds them.
    QString KeptDir;
    QString Error;
};

// The directory beside dataDir that holds its replaced data files during a restore: "<dataDir>.before-restore".
QString KeptDirectory(const QString& dataDir);

// Replaces the data files of dataDir by those of the backup at archivePath. The archive is checked
// completely first (CheckDataBackup), its files written to a staging directory beside dataDir; then the
// current data files move into KeptDirectory (with a README saying what they are), the staged ones move
// in, and only then are the kept ones removed. Data files not in the backup are gone afterwards; other
// files of dataDir are left alone. dataDir is created when missing. Any failure puts the old files back
// and leaves dataDir as it was; Error says why. A KeptDirectory left by an earlier restore that did not
// finish is never overwritten: the restore is refused until the user has dealt with it. The caller holds
// the program's lock.
RestoreResult RestoreDataBackup(const QString& dataDir, const QString& archivePath);
