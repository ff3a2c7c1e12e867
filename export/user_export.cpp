#include "export/user_export.h"

#include "catalog/catalog_file.h"
#include "profiles/pending_work.h"
#include "profiles/profile_name.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>

namespace {

UserExportSource Failure(const QString& error)
{
    UserExportSource source;
    source.Error = error;
    return source;
}

// The activity file's bytes; a missing file is an empty history. False with error when it cannot be read.
bool ReadActivityBytes(const QString& path, QByteArray& bytes, QString& error)
{
    QFile file(path);
    if (!file.exists())
        return true;
    const QString shown = QDir::toNativeSeparators(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Cannot read %1: %2").arg(shown, file.errorString());
        return false;
    }
    // One byte past the limit tells a file that is too large without reading all of it.
    bytes = file.read(MaxActivityFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("Cannot read %1: %2").arg(shown, file.errorString());
        return false;
    }
    if (bytes.size() > MaxActivityFileBytes) {
        error = QStringLiteral("%1 is too large for an activity file (at most %2 bytes)")
                    .arg(shown)
                    .arg(MaxActivityFileBytes);
        return false;
    }
    return true;
}

} // namespace

UserExportSource LoadUserExportSource(const QString& dataDir, const QString& userName)
{
    const QString listPath = dataDir + QLatin1String(UserListFileName);
    if (!QFile::exists(listPath))
        return Failure(QStringLiteral("no profiles: %1 does not exist").arg(QDir::toNativeSeparators(listPath)));
    const UserListFile list = LoadUserList(listPath);
    if (!list.Readable)
        return Failure(list.Error);
    if (list.Clients.empty())
        return Failure(QStringLiteral("no profiles in %1").arg(QDir::toNativeSeparators(listPath)));

    const TClient* profile = nullptr;
    if (userName.isEmpty()) {
        profile = &list.Clients.front();
    } else {
        for (const TClient& client : list.Clients) {
            if (client.Name == userName) {
                profile = &client;
                break;
            }
        }
    }
    if (!profile) {
        QStringList names;
        for (const TClient& client : list.Clients)
            names.append(client.Name);
        return Failure(
            QStringLiteral("no user '%1'; the users are: %2").arg(userName, names.join(QStringLiteral(", "))));
    }
    const QString unusable = UnusableProfileText(profile->Name);
    if (!unusable.isEmpty())
        return Failure(unusable);

    UserExportSource source;
    source.UserName = profile->Name;
    source.Metric = profile->Metric != 0;
    const CatalogLoadResult catalog = ReadCatalogFile(source.Catalog, dataDir);
    if (!catalog.ok)
        return Failure(catalog.error.isEmpty() ? QStringLiteral("Step.ini cannot be read.") : catalog.error);

    QByteArray bytes;
    QString error;
    if (!ReadActivityBytes(ActivityFilePath(dataDir, profile->Name), bytes, error))
        return Failure(error);
    // A unit change stopped between the activity file and the list: the file holds the new units already.
    const PendingWork pending = LoadPendingWork(dataDir + QLatin1String(PendingWorkFileName));
    if (pending.Conversion && pending.Conversion->Profile.Name == profile->Name
        && ActivityHash(bytes) == pending.Conversion->ToHash)
        source.Metric = pending.Conversion->Profile.Metric != 0;

    source.Records = DayRecordsFromBytes(bytes);
    FillMissingTargets(source.Records);
    source.Ok = true;
    return source;
}

DayRecordList RecordsInKeyRange(DayRecordList records, uint32_t fromKey, uint32_t toKey)
{
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [&](const TBINFile& r) { return r.Date < fromKey || r.Date > toKey; }),
                  records.end());
    std::stable_sort(records.begin(), records.end(),
                     [](const TBINFile& a, const TBINFile& b) { return a.Date < b.Date; });
    return records;
}
