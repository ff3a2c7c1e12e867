#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QPair>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One run of the kinetrax binary as a command: its exit status (-1 when it crashed or did not end within
// a minute) and everything it wrote.
struct CommandRun {
    int Status = -1;
    QByteArray Out;
    QByteArray Err;
};

// Runs program (the kinetrax binary) with arguments on the data directory dataDir and the lock directory
// lockDir ($XDG_RUNTIME_DIR), without a display; input goes to its standard input; environment adds to
// or overrides the test's environment.
CommandRun RunKinetrax(const QString& program, const QStringList& arguments, const QString& dataDir,
                       const QString& lockDir, const QByteArray& input = QByteArray(),
                       const QProcessEnvironment& environment = QProcessEnvironment());

// Every file of dir (hidden ones too, no subdirectories) with its bytes and modification time, to show
// that a run changed nothing.
QMap<QString, QPair<QByteArray, QDateTime>> DirectorySnapshot(const QString& dir);
