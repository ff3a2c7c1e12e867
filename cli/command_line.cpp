#include "cli/command_line.h"

#include "cli/check_sync.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstring>

namespace {

const char* const Commands[] = {"--check-sync", "--help", "-h", "--help-all", "--version", "-v"};

} // namespace

bool IsCommandLineRun(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char* command : Commands) {
            if (std::strcmp(argv[i], command) == 0)
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

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The desktop companion of a USB pedometer. Without options it starts the program."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption checkSync(
        QStringLiteral("check-sync"),
        QStringLiteral("Without windows and without opening the pedometer: for each user whose pedometer "
                       "days are two days or fewer from being lost (or are being lost), show a desktop "
                       "notification, at most once a day per user; a click on it starts Kinetrax. Exits "
                       "quietly with status 0 when there is no session bus or notification service."));
    parser.addOption(checkSync);
    parser.process(app);

    if (parser.isSet(checkSync))
        return RunCheckSync();
    parser.showHelp(0);
}
