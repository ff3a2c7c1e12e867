#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A shell script in the place of a desktop tool (xdg-email, xdg-open), first on PATH while this object
// lives. Each run records its process id and its arguments exactly (one file per argument, so line
// breaks inside one survive), then runs the given ending.
class StandInDesktopTool {
public:
    static const QString XdgEmail;
    static const QString XdgOpen;

    // Endings. Any other shell text works too, e.g. "exit 3" (xdg-email: no mail client found).
    static const QByteArray Succeed;
    // Waits up to 10 s for release(): exit 0 when released in time, else 1.
    static const QByteArray WaitForRelease;
    // Becomes a process that does not end by itself, like a mail program that stays open.
    static const QByteArray Hang;

    StandInDesktopTool(const QString& name, const QByteArray& ending);
    ~StandInDesktopTool();
    StandInDesktopTool(const StandInDesktopTool&) = delete;
    StandInDesktopTool& operator=(const StandInDesktopTool&) = delete;

    bool isValid() const { return valid_; }
    // True once a run has recorded its arguments.
    bool ran() const;
    QStringList arguments() const;
    // The process id of the last run, 0 before it.
    qint64 pid() const;
    bool release() const;

private:
    QString file(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }

    QTemporaryDir dir_;
    QByteArray oldPath_;
    bool valid_ = false;
};
