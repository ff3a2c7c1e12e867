#include "store/data_archive.h"

#include "catalog/catalog_file.h"
#include "platform/write_stop.h"
#include "profiles/pending_work.h"
#include "profiles/profile_name.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const QString BinSuffix = QStringLiteral(".bin");
const QString LogSuffix = QStringLiteral(".downloads");
const QString KeptReadme = QStringLiteral("README.txt");

// The program writes far less into these; the limits only keep a stray or hostile file in bounds.
constexpr qint64 MaxPendingFileBytes = 1024 * 1024;
constexpr qint64 MaxDownloadLogFileBytes = 16 * 1024 * 1024;

using ArchivePtr = std::unique_ptr<struct archive, int (*)(struct archive*)>;

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString ArchiveError(struct archive* a)
{
    const char* text = archive_error_string(a);
    return text ? QString::fromUtf8(text) : QStringLiteral("unknown error");
}

bool SyncDirectory(const QString& dir)
{
    const int fd = ::open(Native(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Never replaces what is at to: a restore must not overwrite anything it did not move aside first.
bool MoveFile(const QString& from, const QString& to, QString* error)
{
    if (FileWriteFails()) {
        *error = QString::fromLatin1(InjectedWriteErrorText());
        return false;
    }
    if (::renameat2(AT_FDCWD, Native(from).constData(), AT_FDCWD, Native(to).constData(), RENAME_NOREPLACE) != 0) {
        *error = QStringLiteral("cannot move %1 to %2: %3").arg(from, to, ErrnoText(errno));
        return false;
    }
    return true;
}

// What identifies one version of a file that is replaced by renaming a new one over it.
struct FileStamp {
    QString Name;
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    qint64 MTimeNs = 0;
    bool operator==(const FileStamp& o) const
    {
        return Name == o.Name && Device == o.Device && Inode == o.Inode && Size == o.Size && MTimeNs == o.MTimeNs;
    }
};

qint64 MTimeNs(const struct stat& st)
{
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::vector<FileStamp> Stamps(const QString& dataDir)
{
    std::vector<FileStamp> stamps;
    for (const QString& name : DataFileNames(dataDir)) {
        struct stat st;
        if (::lstat(Native(dataDir + name).constData(), &st) != 0)
            continue;
        stamps.push_back({name, st.st_dev, st.st_ino, st.st_size, MTimeNs(st)});
    }
    return stamps;
}

// Refuses what a restore would refuse, so that every backup written can be restored.
QString ContentProblem(const QString& name, const QByteArray& bytes)
{
    if (bytes.size() > DataFileSizeLimit(name))
        return QStringLiteral("%1 is too large (%2 bytes)").arg(name).arg(bytes.size());
    if (name == QLatin1String(UserListFileName) && !ParseUserList(bytes).HasClientSection)
        return QStringLiteral("%1 is not a user list").arg(name);
    return QString();
}

struct SourceFile {
    QByteArray Bytes;
    struct stat Stat {};
};

bool ReadSource(const QString& path, SourceFile& file, QString* error)
{
    // O_NOFOLLOW: a symbolic link put in place of a data file never carries another file into a backup.
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, &file.Stat) != 0 || !S_ISREG(file.Stat.st_mode)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, fd < 0 ? ErrnoText(errno) : QStringLiteral("not a file"));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const qint64 limit = DataFileSizeLimit(QFileInfo(path).fileName());
    if (file.Stat.st_size > limit) {
        ::close(fd);
        *error = QStringLiteral("%1 is too large (%2 bytes)").arg(path).arg(qint64(file.Stat.st_size));
        return false;
    }
    file.Bytes.resize(qsizetype(file.Stat.st_size));
    qsizetype done = 0;
    while (done < file.Bytes.size()) {
        const ssize_t n = ::read(fd, file.Bytes.data() + done, size_t(file.Bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = QStringLiteral("cannot read %1: %2").arg(path, n < 0 ? ErrnoText(errno) : QStringLiteral("it became shorter"));
            ::close(fd);
            return false;
        }
        done += n;
    }
    ::close(fd);
    return true;
}

la_ssize_t WriteToSaveFile(struct archive*, void* clientData, const void* buffer, size_t length)
{
    auto* file = static_cast<QSaveFile*>(clientData);
    const qint64 n = file->write(static_cast<const char*>(buffer), qint64(length));
    return n == qint64(length) ? la_ssize_t(n) : -1;
}

enum class WriteOutcome { Written, FilesChanged, Failed };

// One attempt: every data file into the open save file. FilesChanged when one was replaced meanwhile.
WriteOutcome WriteArchive(const QString& dataDir, QSaveFile& out, BackupResult& result)
{
    const std::vector<FileStamp> before = Stamps(dataDir);
    if (int(before.size()) > MaxBackupFiles) {
        result.Error = QStringLiteral("%1 holds more than %2 data files").arg(dataDir).arg(MaxBackupFiles);
        return WriteOutcome::Failed;
    }
    ArchivePtr a(archive_write_new(), archive_write_free);
    if (!a || archive_write_set_format_pax(a.get()) != ARCHIVE_OK
        || archive_write_add_filter_gzip(a.get()) != ARCHIVE_OK
        // No zero padding after the gzip stream: gzip -d would warn about it.
        || archive_write_set_bytes_in_last_block(a.get(), 1) != ARCHIVE_OK
        || archive_write_open(a.get(), &out, nullptr, WriteToSaveFile, nullptr) != ARCHIVE_OK) {
        result.Error = a ? ArchiveError(a.get()) : QStringLiteral("out of memory");
        return WriteOutcome::Failed;
    }
    result.Files = 0;
    result.Bytes = 0;
    std::unique_ptr<struct archive_entry, void (*)(struct archive_entry*)> entry(archive_entry_new(), archive_entry_free);
    for (const FileStamp& stamp : before) {
        SourceFile file;
        if (!ReadSource(dataDir + stamp.Name, file, &result.Error)) {
            if (!QFileInfo::exists(dataDir + stamp.Name))
                return WriteOutcome::FilesChanged;
            return WriteOutcome::Failed;
        }
        const QString problem = ContentProblem(stamp.Name, file.Bytes);
        if (!problem.isEmpty()) {
            result.Error = QStringLiteral("%1%2: a restore would refuse it").arg(dataDir, problem);
            return WriteOutcome::Failed;
        }
        result.Bytes += file.Bytes.size();
        if (result.Bytes > MaxBackupBytes) {
            result.Error = QStringLiteral("the data files of %1 are larger than a backup may be").arg(dataDir);
            return WriteOutcome::Failed;
        }
        archive_entry_clear(entry.get());
        archive_entry_set_pathname_utf8(entry.get(), stamp.Name.toUtf8().constData());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), file.Stat.st_mode & 0777);
        archive_entry_set_size(entry.get(), la_int64_t(file.Bytes.size()));
        archive_entry_set_mtime(entry.get(), file.Stat.st_mtim.tv_sec, file.Stat.st_mtim.tv_nsec);
        if (archive_write_header(a.get(), entry.get()) != ARCHIVE_OK
            || archive_write_data(a.get(), file.Bytes.constData(), size_t(file.Bytes.size())) != la_ssize_t(file.Bytes.size())) {
            result.Error = QStringLiteral("cannot write %1: %2").arg(out.fileName(), ArchiveError(a.get()));
            return WriteOutcome::Failed;
        }
        ++result.Files;
    }
    if (archive_write_close(a.get()) != ARCHIVE_OK) {
        result.Error = QStringLiteral("cannot write %1: %2").arg(out.fileName(), ArchiveError(a.get()));
        return WriteOutcome::Failed;
    }
    return Stamps(dataDir) == before ? WriteOutcome::Written : WriteOutcome::FilesChanged;
}

// The entry's name when it can be a data file, else why the archive is refused.
QString NameProblem(const QString& name)
{
    if (name.startsWith(QLatin1Char('/')) || name == QLatin1String("..") || name.startsWith(QLatin1String("../"))
        || name.contains(QLatin1String("/../")) || name.endsWith(QLatin1String("/..")))
        return QStringLiteral("the archive holds \"%1\", a path that would leave the data directory").arg(name);
    if (!IsDataFileName(name))
        return QStringLiteral("the archive holds \"%1\", which is not a data file of Kinetrax").arg(name);
    return QString();
}

// Writes a staged file with the mode and time it was archived with, synced.
bool StageFile(const QString& dir, const BackupFile& file, QString* error)
{
    const QString path = dir + file.Name;
    const int fd = ::open(Native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, ErrnoText(errno));
        return false;
    }
    qsizetype done = 0;
    bool ok = true;
    while (ok && done < file.Bytes.size()) {
        const ssize_t n = ::write(fd, file.Bytes.constData() + done, size_t(file.Bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? n : 0;
    }
    // Owner read and write always: the program replaces these files.
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(file.MTimeSec), file.MTimeNsec}};
    ok = ok && ::fchmod(fd, mode_t((file.Mode & 0666) | 0600)) == 0 && ::futimens(fd, times) == 0 && ::fsync(fd) == 0;
    const int saved = errno;
    ::close(fd);
    if (!ok)
        *error = QStringLiteral("cannot write %1: %2").arg(path, ErrnoText(saved));
    return ok;
}

bool RemoveKept(const QString& kept)
{
    QDir dir(kept);
    bool ok = true;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        ok = dir.remove(name) && ok;
    return ok && QDir().rmdir(kept);
}

} // namespace

bool IsDataFileName(const QString& name)
{
    if (Native(name).size() > 255)
        return false;
    if (name == QLatin1String(CatalogFileName) || name == QLatin1String(UserListFileName)
        || name == QLatin1String(PendingWorkFileName))
        return true;
    for (const QString& suffix : {BinSuffix, LogSuffix}) {
        if (name.endsWith(suffix))
            return ListedProfileNameProblem(name.chopped(suffix.size())).isEmpty();
    }
    return false;
}

qint64 DataFileSizeLimit(const QString& name)
{
    if (!IsDataFileName(name))
        return 0;
    if (name == QLatin1String(CatalogFileName))
        return MaxCatalogFileBytes;
    if (name == QLatin1String(UserListFileName))
        return MaxUserListFileBytes;
    if (name == QLatin1String(PendingWorkFileName))
        return MaxPendingFileBytes;
    return name.endsWith(BinSuffix) ? MaxActivityFileBytes : MaxDownloadLogFileBytes;
}

QStringList DataFileNames(const QString& dataDir)
{
    QStringList names;
    const QFileInfoList entries = QDir(dataDir).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& info : entries) {
        if (!info.isSymLink() && info.isFile() && IsDataFileName(info.fileName()))
            names.push_back(info.fileName());
    }
    return names;
}

BackupResult WriteDataBackup(const QString& dataDir, const QString& archivePath)
{
    BackupResult result;
    const QFileInfo target(archivePath);
    if (QFileInfo(target.absolutePath()) == QFileInfo(dataDir) && IsDataFileName(target.fileName())) {
        result.Error = QStringLiteral("%1 is a data file of Kinetrax: the backup must not replace it").arg(archivePath);
        return result;
    }
    if (!QFileInfo(dataDir).isDir()) {
        result.Error = QStringLiteral("there is no data directory %1 to back up").arg(dataDir);
        return result;
    }
    if (DataFileNames(dataDir).isEmpty()) {
        result.Error = QStringLiteral("%1 holds no data files to back up").arg(dataDir);
        return result;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        QSaveFile out(archivePath);
        if (!out.open(QIODevice::WriteOnly)) {
            result.Error = QStringLiteral("cannot write %1: %2").arg(archivePath, out.errorString());
            return result;
        }
        const WriteOutcome outcome = WriteArchive(dataDir, out, result);
        if (outcome == WriteOutcome::FilesChanged) {
            out.cancelWriting();
            continue;
        }
        if (outcome == WriteOutcome::Failed) {
            out.cancelWriting();
            return result;
        }
        // QSaveFile::commit() does not sync, and a rename of unsynced data can leave an empty file after a crash.
        if (!out.flush() || ::fsync(out.handle()) != 0 || FileWriteFails()) {
            result.Error = QStringLiteral("cannot write %1: %2")
                               .arg(archivePath, FailedFileWriteForTests() ? QString::fromLatin1(InjectedWriteErrorText())
                                                                            : out.errorString());
            out.cancelWriting();
            return result;
        }
        if (!out.commit()) {
            result.Error = QStringLiteral("cannot write %1: %2").arg(archivePath, out.errorString());
            return result;
        }
        result.Ok = true;
        result.Error.clear();
        return result;
    }
    result.Error = QStringLiteral("the data files kept changing while they were read; try again");
    return result;
}

BackupCheck CheckDataBackup(const QByteArray& archive, const std::function<bool(const BackupFile&, QString*)>& onFile)
{
    BackupCheck check;
    ArchivePtr a(archive_read_new(), archive_read_free);
    if (!a) {
        check.Error = QStringLiteral("out of memory");
        return check;
    }
    // Only what a backup is written as: any other format is not ours and only widens what is parsed.
    archive_read_support_filter_gzip(a.get());
    archive_read_support_format_tar(a.get());
    if (archive_read_open_memory(a.get(), archive.constData(), size_t(archive.size())) != ARCHIVE_OK) {
        check.Error = QStringLiteral("not a Kinetrax backup (%1)").arg(ArchiveError(a.get()));
        return check;
    }
    QSet<QString> seen;
    int entries = 0;
    for (;;) {
        struct archive_entry* entry = nullptr;
        const int status = archive_read_next_header(a.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN) {
            check.Error = entries == 0 ? QStringLiteral("not a Kinetrax backup (%1)").arg(ArchiveError(a.get()))
                                       : QStringLiteral("the archive is damaged: %1").arg(ArchiveError(a.get()));
            return check;
        }
        if (++entries > MaxBackupFiles) {
            check.Error = QStringLiteral("the archive holds more than %1 entries").arg(MaxBackupFiles);
            return check;
        }
        const char* utf8 = archive_entry_pathname_utf8(entry);
        if (!utf8) {
            check.Error = QStringLiteral("the archive holds a name that is not text");
            return check;
        }
        BackupFile file;
        file.Name = QString::fromUtf8(utf8);
        const QString problem = NameProblem(file.Name);
        if (!problem.isEmpty()) {
            check.Error = problem;
            return check;
        }
        if (archive_entry_hardlink(entry) || archive_entry_filetype(entry) != AE_IFREG) {
            check.Error = QStringLiteral("the archive holds \"%1\" as a link, directory or device, not as a file").arg(file.Name);
            return check;
        }
        if (seen.contains(file.Name)) {
            check.Error = QStringLiteral("the archive holds \"%1\" twice").arg(file.Name);
            return check;
        }
        seen.insert(file.Name);
        const qint64 limit = DataFileSizeLimit(file.Name);
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > limit) {
            check.Error = QStringLiteral("\"%1\" in the archive is too large (%2 bytes)").arg(file.Name).arg(qint64(archive_entry_size(entry)));
            return check;
        }
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0)
            file.Bytes.reserve(qsizetype(archive_entry_size(entry)));
        char buffer[64 * 1024];
        for (;;) {
            const la_ssize_t n = archive_read_data(a.get(), buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0) {
                check.Error = QStringLiteral("the archive is damaged at \"%1\": %2").arg(file.Name, ArchiveError(a.get()));
                return check;
            }
            if (file.Bytes.size() + n > limit) {
                check.Error = QStringLiteral("\"%1\" in the archive is too large").arg(file.Name);
                return check;
            }
            file.Bytes.append(buffer, qsizetype(n));
        }
        check.Bytes += file.Bytes.size();
        if (check.Bytes > MaxBackupBytes) {
            check.Error = QStringLiteral("the files of the archive are larger than a backup may be");
            return check;
        }
        if (file.Name == QLatin1String(UserListFileName)) {
            if (!ParseUserList(file.Bytes).HasClientSection) {
                check.Error = QStringLiteral("\"%1\" in the archive is not a user list").arg(file.Name);
                return check;
            }
        }
        file.Mode = unsigned(archive_entry_perm(entry));
        file.MTimeSec = qint64(archive_entry_mtime(entry));
        file.MTimeNsec = long(archive_entry_mtime_nsec(entry));
        if (onFile && !onFile(file, &check.Error))
            return check;
        ++check.Files;
    }
    if (check.Files == 0) {
        check.Error = QStringLiteral("not a Kinetrax backup: it holds none of its data files");
        return check;
    }
    check.Ok = true;
    return check;
}

QString KeptDirectory(const QString& dataDir)
{
    return QDir::cleanPath(QFileInfo(dataDir).absoluteFilePath()) + QStringLiteral(".before-restore");
}

RestoreResult RestoreDataBackup(const QString& dataDir, const QString& archivePath)
{
    RestoreResult result;
    const QString dirPath = QDir::cleanPath(QFileInfo(dataDir).absoluteFilePath());
    const QString dir = dirPath + QLatin1Char('/');
    const QString kept = KeptDirectory(dataDir);
    const QString keptSlash = kept + QLatin1Char('/');

    QFile in(archivePath);
    if (!in.open(QIODevice::ReadOnly)) {
        result.Error = QStringLiteral("cannot read %1: %2").arg(archivePath, in.errorString());
        return result;
    }
    if (in.size() > MaxBackupBytes) {
        result.Error = QStringLiteral("%1 is too large to be a Kinetrax backup").arg(archivePath);
        return result;
    }
    const QByteArray archive = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        result.Error = QStringLiteral("cannot read %1: %2").arg(archivePath, in.errorString());
        return result;
    }
    in.close();

    struct stat st;
    if (::lstat(Native(kept).constData(), &st) == 0) {
        result.KeptDir = kept;
        result.Error = QStringLiteral("%1 is left from a restore that did not finish and holds the data files from before "
                                      "it (see its README.txt); move them back or remove the folder, then try again")
                           .arg(kept);
        return result;
    }
    if (!QDir().mkpath(dirPath)) {
        result.Error = QStringLiteral("cannot create the data directory %1").arg(dirPath);
        return result;
    }

    // Beside the data directory, so that each file moves in by a rename on the same file system.
    QTemporaryDir staging(QFileInfo(dirPath).absolutePath() + QLatin1Char('/') + QFileInfo(dirPath).fileName()
                          + QStringLiteral(".restore-XXXXXX"));
    if (!staging.isValid()) {
        result.Error = QStringLiteral("cannot create a staging folder beside %1: %2").arg(dirPath, staging.errorString());
        return result;
    }
    const QString stage = staging.path() + QLatin1Char('/');
    QStringList staged;
    const BackupCheck check = CheckDataBackup(archive, [&](const BackupFile& file, QString* error) {
        staged.push_back(file.Name);
        return StageFile(stage, file, error);
    });
    if (!check.Ok) {
        result.Error = QStringLiteral("%1: %2. Nothing was changed.").arg(archivePath, check.Error);
        return result;
    }
    SyncDirectory(stage);

    const QStringList current = DataFileNames(dir);
    if (!QDir().mkdir(kept)) {
        result.Error = QStringLiteral("cannot create %1. Nothing was changed.").arg(kept);
        return result;
    }
    result.KeptDir = kept;
    {
        QFile readme(keptSlash + KeptReadme);
        const QString text =
            QStringLiteral("These are the data files of %1 as they were before a restore from %2 began at %3.\n"
                           "If this folder is still here, that restore did not finish. To return to these files, move\n"
                           "every file of this folder except README.txt back into %1, replacing the files of the\n"
                           "same name there, then remove this folder.\n")
                .arg(dirPath, QFileInfo(archivePath).absoluteFilePath(), QDateTime::currentDateTime().toString(Qt::ISODate));
        if (!readme.open(QIODevice::WriteOnly) || readme.write(text.toUtf8()) < 0 || !readme.flush()
            || ::fsync(readme.handle()) != 0) {
            readme.close();
            RemoveKept(kept);
            result.KeptDir.clear();
            result.Error = QStringLiteral("cannot write %1. Nothing was changed.").arg(readme.fileName());
            return result;
        }
    }
    SyncDirectory(QFileInfo(kept).absolutePath());

    QStringList movedAside;
    QStringList movedIn;
    QString error;
    bool ok = true;
    for (const QString& name : current) {
        if (!(ok = MoveFile(dir + name, keptSlash + name, &error)))
            break;
        movedAside.push_back(name);
    }
    for (int i = 0; ok && i < staged.size(); ++i) {
        if (!(ok = MoveFile(stage + staged.at(i), dir + staged.at(i), &error)))
            break;
        movedIn.push_back(staged.at(i));
    }
    if (!ok) {
        // Back the way it came: the restored files out, the kept ones in.
        bool back = true;
        QString ignored;
        for (auto it = movedIn.crbegin(); it != movedIn.crend(); ++it)
            back = ::renameat2(AT_FDCWD, Native(dir + *it).constData(), AT_FDCWD, Native(stage + *it).constData(), RENAME_NOREPLACE) == 0 && back;
        for (auto it = movedAside.crbegin(); it != movedAside.crend(); ++it)
            back = ::renameat2(AT_FDCWD, Native(keptSlash + *it).constData(), AT_FDCWD, Native(dir + *it).constData(), RENAME_NOREPLACE) == 0 && back;
        SyncDirectory(dirPath);
        if (back && RemoveKept(kept)) {
            result.KeptDir.clear();
            result.Error = QStringLiteral("the restore failed (%1). Nothing was changed.").arg(error);
        } else {
            result.Error = QStringLiteral("the restore failed (%1), and the old data files could not all be put back: "
                                          "they are in %2 (see its README.txt)").arg(error, kept);
        }
        return result;
    }
    SyncDirectory(dirPath);
    result.Ok = true;
    result.Files = int(staged.size());
    if (RemoveKept(kept))
        result.KeptDir.clear();
    else
        result.Error = QStringLiteral("the old data files could not be removed from %1").arg(kept);
    return result;
}
