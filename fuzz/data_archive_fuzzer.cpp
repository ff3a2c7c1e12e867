// The check of restore on any bytes as the archive: CheckDataBackup must refuse or accept without harm,
// and what it accepts is exactly what a backup of those files holds.

#include "fuzz/fuzz_support.h"
#include "store/data_archive.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <cstddef>
#include <cstdint>
#include <map>

namespace {

using Files = std::map<QString, QByteArray>;

Files Check(const QByteArray& archive, bool* ok)
{
    Files files;
    int calls = 0;
    const BackupCheck check = CheckDataBackup(archive, [&](const BackupFile& file, QString*) {
        ++calls;
        FUZZ_CHECK(IsDataFileName(file.Name));
        FUZZ_CHECK(!file.Name.contains(QLatin1Char('/')));
        FUZZ_CHECK(file.Bytes.size() <= DataFileSizeLimit(file.Name));
        FUZZ_CHECK(files.count(file.Name) == 0);
        files[file.Name] = file.Bytes;
        return true;
    });
    *ok = check.Ok;
    FUZZ_CHECK(check.Ok == check.Error.isEmpty());
    FUZZ_CHECK(calls <= MaxBackupFiles);
    if (check.Ok) {
        FUZZ_CHECK(check.Files == calls && calls >= 1);
        qint64 total = 0;
        for (const auto& [name, bytes] : files)
            total += bytes.size();
        FUZZ_CHECK(check.Bytes == total);
    }
    return files;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    bool ok = false;
    const Files files = Check(bytes, &ok);
    if (!ok)
        return 0;

    // Accepted files, put in a data directory and backed up, come back alike.
    const QString dir = ScratchDir();
    ClearDir(dir);
    const QString dataDir = dir + QStringLiteral("data/");
    FUZZ_CHECK(QDir().mkpath(dataDir));
    for (const auto& [name, content] : files)
        FUZZ_CHECK(WriteFileBytes(dataDir + name, content));
    const QString archivePath = dir + QStringLiteral("backup.tar.gz");
    const BackupResult backup = WriteDataBackup(dataDir, archivePath);
    FUZZ_CHECK(backup.Ok && backup.Files == int(files.size()));
    QFile archive(archivePath);
    FUZZ_CHECK(archive.open(QIODevice::ReadOnly));
    bool again = false;
    FUZZ_CHECK(Check(archive.readAll(), &again) == files && again);
    return 0;
}
