#pragma once

#include "cli/command_context.h"

#include <QCommandLineParser>

// kinetrax restore FILE: replaces the data files by those of a backup, checked completely first; takes
// the program's lock. Prints "Restored <n> files from FILE".
void AddRestoreOptions(QCommandLineParser& parser);
int RunRestore(const QCommandLineParser& parser, const CommandContext& context);
