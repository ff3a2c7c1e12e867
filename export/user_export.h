#pragma once

#include "catalog/soft_info.h"
#include "store/day_record.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// A user's records as SEND would export them, read from the data directory without changing anything
// in it: no default Step.ini is written, no pending step is finished, nothing is created.
struct UserExportSource {
    bool Ok = false;
    QString Error;         // when !Ok: one line naming the file or user and what is wrong
    QString UserName;
    DayRecordList Records; // file order, missing targets filled as when the program loads them
    bool Metric = true;    // the unit system the stored distances are in
    TSoftInfo Catalog;     // Step.ini as the program reads it; the defaults when there is none
};

// Reads the user list, Step.ini and the activity file of userName (the first listed profile when
// empty, as at start-up) from dataDir (ending in '/'). A missing activity file is a user without records,
// as a new profile is. Failures: no user list or no profile in it, an unknown user (the message names
// the listed ones), a name that cannot name files, an unreadable or too large list, catalog or activity
// file, a damaged catalog.
// The distance unit is the profile's; but where Kinetrax.pending holds a conversion of this user whose
// result the activity file already is, the distances are in the units of that pending profile.
UserExportSource LoadUserExportSource(const QString& dataDir, const QString& userName);

// The records with a date key from fromKey to toKey (both included), sorted by ascending date key; records
// of equal key keep their order, as in SEND's sort.
DayRecordList RecordsInKeyRange(DayRecordList records, uint32_t fromKey, uint32_t toKey);
