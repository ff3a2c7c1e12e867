#pragma once

#include "catalog/soft_info.h"

#include <QByteArray>
#include <QString>

// The file the catalog lives in, inside the data directory.
inline const char* const CatalogFileName = "Step.ini";

// Larger files are refused: the default catalog is under 2 KB, and reading stays bounded whatever lies
// in the data directory.
constexpr qint64 MaxCatalogFileBytes = 1024 * 1024;

struct CatalogLoadResult {
    bool ok = true;
    // For the start-up error box: names the file, the section, what is missing and the line (1-based).
    QString error;
};

// The built-in Step.ini, byte for byte: 65 ASCII lines, each ending in CR LF.
QByteArray DefaultCatalogBytes();

// Every default text, read from DefaultCatalogBytes() by the same reader as Step.ini. Info[25] and
// Info[26] are empty.
TSoftInfo DefaultCatalog();

// Takes the next item of a comma list off the front of working: the text before the first comma, which
// working then loses together with that comma. Without a comma the item is all of working, and working
// stays as it is, so later positions repeat the last item.
QString NextListItem(QString& working);

// Writes DefaultCatalogBytes() to Step.ini in dataDir, replacing that file atomically. False, with the
// system's reason in errorText, when it cannot be written.
bool WriteDefaultCatalog(const QString& dataDir, QString* errorText = nullptr);

// Reads the catalog text in bytes into catalog. The bytes are in the system's 8-bit encoding unless they
// begin with a UTF-8 or UTF-16 byte-order mark; bytes that are not valid in the system encoding are read
// as Windows code page 1252. CR, LF and CR LF end a line. A section starts at the first line equal to its
// header, letter case aside; a header on the very first line counts like any other. Sections missing from the
// text leave their texts as they were. fileName only labels errors. On failure catalog is unchanged.
CatalogLoadResult ReadCatalogText(TSoftInfo& catalog, const QByteArray& bytes, const QString& fileName);

// Reads Step.ini from dataDir into catalog, writing it from the defaults first when it is missing. The
// file is never written otherwise. A file that cannot be written or read, is too large, or is damaged (a
// section header without the lines it needs, an [Info] count beyond the lines present) is a failure,
// and start-up ends on it; catalog is then unchanged.
CatalogLoadResult LoadCatalog(TSoftInfo& catalog, const QString& dataDir);

// LoadCatalog for a reader that must not change the data directory: a missing Step.ini gives catalog the
// defaults, the texts LoadCatalog would read from the file it writes, and nothing is ever written.
CatalogLoadResult ReadCatalogFile(TSoftInfo& catalog, const QString& dataDir);
