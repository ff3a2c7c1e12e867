#pragma once

#include "profiles/client.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Kinetrax.pending, beside the user list: the steps that change two files together and are not finished
// yet, so that a failure or a kill between the two writes is finished on the next try instead of being
// done twice or half. Optional: a missing file means nothing is pending. Text lines, CR LF:
//   convert <sha256 of the activity file before> <sha256 after> <the profile's list line after>
//   delete <name>
inline const char* const PendingWorkFileName = "Kinetrax.pending";

// A conversion of a user's stored distances to the other units together with the profile's new list
// line (its Metric and height in those units).
struct PendingConversion {
    QByteArray FromHash;   // hex
    QByteArray ToHash;     // hex
    TClient Profile;
};

struct PendingWork {
    std::optional<PendingConversion> Conversion;
    // Users removed from the list whose activity file or download log may still be there; a new
    // profile of the same name must not start with those days.
    QStringList Deletions;

    bool empty() const { return !Conversion && Deletions.isEmpty(); }
};

// The hash the file records an activity file's bytes by.
QByteArray ActivityHash(const QByteArray& bytes);

// Reads the file; missing, unreadable or unknown lines read as nothing pending.
PendingWork LoadPendingWork(const QString& path);

// Replaces the file all or nothing, or removes it when work is empty. On false errorText says why and
// the old file is as it was.
bool SavePendingWork(const QString& path, const PendingWork& work, QString* errorText = nullptr);
