#pragma once

#include <QString>

// A profile name becomes a file name (name + ".bin", name + ".csv") in the data directory and one
// field of a line of the user list.
constexpr int MaxProfileNameLength = 64;

// Why name cannot safely name a profile, or an empty text when it can. Refused: empty or blank, "."
// and "..", longer than MaxProfileNameLength characters, a path separator, a comma, a control
// character, or a character that common file systems (FAT and NTFS data sticks among them) cannot
// hold in a file name.
QString ProfileNameProblem(const QString& name);

// For a name read from the user list, which may not have been typed here: the message that refuses
// the profile, naming it, or an empty text when its name is usable. Such a profile never becomes the
// current user, so nothing outside the data directory is ever read, written or deleted for it.
QString UnusableProfileText(const QString& name);
