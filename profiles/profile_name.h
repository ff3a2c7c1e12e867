#pragma once

#include <QString>

// A profile name becomes a file name (name + ".bin", name + ".csv") in the data directory and one
// field of a line of the user list.
constexpr int MaxProfileNameLength = 64;

// The longest name of a file in the data directory, in bytes as encoded for the file system: the 255
// of the common Linux file systems less the ".XXXXXX" that an atomic write's temporary file adds.
constexpr int MaxFileNameBytes = 255 - 7;

// Why a typed name cannot safely name a new profile, or an empty text when it can. Refused: empty or
// blank, "." and "..", longer than MaxProfileNameLength characters, a path separator, a comma, a
// control character, or a character that common file systems (FAT and NTFS data sticks among them)
// cannot hold in a file name.
QString ProfileNameProblem(const QString& name);

// Why a name read from the user list cannot name its files, or an empty text when it can. An earlier
// version may have listed names that typing now refuses; their history must stay reachable, so only
// what would leave the data directory or cannot be a file name here is refused: empty, "." and "..",
// a path separator, a control character (NUL among them), and a file name longer than
// MaxFileNameBytes. A trailing dot or blank is harmless, since the name always gains a suffix.
QString ListedProfileNameProblem(const QString& name);

// For a name read from the user list: the message that refuses the profile, naming it, or an empty
// text when ListedProfileNameProblem finds nothing. Such a profile never becomes the current user, so
// nothing outside the data directory is ever read, written or deleted for it.
QString UnusableProfileText(const QString& name);
