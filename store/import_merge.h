#pragma once

#include "store/day_record.h"

// What a merge of imported days did.
struct ImportCounts {
    int Added = 0;     // days the history lacked, appended
    int Identical = 0; // days the history held with the same exported figures
    int Differing = 0; // days the history held with other figures: kept, or replaced when asked
};

// Merges imported days into history without questions, as a download is merged: a day the history
// lacks is appended after the existing records, in the order of imported; a day it holds with equal Steps, TargetSteps, Distance, Calories and WalkingTime is
// identical; one that differs keeps its figures unless replace, which takes those five from imported
// and keeps the cardio fields. As every reader of the history does, only the first record of a date
// counts: a later record of the same date is never compared or changed (a date twice in imported is
// met as the day its first appearance added or matched).
ImportCounts MergeImportedDays(DayRecordList& history, const DayRecordList& imported, bool replace);

// The distances of records, written in km (fromKilometres) or miles, in the unit toKilometres names,
// as ConvertDistance converts them; unchanged when the units agree.
void ConvertImportedDistances(DayRecordList& records, bool fromKilometres, bool toKilometres);
