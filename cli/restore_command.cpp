#include "cli/restore_command.h"

#include "platform/single_instance.h"
#include "store/data_archive.h"

void AddRestoreOptions(QCommandLineParser& parser)
{
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A backup that kinetrax backup wrote."));
}

int RunRestore(const QCommandLineParser& parser, const CommandContext& context)
{
    QString path;
    if (!OneFileArgument(parser, context, "restore", &path))
        return ExitUsage;
    SingleInstanceGuard lock(context.LockDirectory);
    if (!AcquireProgramLock(lock, context))
        return ExitProgramRunning;
    const RestoreResult result = RestoreDataBackup(context.DataDir, path);
    if (!result.Ok) {
        PrintError(context, QStringLiteral("restore failed: %1").arg(result.Error));
        return ExitFailed;
    }
    PrintLine(context, QStringLiteral("Restored %1 %2 from %3")
                           .arg(result.Files)
                           .arg(result.Files == 1 ? QStringLiteral("file") : QStringLiteral("files"), path));
    if (!result.Error.isEmpty())
        PrintError(context, result.Error);
    return ExitOk;
}
