#include "stand_in_mail_tool.h"

#include <QDir>
#include <QFile>

const QByteArray StandInMailTool::Succeed = "exit 0";
const QByteArray StandInMailTool::WaitForRelease =
    "i=0\nwhile [ ! -e \"$d/go\" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n[ -e \"$d/go\" ]";
const QByteArray StandInMailTool::Hang = "exec sleep 600";

namespace {
QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}

StandInMailTool::StandInMailTool(const QByteArray& ending)
    : dir_(QDir::tempPath() + QStringLiteral("/kinetrax-mail-tool-XXXXXX"))
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
    QFile tool(file(QStringLiteral("xdg-email")));
    if (!tool.open(QIODevice::WriteOnly) || tool.write(script) != script.size())
        return;
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", dir_.path().toLocal8Bit() + ':' + oldPath_);
    valid_ = true;
}

StandInMailTool::~StandInMailTool()
{
    qputenv("PATH", oldPath_);
}

bool StandInMailTool::ran() const
{
    return QFile::exists(file(QStringLiteral("argc")));
}

QStringList StandInMailTool::arguments() const
{
    QStringList args;
    const int count = ReadAll(file(QStringLiteral("argc"))).trimmed().toInt();
    for (int k = 1; k <= count; ++k)
        args << QString::fromLocal8Bit(ReadAll(file(QStringLiteral("arg%1").arg(k))));
    return args;
}

qint64 StandInMailTool::pid() const
{
    return ReadAll(file(QStringLiteral("pid"))).trimmed().toLongLong();
}

bool StandInMailTool::release() const
{
    QFile go(file(QStringLiteral("go")));
    return go.open(QIODevice::WriteOnly);
}
