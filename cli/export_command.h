#pragma once

#include "cli/command_context.h"

#include <QCommandLineParser>

// kinetrax export [--user NAME] [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--format csv|json] [--output FILE]:
// a user's records (the first listed profile by default) from the data directory, without changing it,
// as the CSV that SEND writes or as JSON, restricted to the days from --from to --to (both included), on
// standard output or written atomically to FILE. Usage errors: a date that is not YYYY-MM-DD of a real
// day, --from after --to, an unknown format, an argument, an output that names one of the program's own
// files in the data directory. Failures: no profiles, an unknown or unusable
// user, an unreadable file, an output that cannot be written (an old file of that name is left as it was).
void AddExportOptions(QCommandLineParser& parser);
int RunExport(const QCommandLineParser& parser, const CommandContext& context);
