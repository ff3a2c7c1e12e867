#include "cli/backup_command.h"

#include "store/data_archive.h"

namespace {

// Independent of the locale, like every other output of the commands.
QString SizeText(qint64 bytes)
{
    if (bytes < 1000)
        return QStringLiteral("%1 bytes").arg(bytes);
    if (bytes < 1000 * 1000)
        return QStringLiteral("%1 kB").arg(QString::number(double(bytes) / 1e3, 'f', 1));
    return QStringLiteral("%1 MB").arg(QString::number(double(bytes) / 1e6, 'f', 1));
}

} // namespace

void AddBackupOptions(QCommandLineParser& parser)
{
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The backup to write (a .tar.gz), replaced whole."));
}

int RunBackup(const QCommandLineParser& parser, const CommandContext& context)
{
    QString path;
    if (!OneFileArgument(parser, context, "backup", &path))
        return ExitUsage;
    const BackupResult result = WriteDataBackup(context.DataDir, path);
    if (!result.Ok) {
        PrintError(context, QStringLiteral("backup failed: %1").arg(result.Error));
        return ExitFailed;
    }
    PrintLine(context, QStringLiteral("Backed up %1 %2 (%3) to %4")
                           .arg(result.Files)
                           .arg(result.Files == 1 ? QStringLiteral("file") : QStringLiteral("files"), SizeText(result.Bytes), path));
    return ExitOk;
}
