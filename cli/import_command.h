#pragma once

#include "cli/command_context.h"

#include <QCommandLineParser>

// kinetrax import --user NAME FILE [--replace]: merges the CSV that SEND or export writes (FILE "-" is
// standard input) into the user's history, converted to the profile's distance unit: days the history
// lacks are added, days that differ kept (or with --replace, their five exported figures replaced).
// Prints "NAME: N days added, N identical, N differing kept|replaced". Holds the program's lock
// throughout; every failure changes nothing: exit 1 for an unknown user, an unfinished change of the
// program (Kinetrax.pending), an unreadable history or file, or a file that is not such a CSV (the
// line and what was wrong on standard error); 3 while Kinetrax runs.
void AddImportOptions(QCommandLineParser& parser);
int RunImport(const QCommandLineParser& parser, const CommandContext& context);
