#pragma once

#include "cli/command_context.h"

#include <QCommandLineParser>

// kinetrax backup FILE: the data files of the data directory into one .tar.gz, written atomically.
// Prints "Backed up <n> files (<size>) to FILE". Reads only, so it runs beside the program.
void AddBackupOptions(QCommandLineParser& parser);
int RunBackup(const QCommandLineParser& parser, const CommandContext& context);
