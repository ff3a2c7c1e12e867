#include "cli/command_line.h"

#include "cli/backup_command.h"
#include "cli/check_sync.h"
#include "cli/command_context.h"
#include "cli/export_command.h"
#include "cli/import_command.h"
#include "cli/restore_command.h"
#include "cli/users_command.h"
#include "platform/data_dir.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstring>

namespace {

const char* const OptionCommands[] = {"--check-sync", "--help", "-h", "--help-all", "--version", "-v"};

struct Command {
    const char* Name;
    const char* Arguments; // the synopsis after the name
    const char* Summary;
    void (*AddOptions)(QCommandLineParser&);
    int (*Run)(const QCommandLineParser&, const CommandContext&);
};

const Command Commands[] = {
    {"users", "", "List the profiles: name, gender and unit system, tab-separated, one per line.", AddUsersOptions,
     RunUsers},
    {"export", "[--user NAME] [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--format csv|json] [--output FILE]",
     "Write a user's records as CSV (as SEND does) or JSON, without changing the data directory.",
     AddExportOptions, RunExport},
    {"import", "--user NAME FILE [--replace]",
     "Merge a CSV of SEND or export into a user's history: new days added, days that differ kept (or replaced).",
     AddImportOptions, RunImport},
    {"backup", "FILE", "Write the data files (user list, catalog, histories, download logs) into FILE, a .tar.gz.",
     AddBackupOptions, RunBackup},
    {"restore", "FILE",
     "Replace the data files by those of a backup, checked completely first; refused while Kinetrax runs.",
     AddRestoreOptions, RunRestore},
};

const Command* FindCommand(const char* name)
{
    for (const Command& command : Commands) {
        if (std::strcmp(command.Name, name) == 0)
            return &command;
    }
    return nullptr;
}

QString CommandList()
{
    QString text = QStringLiteral("\nCommands (kinetrax <command> --help describes one):\n");
    for (const Command& command : Commands)
        text += QStringLiteral("  %1 %2\n      %3\n")
                    .arg(QString::fromLatin1(command.Name), QString::fromLatin1(command.Arguments),
                         QString::fromUtf8(command.Summary));
    return text;
}

// The parser's help with the command in its usage line.
QString CommandHelp(const QCommandLineParser& parser, const Command& command)
{
    QString help = parser.helpText();
    help.remove(0, help.indexOf(QLatin1Char('\n')));
    QString usage = QStringLiteral("Usage: kinetrax %1 [options]").arg(QString::fromLatin1(command.Name));
    if (*command.Arguments)
        usage += QLatin1Char(' ') + QString::fromLatin1(command.Arguments);
    return usage + help;
}

int RunCommand(const Command& command, QStringList arguments)
{
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    CommandContext context;
    context.Out = &out;
    context.Err = &err;

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(command.Summary));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Describe the command and exit."));
    parser.addOption(help);
    command.AddOptions(parser);
    arguments.removeAt(1);
    if (!parser.parse(arguments)) {
        PrintError(context, QStringLiteral("%1: %2 (kinetrax %1 --help describes it)")
                                .arg(QString::fromLatin1(command.Name), parser.errorText()));
        return ExitUsage;
    }
    if (parser.isSet(help)) {
        out.write(CommandHelp(parser, command).toUtf8());
        return ExitOk;
    }
    // A command that only reads must not leave an empty data directory behind.
    context.DataDir = DataDirFromEnvironment(false);
    return command.Run(parser, context);
}

} // namespace

bool IsCommandLineRun(int argc, char* argv[])
{
    // A first word that is not an option is a command, known or mistyped; the program takes none.
    if (argc > 1 && argv[1][0] != '-' && argv[1][0] != '\0')
        return true;
    for (int i = 1; i < argc; ++i) {
        for (const char* option : OptionCommands) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

int RunCommandLine(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kinetrax"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KX_VERSION));

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        if (const Command* command = FindCommand(argv[1]))
            return RunCommand(*command, arguments);
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The desktop companion of a USB pedometer. Without a command or option it starts the program."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption checkSync(
        QStringLiteral("check-sync"),
        QStringLiteral("Without windows and without opening the pedometer: for each user whose pedometer "
                       "days are two days or fewer from being lost (or are being lost), show a desktop "
                       "notification, at most once a day per user; a click on it starts Kinetrax. Exits "
                       "quietly with status 0 when there is no session bus or notification service."));
    parser.addOption(checkSync);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands below."),
                                 QStringLiteral("[command]"));
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "kinetrax: %s (kinetrax --help describes the options)\n", qPrintable(parser.errorText()));
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    const QStringList words = parser.positionalArguments();
    if (!words.isEmpty()) {
        std::fprintf(stderr, "kinetrax: unknown command '%s' (kinetrax --help lists the commands)\n",
                     qPrintable(words.first()));
        return ExitUsage;
    }
    if (parser.isSet(checkSync))
        return RunCheckSync();
    QString help = parser.helpText();
    help.replace(0, help.indexOf(QLatin1Char('\n')), QStringLiteral("Usage: kinetrax [options] [command]"));
    const QByteArray text = (help + CommandList()).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return ExitOk;
}
