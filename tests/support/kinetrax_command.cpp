#include "kinetrax_command.h"

#include <QDir>
#include <QFile>
#include <QProcess>

CommandRun RunKinetrax(const QString& program, const QStringList& arguments, const QString& dataDir,
                       const QString& lockDir, const QByteArray& input, const QProcessEnvironment& environment)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KINETRAX_DATA_DIR"), dataDir);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), lockDir);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    for (const QString& key : environment.keys())
        env.insert(key, environment.value(key));

    QProcess child;
    child.setProcessEnvironment(env);
    child.start(program, arguments);
    CommandRun run;
    if (!child.waitForStarted())
        return run;
    child.write(input);
    child.closeWriteChannel();
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
    } else if (child.exitStatus() == QProcess::NormalExit) {
        run.Status = child.exitCode();
    }
    run.Out = child.readAllStandardOutput();
    run.Err = child.readAllStandardError();
    return run;
}

QMap<QString, QPair<QByteArray, QDateTime>> DirectorySnapshot(const QString& dir)
{
    QMap<QString, QPair<QByteArray, QDateTime>> files;
    const QFileInfoList entries = QDir(dir).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : entries) {
        QFile file(info.filePath());
        if (file.open(QIODevice::ReadOnly))
            files.insert(info.fileName(), {file.readAll(), info.lastModified()});
    }
    return files;
}
