#include "profiles/pending_work.h"

#include "platform/atomic_file.h"
#include "platform/write_stop.h"
#include "profiles/user_list.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

constexpr qint64 MaxPendingFileBytes = 64 * 1024;

} // namespace

QByteArray ActivityHash(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

PendingWork LoadPendingWork(const QString& path)
{
    PendingWork work;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxPendingFileBytes)
        return work;
    const QByteArray bytes = file.read(MaxPendingFileBytes);
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw.endsWith('\r') ? raw.chopped(1) : raw);
        if (line.startsWith(QLatin1String("delete "))) {
            const QString name = line.mid(7);
            if (!name.isEmpty() && !work.Deletions.contains(name))
                work.Deletions.append(name);
        } else if (line.startsWith(QLatin1String("convert "))) {
            const QStringList parts = line.split(QLatin1Char(' '));
            if (parts.size() < 4 || parts[1].size() != 64 || parts[2].size() != 64)
                continue;
            PendingConversion c;
            c.FromHash = parts[1].toLatin1();
            c.ToHash = parts[2].toLatin1();
            c.Profile = ParseClientLine(line.section(QLatin1Char(' '), 3));
            if (!c.Profile.Name.isEmpty())
                work.Conversion = c;
        }
    }
    return work;
}

bool SavePendingWork(const QString& path, const PendingWork& work, QString* errorText)
{
    if (work.empty()) {
        if (!QFile::exists(path))
            return true;
        QFile file(path);
        if (!FileWriteFails() && file.remove())
            return true;
        if (errorText)
            *errorText = file.error() != QFileDevice::NoError ? file.errorString()
                                                               : QString::fromLatin1(InjectedWriteErrorText());
        return false;
    }
    // UTF-8 whatever the list's encoding: only this program reads the file, and names must come back
    // exactly.
    QByteArray bytes;
    if (work.Conversion) {
        const PendingConversion& c = *work.Conversion;
        bytes += "convert " + c.FromHash + ' ' + c.ToHash + ' ' + ClientLine(c.Profile).toUtf8() + "\r\n";
    }
    for (const QString& name : work.Deletions)
        bytes += "delete " + name.toUtf8() + "\r\n";
    return WriteFileAtomically(path, bytes, errorText);
}
