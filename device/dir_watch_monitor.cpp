#include "device/dir_watch_monitor.h"

#include "device/sim_bus.h"

#include <QDir>
#include <QFileInfo>

DirWatchMonitor::DirWatchMonitor(const QString& directory, QObject* parent)
    : HidChangeMonitor(parent), directory_(QDir::cleanPath(QDir(directory).absolutePath()))
{
    // Taken now, before the first enumeration, so a device arriving in between is reported.
    known_ = deviceFiles();
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        rewatch();
        rescan();
    });
    poll_.setInterval(PollIntervalMs);
    connect(&poll_, &QTimer::timeout, this, [this] {
        rewatch();
        rescan();
    });
}

bool DirWatchMonitor::start()
{
    if (!started_) {
        started_ = true;
        rewatch();
        poll_.start();
        rescan();
    }
    return true;
}

void DirWatchMonitor::rewatch()
{
    QString target = directory_;
    while (!QFileInfo(target).isDir()) {
        const QString parent = QFileInfo(target).path();
        if (parent == target)
            break;
        target = parent;
    }
    const QStringList watched = watcher_.directories();
    if (watched.size() == 1 && watched.first() == target)
        return;
    if (!watched.isEmpty())
        watcher_.removePaths(watched);
    watcher_.addPath(target);
}

void DirWatchMonitor::rescan()
{
    const QSet<QString> now = deviceFiles();
    const bool removed = !(known_ - now).isEmpty();
    const bool arrived = !(now - known_).isEmpty();
    known_ = now;
    if (removed)
        emit interfaceRemoved();
    if (arrived)
        emit interfaceArrived();
}

QSet<QString> DirWatchMonitor::deviceFiles() const
{
    QSet<QString> files;
    const QStringList names = QDir(directory_).entryList(QDir::System | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (SimHidBus::ParseDeviceName(name))
            files.insert(name);
    }
    return files;
}
