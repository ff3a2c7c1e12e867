#include "stand_in_desktop_tool.h"

#include <QDir>
#include <QFile>

const QString StandInDesktopTool::XdgEmail = QStringLiteral("xdg-email");
const QString StandInDesktopTool::XdgOpen = QStringLiteral("xdg-open");
const QByteArray StandInDesktopTool::Succeed = "exit 0";
const QByteArray StandInDesktopTool::WaitForRelease =
    "i=0\nwhile [ ! -e \"$d/go\" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n[ -e \"$d/go\" ]";
const QByteArray StandInDesktopTool::Hang = "exec sleep 600";

namespace {
QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}

StandInDesktopTool::StandInDesktopTool(const QString& name, const QByteArray& ending)
    : dir_(QDir::tempPath() + QStringLiteral("/kinetrax-") + name + QStringLiteral("-XXXXXX"))
    , oldPath_(qgetenv("PATH"))
{
    if (!dir_.isValid())
        return;
    // argc is written last, so that a reader never sees a run half recorded.
    const QByteArray script = "#!/bin/sh\nd='" + dir_.path().toLocal8Bit() + "'\n"
        + "echo $$ > \"$d/pid\"\n"
          "n=0\nfor a in \"$@\"; do n=$((n+1)); printf '%s' \"$a\" > \"$d/arg$n\"; done\n"
          "echo $n > \"$d/argc.tmp\" && mv \"$d/argc.tmp\" \"$d/argc\"\n"
        + ending + "\n";
    QFile tool(file(name));
    if (!tool.open(QIODevice::WriteOnly) || tool.write(script) != script.size())
        return;
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", dir_.path().toLocal8Bit() + ':' + oldPath_);
    valid_ = true;
}

StandInDesktopTool::~StandInDesktopTool()
{
    qputenv("PATH", oldPath_);
}

bool StandInDesktopTool::ran() const
{
    return QFile::exists(file(QStringLiteral("argc")));
}

QStringList StandInDesktopTool::arguments() const
{
    QStringList args;
    const int count = ReadAll(file(QStringLiteral("argc"))).trimmed().toInt();
    for (int k = 1; k <= count; ++k)
        args << QString::fromLocal8Bit(ReadAll(file(QStringLiteral("arg%1").arg(k))));
    return args;
}

qint64 StandInDesktopTool::pid() const
{
    return ReadAll(file(QStringLiteral("pid"))).trimmed().toLongLong();
}

bool StandInDesktopTool::release() const
{
    QFile go(file(QStringLiteral("go")));
    return go.open(QIODevice::WriteOnly);
}
