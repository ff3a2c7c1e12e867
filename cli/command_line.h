#pragma once

// kinetrax with a command of its own (--check-sync, --help, --version) runs without windows; any other
// command line starts the program as ever, whatever else it holds (Qt's own options among them).
bool IsCommandLineRun(int argc, char* argv[]);

// Parses the command line and runs its command on a QCoreApplication of its own; the exit status.
int RunCommandLine(int argc, char* argv[]);
