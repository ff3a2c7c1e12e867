#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at path by bytes, all or nothing: the bytes go to a temporary file in the same
// directory, are synced to disk, and the temporary file is renamed over the old one. On failure the
// old file is untouched and errorText (when given) says why.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* errorText = nullptr);
