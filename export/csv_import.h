#pragma once

#include "catalog/soft_info.h"
#include "store/day_record.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

// Larger inputs are refused: 20 years of days are about 250 KB, and reading stays bounded whatever is
// given.
constexpr qint64 MaxCsvImportBytes = qint64(256) * 1024 * 1024;

// A record line is at most about 70 bytes; a longer line is refused before more of it is read.
constexpr int MaxCsvImportLineBytes = 200;

// What a CSV export read back: its records or the first thing wrong with it.
struct CsvImport {
    bool Ok = false;
    DayRecordList Records; // in file order; CardioSteps and CardioTime 0
    bool Metric = true;    // the header names km (true) or mile (false); distances are as written
    int Line = 0;          // the 1-based line the error is on
    QString Error;         // what was wrong, without the line
};

// Reads the CSV that the export writes (CsvExportBytes) back into records. The header must be the
// export's header for km or mile, with the texts of catalog or of the built-in catalog, encoded in
// the system's 8-bit encoding. Harmless variations are taken: a UTF-8 byte-order mark, LF instead of
// CR LF, a record line without its trailing comma, empty lines at the end, a distance with 0 to 2
// decimals and calories with 0 or 1. Everything that could change a value unseen is refused: other
// decimals, signs, blanks, grouping, exponents, values past 32 bits in the stored units (hundredths
// of a distance unit, tenths of a kcal), a missing or extra value, a date that is not a calendar day,
// a date twice, a NUL byte, UTF-16 text, a line over MaxCsvImportLineBytes, more than
// MaxCsvImportBytes in all, or more days than an activity file holds. Reading stops at the first
// error; a long line is never read further than its limit.
CsvImport ReadRecordsCsv(QIODevice& input, const TSoftInfo& catalog);
CsvImport ReadRecordsCsv(const QByteArray& bytes, const TSoftInfo& catalog);
