#include "platform/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace {
QString LockDirectory(const QString& requested)
{
    if (!requested.isEmpty())
        return requested;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}
}

SingleInstanceGuard::SingleInstanceGuard(const QString& directory)
    : path_(QDir(LockDirectory(directory)).filePath(QStringLiteral("Kinetrax")))
    , lock_(path_)
{
    // Only a dead owner frees the lock; a long run must never be taken for a stale one.
    lock_.setStaleLockTime(0);
}

bool SingleInstanceGuard::tryAcquire()
{
    return lock_.isLocked() || lock_.tryLock(0);
}
