#pragma once

#include <QLockFile>
#include <QString>

// Marks the one running Kinetrax of a user session: a lock file "Kinetrax" in the runtime directory,
// held until this object is destroyed or the process ends. A lock left by a process that died is taken
// over, so a crashed run never blocks the next start.
class SingleInstanceGuard {
public:
    // directory empty: the user's runtime directory (QStandardPaths::RuntimeLocation), else the temp dir.
    explicit SingleInstanceGuard(const QString& directory = QString());

    // False when another live process holds the lock or the lock file cannot be created.
    bool tryAcquire();
    QString lockPath() const { return path_; }

private:
    QString path_;
    QLockFile lock_;
};
