#include "platform/atomic_file.h"

#include "platform/write_stop.h"

#include <QSaveFile>

#include <unistd.h>

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* errorText)
{
    QSaveFile file(path);
    auto fail = [&](const QString& why) {
        if (errorText)
            *errorText = why;
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (file.write(bytes) != bytes.size())
        return fail(file.errorString());
    // QSaveFile::commit() does not sync, and a rename of unsynced data can leave an empty file after a crash.
    if (!file.flush() || ::fsync(file.handle()) != 0)
        return fail(QStringLiteral("Could not write %1 to disk").arg(path));
    if (FileWriteFails())
        return fail(QString::fromLatin1(InjectedWriteErrorText()));
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}
