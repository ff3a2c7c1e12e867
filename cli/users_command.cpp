#include "cli/users_command.h"

#include "profiles/user_list.h"

#include <QFile>

namespace {

QString GenderWord(uint8_t gender)
{
    switch (gender) {
    case 1: return QStringLiteral("female");
    case 2: return QStringLiteral("male");
    default: return QStringLiteral("unknown");
    }
}

} // namespace

void AddUsersOptions(QCommandLineParser&)
{
}

int RunUsers(const QCommandLineParser& parser, const CommandContext& context)
{
    if (!parser.positionalArguments().isEmpty()) {
        PrintError(context, QStringLiteral("users takes no arguments"));
        return ExitUsage;
    }
    const QString path = context.DataDir + QString::fromLatin1(UserListFileName);
    if (!QFile::exists(path))
        return ExitOk;
    const UserListFile list = LoadUserList(path);
    if (!list.Readable) {
        PrintError(context, list.Error);
        return ExitFailed;
    }
    for (const TClient& client : list.Clients) {
        PrintLine(context, client.Name + QLatin1Char('\t') + GenderWord(client.Gender) + QLatin1Char('\t')
                               + (client.Metric ? QStringLiteral("metric") : QStringLiteral("imperial")));
    }
    if (list.Damaged)
        PrintError(context, QStringLiteral("%1 is damaged: only the profiles above could be read").arg(path));
    return ExitOk;
}
