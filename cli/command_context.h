#pragma once

#include <QCommandLineParser>
#include <QIODevice>
#include <QString>

class SingleInstanceGuard;

// The exit statuses of kinetrax's commands, as the man page documents them.
enum ExitStatus : int {
    ExitOk = 0,
    ExitFailed = 1,         // a file could not be read or written, or its contents are not valid
    ExitUsage = 2,          // an unknown command or option, a missing or malformed argument
    ExitProgramRunning = 3, // a command that writes found Kinetrax running and changed nothing
};

// What a command gets from the command line around it: where the data lives and where its output goes.
struct CommandContext {
    QString DataDir;       // ending in '/'; may not exist yet
    QString LockDirectory; // where the program's single-instance lock lives; empty: the usual place
    QIODevice* Out = nullptr; // standard output: the command's result, bytes as they are
    QIODevice* Err = nullptr; // standard error: what went wrong, one line each
};

// Writes "kinetrax: <text>" and a line feed to the context's standard error, UTF-8.
void PrintError(const CommandContext& context, const QString& text);

// Writes text and a line feed to the context's standard output, UTF-8.
void PrintLine(const CommandContext& context, const QString& text);

// A command that writes the data directory holds the program's lock while it does, so that the program
// and the command never lose each other's update. False (and the reason printed) when the program, or
// another such command, holds it now; guard then holds nothing.
bool AcquireProgramLock(SingleInstanceGuard& guard, const CommandContext& context);

// The one argument of a command that takes a single archive FILE; false (and a usage error naming the
// command printed) for none, more than one or an empty one.
bool OneFileArgument(const QCommandLineParser& parser, const CommandContext& context, const char* command,
                     QString* path);
