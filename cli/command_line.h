#pragma once

// kinetrax runs without windows when its first argument is a word (a command: users, export, import,
// backup, restore; or a mistyped one, which is refused) or it holds one of the options --check-sync,
// --help or --version; any other command line starts the program as ever (Qt's own options among them).
bool IsCommandLineRun(int argc, char* argv[]);

// Parses the command line and runs its command on a QCoreApplication of its own; the exit status
// (cli/command_context.h).
int RunCommandLine(int argc, char* argv[]);
