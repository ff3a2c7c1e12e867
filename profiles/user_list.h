#pragma once

#include "profiles/client.h"

#include <QByteArray>
#include <QString>

// The user list file inside the data directory.
inline const char* const UserListFileName = "Kinetrax.dat";

// A list of eight profiles is a few hundred bytes; larger files are refused rather than read.
constexpr qint64 MaxUserListFileBytes = 1024 * 1024;

// One profile line: Name, Gender, Age, Height, Weight, Steplength, TargetSteps, Metric, TimeSync,
// separated by single commas. The name is the text before the first comma, untrimmed; missing items
// read as empty or 0; everything after the eighth comma is the TimeSync text. A number that is not a
// decimal integer reads as 0; a number wider than its field keeps its low-order bits (Age "300" is 44);
// Metric and TimeSync are 1 for any number other than 0.
TClient ParseClientLine(const QString& line);

// The line ParseClientLine reads back: the name unchanged, the numbers in decimal, the flags as 0 or 1.
QString ClientLine(const TClient& client);

// The whole file: "SoftName:Kinetrax", "[Client]", the count, one line per profile, each line ended by
// CR LF, in the system's 8-bit encoding without a byte-order mark.
QByteArray UserListBytes(const ClientList& clients);

// A name that the file cannot hold as one field of one line: it contains a comma, CR or LF.
bool NameBreaksUserList(const QString& name);

// Replaces the file at path by UserListBytes(clients), all or nothing. Refuses (false, nothing written)
// a list with a name for which NameBreaksUserList is true, since reading it back would shift its fields
// or lines. On false errorText (when given) says why and the old file is as it was.
bool SaveUserList(const QString& path, const ClientList& clients, QString* errorText = nullptr);

// What the user list file held. Nothing is ever written while reading: the caller decides (an
// unreadable file must not be overwritten, and a damaged one only once the user changes the list).
struct UserListFile {
    bool Readable = false;         // false: the file could not be read or is too large; see Error
    bool HasClientSection = false; // a line "[Client]", in any letter case, was found
    ClientList Clients;            // at most MaxClients, in file order
    // Profiles that came from the file: Clients.size(). Rows above it are new in this run. A count line
    // that promises more profiles than the file holds does not count the missing ones.
    int LoadedCount = 0;
    // The count line is missing, not a number or negative, promises more lines than follow, lists more
    // than MaxClients profiles, or profile lines follow beyond the count: what loaded is usable, but
    // rewriting the file would lose the rest of it.
    bool Damaged = false;
    QString Error;
};

// Reads the file at path. A byte-order mark selects UTF-8 or UTF-16, otherwise the system's 8-bit
// encoding applies; CR, LF and CR LF end a line. Lines before "[Client]" are ignored; the line after
// it is the count n, and the n lines after that are the profiles.
UserListFile LoadUserList(const QString& path);

// LoadUserList on bytes already read; Readable is true.
UserListFile ParseUserList(const QByteArray& bytes);
