#pragma once

#include "catalog/soft_info.h"
#include "charts/period_view.h"
#include "profiles/client.h"
#include "protocol/download_result.h"
#include "store/day_record.h"

#include <QString>

#include <array>
#include <cstdint>

// What the main window owns for the whole run and lends to the other windows and to the logic.
// The device link (handles, reader, exchanges) is an object of its own beside this state.
struct AppState {
    TSoftInfo Catalog;
    QString ExeDir;       // data directory, ending in '/'
    QString ExportDir;    // where the CSV export goes; same as ExeDir
    QString UserListPath; // ExeDir + "Kinetrax.dat"
    QString CurrentUser;  // names the activity file; empty until a profile is chosen
    ClientList Clients;   // at most MaxClients; UserCount is Clients.size()
    DayRecordList DayRecords;
    bool DeviceMetric = false;                  // true: metric (km), false: imperial (mile)
    std::array<uint8_t, 100> DownloadBlock{};   // last decoded copy of the pedometer's memory
    bool DownloadValid = false;                 // DownloadBlock holds a complete download
    uint64_t AdoptedSequence = 0;               // DownloadResult::Sequence of that download
    bool StartupDone = false;
    int DayOffset = 0;                          // the TODAY day is today + DayOffset

    // RECORD: the chosen period, whether the daily view's target line stands at the selected day's
    // own target, and the date the section was entered with (all 0 before the first entry).
    ::PeriodMode PeriodMode = ::PeriodMode::Daily;
    bool hasDayTarget = false;
    int recordYear = 0;
    int recordMonth = 0;
    int recordDay = 0;

    int UserCount() const { return static_cast<int>(Clients.size()); }
    // Whether distances on screen and in the export are kilometres: the pedometer's unit system once a
    // complete download told it, before that the current profile's, the unit its records are stored in.
    bool DistanceMetric() const;
    QString activityFilePath() const { return ExeDir + CurrentUser + QStringLiteral(".bin"); }
};

// Takes a complete download into state: the memory image, the pedometer's unit system and that both
// are now known. An incomplete one changes nothing, since its zeros would pass for real values, and
// so does one that read the pedometer before the download the state holds (a worker's result handed
// over late): it would bring back the profile and units that a later exchange replaced.
// True when the download was adopted.
bool AdoptDownload(AppState& state, const DownloadResult& download);
