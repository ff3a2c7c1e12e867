#include "cli/command_context.h"

#include "platform/single_instance.h"

void PrintError(const CommandContext& context, const QString& text)
{
    context.Err->write(QStringLiteral("kinetrax: %1\n").arg(text).toUtf8());
}

void PrintLine(const CommandContext& context, const QString& text)
{
    context.Out->write((text + QLatin1Char('\n')).toUtf8());
}

bool AcquireProgramLock(SingleInstanceGuard& guard, const CommandContext& context)
{
    if (guard.tryAcquire())
        return true;
    PrintError(context, QStringLiteral("Kinetrax is running (or another command is changing its data): close "
                                       "it and try again. Nothing was changed."));
    return false;
}

bool OneFileArgument(const QCommandLineParser& parser, const CommandContext& context, const char* command,
                     QString* path)
{
    const QStringList words = parser.positionalArguments();
    if (words.size() != 1 || words.first().isEmpty()) {
        PrintError(context, QStringLiteral("%1 takes one argument, the archive FILE (kinetrax %1 --help describes it)")
                                .arg(QLatin1String(command)));
        return false;
    }
    *path = words.first();
    return true;
}
