#pragma once

#include "device/hid_bus.h"

#include <QFileSystemWatcher>
#include <QSet>
#include <QString>
#include <QTimer>

// Arrival and removal on the simulated bus: device files appearing in and leaving its directory. The
// directory may not exist yet, or may go away; then its nearest existing ancestor is watched until it
// (re)appears, with a slow poll as a safety net for file systems that do not report changes.
class DirWatchMonitor : public HidChangeMonitor {
    Q_OBJECT
public:
    explicit DirWatchMonitor(const QString& directory, QObject* parent = nullptr);

    bool start() override;

    static constexpr int PollIntervalMs = 1000;

private:
    void rewatch();
    void rescan();
    QSet<QString> deviceFiles() const;

    QString directory_;
    QFileSystemWatcher watcher_;
    QTimer poll_;
    QSet<QString> known_;
    bool started_ = false;
};
