#pragma once

#include "cli/command_context.h"

#include <QCommandLineParser>

// kinetrax users: the listed profiles of the data directory, one line each in list order: name, gender
// ("female", "male" or "unknown") and unit system ("metric" or "imperial"), separated by tabs. No list
// prints nothing; an unreadable list is an error; a damaged one prints what it holds and a warning.
void AddUsersOptions(QCommandLineParser& parser);
int RunUsers(const QCommandLineParser& parser, const CommandContext& context);
